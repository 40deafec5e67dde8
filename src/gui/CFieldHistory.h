// CFieldHistory: the earlier entries of a text field (an editable combo
// box's drop-down list), kept in the settings file under a history name:
// the count under "<name>####" and the entries, newest first, under
// "<name>0000", "<name>0001" and so on, in the section of the dialog that
// owns the field.
//
// Add() puts a text first; an entry equal to it (without regard to ASCII
// case, as DOS paths compare) is dropped from further down, and entries
// beyond the limit fall off the end. Empty texts are not kept.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorlane::gui {

class CFieldHistory {
  public:
    // Reads a string (section, key; "" when missing) and writes one.
    using Reader = std::function<std::string(const std::string&, const std::string&)>;
    using Writer = std::function<void(const std::string&, const std::string&, const std::string&)>;

    CFieldHistory(std::string section, std::string name, size_t limit)
        : m_section(std::move(section)), m_name(std::move(name)), m_limit(limit) {}

    // Replaces the entries with the stored ones (at most the limit).
    void Load(const Reader& read);
    // Writes the count, then the entries.
    void Save(const Writer& write) const;
    void Add(const std::string& text);

    const std::vector<std::string>& Entries() const { return m_entries; }
    // "<name>####" and "<name>%04d".
    std::string CountKey() const { return m_name + "####"; }
    std::string EntryKey(size_t index) const;

  private:
    std::string m_section;
    std::string m_name;
    size_t m_limit;
    std::vector<std::string> m_entries;
};

} // namespace vorlane::gui
