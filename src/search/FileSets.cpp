#include "search/FileSets.h"

#include "platform/AsciiCase.h"
#include "platform/DosPathText.h"

#include <algorithm>

namespace vorlane::search {

namespace {

using platform::UpperAscii;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// "[name]" as a whole: the name between the brackets, else nothing.
std::optional<std::string> ReferencedSet(std::string_view item) {
    if (item.size() >= 2 && item.front() == '[' && item.back() == ']')
        return std::string(item.substr(1, item.size() - 2));
    return std::nullopt;
}

// One expansion: the names of the sets being expanded (to catch a set
// that refers to itself) and the bounds on its work.
class Expander {
  public:
    Expander(const CFileSetLookup* sets, std::vector<std::string>* out)
        : m_sets(sets), m_out(out) {}

    bool AddSet(const std::string& name, bool excludeAll) {
        if (++m_references > kMaxSetReferences)
            return Fail("The file types refer to more than " + std::to_string(kMaxSetReferences) +
                        " file sets.");
        for (const std::string& open : m_open)
            if (platform::CompareNoCase(open, name) == 0)
                return Fail("File set '" + name + "' refers to itself.");
        std::optional<std::string> definition = m_sets ? m_sets->Definition(name) : std::nullopt;
        if (!definition)
            return true; // a missing set adds nothing
        std::vector<WildcardEntry> entries;
        if (!ParseFileSetDefinition(*definition, name, &entries, &m_error))
            return false;
        m_open.push_back(name);
        for (const WildcardEntry& entry : entries) {
            bool include = entry.include && !excludeAll;
            if (std::optional<std::string> inner = ReferencedSet(entry.wildcard)) {
                if (!AddSet(*inner, !include))
                    return false;
            } else if (!Append((include ? "+" : "-") + entry.wildcard)) {
                return false;
            }
        }
        m_open.pop_back();
        return true;
    }

    bool Append(std::string entry) {
        if (m_out->size() >= kMaxExpandedEntries)
            return Fail("The file types expand to more than " +
                        std::to_string(kMaxExpandedEntries) + " wildcards.");
        m_out->push_back(std::move(entry));
        return true;
    }

    bool Fail(std::string error) {
        m_error = std::move(error);
        return false;
    }
    const std::string& Error() const { return m_error; }

  private:
    const CFileSetLookup* m_sets;
    std::vector<std::string>* m_out;
    std::vector<std::string> m_open;
    size_t m_references = 0;
    std::string m_error;
};

} // namespace

std::string InvalidWildcardText(const std::string& typed) {
    return "'" + typed + "' is NOT a valid wildcard!";
}

std::string DeleteFileSetQuestion(const std::string& name) {
    return "Do you wish to delete file set '" + name + "'?";
}

std::string ClearWildcardsQuestion(size_t count) {
    return "Do you wish to clear the " + std::to_string(count) + " wildcards defined?";
}

std::string FileSetExistsQuestion(const std::string& name) {
    return "File Set '" + name + "' already exists! Do you wish to update it?";
}

std::string RenameFileSetPrompt(const std::string& name) {
    return "Enter a new name for file set '" + name + "':";
}

std::string InvalidFileSpecificationText(const std::string& item) {
    return "The file specification \"" + item +
           "\" is invalid. It contains invalid characters or it violates the the DOS file "
           "specification syntax.";
}

bool ParseLabelledList(std::string_view text, std::string_view label,
                       std::vector<std::string>* items) {
    items->clear();
    const std::string marker = "~" + std::string(label) + "~";
    size_t at = text.find(marker);
    if (at == std::string_view::npos)
        return false;
    size_t start = at + marker.size();
    while (start < text.size() && text[start] != '~') {
        size_t end = text.find('~', start);
        if (end == std::string_view::npos) {
            items->emplace_back(text.substr(start));
            break;
        }
        items->emplace_back(text.substr(start, end - start));
        start = end + 1; // a "~" at the very end leaves start at the size: done
    }
    return true;
}

bool ParseFileSetDefinition(std::string_view definition, const std::string& name,
                            std::vector<WildcardEntry>* entries, std::string* error) {
    entries->clear();
    std::vector<std::string> items;
    if (!ParseLabelledList(definition, kFileSetLabel, &items)) {
        *error = "File set '" + name + "' is damaged: its definition has no ~" +
                 std::string(kFileSetLabel) + "~ label.";
        return false;
    }
    for (const std::string& item : items)
        entries->push_back({item[0] == '+', item.substr(1)});
    return true;
}

std::string FormatFileSetDefinition(const std::vector<WildcardEntry>& entries) {
    std::string out = "~" + std::string(kFileSetLabel) + "~";
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out += '~';
        out += entries[i].Signed();
    }
    return out;
}

