#include "ui/MessageText.h"

#include <cstdio>

namespace vorlane::ui {

namespace {

// The longest prefix of text within limit bytes that ends on a character
// boundary.
size_t CharacterBoundaryAtOrBefore(const std::string& text, size_t limit) {
    if (text.size() <= limit)
        return text.size();
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

std::string LimitMessageText(const std::string& text) {
    return text.substr(0, CharacterBoundaryAtOrBefore(text, kMaxMessageText));
}

std::string VFormatText(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormatText(format, args);
    va_end(args);
    return text;
}

std::string MessageWithDetail(const std::string& sentence, const std::string& detail) {
    size_t room = kMaxMessageText > detail.size() ? kMaxMessageText - detail.size() : 0;
    return LimitMessageText(sentence.substr(0, CharacterBoundaryAtOrBefore(sentence, room)) +
                            detail);
}

} // namespace vorlane::ui
