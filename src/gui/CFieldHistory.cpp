#include "gui/CFieldHistory.h"

#include "platform/DosPathText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vorlane::gui {

std::string CFieldHistory::EntryKey(size_t index) const {
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", index);
    return m_name + number;
}

void CFieldHistory::Load(const Reader& read) {
    m_entries.clear();
    const std::string countText = read(m_section, CountKey());
    // As many entries as the count says, but no more than the limit.
    const long count =
        std::min<long>(std::strtol(countText.c_str(), nullptr, 10), static_cast<long>(m_limit));
    for (long i = 0; i < count; ++i) {
        std::string entry = read(m_section, EntryKey(static_cast<size_t>(i)));
        // A damaged file may hold gaps or repeats: keep what Add would.
        if (!entry.empty() &&
            std::none_of(m_entries.begin(), m_entries.end(), [&](const std::string& kept) {
                return platform::CompareNoCase(kept, entry) == 0;
            }))
            m_entries.push_back(std::move(entry));
    }
}

void CFieldHistory::Save(const Writer& write) const {
    write(m_section, CountKey(), std::to_string(m_entries.size()));
    for (size_t i = 0; i < m_entries.size(); ++i)
        write(m_section, EntryKey(i), m_entries[i]);
}

void CFieldHistory::Add(const std::string& text) {
    if (text.empty() || m_limit == 0)
        return;
    std::erase_if(m_entries, [&](const std::string& kept) {
        return platform::CompareNoCase(kept, text) == 0;
    });
    m_entries.insert(m_entries.begin(), text);
    if (m_entries.size() > m_limit)
        m_entries.resize(m_limit);
}

} // namespace vorlane::gui
