// The 60-byte font record and the integer-array record.
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
    LogFont back;
    ASSERT_TRUE(LogFont::Decode(r, &back));
    EXPECT_EQ(back, f);
    for (size_t size : {0u, 59u, 61u, 92u}) { // other lengths leave the font alone
        LogFont g = f;
        EXPECT_FALSE(LogFont::Decode(std::vector<uint8_t>(size, 7), &g)) << size;
        EXPECT_EQ(g, f);
    }
}

TEST(LogFontTest, FaceNames) {
    struct Case {
        const char* name;
        std::string face, stored;
    } cases[] = {
        {"31 bytes fit", std::string(31, 'x'), std::string(31, 'x')},
        {"32 bytes are cut to 31", std::string(32, 'y'), std::string(31, 'y')},
        {"a character is never split", std::string(30, 'z') + "\xC3\xA9", std::string(30, 'z')},
    };
    for (const Case& c : cases) {
        LogFont back;
        ASSERT_TRUE(LogFont::Decode(LogFont::Make(c.face, -11).Encode(), &back));
        EXPECT_EQ(back.faceName, c.stored) << c.name;
    }
    // A record whose face fills the field without a NUL still reads.
    std::vector<uint8_t> r = LogFont::Make("", -11).Encode();
    for (size_t i = 28; i < 60; ++i)
        r[i] = 'q';
    LogFont back;
    ASSERT_TRUE(LogFont::Decode(r, &back));
    EXPECT_EQ(back.faceName, std::string(32, 'q'));
}

TEST(IntArrayRecordTest, EncodingAndRefusals) {
    EXPECT_EQ(EncodeIntArray({75, -1}),
              (std::vector<uint8_t>{2, 0, 0, 0, 75, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::vector<int32_t> values{9};
    ASSERT_TRUE(DecodeIntArray(EncodeIntArray({}), &values));
    EXPECT_TRUE(values.empty());
    const std::vector<uint8_t> bad[] = {
        {}, {1, 0}, {2, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}};
    for (const auto& data : bad) {
        std::vector<int32_t> v{42};
        EXPECT_FALSE(DecodeIntArray(data, &v)) << data.size();
        EXPECT_EQ(v, std::vector<int32_t>{42});
    }
}

} // namespace
} // namespace vorlane::app
