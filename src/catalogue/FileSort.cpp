#include "catalogue/FileSort.h"

#include "platform/DosPathText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Eight bytes of text from offset, ASCII letters folded to lower case,
// packed big-endian: comparing such numbers gives the order of
// CompareNoCase whenever they differ (names hold no zero byte, so a shorter
// text padded with zeros still comes first).
uint64_t FoldedPrefix(const char* text, size_t length, size_t offset = 0) {
    uint64_t key = 0;
    for (size_t i = offset; i < offset + 8; ++i) {
        unsigned char c = i < length ? static_cast<unsigned char>(text[i]) : 0;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + ('a' - 'A'));
        key = key << 8 | c;
    }
    return key;
}

struct Keyed {
    uint64_t high;
    uint64_t low;
    CFileContainer* file;
};

// Two numbers whose order agrees with the first sort key wherever they
// differ (a text gives its first sixteen folded bytes); equal numbers leave
// the decision to CompareFiles.
Keyed LeadingKey(CFileContainer* file, const CDisplaySettings& settings) {
    Keyed keyed{0, 0, file};
    if (settings.sortMethod == kSortMethodUnsorted) {
        keyed.high =
            static_cast<uint64_t>(static_cast<int64_t>(file->Index()) + INT64_C(0x80000000));
        return keyed;
    }
    const CSortKey& first = settings.sortKeys[0];
    const std::string& name = file->Name();
    uint64_t key = 0;
    switch (first.field) {
    case kSortName:
        key = FoldedPrefix(name.data(), name.size());
        keyed.low = FoldedPrefix(name.data(), name.size(), 8);
        break;
    case kSortExtension:
        if (const char* dot = ExtensionOf(name)) {
            size_t length = static_cast<size_t>(name.data() + name.size() - dot);
            key = FoldedPrefix(dot, length);
            keyed.low = FoldedPrefix(dot, length, 8);
        }
        break;
    case kSortSize:
        key = file->Size();
        break;
    case kSortDate:
        key = static_cast<uint64_t>(file->Date()) << 16 | file->Time();
        break;
    case kSortAttributes:
        key = file->Attributes();
        break;
    default:
        break;
    }
    keyed.high = first.direction < 0 ? ~key : key;
    if (first.direction < 0)
        keyed.low = ~keyed.low;
    return keyed;
}

void SortRun(CDirectoryContainer::FileList::iterator begin,
             CDirectoryContainer::FileList::iterator end, const CDisplaySettings& settings) {
    // Most comparisons are settled by the numbers held next to the pointer,
    // without touching the records.
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(end - begin));
    for (auto it = begin; it != end; ++it)
        keyed.push_back(LeadingKey(it->get(), settings));
    for (auto it = begin; it != end; ++it)
        it->release();
    std::sort(keyed.begin(), keyed.end(), [&settings](const Keyed& a, const Keyed& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return CompareFiles(*a.file, *b.file, settings) < 0;
    });
    auto out = begin;
    for (const Keyed& k : keyed)
        (out++)->reset(k.file);
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
