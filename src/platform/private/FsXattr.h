// The DOS attribute word stored in the extended attribute user.DOSATTRIB, and
// the extended-attribute calls behind it. The calls go through a table that
// a test may replace to play a file system that refuses extended
// attributes (ENOTSUP), which a real temporary directory cannot show.
// Not for use outside src/platform/ and its tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace vorlane::platform::detail {

constexpr const char* kDosAttribName = "user.DOSATTRIB";

// The bits kept in user.DOSATTRIB (hidden, system, archive); read-only and
// directory always come from the file itself.
constexpr uint32_t kStoredAttributes = 0x02 | 0x04 | 0x20;

struct XattrCalls {
    // getxattr / setxattr / removexattr on a path, following links; -1 and
    // errno on failure, as the system calls.
    ssize_t (*get)(const char* path, const char* name, void* value, size_t size);
    int (*set)(const char* path, const char* name, const void* value, size_t size, int flags);
};

// The table every attribute read and write uses. Tests swap it and put the
// old one back.
XattrCalls& Xattr();

// Parses a stored value: the leading text up to the first NUL (Samba puts
// a binary record after it) must be "0x" followed by hexadecimal digits.
// False when it is not.
bool ParseDosAttrib(const char* value, size_t size, uint32_t* bits);
// The text stored for bits: "0x" + lower-case hexadecimal, no NUL.
std::string FormatDosAttrib(uint32_t bits);

// Reads the stored bits of path; false when there are none (no attribute,
// an unreadable value, or a file system without extended attributes, in
// which case *unsupported is set when not null).
bool ReadDosAttrib(const std::string& path, uint32_t* bits, bool* unsupported = nullptr);

} // namespace vorlane::platform::detail
