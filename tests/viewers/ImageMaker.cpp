#include "ImageMaker.h"

#include "viewers/CImage.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <fstream>
#include <iterator>

namespace vorlane::viewers::test {

namespace {

VipsImage* Gradient(int width, int height) {
    EXPECT_TRUE(InitImaging());
    VipsImage* x = nullptr;
    EXPECT_EQ(vips_xyz(&x, width, height, nullptr), 0) << vips_error_buffer();
    VipsImage* bands[3] = {};
    VipsImage* scaled = nullptr;
    // x * 255 / width, y * 255 / height, and their sum, as uchar RGB.
    VipsImage* xb = nullptr;
    VipsImage* yb = nullptr;
    vips_extract_band(x, &xb, 0, nullptr);
    vips_extract_band(x, &yb, 1, nullptr);
    vips_linear1(xb, &bands[0], 255.0 / width, 0, nullptr);
    vips_linear1(yb, &bands[1], 255.0 / height, 0, nullptr);
    vips_linear1(xb, &bands[2], 0.5, 40, nullptr);
    VipsImage* joined = nullptr;
    vips_bandjoin(bands, &joined, 3, nullptr);
    vips_cast_uchar(joined, &scaled, nullptr);
    VipsImage* srgb = nullptr;
    vips_copy(scaled, &srgb, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    for (VipsImage* i : {x, xb, yb, bands[0], bands[1], bands[2], joined, scaled})
        g_object_unref(i);
    return srgb;
}

uint32_t Crc32(const unsigned char* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

void PutBig(std::vector<unsigned char>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

} // namespace

void MakePicture(const std::string& path, int width, int height, int orientation) {
    VipsImage* image = Gradient(width, height);
    if (orientation != 0)
        vips_image_set_int(image, VIPS_META_ORIENTATION, orientation);
    EXPECT_EQ(vips_image_write_to_file(image, path.c_str(), nullptr), 0)
        << path << ": " << vips_error_buffer();
    g_object_unref(image);
}

std::vector<unsigned char> PngBytes(int width, int height) {
    VipsImage* image = Gradient(width, height);
    void* buffer = nullptr;
    size_t length = 0;
    EXPECT_EQ(vips_pngsave_buffer(image, &buffer, &length, nullptr), 0);
    g_object_unref(image);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::vector<unsigned char> out(bytes, bytes + length);
    g_free(buffer);
    return out;
}

std::vector<unsigned char> PngClaimingSize(unsigned width, unsigned height) {
    std::vector<unsigned char> bytes = PngBytes(1, 1);
    // Signature (8), IHDR length (4) and type (4), then width and height;
    // the chunk's CRC covers the type and the 13 data bytes.
    PutBig(bytes, 16, width);
    PutBig(bytes, 20, height);
    PutBig(bytes, 29, Crc32(bytes.data() + 12, 17));
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace vorlane::viewers::test
