#include "display/CHabitabArray.h"

#include "platform/DosPathText.h"
#include "platform/Profile.h"

#include <algorithm>
#include <cstdio>

namespace vorlane::display {

namespace {

constexpr const char* kGeneralSection = "General";
constexpr const char* kCountKey = "# of Habitabs";

bool IsDefaultName(const std::string& name) {
    return platform::CompareNoCase(name, kDefaultHabitabName) == 0;
}

CHabitabItem DefaultHabitab() {
    return CHabitabItem{}; // named "Default", with every default
}

} // namespace

std::string HabitabSection(int index) {
    char section[40];
    std::snprintf(section, sizeof section, "Habitab %02d Settings", index);
    return section;
}

bool HabitabNameFits(const std::string& name) {
    size_t characters = 0;
    for (unsigned char c : name)
        if ((c & 0xC0) != 0x80) // not a continuation byte
            ++characters;
    return characters > 0 && characters <= kMaxHabitabNameLength;
}

int CompareHabitabNames(const std::string& a, const std::string& b) {
    const bool aDefault = IsDefaultName(a);
    const bool bDefault = IsDefaultName(b);
    if (aDefault != bDefault)
        return aDefault ? -1 : 1;
    return platform::CompareNames(a, b);
}

CHabitabArray::CHabitabArray() {
    m_items.reserve(6);
    m_items.push_back(DefaultHabitab());
}

CHabitabItem* CHabitabArray::Item(int index) {
    return index >= 0 && index < Count() ? &m_items[static_cast<size_t>(index)] : nullptr;
}

const CHabitabItem* CHabitabArray::Item(int index) const {
    return index >= 0 && index < Count() ? &m_items[static_cast<size_t>(index)] : nullptr;
}

std::string CHabitabArray::Name(int index) const {
    const CHabitabItem* item = Item(index);
    return item ? item->name : std::string();
}

int CHabitabArray::IndexOf(const std::string& name) const {
    int folded = -1;
    for (int i = 0; i < Count(); ++i) {
        const std::string& own = m_items[static_cast<size_t>(i)].name;
        if (own == name)
            return i;
        if (folded < 0 && platform::CompareNoCase(own, name) == 0)
            folded = i;
    }
    return folded;
}

int CHabitabArray::Add(const CHabitabItem& item) {
    m_items.push_back(item);
    Sort();
    // The copy just added: the last of the names equal to it.
    for (int i = Count() - 1; i >= 0; --i)
        if (m_items[static_cast<size_t>(i)].name == item.name)
            return i;
    return -1;
}

bool CHabitabArray::Remove(int index) {
    if (!Item(index))
        return false;
    m_items.erase(m_items.begin() + index);
    return true;
}

void CHabitabArray::Sort() {
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const CHabitabItem& a, const CHabitabItem& b) {
                         return CompareHabitabNames(a.name, b.name) < 0;
                     });
}

void CHabitabArray::Load(const platform::ProfileFile& settings,
                         const search::CFileSetLookup* sets) {
    m_items.clear();
    const int count = std::clamp(settings.GetInt(kGeneralSection, kCountKey, 0), 0, kMaxHabitabs);
    for (int i = 0; i < count; ++i) {
        CHabitabItem item;
        item.Read(settings, HabitabSection(i), sets);
        m_items.push_back(std::move(item));
    }
    if (m_items.empty())
        m_items.push_back(DefaultHabitab());
    // A hand-edited file may hold them in another order.
    Sort();
}

void CHabitabArray::Save(platform::ProfileFile& settings) const {
    settings.WriteInt(kGeneralSection, kCountKey, Count());
    for (int i = 0; i < Count(); ++i)
        m_items[static_cast<size_t>(i)].Write(settings, HabitabSection(i));
}

bool CHabitabArray::LoadFile(const std::string& hostPath, const search::CFileSetLookup* sets) {
    platform::ProfileFile settings(hostPath);
    const bool read = settings.Load();
    Load(settings, sets);
    return read;
}

bool CHabitabArray::SaveFile(const std::string& hostPath) const {
    platform::ProfileFile settings(hostPath);
    if (!settings.Load())
        return false; // never write over a file that could not be read
    Save(settings);
    return settings.Flush();
}

} // namespace vorlane::display
