// Type names of files, as the shell showed them: the description of the
// file's MIME type from the desktop's shared MIME database, read through
// QtCore's QMimeDatabase (the freedesktop.org files in every "mime"
// directory of $XDG_DATA_HOME and $XDG_DATA_DIRS: mime.cache or the
// package files, with their globs, aliases and case rules).
//
// Types are found from the name alone, never by reading the file. One look
// -up costs some microseconds, so callers that show many files keep the
// answer (the catalogue's records do). Descriptions are kept per MIME type
// in a cache of at most kTypeNameCacheLimit types (the least recently used
// goes first): files of one type share one text, and nothing here grows
// with the number of files or extensions seen. Texts handed out stay valid
// for as long as their holders keep them, whatever the cache drops.
//
// Safe to call from any thread; no QCoreApplication is needed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vorlane::platform {

// The type name shown for a file: the description of its MIME type, else
// its extension (after the last "."), upper-cased, followed by " File", or
// "File" for a name without one. The description is the one for the
// user's language where the database has one (as the shell's were),
// else the English one.
std::shared_ptr<const std::string> FileTypeName(std::string_view fileName);

// The same as FileTypeName without the database: "TXT File", "File".
std::string ExtensionTypeName(std::string_view fileName);

// How many MIME types' descriptions the cache keeps at the most, and how
// many it holds now.
constexpr size_t kTypeNameCacheLimit = 256;
size_t CachedTypeNames();

} // namespace vorlane::platform
