// Helpers shared by the file, file system and trash code of the platform
// layer. Not for use outside src/platform/.
#pragma once

#include <cstddef>
#include <string>

namespace vorlane::platform::detail {

// Renames (fromDir, from) to (toDir, to) without ever replacing an existing
// entry: renameat2(RENAME_NOREPLACE) where the file system supports it,
// else link + unlink for files, else a check followed by a rename (the only
// form with a window in which another process could slip a file in).
// Returns 0 or the errno (EEXIST when the target exists). Directory fds may
// be AT_FDCWD.
int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to);

// hexDigits random lower-case hexadecimal digits (getrandom; a clock and
// counter mix when that is unavailable).
std::string RandomHex(size_t hexDigits);

// At most maxBytes of the beginning of text, cut at a UTF-8 character boundary.
std::string Utf8Prefix(const std::string& text, size_t maxBytes);

} // namespace vorlane::platform::detail
