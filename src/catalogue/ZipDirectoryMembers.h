// The members of a zip directory as zip members: lookups by index and by
// base name, and the archive's totals (the catalogue's counts plus the
// compressed sum and the overall ratio). The catalogue's own counts of a
// CZipFileDirectory hold the member count, the uncompressed sum, the shown
// ("second flag") and the tagged totals; these add what only a zip member
// knows. Anyone holding a zip directory may call them.
#pragma once

#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CZipFileInfo.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::catalogue {

struct ZipDirectoryTotals {
    uint32_t members = 0;
    uint64_t compressed = 0;
    uint64_t uncompressed = 0;
    uint32_t shownCount = 0; // members whose shown flag is set
    uint64_t shownSize = 0;
    uint32_t taggedCount = 0;
    uint64_t taggedSize = 0;
    // 100 - compressed * 100 / uncompressed, truncated; 0 when empty.
    int ratio = 0;
};

// The member at index; null outside 0 to count - 1 (or for an entry that
// is not a zip member).
CZipFileInfo* ZipMember(const CZipFileDirectory& directory, int index);
// The first member whose base name equals name without regard to case: a
// lookup for showing one member. Changes address members by their real
// names (CZipFileInfo::RealName), since several may share a base name.
CZipFileInfo* ZipMemberByName(const CZipFileDirectory& directory, std::string_view name);
// Drops the members of state 2, counts the directory again and returns
// its totals.
ZipDirectoryTotals RecountZipTotals(CZipFileDirectory& directory);
// The real names of members, in their order, for the changes of
// zip::CZipFileOperation that address members exactly; null entries are
// left out.
std::vector<std::string> ZipRealNames(const std::vector<const CZipFileInfo*>& members);

} // namespace vorlane::catalogue
