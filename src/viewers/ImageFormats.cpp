#include "viewers/ImageFormats.h"

#include "platform/AsciiCase.h"

#include <array>

namespace vorlane::viewers {

namespace {

constexpr ImageSaver kNone{};
constexpr ImageSaver Magick(const char* format) {
    return ImageSaver{"magicksave", format};
}

// Encapsulated PostScript is refused by the system's ImageMagick policy on
// most distributions, so it is not offered as an output; the formats
// ImageMagick reads only (MacPaint, metafiles, WordPerfect) and the ones
// nothing here writes have no saver either.
constexpr std::array<ImageFormat, 19> kTable{{
    {kFormatBmp, "BMP (Windows&OS/2)", "*.BMP", kDepth1 | kDepth4 | kDepth8 | kDepth24,
     Magick("BMP")},
    {kFormatCals, "CALS Raster       ", "*.CAL", kDepth1, Magick("CALS")},
    {kFormatPng, "Compuserve PNG    ", "*.PNG", kDepth1 | kDepth4 | kDepth8 | kDepth24,
     ImageSaver{"pngsave", nullptr}},
    {kFormatGem, "GEM Image         ", "*.IMG", kDepth1, kNone},
    {kFormatIoca, "IBM IOCA          ", "*.ICA", kDepth1, kNone},
    {kFormatJpeg, "JPEG              ", "*.JPG;*.JFF;*.JTF", kDepth8 | kDepth24,
     ImageSaver{"jpegsave", nullptr}},
    {kFormatLead, "Lead              ", "*.CMP", kDepth8 | kDepth24, kNone},
    {kFormatMacPaint, "MAC Paint         ", "*.MAC", kDepth1, kNone},
    {kFormatPict, "Macintosh PICTURE ", "*.PCT", kDepth1 | kDepth4 | kDepth8 | kDepth24,
     Magick("PICT")},
    {kFormatMsp, "Microsoft Paint   ", "*.MSP", kDepth1, kNone},
    {kFormatPcx, "PCX               ", "*.PCX", kDepth1 | kDepth4 | kDepth8 | kDepth24,
     Magick("PCX")},
    {kFormatPsd, "PhotoShop 3       ", "*.PSD", kDepth1 | kDepth8 | kDepth24, Magick("PSD")},
    {kFormatEps, "Postscript Raster ", "*.EPS", kDepth8, kNone},
    {kFormatSun, "SUN Raster        ", "*.RAS", kDepth1 | kDepth4 | kDepth8 | kDepth24 | kDepth32,
     Magick("SUN")},
    {kFormatTarga, "TARGA             ", "*.TGA", kDepth8 | kDepth16 | kDepth24 | kDepth32,
     Magick("TGA")},
    {kFormatTiff, "TIFF              ", "*.TIF", kDepth1 | kDepth4 | kDepth8 | kDepth16 | kDepth24,
     ImageSaver{"tiffsave", nullptr}},
    {kFormatWmf, "Windows Metafile  ", "*.WMF", kDepth8 | kDepth24, kNone},
    {kFormatWinFax, "WinFax 3 & 4      ", "*.FXS", kDepth1, kNone},
    {kFormatWpg, "WordPerfect Raster", "*.WPG", kDepth1 | kDepth4 | kDepth8, kNone},
}};

constexpr std::array<std::pair<int, uint8_t>, 6> kDepths{{
    {1, kDepth1},
    {4, kDepth4},
    {8, kDepth8},
    {16, kDepth16},
    {24, kDepth24},
    {32, kDepth32},
}};

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::span<const ImageFormat> ImageFormatTable() {
    return kTable;
}

const ImageFormat* FindImageFormat(int code) {
    for (const ImageFormat& row : kTable)
        if (row.code == code)
            return &row;
    return nullptr;
}

std::string ImageFormatName(int code) {
    const ImageFormat* row = FindImageFormat(code);
    return row ? row->name : "";
}

std::string ImageFormatWildcards(int code) {
    const ImageFormat* row = FindImageFormat(code);
    return row ? row->wildcards : "";
}

int ImageFormatCodeByName(std::string_view name) {
    const std::string wanted = platform::UpperAscii(TrimRight(name));
    for (const ImageFormat& row : kTable)
        if (platform::UpperAscii(TrimRight(row.name)) == wanted)
            return row.code;
    return -1;
}

std::string ImageFormatDefaultExtension(int code) {
    const ImageFormat* row = FindImageFormat(code);
    if (!row)
        return "";
    std::string_view first(row->wildcards);
    first = first.substr(0, first.find(';'));
    if (first.starts_with("*."))
        first.remove_prefix(2);
    return std::string(first);
}

int ImageFormatLowestDepth(int code) {
    const ImageFormat* row = FindImageFormat(code);
    if (!row)
        return 0;
    for (const auto& [bits, flag] : kDepths)
        if (row->depths & flag)
            return bits;
    return 0;
}

bool ImageFormatHasDepth(int code, int bitsPerPixel) {
    const ImageFormat* row = FindImageFormat(code);
    if (!row)
        return false;
    for (const auto& [bits, flag] : kDepths)
        if (bits == bitsPerPixel)
            return (row->depths & flag) != 0;
    return false;
}

ImageSaver ImageFormatSaver(int code) {
    const ImageFormat* row = FindImageFormat(code);
    return row ? row->saver : kNone;
}

int ImageFormatCodeByExtension(std::string_view fileName) {
    const size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return -1;
    const std::string ext = "*" + platform::UpperAscii(fileName.substr(dot));
    for (const ImageFormat& row : kTable) {
        std::string_view list(row.wildcards);
        while (!list.empty()) {
            const size_t semi = list.find(';');
            if (list.substr(0, semi) == ext)
                return row.code;
            list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
        }
    }
    return -1;
}

} // namespace vorlane::viewers
