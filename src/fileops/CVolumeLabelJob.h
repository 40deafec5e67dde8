// Changing a drive's volume label as a job: the file system's tool runs on
// the job's thread (it may take a moment on a slow device); a refusal or the
// tool's failure is shown in the program's error dialog.
#pragma once

#include "platform/VolumeLabel.h"
#include "ui/Job.h"

#include <string>

namespace vorlane::fileops {

class CVolumeLabelJob : public ui::Job {
  public:
    CVolumeLabelJob(platform::VolumeDetails volume, std::string label)
        : m_volume(std::move(volume)), m_label(std::move(label)) {}
    std::string Title() const override { return "Volume Label"; }
    std::string DriveLetters() const override { return std::string(1, m_volume.letter); }
    ui::JobResult Run(ui::OperationContext& context) override;

  private:
    platform::VolumeDetails m_volume;
    std::string m_label;
};

} // namespace vorlane::fileops
