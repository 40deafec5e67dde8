// Numbers the catalogue shares with the rest of the program: drive kinds,
// directory kinds, file states, file groups, the line text flags and the
// command ids of the file manager window that the catalogue carries out.
#pragma once

#include <cstdint>

namespace vorlane::catalogue {

// What kind of drive container a drive is (the first operation of each).
enum DriveKind : int {
    kDriveIncremental = 1,     // a logged plain drive ("C:")
    kDriveZip = 99,            // a zip file opened as an archive
    kDriveMultiVolumeZip = 100 // a multi-volume zip file
};

// What kind of directory container a directory is.
enum DirectoryKind : int {
    kDirectoryPlain = 1,       // CDirectoryInfo
    kDirectoryZip = 2,         // a zip file met by a drive scan
    kDirectoryZipFailed = 3,   // a zip directory whose reading failed
    kDirectoryZipArchive = 99, // the zip directory of a CDriveZip
    kDirectoryZipMultiVolume = 100
};

constexpr bool IsZipDirectoryKind(int kind) {
    return kind == kDirectoryZip || kind == kDirectoryZipFailed || kind == kDirectoryZipArchive ||
           kind == kDirectoryZipMultiVolume;
}

// A file container's state word.
enum FileState : int {
    kFileNormal = 0,
    kFileGone = 2 // the file vanished; dropped at the next count
};

// File groups of the current directory; the words the command line types.
enum FileGroup : int {
    kGroupNone = 0,
    kGroupEvery = 1,    // "[every]": every shown file
    kGroupTagged = 2,   // "[tagged]": every shown file that is tagged
    kGroupUntagged = 3, // "[untagged]": every shown file that is not tagged
    kGroupCurrent = 4   // "[current]": every file whose name matches the current pattern
};

// Parts of a file's line text (printed lists), appended in this order:
// name, type name, size, date and time, attributes, path, description.
enum LineTextFlag : uint32_t {
    kLineName = 0x001,
    kLineSize = 0x002,
    kLineTypeName = 0x004,
    kLineDateTime = 0x008,
    kLineAttributes = 0x040,
    kLinePath = 0x400,
    kLineDescription = 0x800,
};

// Command ids of the file manager window (menus 200 and 500) that the
// catalogue carries out through CFileManagerSession.
enum CommandId : int {
    kCmdExpandOneLevel = 14305,
    kCmdExpandBranch = 14310,
    kCmdExpandAll = 14315,
    kCmdCollapseBranch = 14320,
    kCmdOpenToLevel0 = 14325, // 14325 to 14334: Open To Level 0 to 9
    kCmdOpenToLevel9 = 14334,

    kCmdTagFile = 14405,
    kCmdTagEvery = 14410,
    kCmdInvertAll = 14415,
    kCmdInvertFile = 14420,
    kCmdTagModified = 14425,
    kCmdTagToday = 14430,
    kCmdCustomTag = 14435,
    kCmdUntagFile = 14440,
    kCmdUntagAll = 14445,

    kCmdSortByFilename = 14505,
    kCmdSortByExtension = 14510,
    kCmdSortBySize = 14515,
    kCmdSortByDate = 14520,
    kCmdUnsorted = 14521,
    kCmdCustomSort = 14525,
};

} // namespace vorlane::catalogue
