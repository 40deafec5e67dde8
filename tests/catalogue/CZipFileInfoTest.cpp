#include "ZipCatalogueTestSupport.h"

#include "catalogue/CDriveContainer.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CZipFileInfo.h"
#include "catalogue/FileGroups.h"
#include "catalogue/ZipDirectoryMembers.h"
#include "zip/ZipMemberEntry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace vorlane::catalogue {
namespace {

using testing::MakeRecord;

TEST(CZipFileInfoTest, MethodNames) {
    struct Case {
        int method;
        const char* text;
    } cases[] = {{0, "Stored"},   {1, "Shrunk"},    {2, "Reduced 1"}, {5, "Reduced 4"},
                 {6, "Imploded"}, {7, "Tokenized"}, {8, "Deflated"},  {9, "Unknown"},
                 {99, "Unknown"}, {-1, "Unknown"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(zip::ZipMemberEntry::MethodName(c.method), c.text) << c.method;
    }
    // A record with an unknown method still yields an entry.
    CZipFileInfo unknown(MakeRecord("a.bin", 10, 10, 9));
    EXPECT_STREQ(unknown.MethodName(), "Unknown");
}

TEST(CZipFileInfoTest, RatioAndKilobytes) {
    struct Case {
        const char* name;
        uint64_t compressed, uncompressed;
        int ratio;
        uint64_t kilobytes;
    } cases[] = {
        {"empty", 0, 0, 0, 0},
        {"compressed but empty", 5, 0, 0, 0},
        {"saved 40", 60, 100, 40, 1},
        {"grew by one", 101, 100, -1, 1},
        {"truncated toward zero", 1, 3, 66, 1},
        {"one byte", 1, 1, 0, 1},
        {"exactly one kilobyte", 512, 1024, 50, 1},
        {"one past", 1025, 1025, 0, 2},
        {"over 4 GiB", 1ull << 32, 5ull << 32, 80, 5ull << 22},
    };
    for (const Case& c : cases) {
        CZipFileInfo member(MakeRecord("f", c.uncompressed, c.compressed));
        EXPECT_EQ(member.Ratio(), c.ratio) << c.name;
        EXPECT_EQ(member.Kilobytes(), c.kilobytes) << c.name;
        EXPECT_EQ(member.UncompressedSize(), c.uncompressed) << c.name;
        EXPECT_EQ(member.CompressedSize(), c.compressed) << c.name;
        EXPECT_EQ(member.Size(), c.uncompressed) << c.name;
    }
    // A member that grew enormously gives a number, not an overflow.
    EXPECT_LT(zip::ZipMemberEntry::Ratio(~0ull, 1), -1000000);
}

TEST(CZipFileInfoTest, DateAndTimeDecodeAndShow) {
    struct Case {
        const char* name;
        const char* date;
        const char* time;
        int year; // full year, 0: not checked
        const char* dateText;
        const char* timeText;
    } cases[] = {
        {"two-digit 05 is 2005", "03-07-05", "12:30p", 2005, " 3-07-05", "12:30p"},
        {"two-digit 97", "12-31-97", "12:05a", 1997, "12-31-97", "12:05a"},
        {"four-digit year", "01-02-2005", "23:59", 2005, " 1-02-05", "11:59p"},
        {"24-hour midnight", "06-15-2020", "00:00", 2020, " 6-15-20", "12:00a"},
        {"12-hour afternoon", "06-15-2020", "01:15p", 2020, " 6-15-20", "01:15p"},
        {"noon in 24 hours", "06-15-2020", "12:00", 2020, " 6-15-20", "12:00p"},
        {"upper-case marker", "06-15-2020", "03:04P", 2020, " 6-15-20", "03:04p"},
        {"before 1980 clamps", "06-15-1979", "10:00", 1980, " 6-15-80", "10:00a"},
        {"unreadable date", "", "", 0, "........", "12:00a"},
        {"month 13", "13-01-2020", "10:00", 0, "........", "10:00a"},
    };
    for (const Case& c : cases) {
        CZipFileInfo member(MakeRecord("f", 1, 1, 8, c.date, c.time));
        if (c.year != 0) {
            EXPECT_EQ((member.DosDate() >> 9) + 1980, c.year) << c.name;
        }
        EXPECT_EQ(member.DateText(), c.dateText) << c.name;
        EXPECT_EQ(member.TimeText(), c.timeText) << c.name;
    }
    CZipFileInfo noon(MakeRecord("f", 1, 1, 8, "01-01-2000", "12:30p"));
    EXPECT_EQ(noon.DosTime(), 12 << 11 | 30 << 5);
    CZipFileInfo early(MakeRecord("f", 1, 1, 8, "01-01-2000", "12:05a"));
    EXPECT_EQ(early.DosTime(), 0 << 11 | 5 << 5);
}

TEST(CZipFileInfoTest, AttributeLetters) {
    struct Case {
        uint32_t attributes;
        const char* letters;
    } cases[] = {{0, "........."},
                 {0x01 | 0x02 | 0x04 | 0x20 | 0x8000, "R.H.S.A.E"},
                 {0x8000, "........E"},
                 {0x20, "......A.."}};
    for (const Case& c : cases) {
        CZipFileInfo member(MakeRecord("f", 1, 1, 8, "01-01-2000", "10:00", c.attributes));
        EXPECT_EQ(member.AttributeLetters(), c.letters);
        EXPECT_EQ(member.Encrypted(), (c.attributes & 0x8000) != 0);
    }
}

TEST(CZipFileInfoTest, PathNamesAndListingLine) {
    catalogue::CZipFileDirectory archive(nullptr, "C:\\DATA\\Pack.ZIP");
    auto* member = static_cast<CZipFileInfo*>(archive.AddFile(std::make_unique<CZipFileInfo>(
        MakeRecord("dir/sub/file.txt", 1025, 615, 5, "03-07-05", "12:30p", 0x21))));
    EXPECT_EQ(member->PathName(), "DIR\\SUB\\FILE.TXT");
    EXPECT_EQ(member->BaseName(), "FILE.TXT");
    EXPECT_EQ(member->Name(), "FILE.TXT");
    EXPECT_EQ(member->RelativeDirectory(), "DIR\\SUB");
    EXPECT_EQ(member->FullName(), "C:\\DATA\\Pack.ZIP\\DIR\\SUB\\FILE.TXT");
    EXPECT_EQ(member->ZipDirectory(), &archive);
    EXPECT_TRUE(member->IsArchiveMember());

    struct Case {
        uint32_t flags;
        const char* line;
    } cases[] = {
        {0x001, "dir\\sub\\file.txt"},
        {0x002, "        2k"},
        {0x008, "  3-07-05 12:30p"},
        {0x040, " r.....a.."},
        {0x080, "  40"},
        {0x100, " reduced 4      "},
        {0x200, " dir\\sub"},
        {0x400, " c:\\data\\pack.zip"},
        // Archive path before the relative directory, whatever the bit values.
        {0x7CB, "dir\\sub\\file.txt        2k  3-07-05 12:30p r.....a..  40 reduced 4       "
                "c:\\data\\pack.zip dir\\sub"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(member->ListingLine(c.flags), c.line) << std::hex << c.flags;

    // The file list's columns keep the case and drop the padding.
    const std::pair<uint32_t, const char*> columns[] = {{kZipListName, "FILE.TXT"},
                                                        {kZipListSize, "2k"},
                                                        {kZipListDateTime, " 3-07-05 12:30p"},
                                                        {kZipListAttributes, "R.....A.."},
                                                        {kZipListRatio, "40"},
                                                        {kZipListMethod, "Reduced 4"},
                                                        {kZipListRelativePath, "DIR\\SUB"},
                                                        {kZipListArchivePath, "C:\\DATA\\Pack.ZIP"},
                                                        {0x004, ""}};
    for (const auto& [column, text] : columns)
        EXPECT_EQ(member->ColumnText(column), text) << column;

    CZipFileInfo flat(MakeRecord("top.txt"));
    EXPECT_EQ(flat.BaseName(), "TOP.TXT");
    EXPECT_EQ(flat.RelativeDirectory(), "");
    EXPECT_EQ(flat.ListingLine(0x201), "top.txt ");
}

TEST(CZipFileInfoTest, RealNameBesideThePathName) {
    const std::string longName = std::string(200, 'd') + "/" + std::string(100, 'f') + ".txt";
    const struct {
        const char* name;
        std::string record; // the name field of the engine's record
        std::string real;   // the whole name given beside it ("": none)
        std::string expectReal, path, base, relative;
    } cases[] = {
        {"from the record", "dir/Sub/File.txt", "", "dir/Sub/File.txt", "DIR\\SUB\\FILE.TXT",
         "FILE.TXT", "DIR\\SUB"},
        {"whole beyond the record's field", longName.substr(0, 259), longName, longName,
         std::string(200, 'D') + "\\" + std::string(100, 'F') + ".TXT",
         std::string(100, 'F') + ".TXT", std::string(200, 'D')},
        // From a Unix host a backslash is part of the name.
        {"backslash inside a name", "src/a\\b.txt", "", "src/a\\b.txt", "SRC\\A\\B.TXT", "A\\B.TXT",
         "SRC"},
        {"twins keep their case", "Twin.txt", "", "Twin.txt", "TWIN.TXT", "TWIN.TXT", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CZipFileInfo member(MakeRecord(c.record), c.real);
        EXPECT_EQ(member.RealName(), c.expectReal);
        EXPECT_EQ(member.PathName(), c.path);
        EXPECT_EQ(member.BaseName(), c.base);
        EXPECT_EQ(member.Name(), c.base);
        EXPECT_EQ(member.RelativeDirectory(), c.relative);
    }
}

TEST(CZipFileInfoTest, WholeMemberIndexAndUnterminatedName) {
    zip::ZipItemRecord record = MakeRecord("x", 1, 1, 8, "01-01-2000", "10:00", 0x20, 70000);
    record.memberNumber = static_cast<uint16_t>(70000); // the low half only
    // A name field that fills all 260 bytes without a NUL is cut there.
    std::memset(record.pathName, 'a', sizeof record.pathName);
    CZipFileInfo member(record);
    EXPECT_EQ(member.MemberNumber(), 70000u);
    EXPECT_EQ(member.Index(), 70000);
    EXPECT_EQ(member.PathName(), std::string(260, 'A'));
}

// An entry keeps only what it cannot work out again; the engine's record
// made from it is the one it was made from, also when the entry holds a
// whole name the record's field had to cut (at a character's boundary,
// room left for the NUL).
TEST(CZipFileInfoTest, RecordIsMadeAgainFromTheEntry) {
    const std::string longName = std::string(258, 'd') + "\xC3\xA9tail.txt";
    const struct {
        const char* name;
        std::string field; // the record's name field
        std::string whole; // the whole name given beside it ("": none)
    } cases[] = {
        {"short name", "dir/Sub/File.txt", ""},
        {"name cut by the field", std::string(258, 'd'), longName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const zip::ZipItemRecord record = MakeRecord(c.field, 5ull << 30, (6ull << 30) + 7, 8,
                                                     "06-15-2020", "13:45", 0x8021, 70000);
        CZipFileInfo member(record, c.whole);
        const zip::ZipItemRecord again = member.Record();
        EXPECT_EQ(std::memcmp(&again, &record, sizeof record), 0);
        EXPECT_EQ(member.StoredName(), c.whole.empty() ? c.field : c.whole);
        EXPECT_EQ(member.CompressedSize(), (6ull << 30) + 7);
        EXPECT_EQ(member.Method(), 8);
    }
}

// Tags, counts and totals of the catalogue over members.
TEST(CZipFileInfoTest, TotalsTagsAndLookups) {
    catalogue::CZipFileDirectory archive(nullptr, "C:\\A.ZIP");
    archive.AddFile(std::make_unique<CZipFileInfo>(MakeRecord("one/readme.txt", 100, 60)));
    archive.AddFile(std::make_unique<CZipFileInfo>(MakeRecord("two/readme.txt", 300, 140)));
    archive.AddFile(std::make_unique<CZipFileInfo>(MakeRecord("gone.txt", 1000, 1000)));
    ZipMember(archive, 2)->SetState(catalogue::kFileGone);
    ZipMember(archive, 1)->SetShown(false);

    ZipDirectoryTotals totals = RecountZipTotals(archive);
    EXPECT_EQ(totals.members, 2u);
    EXPECT_EQ(totals.uncompressed, 400u);
    EXPECT_EQ(totals.compressed, 200u);
    EXPECT_EQ(totals.ratio, 50);
    EXPECT_EQ(totals.shownCount, 1u);
    EXPECT_EQ(totals.shownSize, 100u);

    catalogue::SetTag(archive, 1, 1);
    EXPECT_EQ(archive.TaggedCount(), 1);
    EXPECT_EQ(archive.TaggedSize(), 300u);
    catalogue::SetTag(archive, 1, 0);
    EXPECT_EQ(archive.TaggedCount(), 0);

    EXPECT_EQ(ZipMember(archive, 2), nullptr);
    EXPECT_EQ(ZipMember(archive, -1), nullptr);
    EXPECT_EQ(ZipMemberByName(archive, "README.txt"), ZipMember(archive, 0));
    EXPECT_EQ(ZipMemberByName(archive, "missing"), nullptr);

    catalogue::CZipFileDirectory empty(nullptr, "C:\\E.ZIP");
    EXPECT_EQ(RecountZipTotals(empty).ratio, 0);
}

} // namespace
} // namespace vorlane::catalogue
