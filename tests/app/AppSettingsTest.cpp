// The settings load and save rules: defaults, bad input, the "Drives" rule,
// the editor command replacement, the "Initial Mode" clamp, fonts and
// thumbnail settings through the user-parameter store, and the General
// Settings page checks.
#include "app/AppSettings.h"
#include "AppFakes.h"
#include "app/IUserParameterStore.h"
#include "platform/Drives.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace vorlane::app {
namespace {

using test::FakeParameterStore;

DrivePresence Present(const std::string& letters) {
    DrivePresence p{};
    for (char c : letters)
        p[c - 'A'] = true;
    return p;
}

AppSettings ReadFromText(const std::string& text, const DrivePresence& present,
                         IUserParameterStore* store = nullptr) {
    test::TempDir dir;
    test::WriteFile(dir / "VORLANE.INI", text);
    platform::ProfileFile ini(dir / "VORLANE.INI");
    ini.Load();
    AppSettings s = AppSettings::Defaults();
    s.initialMode = -1; // proves the reader sets every field
    ReadAppSettings(ini, present, store, &s);
    return s;
}

TEST(AppSettingsTest, BadInputGivesTheDefaults) {
    std::string nul("x\0y=1\n", 6);
    std::mt19937 random(20240601);
    std::string binary(4096, '\0');
    for (char& c : binary) { // random bytes, but never a line that happens to be one of our keys
        c = static_cast<char>(random() & 0xFF);
        if (c == '=')
            c = '#';
    }
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"garbage lines", "@@@ garbage\n]]][[\n=\n==\n;comment\n\x01\x02\x03\n"},
        {"missing sections", "[Something Else]\nFile Launch=0\nInitial Mode=104\n"},
        {"wrong types",
         "[Advanced Settings]\nFile Launch=yes\nSave Settings on Exit=no\nPreserve Tags=\n"
         "[Startup Settings]\nInitial Mode=abc\n[Viewer Settings]\n"
         "Max Size Of File In Zip File To View=big\n[Drive Settings]\nDrives=\n"},
        {"section header without end", "[Advanced Settings\nFile Launch=0\n"},
        {"NUL bytes", "[Advanced Settings]\n" + nul + "File Launch" + nul},
        {"binary", binary},
    };
    AppSettings expected = AppSettings::Defaults();
    expected.shownDrives = "..cd.....................z";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(ReadFromText(c.text, Present("CDZ")) == expected);
    }
}

TEST(AppSettingsTest, DrivesRule) {
    const std::string all = "abcdefghijklmnopqrstuvwxyz";
    struct Case {
        const char* name;
        std::string stored;
        std::string present;
        std::string expected;
    } cases[] = {
        {"all letters, some absent", all, "ACZ", "a.c......................z"},
        {"hidden drives stay hidden", "..c.e.....................", "CDE",
         "..c.e....................."},
        {"25 characters become all letters", all.substr(0, 25), "CD", "..cd......................"},
        {"27 characters become all letters", all + "a", "CD", "..cd......................"},
        {"empty becomes all letters", "", "AB", "ab........................"},
        {"a wrong letter shows its own drive", "zzzzzzzzzzzzzzzzzzzzzzzzzz", "AC",
         "a.c......................."},
        {"26 dots hide everything", std::string(26, '.'), "CD", std::string(26, '.')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NormaliseShownDrives(c.stored, Present(c.present)), c.expected);
        EXPECT_EQ(ReadFromText("[Drive Settings]\nDrives=" + c.stored + "\n", Present(c.present))
                      .shownDrives,
                  c.expected);
    }
}

