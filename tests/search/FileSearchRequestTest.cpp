// Search requests: operand parsing, what conditions select, the settings
// form, and the request file (round trip, damaged files, names that would
// leave the request directory, failed writes).
#include "search/CFileSearchRequest.h"
#include "search/SearchCriteria.h"

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vorlane::search {
namespace {

uint16_t Dos(int year, int month, int day) {
    return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

TEST(SearchOperandTest, NamesAndOperandsParse) {
    EXPECT_EQ(FieldName(0), "");
    EXPECT_EQ(FieldName(7), "Date");
    EXPECT_EQ(FieldName(5), "Unknown");
    EXPECT_EQ(FieldName(-1), "Unknown");
    EXPECT_EQ(FieldNumber("size"), 3);
    EXPECT_EQ(FieldNumber("ATTRIBUTES"), 4);
    EXPECT_EQ(FieldNumber("Sizes"), 0);
    EXPECT_EQ(OperatorName(4), ">= (Greater or Equal)");
    EXPECT_EQ(OperatorName(7), "Unknown");
    EXPECT_EQ(OperatorNumber("<> (not EQUAL)"), 2);
    EXPECT_EQ(OperatorNumber("<>"), 0);

    struct DateCase {
        const char* operand;
        uint16_t date;
    } dates[] = {
        {"12/31/1997", Dos(1997, 12, 31)},
        {"01/01/80", Dos(1980, 1, 1)},
        {"06/15/99", Dos(1999, 6, 15)},
        {"06/15/05", Dos(2005, 6, 15)},   // two digits below 80: 2000s
        {"06/15/1975", Dos(1980, 6, 15)}, // clamped to the first DOS year
        {"06/15/2200", Dos(2107, 6, 15)}, // and to the last
        {"6/1/1997", Dos(1997, 6, 0)},    // fixed columns: "6/", "/1" and "97"
        {"", Dos(2000, 0, 0)},
    };
    for (const DateCase& c : dates) {
        SCOPED_TRACE(c.operand);
        EXPECT_EQ(ParseOperandDate(c.operand), c.date);
    }
    EXPECT_EQ(FormatOperandDate(Dos(1997, 1, 5)), "01/05/1997");

    EXPECT_EQ(ParseOperandAttributes("SxRAH"), 0x27u);
    EXPECT_EQ(ParseOperandAttributes("rh"), 0u);
    EXPECT_EQ(ParseOperandSize(" 12abc"), 12);
    EXPECT_EQ(ParseOperandSize("-5"), -5);
    EXPECT_EQ(ParseOperandSize("99999999999"), 2147483647);
    EXPECT_EQ(ParseOperandSize("x"), 0);
}

TEST(SearchConditionTest, WhatEachConditionSelects) {
    const uint16_t june97 = Dos(1997, 6, 15);
    struct Case {
        const char* name;
        int32_t field, op;
        const char* operand;
        SearchFileFacts file;
        bool matches;
    } cases[] = {
        {"size < 1: empty file", 3, 5, "1", {"a", 0, june97, 0}, true},
        {"size < 1: one byte is 1 KB", 3, 5, "1", {"a", 1, june97, 0}, false},
        {"size = 1: 1024 bytes", 3, 1, "1", {"a", 1024, june97, 0}, true},
        {"size > 1: 1025 bytes round up", 3, 3, "1", {"a", 1025, june97, 0}, true},
        {"size beyond 4 GiB", 3, 3, "2147483647", {"a", uint64_t{1} << 42, june97, 0}, true},
        {"size, operator 0", 3, 0, "1", {"a", 0, june97, 0}, false},
        {"attributes RH: both", 4, 1, "RH", {"a", 0, june97, 0x23}, true},
        {"attributes RH: read-only only", 4, 1, "RH", {"a", 0, june97, 0x01}, false},
        {"attributes <> RH: read-only only", 4, 2, "RH", {"a", 0, june97, 0x01}, true},
        {"attributes, operator 3 always true", 4, 3, "RH", {"a", 0, june97, 0}, true},
        {"filename <> *.BAK", 1, 2, "*.BAK", {"old.bak", 0, june97, 0}, false},
        {"filename <> *.BAK: others", 1, 2, "*.BAK", {"new.txt", 0, june97, 0}, true},
        {"filename, operator 3 false", 1, 3, "*.*", {"new.txt", 0, june97, 0}, false},
        {"filename non-ASCII", 1, 1, "BILD-Ä*", {"BILD-Ä1.JPG", 0, june97, 0}, true},
        {"date = by day", 2, 1, "06/15/1997", {"a", 0, june97, 0}, true},
        {"date > is later", 2, 3, "06/14/1997", {"a", 0, june97, 0}, true},
        {"date <= ", 2, 6, "06/14/1997", {"a", 0, june97, 0}, false},
        {"field 7 prints Date, never true", 7, 1, "06/15/1997", {"a", 0, june97, 0}, false},
        {"field 8 never true", 8, 1, "", {"a", 0, june97, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileSearchCondition condition(c.field, c.op, c.operand);
        EXPECT_EQ(condition.Matches(c.file), c.matches);
    }
    CFileSearchCondition bad;
    bad.SetOperand("1");
    EXPECT_FALSE(bad.SetField(9));
    EXPECT_EQ(bad.Field(), kFieldNone);
}

TEST(SearchRequestTest, HoldsFortyConditionsAndMatchesAllOfThem) {
    CFileSearchRequest request;
    EXPECT_TRUE(request.Matches({"anything", 5, 0, 0})) << "no conditions: every file";
    for (size_t i = 0; i < CFileSearchRequest::kMaxConditions; ++i)
        EXPECT_TRUE(request.AddCondition(CFileSearchCondition(kFieldSize, kOpLess, "10")));
    EXPECT_FALSE(request.AddCondition(CFileSearchCondition(kFieldSize, kOpLess, "10")));
    EXPECT_EQ(request.Conditions().size(), 40u);
    EXPECT_FALSE(request.AttributesWanted());

    CFileSearchRequest copy = request; // a deep copy: the original may change
    request.Clear();
    request.SetName("x");
    EXPECT_EQ(copy.Conditions().size(), 40u);
    EXPECT_TRUE(copy.Matches({"a", 9 * 1024, 0, 0}));
    EXPECT_FALSE(copy.Matches({"a", 10 * 1024, 0, 0}));
    EXPECT_TRUE(CFileSearchCondition(1, 1, "*.A") == CFileSearchCondition(1, 1, "*.A"));
    EXPECT_FALSE(CFileSearchCondition(1, 1, "*.A") == CFileSearchCondition(1, 2, "*.A"));
}

TEST(SearchRequestTest, HostFilesMatchThroughTheirStat) {
    test::TempDir dir;
    test::WriteFile(dir / "notes.txt", std::string(1500, 'x'));
    platform::FileEntry entry;
    ASSERT_TRUE(platform::StatEntry(dir / "notes.txt", &entry));
    entry.name = "notes.txt";
    CFileSearchRequest request;
    request.AddCondition(CFileSearchCondition(kFieldFilename, kOpEqual, "*.TXT"));
    request.AddCondition(CFileSearchCondition(kFieldSize, kOpEqual, "2"));
    request.AddCondition(CFileSearchCondition(kFieldAttributes, kOpEqual, "A"));
    EXPECT_TRUE(request.AttributesWanted());
    EXPECT_TRUE(request.Matches(FactsOf(entry)));
    ASSERT_TRUE(platform::SetAttributes(dir / "notes.txt", platform::kAttrReadOnly));
    ASSERT_TRUE(platform::StatEntry(dir / "notes.txt", &entry));
    EXPECT_FALSE(request.Matches(FactsOf(entry))) << "archive cleared";
}

TEST(SearchRequestTest, SettingsFormRoundTrips) {
    struct Case {
        const char* value;
        bool ok;
        int32_t field, op;
        std::string operand;
    } cases[] = {
        {"1,1,*.TXT;-*.BAK", true, 1, 1, "*.TXT;-*.BAK"},
        {" 3, 5,12", true, 3, 5, "12"},
        {"4,2,", true, 4, 2, ""},
        {"4,2", true, 4, 2, ""},
        {"1,1,FÖTO*.JPG", true, 1, 1, "FÖTO*.JPG"},
        {"2,1,01/02/1997\nrest", true, 2, 1, "01/02/1997"},
        {"1,1,a,b,c", true, 1, 1, "a,b,c"},
        {"x,1,a", false, 0, 0, ""},
        {"1;1,a", false, 0, 0, ""},
        {"9,1,a", false, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        CFileSearchCondition condition;
        EXPECT_EQ(ParseConditionSetting(c.value, nullptr, &condition), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(condition.Field(), c.field);
        EXPECT_EQ(condition.Operator(), c.op);
        EXPECT_EQ(condition.Operand(), c.operand);
        CFileSearchCondition again;
        ASSERT_TRUE(ParseConditionSetting(FormatConditionSetting(condition), nullptr, &again));
        EXPECT_TRUE(again == condition);
    }
    CFileSearchCondition longOne;
    ASSERT_TRUE(ParseConditionSetting("1,1," + std::string(300, 'A'), nullptr, &longOne));
    EXPECT_EQ(longOne.Operand().size(), 255u);
}

class RequestFileTest : public ::testing::Test {
  protected:
    void TearDown() override { platform::fault::Reset(); }
    CFileSearchRequest Sample() {
        CFileSearchRequest request;
        request.AddCondition(CFileSearchCondition(kFieldFilename, kOpEqual, "*.TXT;BILD-Ü*"));
        request.AddCondition(CFileSearchCondition(kFieldDate, kOpGreaterEqual, "01/01/1997"));
        request.AddCondition(CFileSearchCondition(kFieldAttributes, kOpNotEqual, "H"));
        return request;
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    test::TempDir m_home;
    std::string m_dir = SearchRequestDirectory(m_home.path());
    std::string m_error;
};

TEST_F(RequestFileTest, WritesAndReadsBackExactly) {
    CFileSearchRequest request = Sample();
    request.SetName("Bilder 1997 ü");
    ASSERT_TRUE(request.Write(m_dir, "", &m_error)) << m_error;
    std::string bytes = test::ReadFile(Path("Bilder 1997 ü"));
    ASSERT_EQ(bytes.size(), 4 + 3 * kRequestRecordSize);
    EXPECT_EQ(bytes.substr(0, 12), std::string("\x03\0\0\0\x01\0\0\0\x01\0\0\0", 12));
    EXPECT_EQ(bytes.substr(12, 14), std::string("*.TXT;BILD-Ü*\0", 14 + 1).substr(0, 14));

    CFileSearchRequest back;
    ASSERT_TRUE(back.Read(m_dir, "Bilder 1997 ü", nullptr, &m_error)) << m_error;
    EXPECT_EQ(back.Name(), "Bilder 1997 ü");
    ASSERT_EQ(back.Conditions().size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(back.Conditions()[i] == request.Conditions()[i]);
    EXPECT_EQ(back.Conditions()[1].Date(), Dos(1997, 1, 1)) << "operands parsed on reading";

    // Written under another file name: the request takes that name.
    ASSERT_TRUE(request.Write(m_dir, "Copy", &m_error));
    EXPECT_EQ(request.Name(), "Copy");

    // Without conditions the file goes, on writing and on reading.
    CFileSearchRequest empty;
    ASSERT_TRUE(empty.Write(m_dir, "Copy", &m_error));
    EXPECT_FALSE(test::FileExists(Path("Copy")));
    test::WriteFile(Path("Zero"), std::string(4, '\0'));
    ASSERT_TRUE(back.Read(m_dir, "Zero", nullptr, &m_error));
    EXPECT_TRUE(back.Empty());
    EXPECT_FALSE(test::FileExists(Path("Zero")));
}

// The name is a file name inside the directory: a request without
// conditions deletes its file, so a name must never reach outside.
TEST_F(RequestFileTest, NamesThatLeaveTheDirectoryAreRefused) {
    test::WriteFile(m_home / "victim", "keep");
    platform::MakeDirectory(m_dir);
    CFileSearchRequest empty;
    for (const char* name : {"../victim", "..", ".", "a/b", "a\\b", "x..y"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(empty.Write(m_dir, name, &m_error));
        EXPECT_NE(m_error.find("is not allowed"), std::string::npos) << m_error;
        EXPECT_FALSE(empty.Read(m_dir, name, nullptr, &m_error));
    }
    EXPECT_EQ(test::ReadFile(m_home / "victim"), "keep");
    EXPECT_FALSE(empty.Write(m_dir, "", &m_error));
    EXPECT_EQ(m_error, "Search Request does not have a name!");
    EXPECT_FALSE(empty.Read(m_dir, "", nullptr, &m_error));
    EXPECT_EQ(m_error, "No Search Request specified!");
    EXPECT_FALSE(empty.Read(m_dir, "Missing", nullptr, &m_error));
    EXPECT_EQ(m_error, "Unable to open Search Request file!");
}

TEST_F(RequestFileTest, DamagedFilesStopAtTheBadRecord) {
    CFileSearchRequest request = Sample();
    ASSERT_TRUE(request.Write(m_dir, "Good", &m_error));
    const std::string good = test::ReadFile(Path("Good"));
    std::string noNul = good;
    std::fill(noNul.begin() + 4 + kRequestRecordSize + 8,
              noNul.begin() + 4 + 2 * kRequestRecordSize, 'x');
    std::string badField = good;
    badField[4 + 2 * kRequestRecordSize] = 9;
    std::string countTooLarge = good;
    countTooLarge[0] = 41;
    countTooLarge += std::string(41 * kRequestRecordSize, '\0');
    std::string hugeCount = good;
    hugeCount.replace(0, 4, "\xFF\xFF\xFF\x7F");
    struct Case {
        const char* name;
        std::string bytes;
        size_t kept;
        std::string error;
    } cases[] = {
        {"shorter than the count", good.substr(0, 3), 0, "Unable to load condition #0"},
        {"truncated in the second record", good.substr(0, 4 + kRequestRecordSize + 100), 1,
         "Unable to load condition #1"},
        {"last byte missing", good.substr(0, good.size() - 1), 2, "Unable to load condition #2"},
        {"operand without its NUL", noNul, 1, "Unable to load condition #1"},
        {"field that cannot be set", badField, 2, "Unable to load condition #2"},
        {"count above forty", countTooLarge, 40, "Unable to load condition #40"},
        {"count larger than the file", hugeCount, 3, "Unable to load condition #3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(Path("Bad"), c.bytes);
        CFileSearchRequest back;
        EXPECT_FALSE(back.Read(m_dir, "Bad", nullptr, &m_error));
        EXPECT_EQ(m_error, c.error);
        EXPECT_EQ(back.Conditions().size(), c.kept);
    }
}

TEST_F(RequestFileTest, FailedWritesLeaveTheOldFile) {
    CFileSearchRequest request = Sample();
    ASSERT_TRUE(request.Write(m_dir, "Kept", &m_error));
    const std::string before = test::ReadFile(Path("Kept"));

    CFileSearchRequest tooLong = Sample();
    tooLong.AddCondition(CFileSearchCondition(kFieldFilename, kOpEqual, std::string(257, 'A')));
    EXPECT_FALSE(tooLong.Write(m_dir, "Kept", &m_error));
    EXPECT_EQ(m_error, "Unable to save condition #3");
    EXPECT_EQ(test::ReadFile(Path("Kept")), before);

    platform::fault::Arm(platform::fault::Op::Write, 1, ENOSPC);
    CFileSearchRequest other;
    other.AddCondition(CFileSearchCondition(kFieldSize, kOpLess, "1"));
    EXPECT_FALSE(other.Write(m_dir, "Kept", &m_error));
    EXPECT_EQ(m_error.rfind("Unable to create Search Request file!", 0), 0u) << m_error;
    platform::fault::Reset();
    EXPECT_EQ(test::ReadFile(Path("Kept")), before);
    EXPECT_EQ(test::ListDir(m_dir), std::vector<std::string>{"Kept"}) << "no temporary left";
}

} // namespace
} // namespace vorlane::search
