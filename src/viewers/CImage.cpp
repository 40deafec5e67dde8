#include "viewers/CImage.h"

#include "viewers/ImageFormats.h"

#include <vips/vips.h>

#include <cstring>
#include <mutex>
#include <utility>

namespace vorlane::viewers {

namespace {

std::once_flag g_initOnce;
bool g_initOk = false;
std::string g_initError;

// libvips keeps its error log per process; the first line of what it says
// about the failure is added to our own sentence, then the log is cleared.
std::string VipsMessage() {
    std::string text = vips_error_buffer();
    vips_error_clear();
    const size_t newline = text.find('\n');
    if (newline != std::string::npos)
        text.resize(newline);
    return text;
}

std::string WithReason(std::string sentence) {
    const std::string reason = VipsMessage();
    if (!reason.empty())
        sentence += " (" + reason + ")";
    return sentence;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// Owns one reference for the length of a scope.
struct Ref {
    VipsImage* image = nullptr;
    Ref() = default;
    explicit Ref(VipsImage* i) : image(i) {}
    ~Ref() {
        if (image)
            g_object_unref(image);
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    VipsImage* release() { return std::exchange(image, nullptr); }
};

// Width and height once the orientation tag has turned the picture upright.
ImageSize UprightSize(VipsImage* image) {
    int orientation = 1;
    if (vips_image_get_typeof(image, VIPS_META_ORIENTATION))
        vips_image_get_int(image, VIPS_META_ORIENTATION, &orientation);
    const int w = vips_image_get_width(image);
    const int h = vips_image_get_height(image);
    if (orientation >= 5 && orientation <= 8)
        return {h, w};
    return {w, h};
}

bool TooManyPixels(VipsImage* header, uint64_t maxPixels) {
    const uint64_t pixels = static_cast<uint64_t>(vips_image_get_width(header)) *
                            static_cast<uint64_t>(vips_image_get_height(header));
    return pixels > maxPixels;
}

std::string TooLargeText(const std::string& what, VipsImage* header) {
    return what + " is too large to load (" + std::to_string(vips_image_get_width(header)) + " x " +
           std::to_string(vips_image_get_height(header)) + " pixels).";
}

// The picture in 8-bit sRGB (or 8-bit grey), alpha kept: what the PNG
// encoder, the savers and the drawing code take.
bool ToSrgb8(VipsImage* in, VipsImage** out) {
    Ref current;
    g_object_ref(in);
    current.image = in;
    const VipsInterpretation interpretation = vips_image_guess_interpretation(in);
    const bool grey =
        interpretation == VIPS_INTERPRETATION_B_W || interpretation == VIPS_INTERPRETATION_GREY16;
    if (!grey && interpretation != VIPS_INTERPRETATION_sRGB) {
        VipsImage* converted = nullptr;
        if (vips_colourspace(current.image, &converted, VIPS_INTERPRETATION_sRGB, nullptr))
            return false;
        Ref old(current.release());
        current.image = converted;
    } else if (interpretation == VIPS_INTERPRETATION_GREY16) {
        VipsImage* converted = nullptr;
        if (vips_colourspace(current.image, &converted, VIPS_INTERPRETATION_B_W, nullptr))
            return false;
        Ref old(current.release());
        current.image = converted;
    }
    if (vips_image_get_format(current.image) != VIPS_FORMAT_UCHAR) {
        VipsImage* cast = nullptr;
        if (vips_cast_uchar(current.image, &cast, nullptr))
            return false;
        Ref old(current.release());
        current.image = cast;
    }
    *out = current.release();
    return true;
}

} // namespace

bool InitImaging(std::string* error) {
    std::call_once(g_initOnce, [] {
        if (VIPS_INIT("vorlane") != 0) {
            g_initError = "The imaging library could not be started (" + VipsMessage() + ").";
            return;
        }
        // Operations are not kept for reuse: a scan touches each picture
        // once, and a cache would hold decoded pictures and open files.
        vips_cache_set_max(0);
        g_initOk = true;
    });
    if (!g_initOk && error)
        *error = g_initError;
    return g_initOk;
}

int DetectImageFormat(const std::string& hostPath) {
    if (!InitImaging())
        return kNotAnImage;
    const char* loader = vips_foreign_find_load(hostPath.c_str());
    if (!loader) {
        vips_error_clear();
        return kNotAnImage;
    }
    const std::string name(loader);
    struct Match {
        const char* prefix;
        int code;
    };
    static constexpr Match kLoaders[] = {
        {"VipsForeignLoadPng", kFormatPng},
        {"VipsForeignLoadJpeg", kFormatJpeg},
        {"VipsForeignLoadTiff", kFormatTiff},
        {"VipsForeignLoadPsd", kFormatPsd},
    };
    for (const Match& match : kLoaders)
        if (name.starts_with(match.prefix))
            return match.code;
    // ImageMagick reads the rest: its own view of the contents names them.
    if (name.starts_with("VipsForeignLoadMagick")) {
        const int byName = ImageFormatCodeByExtension(hostPath);
        return byName > 0 ? byName : kImageNoRow;
    }
    return kImageNoRow;
}

CImage::CImage() {
    InitImaging();
}

CImage::~CImage() {
    Adopt(nullptr);
}

CImage::CImage(CImage&& other) noexcept
    : m_image(std::exchange(other.m_image, nullptr)), m_error(std::move(other.m_error)) {}

CImage& CImage::operator=(CImage&& other) noexcept {
    if (this != &other) {
        Adopt(std::exchange(other.m_image, nullptr));
        m_error = std::move(other.m_error);
    }
    return *this;
}

void CImage::Adopt(VipsImage* image) {
    if (m_image)
        g_object_unref(m_image);
    m_image = image;
}

bool CImage::Fail(std::string text) {
    m_error = std::move(text);
    return false;
}

int CImage::Width() const {
    return m_image ? vips_image_get_width(m_image) : 0;
}
int CImage::Height() const {
    return m_image ? vips_image_get_height(m_image) : 0;
}
int CImage::Bands() const {
    return m_image ? vips_image_get_bands(m_image) : 0;
}

// Decodes a lazily opened picture into memory, so that every decoding
// error shows here and not later while it is drawn.
bool CImage::Decoded(VipsImage* lazy, const std::string& what) {
    Ref source(lazy);
    VipsImage* memory = vips_image_copy_memory(source.image);
    if (!memory)
        return Fail(WithReason("Unable to decode " + what + "."));
    Adopt(memory);
    m_error.clear();
    return true;
}

bool CImage::LoadFile(const std::string& hostPath, uint64_t maxPixels) {
    std::string error;
    if (!InitImaging(&error))
        return Fail(error);
    const std::string what = Quoted(hostPath);
    VipsImage* header =
        vips_image_new_from_file(hostPath.c_str(), "fail_on", VIPS_FAIL_ON_ERROR, nullptr);
    if (!header)
        return Fail(WithReason("Unable to load " + what + "."));
    if (TooManyPixels(header, maxPixels)) {
        Ref drop(header);
        return Fail(TooLargeText(what, header));
    }
    return Decoded(header, what);
}

bool CImage::LoadMemory(const void* data, size_t size, uint64_t maxPixels) {
    std::string error;
    if (!InitImaging(&error))
        return Fail(error);
    const std::string what = "the picture in memory";
    VipsImage* header =
        vips_image_new_from_buffer(data, size, "", "fail_on", VIPS_FAIL_ON_ERROR, nullptr);
    if (!header)
        return Fail(WithReason("Unable to load " + what + "."));
    if (TooManyPixels(header, maxPixels)) {
        Ref drop(header);
        return Fail(TooLargeText(what, header));
    }
    // The buffer is the caller's: the decoded copy no longer needs it.
    return Decoded(header, what);
}

bool CImage::ThumbnailFile(const std::string& hostPath, int boxWidth, int boxHeight,
                           uint64_t maxPixels) {
    std::string error;
    if (!InitImaging(&error))
        return Fail(error);
    const std::string what = Quoted(hostPath);
    Ref header(vips_image_new_from_file(hostPath.c_str(), nullptr));
    if (!header.image)
        return Fail(WithReason("Unable to load " + what + "."));
    if (TooManyPixels(header.image, maxPixels))
        return Fail(TooLargeText(what, header.image));
    const ImageSize own = UprightSize(header.image);
    const ImageSize size = ShrinkToBox(boxWidth, boxHeight, own.width, own.height);
    VipsImage* thumb = nullptr;
    // The exact size comes from the fit rule; "force" makes libvips keep it
    // rather than round the scale its own way.
    if (vips_thumbnail(hostPath.c_str(), &thumb, size.width, "height", size.height, "size",
                       VIPS_SIZE_FORCE, "fail_on", VIPS_FAIL_ON_ERROR, nullptr))
        return Fail(WithReason("Unable to load " + what + "."));
    return Decoded(thumb, what);
}

bool CImage::ThumbnailMemory(const void* data, size_t size, int boxWidth, int boxHeight,
                             uint64_t maxPixels) {
    std::string error;
    if (!InitImaging(&error))
        return Fail(error);
    const std::string what = "the picture in memory";
    Ref header(vips_image_new_from_buffer(data, size, "", nullptr));
    if (!header.image)
        return Fail(WithReason("Unable to load " + what + "."));
    if (TooManyPixels(header.image, maxPixels))
        return Fail(TooLargeText(what, header.image));
    const ImageSize own = UprightSize(header.image);
    const ImageSize fit = ShrinkToBox(boxWidth, boxHeight, own.width, own.height);
    VipsImage* thumb = nullptr;
    if (vips_thumbnail_buffer(const_cast<void*>(data), size, &thumb, fit.width, "height",
                              fit.height, "size", VIPS_SIZE_FORCE, "fail_on", VIPS_FAIL_ON_ERROR,
                              nullptr))
        return Fail(WithReason("Unable to load " + what + "."));
    return Decoded(thumb, what);
}

bool CImage::Resize(int width, int height) {
    if (!m_image)
        return Fail("There is no picture to resize.");
    if (width <= 0 || height <= 0)
        return Fail("Unable to resize the picture to " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels.");
    if (width == Width() && height == Height())
        return true;
    const double hscale = static_cast<double>(width) / Width();
    const double vscale = static_cast<double>(height) / Height();
    VipsImage* resized = nullptr;
    if (vips_resize(m_image, &resized, hscale, "vscale", vscale, nullptr))
        return Fail(WithReason("Unable to resize the picture."));
    Ref lazy(resized);
    // Rounding inside the resampler may leave a pixel over or short; the
    // size asked for is the size given.
    if (vips_image_get_width(resized) != width || vips_image_get_height(resized) != height) {
        VipsImage* exact = nullptr;
        if (vips_embed(resized, &exact, 0, 0, width, height, "extend", VIPS_EXTEND_COPY, nullptr))
            return Fail(WithReason("Unable to resize the picture."));
        Ref old(lazy.release());
        lazy.image = exact;
    }
    VipsImage* memory = vips_image_copy_memory(lazy.image);
    if (!memory)
        return Fail(WithReason("Unable to resize the picture."));
    Adopt(memory);
    return true;
}

bool CImage::ShrinkToFit(int boxWidth, int boxHeight) {
    if (!m_image)
        return Fail("There is no picture to resize.");
    const ImageSize size = ShrinkToBox(boxWidth, boxHeight, Width(), Height());
    return Resize(size.width, size.height);
}

bool CImage::EncodePalettePng(std::vector<unsigned char>& out) {
    if (!m_image)
        return Fail("There is no picture to encode.");
    VipsImage* srgb = nullptr;
    if (!ToSrgb8(m_image, &srgb))
        return Fail(WithReason("Unable to convert the picture to PNG."));
    Ref source(srgb);
    void* buffer = nullptr;
    size_t length = 0;
    if (vips_pngsave_buffer(source.image, &buffer, &length, "palette", TRUE, "bitdepth", 8, "strip",
                            TRUE, nullptr))
        return Fail(WithReason("Unable to convert the picture to PNG."));
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    out.assign(bytes, bytes + length);
    g_free(buffer);
    return true;
}

bool CImage::Save(const std::string& hostPath, int formatCode, int bitsPerPixel) {
    if (!m_image)
        return Fail("There is no picture to save.");
    const ImageFormat* row = FindImageFormat(formatCode);
    if (!row || !row->saver.saver)
        return Fail("Pictures cannot be saved in the format " +
                    (row ? "'" + std::string(row->name) + "'" : std::to_string(formatCode)) +
                    " here.");
    if (bitsPerPixel != 0 && !ImageFormatHasDepth(formatCode, bitsPerPixel))
        return Fail("The format '" + std::string(row->name) + "' cannot be saved at " +
                    std::to_string(bitsPerPixel) + " bits per pixel.");
    VipsImage* srgb = nullptr;
    if (!ToSrgb8(m_image, &srgb))
        return Fail(WithReason("Unable to save " + Quoted(hostPath) + "."));
    Ref picture(srgb);
    auto replace = [&picture](VipsImage* next) {
        Ref old(picture.release());
        picture.image = next;
    };
    // Depths without a colour table (1, 24) become grey or plain RGB; the
    // ones with a table keep it where the saver can write one (PNG).
    const bool hasAlpha = vips_image_hasalpha(picture.image);
    if (bitsPerPixel != 0 && bitsPerPixel != 32 && hasAlpha) {
        VipsImage* flat = nullptr;
        VipsArrayDouble* white = vips_array_double_newv(1, 255.0);
        const int failed = vips_flatten(picture.image, &flat, "background", white, nullptr);
        vips_area_unref(VIPS_AREA(white));
        if (failed)
            return Fail(WithReason("Unable to save " + Quoted(hostPath) + "."));
        replace(flat);
    }
    if (bitsPerPixel == 1 || (bitsPerPixel == 8 && std::strcmp(row->saver.saver, "pngsave"))) {
        if (vips_image_get_bands(picture.image) >= 3) {
            VipsImage* grey = nullptr;
            if (vips_colourspace(picture.image, &grey, VIPS_INTERPRETATION_B_W, nullptr))
                return Fail(WithReason("Unable to save " + Quoted(hostPath) + "."));
            replace(grey);
        }
        if (bitsPerPixel == 1) {
            VipsImage* bw = nullptr;
            if (vips_relational_const1(picture.image, &bw, VIPS_OPERATION_RELATIONAL_MORE, 127.0,
                                       nullptr))
                return Fail(WithReason("Unable to save " + Quoted(hostPath) + "."));
            replace(bw);
        }
    }
    const std::string saver = row->saver.saver;
    int failed = 0;
    if (saver == "pngsave") {
        if (bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8)
            failed = vips_pngsave(picture.image, hostPath.c_str(), "palette", bitsPerPixel != 1,
                                  "bitdepth", bitsPerPixel, nullptr);
        else
            failed = vips_pngsave(picture.image, hostPath.c_str(), nullptr);
    } else if (saver == "jpegsave") {
        failed = vips_jpegsave(picture.image, hostPath.c_str(), "Q", 80, nullptr);
    } else if (saver == "tiffsave") {
        if (bitsPerPixel == 1)
            failed = vips_tiffsave(picture.image, hostPath.c_str(), "bitdepth", 1, nullptr);
        else
            failed = vips_tiffsave(picture.image, hostPath.c_str(), "compression",
                                   VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE, nullptr);
    } else if (saver == "magicksave") {
        if (bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8)
            failed = vips_magicksave(picture.image, hostPath.c_str(), "format",
                                     row->saver.magickFormat, "bitdepth", bitsPerPixel, nullptr);
        else
            failed = vips_magicksave(picture.image, hostPath.c_str(), "format",
                                     row->saver.magickFormat, nullptr);
    } else {
        return Fail("Pictures cannot be saved in the format '" + std::string(row->name) +
                    "' here.");
    }
    if (failed)
        return Fail(WithReason("Unable to save " + Quoted(hostPath) + "."));
    return true;
}

bool CImage::Pixels(std::vector<unsigned char>& out, int& bands) {
    if (!m_image)
        return Fail("There is no picture to draw.");
    VipsImage* srgb = nullptr;
    if (!ToSrgb8(m_image, &srgb))
        return Fail(WithReason("Unable to draw the picture."));
    Ref picture(srgb);
    const int have = vips_image_get_bands(picture.image);
    // Grey (and grey with alpha) become RGB (RGBA) for drawing.
    if (have <= 2) {
        VipsImage* rgb = nullptr;
        if (vips_colourspace(picture.image, &rgb, VIPS_INTERPRETATION_sRGB, nullptr))
            return Fail(WithReason("Unable to draw the picture."));
        Ref old(picture.release());
        picture.image = rgb;
    }
    if (vips_image_get_bands(picture.image) > 4) {
        VipsImage* four = nullptr;
        if (vips_extract_band(picture.image, &four, 0, "n", 4, nullptr))
            return Fail(WithReason("Unable to draw the picture."));
        Ref old(picture.release());
        picture.image = four;
    }
    size_t length = 0;
    void* memory = vips_image_write_to_memory(picture.image, &length);
    if (!memory)
        return Fail(WithReason("Unable to draw the picture."));
    const auto* bytes = static_cast<const unsigned char*>(memory);
    out.assign(bytes, bytes + length);
    g_free(memory);
    bands = vips_image_get_bands(picture.image);
    return true;
}

} // namespace vorlane::viewers
