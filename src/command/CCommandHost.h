// CCommandHost: what a command line needs from the front end that runs it
// (the frame's "Command:" field for the active window, the console, a
// test). The command module builds parameters and runs the file operation
// drivers; everything that belongs to a window or a terminal comes from
// here.
//
// One thread: the front end's. Every call is made while a line runs.
#pragma once

#include "platform/Drives.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <string>
#include <vector>

namespace vorlane::command {

class CCommandHost {
  public:
    virtual ~CCommandHost() = default;

    // The context a command's operations run with: the user interface,
    // the drive map, the options, the change sink, and the working
    // directory (currentDirectory, a full DOS path) that relative names are
    // taken against.
    virtual ui::OperationContext Context() = 0;

    // Runs a job to its end and returns its result. The default runs it
    // at once on the calling thread.
    virtual ui::JobResult RunJob(ui::Job& job, ui::OperationContext& context);

    // The names of the files of a file group (1 every, 2 tagged, 3
    // untagged, 4 current) in the working directory, in group order.
    virtual std::vector<std::string> GroupFiles(int group) = 0;

    // CHDIR: the working directory becomes dosDirectory (the active window
    // shows it). False when it cannot.
    virtual bool ChangeDirectory(const std::string& dosDirectory) = 0;
    // DIR: shows dosDirectory, restricted to the files matching pattern
    // ("*.*" when only a directory was given).
    virtual bool ShowDirectory(const std::string& dosDirectory, const std::string& pattern) = 0;
    // The word "D:" alone: the active window shows drive letter.
    virtual void SwitchDrive(char letter) = 0;
    // "/?": the help at a context number.
    virtual void ShowHelp(int helpContext) = 0;
    // A question that no "yes to all" of the front end may answer (RMDIR
    // of a drive's root without prompts). The default asks the context's
    // user interface.
    virtual bool ConfirmDangerous(const std::string& text, const std::string& caption);
    // A line that is no command starts a program or opens a document:
    // hostFile is the command word made a host path when it names an
    // existing file, else the word as typed (a program looked up in the
    // search path); args are the other tokens, each its own word (no shell
    // ever sees them). Returns the launcher's result (32 or more: started).
    // The default uses the platform's launcher.
    virtual int Launch(const std::string& hostFile, bool existingFile,
                       const std::vector<std::string>& args, const std::string& workDir);
    // One integer and one text setting ("Date/Time Options" for TOUCH,
    // the ZipToExe company name). The defaults return def and "".
    virtual int ReadSettingInt(const std::string& section, const std::string& key, int def);
    virtual std::string ReadSettingString(const std::string& section, const std::string& key);
    // The mounts that tell what a drive's root lies on (LABEL). The default
    // reads the system's table.
    virtual const platform::MountTable& Mounts();
};

} // namespace vorlane::command
