// Type names of files, as the shell showed them: the description of the
// file's MIME type from the desktop's shared MIME database (the freedesktop
// shared-mime-info files "globs2" and "<media>/<subtype>.xml" under each
// "mime" directory of $XDG_DATA_HOME and $XDG_DATA_DIRS).
//
// Types are found from the name alone (literal names first, then the
// longest "*.suffix" pattern, then other patterns), never by reading the
// file, so a directory of a hundred thousand files costs one lookup per
// distinct extension: FileTypeName caches its answer per extension.
//
// MimeDatabase is a plain object (tests build one over a directory of their
// own); the process-wide one behind FileTypeName is loaded on first use and
// guarded by a mutex.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::platform {

const std::string& FileTypeName(std::string_view fileName);

class MimeDatabase {
  public:
    // Reads the glob lists of the given "mime" directories; an earlier
    // directory wins over a later one. Missing files are skipped.
    explicit MimeDatabase(std::vector<std::string> mimeDirs);
    ~MimeDatabase();
    MimeDatabase(const MimeDatabase&) = delete;
    MimeDatabase& operator=(const MimeDatabase&) = delete;

    // The "mime" directories of the desktop: $XDG_DATA_HOME/mime (default
    // ~/.local/share/mime), then each of $XDG_DATA_DIRS (default
    // /usr/local/share:/usr/share) with "/mime".
    static std::vector<std::string> SystemDirs();

    // The MIME type of a file name ("text/plain"); "" when no pattern matches.
    std::string TypeOfName(std::string_view name) const;
    // The English description of a type ("plain text document"); "" when
    // the type has none.
    std::string Description(const std::string& type) const;

  private:
    friend const std::string& FileTypeName(std::string_view fileName);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The type name shown for a file: the description of its MIME type, else
// its extension (after the last "."), upper-cased, followed by " File", or
// "File" for a name without one. The reference stays valid for the life of
// the process (names are kept per extension).
const std::string& FileTypeName(std::string_view fileName);

// The same as FileTypeName without the database: "TXT File", "File".
std::string ExtensionTypeName(std::string_view fileName);

// Keeps text for the life of the process and returns the one copy of it;
// equal texts give the same reference.
const std::string& InternText(std::string_view text);

} // namespace vorlane::platform
