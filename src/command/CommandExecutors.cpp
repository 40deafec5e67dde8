// The executors of the command language: each checks the classified
// arguments of its command, builds the parameters of a file operation and
// runs its driver as a job through the host, without the operation's
// dialog. A refusal is shown before anything runs.
#include "command/CCommandLine.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CCopyDirectory.h"
#include "fileops/CFileDelete.h"
#include "fileops/CFileTouch.h"
#include "fileops/CFileWildcardRename.h"
#include "fileops/CMakeDirectory.h"
#include "fileops/CSetFileAttributes.h"
#include "fileops/ZipToExe.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/VolumeLabel.h"
#include "platform/Wildcard.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace vorlane::command {

namespace {

// The arguments of a line apart: switches (first on the line after the
// parse) and the others in the order typed.
struct Split {
    std::vector<CCommandArgument*> switches;
    std::vector<CCommandArgument*> others;
};

Split SplitArguments(CCommandLine& line) {
    Split split;
    for (CCommandArgument& a : line.MutableArguments())
        (a.cls == kArgSwitch ? split.switches : split.others).push_back(&a);
    return split;
}

// Runs job through the front end; true when it ran to its end, neither
// failing nor cancelled.
bool RanToEnd(CCommandLine& line, ui::Job& job) {
    const ui::JobResult result = line.Host().RunJob(job, line.Context());
    return result.ok && !result.cancelled;
}

bool SwitchIs(const CCommandArgument& a, const char* text) {
    return platform::NamesEqual(a.text, text);
}

// A directory and the names of its files that a command works on.
struct FileSet {
    std::string directory;
    std::vector<std::string> files;
};

// The files of a file, a wildcard (in a directory, bare or in a zip file) or
// a group word. False for any other class.
bool FilesOf(CCommandLine& line, CCommandArgument& a, FileSet* set) {
    const ui::OperationContext& context = line.Context();
    switch (a.cls) {
    case kArgFile:
    case kArgZipFile:
        set->directory = a.cls == kArgZipFile ? platform::ParentDosPath(a.fullPath) : a.directory;
        set->files = {a.name};
        return true;
    case kArgWildcard:
    case kArgZipWildcard:
        set->directory = a.directory;
        ExpandWildcard(a.directory, a.pattern, context.Drives(), &a.expansion);
        set->files = a.expansion;
        return true;
    case kArgBareWildcard:
        set->directory = context.currentDirectory;
        ExpandWildcard(set->directory, a.pattern, context.Drives(), &a.expansion);
        set->files = a.expansion;
        return true;
    default:
        if (!a.IsGroup())
            return false;
        set->directory = context.currentDirectory;
        set->files = line.GroupFiles(a);
        return true;
    }
}

bool InZip(const CCommandArgument& a) {
    return a.inZip || a.cls == kArgZipWildcard || a.cls == kArgZipNewName;
}

// --- ATTRIB -------------------------------------------------------------------

bool Attrib(CCommandLine& line) {
    const char* name = CommandName(CommandId::Attrib);
    Split split = SplitArguments(line);
    if (!split.switches.empty())
        return line.Fail(msg::kUnknownSwitch, split.switches.front()->text.c_str(), name);
    uint32_t set = 0, clear = 0;
    CCommandArgument* files = nullptr;
    for (CCommandArgument* a : split.others) {
        if (!a->text.empty() && (a->text[0] == '+' || a->text[0] == '-')) {
            uint32_t& mask = a->text[0] == '+' ? set : clear;
            for (char c : a->text.substr(1)) {
                switch (c & ~0x20) {
                case 'A':
                    mask |= 0x20;
                    break;
                case 'H':
                    mask |= 2;
                    break;
                case 'R':
                    mask |= 1;
                    break;
                case 'S':
                    mask |= 4;
                    break;
                default:
                    break;
                }
            }
            continue;
        }
        if (files)
            return line.Fail(msg::kTooMany, name);
        files = a;
    }
    if (files && InZip(*files))
        return line.Fail("You cannot change the attributes of files within a zip file!");
    if (set & clear)
        return line.Fail("The same attribute(s) cannot be specified to set/unset!");
    if (!set && !clear)
        return line.Fail(msg::kNothingToDo, name);
    if (!files)
        return line.Fail(msg::kNoSource, name);

    FileSet run;
    if (files->cls == kArgDirectory) {
        run.directory = files->directory;
        ExpandWildcard(run.directory, "*.*", line.Context().Drives(), &run.files);
        if (run.files.empty())
            return line.Fail("No files in '%s' matching wildcard '%s' to change!",
                             run.directory.c_str(), "*.*");
    } else if (!FilesOf(line, *files, &run)) {
        return line.Fail(msg::kInvalidParameter, files->text.c_str(), name);
    } else if (run.files.empty() && files->IsWildcard()) {
        return line.Fail("No files in '%s' matching wildcard '%s' to change!",
                         run.directory.c_str(), files->pattern.c_str());
    }
    fileops::CAttributeParameters p;
    p.directory = run.directory;
    p.files = std::move(run.files);
    p.setMask = set;
    p.clearMask = clear;
    p.leaveMask = fileops::kChangeableAttributes & ~(set | clear);
    fileops::CSetFileAttributes job(p);
    return RanToEnd(line, job);
}

// --- CHDIR and DIR ------------------------------------------------------------

bool Chdir(CCommandLine& line) {
    const char* name = CommandName(CommandId::Chdir);
    Split split = SplitArguments(line);
    for (CCommandArgument* s : split.switches)
        if (!SwitchIs(*s, "/z"))
            return line.Fail(msg::kUnknownSwitch, s->text.c_str(), name);
    if (split.others.empty())
        return line.Fail("A directory name was not specified to change to!");
    if (split.others.size() > 1)
        return line.Fail(msg::kTooMany, name);
    const CCommandArgument& a = *split.others.front();
    if (a.cls != kArgDirectory && a.cls != kArgDrive && a.cls != kArgZipFile)
        return line.Fail(msg::kInvalidParameter, a.text.c_str(), name);
    return line.Host().ChangeDirectory(a.cls == kArgZipFile ? a.fullPath : a.directory);
}

bool Dir(CCommandLine& line) {
    const char* name = CommandName(CommandId::Dir);
    Split split = SplitArguments(line);
    for (CCommandArgument* s : split.switches)
        if (!SwitchIs(*s, "/z"))
            return line.Fail(msg::kUnknownSwitch, s->text.c_str(), name);
    std::string directory, pattern;
    for (CCommandArgument* a : split.others) {
        std::string d, p;
        switch (a->cls) {
        case kArgDirectory:
        case kArgDrive:
            d = a->directory;
            break;
        case kArgZipFile:
            d = a->fullPath;
            break;
        case kArgFile:
        case kArgWildcard:
        case kArgZipWildcard:
            d = a->directory;
            p = a->cls == kArgFile ? platform::WildcardEscape(a->name) : a->pattern;
            break;
        case kArgBareWildcard:
            p = a->pattern;
            break;
        default:
            return line.Fail(msg::kInvalidParameter, a->text.c_str(), name);
        }
        if ((!d.empty() && !directory.empty()) || (!p.empty() && !pattern.empty()))
            return line.Fail(msg::kTooMany, name);
        if (!d.empty())
            directory = d;
        if (!p.empty())
            pattern = p;
    }
    if (directory.empty() && pattern.empty())
        return line.Fail("A directory and/or file search pattern must be specified for the DIR "
                         "command!");
    if (directory.empty())
        directory = line.Context().currentDirectory;
    return line.Host().ShowDirectory(directory, pattern.empty() ? "*.*" : pattern);
}

// --- COPY and MOVE ------------------------------------------------------------

bool CopyOrMove(CCommandLine& line, bool move) {
    const char* name = CommandName(move ? CommandId::Move : CommandId::Copy);
    Split split = SplitArguments(line);
    uint32_t flags = 0;
    int zipPathMode = fileops::kZipNoPaths;
    for (CCommandArgument* s : split.switches) {
        if (SwitchIs(*s, "/n"))
            flags |= fileops::kCopyOnlyIfNewer;
        else if (SwitchIs(*s, "/t"))
            flags |= fileops::kCopyOnlyIfDestinationExists;
        else if (SwitchIs(*s, "/p"))
            flags |= fileops::kCopyPromptBeforeOverwrite;
        else if (SwitchIs(*s, "/s"))
            ; // a directory source is always copied as a tree
        else if (SwitchIs(*s, "/zp"))
            zipPathMode = fileops::kZipFullPaths;
        else if (SwitchIs(*s, "/zrp"))
            zipPathMode = fileops::kZipRelativePaths;
        else
            return line.Fail(msg::kUnknownParameter, s->text.c_str(), name);
    }
    if (flags == 0)
        flags = fileops::kCopyOnlyIfNewer | fileops::kCopyPromptBeforeOverwrite;
    if (split.others.empty())
        return line.Fail(msg::kNoSource, name);
    if (split.others.size() < 2)
        return line.Fail(msg::kNoTarget, name);
    if (split.others.size() > 2)
        return line.Fail(msg::kTooMany, name);
    CCommandArgument& source = *split.others[0];
    CCommandArgument& target = *split.others[1];

    fileops::CCopyParameters p;
    p.flags = flags;
    p.zipPathMode = zipPathMode;
    p.compressionFactor = 5;
    p.descriptions = line.Context().Options().fourDosDescriptions;
    if (source.cls == kArgDirectory || source.cls == kArgZipFile) {
        p.operation = fileops::CopyKindOf(move, true);
        p.sourceDirectory = source.cls == kArgZipFile ? source.fullPath : source.directory;
    } else {
        FileSet set;
        if (source.cls == kArgZipFile || !FilesOf(line, source, &set))
            return line.Fail(msg::kInvalidSource, source.text.c_str(), name);
        p.operation = fileops::CopyKindOf(move, false);
        p.sourceDirectory = set.directory;
        p.files = std::move(set.files);
    }
    if (target.cls == kArgDirectory)
        p.targetPath = target.directory;
    else if (target.cls == kArgZipFile)
        p.targetPath = target.fullPath;
    else
        return line.Fail(msg::kInvalidTarget, target.text.c_str(), name);

    std::string refusal = fileops::ValidateCopy(p, line.Context().Drives(), false);
    if (!refusal.empty())
        return line.Fail("%s", refusal.c_str());
    fileops::CCopyJob job(p);
    return RanToEnd(line, job) && job.Outcome().failed == 0;
}

// --- DELETE -------------------------------------------------------------------

bool Delete(CCommandLine& line) {
    const char* name = CommandName(CommandId::Delete);
    Split split = SplitArguments(line);
    fileops::CDeleteParameters p;
    for (CCommandArgument* s : split.switches) {
        if (SwitchIs(*s, "/p"))
            p.promptFirst = true;
        else if (SwitchIs(*s, "/y"))
            p.promptFirst = false;
        else if (SwitchIs(*s, "/z"))
            p.deleteType = fileops::kDeleteZap;
        else if (SwitchIs(*s, "/r"))
            p.deleteType = fileops::kDeleteRecycle;
        else
            return line.Fail(msg::kUnknownParameter, s->text.c_str(), name);
    }
    bool group = false, wildcard = false;
    for (CCommandArgument* a : split.others) {
        if (a->cls == kArgDirectory || a->cls == kArgZipFile || a->cls == kArgDrive)
            return line.Fail("A directory was specified without a wildcard! Please re-enter the "
                             "command with a wildcard or use the RMDIR command to remove the "
                             "directory!");
        group = group || a->IsGroup();
        wildcard = wildcard || a->IsWildcard();
    }
    if (group && wildcard)
        return line.Fail("You cannot specify a file group and a wildcard!");
    if (split.others.empty())
        return line.Fail("Nothing specified to delete!");
    if (split.others.size() > 1)
        return line.Fail(msg::kTooMany, name);
    FileSet set;
    if (!FilesOf(line, *split.others.front(), &set))
        return line.Fail(msg::kInvalidParameter, split.others.front()->text.c_str(), name);
    p.directory = set.directory;
    p.files = std::move(set.files);
    p.descriptions = line.Context().Options().fourDosDescriptions;
    fileops::CDeleteJob job(p);
    return RanToEnd(line, job) && !p.files.empty();
}

// --- DESCRIBE -----------------------------------------------------------------

bool Describe(CCommandLine& line) {
    const char* name = CommandName(CommandId::Describe);
    Split split = SplitArguments(line);
    if (!split.switches.empty())
        return line.Fail(msg::kUnknownSwitch, split.switches.front()->text.c_str(), name);
    if (split.others.size() < 2)
        return line.Fail(
            "A filename and/or description was not supplied for the DESCRIBE comamnd!");
    if (split.others.size() > 2)
        return line.Fail(msg::kTooMany, name);
    const CCommandArgument& file = *split.others[0];
    if (InZip(file))
        return line.Fail("File descriptions are not supported within ZIP files.");
    if (file.cls != kArgFile && file.cls != kArgDirectory && file.cls != kArgZipFile)
        return line.Fail(msg::kInvalidParameter, file.text.c_str(), name);
    if (platform::IsRootPath(file.fullPath))
        return line.Fail(msg::kInvalidParameter, file.text.c_str(), name);
    const std::string directory = platform::ParentDosPath(file.fullPath);
    descriptions::C4DosDescriptionDatabase database(line.Context().DriveSnapshot());
    if (!database.SetDirectory(directory) || !database.Set(file.name, split.others[1]->text))
        return line.Fail("Unable to update description for '%s'!", file.text.c_str());
    database.Release();
    line.Context().Notices().Notify({ui::ChangeKind::Changed, file.fullPath, ""});
    return true;
}

// --- LABEL --------------------------------------------------------------------

// The host's root and the user's home are never removed or relabelled,
// whatever a drive maps them to.
bool IsProtectedHostDirectory(const std::string& hostPath) {
    char resolved[PATH_MAX];
    std::string real = ::realpath(hostPath.c_str(), resolved) ? resolved : hostPath;
    if (real == "/")
        return true;
    const char* home = std::getenv("HOME");
    if (home && *home) {
        std::string realHome = ::realpath(home, resolved) ? resolved : home;
        if (real == realHome)
            return true;
    }
    return false;
}

// The file systems whose labels can be set, for the refusal of any other.
constexpr const char* kLabelFileSystems =
    "Labels can be set on ext2, ext3, ext4, FAT (vfat), exFAT, NTFS, btrfs and XFS file systems.";

// Sets a volume label with the file system's tool, off the front end's
// thread where the front end has one: the tool may take a while.
class CLabelJob : public ui::Job {
  public:
    CLabelJob(platform::VolumeDetails volume, std::string label)
        : m_volume(std::move(volume)), m_label(std::move(label)) {}
    std::string Title() const override { return "Volume Label"; }
    std::string DriveLetters() const override { return std::string(1, m_volume.letter); }
    ui::JobResult Run(ui::OperationContext& context) override {
        ui::JobResult result;
        platform::SysError err;
        if (!platform::SetVolumeLabel(m_volume, m_label, &err)) {
            context.Ui().Message(ui::LimitMessageText(err.message), kCommandLineCaption,
                                 ui::Buttons::Ok, ui::Icon::Error);
            result.ok = false;
            return result;
        }
        result.summary = "Label of drive " + std::string(1, m_volume.letter) + ": set";
        return result;
    }

