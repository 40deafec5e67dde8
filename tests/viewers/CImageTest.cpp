// CImage over real pictures made by the test: thumbnail sizes, the palette
// PNG, the refusals (damaged, truncated, oversized, not a picture) and
// saving in each writable format.
#include "viewers/CImage.h"

#include "ImageMaker.h"
#include "support/TestSupport.h"
#include "viewers/ImageFormats.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlane::viewers {
namespace {

using namespace vorlane::viewers::test;

TEST(CImage, ThumbnailsFitTheBoxByTheRule) {
    vorlane::test::TempDir dir;
    struct Case {
        const char* file;
        int w, h, orientation;
        int tw, th;
    } cases[] = {
        {"small.png", 100, 80, 0, 100, 80},
        {"landscape.jpg", 400, 300, 0, 128, 96},
        {"portrait.jpg", 300, 400, 0, 72, 96},
        {"portrait.png", 300, 400, 0, 72, 96},
        {"odd.tif", 130, 100, 0, 126, 96},
        // Stored on its side with a tag that turns it upright: the box is
        // fitted to the upright picture.
        {"turned.jpg", 400, 300, 6, 72, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir / c.file;
        MakePicture(path, c.w, c.h, c.orientation);
        CImage image;
        ASSERT_TRUE(image.ThumbnailFile(path, 128, 96)) << image.ErrorText();
        EXPECT_EQ(image.Width(), c.tw);
        EXPECT_EQ(image.Height(), c.th);

        const std::vector<unsigned char> bytes = ReadBytes(path);
        CImage fromMemory;
        ASSERT_TRUE(fromMemory.ThumbnailMemory(bytes.data(), bytes.size(), 128, 96))
            << fromMemory.ErrorText();
        EXPECT_EQ(fromMemory.Width(), c.tw);
        EXPECT_EQ(fromMemory.Height(), c.th);

        if (c.orientation == 0) {
            CImage whole;
            ASSERT_TRUE(whole.LoadFile(path)) << whole.ErrorText();
            EXPECT_EQ(whole.Width(), c.w);
            ASSERT_TRUE(whole.ShrinkToFit(128, 96)) << whole.ErrorText();
            EXPECT_EQ(whole.Width(), c.tw);
            EXPECT_EQ(whole.Height(), c.th);
        }
    }
}

TEST(CImage, PalettePngRoundTripsAtEightBits) {
    CImage image;
    const std::vector<unsigned char> png = PngBytes(400, 300);
    ASSERT_TRUE(image.ThumbnailMemory(png.data(), png.size(), 128, 96));
    std::vector<unsigned char> encoded;
    ASSERT_TRUE(image.EncodePalettePng(encoded)) << image.ErrorText();
    ASSERT_GT(encoded.size(), 33u);
    EXPECT_EQ(encoded[24], 8) << "bit depth";
    EXPECT_EQ(encoded[25], 3) << "colour type: palette";

    CImage back;
    ASSERT_TRUE(back.LoadMemory(encoded.data(), encoded.size())) << back.ErrorText();
    EXPECT_EQ(back.Width(), 128);
    EXPECT_EQ(back.Height(), 96);
    std::vector<unsigned char> pixels;
    int bands = 0;
    ASSERT_TRUE(back.Pixels(pixels, bands));
    EXPECT_EQ(bands, 3);
    EXPECT_EQ(pixels.size(), size_t(128 * 96 * 3));
    // The gradient survived the palette: the left edge is darker than the
    // right in the first band.
    EXPECT_LT(pixels[0], pixels[127 * 3]);
}

TEST(CImage, RefusesWhatItCannotOrMustNotDecode) {
    vorlane::test::TempDir dir;
    MakePicture(dir / "whole.jpg", 640, 480);
    MakePicture(dir / "whole.png", 640, 480);
    std::vector<unsigned char> jpeg = ReadBytes(dir / "whole.jpg");
    std::vector<unsigned char> png = ReadBytes(dir / "whole.png");
    jpeg.resize(jpeg.size() / 2);
    png.resize(png.size() / 2);
    WriteBytes(dir / "truncated.jpg", jpeg);
    WriteBytes(dir / "truncated.png", png);
    WriteBytes(dir / "huge.png", PngClaimingSize(65000, 65000));
    WriteBytes(dir / "text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    WriteBytes(dir / "empty.jpg", {});
    // A bomb: 3000 x 3000 pixels of one colour pack into a few kilobytes.
    MakePicture(dir / "bomb.png", 3000, 3000);
    ASSERT_LT(std::filesystem::file_size(dir / "huge.png"), 200u);

    struct Case {
        const char* file;
        uint64_t cap;
        const char* textHas;
    } cases[] = {
        {"truncated.jpg", CImage::kDefaultMaxPixels, "truncated.jpg"},
        {"truncated.png", CImage::kDefaultMaxPixels, "truncated.png"},
        {"huge.png", CImage::kDefaultMaxPixels, "65000 x 65000"},
        {"bomb.png", 4'000'000, "3000 x 3000"},
        {"text.png", CImage::kDefaultMaxPixels, "text.png"},
        {"empty.jpg", CImage::kDefaultMaxPixels, "empty.jpg"},
        {"missing.png", CImage::kDefaultMaxPixels, "missing.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir / c.file;
        CImage whole;
        EXPECT_FALSE(whole.LoadFile(path, c.cap));
        EXPECT_NE(whole.ErrorText().find(c.textHas), std::string::npos) << whole.ErrorText();
        EXPECT_TRUE(whole.Empty());
        CImage thumb;
        EXPECT_FALSE(thumb.ThumbnailFile(path, 128, 96, c.cap));
        EXPECT_NE(thumb.ErrorText().find(c.textHas), std::string::npos) << thumb.ErrorText();
        const std::vector<unsigned char> bytes = ReadBytes(path);
        CImage memory;
        EXPECT_FALSE(memory.LoadMemory(bytes.data(), bytes.size(), c.cap));
        EXPECT_FALSE(memory.ErrorText().empty());
    }
}

TEST(CImage, SavesEveryWritableFormatAndRefusesTheOthers) {
    vorlane::test::TempDir dir;
    MakePicture(dir / "source.png", 90, 60);
    CImage image;
    ASSERT_TRUE(image.LoadFile(dir / "source.png"));
    for (const ImageFormat& row : ImageFormatTable()) {
        SCOPED_TRACE(row.name);
        const std::string out = dir / ("out." + ImageFormatDefaultExtension(row.code));
        for (int bits : {ImageFormatLowestDepth(row.code), 24}) {
            if (!ImageFormatHasDepth(row.code, bits))
                continue;
            SCOPED_TRACE(bits);
            const bool saved = image.Save(out, row.code, bits);
            if (!row.saver.saver) {
                EXPECT_FALSE(saved);
                EXPECT_NE(image.ErrorText().find("cannot be saved"), std::string::npos)
                    << image.ErrorText();
                continue;
            }
            ASSERT_TRUE(saved) << image.ErrorText();
            if (row.code == kFormatCals) {
                // Nothing here reads CALS back by its contents alone.
                EXPECT_GT(std::filesystem::file_size(out), 0u);
                continue;
            }
            CImage back;
            ASSERT_TRUE(back.LoadFile(out)) << back.ErrorText();
            EXPECT_EQ(back.Width(), 90);
            EXPECT_EQ(back.Height(), 60);
        }
    }
    EXPECT_FALSE(image.Save(dir / "out.jpg", kFormatJpeg, 4));
}

TEST(CImage, DetectsFormatsByContents) {
    vorlane::test::TempDir dir;
    MakePicture(dir / "a.png", 8, 8);
    MakePicture(dir / "b.jpg", 8, 8);
    MakePicture(dir / "c.gif", 8, 8);
    std::filesystem::rename(dir / "b.jpg", dir / "b.png"); // the contents decide
    WriteBytes(dir / "d.png", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(DetectImageFormat(dir / "a.png"), kFormatPng);
    EXPECT_EQ(DetectImageFormat(dir / "b.png"), kFormatJpeg);
    EXPECT_EQ(DetectImageFormat(dir / "c.gif"), kImageNoRow);
    EXPECT_EQ(DetectImageFormat(dir / "d.png"), kNotAnImage);
    EXPECT_EQ(DetectImageFormat(dir / "none.png"), kNotAnImage);
}

TEST(CImage, MovesOwnership) {
    CImage first;
    const std::vector<unsigned char> png = PngBytes(20, 10);
    ASSERT_TRUE(first.LoadMemory(png.data(), png.size()));
    CImage second(std::move(first));
    EXPECT_EQ(second.Width(), 20);
    CImage third;
    third = std::move(second);
    EXPECT_EQ(third.Height(), 10);
    EXPECT_FALSE(third.Empty());
}

} // namespace
} // namespace vorlane::viewers
