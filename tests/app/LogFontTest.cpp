// The 60-byte font record, the default fonts and the integer-array record.
#include "app/LogFont.h"
#include "app/IUserParameterStore.h"

#include <gtest/gtest.h>

namespace vorlane::app {
namespace {

TEST(LogFontTest, RecordLayout) {
    LogFont f = LogFont::Make("Arial", -13);
    f.width = 0x01020304;
    f.italic = 1;
    f.pitchAndFamily = 0x22;
    std::vector<uint8_t> r = f.Encode();
    ASSERT_EQ(r.size(), 60u);
    EXPECT_EQ((std::vector<uint8_t>(r.begin(), r.begin() + 8)),
              (std::vector<uint8_t>{0xF3, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(r[16], 0x90); // weight 400, little-endian
    EXPECT_EQ(r[17], 0x01);
    EXPECT_EQ(r[20], 1);
    EXPECT_EQ(r[27], 0x22);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[28])), "Arial");
    EXPECT_EQ(r[59], 0);

    LogFont back;
    ASSERT_TRUE(LogFont::Decode(r, &back));
    EXPECT_EQ(back, f);
}

TEST(LogFontTest, FaceNames) {
    struct Case {
        const char* name;
        std::string face;
        std::string stored;
    } cases[] = {
        {"short", "Arial", "Arial"},
        {"31 bytes fit", std::string(31, 'x'), std::string(31, 'x')},
        {"32 bytes are cut to 31", std::string(32, 'y'), std::string(31, 'y')},
        {"a character is never split", std::string(30, 'z') + "\xC3\xA9", std::string(30, 'z')},
        {"non-ASCII", "D\xC3\xA9j\xC3\xA0 Vu", "D\xC3\xA9j\xC3\xA0 Vu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogFont back;
        ASSERT_TRUE(LogFont::Decode(LogFont::Make(c.face, -11).Encode(), &back));
        EXPECT_EQ(back.faceName, c.stored);
    }
    // A record whose face fills the field without a NUL still reads.
    std::vector<uint8_t> r = LogFont::Make("", -11).Encode();
    for (size_t i = 28; i < 60; ++i)
        r[i] = 'q';
    LogFont back;
    ASSERT_TRUE(LogFont::Decode(r, &back));
    EXPECT_EQ(back.faceName, std::string(32, 'q'));
}

TEST(LogFontTest, DecodeRefusesOtherLengths) {
    LogFont untouched = LogFont::Make("Keep", -9);
    for (size_t size : {0u, 1u, 59u, 61u, 92u}) {
        LogFont f = untouched;
        EXPECT_FALSE(LogFont::Decode(std::vector<uint8_t>(size, 7), &f)) << size;
        EXPECT_EQ(f, untouched);
    }
}

TEST(LogFontTest, DefaultFonts) {
    struct Case {
        FontSlot slot;
        const char* name;
        int height;
    } cases[] = {
        {FontSlot::DetailsList, "\\Fonts\\File List\\Details", -13},
        {FontSlot::LargeIconList, "\\Fonts\\File List\\Large Icon", -11},
        {FontSlot::List, "\\Fonts\\File List\\List", -12},
        {FontSlot::SmallIconList, "\\Fonts\\File List\\Small Icon", -11},
        {FontSlot::ThumbnailList, "\\Fonts\\File List\\Thumbnail", -11},
        {FontSlot::Tree, "\\Fonts\\Tree List", -13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(FontParameterName(c.slot), c.name);
        LogFont f = DefaultFont(c.slot);
        EXPECT_EQ(f.faceName, "Arial");
        EXPECT_EQ(f.height, c.height);
        EXPECT_EQ(f.weight, 400);
    }
}

TEST(IntArrayRecordTest, EncodingAndRefusals) {
    EXPECT_EQ(EncodeIntArray({75, -1}),
              (std::vector<uint8_t>{2, 0, 0, 0, 75, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::vector<int32_t> values{9};
    ASSERT_TRUE(DecodeIntArray(EncodeIntArray({}), &values));
    EXPECT_TRUE(values.empty());
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
    } bad[] = {
        {"empty", {}},
        {"short count", {1, 0}},
        {"count too large", {2, 0, 0, 0, 1, 0, 0, 0}},
        {"count too small", {0, 0, 0, 0, 1, 0, 0, 0}},
        {"ragged", {1, 0, 0, 0, 1, 0, 0}},
        {"huge count", {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : bad) {
        std::vector<int32_t> v{42};
        EXPECT_FALSE(DecodeIntArray(c.data, &v)) << c.name;
        EXPECT_EQ(v, std::vector<int32_t>{42}) << c.name;
    }
}

} // namespace
} // namespace vorlane::app
