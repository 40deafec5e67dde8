// DOS path text: the order of names and paths, and small helpers that
// join, split and normalize paths. Text only: nothing here reads the disk
// or the drive map. Any module may use these.
//
// Names compare without regard to ASCII case (letters fold to lower case,
// as strcasecmp does); names equal that way are ordered by their bytes, so
// "README" and "readme" (two files on Linux) keep a fixed order.
//
// Paths compare component by component, each component as a name. This
// keeps a directory's descendants directly after it ("C:\A", "C:\A\B",
// "C:\A-B": a plain text compare would put "C:\A-B" between "C:\A" and
// "C:\A\B", because "-" sorts before "\"), which the directory vector of a
// drive relies on to remove a subtree as one run.
#pragma once

#include <string>
#include <string_view>

namespace vorlane::platform {

// <0, 0, >0 comparing names without regard to ASCII case only.
int CompareNoCase(std::string_view a, std::string_view b);
// CompareNoCase, then the bytes: 0 only for identical names.
int CompareNames(std::string_view a, std::string_view b);
// Component by component, each by CompareNames; "C:\" and "C:" are equal.
int ComparePaths(std::string_view a, std::string_view b);

// Number of backslashes in a normalized path; 0 for a root ("C:\").
int PathLevel(std::string_view path);
// True for "C:\" (three characters).
bool IsRootPath(std::string_view path);
// The upper-cased letter of a path ("c:\x" gives 'C'); 0 when it has none.
char PathDriveLetter(std::string_view path);
// The form the program keeps: upper-case drive letter, "/" read as "\",
// no doubled or trailing backslash except the root's ("C:\"). Components
// keep their case. Paths without "X:" come back as they are.
std::string NormalizeDosPath(std::string_view path);
// Joins a directory path and a name ("C:\" + "A" gives "C:\A").
std::string JoinDosPath(std::string_view directory, std::string_view name);
// The last component; a root is its own name ("C:\").
std::string_view LastComponent(std::string_view path);
// The parent's path ("C:\A\B" gives "C:\A", "C:\A" gives "C:\"); "" for a root.
std::string ParentDosPath(std::string_view path);

} // namespace vorlane::platform
