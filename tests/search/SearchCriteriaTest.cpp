// The criteria dialogs' choices as a search request: the conditions built,
// what they select, the refusals, and the "File Search Details" section.
#include "search/SearchCriteria.h"

#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace vorlane::search {
namespace {

uint16_t Dos(int year, int month, int day) {
    return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

struct File {
    std::string name;
    uint64_t size;
    uint16_t date;
    uint32_t attributes;
};

class OneSet : public CFileSetLookup {
  public:
    std::optional<std::string> Definition(const std::string& name) const override {
        if (name == "Docs")
            return "~Wildcards~-TEMP*~+*.DOC";
        if (name == "Loop")
            return "~Wildcards~+[Loop]";
        return std::nullopt;
    }
};

CFileSearchCriteriaTransfer Types(const std::string& types) {
    CFileSearchCriteriaTransfer t;
    t.fileTypes = types;
    return t;
}

TEST(SearchCriteriaTest, SelectWhatTheDialogAsked) {
    const uint16_t d1997 = Dos(1997, 6, 15);
    const std::vector<File> files = {
        {"README", 0, d1997, 0x20},
        {"notes.txt", 1, d1997, 0x01},
        {"old.bak", 1024, Dos(1998, 1, 1), 0x03},
        {"Apple.doc", 1025, Dos(1997, 1, 1), 0x02},
        {"apple.txt", 5000, Dos(1997, 12, 31), 0x00},
        {"TEMP.DOC", 0, Dos(1999, 1, 1), 0x20},
    };
    auto sized = [](SizeMode mode, int64_t kb) {
        CFileSearchCriteriaTransfer t;
        t.sizeMode = mode;
        t.sizeKb = kb;
        return t;
    };
    auto dated = [](DateMode mode, uint16_t a, uint16_t b = 0) {
        CFileSearchCriteriaTransfer t;
        t.dateMode = mode;
        t.date1 = a;
        t.date2 = b;
        return t;
    };
    using A = AttributeState;
    auto attrs = [](A ro, A hidden) {
        CFileSearchCriteriaTransfer t;
        t.attributes[kBoxReadOnly] = ro;
        t.attributes[kBoxHidden] = hidden;
        return t;
    };
    struct Case {
        const char* name;
        CFileSearchCriteriaTransfer transfer;
        std::string expected; // the names selected, joined by " "
    } cases[] = {
        {"empty types: every file", Types(""),
         "README notes.txt old.bak Apple.doc apple.txt TEMP.DOC"},
        {"wildcard ignores case", Types("*.TXT"), "notes.txt apple.txt"},
        {"first entry decides: exclude first", Types("-*.BAK;*.*"),
         "README notes.txt Apple.doc apple.txt TEMP.DOC"},
        {"only excludes select nothing", Types("-*.BAK"), ""},
        {"sets compare as the name has it", Types("[A-C]*"), "Apple.doc"},
        {"a file set", Types("[Docs]"), "Apple.doc"},
        {"unknown file set adds nothing", Types("[Pictures];*.DOC"), "Apple.doc TEMP.DOC"},
        {"less than 1 KB: empty files only", sized(SizeMode::LessThan, 1), "README TEMP.DOC"},
        {"greater than 1 KB rounds up", sized(SizeMode::GreaterThan, 1), "Apple.doc apple.txt"},
        {"before a day", dated(DateMode::Before, d1997), "Apple.doc"},
        {"on a day", dated(DateMode::On, d1997), "README notes.txt"},
        {"after a day", dated(DateMode::After, d1997), "old.bak apple.txt TEMP.DOC"},
        {"between 1997's first and last day",
         dated(DateMode::Between, Dos(1997, 1, 1), Dos(1997, 12, 31)),
         "README notes.txt Apple.doc apple.txt"},
        {"read-only set", attrs(A::Set, A::Either), "notes.txt old.bak"},
        {"read-only and hidden set", attrs(A::Set, A::Set), "old.bak"},
        {"hidden cleared", attrs(A::Either, A::Cleared), "README notes.txt apple.txt TEMP.DOC"},
        {"each cleared box must be clear", attrs(A::Cleared, A::Cleared),
         "README apple.txt TEMP.DOC"},
    };
    OneSet sets;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileSearchRequest request;
        std::string refusal;
        CriteriaField field;
        ASSERT_TRUE(BuildSearchRequest(c.transfer, &sets, &request, &refusal, &field)) << refusal;
        std::string selected;
        for (const File& f : files)
            if (request.Matches({f.name, f.size, f.date, f.attributes}))
                selected += (selected.empty() ? "" : " ") + f.name;
        EXPECT_EQ(selected, c.expected);
    }
}

TEST(SearchCriteriaTest, ConditionsComeInTheirOrder) {
    CFileSearchCriteriaTransfer t;
    t.sizeMode = SizeMode::GreaterThan;
    t.sizeKb = 12;
    t.dateMode = DateMode::Between;
    t.date1 = Dos(1997, 1, 1);
    t.date2 = Dos(1997, 12, 31);
    t.attributes = {AttributeState::Set, AttributeState::Cleared, AttributeState::Set,
                    AttributeState::Cleared};
    CFileSearchRequest request;
    std::string refusal;
    CriteriaField field;
    ASSERT_TRUE(BuildSearchRequest(t, nullptr, &request, &refusal, &field));
    std::vector<std::string> forms;
    for (const CFileSearchCondition& c : request.Conditions())
        forms.push_back(FormatConditionSetting(c));
    EXPECT_EQ(forms, (std::vector<std::string>{"1,1,*.*", "3,3,12", "2,4,01/01/1997",
                                               "2,6,12/31/1997", "4,1,RS", "4,2,A", "4,2,H"}));
}

TEST(SearchCriteriaTest, RefusesBadFileTypesLoopsAndReversedDates) {
    CFileSearchCriteriaTransfer reversed;
    reversed.dateMode = DateMode::Between;
    reversed.date1 = Dos(1998, 1, 1);
    reversed.date2 = Dos(1997, 1, 1);
    struct Case {
        const char* name;
        CFileSearchCriteriaTransfer transfer;
        std::string refusal;
        CriteriaField field;
    } cases[] = {
        {"empty item", Types("*.TXT;;*.DOC"), InvalidFileSpecificationText(""),
         CriteriaField::FileTypes},
        {"unclosed set", Types("*.TXT;[a-"), InvalidFileSpecificationText("[a-"),
         CriteriaField::FileTypes},
        {"sign without wildcard", Types("-"), InvalidFileSpecificationText("-"),
         CriteriaField::FileTypes},
        {"a set that refers to itself", Types("[Loop]"), "File set 'Loop' refers to itself.",
         CriteriaField::FileTypes},
        {"reversed dates", reversed, kBadDatesText, CriteriaField::Dates},
    };
    OneSet sets;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileSearchRequest request;
        std::string refusal;
        CriteriaField field = CriteriaField::None;
        EXPECT_FALSE(BuildSearchRequest(c.transfer, &sets, &request, &refusal, &field));
        EXPECT_EQ(refusal, c.refusal);
        EXPECT_EQ(field, c.field);
    }
    EXPECT_EQ(InvalidFileSpecificationText("x"),
              "The file specification \"x\" is invalid. It contains invalid characters or it "
              "violates the the DOS file specification syntax.");
}