std::optional<std::string> NormaliseWildcard(const std::string& typed) {
    size_t first = 0;
    size_t last = typed.size();
    while (first < last && IsBlank(typed[first]))
        ++first;
    while (last > first && IsBlank(typed[last - 1]))
        --last;
    std::string wildcard = UpperAscii(std::string_view(typed).substr(first, last - first));
    if (wildcard.empty() || wildcard.find_first_of("\\~") != std::string::npos ||
        wildcard.find('\0') != std::string::npos || !platform::WildcardSyntaxOk(wildcard))
        return std::nullopt;
    return wildcard;
}

CWildcardList::AddResult CWildcardList::Add(const std::string& typed, bool include, size_t* row) {
    std::optional<std::string> wildcard = NormaliseWildcard(typed);
    if (!wildcard)
        return AddResult::Refused;
    auto at = std::lower_bound(
        m_entries.begin(), m_entries.end(), *wildcard,
        [](const WildcardEntry& entry, const std::string& text) { return entry.wildcard < text; });
    *row = static_cast<size_t>(at - m_entries.begin());
    if (at != m_entries.end() && at->wildcard == *wildcard)
        return AddResult::AlreadyThere;
    m_entries.insert(at, {include, *wildcard});
    return AddResult::Added;
}

bool CWildcardList::Remove(size_t row) {
    if (row >= m_entries.size())
        return false;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

bool ExpandFileTypes(std::string_view fileTypes, const CFileSetLookup* sets,
                     std::vector<std::string>* entries, std::string* badItem, std::string* error) {
    entries->clear();
    Expander expander(sets, entries);
    size_t start = 0;
    while (start < fileTypes.size()) {
        size_t end = std::min(fileTypes.find(';', start), fileTypes.size());
        std::string item(fileTypes.substr(start, end - start));
        start = end + 1;
        if (std::optional<std::string> set = ReferencedSet(item)) {
            if (!expander.AddSet(*set, false)) {
                *badItem = item;
                *error = expander.Error();
                return false;
            }
            continue;
        }
        std::string_view wildcard = item;
        if (!wildcard.empty() && (wildcard[0] == '+' || wildcard[0] == '-'))
            wildcard.remove_prefix(1);
        bool valid = !wildcard.empty() && platform::WildcardSyntaxOk(wildcard);
        if (!expander.Append(item) || !valid) {
            *badItem = item;
            *error = valid ? expander.Error() : InvalidFileSpecificationText(item);
            return false;
        }
    }
    return true;
}

bool WildcardSelects(std::string_view wildcard, std::string_view name) {
    return wildcard == "*.*" || platform::WildcardMatch(UpperAscii(wildcard), name);
}

void CFileSelector::Assign(const std::vector<std::string>& entries) {
    m_entries.clear();
    m_entries.reserve(entries.size());
    for (const std::string& entry : entries) {
        bool include = entry.empty() || entry[0] != '-';
        std::string_view wildcard = entry;
        if (!wildcard.empty() && (wildcard[0] == '+' || wildcard[0] == '-'))
            wildcard.remove_prefix(1);
        m_entries.push_back({include, wildcard == "*.*", platform::Wildcard(UpperAscii(wildcard))});
    }
}

bool CFileSelector::Selects(std::string_view name) const {
    for (const Compiled& entry : m_entries)
        if (entry.everything || entry.pattern.Match(name))
            return entry.include;
    return false;
}

} // namespace vorlane::search
