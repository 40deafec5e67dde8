// The console's DIR: a directory listed in the 4DOS style, one line per
// entry (name, size or <DIR>, date, time, 4DOS description), directories
// first, then the totals.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::console {

// Lists the entries of dosDirectory whose names match pattern ("*.*":
// all) on out. A directory inside a zip file lists its member files by
// name. False, with a line saying so, when the directory cannot be read.
bool PrintDirectory(std::ostream& out, const std::string& dosDirectory, const std::string& pattern,
                    const platform::DriveMap& drives);

// 1234567 as "1,234,567".
std::string GroupedNumber(uint64_t value);

} // namespace vorlane::console
