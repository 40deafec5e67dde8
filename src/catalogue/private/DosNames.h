// The DOS name of a host name, without a temporary copy for the common
// case. Used by the listing loops of the catalogue only.
#pragma once

#include "platform/DosPath.h"

#include <string>
#include <string_view>

namespace vorlane::catalogue::detail {

// Printable ASCII other than \ : * ? " < > | is the same in both forms
// (the platform escapes only those, control characters and non-ASCII
// bytes that are not plain UTF-8); anything else goes through the platform.
inline std::string DosNameOf(std::string_view hostName) {
    for (char c : hostName) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|')
            return platform::HostNameToDos(std::string(hostName));
    }
    return std::string(hostName);
}

} // namespace vorlane::catalogue::detail
