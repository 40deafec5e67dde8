// OperationContext: everything an operation needs from the world around it,
// handed to it explicitly instead of read from process-wide objects:
//
//   Ui()        the user interface it asks and reports through (questions,
//               messages, status windows);
//   Drives()    the drive map it translates DOS paths with: an immutable
//               snapshot held for the whole run (reloading the map makes a
//               new snapshot; a running job keeps the one it started with);
//   Options()   the settings it follows, copied when it starts;
//   Notices()   where it announces each change it makes to the disk;
//   currentDirectory  the DOS directory relative names are taken against
//               (the process working directory is never changed);
//   Cancelled() the job's own cancel flag, set from any thread (the frame
//               closing, the job list's Cancel).
//
// The context is a value a front end builds per job (or per console
// command); the objects it points to must outlive the run. A job may read
// it from its own thread only; RequestCancel() may be called from any.
#pragma once

#include "ui/ChangeNotices.h"

#include <atomic>
#include <memory>
#include <string>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::ui {

class UserInterface;

// The settings an operation reads, copied from the application's when the
// operation starts.
struct OperationOptions {
    bool preserveTags = true;          // "Preserve Tags"
    bool fourDosDescriptions = false;  // "4DOS Descriptions": descriptions follow files
    std::string zipTempPath;           // "Zip Temp Path": staging for zip copies ("" = system)
    bool automaticDragAndDrop = false; // "Automatic Drag-and-Drop Operations": drops run unasked
};

class OperationContext {
  public:
    // REQUIRES: drives is not null.
    OperationContext(UserInterface& ui, std::shared_ptr<const platform::DriveMap> drives,
                     OperationOptions options = {}, ChangeSink* notices = nullptr);

    UserInterface& Ui() const { return *m_ui; }
    const platform::DriveMap& Drives() const { return *m_drives; }
    const std::shared_ptr<const platform::DriveMap>& DriveSnapshot() const { return m_drives; }
    const OperationOptions& Options() const { return m_options; }
    OperationOptions& MutableOptions() { return m_options; }
    ChangeSink& Notices() const { return *m_notices; }

    // The same context talking to another user interface (a job's
    // marshalling one) or announcing to another sink.
    OperationContext WithUi(UserInterface& ui) const;
    OperationContext WithNotices(ChangeSink& notices) const;
    // The same context with a cancel flag of its own (a job started from
    // it is cancelled alone).
    OperationContext WithOwnCancelFlag() const;

    std::string currentDirectory;

    bool Cancelled() const { return m_cancel->load(std::memory_order_relaxed); }
    void RequestCancel() const { m_cancel->store(true, std::memory_order_relaxed); }
    // The flag itself, shared by the copies of this context.
    const std::shared_ptr<std::atomic<bool>>& CancelFlag() const { return m_cancel; }

  private:
    UserInterface* m_ui;
    std::shared_ptr<const platform::DriveMap> m_drives;
    OperationOptions m_options;
    ChangeSink* m_notices;
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
};

} // namespace vorlane::ui
