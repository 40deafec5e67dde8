// The settings-file keys the file manager windows keep for themselves: the
// per-drive column layouts of section "General", and the archive dialogs'
// "Zip Open Path" (section and key named by fileops/ZipArchiveCommands.h).
// Reads and writes go to the application's settings file while a
// VorlaneApp runs; without one (a window made by a test) reads give ""
// and writes are dropped, unless a test installs its own store.
//
// Column layouts: "File Display Columns for Drive %c" and "Zip Display
// Columns for Drive %c" hold one "%d,%d" pair per column in display order,
// joined by ",": the column's id (CFileListModel::Column) and its width in
// pixels. The pairs give the order and the widths; which columns show is
// still chosen by the display details bits, so a column the bits add
// later shows at the end, and one they drop is left out.
//
// One thread (the GUI's).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorlane::gui {

class CSettingsStore {
  public:
    virtual ~CSettingsStore() = default;
    virtual std::string Read(const std::string& section, const std::string& key) = 0;
    virtual void Write(const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};

// The store in use: the installed one, else the application's settings.
CSettingsStore& SettingsStore();
// Installs store (borrowed; null puts the application's back).
void SetSettingsStore(CSettingsStore* store);

constexpr const char* kGeneralSection = "General";
// The longest value of a column key.
constexpr size_t kMaxColumnKeyText = 256;

std::string ActiveTabKey(char driveLetter);   // "Active Tab For Drive C"
std::string FileColumnsKey(char driveLetter); // "File Display Columns for Drive C"
std::string ZipColumnsKey(char driveLetter);  // "Zip Display Columns for Drive C"

struct ColumnSpec {
    int id = 0;
    int width = 0;
    friend bool operator==(const ColumnSpec&, const ColumnSpec&) = default;
};

// The pairs at the start of text; nothing when there is no complete pair
// at its start (the window then uses its default columns). Parsing stops
// at the first piece that is not a number or at an odd one out; widths are
// held between kMinColumnWidth and kMaxColumnWidth.
std::optional<std::vector<ColumnSpec>> ParseColumnLayout(const std::string& text);
std::string FormatColumnLayout(const std::vector<ColumnSpec>& columns);
constexpr int kMinColumnWidth = 16;
constexpr int kMaxColumnWidth = 4000;

// The columns to show: every id of wanted, ordered as layout lists them
// (with its widths); the wanted ids that layout does not list follow in
// their own order with width 0 (the window's default). Ids of layout that
// are not wanted, and repeated ids, are left out.
std::vector<ColumnSpec> ArrangeColumns(const std::vector<int>& wanted,
                                       const std::vector<ColumnSpec>& layout);

} // namespace vorlane::gui
