#include "catalogue/FileSort.h"

#include "platform/DosPathText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::catalogue {

namespace {

template <typename T> int Compare3(T a, T b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

// The extension as the sort sees it: from the first "." on; null without one.
const char* ExtensionOf(const std::string& name) {
    const void* dot = std::memchr(name.data(), '.', name.size());
    return static_cast<const char*>(dot);
}

} // namespace

int CompareFilesByKey(const CFileContainer& a, const CFileContainer& b, int field) {
    switch (field) {
    case kSortName:
        return platform::CompareNoCase(a.Name(), b.Name());
    case kSortExtension: {
        const char* ea = ExtensionOf(a.Name());
        const char* eb = ExtensionOf(b.Name());
        // A name without an extension comes first; two such names are equal
        // under this key (the next key or the name decides).
        if (ea == nullptr || eb == nullptr)
            return ea == eb ? 0 : ea == nullptr ? -1 : 1;
        const std::string& na = a.Name();
        const std::string& nb = b.Name();
        return platform::CompareNoCase(std::string_view(ea, na.data() + na.size() - ea),
                                       std::string_view(eb, nb.data() + nb.size() - eb));
    }
    case kSortSize:
        return Compare3(a.Size(), b.Size());
    case kSortDate:
        return Compare3(static_cast<uint32_t>(a.Date()) << 16 | a.Time(),
                        static_cast<uint32_t>(b.Date()) << 16 | b.Time());
    case kSortAttributes:
        return Compare3(a.Attributes(), b.Attributes());
    default:
        return 0;
    }
}

int CompareFiles(const CFileContainer& a, const CFileContainer& b,
                 const CDisplaySettings& settings) {
    if (a.Shown() != b.Shown())
        return a.Shown() ? -1 : 1;
    if (settings.sortMethod == kSortMethodUnsorted)
        return Compare3(a.Index(), b.Index());
    for (const CSortKey& key : settings.sortKeys) {
        int c = CompareFilesByKey(a, b, key.field);
        if (c != 0)
            return key.direction < 0 ? -c : c;
    }
    int c = platform::CompareNames(a.Name(), b.Name());
    return c != 0 ? c : Compare3(a.Index(), b.Index());
}

namespace {

// A file's sort keys, made once before the sort: the comparisons then read
// these and never the record. Texts are the names with ASCII letters folded
// to lower case (the order of CompareNoCase is then that of the bytes), kept
// in one buffer for the whole list.
struct SortEntry {
    CFileContainer* file;
    uint64_t number[2];      // the numeric value of each key (size, date, attributes)
    std::string_view folded; // the name, folded
    std::string_view name;   // the name as it is
    uint32_t extension;      // where the extension starts in the name; kNoExtension without one
    int index;
};

constexpr uint32_t kNoExtension = UINT32_MAX;

uint64_t NumberKey(const CFileContainer& file, int field) {
    switch (field) {
    case kSortSize:
        return file.Size();
    case kSortDate:
        return static_cast<uint64_t>(file.Date()) << 16 | file.Time();
    case kSortAttributes:
        return file.Attributes();
    default:
        return 0;
    }
}

int CompareKey(const SortEntry& a, const SortEntry& b, int key, int field) {
    switch (field) {
    case kSortName:
        return Compare3(a.folded.compare(b.folded), 0);
    case kSortExtension:
        if (a.extension == kNoExtension || b.extension == kNoExtension)
            return a.extension == b.extension ? 0 : a.extension == kNoExtension ? -1 : 1;
        return Compare3(a.folded.substr(a.extension).compare(b.folded.substr(b.extension)), 0);
    case kSortSize:
    case kSortDate:
    case kSortAttributes:
        return Compare3(a.number[key], b.number[key]);
    default:
        return 0;
    }
}

// The order of CompareFiles for two shown (or two hidden) files.
bool Before(const SortEntry& a, const SortEntry& b, const CDisplaySettings& settings) {
    if (settings.sortMethod == kSortMethodUnsorted)
        return a.index < b.index;
    for (int key = 0; key < 2; ++key) {
        const CSortKey& k = settings.sortKeys[key];
        int c = CompareKey(a, b, key, k.field);
        if (c != 0)
            return (k.direction < 0 ? -c : c) < 0;
    }
    if (int c = a.folded.compare(b.folded); c != 0)
        return c < 0;
    if (int c = a.name.compare(b.name); c != 0)
        return c < 0;
    return a.index < b.index;
}

void SortRun(CDirectoryContainer::FileList::iterator begin,
             CDirectoryContainer::FileList::iterator end, const CDisplaySettings& settings) {
    size_t textBytes = 0;
    for (auto it = begin; it != end; ++it)
        textBytes += (*it)->Name().size();
    std::string folded;
    folded.reserve(textBytes);
    std::vector<SortEntry> entries;
    entries.reserve(static_cast<size_t>(end - begin));
    for (auto it = begin; it != end; ++it) {
        CFileContainer* file = it->get();
        const std::string& name = file->Name();
        SortEntry entry{file, {0, 0}, {}, name, kNoExtension, file->Index()};
        for (int key = 0; key < 2; ++key)
            entry.number[key] = NumberKey(*file, settings.sortKeys[key].field);
        if (const char* dot = ExtensionOf(name))
            entry.extension = static_cast<uint32_t>(dot - name.data());
        for (char c : name)
            folded.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c);
        entries.push_back(entry);
    }
    // The buffer is complete (reserved whole): the views into it stay put.
    size_t offset = 0;
    for (SortEntry& entry : entries) {
        entry.folded = std::string_view(folded.data() + offset, entry.name.size());
        offset += entry.name.size();
    }
    for (auto it = begin; it != end; ++it)
        it->release();
    std::sort(entries.begin(), entries.end(), [&settings](const SortEntry& a, const SortEntry& b) {
        return Before(a, b, settings);
    });
    auto out = begin;
    for (const SortEntry& entry : entries)
        (out++)->reset(entry.file);
}

} // namespace

void SortFiles(CDirectoryContainer::FileList& files, const CDisplaySettings& settings) {
    // Shown files first, whatever the keys say; then each part in order.
    auto middle =
        std::partition(files.begin(), files.end(),
                       [](const std::unique_ptr<CFileContainer>& file) { return file->Shown(); });
    SortRun(files.begin(), middle, settings);
    SortRun(middle, files.end(), settings);
}

} // namespace vorlane::catalogue
