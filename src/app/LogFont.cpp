#include "app/LogFont.h"

#include <cstring>

namespace vorlane::app {

namespace {

void PutInt32(std::vector<uint8_t>& out, size_t offset, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t GetInt32(const std::vector<uint8_t>& in, size_t offset) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(in[offset + i]) << (8 * i);
    return static_cast<int32_t>(v);
}

// Cuts a face name to at most max bytes without splitting a UTF-8 character.
std::string FitFaceName(const std::string& face, size_t max) {
    if (face.size() <= max)
        return face;
    size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(face[cut]) & 0xC0) == 0x80)
        --cut;
    return face.substr(0, cut);
}

} // namespace

LogFont LogFont::Make(const std::string& face, int32_t height) {
    LogFont font;
    font.faceName = face;
    font.height = height;
    font.weight = 400;
    return font;
}

std::vector<uint8_t> LogFont::Encode() const {
    std::vector<uint8_t> out(kRecordSize, 0);
    PutInt32(out, 0, height);
    PutInt32(out, 4, width);
    PutInt32(out, 8, escapement);
    PutInt32(out, 12, orientation);
    PutInt32(out, 16, weight);
    out[20] = italic;
    out[21] = underline;
    out[22] = strikeOut;
    out[23] = charSet;
    out[24] = outPrecision;
    out[25] = clipPrecision;
    out[26] = quality;
    out[27] = pitchAndFamily;
    std::string face = FitFaceName(faceName, kFaceNameSize - 1);
    std::memcpy(out.data() + 28, face.data(), face.size());
    return out;
}

bool LogFont::Decode(const std::vector<uint8_t>& data, LogFont* font) {
    if (data.size() != kRecordSize)
        return false;
    LogFont f;
    f.height = GetInt32(data, 0);
    f.width = GetInt32(data, 4);
    f.escapement = GetInt32(data, 8);
    f.orientation = GetInt32(data, 12);
    f.weight = GetInt32(data, 16);
    f.italic = data[20];
    f.underline = data[21];
    f.strikeOut = data[22];
    f.charSet = data[23];
    f.outPrecision = data[24];
    f.clipPrecision = data[25];
    f.quality = data[26];
    f.pitchAndFamily = data[27];
    // The face ends at its NUL or at the end of the field when a writer
    // left none.
    const char* face = reinterpret_cast<const char*>(data.data() + 28);
    f.faceName.assign(face, strnlen(face, kFaceNameSize));
    *font = f;
    return true;
}

const char* FontParameterName(FontSlot slot) {
    switch (slot) {
    case FontSlot::DetailsList:
        return "\\Fonts\\File List\\Details";
    case FontSlot::LargeIconList:
        return "\\Fonts\\File List\\Large Icon";
    case FontSlot::List:
        return "\\Fonts\\File List\\List";
    case FontSlot::SmallIconList:
        return "\\Fonts\\File List\\Small Icon";
    case FontSlot::ThumbnailList:
        return "\\Fonts\\File List\\Thumbnail";
    case FontSlot::Tree:
        return "\\Fonts\\Tree List";
    }
    return "";
}

LogFont DefaultFont(FontSlot slot) {
    switch (slot) {
    case FontSlot::DetailsList:
    case FontSlot::Tree:
        return LogFont::Make("Arial", -13);
    case FontSlot::List:
        return LogFont::Make("Arial", -12);
    default:
        return LogFont::Make("Arial", -11);
    }
}

} // namespace vorlane::app
