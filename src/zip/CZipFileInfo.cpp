#include "zip/CZipFileInfo.h"

#include "catalogue/CZipFileDirectory.h"
#include "catalogue/NameOrder.h"

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

CZipFileInfo::CZipFileInfo(const ZipItemRecord& record, std::string realName)
    : m_record(record), m_realName(std::move(realName)) {
    // The name field may arrive without its NUL; never read past it.
    if (m_realName.empty())
        m_realName.assign(record.pathName, strnlen(record.pathName, sizeof record.pathName));
    m_pathName = m_realName;
    for (char& c : m_pathName)
        c = c == '/' ? '\\' : Upper(c);
    const size_t slash = m_realName.rfind('/');
    m_baseStart = slash == std::string::npos ? 0 : static_cast<uint32_t>(slash + 1);
    m_name = std::string(BaseName());
    m_size = static_cast<uint64_t>(record.uncompressedSize) |
             static_cast<uint64_t>(record.uncompressedHigh) << 32;
    m_compressedSize = static_cast<uint64_t>(record.compressedSize) |
                       static_cast<uint64_t>(record.compressedHigh) << 32;
    m_date = DecodeDate(record.dateText, sizeof record.dateText);
    m_time = DecodeTime(record.timeText, sizeof record.timeText);
    m_ratio = Ratio(m_compressedSize, m_size);
    m_attributes = record.attributes;
    m_index = static_cast<int32_t>(std::min<uint32_t>(record.memberIndex, INT32_MAX));
}

catalogue::CZipFileDirectory* CZipFileInfo::ZipDirectory() const {
    return dynamic_cast<catalogue::CZipFileDirectory*>(Parent());
}

std::string CZipFileInfo::FullPath() const {
    return Parent() ? catalogue::JoinDosPath(Parent()->Path(), m_pathName) : m_pathName;
}

std::string_view CZipFileInfo::BaseName() const {
    return std::string_view(m_pathName).substr(m_baseStart);
}

std::string_view CZipFileInfo::RelativeDirectory() const {
    return m_baseStart == 0 ? std::string_view()
                            : std::string_view(m_pathName).substr(0, m_baseStart - 1);
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
    if ((flags & kZipListName) && !m_pathName.empty())
        line = m_pathName;
    if (flags & kZipListSize) {
        std::snprintf(part, sizeof part, " %8" PRIu64 "k", Kilobytes());
        line += part;
    }
    if (flags & kZipListDateTime)
        line.append(" ").append(DateText()).append(" ").append(TimeText());
    if (flags & kZipListAttributes)
        line.append(" ").append(AttributeLetters());
    if (flags & kZipListRatio) {
        std::snprintf(part, sizeof part, " %3d", m_ratio);
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
        return std::to_string(m_ratio);
    case kZipListMethod:
        return MethodName();
    case kZipListRelativePath:
        return std::string(RelativeDirectory());
    case kZipListArchivePath:
        return DirectoryPath();
    default:
        return "";
    }
}

} // namespace vorlane::zip
