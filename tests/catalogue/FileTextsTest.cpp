// The texts of file records and of the status bar numbers.
#include "CatalogueTestSupport.h"
#include "catalogue/SizeFormat.h"

#include <gtest/gtest.h>

namespace vorlane::catalogue {
namespace {

uint16_t DosDate(int year, int month, int day) {
    return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}
uint16_t DosTime(int hour, int minute, int second = 0) {
    return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
}

TEST(FileTextsTest, AttributeText) {
    struct {
        uint32_t bits;
        const char* text;
    } cases[] = {
        {0x00, "........."}, {0x01, "R........"}, {0x02, "..H......"}, {0x04, "....S...."},
        {0x20, "......A.."}, {0x27, "R.H.S.A.."}, {0x10, "........."}, // directory bit not shown
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFileContainer::AttributeText(c.bits), c.text) << c.bits;
}

TEST(FileTextsTest, DateText) {
    struct {
        uint16_t date;
        const char* text;
    } cases[] = {
        {DosDate(1997, 3, 5), " 3-05-97"},
        {DosDate(2005, 12, 31), "12-31-05"},
        {DosDate(1980, 1, 1), " 1-01-80"},
        {DosDate(2000, 6, 15), " 6-15-00"},
        {DosDate(2107, 1, 2), " 1-02-07"},
        {static_cast<uint16_t>(DosDate(1999, 1, 1) & ~(0x0F << 5)), "........"}, // month 0
        {static_cast<uint16_t>((19 << 9) | (13 << 5) | 1), "........"},          // month 13
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFileContainer::DateText(c.date), c.text) << c.date;
}

TEST(FileTextsTest, TimeText) {
    struct {
        uint16_t time;
        const char* text;
    } cases[] = {
        {DosTime(0, 5), "12:05a"},  {DosTime(1, 0), "01:00a"},   {DosTime(11, 59), "11:59a"},
        {DosTime(12, 0), "12:00p"}, {DosTime(13, 30), "01:30p"}, {DosTime(23, 59), "11:59p"},
        {DosTime(24, 0), "12:00p"}, {DosTime(25, 0), "......"},  {DosTime(31, 59), "......"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFileContainer::TimeText(c.time), c.text) << c.time;
}

TEST(FileTextsTest, LineTextAppendsPartsInItsOrderWithRoundedSizesAndTypeNames) {
    testing::MemoryDirectory directory("C:\\DOCS");
    CFileInfo* file = directory.Add("REPORT.ZZQ", 3072, DosDate(1997, 3, 5), DosTime(14, 7), 0x21);
    file->SetDescription(std::string("Quarterly figures"));
    EXPECT_EQ(file->LineText(kLineName), "REPORT.ZZQ");
    EXPECT_EQ(file->LineText(kLineName | kLineSize), "REPORT.ZZQ 3k");
    EXPECT_EQ(file->LineText(kLineName | kLineDateTime | kLineAttributes),
              "REPORT.ZZQ  3-05-97 02:07p R.....A..");
    EXPECT_EQ(file->LineText(kLinePath | kLineDescription), " C:\\DOCS Quarterly figures");
    // The type name follows the name, before the size.
    std::string typed = file->LineText(kLineName | kLineTypeName | kLineSize);
    EXPECT_EQ(typed, "REPORT.ZZQ" + file->TypeName() + " 3k");
    // Sizes round to whole kilobytes.
    EXPECT_EQ(directory.Add("A", 511)->LineText(kLineSize), " 0k");
    EXPECT_EQ(directory.Add("B", 1536)->LineText(kLineSize), " 2k");
    EXPECT_EQ(directory.Add("C", 5ull << 40)->LineText(kLineSize), " 5368709120k");
    // A zip member (no plain directory) never asks the desktop.
    CFileInfo orphan("notes.qqzz", 0, {}, 0644, 0);
    EXPECT_EQ(orphan.TypeName(), "QQZZ File");
    orphan.SetTypeName("Custom Type");
    EXPECT_EQ(orphan.TypeName(), "Custom Type");
}

TEST(SizeFormatTest, CountTable) {
    struct {
        uint64_t number;
        int width;
        const char* text;
    } cases[] = {
        {0, 19, "0"},
        {999, 19, "999"},
        {1000, 19, "1,000"},
        {1234567, 19, "1,234,567"},
        {4294967296ull, 19, "4,294,967,296"},
        {1234567, 8, "1234567"}, // "1,234,567" is longer than 8: plain in width 7
        {12345, 5, "12345"},     // plain; a width too small does not cut it
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatCount(c.number, c.width), c.text) << c.number;
}

TEST(SizeFormatTest, SizeTable) {
    const unsigned all = kSizeSeparators | kSizeScale | kSizeOneDecimal;
    struct {
        uint64_t bytes;
        unsigned flags;
        const char* text;
    } cases[] = {
        {1536, all, "1.5KB"},
        {512, all, "0.5KB"},
        {0, all, "0.0KB"},
        {2007, all, "2.0KB"},
        {1048576, all, "1,024.0KB"}, // 1024 is not above 1024
        {1048577, all, "1.0MB"},
        {1073741825, all, "1.0GB"},
        {3ull << 40, all, "3.0TB"}, // larger sizes keep a unit
        {5ull << 50, all, "5.0PB"},
        {1536, kSizeScale, "2KB"}, // whole number, rounded
        {1234567, kSizeSeparators, "1,234,567"},
        {1234567, 0, "1234567"},
        {1023, kSizeOneDecimal, "1023.0"},
        {UINT64_MAX, all, "16.0EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.bytes, c.flags, 19), c.text) << c.bytes << " flags " << c.flags;
}

TEST(SizeFormatTest, TooLongGivesTheUnscaledValue) {
    EXPECT_EQ(FormatSize(1048576, 7, 5), "1048576.000000");
    EXPECT_EQ(FormatSize(1536, 7, 12), "1.5KB");
}

} // namespace
} // namespace vorlane::catalogue
