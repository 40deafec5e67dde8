// Number texts of the status bar: counts with thousands separators and
// sizes scaled to KB, MB, GB, TB, PB or EB. All values are 64-bit whole bytes.
#pragma once

#include <cstdint>
#include <string>

namespace vorlane::catalogue {

enum SizeFormatFlag : unsigned {
    kSizeSeparators = 1, // "," between groups of three digits
    kSizeScale = 2,      // divide by 1024 at least once and name the unit
    kSizeOneDecimal = 4, // round to one decimal and show it
};

// The digits with "," between groups of three (1234567 gives "1,234,567");
// when that is longer than width, the plain digits right-aligned in
// width - 1 characters.
std::string FormatCount(uint64_t number, int width);

// bytes as the flags ask (1536 with all three gives "1.5KB", 1048576 gives
// "1,024.0KB", 1048577 "1.0MB"); when the text is longer than width, the
// unscaled value with "%*f" in width - 1 characters.
std::string FormatSize(uint64_t bytes, unsigned flags, int width);

} // namespace vorlane::catalogue
