// CHabitabArray: the application's list of habitabs, owned, kept in order:
// the habitab named "Default" first, then the others by name. Names compare
// without regard to ASCII case (then by their bytes, so the order is fixed);
// other characters, UTF-8 included, compare and are kept exactly. The
// same rule decides whether two names clash: "alpha" and "Alpha" are one
// name to the dialog's checks.
//
// A new array holds one built-in "Default" habitab; a load that finds
// none adds one, so the list is never empty after a load.
//
// Settings form: "# of Habitabs" in section "General", then one section
// "Habitab %02d Settings" per habitab, numbered from 00 by position.
//
// One thread (the GUI's); not shared between threads.
#pragma once

#include "display/CHabitabItem.h"

#include <string>
#include <vector>

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::display {

// The most habitabs a load reads: a damaged count does not make a run
// read millions of empty sections.
constexpr int kMaxHabitabs = 1000;

// "Habitab 03 Settings" for index 3.
std::string HabitabSection(int index);

// Whether name may name a habitab: not empty, at most
// kMaxHabitabNameLength characters (UTF-8 sequences count as one).
bool HabitabNameFits(const std::string& name);
// <0, 0, >0: the list's order of two names ("Default" first).
int CompareHabitabNames(const std::string& a, const std::string& b);

class CHabitabArray {
  public:
    CHabitabArray();

    int Count() const { return static_cast<int>(m_items.size()); }
    // Null outside 0 .. Count()-1.
    CHabitabItem* Item(int index);
    const CHabitabItem* Item(int index) const;
    // "" outside the list.
    std::string Name(int index) const;
    // The habitab of that name: the one spelt exactly so, else one equal
    // without regard to ASCII case; -1 when none.
    int IndexOf(const std::string& name) const;
    // Appends a copy, sorts, and returns the new index of its name.
    int Add(const CHabitabItem& item);
    // Removes the habitab at index; false outside the list.
    bool Remove(int index);
    // Puts the list in its order (stable: equal names keep theirs).
    void Sort();

    // Empties the list and reads it from settings; an empty result gets a
    // "Default" habitab.
    void Load(const platform::ProfileFile& settings, const search::CFileSetLookup* sets);
    // Writes the count and every habitab (memory only; the caller flushes).
    void Save(platform::ProfileFile& settings) const;
    // The same on the file at hostPath: Load reads it (a missing or
    // unreadable file gives the "Default" habitab); Save rewrites it once,
    // false when it could not.
    bool LoadFile(const std::string& hostPath, const search::CFileSetLookup* sets);
    bool SaveFile(const std::string& hostPath) const;

  private:
    std::vector<CHabitabItem> m_items;
};

} // namespace vorlane::display
