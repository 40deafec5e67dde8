// CImage: one decoded picture, held in memory through libvips. The
// thumbnails, the image window and the image conversion load, shrink,
// encode and save pictures through it and through nothing else.
//
// Every load reads the picture's header first and refuses a picture with
// more pixels than the cap before any pixel is decoded, so a tiny file that
// claims 65,000 by 65,000 pixels, or a decompression bomb, fails with an
// error text and allocates nothing. Truncated and damaged files fail too:
// decoding stops at the first truncation or error instead of showing grey.
//
// Ownership: a CImage owns one reference to its VipsImage and drops it in
// its destructor; it moves, it does not copy. Threads: libvips is started
// once for the process (InitImaging, called by every constructor); separate
// CImage objects may be used on separate threads at once, one object by one
// thread at a time.
//
// Errors: a call that returns false has set ErrorText() to one sentence
// naming the file or the step.
#pragma once

#include "viewers/FitToBox.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _VipsImage VipsImage;

namespace vorlane::viewers {

// Starts libvips once for the process; safe from any thread, any number of
// times. False (with a text) when the library cannot start.
bool InitImaging(std::string* error = nullptr);

// What a file is, by its contents: the code of its row of the image format
// table, kImageNoRow for a picture libvips reads whose format has no row
// (GIF, WebP, ...), kNotAnImage for anything else.
inline constexpr int kImageNoRow = 0;
inline constexpr int kNotAnImage = -1;
int DetectImageFormat(const std::string& hostPath);

class CImage {
  public:
    // The most pixels a picture may have unless a caller says otherwise:
    // 50 million (a 50-megapixel photograph; at most 200 MB decoded).
    static constexpr uint64_t kDefaultMaxPixels = 50'000'000;

    CImage();
    ~CImage();
    CImage(CImage&& other) noexcept;
    CImage& operator=(CImage&& other) noexcept;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Loads and decodes a whole picture at its own size and depth.
    bool LoadFile(const std::string& hostPath, uint64_t maxPixels = kDefaultMaxPixels);
    bool LoadMemory(const void* data, size_t size, uint64_t maxPixels = kDefaultMaxPixels);

    // Loads a picture shrunk to fit a box of boxWidth by boxHeight by the fit
    // rule, never enlarged (a picture that fits keeps its size), turned
    // upright by its orientation tag. Decoders that can shrink while they
    // decode (JPEG, WebP, ...) do, so a big photograph is never decoded
    // whole. The cap applies to the picture's own size.
    bool ThumbnailFile(const std::string& hostPath, int boxWidth, int boxHeight,
                       uint64_t maxPixels = kDefaultMaxPixels);
    bool ThumbnailMemory(const void* data, size_t size, int boxWidth, int boxHeight,
                         uint64_t maxPixels = kDefaultMaxPixels);

    // Resizes to exactly width by height. REQUIRES: !Empty().
    bool Resize(int width, int height);
    // Resizes to fit the box by the fit rule when the picture is wider or
    // higher than it; else leaves it alone (true).
    bool ShrinkToFit(int boxWidth, int boxHeight);

    // Encodes as an 8-bit palette PNG (transparency kept) into out.
    bool EncodePalettePng(std::vector<unsigned char>& out);
    // Writes the picture to hostPath in a format of the image format table at
    // a depth it allows (1, 4, 8, 16, 24, 32; 0 keeps the picture's own).
    // Fails with a clear text for a format nothing here can write.
    bool Save(const std::string& hostPath, int formatCode, int bitsPerPixel = 0);

    // 8-bit sRGB pixels for drawing, rows top to bottom without padding:
    // 4 bands (RGBA) when the picture has transparency, else 3.
    bool Pixels(std::vector<unsigned char>& out, int& bands);

    bool Empty() const { return m_image == nullptr; }
    int Width() const;
    int Height() const;
    // Bands of the decoded picture (1 grey, 2 grey + alpha, 3 RGB, 4 RGBA).
    int Bands() const;
    const std::string& ErrorText() const { return m_error; }
    // The underlying image for operations this class does not wrap; stays
    // owned by this object.
    VipsImage* Handle() const { return m_image; }
    // Takes one reference of image (may be null).
    void Adopt(VipsImage* image);

  private:
    bool Fail(std::string text);
    bool Decoded(VipsImage* lazy, const std::string& what);

    VipsImage* m_image = nullptr;
    std::string m_error;
};

} // namespace vorlane::viewers
