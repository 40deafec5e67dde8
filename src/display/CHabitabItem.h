// CHabitabItem: one named set of a file manager window's display settings
// (a habitab): which panes the window shows, how its file list is sorted,
// which detail columns it shows for plain files and for zip members, its
// display mode and its file search conditions.
//
// The same record is the window's own settings: a window's session holds
// one, with the name of the habitab it came from, and the catalogue sorts
// and matches its drives by it. Applying a habitab copies a whole item over
// the window's; nothing else keeps a copy of these fields.
//
// Sort methods: 1 name (keys name, extension), 2 extension (extension,
// name), 3 size (size, name), 4 date (date, name); 6 to 9 the same in
// descending order; 5 custom (the keys as chosen); 10 unsorted (the order
// the directory listing gave).
//
// Settings form (one section of VORLANE.INI, keys in the order written):
// "Name", "Display Command Line", "DisplayViewerWindow", "DriveSortMethod",
// "FileDisplayMode", "FileDisplayDetails", "ZipDisplayDetails",
// "# of Search Conditions", "Search Condition %02d" (one per condition,
// "%d,%d,%s": field, operator, operand), "FileSortKeys" ("%d,%d,%d,%d").
//
// A value; copy freely. One thread at a time.
#pragma once

#include "search/CFileSearchRequest.h"

#include <cstdint>
#include <string>

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::display {

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

// Detail column bits of plain files ("Fields To Display").
enum FileDetailBits : uint32_t {
    kDetailName = 0x0001, // always set
    kDetailSize = 0x0002,
    kDetailType = 0x0004,
    kDetailLastAccess = 0x0008,
    kDetailCreation = 0x0010,
    kDetailLastWrite = 0x0020,
    kDetailAttributes = 0x0040,
    kDetailPath = 0x0400,
    kDetailDescription = 0x0800,
    kDetailLowercase = 0x4000,
    kDetailIcons = 0x8000,
};

constexpr const char* kDefaultHabitabName = "Default";
// The longest habitab name, in characters (not bytes).
constexpr size_t kMaxHabitabNameLength = 39;

class CHabitabItem {
  public:
    static constexpr uint32_t kDefaultFileDetails = 0xC04F;
    static constexpr uint32_t kDefaultZipDetails = 0x43CB;

    std::string name = kDefaultHabitabName; // the habitab the settings came from
    bool displayCommandLine = true;
    bool displayViewerWindow = false;
    int sortMethod = kSortMethodName;
    CSortKey sortKeys[2] = {{kSortName, 1}, {kSortExtension, 1}};
    int fileDisplayMode = 0; // 4: thumbnails; the window owns the others
    uint32_t fileDisplayDetails = kDefaultFileDetails;
    uint32_t zipDisplayDetails = kDefaultZipDetails;
    // The file search conditions; none shows every file.
    search::CFileSearchRequest conditions;

    // Sets the method and fills the keys from it. Method 5 takes the two
    // custom keys (without them it becomes method 1); an unknown method
    // becomes method 1. Method 10 keeps the keys.
    void SetSortMethod(int method, const CSortKey* customKeys = nullptr);
    // True when the two differ in which panes they show: applying one over
    // the other lays the window's panes out again.
    bool PanesDiffer(const CHabitabItem& other) const {
        return displayCommandLine != other.displayCommandLine ||
               displayViewerWindow != other.displayViewerWindow;
    }

    // Reads the item's keys from section; what a key lacks keeps the
    // item's value (the defaults above for a fresh item). An empty "Name"
    // (or none) sets an empty name and reads nothing more. Damaged values
    // read safely: numbers as the profile reader gives them, a search
    // condition that does not parse is left out, at most
    // CFileSearchRequest::kMaxConditions are read, and "FileSortKeys"
    // takes effect only when it holds four numbers with valid fields.
    // Filename operands expand file sets through sets (null: none).
    void Read(const platform::ProfileFile& settings, const std::string& section,
              const search::CFileSetLookup* sets);
    // Writes every key into section (memory only; the caller flushes).
    // Condition keys of an earlier, longer list stay as they were.
    void Write(platform::ProfileFile& settings, const std::string& section) const;
};

// Every field but the name equal (conditions by field, operator, operand).
bool SameSettings(const CHabitabItem& a, const CHabitabItem& b);

} // namespace vorlane::display
