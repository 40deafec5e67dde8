// File sets: the stored string, the editor's list, file-types expansion
// through the object database (references, cycles, bounds) and the select
// rule.
#include "search/FileSets.h"
#include "search/CFileSetStore.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace vorlane::search {
namespace {

using Entries = std::vector<WildcardEntry>;

TEST(FileSetDefinitionTest, ParsesTheWildcardsSection) {
    struct Case {
        const char* name;
        std::string text;
        bool ok;
        Entries entries;
    } cases[] = {
        {"two includes", "~Wildcards~+*.BMP~+*.GIF", true, {{true, "*.BMP"}, {true, "*.GIF"}}},
        {"empty section then another", "~Wildcards~~Other~x", true, {}},
        {"label anywhere, ends at ~~",
         "~Other~a~~Wildcards~-TEMP*.*~+*.*~~Tail~z",
         true,
         {{false, "TEMP*.*"}, {true, "*.*"}}},
        {"trailing tilde", "~Wildcards~+A~", true, {{true, "A"}}},
        {"any other sign excludes", "~Wildcards~?X~+Y", true, {{false, "X"}, {true, "Y"}}},
        {"non-ASCII kept", "~Wildcards~+FÖTO*.JPG", true, {{true, "FÖTO*.JPG"}}},
        {"no label", "+*.BMP~+*.GIF", false, {}},
        {"label without closing tilde", "~Wildcards", false, {}},
        {"empty", "", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Entries entries{{true, "stale"}};
        std::string error;
        EXPECT_EQ(ParseFileSetDefinition(c.text, "S", &entries, &error), c.ok);
        EXPECT_EQ(entries, c.entries);
        if (!c.ok) {
            EXPECT_EQ(error, "File set 'S' is damaged: its definition has no ~Wildcards~ label.");
        }
        if (c.ok && !c.entries.empty()) {
            // What is written reads back the same.
            Entries again;
            ASSERT_TRUE(
                ParseFileSetDefinition(FormatFileSetDefinition(c.entries), "S", &again, &error));
            EXPECT_EQ(again, c.entries);
        }
    }
    EXPECT_EQ(FormatFileSetDefinition({{true, "*.BMP"}, {false, "TEMP*.*"}}),
              "~Wildcards~+*.BMP~-TEMP*.*");
}

TEST(WildcardListTest, AddKeepsOneSortedRowPerWildcard) {
    CWildcardList list;
    size_t row = 99;
    struct Step {
        const char* typed;
        bool include;
        CWildcardList::AddResult result;
        size_t row;
    } steps[] = {
        {"  *.txt ", true, CWildcardList::AddResult::Added, 0},
        {"*.TXT", false, CWildcardList::AddResult::AlreadyThere, 0}, // operator unchanged
        {"*.BAK", false, CWildcardList::AddResult::Added, 0},
        {"\tz*", true, CWildcardList::AddResult::Added, 2},
        {"[A-", true, CWildcardList::AddResult::Refused, 99},
        {"C:\\*.TXT", true, CWildcardList::AddResult::Refused, 99},
        {"   ", true, CWildcardList::AddResult::Refused, 99},
        {"A~B", true, CWildcardList::AddResult::Refused, 99}, // would split the stored string
        {"bild*.jpg", true, CWildcardList::AddResult::Added, 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.typed);
        row = 99;
        EXPECT_EQ(list.Add(s.typed, s.include, &row), s.result);
        EXPECT_EQ(row, s.row);
    }
    EXPECT_EQ(list.Entries(),
              (Entries{{false, "*.BAK"}, {true, "*.TXT"}, {true, "BILD*.JPG"}, {true, "Z*"}}));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_FALSE(list.Remove(3));
    EXPECT_EQ(list.Size(), 3u);
    EXPECT_EQ(InvalidWildcardText("[A-"), "'[A-' is NOT a valid wildcard!");
    EXPECT_EQ(ClearWildcardsQuestion(3), "Do you wish to clear the 3 wildcards defined?");
}

class MapLookup : public CFileSetLookup {
  public:
    std::map<std::string, std::string> sets;
    std::optional<std::string> Definition(const std::string& name) const override {
        auto it = sets.find(name);
        if (it == sets.end())
            return std::nullopt;
        return it->second;
    }
};

TEST(ExpandFileTypesTest, ItemsReferencesAndFailures) {
    MapLookup sets;
    sets.sets["Pictures"] = "~Wildcards~+*.BMP~-TEMP*.*~+*.GIF";
    sets.sets["AB"] = "~Wildcards~+AB.*";
    sets.sets["Nested"] = "~Wildcards~-[Pictures]~+*.DOC";
    sets.sets["Self"] = "~Wildcards~+*.A~+[Self]";
    sets.sets["Ping"] = "~Wildcards~+[Pong]";
    sets.sets["Pong"] = "~Wildcards~+*.X~+[PING]"; // names compare without case
    sets.sets["Broken"] = "+*.A";
    // Each level refers to the next twice: 2^20 visits without a bound.
    for (int i = 0; i < 20; ++i)
        sets.sets["D" + std::to_string(i)] =
            "~Wildcards~+[D" + std::to_string(i + 1) + "]~+[D" + std::to_string(i + 1) + "]";
    struct Case {
        const char* name;
        std::string types;
        bool ok;
        std::vector<std::string> entries;
        std::string error;
    } cases[] = {
        {"mixed",
         "*.TXT;[Pictures];-*.BAK",
         true,
         {"*.TXT", "+*.BMP", "-TEMP*.*", "+*.GIF", "-*.BAK"},
         ""},
        {"empty string", "", true, {}, ""},
        {"trailing separator", "*.A;", true, {"*.A"}, ""},
        {"empty item stops",
         "*.TXT;;*.DOC",
         false,
         {"*.TXT", ""},
         InvalidFileSpecificationText("")},
        {"bad wildcard stops",
         "*.A;[x-;*.B",
         false,
         {"*.A", "[x-"},
         InvalidFileSpecificationText("[x-")},
        {"sign alone", "+", false, {"+"}, InvalidFileSpecificationText("+")},
        {"[AB] names a set", "[AB]", true, {"+AB.*"}, ""},
        {"missing set adds nothing", "[Nope];*.C", true, {"*.C"}, ""},
        {"blank kept", "*.TXT; *.DOC", true, {"*.TXT", " *.DOC"}, ""},
        {"exclude reference in a set",
         "[Nested]",
         true,
         {"-*.BMP", "-TEMP*.*", "-*.GIF", "+*.DOC"},
         ""},
        {"set refers to itself", "[Self]", false, {"+*.A"}, "File set 'Self' refers to itself."},
        {"cycle through another", "[Ping]", false, {"+*.X"}, "File set 'PING' refers to itself."},
        {"damaged set",
         "*.A;[Broken]",
         false,
         {"*.A"},
         "File set 'Broken' is damaged: its definition has no ~Wildcards~ label."},
        {"reference explosion bounded",
         "[D0]",
         false,
         {},
         "The file types refer to more than 256 file sets."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> entries;
        std::string bad, error;
        EXPECT_EQ(ExpandFileTypes(c.types, &sets, &entries, &bad, &error), c.ok);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(error, c.error);
    }
    // Without a lookup a reference adds nothing.
    std::vector<std::string> entries;
    std::string bad, error;
    EXPECT_TRUE(ExpandFileTypes("[Pictures];*.Z", nullptr, &entries, &bad, &error));
    EXPECT_EQ(entries, std::vector<std::string>{"*.Z"});
    // A huge string is bounded too.
    std::string many;
    for (int i = 0; i < 5000; ++i)
        many += "*.A;";
    EXPECT_FALSE(ExpandFileTypes(many, nullptr, &entries, &bad, &error));
    EXPECT_EQ(error, "The file types expand to more than 4096 wildcards.");
}

TEST(FileSelectorTest, FirstMatchingEntryDecides) {
    struct Case {
        const char* name;
        std::vector<std::string> entries;
        const char* file;
        bool selected;
    } cases[] = {
        {"exclude first", {"-TEMP*.*", "+*.*"}, "TEMP1.TXT", false},
        {"exclude first, others pass", {"-TEMP*.*", "+*.*"}, "report.txt", true},
        {"include first wins", {"+*.*", "-TEMP*.*"}, "TEMP1.TXT", true},
        {"*.* selects names without a dot", {"+*.*"}, "README", true},
        {"letters without case after *", {"A*B"}, "aXb", true},
        {"set compares the name as stored", {"[A-C]*"}, "Apple", true},
        {"set is case-sensitive", {"[A-C]*"}, "apple", false},
        {"no entries", {}, "X", false},
        {"only excludes", {"-*.BAK"}, "X.TXT", false},
        {"leading blank matches nothing ordinary", {" *.DOC"}, "A.DOC", false},
        {"non-ASCII literal", {"+FÖTO*"}, "Föto1.jpg", false}, // Ö is not ASCII: kept as is
        {"non-ASCII exact", {"+FÖTO*"}, "FÖTO1.jpg", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CFileSelector(c.entries).Selects(c.file), c.selected);
    }
}

class FileSetStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_db.Open(m_dir / "VORLN32.DAT", true, 30000)); }
    test::TempDir m_dir;
    objdb::CObjectDatabase m_db;
    CFileSetStore m_store{m_db};
};

