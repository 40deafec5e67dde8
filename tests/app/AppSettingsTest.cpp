// The settings load and save rules: defaults, bad input, the "Drives" rule,
// the editor command replacement, the "Initial Mode" clamp, fonts and
// thumbnail settings through the user-parameter store, and the General
// Settings page checks.
#include "app/AppSettings.h"
#include "AppFakes.h"
#include "app/IUserParameterStore.h"
#include "platform/Drives.h"
#include "platform/Profile.h"
#include "platform/ProgramDirs.h"
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

// Every field of the application sections at its default.
void ExpectDefaults(const AppSettings& s, const std::string& shownDrives) {
    AppSettings expected = AppSettings::Defaults();
    expected.shownDrives = shownDrives;
    EXPECT_TRUE(s == expected) << "shown drives " << s.shownDrives << ", initial mode "
                               << s.initialMode << ", command line " << s.editorCommandLine;
}

TEST(AppSettingsTest, MissingFileGivesEveryDefaultAndShowsEveryExistingDrive) {
    test::TempDir dir;
    platform::ProfileFile ini(dir / "VORLANE.INI");
    ASSERT_TRUE(ini.Load());
    AppSettings s;
    ReadAppSettings(ini, Present("CDZ"), nullptr, &s);
    ExpectDefaults(s, "..cd.....................z");
}

TEST(AppSettingsTest, BadInputGivesTheDefaults) {
    std::string nul("x\0y=1\n", 6);
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"garbage lines", "@@@ garbage\n]]][[\n=\n==\n;comment\n\x01\x02\x03\n"},
        {"missing sections", "[Something Else]\nFile Launch=0\nInitial Mode=104\n"},
        {"keys without equals",
         "[Advanced Settings]\nFile Launch\nSave Settings on Exit\n[Startup Settings]\n"
         "Initial Mode\n[Viewer Settings]\nMax Size Of File In Zip File To View\n"},
        {"wrong types",
         "[Advanced Settings]\nFile Launch=yes\nSave Settings on Exit=no\nPreserve Tags=\n"
         "[Startup Settings]\nInitial Mode=abc\n[Viewer Settings]\n"
         "Max Size Of File In Zip File To View=big\n[Drive Settings]\nDrives=\n"},
        {"Drives of 25 characters", "[Drive Settings]\nDrives=abcdefghijklmnopqrstuvwxy\n"},
        {"Drives of 27 characters", "[Drive Settings]\nDrives=abcdefghijklmnopqrstuvwxyzz\n"},
        {"section header without end", "[Advanced Settings\nFile Launch=0\n"},
        {"NUL bytes", "[Advanced Settings]\n" + nul + "File Launch" + nul},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectDefaults(ReadFromText(c.text, Present("CD")), "..cd......................");
    }
}

TEST(AppSettingsTest, BinaryFileInPlaceOfTheSettingsGivesTheDefaults) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::string bytes(4096, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        // Never a line that happens to be one of our keys.
        for (char& c : bytes)
            if (c == '=')
                c = '#';
        ExpectDefaults(ReadFromText(bytes, Present("C")), "..c.......................");
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
        {"upper case is lower-cased", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "BC",
         ".bc......................."},
        {"hidden drives stay hidden", "..c.e.....................", "CDE",
         "..c.e....................."},
        {"25 characters become all letters", all.substr(0, 25), "CD", "..cd......................"},
        {"27 characters become all letters", all + "a", "CD", "..cd......................"},
        {"27 dots become all letters", std::string(27, '.'), "C", "..c......................."},
        {"empty becomes all letters", "", "AB", "ab........................"},
        {"a wrong letter shows its own drive", "zzzzzzzzzzzzzzzzzzzzzzzzzz", "AC",
         "a.c......................."},
        {"26 dots hide everything", std::string(26, '.'), "CD", std::string(26, '.')},
        {"no drive at all", all, "", std::string(26, '.')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NormaliseShownDrives(c.stored, Present(c.present)), c.expected);
        EXPECT_EQ(ReadFromText("[Drive Settings]\nDrives=" + c.stored + "\n", Present(c.present))
                      .shownDrives,
                  c.expected);
    }
}

