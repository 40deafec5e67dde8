// Helpers shared by the keyed record file tests: reading a whole index back
// and comparing it with a reference model.
#pragma once

#include "objdb/CKeyedFile.h"

#include <map>
#include <string>
#include <vector>

namespace vorlane::objdb::test {

using Records = std::vector<std::pair<std::string, std::string>>;

// Every (key, data) of an index in ascending order, read with First/Next or
// (backwards) with Last/Previous; a failing status ends the list with a
// pair ("<status>", text).
inline Records ReadAll(CKeyedFile& file, int index = 1, bool backwards = false) {
    Records out;
    int32_t status = backwards ? file.Last(index, nullptr, 0) : file.First(index, nullptr, 0);
    while (status == kKfSuccess) {
        std::string data;
        status = file.ReadCurrent(&data);
        if (status != kKfSuccess)
            break;
        out.emplace(backwards ? out.begin() : out.end(), file.CurrentKey(), data);
        status = backwards ? file.Previous(index, nullptr, 0) : file.Next(index, nullptr, 0);
    }
    if (status != kKfNotFound)
        out.emplace_back("<status " + std::to_string(status) + ">", file.LastErrorDetail());
    return out;
}

inline Records Flatten(const std::map<std::string, std::string>& model) {
    return {model.begin(), model.end()};
}

// A little-endian word of a file's bytes.
inline uint32_t WordLE(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

} // namespace vorlane::objdb::test
