#include "display/CHabitabItem.h"

#include "platform/Profile.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace vorlane::display {

namespace {

constexpr const char* kKeyName = "Name";
constexpr const char* kKeyCommandLine = "Display Command Line";
constexpr const char* kKeyViewer = "DisplayViewerWindow";
constexpr const char* kKeySortMethod = "DriveSortMethod";
constexpr const char* kKeyDisplayMode = "FileDisplayMode";
constexpr const char* kKeyFileDetails = "FileDisplayDetails";
constexpr const char* kKeyZipDetails = "ZipDisplayDetails";
constexpr const char* kKeyConditionCount = "# of Search Conditions";
constexpr const char* kKeySortKeys = "FileSortKeys";

std::string ConditionKey(size_t index) {
    char key[40];
    std::snprintf(key, sizeof key, "Search Condition %02zu", index);
    return key;
}

// Reads "%d,%d,%d,%d": four numbers, each optionally signed, separated by
// commas (blanks allowed before a number). False when one is missing.
bool ParseFourInts(std::string_view text, int out[4]) {
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',')
                return false;
            ++pos;
        }
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        bool negative = false;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
            negative = text[pos++] == '-';
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        long long value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (value < 1000000)
                value = value * 10 + (text[pos] - '0');
            ++pos;
        }
        out[i] = static_cast<int>(negative ? -value : value);
    }
    return true;
}

bool ValidSortField(int field) {
    return field >= kSortName && field <= kSortAttributes;
}

} // namespace

void CHabitabItem::SetSortMethod(int method, const CSortKey* customKeys) {
    if (method == kSortMethodUnsorted) {
        sortMethod = method;
        return;
    }
    if (method == kSortMethodCustom) {
        if (customKeys != nullptr) {
            sortMethod = method;
            sortKeys[0] = customKeys[0];
            sortKeys[1] = customKeys[1];
            return;
        }
        method = kSortMethodName;
    }
    int direction = 1;
    if (method >= kSortMethodNameDescending && method <= kSortMethodDateDescending) {
        direction = -1;
        method -= kSortMethodNameDescending - kSortMethodName;
    }
    if (method < kSortMethodName || method > kSortMethodDate)
        method = kSortMethodName;
    static const int firstKey[] = {kSortName, kSortExtension, kSortSize, kSortDate};
    static const int secondKey[] = {kSortExtension, kSortName, kSortName, kSortName};
    sortKeys[0] = {firstKey[method - 1], direction};
    sortKeys[1] = {secondKey[method - 1], direction};
    sortMethod = direction < 0 ? method + (kSortMethodNameDescending - kSortMethodName) : method;
}

void CHabitabItem::Read(const platform::ProfileFile& settings, const std::string& section,
                        const search::CFileSetLookup* sets) {
    name = settings.GetString(section, kKeyName);
    if (name.empty())
        return;
    displayCommandLine = settings.GetInt(section, kKeyCommandLine, displayCommandLine) != 0;
    displayViewerWindow = settings.GetInt(section, kKeyViewer, 0) != 0;
    // Only the number: a custom sort keeps the keys it has until
    // "FileSortKeys" gives them.
    const int method = settings.GetInt(section, kKeySortMethod, kSortMethodName);
    if (method == kSortMethodCustom)
        sortMethod = method;
    else
        SetSortMethod(method);
    fileDisplayMode = settings.GetInt(section, kKeyDisplayMode, 0);
    fileDisplayDetails =
        static_cast<uint32_t>(settings.GetInt(section, kKeyFileDetails, kDefaultFileDetails));
    zipDisplayDetails =
        static_cast<uint32_t>(settings.GetInt(section, kKeyZipDetails, kDefaultZipDetails));

    conditions.Clear();
    const int count = settings.GetInt(section, kKeyConditionCount, 0);
    const size_t wanted = count <= 0 ? 0
                                     : std::min(static_cast<size_t>(count),
                                                search::CFileSearchRequest::kMaxConditions);
    for (size_t i = 0; i < wanted; ++i) {
        search::CFileSearchCondition condition;
        if (search::ParseConditionSetting(settings.GetString(section, ConditionKey(i)), sets,
                                          &condition))
            conditions.AddCondition(std::move(condition));
    }

    int keys[4];
    if (ParseFourInts(settings.GetString(section, kKeySortKeys), keys) && ValidSortField(keys[0]) &&
        ValidSortField(keys[2])) {
        sortKeys[0] = {keys[0], keys[1] < 0 ? -1 : 1};
        sortKeys[1] = {keys[2], keys[3] < 0 ? -1 : 1};
    }
}

void CHabitabItem::Write(platform::ProfileFile& settings, const std::string& section) const {
    settings.WriteString(section, kKeyName, name);
    settings.WriteInt(section, kKeyCommandLine, displayCommandLine ? 1 : 0);
    settings.WriteInt(section, kKeyViewer, displayViewerWindow ? 1 : 0);
    settings.WriteInt(section, kKeySortMethod, sortMethod);
    settings.WriteInt(section, kKeyDisplayMode, fileDisplayMode);
    settings.WriteInt(section, kKeyFileDetails, static_cast<int>(fileDisplayDetails));
    settings.WriteInt(section, kKeyZipDetails, static_cast<int>(zipDisplayDetails));
    const auto& list = conditions.Conditions();
    settings.WriteInt(section, kKeyConditionCount, static_cast<int>(list.size()));
    for (size_t i = 0; i < list.size(); ++i)
        settings.WriteString(section, ConditionKey(i), search::FormatConditionSetting(list[i]));
    char keys[64];
    std::snprintf(keys, sizeof keys, "%d,%d,%d,%d", sortKeys[0].field, sortKeys[0].direction,
                  sortKeys[1].field, sortKeys[1].direction);
    settings.WriteString(section, kKeySortKeys, keys);
}

bool SameSettings(const CHabitabItem& a, const CHabitabItem& b) {
    return a.displayCommandLine == b.displayCommandLine &&
           a.displayViewerWindow == b.displayViewerWindow && a.sortMethod == b.sortMethod &&
           a.sortKeys[0] == b.sortKeys[0] && a.sortKeys[1] == b.sortKeys[1] &&
           a.fileDisplayMode == b.fileDisplayMode && a.fileDisplayDetails == b.fileDisplayDetails &&
           a.zipDisplayDetails == b.zipDisplayDetails &&
           a.conditions.Conditions() == b.conditions.Conditions();
}

} // namespace vorlane::display
