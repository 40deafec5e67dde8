#include "zip/CZipFileInfo.h"

#include "catalogue/CZipFileDirectory.h"
#include "platform/DosPathText.h"
#include "zip/private/ZipNames.h"

#include <algorithm>
#include <cinttypes>
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

CZipFileInfo::CZipFileInfo(const ZipItemRecord& record, std::string_view realName) {
    // The name field may arrive without its NUL; never read past it. The
    // whole name, when given, is kept instead: the field may have cut it.
    const std::string_view stored =
        realName.empty()
            ? std::string_view(record.pathName, strnlen(record.pathName, sizeof record.pathName))
            : realName;
    m_storedName = std::make_unique<char[]>(stored.size() + 1);
    std::memcpy(m_storedName.get(), stored.data(), stored.size());
    m_storedName[stored.size()] = '\0';
    const size_t slash = stored.rfind('/');
    m_name = DosForm(slash == std::string_view::npos ? stored : stored.substr(slash + 1));
    m_size = static_cast<uint64_t>(record.uncompressedSize) |
             static_cast<uint64_t>(record.uncompressedHigh) << 32;
    const uint64_t compressed = static_cast<uint64_t>(record.compressedSize) |
                                static_cast<uint64_t>(record.compressedHigh) << 32;
    m_compressedAndMethod = std::min(compressed, kCompressedMask) |
                            static_cast<uint64_t>(record.method) << kMethodShift;
    m_date = DecodeDate(record.dateText, sizeof record.dateText);
    m_time = DecodeTime(record.timeText, sizeof record.timeText);
    m_attributes = record.attributes;
    m_index = static_cast<int32_t>(std::min<uint32_t>(record.memberIndex, INT32_MAX));
}

ZipItemRecord CZipFileInfo::Record() const {
    ZipItemRecord record{};
    record.memberNumber = static_cast<uint16_t>(MemberNumber());
    record.memberIndex = MemberNumber();
    record.uncompressedSize = static_cast<uint32_t>(m_size);
    record.uncompressedHigh = static_cast<uint32_t>(m_size >> 32);
    record.compressedSize = static_cast<uint32_t>(CompressedSize());
    record.compressedHigh = static_cast<uint32_t>(CompressedSize() >> 32);
    record.method = static_cast<uint16_t>(Method());
    char text[16];
    std::snprintf(text, sizeof text, "%02u-%02u-%04u", (m_date >> 5) & 0x0Fu, m_date & 0x1Fu,
                  1980u + (m_date >> 9));
    std::memcpy(record.dateText, text, sizeof record.dateText);
    std::snprintf(record.timeText, sizeof record.timeText, "%02u:%02u", m_time >> 11u,
                  (m_time >> 5) & 0x3Fu);
    // A name longer than the field is cut there as the engine cuts it: at
    // a character's boundary, leaving room for the NUL.
    const std::string_view stored = StoredName();
    const std::string_view name = stored.size() <= sizeof record.pathName
                                      ? stored
                                      : Utf8Prefix(stored, sizeof record.pathName - 1);
    std::memcpy(record.pathName, name.data(), name.size());
    record.attributes = m_attributes;
    return record;
}

catalogue::CZipFileDirectory* CZipFileInfo::ZipDirectory() const {
    return dynamic_cast<catalogue::CZipFileDirectory*>(Parent());
}

std::string CZipFileInfo::DosForm(std::string_view stored) {
    std::string text(stored);
    for (char& c : text)
        c = c == '/' ? '\\' : Upper(c);
    return text;
}

std::string CZipFileInfo::PathName() const {
    return DosForm(StoredName());
}

std::string CZipFileInfo::FullPath() const {
    return Parent() ? platform::JoinDosPath(Parent()->Path(), PathName()) : PathName();
}

std::string CZipFileInfo::RelativeDirectory() const {
    const std::string_view stored = StoredName();
    const size_t slash = stored.rfind('/');
    return slash == std::string_view::npos ? std::string() : DosForm(stored.substr(0, slash));
}

std::string CZipFileInfo::AttributeLetters(uint32_t attributes) {
    // The file letters, and E at 8 for an encrypted member.
    std::string text = AttributeText(attributes);
    if (attributes & kZipItemEncrypted)
        text[8] = 'E';
    return text;
}

const char* CZipFileInfo::MethodName(int method) {
    static const char* const kNames[] = {"Stored",    "Shrunk",    "Reduced 1",
                                         "Reduced 2", "Reduced 3", "Reduced 4",
                                         "Imploded",  "Tokenized", "Deflated"};
    if (method < 0 || method > 8)
        return "Unknown";
    return kNames[method];
}

int CZipFileInfo::Ratio(uint64_t compressed, uint64_t uncompressed) {
    if (uncompressed == 0)
        return 0;
    double ratio =
        100.0 - static_cast<double>(compressed) * 100.0 / static_cast<double>(uncompressed);
    // A member that grew enormously still gives a number, not an overflow.
    ratio = std::clamp(ratio, static_cast<double>(std::numeric_limits<int>::min()), 100.0);
    return static_cast<int>(std::trunc(ratio));
}

uint64_t CZipFileInfo::KilobytesRoundedUp(uint64_t bytes) {
    return bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
}

uint16_t CZipFileInfo::DecodeDate(const char* text, size_t size) {
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

uint16_t CZipFileInfo::DecodeTime(const char* text, size_t size) {
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

std::string CZipFileInfo::ListingLine(uint32_t flags) const {
    std::string line;
    char part[64];
    if (flags & kZipListName)
        line = PathName();
    if (flags & kZipListSize) {
        std::snprintf(part, sizeof part, " %8" PRIu64 "k", Kilobytes());
        line += part;
    }
    if (flags & kZipListDateTime)
        line.append(" ").append(DateText()).append(" ").append(TimeText());
    if (flags & kZipListAttributes)
        line.append(" ").append(AttributeLetters());
    if (flags & kZipListRatio) {
        std::snprintf(part, sizeof part, " %3d", Ratio());
        line += part;
    }
    if (flags & kZipListMethod) {
        std::snprintf(part, sizeof part, " %-15s", MethodName());
        line += part;
    }
    if (flags & kZipListArchivePath)
        line.append(" ").append(DirectoryPath());
    if (flags & kZipListRelativePath)
        line.append(" ").append(RelativeDirectory());
    for (char& c : line)
        c = Lower(c);
    return line;
}

std::string CZipFileInfo::ColumnText(uint32_t column) const {
    switch (column) {
    case kZipListName:
        return m_name;
    case kZipListSize:
        return std::to_string(Kilobytes()) + "k";
    case kZipListDateTime:
        return DateText() + " " + TimeText();
    case kZipListAttributes:
        return AttributeLetters();
    case kZipListRatio:
        return std::to_string(Ratio());
    case kZipListMethod:
        return MethodName();
    case kZipListRelativePath:
        return RelativeDirectory();
    case kZipListArchivePath:
        return DirectoryPath();
    default:
        return "";
    }
}

} // namespace vorlane::zip
