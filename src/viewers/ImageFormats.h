// The image format table shared by the thumbnail scan, the viewers and the
// image conversion: 19 rows in the order the lists show them, each with its
// format code, its name as shown (18 characters, padded with blanks), its
// wildcard list and the bit depths it can be saved in.
//
// The codes are the program's own numbers for the formats (they are stored
// in the user's settings); which libvips saver writes a code, if any, is
// kept beside the row.
//
// Pure data and queries: any thread may call them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorlane::viewers {

// Format codes of the table (the ones the program names itself).
enum ImageFormatCode : int {
    kFormatPcx = 1,
    kFormatTiff = 3,
    kFormatTarga = 4,
    kFormatLead = 5,
    kFormatBmp = 6,
    kFormatJpeg = 10,
    kFormatWmf = 15,
    kFormatEps = 16,
    kFormatCals = 50,
    kFormatMacPaint = 51,
    kFormatGem = 52,
    kFormatMsp = 53,
    kFormatWpg = 54,
    kFormatSun = 55,
    kFormatPict = 56,
    kFormatWinFax = 70,
    kFormatIoca = 71,
    kFormatPng = 75,
    kFormatPsd = 76,
};

// Depth flags, one bit per depth a format can be saved in.
enum ImageDepthFlag : uint8_t {
    kDepth1 = 0x01,
    kDepth4 = 0x02,
    kDepth8 = 0x04,
    kDepth16 = 0x08,
    kDepth24 = 0x10,
    kDepth32 = 0x20,
};

// How libvips writes a format: the saver operation ("pngsave", ...) and,
// for the ImageMagick saver, the ImageMagick format name. saver is null
// when the format cannot be written here.
struct ImageSaver {
    const char* saver = nullptr;
    const char* magickFormat = nullptr;
};

struct ImageFormat {
    int code;
    const char* name;      // 18 characters, padded with blanks
    const char* wildcards; // "*.JPG;*.JFF;*.JTF"
    uint8_t depths;        // ImageDepthFlag bits
    ImageSaver saver;
};

inline constexpr int kImageFormatNameWidth = 18;

// The 19 rows in list order.
std::span<const ImageFormat> ImageFormatTable();
// The row of a code, or null.
const ImageFormat* FindImageFormat(int code);
// The padded name of a code; "" when the code has no row.
std::string ImageFormatName(int code);
// The wildcard list of a code; "" when the code has no row.
std::string ImageFormatWildcards(int code);
// The code of a name, compared case-insensitively and without the padding
// blanks (the padded name and the trimmed one both match); -1 when none.
int ImageFormatCodeByName(std::string_view name);
// The first wildcard of a code without its "*." ("JPG" for JPEG); "" when
// the code has no row.
std::string ImageFormatDefaultExtension(int code);
// The lowest depth of 1, 4, 8, 16, 24, 32 the code can be saved in; 0 when
// the code has no row.
int ImageFormatLowestDepth(int code);
// Whether the code can be saved at that depth.
bool ImageFormatHasDepth(int code, int bitsPerPixel);
// How the code is written here; saver null when it cannot be.
ImageSaver ImageFormatSaver(int code);
// The code whose wildcards match a file name's extension ("a.jpg" -> 10),
// compared case-insensitively; -1 when none.
int ImageFormatCodeByExtension(std::string_view fileName);

} // namespace vorlane::viewers
