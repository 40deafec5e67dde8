#include "fileops/CVolumeLabelJob.h"

#include "ui/UserInterface.h"

namespace vorlane::fileops {

ui::JobResult CVolumeLabelJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    platform::SysError err;
    if (!platform::SetVolumeLabel(m_volume, m_label, &err)) {
        context.Ui().Message(err.message);
        result.ok = false;
        return result;
    }
    result.summary = "Label of drive " + std::string(1, m_volume.letter) + ": set";
    return result;
}

} // namespace vorlane::fileops
