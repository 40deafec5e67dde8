// The image format table and its look-ups, and the fit rule's sizes.
#include "viewers/ImageFormats.h"
#include "viewers/FitToBox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace vorlane::viewers {
namespace {

TEST(ImageFormats, TableRowsArePaddedUniqueAndInListOrder) {
    const auto table = ImageFormatTable();
    ASSERT_EQ(table.size(), 19u);
    std::set<int> codes;
    for (const ImageFormat& row : table) {
        EXPECT_EQ(std::strlen(row.name), size_t(kImageFormatNameWidth)) << row.name;
        EXPECT_TRUE(codes.insert(row.code).second) << row.code;
        EXPECT_NE(row.depths, 0) << row.code;
    }
    EXPECT_EQ(table.front().code, kFormatBmp);
    EXPECT_STREQ(table.front().name, "BMP (Windows&OS/2)");
    EXPECT_EQ(table[5].code, kFormatJpeg);
    EXPECT_EQ(table.back().code, kFormatWpg);
    EXPECT_STREQ(table.back().name, "WordPerfect Raster");
}

TEST(ImageFormats, LookUpsByCodeNameAndExtension) {
    struct Case {
        int code;
        const char* name;
        const char* wildcards;
        const char* extension;
        int lowestDepth;
    } cases[] = {
        {6, "BMP (Windows&OS/2)", "*.BMP", "BMP", 1},
        {10, "JPEG              ", "*.JPG;*.JFF;*.JTF", "JPG", 8},
        {4, "TARGA             ", "*.TGA", "TGA", 8},
        {16, "Postscript Raster ", "*.EPS", "EPS", 8},
        {55, "SUN Raster        ", "*.RAS", "RAS", 1},
        {70, "WinFax 3 & 4      ", "*.FXS", "FXS", 1},
        {999, "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(ImageFormatName(c.code), c.name);
        EXPECT_EQ(ImageFormatWildcards(c.code), c.wildcards);
        EXPECT_EQ(ImageFormatDefaultExtension(c.code), c.extension);
        EXPECT_EQ(ImageFormatLowestDepth(c.code), c.lowestDepth);
    }

    struct ByName {
        const char* name;
        int code;
    } names[] = {
        {"JPEG              ", 10}, {"jpeg", 10}, {"bmp (windows&os/2)", 6},
        {"Compuserve PNG", 75},     {"PNG", -1},  {"", -1},
    };
    for (const ByName& n : names)
        EXPECT_EQ(ImageFormatCodeByName(n.name), n.code) << '"' << n.name << '"';

    struct ByExtension {
        const char* file;
        int code;
    } files[] = {
        {"photo.jpg", 10}, {"C:\\PICS\\OLD.JFF", 10}, {"/home/a.b/scan.Tif", 3}, {"x.tiff", -1},
        {"README", -1},    {"dir.png/file", -1},      {"archive.PNG", 75},
    };
    for (const ByExtension& f : files)
        EXPECT_EQ(ImageFormatCodeByExtension(f.file), f.code) << f.file;
}

TEST(ImageFormats, DepthsAndSavers) {
    EXPECT_TRUE(ImageFormatHasDepth(kFormatTarga, 16));
    EXPECT_FALSE(ImageFormatHasDepth(kFormatTarga, 1));
    EXPECT_TRUE(ImageFormatHasDepth(kFormatSun, 32));
    EXPECT_FALSE(ImageFormatHasDepth(kFormatJpeg, 4));
    EXPECT_FALSE(ImageFormatHasDepth(kFormatPng, 3));

    // What can be written here; every other row has no saver.
    const std::set<int> writable = {kFormatBmp, kFormatCals, kFormatPng, kFormatJpeg,  kFormatPict,
                                    kFormatPcx, kFormatPsd,  kFormatSun, kFormatTarga, kFormatTiff};
    for (const ImageFormat& row : ImageFormatTable()) {
        const ImageSaver saver = ImageFormatSaver(row.code);
        EXPECT_EQ(saver.saver != nullptr, writable.count(row.code) == 1) << row.name;
        if (saver.saver && std::strcmp(saver.saver, "magicksave") == 0) {
            EXPECT_NE(saver.magickFormat, nullptr) << row.name;
        }
    }
    EXPECT_EQ(ImageFormatSaver(12345).saver, nullptr);
}

TEST(FitToBox, IntegerRuleSizes) {
    struct Case {
        const char* what;
        int boxW, boxH, w, h;
        ImageSize fit;
    } cases[] = {
        {"landscape 4:3 fills the box", 128, 96, 400, 300, {128, 96}},
        {"portrait 3:4", 128, 96, 300, 400, {72, 96}},
        {"small picture is scaled up by the rule", 128, 96, 100, 80, {121, 96}},
        {"square", 128, 96, 500, 500, {96, 96}},
        {"height over the box lowers the width step by step", 128, 96, 130, 100, {126, 96}},
        {"1024x768 into 800x600 loses a column", 800, 600, 1024, 768, {799, 600}},
        {"wide film frame", 640, 480, 1920, 1080, {640, 361}},
        {"very wide strip", 128, 96, 1000, 10, {128, 1}},
        {"very tall strip rounds to no width", 128, 96, 10, 1000, {0, 96}},
        {"tall box lowers the height", 50, 200, 100, 100, {50, 50}},
        {"huge picture", 128, 96, 65000, 65000, {96, 96}},
        {"no height", 128, 96, 100, 0, {0, 0}},
        {"no box", 0, 96, 100, 100, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitToBox(c.boxW, c.boxH, c.w, c.h), c.fit) << c.what;
}

TEST(FitToBox, ShrinkKeepsPicturesThatFitAndNeverGivesZero) {
    struct Case {
        int w, h;
        ImageSize shown;
    } cases[] = {
        {100, 80, {100, 80}}, {128, 96, {128, 96}}, {400, 300, {128, 96}},
        {300, 400, {72, 96}}, {129, 96, {128, 95}}, {10, 1000, {1, 96}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShrinkToBox(128, 96, c.w, c.h), c.shown) << c.w << "x" << c.h;
}

} // namespace
} // namespace vorlane::viewers
