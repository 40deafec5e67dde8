#include "catalogue/CatalogueServices.h"

#include "app/VorlaneApp.h"

namespace vorlane::catalogue {

ui::OperationContext CCatalogueEnvironment::Context() const {
    return m_contextSource ? m_contextSource() : app::VorlaneApp::DefaultContext();
}

ui::UserInterface& CCatalogueEnvironment::Ui() const {
    return Context().Ui();
}

std::shared_ptr<const platform::DriveMap> CCatalogueEnvironment::Drives() const {
    return Context().DriveSnapshot();
}

CCatalogueOptions CCatalogueEnvironment::Options() const {
    if (m_options)
        return *m_options;
    const ui::OperationOptions options = Context().Options();
    return CCatalogueOptions{options.preserveTags, options.fourDosDescriptions};
}

CCatalogueView& CCatalogueEnvironment::View() const {
    static CCatalogueView silent;
    return view ? *view : silent;
}

} // namespace vorlane::catalogue