  private:
    platform::VolumeDetails m_volume;
    std::string m_label;
};

bool Label(CCommandLine& line) {
    const char* name = CommandName(CommandId::Label);
    Split split = SplitArguments(line);
    if (!split.switches.empty())
        return line.Fail(msg::kUnknownSwitch, split.switches.front()->text.c_str(), name);
    if (split.others.size() < 2 || split.others[0]->cls != kArgDrive)
        return line.Fail("A drive and/or label must be specified for LABEL command!");
    if (split.others.size() > 2)
        return line.Fail(msg::kTooMany, name);
    const char letter = split.others[0]->text[0] & ~0x20;
    const std::string& label = split.others[1]->text;
    const platform::DriveMap& drives = line.Context().Drives();
    if (IsProtectedHostDirectory(drives.Root(letter)))
        return line.Fail("Drive '%c' is the root of the file system or the home directory; its "
                         "label is never changed here!",
                         letter);
    platform::VolumeDetails volume;
    platform::SysError err;
    if (!platform::ReadVolume(letter, drives, line.Host().Mounts(), &volume, &err))
        return line.Fail("%s", err.message.c_str());
    std::string refusal = platform::LabelRefusal(volume, label);
    if (!refusal.empty()) {
        if (volume.isFileSystemRoot && platform::LabelRulesFor(volume.fsType) == nullptr)
            refusal += std::string("\n") + kLabelFileSystems;
        return line.Fail("%s", refusal.c_str());
    }
    const std::string question =
        volume.label.empty()
            ? ui::FormatText("Drive %c: has no volume label. Set its label to '%s'?", letter,
                             label.c_str())
            : ui::FormatText("Change the volume label of drive %c: from '%s' to '%s'?", letter,
                             volume.label.c_str(), label.c_str());
    if (!line.Context().Ui().AskYesNo(question, kCommandLineCaption))
        return false;
    CLabelJob job(volume, label);
    return RanToEnd(line, job);
}

// --- MKDIR --------------------------------------------------------------------

bool Mkdir(CCommandLine& line) {
    const char* name = CommandName(CommandId::Mkdir);
    const std::vector<CCommandArgument>& args = line.Arguments();
    if (!args.empty() && args.front().cls == kArgSwitch)
        return line.Fail(msg::kUnknownSwitch, args.front().text.c_str(), name);
    if (args.empty())
        return line.Fail("A directory name was not specified to be created!");
    if (args.size() > 1)
        return line.Fail(msg::kTooMany, name);
    const CCommandArgument& a = args.front();
    if (a.cls == kArgDirectory || a.cls == kArgZipFile)
        return line.Fail("Directory '%s' already exists!", a.text.c_str());
    if (a.cls != kArgNewName)
        return line.Fail(msg::kInvalidParameter, a.text.c_str(), name);
    fileops::CMakeDirectoryParameters p;
    p.currentDirectory = line.Context().currentDirectory;
    p.name = a.fullPath;
    const std::string& path = a.fullPath;
    p.zip = path.size() > 7 && platform::NamesEqual(path.substr(path.size() - 4), ".ZIP");
    fileops::CMakeDirectoryJob job(p);
    line.Host().RunJob(job, line.Context());
    return job.Made().has_value();
}

// --- RENAME -------------------------------------------------------------------

bool Rename(CCommandLine& line) {
    const char* name = CommandName(CommandId::Rename);
    Split split = SplitArguments(line);
    if (!split.switches.empty())
        return line.Fail(msg::kUnknownSwitch, split.switches.front()->text.c_str(), name);
    if (split.others.empty())
        return line.Fail(msg::kNoSource, name);
    if (split.others.size() < 2)
        return line.Fail(msg::kNoTarget, name);
    if (split.others.size() > 2)
        return line.Fail(msg::kTooMany, name);
    CCommandArgument& source = *split.others[0];
    const CCommandArgument& target = *split.others[1];
    if (InZip(source))
        return line.Fail("You cannot name a file within a ZIP file!");
    if (target.cls == kArgDirectory || target.cls == kArgDrive)
        return line.Fail(
            "The target parameter is a directory! Please re-issue the command as a MOVE command.");
    // The new name: a name or a pattern, as typed; a path contributes its
    // last component.
    std::string newName = target.text;
    if (newName.find_first_of("\\/:") != std::string::npos)
        newName = target.name;
    if (newName.empty() || target.IsGroup() || target.IsSwitch())
        return line.Fail(msg::kInvalidTarget, target.text.c_str(), name);
    const bool descriptions = line.Context().Options().fourDosDescriptions;
    if (source.cls == kArgDirectory || source.cls == kArgFile || source.cls == kArgZipFile) {
        if (platform::IsRootPath(source.fullPath))
            return line.Fail(msg::kInvalidSource, source.text.c_str(), name);
        fileops::CRenameOneJob job(source.fullPath, newName, descriptions);
        return RanToEnd(line, job);
    }
    FileSet set;
    if (!FilesOf(line, source, &set))
        return line.Fail(msg::kInvalidSource, source.text.c_str(), name);
    fileops::CRenameParameters p;
    p.directory = set.directory;
    p.files = std::move(set.files);
    p.newName = newName;
    p.descriptions = descriptions;
    if (p.files.empty())
        return line.Fail("There are no files in the selected group to rename!");
    fileops::CRenameJob job(p);
    return RanToEnd(line, job) && job.Outcome().failed == 0;
}

// --- RMDIR --------------------------------------------------------------------

bool Rmdir(CCommandLine& line) {
    const char* name = CommandName(CommandId::Rmdir);
    Split split = SplitArguments(line);
    fileops::CRemoveDirectoryParameters p;
    for (CCommandArgument* s : split.switches) {
        if (SwitchIs(*s, "/p"))
            p.promptFirst = true;
        else if (SwitchIs(*s, "/y"))
            p.promptFirst = false;
        else if (SwitchIs(*s, "/z"))
            p.deleteType = fileops::kDeleteZap;
        else
            return line.Fail(msg::kUnknownSwitch, s->text.c_str(), name);
    }
    if (split.others.empty())
        return line.Fail("A directory was not specified to remove!");
    if (split.others.size() > 1)
        return line.Fail(msg::kTooMany, name);
    const CCommandArgument& a = *split.others.front();
    if (a.cls != kArgDirectory && a.cls != kArgDrive && a.cls != kArgZipFile)
        return line.Fail(msg::kInvalidParameter, a.text.c_str(), name);
    p.directory = a.cls == kArgZipFile ? a.fullPath : a.directory;
    std::string host;
    if (!a.inZip && platform::DosToHost(p.directory, &host, nullptr, line.Context().Drives()) &&
        IsProtectedHostDirectory(host))
        return line.Fail("'%s' is the root of the file system or the home directory and is never "
                         "removed!",
                         a.text.c_str());
    if (platform::IsRootPath(p.directory) && !p.promptFirst) {
        std::string question = ui::FormatText(
            "You have requested to remove all the directories and files on drive '%c' without "
            "being prompted! Are you sure?",
            p.directory[0]);
        if (!line.Host().ConfirmDangerous(question, kCommandLineCaption))
            return false;
    }
    p.descriptions = line.Context().Options().fourDosDescriptions;
    fileops::CRemoveDirectoryJob job(p);
    return RanToEnd(line, job) && job.Outcome().skipped == 0;
}

// --- TOUCH --------------------------------------------------------------------

bool Touch(CCommandLine& line) {
    const char* name = CommandName(CommandId::Touch);
    Split split = SplitArguments(line);
    if (!split.switches.empty())
        return line.Fail(msg::kUnknownSwitch, split.switches.front()->text.c_str(), name);
    if (split.others.empty())
        return line.Fail(msg::kNothingToDo, name);
    if (split.others.size() > 1)
        return line.Fail(msg::kTooMany, name);
    CCommandArgument& a = *split.others.front();
    if (a.cls == kArgDirectory && !a.inZip)
        return line.Fail("A filename or wildcard needs to be specified with a directory to TOUCH!");
    if (InZip(a) || a.cls == kArgZipFile)
        return line.Fail("You cannot change the date/times of files within a zip file!");
    FileSet set;
    if (!FilesOf(line, a, &set))
        return line.Fail(msg::kInvalidParameter, a.text.c_str(), name);
    fileops::CTouchParameters p;
    p.directory = set.directory;
    p.files = std::move(set.files);
    p.fields = fileops::ReadTouchSettings(
        [&line](const std::string& section, const std::string& key, int def) {
            return line.Host().ReadSettingInt(section, key, def);
        });
    std::string refusal = fileops::ValidateTouch(p);
    if (!refusal.empty())
        return line.Fail("%s", refusal.c_str());
    fileops::CFileTouch job(p);
    return RanToEnd(line, job);
}

// --- ZipToExe -----------------------------------------------------------------

bool ZipToExe(CCommandLine& line) {
    const char* name = CommandName(CommandId::ZipToExe);
    Split split = SplitArguments(line);
    if (!split.switches.empty())
        return line.Fail(msg::kUnknownSwitch, split.switches.front()->text.c_str(), name);
    if (split.others.empty())
        return line.Fail("A zip file was not specified to convert!");
    if (split.others.size() > 1)
        return line.Fail(msg::kTooMany, name);
    const CCommandArgument& a = *split.others.front();
    if (a.cls != kArgZipFile)
        return line.Fail(msg::kInvalidParameter, a.text.c_str(), name);
    // The builder's dialog takes its defaults: the saved company name, no
    // extraction directory, no file to start.
    fileops::ZipToExeParameters p;
    p.zipPath = a.fullPath;
    p.companyName =
        line.Host().ReadSettingString(fileops::kZipToExeSection, fileops::kCompanyNameKey);
    fileops::CZipToExeJob job(p);
    return RanToEnd(line, job) && !job.OutputPath().empty();
}

} // namespace

bool RunExecutor(CommandId id, CCommandLine& line) {
    switch (id) {
    case CommandId::Attrib:
        return Attrib(line);
    case CommandId::Chdir:
        return Chdir(line);
    case CommandId::Copy:
        return CopyOrMove(line, false);
    case CommandId::Move:
        return CopyOrMove(line, true);
    case CommandId::Delete:
        return Delete(line);
    case CommandId::Describe:
        return Describe(line);
    case CommandId::Dir:
        return Dir(line);
    case CommandId::Label:
        return Label(line);
    case CommandId::Mkdir:
        return Mkdir(line);
    case CommandId::Rename:
        return Rename(line);
    case CommandId::Rmdir:
        return Rmdir(line);
    case CommandId::Touch:
        return Touch(line);
    case CommandId::ZipToExe:
        return ZipToExe(line);
    }
    return false;
}

} // namespace vorlane::command
