#include "fileops/CFileTouch.h"

#include "fileops/CFileOperation.h"
#include "fileops/private/FileGroup.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

#include <ctime>
#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

constexpr unsigned kAllFields = kTouchCreation | kTouchLastAccess | kTouchLastWrite;

platform::FileTime Now() {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return {static_cast<int64_t>(now.tv_sec), static_cast<int32_t>(now.tv_nsec)};
}

} // namespace

unsigned ReadTouchSettings(const SettingsIntReader& read) {
    if (!read)
        return kTouchLastWrite;
    return static_cast<unsigned>(read(kTouchSettingsSection, kTouchFieldsKey, kTouchLastWrite)) &
           kAllFields;
}

void WriteTouchSettings(unsigned fields, const SettingsWriter& write) {
    if (write)
        write(kTouchSettingsSection, kTouchFieldsKey, std::to_string(fields & kAllFields));
}

std::string ValidateTouch(const CTouchParameters& p) {
    if (p.files.empty())
        return "The selected file group does not have any files!";
    if ((p.fields & kAllFields) == 0)
        return "There are no date/time fields selected to touch!";
    return "";
}

CTouchOutcome RunTouch(const CTouchParameters& p, const ui::OperationContext& context) {
    CTouchOutcome out;
    ui::UserInterface& ui = context.Ui();
    if (std::string refusal = ValidateTouch(p); !refusal.empty()) {
        ui.Message(refusal);
        return out;
    }
    std::string directory, hostDir;
    if (!PlainRunDirectory(context, p.directory,
                           "You cannot change the date/times of files within a zip file!",
                           &directory, &hostDir))
        return out;
    const platform::FileTime time = p.time ? *p.time : Now();
    const FileTimes times{time, time, time};

    std::unique_ptr<ui::StatusWindow> status =
        ui.MakeStatusWindow(ui::StatusKind::Operation, kTouchCaption);
    CFileOperation op(context, status.get());
    for (size_t i = 0; i < p.files.size(); ++i) {
        if ((status && status->Cancelled()) || context.Cancelled()) {
            out.cancelled = true;
            break;
        }
        if (status)
            status->SetOverallPercent(static_cast<int>(i * 100 / p.files.size()));
        ResolvedPath path{platform::JoinDosPath(directory, p.files[i]),
                          hostDir + "/" + platform::DosNameToHost(p.files[i])};
        // Only the selected fields are written: the others are never read
        // and written back (a link's own times would take its target's).
        if (!op.SetFileTimes(path, times, p.fields & kAllFields)) {
            op.ReportError(
                nullptr, "Unable to change the date/time of '%s'\n\n",
                platform::AbbreviatePath(path.dos, CFileOperation::kLongPathLength).c_str());
            ++out.failed;
            continue;
        }
        ++out.touched;
        struct stat st = {};
        ::lstat(path.host.c_str(), &st);
        context.Notices().Notify({ui::ChangeKind::Changed, path.dos, "", S_ISDIR(st.st_mode)});
    }
    if (status && !out.cancelled)
        status->SetOverallPercent(100);
    return out;
}

std::string CFileTouch::DriveLetters() const {
    return DirectoryDriveLetters(m_parameters.directory);
}

ui::JobResult CFileTouch::Run(ui::OperationContext& context) {
    m_outcome = RunTouch(m_parameters, context);
    return DriverResult(m_outcome.failed, m_outcome.cancelled, m_outcome.touched, "touched");
}

} // namespace vorlane::fileops
