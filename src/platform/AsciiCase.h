// ASCII-only case changes: DOS names and wildcards upper-case the letters
// A to Z (object names lower-case them) and leave every other byte (UTF-8 sequences included)
// exactly as it is. Any module may use it.
#pragma once

#include <string>
#include <string_view>

namespace vorlane::platform {

inline std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

inline std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace vorlane::platform
