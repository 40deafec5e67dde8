#include "catalogue/CZipFileInfo.h"

#include "catalogue/CZipFileDirectory.h"
#include "platform/DosPathText.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace vorlane::catalogue {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

CZipFileInfo::CZipFileInfo(zip::ZipMemberEntry&& entry)
    : m_storedName(std::move(entry.storedName)) {
    if (!m_storedName) {
        m_storedName = std::make_unique<char[]>(1);
        m_storedName[0] = '\0';
    }
    const std::string_view stored = StoredName();
    const size_t slash = stored.rfind('/');
    m_name = zip::ZipMemberEntry::PathName(
        slash == std::string_view::npos ? stored : stored.substr(slash + 1));
    m_size = entry.uncompressedSize;
    m_compressedAndMethod = std::min(entry.compressedSize, kCompressedMask) |
                            static_cast<uint64_t>(entry.method) << kMethodShift;
    m_date = entry.dosDate;
    m_time = entry.dosTime;
    m_attributes = entry.attributes;
    m_index = static_cast<int32_t>(std::min<uint32_t>(entry.index, INT32_MAX));
}

CZipFileInfo::CZipFileInfo(const zip::ZipItemRecord& record, std::string_view realName)
    : CZipFileInfo(zip::ZipMemberEntry::FromRecord(record, realName)) {}

zip::ZipItemRecord CZipFileInfo::Record() const {
    zip::ZipMemberEntry entry;
    const std::string_view stored = StoredName();
    entry.storedName = std::make_unique<char[]>(stored.size() + 1);
    std::copy(stored.begin(), stored.end(), entry.storedName.get());
    entry.storedName[stored.size()] = '\0';
    entry.uncompressedSize = m_size;
    entry.compressedSize = CompressedSize();
    entry.method = static_cast<uint16_t>(Method());
    entry.dosDate = m_date;
    entry.dosTime = m_time;
    entry.attributes = m_attributes;
    entry.index = MemberNumber();
    return entry.Record();
}

CZipFileDirectory* CZipFileInfo::ZipDirectory() const {
    return dynamic_cast<CZipFileDirectory*>(Parent());
}

std::string CZipFileInfo::PathName() const {
    return zip::ZipMemberEntry::PathName(StoredName());
}

std::string CZipFileInfo::FullPath() const {
    return Parent() ? platform::JoinDosPath(Parent()->Path(), PathName()) : PathName();
}

std::string CZipFileInfo::RelativeDirectory() const {
    const std::string_view stored = StoredName();
    const size_t slash = stored.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : zip::ZipMemberEntry::PathName(stored.substr(0, slash));
}

std::string CZipFileInfo::AttributeLetters(uint32_t attributes) {
    // The file letters, and E at 8 for an encrypted member.
    std::string text = AttributeText(attributes);
    if (attributes & zip::kZipItemEncrypted)
        text[8] = 'E';
    return text;
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

} // namespace vorlane::catalogue