TEST(AppSettingsTest, EditorCommandLineAndInitialMode) {
    struct Case {
        const char* text;
        const char* commandLine;
        int mode;
    } cases[] = {
        {"[Editor Settings]\nCommand Line=notepad %1\n", "notepad %file%", 101},
        {"[Editor Settings]\nCommand Line=notepad %1 -x\n", "notepad %1 -x", 101},
        {"[Editor Settings]\nCommand Line=NOTEPAD %1\n", "NOTEPAD %1", 101},
        {"[Startup Settings]\nInitial Mode=100\n", "notepad %file%", 101},
        {"[Startup Settings]\nInitial Mode=106\n", "notepad %file%", 106},
        {"[Startup Settings]\nInitial Mode=107\n", "notepad %file%", 101},
        {"[Startup Settings]\nInitial Mode=105abc\n", "notepad %file%", 105},
        {"[Startup Settings]\nInitial Mode=99999999999\n", "notepad %file%", 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        AppSettings s = ReadFromText(c.text, Present("C"));
        EXPECT_EQ(s.editorCommandLine, c.commandLine);
        EXPECT_EQ(s.initialMode, c.mode);
    }
}

AppSettings NonDefaultSettings() {
    AppSettings s = AppSettings::Defaults();
    s.fileLaunch = false;
    s.minimizeOnLaunch = true;
    s.exitWithoutPrompting = false;
    s.shownDrives = "..c.......................";
    s.editorCommandLine = "vim %file%";
    s.editorWorkDirectory = "C:\\WORK DIR";
    s.zipTempPath = "/var/tmp";
    s.initialMode = 105;
    s.thumbnailWidth = 96;
    s.thumbnailHeight = 72;
    s.thumbnailTypes = {1, 2, 3};
    s.maxZipViewSizeKb = 512;
    s.fonts[0] = LogFont::Make("DejaVu Sans", -20);
    s.fonts[5].weight = 700;
    return s;
}

TEST(AppSettingsTest, WriteThenReadGivesTheSameSettings) {
    test::TempDir dir;
    FakeParameterStore store;
    AppSettings written = NonDefaultSettings();
    platform::ProfileFile ini(dir / "VORLANE.INI");
    ASSERT_TRUE(WriteAppSettings(ini, written, &store));
    ASSERT_TRUE(ini.Flush());

    platform::ProfileFile again(dir / "VORLANE.INI");
    ASSERT_TRUE(again.Load());
    AppSettings read = AppSettings::Defaults();
    ReadAppSettings(again, Present("C"), &store, &read);
    EXPECT_TRUE(read == written);
    // The thumbnail size goes in front of the types; one record a font.
    std::vector<int32_t> values;
    ASSERT_TRUE(DecodeIntArray(store.records["Thumbnail Settings"], &values));
    EXPECT_EQ(values, (std::vector<int32_t>{96, 72, 1, 2, 3}));
    EXPECT_EQ(store.records.size(), 1u + kFontCount);
}

TEST(AppSettingsTest, ThumbnailSettingsFromTheStore) {
    struct Case {
        const char* name;
        std::vector<uint8_t> record;
        int width;
        int height;
        std::vector<int32_t> types;
    } cases[] = {
        {"full", EncodeIntArray({64, 48, 1, 2, 3}), 64, 48, {1, 2, 3}},
        {"one entry is lengthened", EncodeIntArray({64}), 64, 36, {}},
        {"zero size is not drawable", EncodeIntArray({0, -5, 75}), 48, 36, {75}},
        {"not an integer array", {1, 2, 3, 4, 5}, 48, 36, {75, 6}},
        {"count disagrees with length", {9, 0, 0, 0, 1, 0, 0, 0}, 48, 36, {75, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeParameterStore store;
        store.records["Thumbnail Settings"] = c.record;
        AppSettings s = ReadFromText("", Present("C"), &store);
        EXPECT_EQ(s.thumbnailWidth, c.width);
        EXPECT_EQ(s.thumbnailHeight, c.height);
        EXPECT_EQ(s.thumbnailTypes, c.types);
    }
}

TEST(AppSettingsTest, GeneralSettingsPageChecks) {
    test::TempDir dir;
    test::WriteFile(dir / "file", "x");
    const platform::DriveMap drives = platform::DriveMap::FromSpec("C=" + dir.path());
    ::mkdir((dir / "SUB").c_str(), 0700);

    EXPECT_EQ(CheckDrivesPage(std::string(26, '.')),
              "At least one drive must be selected to view!");
    EXPECT_EQ(CheckDrivesPage("..c......................."), "");

    struct Case {
        std::string path;
        bool valid;
    } dirs[] = {{dir / "SUB", true},    {"c:\\sub", true}, {dir / "file", false},
                {"C:\\MISSING", false}, {"Q:\\", false},   {"relative/dir", false}};
    for (const Case& c : dirs) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CheckEditorPage(c.path, drives),
                  c.valid ? "" : "Editor work directory is not valid!");
        EXPECT_EQ(CheckPathsPage(c.path, drives), c.valid ? "" : "Zip temp path is not valid!");
    }
    EXPECT_EQ(CheckEditorPage("", drives), "");
    EXPECT_EQ(CheckPathsPage("", drives), "Zip temp path is not valid!");
}

} // namespace
} // namespace vorlane::app
