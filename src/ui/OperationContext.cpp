#include "ui/OperationContext.h"

#include <cassert>

namespace vorlane::ui {

OperationContext::OperationContext(UserInterface& ui,
                                   std::shared_ptr<const platform::DriveMap> drives,
                                   OperationOptions options, ChangeSink* notices)
    : m_ui(&ui), m_drives(std::move(drives)), m_options(std::move(options)),
      m_notices(notices != nullptr ? notices : &SilentChangeSink()) {
    assert(m_drives != nullptr);
}

OperationContext OperationContext::WithUi(UserInterface& ui) const {
    OperationContext copy(*this);
    copy.m_ui = &ui;
    return copy;
}

OperationContext OperationContext::WithNotices(ChangeSink& notices) const {
    OperationContext copy(*this);
    copy.m_notices = &notices;
    return copy;
}

OperationContext OperationContext::WithOwnCancelFlag() const {
    OperationContext copy(*this);
    copy.m_cancel = std::make_shared<std::atomic<bool>>(false);
    return copy;
}

} // namespace vorlane::ui
