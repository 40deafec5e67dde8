// The command-line find: `vorlane --find DOSPATH [options]` runs the find
// engine (search/CFileFinder.h) over a drive's tree and prints the DOS path
// of every file found, one a line, as they are found. The executable's
// entry hands over the arguments that follow "--find" and the drive map;
// the tests call it directly with a map of their own.
#pragma once

#include "platform/Drives.h"
#include "search/CFileSearchRequest.h"

#include <ostream>
#include <string>

namespace vorlane::console {

// The operand forms of the condition options, each turned into conditions
// of a search request (false with *error set on a bad operand):
//   --size  [OP]N[K|M|G]  size in kilobytes (a file's size rounded up to
//                         whole KB); M and G multiply by 1024 and 1024^2
//   --date  [OP]YYYY-MM-DD or [OP]MM/DD/YYYY   the day of the last write
//   --attrib  +LETTERS-LETTERS  A, H, R, S: "+" the file has each of
//                         them, "-" it has none of them ("rh" = "+rh")
// OP is one of = != <> > >= < <= ("=" when left out).
bool AddSizeCondition(const std::string& operand, search::CFileSearchRequest* request,
                      std::string* error);
bool AddDateCondition(const std::string& operand, search::CFileSearchRequest* request,
                      std::string* error);
bool AddAttributeConditions(const std::string& operand, search::CFileSearchRequest* request,
                            std::string* error);

// argv holds the options and DOSPATH (not the program name nor "--find").
// File sets named in --name are read through sets (null: they add nothing).
// Returns 0 when a file was found, 1 when none was, 2 on an error (a bad
// option or operand, a drive that is not mapped, a bad pattern, a root
// that cannot be read) with its message on err.
int FindMain(int argc, char** argv, std::ostream& out, std::ostream& err,
             const platform::DriveMap& drives, const search::CFileSetLookup* sets);

} // namespace vorlane::console
