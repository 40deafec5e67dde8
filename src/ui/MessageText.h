// The texts of message boxes: printf-style formatting into a buffer sized
// for the result, and the cut to what the message dialog shows, which never
// splits a UTF-8 character.
//
//   std::string text = ui::MessageWithDetail(
//       ui::FormatText("Unable to copy '%s' to '%s'.\n\n", from, to), error.Message());
//   context.Ui().Message(text, "Error!", ui::Buttons::Ok, ui::Icon::Error);
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace vorlane::ui {

// The longest text the message dialog shows, in bytes.
constexpr size_t kMaxMessageText = 1024;

// Cuts text to kMaxMessageText bytes without splitting a UTF-8 character.
std::string LimitMessageText(const std::string& text);

// printf into a string of whatever length the result has (an invalid
// format gives "").
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VFormatText(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// sentence followed by detail (a system error text, a list of names), cut
// to kMaxMessageText: the sentence gives way first, at a character
// boundary, so that the detail still shows; a detail too long by itself is
// cut at its end.
std::string MessageWithDetail(const std::string& sentence, const std::string& detail);

} // namespace vorlane::ui
