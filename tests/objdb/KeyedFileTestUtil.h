// Helpers shared by the keyed record file tests: reading a whole index back
// and comparing it with a reference model.
#pragma once

#include "objdb/CKeyedFile.h"

#include <map>
#include <string>
#include <vector>

namespace vorlane::objdb::test {

// Every (key, data) of index 1 in ascending order, read with First/Next;
// a failing status ends the list with a pair ("<status>", text).
inline std::vector<std::pair<std::string, std::string>> ReadAll(CKeyedFile& file, int index = 1) {
    std::vector<std::pair<std::string, std::string>> out;
    int32_t status = file.First(index, nullptr, 0);
    while (status == kKfSuccess) {
        std::string data;
        status = file.ReadCurrent(&data);
        if (status != kKfSuccess)
            break;
        out.emplace_back(file.CurrentKey(), data);
        status = file.Next(index, nullptr, 0);
    }
    if (status != kKfNotFound)
        out.emplace_back("<status " + std::to_string(status) + ">", file.LastErrorDetail());
    return out;
}

// The same read backwards with Last/Previous, returned in ascending order.
inline std::vector<std::pair<std::string, std::string>> ReadAllBackwards(CKeyedFile& file,
                                                                         int index = 1) {
    std::vector<std::pair<std::string, std::string>> out;
    int32_t status = file.Last(index, nullptr, 0);
    while (status == kKfSuccess) {
        std::string data;
        status = file.ReadCurrent(&data);
        if (status != kKfSuccess)
            break;
        out.emplace(out.begin(), file.CurrentKey(), data);
        status = file.Previous(index, nullptr, 0);
    }
    if (status != kKfNotFound)
        out.emplace_back("<status " + std::to_string(status) + ">", file.LastErrorDetail());
    return out;
}

inline std::vector<std::pair<std::string, std::string>>
Flatten(const std::map<std::string, std::string>& model) {
    return {model.begin(), model.end()};
}

} // namespace vorlane::objdb::test
