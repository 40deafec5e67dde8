#include "zip/ZipMemberEntry.h"

#include "zip/private/ZipNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vorlane::zip {

namespace {

// The number at text[at]: up to four digits after optional blanks; 0 when
// none (or past the end of the field).
int NumberAt(const char* text, size_t size, size_t at) {
    int value = 0;
    while (at < size && text[at] == ' ')
        ++at;
    for (int digits = 0; at < size && digits < 4 && text[at] >= '0' && text[at] <= '9';
         ++digits, ++at)
        value = value * 10 + (text[at] - '0');
    return value;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

ZipMemberEntry ZipMemberEntry::FromRecord(const ZipItemRecord& record, std::string_view realName) {
    // The name field may arrive without its NUL; never read past it. The
    // whole name, when given, is kept instead: the field may have cut it.
    const std::string_view stored =
        realName.empty()
            ? std::string_view(record.pathName, strnlen(record.pathName, sizeof record.pathName))
            : realName;
    ZipMemberEntry entry;
    entry.storedName = std::make_unique<char[]>(stored.size() + 1);
    std::memcpy(entry.storedName.get(), stored.data(), stored.size());
    entry.storedName[stored.size()] = '\0';
    entry.uncompressedSize = static_cast<uint64_t>(record.uncompressedSize) |
                             static_cast<uint64_t>(record.uncompressedHigh) << 32;
    entry.compressedSize = static_cast<uint64_t>(record.compressedSize) |
                           static_cast<uint64_t>(record.compressedHigh) << 32;
    entry.method = record.method;
    entry.dosDate = DecodeDate(record.dateText, sizeof record.dateText);
    entry.dosTime = DecodeTime(record.timeText, sizeof record.timeText);
    entry.attributes = record.attributes;
    entry.index = record.memberIndex;
    return entry;
}

ZipItemRecord ZipMemberEntry::Record() const {
    ZipItemRecord record{};
    record.memberNumber = static_cast<uint16_t>(index);
    record.memberIndex = index;
    record.uncompressedSize = static_cast<uint32_t>(uncompressedSize);
    record.uncompressedHigh = static_cast<uint32_t>(uncompressedSize >> 32);
    record.compressedSize = static_cast<uint32_t>(compressedSize);
    record.compressedHigh = static_cast<uint32_t>(compressedSize >> 32);
    record.method = method;
    char text[16];
    std::snprintf(text, sizeof text, "%02u-%02u-%04u", (dosDate >> 5) & 0x0Fu, dosDate & 0x1Fu,
                  1980u + (dosDate >> 9));
    std::memcpy(record.dateText, text, sizeof record.dateText);
    std::snprintf(record.timeText, sizeof record.timeText, "%02u:%02u", dosTime >> 11u,
                  (dosTime >> 5) & 0x3Fu);
    // A name longer than the field is cut there as the engine cuts it: at
    // a character's boundary, leaving room for the NUL.
    const std::string_view stored = StoredName();
    const std::string_view name = stored.size() <= sizeof record.pathName
                                      ? stored
                                      : Utf8Prefix(stored, sizeof record.pathName - 1);
    std::memcpy(record.pathName, name.data(), name.size());
    record.attributes = attributes;
    return record;
}

const char* ZipMemberEntry::MethodName(int method) {
    static const char* const kNames[] = {"Stored",    "Shrunk",    "Reduced 1",
                                         "Reduced 2", "Reduced 3", "Reduced 4",
                                         "Imploded",  "Tokenized", "Deflated"};
    if (method < 0 || method > 8)
        return "Unknown";
    return kNames[method];
}

int ZipMemberEntry::Ratio(uint64_t compressed, uint64_t uncompressed) {
    if (uncompressed == 0)
        return 0;
    double ratio =
        100.0 - static_cast<double>(compressed) * 100.0 / static_cast<double>(uncompressed);
    // A member that grew enormously still gives a number, not an overflow.
    ratio = std::clamp(ratio, static_cast<double>(std::numeric_limits<int>::min()), 100.0);
    return static_cast<int>(std::trunc(ratio));
}

uint64_t ZipMemberEntry::KilobytesRoundedUp(uint64_t bytes) {
    return bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
}

uint16_t ZipMemberEntry::DecodeDate(const char* text, size_t size) {
    const int month = std::clamp(NumberAt(text, size, 0), 0, 15);
    const int day = std::clamp(NumberAt(text, size, 3), 0, 31);
    int year = NumberAt(text, size, 6);
    if (year < 100)
        year = year >= 80 ? year - 80 : year + 20;
    else
        year -= 1980;
    year = std::clamp(year, 0, 127);
    return static_cast<uint16_t>(day | month << 5 | year << 9);
}

uint16_t ZipMemberEntry::DecodeTime(const char* text, size_t size) {
    int hour = NumberAt(text, size, 0);
    const int minute = std::clamp(NumberAt(text, size, 3), 0, 63);
    const char half = size > 5 ? Lower(text[5]) : '\0';
    if (half == 'p' && hour < 12)
        hour += 12;
    else if (half == 'a' && hour == 12)
        hour = 0;
    hour = std::clamp(hour, 0, 31);
    return static_cast<uint16_t>(hour << 11 | minute << 5);
}

std::string ZipMemberEntry::PathName(std::string_view stored) {
    std::string text(stored);
    for (char& c : text)
        c = c == '/' ? '\\' : Upper(c);
    return text;
}

} // namespace vorlane::zip
