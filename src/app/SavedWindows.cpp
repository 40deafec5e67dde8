#include "app/SavedWindows.h"

#include "app/CDriveType.h"
#include "platform/Profile.h"

#include <cctype>
#include <climits>
#include <cstdio>

namespace vorlane::app {

namespace {

const char kStartup[] = "Startup Settings";

std::string NumberedKey(const char* format, int n) {
    char key[64];
    std::snprintf(key, sizeof key, format, n);
    return key;
}

// Reads one decimal integer the way the scanf family does: leading blanks,
// an optional sign, at least one digit. Values beyond int are clamped.
bool ScanInt(const std::string& text, size_t* pos, int* value) {
    size_t i = *pos;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return false;
    long long v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (v < (1LL << 40))
            v = v * 10 + (text[i] - '0');
        ++i;
    }
    if (negative)
        v = -v;
    *value = static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    *pos = i;
    return true;
}

int AddClamped(int a, int b) {
    long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(sum < INT_MIN ? INT_MIN : sum > INT_MAX ? INT_MAX : sum);
}

std::string ToUpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

int ParseWindowLayout(const std::string& text, int fields[6]) {
    for (int i = 0; i < 6; ++i)
        fields[i] = 0;
    size_t pos = 0;
    int parsed = 0;
    while (parsed < 6) {
        if (parsed > 0) {
            if (pos >= text.size() || text[pos] != ',')
                break;
            ++pos;
        }
        if (!ScanInt(text, &pos, &fields[parsed]))
            break;
        ++parsed;
    }
    return parsed;
}

int WriteSavedWindows(platform::ProfileFile& ini, const std::vector<OpenWindowInfo>& windows) {
    int count = 0;
    for (const OpenWindowInfo& w : windows) {
        if (w.driveKind == kDriveKindMultiVolumeZip)
            continue;
        char layout[96];
        std::snprintf(layout, sizeof layout, "%d,%d,%d,%d,%d,%d", w.driveKind, w.showMode, w.left,
                      w.top, w.width, w.height);
        ini.WriteString(kStartup, NumberedKey("Drive Name %03d", count), w.driveName);
        ini.WriteString(kStartup, NumberedKey("Initial Directory %03d", count), w.currentDirectory);
        ini.WriteString(kStartup, NumberedKey("Window Layout %03d", count), layout);
        ++count;
    }
    ini.WriteInt(kStartup, "# of Drives", count);
    return count;
}

std::vector<SavedWindow> ReadSavedWindows(const platform::ProfileFile& ini,
                                          const platform::DriveMap& drives) {
    std::vector<SavedWindow> windows;
    int count = ini.GetInt(kStartup, "# of Drives", 0);
    // The keys are numbered with three digits: a larger count is damage.
    if (count > 1000)
        count = 1000;
    for (int n = 0; n < count; ++n) {
        SavedWindow w;
        w.driveName = ToUpperAscii(ini.GetString(kStartup, NumberedKey("Drive Name %03d", n)));
        w.initialDirectory = ini.GetString(kStartup, NumberedKey("Initial Directory %03d", n));
        int f[6];
        ParseWindowLayout(ini.GetString(kStartup, NumberedKey("Window Layout %03d", n)), f);
        w.driveKind = f[0];
        w.showMode = f[1];
        w.left = f[2];
        w.top = f[3];
        w.right = AddClamped(f[2], f[4]);
        w.bottom = AddClamped(f[3], f[5]);
        if (w.driveName.empty() || !CDriveType(w.driveName[0], drives, false).Exists())
            continue;
        windows.push_back(w);
    }
    return windows;
}

} // namespace vorlane::app
