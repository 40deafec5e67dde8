#include "gui/WindowSettings.h"

#include "app/VorlaneApp.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace vorlane::gui {

namespace {

class AppSettingsStore : public CSettingsStore {
  public:
    std::string Read(const std::string& section, const std::string& key) override {
        const app::VorlaneApp* a = app::VorlaneApp::Current();
        return a ? a->ReadString(section, key) : std::string();
    }
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override {
        if (app::VorlaneApp* a = app::VorlaneApp::Current())
            a->WriteString(section, key, value);
    }
};

CSettingsStore* g_store = nullptr;

// Reads an optionally signed decimal number at text[pos]; advances pos.
std::optional<long> ReadNumber(const std::string& text, size_t& pos) {
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    size_t start = pos;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        ++pos;
    size_t digits = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
           pos - digits < 9)
        ++pos;
    if (pos == digits) {
        pos = start;
        return std::nullopt;
    }
    return std::strtol(text.substr(start, pos - start).c_str(), nullptr, 10);
}

bool SkipComma(const std::string& text, size_t& pos) {
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos < text.size() && text[pos] == ',') {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

CSettingsStore& SettingsStore() {
    static AppSettingsStore app;
    return g_store ? *g_store : app;
}

void SetSettingsStore(CSettingsStore* store) {
    g_store = store;
}

std::string ActiveTabKey(char driveLetter) {
    return std::string("Active Tab For Drive ") +
           static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)));
}

std::string FileColumnsKey(char driveLetter) {
    return std::string("File Display Columns for Drive ") +
           static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)));
}

std::string ZipColumnsKey(char driveLetter) {
    return std::string("Zip Display Columns for Drive ") +
           static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)));
}

std::optional<std::vector<ColumnSpec>> ParseColumnLayout(const std::string& text) {
    std::vector<ColumnSpec> columns;
    size_t pos = 0;
    for (;;) {
        size_t pairStart = pos;
        if (!columns.empty() && !SkipComma(text, pos))
            break;
        std::optional<long> id = ReadNumber(text, pos);
        if (!id || !SkipComma(text, pos)) {
            pos = pairStart;
            break;
        }
        std::optional<long> width = ReadNumber(text, pos);
        if (!width) {
            pos = pairStart;
            break;
        }
        columns.push_back({static_cast<int>(*id), static_cast<int>(std::clamp<long>(
                                                      *width, kMinColumnWidth, kMaxColumnWidth))});
    }
    if (columns.empty())
        return std::nullopt;
    return columns;
}

std::string FormatColumnLayout(const std::vector<ColumnSpec>& columns) {
    std::string text;
    for (const ColumnSpec& c : columns) {
        std::string pair = std::to_string(c.id) + "," + std::to_string(c.width);
        if (text.size() + pair.size() + (text.empty() ? 0 : 1) > kMaxColumnKeyText)
            break; // the key holds no more: the rest take their defaults
        if (!text.empty())
            text += ',';
        text += pair;
    }
    return text;
}

std::vector<ColumnSpec> ArrangeColumns(const std::vector<int>& wanted,
                                       const std::vector<ColumnSpec>& layout) {
    std::vector<ColumnSpec> result;
    std::set<int> placed;
    for (const ColumnSpec& c : layout)
        if (std::find(wanted.begin(), wanted.end(), c.id) != wanted.end() &&
            placed.insert(c.id).second)
            result.push_back(c);
    for (int id : wanted)
        if (placed.insert(id).second)
            result.push_back({id, 0});
    return result;
}

} // namespace vorlane::gui
