// CCommandArgument: one token of a command line, as typed and as classified.
//
// The classifier (ClassifyArgument) decides what a token names: a drive, an
// existing directory or file, a wildcard, a new name, a switch, a file group
// word, a zip file or a place inside one. Paths are taken against the
// working directory of the command (a field of the operation context; the
// process's working directory is never used) and looked up on the disk the
// way DOS paths always are (platform/DosPath.h): the exact name first, then
// without regard to case. The paths stored spell what exists as it is on
// the disk and keep the case the user typed for the rest, so a new name is
// made as typed; nothing is cut short.
#pragma once

#include <string>
#include <vector>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::command {

// The classes, numbered as stored; the classifier tries them in the order
// of ClassifyArgument.
enum ArgumentClass : int {
    kArgInvalid = 0,        // anything not recognised
    kArgDrive = 1,          // "D:" naming a valid drive
    kArgDirectory = 2,      // an existing directory (also one inside a zip file)
    kArgFile = 3,           // an existing file (also a member of a zip file)
    kArgVolumeLabel = 4,    // an entry with the volume-label bit (never on this host)
    kArgWildcard = 5,       // a wildcard in the last component of a path to a directory
    kArgBareWildcard = 6,   // a pattern without a path: the working directory
    kArgNewName = 7,        // a path whose last component does not exist
    kArgSwitch = 8,         // "/x"
    kArgGroupCurrent = 9,   // "[current]"
    kArgGroupEvery = 10,    // "[every]"
    kArgGroupTagged = 11,   // "[tagged]"
    kArgGroupUntagged = 12, // "[untagged]"
    kArgZipFile = 13,       // an existing zip file that can be read
    kArgZipNewName = 14,    // a new name inside a zip file
    kArgZipWildcard = 15,   // a wildcard inside a zip file
    kArgDamagedZip = 16,    // a zip file that cannot be read
    kArgHelp = 17,          // "/?"
};

struct CCommandArgument {
    std::string text;      // the token as typed, quotes removed
    int cls = kArgInvalid; // an ArgumentClass
    int drive = -1;        // the drive letter, upper case; -1 when none
    std::string directory; // DOS path of the directory part ("C:\" for a root)
    std::string name;      // the last path component (file name, new name or pattern)
    std::string pattern;   // the pattern (or file name) used for matching
    std::string fullPath;  // the whole path made full
    // For the wildcard classes: the names matching the pattern, filled by
    // an executor that needs them (ExpandWildcard).
    std::vector<std::string> expansion;
    // The path lies inside a zip file (a member, a directory of it, a new
    // name or a wildcard in it).
    bool inZip = false;

    bool IsSwitch() const { return cls == kArgSwitch || cls == kArgHelp; }
    bool IsGroup() const { return cls >= kArgGroupCurrent && cls <= kArgGroupUntagged; }
    bool IsWildcard() const {
        return cls == kArgWildcard || cls == kArgBareWildcard || cls == kArgZipWildcard;
    }
    // The catalogue's number of the group word (1 every, 2 tagged, 3
    // untagged, 4 current); 0 for any other class.
    int Group() const;
};

// What a token is taken against.
struct ClassifyContext {
    const platform::DriveMap* drives = nullptr; // REQUIRES: not null
    std::string currentDirectory;               // full DOS path ("C:\DOCS")
};

// Classifies one token (first match wins):
//  1. empty: invalid; 2. "/?": help; 3. "/...": switch; 4. a file group
//  word, without regard to case; 5. a letter and ":": drive when mapped,
//  else invalid;
//  6. the token made full: an existing directory, zip file (damaged when
//  its directory cannot be read), file or member of a zip file;
//  7. a token with "\" (or "/") or a drive: a wildcard in the last
//  component (never before it) that passes the syntax check is a wildcard
//  in its zip file or directory, else invalid; without one, a new name (in
//  a zip file when the directory part is one);
//  8. a bare pattern that passes the syntax check; 9. invalid.
CCommandArgument ClassifyArgument(const std::string& token, const ClassifyContext& context);

// The full DOS path of a typed path: a drive and "\" taken as typed, a
// path starting with "\" on the working directory's drive, anything else
// below the working directory; "/" counts as "\", empty components and
// "." are dropped, ".." goes up (never above the root). A drive-relative
// "D:NAME" is taken against D:'s root. "" when the drive is no letter.
std::string MakeFullDosPath(const std::string& typed, const std::string& currentDirectory);

// The names of the files (not directories) of dosDirectory, plain or inside
// a zip file, that match pattern ("*.*" matches every name); compared upper
// case as the file groups are. In name order. False when the directory
// cannot be read.
bool ExpandWildcard(const std::string& dosDirectory, const std::string& pattern,
                    const platform::DriveMap& drives, std::vector<std::string>* names);

} // namespace vorlane::command
