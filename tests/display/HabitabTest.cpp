// Habitabs: the settings form of one habitab (every key, its default, the
// order written, damaged values), the list's load and save (no count, a
// damaged count, leftovers of a longer list), its order and lookups, and
// the name rule.
#include "display/CHabitabArray.h"
#include "display/CHabitabSettings.h"

#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace vorlane::display {
namespace {

using Names = std::vector<std::string>;

platform::ProfileFile Ini(const test::TempDir& dir, const std::string& text) {
    test::WriteFile(dir / "VORLANE.INI", text);
    platform::ProfileFile ini(dir / "VORLANE.INI");
    EXPECT_TRUE(ini.Load());
    return ini;
}

Names NamesOf(const CHabitabArray& array) {
    Names names;
    for (int i = 0; i < array.Count(); ++i)
        names.push_back(array.Name(i));
    return names;
}

void ExpectDefaults(const CHabitabItem& item) {
    EXPECT_TRUE(item.displayCommandLine);
    EXPECT_FALSE(item.displayViewerWindow);
    EXPECT_EQ(item.sortMethod, kSortMethodName);
    EXPECT_EQ(item.sortKeys[0], (CSortKey{kSortName, 1}));
    EXPECT_EQ(item.sortKeys[1], (CSortKey{kSortExtension, 1}));
    EXPECT_EQ(item.fileDisplayMode, 0);
    EXPECT_EQ(item.fileDisplayDetails, 0xC04Fu);
    EXPECT_EQ(item.zipDisplayDetails, 0x43CBu);
    EXPECT_TRUE(item.conditions.Empty());
}

TEST(HabitabLoadTest, ListsTheFileGives) {
    struct Case {
        const char* name;
        const char* ini;
        Names expected;
    } cases[] = {
        {"no count", "[Habitab 00 Settings]\nName=Zeta\n", {"Default"}},
        {"count 0", "[General]\n# of Habitabs=0\n", {"Default"}},
        {"negative count", "[General]\n# of Habitabs=-4\n", {"Default"}},
        {"Default first, then by name",
         "[General]\n# of Habitabs=3\n[Habitab 00 Settings]\nName=Zeta\n"
         "[Habitab 01 Settings]\nName=Default\n[Habitab 02 Settings]\nName=Alpha\n",
         {"Default", "Alpha", "Zeta"}},
        {"case ignored, then bytes",
         "[General]\n# of Habitabs=4\n[Habitab 00 Settings]\nName=beta\n"
         "[Habitab 01 Settings]\nName=Beta\n[Habitab 02 Settings]\nName=alpha\n"
         "[Habitab 03 Settings]\nName=\xc3\xa9t\xc3\xa9\n",
         {"alpha", "Beta", "beta", "\xc3\xa9t\xc3\xa9"}},
        {"a section without a name still counts",
         "[General]\n# of Habitabs=2\n[Habitab 00 Settings]\nName=Work\nDisplayViewerWindow=1\n",
         {"", "Work"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        CHabitabArray array;
        array.Load(Ini(dir, c.ini), nullptr);
        EXPECT_EQ(NamesOf(array), c.expected);
    }

    test::TempDir dir;
    CHabitabArray array;
    array.Load(Ini(dir, "[General]\n# of Habitabs=2\n[Habitab 01 Settings]\n"
                        "DisplayViewerWindow=1\nFileDisplayMode=4\n"),
               nullptr);
    ASSERT_EQ(array.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(array.Name(i), "") << "no name: the rest of the section is not read";
        ExpectDefaults(*array.Item(i));
    }
    array.Load(Ini(dir, "[General]\n# of Habitabs=2000000000\n"), nullptr);
    EXPECT_EQ(array.Count(), kMaxHabitabs) << "a damaged count is bounded";
    array.LoadFile(dir / "missing.ini", nullptr);
    EXPECT_EQ(NamesOf(array), Names{"Default"});
    ExpectDefaults(*array.Item(0));
}

TEST(HabitabItemTest, ReadsEachKeyAndSurvivesDamage) {
    struct Case {
        const char* name;
        const char* keys;
        int method;
        CSortKey first, second;
        size_t conditions;
    } cases[] = {
        {"custom keys from FileSortKeys",
         "DriveSortMethod=5\nFileSortKeys=2,-1,0,1\n",
         5,
         {kSortSize, -1},
         {kSortName, 1},
         0},
        {"custom without FileSortKeys keeps the defaults",
         "DriveSortMethod=5\n",
         5,
         {kSortName, 1},
         {kSortExtension, 1},
         0},
        {"method fills the keys", "DriveSortMethod=8\n", 8, {kSortSize, -1}, {kSortName, -1}, 0},
        {"unknown method", "DriveSortMethod=77\n", 1, {kSortName, 1}, {kSortExtension, 1}, 0},
        {"unparsable method", "DriveSortMethod=abc\n", 1, {kSortName, 1}, {kSortExtension, 1}, 0},
        {"short FileSortKeys ignored",
         "DriveSortMethod=5\nFileSortKeys=2,-1\n",
         5,
         {kSortName, 1},
         {kSortExtension, 1},
         0},
        {"FileSortKeys with a field out of range ignored",
         "DriveSortMethod=5\nFileSortKeys=9,1,0,1\n",
         5,
         {kSortName, 1},
         {kSortExtension, 1},
         0},
        {"conditions: the damaged one left out",
         "# of Search Conditions=3\nSearch Condition 00=1,1,*.TXT\n"
         "Search Condition 01=garbage\nSearch Condition 02=3,5,10\n",
         1,
         {kSortName, 1},
         {kSortExtension, 1},
         2},
        {"conditions: a huge count reads at most 40",
         "# of Search Conditions=99999\nSearch Condition 00=4,1,RH\n",
         1,
         {kSortName, 1},
         {kSortExtension, 1},
         1},
        {"conditions: a field that cannot be set",
         "# of Search Conditions=1\n"
         "Search Condition 00=12,1,x\n",
         1,
         {kSortName, 1},
         {kSortExtension, 1},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        CHabitabItem item;
        item.Read(Ini(dir, std::string("[S]\nName=N\n") + c.keys), "S", nullptr);
        EXPECT_EQ(item.sortMethod, c.method);
        EXPECT_EQ(item.sortKeys[0], c.first);
        EXPECT_EQ(item.sortKeys[1], c.second);
        EXPECT_EQ(item.conditions.Conditions().size(), c.conditions);
    }

    test::TempDir dir;
    CHabitabItem item;
    item.Read(Ini(dir, "[S]\nName=N\nDisplay Command Line=7\nDisplayViewerWindow=2\n"
                       "FileDisplayDetails=3\nZipDisplayDetails=x\n"),
              "S", nullptr);
    EXPECT_TRUE(item.displayCommandLine) << "any non-zero is true";
    EXPECT_TRUE(item.displayViewerWindow);
    EXPECT_EQ(item.fileDisplayDetails, 3u);
    EXPECT_EQ(item.zipDisplayDetails, 0x43CBu);
}

class MapLookup : public search::CFileSetLookup {
  public:
    std::map<std::string, std::string> sets;
    std::optional<std::string> Definition(const std::string& name) const override {
        auto it = sets.find(name);
        return it == sets.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

TEST(HabitabItemTest, WritesEveryKeyInOrderAndReadsItBack) {
    CHabitabItem item;
    item.name = "Fotos \xc3\xa9t\xc3\xa9";
    item.displayCommandLine = false;
    item.displayViewerWindow = true;
    CSortKey keys[2] = {{kSortDate, -1}, {kSortExtension, 1}};
    item.SetSortMethod(kSortMethodCustom, keys);
    item.fileDisplayMode = 4;
    item.fileDisplayDetails = 0x8C01;
    item.zipDisplayDetails = 0x0003;
    for (search::CFileSearchCondition c : {
             search::CFileSearchCondition(1, 1, "*.JPG;[Pictures];-TEMP*.*"),
             search::CFileSearchCondition(2, 4, "01/01/1997"),
             search::CFileSearchCondition(3, 5, "100"),
             search::CFileSearchCondition(4, 2, "HS"),
             search::CFileSearchCondition(1, 2, "\xc3\xa9t\xc3\xa9 *.TXT"),
         })
        ASSERT_TRUE(item.conditions.AddCondition(c));

    test::TempDir dir;
    platform::ProfileFile ini = Ini(dir, "");
    item.Write(ini, "Habitab 00 Settings");
    EXPECT_EQ(ini.Keys("Habitab 00 Settings"),
              (Names{"Name", "Display Command Line", "DisplayViewerWindow", "DriveSortMethod",
                     "FileDisplayMode", "FileDisplayDetails", "ZipDisplayDetails",
                     "# of Search Conditions", "Search Condition 00", "Search Condition 01",
                     "Search Condition 02", "Search Condition 03", "Search Condition 04",
                     "FileSortKeys"}));
    EXPECT_EQ(ini.GetString("Habitab 00 Settings", "Search Condition 00"),
              "1,1,*.JPG;[Pictures];-TEMP*.*");
    EXPECT_EQ(ini.GetString("Habitab 00 Settings", "FileSortKeys"), "3,-1,1,1");
    EXPECT_EQ(ini.GetString("Habitab 00 Settings", "FileDisplayDetails"), "35841");
    ASSERT_TRUE(ini.Flush());

    MapLookup sets;
    sets.sets["Pictures"] = "~Wildcards~+*.BMP~+*.GIF";
    platform::ProfileFile again(dir / "VORLANE.INI");
    ASSERT_TRUE(again.Load());
    CHabitabItem read;
    read.Read(again, "Habitab 00 Settings", &sets);
    EXPECT_EQ(read.name, item.name);
    EXPECT_TRUE(SameSettings(read, item));
    const search::CFileSearchCondition& types = read.conditions.Conditions()[0];
    EXPECT_TRUE(types.Matches({"PIC.GIF", 0, 0, 0})) << "the set expanded on reading";
    EXPECT_FALSE(types.Matches({"PIC.PNG", 0, 0, 0}));
}

TEST(HabitabArrayTest, OrderLookupsAndRemoval) {
    CHabitabArray array;
    EXPECT_EQ(NamesOf(array), Names{"Default"});
    CHabitabItem item;
    item.name = "Zeta";
    EXPECT_EQ(array.Add(item), 1);
    item.name = "alpha";
    EXPECT_EQ(array.Add(item), 1) << "the new index of its name";
    item.name = "Mid";
    item.fileDisplayMode = 2;
    EXPECT_EQ(array.Add(item), 2);
    EXPECT_EQ(NamesOf(array), (Names{"Default", "alpha", "Mid", "Zeta"}));

    EXPECT_EQ(array.IndexOf("zeta"), 3) << "case ignored";
    EXPECT_EQ(array.IndexOf("Nothing"), -1);
    EXPECT_EQ(array.Item(2)->fileDisplayMode, 2);
    EXPECT_EQ(array.Item(4), nullptr);
    EXPECT_EQ(array.Item(-1), nullptr);
    EXPECT_EQ(array.Name(9), "");
    item.name = "ALPHA";
    array.Add(item);
    EXPECT_EQ(array.IndexOf("ALPHA"), 1) << "the exact spelling first";
    EXPECT_EQ(array.IndexOf("alpha"), 2);

    EXPECT_TRUE(array.Remove(2));
    EXPECT_FALSE(array.Remove(4));
    EXPECT_EQ(NamesOf(array), (Names{"Default", "ALPHA", "Mid", "Zeta"}));
}

TEST(HabitabArrayTest, NameRule) {
    const std::string e = "\xc3\xa9"; // one character, two bytes
    std::string e39, e40;
    for (int i = 0; i < 39; ++i)
        e39 += e;
    e40 = e39 + e;
    struct Case {
        std::string name;
        bool fits;
    } cases[] = {
        {"", false}, {"x", true},  {std::string(39, 'a'), true}, {std::string(40, 'a'), false},
        {e39, true}, {e40, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HabitabNameFits(c.name), c.fits) << c.name.size() << " bytes";
}

TEST(HabitabArrayTest, SavesEverySectionAndLeavesLeftoversOfALongerList) {
    test::TempDir dir;
    CHabitabArray array;
    CHabitabItem item;
    for (const char* name : {"Zeta", "\xc3\x84pfel", "Work"}) {
        item.name = name;
        item.conditions.Clear();
        item.conditions.AddCondition({3, 3, "5"});
        array.Add(item);
    }
    test::WriteFile(dir / "VORLANE.INI", "; kept\n[General]\nWindow Top=5\n");
    ASSERT_TRUE(array.SaveFile(dir / "VORLANE.INI"));

    CHabitabSettings hook;
    platform::ProfileFile ini(dir / "VORLANE.INI");
    ASSERT_TRUE(ini.Load());
    hook.Load(ini);
    EXPECT_EQ(NamesOf(hook.Array()), NamesOf(array));
    for (int i = 0; i < array.Count(); ++i)
        EXPECT_TRUE(SameSettings(*hook.Array().Item(i), *array.Item(i))) << i;
    EXPECT_EQ(ini.GetInt("General", "Window Top", 0), 5);

    // A shorter list: its sections are written, the rest stay behind.
    hook.Array().Remove(3);
    hook.Array().Remove(2);
    hook.Save(ini);
    EXPECT_EQ(ini.GetInt("General", "# of Habitabs", 0), 2);
    EXPECT_EQ(ini.GetString("Habitab 01 Settings", "Name"), "Work");
    EXPECT_EQ(ini.GetString("Habitab 03 Settings", "Name"), "\xc3\x84pfel");
    EXPECT_EQ(ini.GetString("Habitab 03 Settings", "Search Condition 00"), "3,3,5");
    hook.Load(ini);
    EXPECT_EQ(NamesOf(hook.Array()), (Names{"Default", "Work"}));
}

} // namespace
} // namespace vorlane::display
