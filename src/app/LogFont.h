// LogFont: the logical-font record that the six list fonts are kept in, and
// its fixed 60-byte stored form (a user parameter of the object database).
//
// Stored layout, little-endian, 60 bytes, no padding:
//
//   offset size field
//        0    4 height          signed; negative = character height in pixels
//                               (the defaults use -11 to -13), 0 = default size
//        4    4 width           signed; 0 = matched to the height
//        8    4 escapement      tenths of a degree
//       12    4 orientation     tenths of a degree
//       16    4 weight          100 to 900; 400 normal, 700 bold; 0 = default
//       20    1 italic          0 or 1
//       21    1 underline       0 or 1
//       22    1 strike-out      0 or 1
//       23    1 character set   0 = ANSI, 1 = default
//       24    1 output precision
//       25    1 clip precision
//       26    1 quality
//       27    1 pitch and family
//       28   32 face name       UTF-8, NUL-terminated, at most 31 bytes
//
// A stored record of any other length is not a font. Plain value type.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::app {

struct LogFont {
    static constexpr size_t kRecordSize = 60;
    static constexpr size_t kFaceNameSize = 32;

    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::string faceName; // at most 31 bytes are stored

    // A normal-weight font of this face and height.
    static LogFont Make(const std::string& face, int32_t height);

    // The 60-byte stored form.
    std::vector<uint8_t> Encode() const;
    // Reads the stored form; false (and *font untouched) unless data is
    // exactly 60 bytes long.
    static bool Decode(const std::vector<uint8_t>& data, LogFont* font);

    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// The six list fonts, in this order.
enum class FontSlot {
    DetailsList,   // "\Fonts\File List\Details"
    LargeIconList, // "\Fonts\File List\Large Icon"
    List,          // "\Fonts\File List\List"
    SmallIconList, // "\Fonts\File List\Small Icon"
    ThumbnailList, // "\Fonts\File List\Thumbnail"
    Tree,          // "\Fonts\Tree List"
};
constexpr size_t kFontCount = 6;

// The user-parameter name of a font slot.
const char* FontParameterName(FontSlot slot);
// The font a slot has when none is stored: "Arial" with the slot's height.
LogFont DefaultFont(FontSlot slot);

} // namespace vorlane::app
