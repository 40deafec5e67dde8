#include "fileops/CSetFileAttributes.h"

#include "fileops/CFileOperation.h"
#include "fileops/private/FileGroup.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

#include <optional>

namespace vorlane::fileops {

namespace {

std::string Short(const std::string& dosPath) {
    return platform::AbbreviatePath(dosPath, CFileOperation::kLongPathLength);
}

} // namespace

void ReadAttributeSettings(const SettingsIntReader& read, CAttributeParameters* p) {
    if (!read)
        return;
    const uint32_t set = static_cast<uint32_t>(read(kAttributeSettingsSection, kAttributesKey,
                                                    static_cast<int>(p->setMask))) &
                         kChangeableAttributes;
    const uint32_t leave =
        static_cast<uint32_t>(
            read(kAttributeSettingsSection, kIgnoreAttributesKey, static_cast<int>(p->leaveMask))) &
        kChangeableAttributes & ~set;
    p->setMask = set;
    p->leaveMask = leave;
    p->clearMask = kChangeableAttributes & ~(set | leave);
}

void WriteAttributeSettings(const CAttributeParameters& p, const SettingsWriter& write) {
    if (!write)
        return;
    write(kAttributeSettingsSection, kAttributesKey, std::to_string(p.setMask));
    write(kAttributeSettingsSection, kIgnoreAttributesKey, std::to_string(p.leaveMask));
}

uint32_t NewAttributes(uint32_t old, uint32_t setMask, uint32_t clearMask) {
    return (old & ~(setMask | clearMask) & kChangeableAttributes) | setMask;
}

std::string ValidateAttributes(const CAttributeParameters& p) {
    if (p.files.empty() && p.sourcePattern.empty())
        return "There are no files in the selected file group!";
    if (((p.setMask | p.clearMask) & kChangeableAttributes) == 0)
        return "There are no attribute changes specified to make (all attributes are set to "
               "leave the same)!";
    return "";
}

CAttributeOutcome RunSetAttributes(const CAttributeParameters& p,
                                   const ui::OperationContext& context) {
    CAttributeOutcome out;
    ui::UserInterface& ui = context.Ui();
    if (std::string refusal = ValidateAttributes(p); !refusal.empty()) {
        ui.Message(refusal);
        return out;
    }
    std::string directory, hostDir;
    if (!PlainRunDirectory(context, p.directory,
                           "You cannot change the attributes of files within a zip file!",
                           &directory, &hostDir))
        return out;
    std::vector<std::string> names = p.files;
    if (names.empty()) {
        names = FilesMatching(hostDir, p.sourcePattern);
        if (names.empty()) {
            ui.Message("No files in '" + directory + "' matching wildcard '" + p.sourcePattern +
                       "' to change!");
            return out;
        }
    }
    const uint32_t setMask = p.setMask & kChangeableAttributes;
    const uint32_t clearMask = p.clearMask & kChangeableAttributes & ~setMask;

    std::unique_ptr<ui::StatusWindow> status =
        ui.MakeStatusWindow(ui::StatusKind::Operation, kAttributesCaption);
    if (status)
        status->SetOverallLabel("Files set (or skipped):");
    CFileOperation op(context, status.get());
    for (size_t i = 0; i < names.size(); ++i) {
        if ((status && status->Cancelled()) || context.Cancelled()) {
            out.cancelled = true;
            break;
        }
        if (status)
            status->SetOverallPercent(static_cast<int>(i * 100 / names.size()));
        const std::string& name = names[i];
        ResolvedPath path{platform::JoinDosPath(directory, name),
                          hostDir + "/" + platform::DosNameToHost(name)};
        // One look at the file (one lstat, one read of the stored
        // attributes) both decides and makes the change.
        enum class Verdict { Changed, Already, StaysHidden } verdict = Verdict::Changed;
        uint32_t old = 0;
        bool isLink = false;
        platform::SysError err;
        const bool done = platform::ChangeAttributes(
            path.host,
            [&](uint32_t current) -> std::optional<uint32_t> {
                old = current;
                if ((clearMask & platform::kAttrHidden) && (current & platform::kAttrHidden) &&
                    name[0] == '.') {
                    verdict = Verdict::StaysHidden;
                    return std::nullopt;
                }
                const uint32_t wanted = NewAttributes(current, setMask, clearMask);
                if (wanted == (current & kChangeableAttributes)) {
                    verdict = Verdict::Already;
                    return std::nullopt;
                }
                return wanted;
            },
            &isLink, &err);
        if (isLink) {
            ui.Message("'" + Short(path.dos) +
                           "' is a symbolic link: the attributes of the file it points to are "
                           "not changed.",
                       kAttributesCaption, ui::Buttons::Ok, ui::Icon::Warning);
            ++out.skipped;
            continue;
        }
        if (!done) {
            op.Error().Set(err);
            op.ReportError(nullptr, "Unable to change attributes for '%s'\n\n",
                           Short(path.dos).c_str());
            ++out.failed;
            continue;
        }
        if (verdict == Verdict::StaysHidden) {
            ui.Message("'" + Short(path.dos) +
                           "' stays hidden: its name begins with a dot, which is what marks it "
                           "hidden. Rename it to show it.",
                       kAttributesCaption, ui::Buttons::Ok, ui::Icon::Warning);
            ++out.skipped;
            continue;
        }
        if (verdict == Verdict::Already) {
            ++out.changed; // already so
            continue;
        }
        ++out.changed;
        context.Notices().Notify(
            {ui::ChangeKind::Changed, path.dos, "", (old & platform::kAttrDirectory) != 0});
    }
    if (status && !out.cancelled)
        status->SetOverallPercent(100);
    return out;
}

std::string CSetFileAttributes::DriveLetters() const {
    return DirectoryDriveLetters(m_parameters.directory);
}

ui::JobResult CSetFileAttributes::Run(ui::OperationContext& context) {
    m_outcome = RunSetAttributes(m_parameters, context);
    return DriverResult(m_outcome.failed, m_outcome.cancelled, m_outcome.changed, "set");
}

} // namespace vorlane::fileops
