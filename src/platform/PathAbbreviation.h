// The short form of a path in one-line status and error texts, shared by
// every module that shows paths that way (file operations, catalogue,
// zip): a path longer than the limit shows as its drive letter, ":\..",
// and as much of its end as fits, the layout "%c:\..%s"
// ("C:\..\REPORTS\MARCH.TXT"). The result is then exactly limit characters.
//
// Limits count characters (UTF-8 code points), and no character is ever cut
// in half. Pure text work: anyone may call it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlane::platform {

// The text before the end of the path in an abbreviation: ":\.." after the
// drive letter.
constexpr const char* kAbbreviationMark = ":\\..";

// The characters (UTF-8 code points) of a text: continuation bytes count
// nothing.
size_t CountCharacters(std::string_view text);

// path itself when it holds at most limit characters, else its first
// character, ":\.." and its last limit - 5 characters (none when the limit
// is 5 or less).
std::string AbbreviatePath(const std::string& path, size_t limit);

} // namespace vorlane::platform
