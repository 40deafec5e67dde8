// The order of a file list under a window's display settings.
//
// Comparing files a and b:
//   1. shown files come before the others;
//   2. sort method 10 (unsorted) keeps the listing order (the index);
//   3. otherwise the two sort keys in turn, each times its direction:
//      name (without regard to case), extension (the text from the first
//      "."; a name without one comes first), size (bytes), date and time
//      (date in the high 16 bits, time in the low), attributes;
//   4. when both keys give 0, the names without regard to case, ascending;
//   5. then the names' bytes, then the listing order, so the order is total
//      and the same on every run.
#pragma once

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDisplaySettings.h"

namespace vorlane::catalogue {

// One key: <0, 0 or >0 before the direction is applied.
int CompareFilesByKey(const CFileContainer& a, const CFileContainer& b, int field);
// The whole comparison above.
int CompareFiles(const CFileContainer& a, const CFileContainer& b,
                 const CDisplaySettings& settings);
// Sorts the list by CompareFiles.
void SortFiles(CDirectoryContainer::FileList& files, const CDisplaySettings& settings);

} // namespace vorlane::catalogue
