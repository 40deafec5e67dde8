// Key types of the keyed record file: how a key is laid out in an index
// entry and how two keys of one index compare. Private to the objdb module.
//
// Keys are kept in the entry in the file's byte order; callers hand them over
// in native form and EncodeKey converts.
#pragma once

#include "objdb/private/FileFormat.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane::objdb::detail {

enum class KeyKind : uint8_t {
    String,       // 0: NUL-terminated, bytewise, case-sensitive
    StringNoCase, // 1: NUL-terminated, ASCII letters compared without case
    Counted,      // 2, 16..20: length byte, then that many bytes
    Int32,        // 3, 5: signed 32-bit
    Int16,        // 4: signed 16-bit
    Float32,      // 6
    Float64,      // 7
    Bytes6,       // 9: six bytes, bytewise
    UInt16,       // 10: unsigned 16-bit
    Unsupported,  // 8 (compound) and 11..15: no comparison
};

// Only the low five bits of a key type count.
KeyKind KindOfType(uint8_t type);

// True when key (file form, keyLen bytes) is a well-formed key of kind.
bool ValidKey(KeyKind kind, const uint8_t* key, uint32_t keyLen);

// Orders two well-formed keys of one kind: <0, 0, >0.
int CompareKeys(KeyKind kind, const ByteOrder& order, const uint8_t* a, uint32_t aLen,
                const uint8_t* b, uint32_t bLen);

// Turns a caller's key (native form) into its file form. False when the key
// does not fit its kind or is longer than kMaxKeyBytes.
//  - strings: the characters, optionally followed by one NUL (nothing after it);
//    an embedded NUL is refused. The file form ends with the NUL.
//  - counted: the length byte and at least that many bytes (extra bytes ignored).
//  - numbers and Bytes6: exactly the size of the type, native byte order.
bool EncodeKey(KeyKind kind, const ByteOrder& order, std::string_view key, std::string* out);

// The native form of a file-form key: strings without their NUL, numbers in
// native byte order, counted keys and Bytes6 as stored.
std::string DecodeKey(KeyKind kind, const ByteOrder& order, const uint8_t* key, uint32_t keyLen);
// The same into *out, reusing its storage.
void DecodeKeyInto(KeyKind kind, const ByteOrder& order, const uint8_t* key, uint32_t keyLen,
                   std::string* out);

} // namespace vorlane::objdb::detail