TEST_F(FileSetStoreTest, SaveLoadRenameDeleteWithTheirTexts) {
    std::string error;
    const Entries pictures{{true, "*.BMP"}, {false, "TEMP*.*"}};
    ASSERT_TRUE(m_store.Save("Pictures", pictures, &error));
    ASSERT_TRUE(m_store.Save("Bilder Ü", {{true, "*.JPG"}}, &error));
    EXPECT_EQ(m_store.Names(), (std::vector<std::string>{"Bilder Ü", "Pictures"}));
    std::string stored;
    ASSERT_TRUE(m_db.GetString(objdb::kObjectKindFileSet, "Pictures", &stored));
    EXPECT_EQ(stored, "~Wildcards~+*.BMP~-TEMP*.*");

    Entries loaded;
    ASSERT_TRUE(m_store.Load("Pictures", &loaded, &error));
    EXPECT_EQ(loaded, pictures);
    EXPECT_FALSE(m_store.Load("Missing", &loaded, &error));
    EXPECT_EQ(error, "Unable to load file set 'Missing' from Vorlane's object database.");

    EXPECT_FALSE(m_store.Rename("Pictures", "Bilder Ü", &error));
    EXPECT_EQ(error, "Unable to rename file set 'Pictures' to 'Bilder Ü'.\n\n"
                     "Specified key already exists!");
    EXPECT_FALSE(m_store.Rename("Pictures", "a;b", &error));
    EXPECT_TRUE(m_store.Exists("Pictures"));
    ASSERT_TRUE(m_store.Rename("Pictures", "Images", &error));
    EXPECT_FALSE(m_store.Exists("Pictures"));

    // The store is the lookup expansion reads through.
    std::vector<std::string> entries;
    std::string bad;
    ASSERT_TRUE(ExpandFileTypes("[Images]", &m_store, &entries, &bad, &error));
    EXPECT_EQ(entries, (std::vector<std::string>{"+*.BMP", "-TEMP*.*"}));

    ASSERT_TRUE(m_store.Delete("Images", &error));
    EXPECT_FALSE(m_store.Delete("Images", &error));
    EXPECT_EQ(m_store.Names(), std::vector<std::string>{"Bilder Ü"});

    EXPECT_FALSE(m_store.Save("", {}, &error));
    EXPECT_FALSE(m_store.Save("a;b", {}, &error));
    m_db.Close();
    EXPECT_FALSE(m_store.Save("X", {}, &error));
    EXPECT_EQ(error, "Unable to add/update search 'X' to Vorlane's object database!");
}

} // namespace
} // namespace vorlane::search
