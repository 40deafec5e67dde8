// The display settings of one file manager window that the catalogue
// follows: the sort method and its two keys, the detail columns, the
// display mode and the file search criteria. The window (its session) owns
// one; its drives point at it for their sorts and matches. A habitab fills
// it when applied to the window.
//
// Sort methods: 1 name (keys name, extension), 2 extension (extension,
// name), 3 size (size, name), 4 date (date, name); 6 to 9 the same in
// descending order; 5 custom (the keys as chosen); 10 unsorted (the order
// the directory listing gave).
#pragma once

#include "catalogue/CatalogueServices.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vorlane::catalogue {

enum SortField : int {
    kSortName = 0,
    kSortExtension = 1,
    kSortSize = 2,
    kSortDate = 3,
    kSortAttributes = 4,
};

enum SortMethod : int {
    kSortMethodName = 1,
    kSortMethodExtension = 2,
    kSortMethodSize = 3,
    kSortMethodDate = 4,
    kSortMethodCustom = 5,
    kSortMethodNameDescending = 6,
    kSortMethodExtensionDescending = 7,
    kSortMethodSizeDescending = 8,
    kSortMethodDateDescending = 9,
    kSortMethodUnsorted = 10,
};

struct CSortKey {
    int field = kSortName;
    int direction = 1; // +1 ascending, -1 descending
    friend bool operator==(const CSortKey&, const CSortKey&) = default;
};

class CDisplaySettings {
  public:
    std::string name = "Default"; // the habitab the settings came from
    bool displayCommandLine = true;
    bool displayViewerWindow = false;
    int sortMethod = kSortMethodName;
    CSortKey sortKeys[2] = {{kSortName, 1}, {kSortExtension, 1}};
    int fileDisplayMode = 0;
    uint32_t fileDisplayDetails = 0xC04F;
    uint32_t zipDisplayDetails = 0x43CB;
    // The file search criteria; null shows every file.
    std::shared_ptr<const CFileCriteria> criteria;

    // Sets the method and fills the keys from it. Method 5 takes the two
    // custom keys (without them it becomes method 1); an unknown method
    // becomes method 1. Method 10 keeps the keys.
    void SetSortMethod(int method, const CSortKey* customKeys = nullptr);
};

} // namespace vorlane::catalogue
