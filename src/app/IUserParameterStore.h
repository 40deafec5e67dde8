// IUserParameterStore: where the application keeps its user parameters
// (the six list fonts, "Thumbnail Settings", "Image Conversion Settings"):
// named byte records of object kind 7 in the object database.
//
// The object database implements it and the application object reaches it
// through the open database for the whole run (VorlaneApp::UserParameters()).
// Without a database there is no store, and every parameter has its default.
//
// Integer arrays are stored as a 32-bit little-endian count n followed by n
// 32-bit little-endian values, (n + 1) * 4 bytes in all; a record of any
// other length is not an integer array.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::app {

// The object kind of user parameters in the object database.
constexpr int kUserParameterKind = 7;

class IUserParameterStore {
  public:
    virtual ~IUserParameterStore() = default;
    // Reads the record named name; false when there is none (or it cannot
    // be read, which the caller treats the same).
    virtual bool GetUserParameter(const std::string& name, std::vector<uint8_t>* data) = 0;
    // Stores data under name, replacing a record of that name; false when
    // the store refuses.
    virtual bool PutUserParameter(const std::string& name, const std::vector<uint8_t>& data) = 0;
};

std::vector<uint8_t> EncodeIntArray(const std::vector<int32_t>& values);
// False (and *values untouched) unless data holds a whole integer array.
bool DecodeIntArray(const std::vector<uint8_t>& data, std::vector<int32_t>* values);

} // namespace vorlane::app
