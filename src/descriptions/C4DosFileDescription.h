// One line of a 4DOS description file: a file name and its one-line
// description, and the text form of a whole DESCRIPT.ION file.
//
// The file holds one entry per line, "name description": the name, one
// blank, the text (further blanks belong to the text). A name that holds a
// blank is written in double quotes ("my file.txt" text), as the 4DOS
// family and its successors do; both forms are read. A line without a
// blank is a name with an empty description. CR characters are dropped.
// docs/formats/DESCRIPT.ION.md describes the file byte by byte.
//
// Names are kept in host form (the bytes of the name on disk, as other
// programs that share the file write them) and compared as the program
// compares names: ASCII letters without regard to case, other bytes
// exactly. Pure text work: anyone may call these.
#pragma once

#include "platform/SysError.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::descriptions {

constexpr const char* kDescriptionFileName = "DESCRIPT.ION";
constexpr const char* kDescriptionBackupName = "DESCRIPT.BAK";

struct C4DosFileDescription {
    std::string name;        // host form; never empty, never holds CR or LF
    std::string description; // never holds CR or LF; may be empty or hold blanks

    friend bool operator==(const C4DosFileDescription&, const C4DosFileDescription&) = default;
};

// <0, 0, >0 as a sorts before, with or after b, ASCII case ignored.
int CompareNames(std::string_view a, std::string_view b);

// True when a name can have an entry: not empty, no line break (CR or
// LF), and writable so that it reads back the same (it does not begin with
// a double quote, and does not hold both a blank and a double quote).
bool CanDescribe(std::string_view hostName);

// text without its CR and LF characters.
std::string WithoutLineBreaks(std::string_view text);

// The entries of a file's text, sorted by name (entries whose names differ
// only in case keep the order of the file). Lines of any length are read
// whole; empty lines are skipped.
std::vector<C4DosFileDescription> ParseDescriptions(std::string_view text);

// The line of one entry, with its "\n".
std::string FormatDescriptionLine(const C4DosFileDescription& entry);
// The text of a whole file: every entry's line, in the order given.
std::string FormatDescriptions(const std::vector<C4DosFileDescription>& entries);

// The index of name's entry in sorted entries: the entry spelled exactly
// so, else the first equal ignoring case; entries.size() when none.
size_t FindDescription(const std::vector<C4DosFileDescription>& entries, std::string_view name);
// Inserts entry at its sorted place (after entries equal ignoring case).
void InsertDescription(std::vector<C4DosFileDescription>* entries, C4DosFileDescription entry);

// The host path (through the drive map) of the description file of a DOS
// directory (an existing
// file found without regard to case; else the name DESCRIPT.ION).
bool DescriptionFileOf(const platform::DriveMap& drives, const std::string& dosDirectory,
                       std::string* hostPath, platform::SysError* err = nullptr);

// Reads the description file of a DOS directory (through the drive map), changing nothing on disk.
// A directory without one gives no entries and true; a file that exists but
// cannot be read gives false and err.
bool ReadDescriptionFile(const platform::DriveMap& drives, const std::string& dosDirectory,
                         std::vector<C4DosFileDescription>* entries,
                         platform::SysError* err = nullptr);

} // namespace vorlane::descriptions