TEST(AppSettingsTest, EditorCommandLine) {
    struct Case {
        const char* stored;
        const char* expected;
    } cases[] = {
        {"notepad %1", "notepad %file%"},
        {"notepad %1 -x", "notepad %1 -x"},
        {"NOTEPAD %1", "NOTEPAD %1"},
        {"vi %file%", "vi %file%"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        AppSettings s = ReadFromText(
            std::string("[Editor Settings]\nCommand Line=") + c.stored + "\n", Present("C"));
        EXPECT_EQ(s.editorCommandLine, c.expected);
    }
}

TEST(AppSettingsTest, InitialModeOutsideItsRangeStartsAs101) {
    struct Case {
        const char* stored;
        int expected;
    } cases[] = {{"100", 101},  {"101", 101}, {"102", 102},    {"106", 106},        {"107", 101},
                 {"-106", 101}, {"0", 101},   {"105abc", 105}, {"99999999999", 101}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        AppSettings s = ReadFromText(
            std::string("[Startup Settings]\nInitial Mode=") + c.stored + "\n", Present("C"));
        EXPECT_EQ(s.initialMode, c.expected);
    }
}

TEST(AppSettingsTest, FlagsReadAnyNonZeroAsSet) {
    AppSettings s = ReadFromText("[Advanced Settings]\nMinimize on Launch=7\nFile Launch=0\n"
                                 "4DOS Descriptions=-1\n[Window Settings]\nAutoTile=2\n",
                                 Present("C"));
    EXPECT_TRUE(s.minimizeOnLaunch);
    EXPECT_FALSE(s.fileLaunch);
    EXPECT_TRUE(s.fourDosDescriptions);
    EXPECT_TRUE(s.autoTile);
}

AppSettings NonDefaultSettings() {
    AppSettings s = AppSettings::Defaults();
    s.fileLaunch = false;
    s.minimizeOnLaunch = true;
    s.useTempDirForLaunch = false;
    s.fourDosDescriptions = true;
    s.automaticDragAndDrop = true;
    s.preserveTags = false;
    s.exitWithoutPrompting = false;
    s.shownDrives = "..c.......................";
    s.useInternalEditor = false;
    s.useExternalEditor = true;
    s.editorCommandLine = "vim %file%";
    s.editorWorkDirectory = "C:\\WORK DIR";
    s.zipTempPath = "/var/tmp";
    s.initialMode = 105;
    s.thumbnailWidth = 96;
    s.thumbnailHeight = 72;
    s.thumbnailTypes = {1, 2, 3};
    s.viewFilesInZipFiles = false;
    s.viewJpegFiles = true;
    s.maxZipViewSizeKb = 512;
    s.autoTile = true;
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
    EXPECT_EQ(read.editorWorkDirectory, "C:\\WORK DIR");
    EXPECT_EQ(read.thumbnailTypes, (std::vector<int32_t>{1, 2, 3}));
}

TEST(AppSettingsTest, WriteStoresThumbnailSizeInFrontOfTheTypesAndAllSixFonts) {
    FakeParameterStore store;
    platform::ProfileFile ini;
    AppSettings s = NonDefaultSettings();
    ASSERT_TRUE(WriteAppSettings(ini, s, &store));
    std::vector<int32_t> values;
    ASSERT_TRUE(DecodeIntArray(store.records["Thumbnail Settings"], &values));
    EXPECT_EQ(values, (std::vector<int32_t>{96, 72, 1, 2, 3}));
    for (size_t i = 0; i < kFontCount; ++i) {
        const char* name = FontParameterName(static_cast<FontSlot>(i));
        ASSERT_EQ(store.records.count(name), 1u) << name;
        EXPECT_EQ(store.records[name].size(), 60u);
    }
    EXPECT_EQ(store.records.size(), 7u);
}

TEST(AppSettingsTest, FontRecordOfAnotherLengthIsIgnored) {
    LogFont custom = LogFont::Make("Courier", -15);
    const std::vector<uint8_t> record = custom.Encode();
    struct Case {
        const char* name;
        std::vector<uint8_t> record;
        bool taken;
    } cases[] = {
        {"60 bytes", record, true},
        {"59 bytes", std::vector<uint8_t>(record.begin(), record.end() - 1), false},
        {"61 bytes",
         [&] {
             auto r = record;
             r.push_back(0);
             return r;
         }(),
         false},
        {"empty", {}, false},
        {"92 bytes (a wide-character record)", std::vector<uint8_t>(92, 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeParameterStore store;
        store.records["\\Fonts\\File List\\List"] = c.record;
        AppSettings s = ReadFromText("", Present("C"), &store);
        EXPECT_EQ(s.Font(FontSlot::List), c.taken ? custom : DefaultFont(FontSlot::List));
        EXPECT_EQ(s.Font(FontSlot::Tree), DefaultFont(FontSlot::Tree));
    }
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
        {"size only", EncodeIntArray({64, 48}), 64, 48, {}},
        {"one entry is lengthened", EncodeIntArray({64}), 64, 36, {}},
        {"empty array is lengthened", EncodeIntArray({}), 48, 36, {}},
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
    platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + dir.path()));
    ::mkdir((dir / "SUB").c_str(), 0700);

    EXPECT_EQ(CheckDrivesPage(std::string(26, '.')),
              "At least one drive must be selected to view!");
    EXPECT_EQ(CheckDrivesPage("..c......................."), "");

    struct Case {
        std::string path;
        bool valid;
    } dirs[] = {{dir.path(), true},     {dir / "SUB", true},   {"C:\\", true},
                {"c:\\sub", true},      {dir / "file", false}, {dir / "missing", false},
                {"C:\\MISSING", false}, {"Q:\\", false},       {"relative/dir", false}};
    for (const Case& c : dirs) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CheckEditorPage(c.path), c.valid ? "" : "Editor work directory is not valid!");
        EXPECT_EQ(CheckPathsPage(c.path), c.valid ? "" : "Zip temp path is not valid!");
    }
    EXPECT_EQ(CheckEditorPage(""), "");
    EXPECT_EQ(CheckPathsPage(""), "Zip temp path is not valid!");
}

} // namespace
} // namespace vorlane::app
