#include "catalogue/CFileContainer.h"

#include "catalogue/CDirectoryContainer.h"
#include "platform/DosPathText.h"
#include "platform/MimeTypes.h"
#include "search/CFileSearchRequest.h"

#include <cstdio>

namespace vorlane::catalogue {

CFileContainer::~CFileContainer() = default;

std::string CFileContainer::AttributeText(uint32_t attributes) {
    std::string text(9, '.');
    if (attributes & 0x01)
        text[0] = 'R';
    if (attributes & 0x02)
        text[2] = 'H';
    if (attributes & 0x04)
        text[4] = 'S';
    if (attributes & 0x20)
        text[6] = 'A';
    return text;
}

std::string CFileContainer::DateText(uint16_t date) {
    unsigned month = (date >> 5) & 0x0F;
    if (month == 0 || month > 12)
        return std::string(8, '.');
    unsigned day = date & 0x1F;
    // Two digits: 1980 shows as 80, 2000 as 00, 2107 as 07.
    unsigned year = ((date >> 9) + 80) % 100;
    char text[32];
    std::snprintf(text, sizeof text, "%2u-%02u-%02u", month, day, year);
    return text;
}

std::string CFileContainer::TimeText(uint16_t time) {
    unsigned hour = time >> 11;
    if (hour >= 25)
        return std::string(6, '.');
    unsigned minute = (time >> 5) & 0x3F;
    char half = hour >= 12 ? 'p' : 'a';
    if (hour == 0)
        hour = 12;
    else if (hour > 12)
        hour -= 12;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u%c", hour, minute, half);
    return text;
}

void CFileContainer::DateTimeText(std::string* date, std::string* time) const {
    if (date)
        *date = DateText(m_date);
    if (time)
        *time = TimeText(m_time);
}

const std::string& CFileContainer::Description() const {
    static const std::string none;
    return m_description ? *m_description : none;
}

std::string CFileContainer::LineText(uint32_t flags) const {
    std::string line;
    if (flags & kLineName)
        line += m_name;
    if (flags & kLineTypeName)
        line += TypeName();
    if (flags & kLineSize) {
        char size[64];
        std::snprintf(size, sizeof size, " %.0fk", static_cast<double>(m_size) / 1024.0);
        line += size;
    }
    // Appended piece by piece (GCC 12 warns falsely about " " + text).
    if (flags & kLineDateTime)
        line.append(" ").append(DateText(m_date)).append(" ").append(TimeText(m_time));
    if (flags & kLineAttributes)
        line.append(" ").append(AttributeText());
    if (flags & kLinePath)
        line.append(" ").append(DirectoryPath());
    if (flags & kLineDescription)
        line.append(" ").append(Description());
    return line;
}

const std::string& CFileContainer::TypeName() const {
    // Files of plain directories take the desktop's type name; zip members
    // (and files without a directory) the extension's.
    if (m_typeName == nullptr) {
        if (m_parent != nullptr && m_parent->Kind() == kDirectoryPlain)
            m_typeName = platform::FileTypeName(m_name);
        else
            m_typeName = std::make_shared<const std::string>(platform::ExtensionTypeName(m_name));
    }
    return *m_typeName;
}

std::string CFileContainer::DirectoryPath() const {
    return m_parent ? m_parent->Path() : "";
}

std::string CFileContainer::FullPath() const {
    return m_parent ? platform::JoinDosPath(m_parent->Path(), m_name) : m_name;
}

void CFileContainer::SetDescription(const std::string* text) {
    if (text == nullptr || text->empty())
        m_description.reset();
    else
        m_description = std::make_unique<std::string>(*text);
}

void CFileContainer::SetDescription(std::string text) {
    if (text.empty())
        m_description.reset();
    else
        m_description = std::make_unique<std::string>(std::move(text));
}

void CFileContainer::SetTypeName(std::string_view typeName) {
    m_typeName = std::make_shared<const std::string>(typeName);
}

void CFileContainer::SetThumbnail(std::unique_ptr<CThumbnailImage> image, int state) {
    m_thumbnail = std::move(image);
    m_thumbnailState = static_cast<int8_t>(state);
}

void CFileContainer::ReleaseThumbnail() {
    m_thumbnail.reset();
    m_thumbnailState = kThumbnailNotLooked;
}

bool FileMatches(const search::CFileSearchRequest& conditions, const CFileContainer& file) {
    return conditions.Matches({file.Name(), file.Size(), file.Date(),
                               conditions.AttributesWanted() ? file.Attributes() : 0});
}

} // namespace vorlane::catalogue