TEST(SearchCriteriaTest, DetailsSectionKeepsTheValues) {
    test::TempDir dir;
    platform::ProfileFile ini(dir / "VORLANE.INI");
    const uint16_t today = Dos(2024, 5, 6);
    EXPECT_EQ(ReadSearchDetails(ini, today).date1, today) << "missing date: today";
    EXPECT_EQ(ReadSearchDetails(ini, today).attributes[kBoxArchive], AttributeState::Either);

    CFileSearchCriteriaTransfer t;
    t.fileTypes = "*.TXT;[Bilder Ä];-TEMP*";
    t.sizeMode = SizeMode::LessThan;
    t.sizeKb = 40;
    t.dateMode = DateMode::Between;
    t.date1 = Dos(1997, 1, 1);
    t.date2 = Dos(2001, 2, 3);
    t.attributes = {AttributeState::Set, AttributeState::Cleared, AttributeState::Either,
                    AttributeState::Set};
    WriteSearchDetails(ini, t);
    ASSERT_TRUE(ini.Flush());
    platform::ProfileFile again(dir / "VORLANE.INI");
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(ReadSearchDetails(again, today), t);
    EXPECT_EQ(again.GetString(kSearchDetailsSection, "Filespecs"), t.fileTypes);
    EXPECT_EQ(again.GetString(kSearchDetailsSection, "Date 2"), "02/03/2001");

    // Numbers out of range are clamped into it; a date that is not one is today.
    again.WriteString(kSearchDetailsSection, "Size Mode", "7");
    again.WriteString(kSearchDetailsSection, "Hidden", "-3");
    again.WriteString(kSearchDetailsSection, "Date 1", "garbage");
    CFileSearchCriteriaTransfer read = ReadSearchDetails(again, today);
    EXPECT_EQ(read.sizeMode, SizeMode::GreaterThan);
    EXPECT_EQ(read.attributes[kBoxHidden], AttributeState::Cleared);
    EXPECT_EQ(read.date1, today);
}

} // namespace
} // namespace vorlane::search
