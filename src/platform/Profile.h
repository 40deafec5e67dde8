// Profile (INI) files with the semantics of the Windows private profile
// calls: sections and keys compared without regard to case, blanks around
// keys and values trimmed, one pair of surrounding quotes removed from a
// value, integers read from their leading digits (an optional sign, then
// digits; no digits gives the default), other lines and comments kept as
// they were.
//
// A ProfileFile holds the whole file in memory. Writes change the memory and
// mark it dirty; Flush() replaces the file atomically (temporary file in the
// same directory, fsync, rename, fsync of the directory), so a crash leaves
// the old file or the new one. Many writes followed by one Flush() are one
// rewrite. Not thread-safe; one owner.
#pragma once

#include "platform/SysError.h"

#include <string>
#include <vector>

namespace vorlane::platform {

class ProfileFile {
  public:
    ProfileFile() = default;
    explicit ProfileFile(std::string hostPath);

    const std::string& Path() const { return m_path; }

    // Reads the file. A missing file gives an empty profile and succeeds.
    // Bytes that are not text (NUL, invalid lines) never fail the load: a
    // line that is neither a section, a key nor a comment is kept verbatim.
    bool Load(SysError* err = nullptr);

    // Returns the value of key in section, or def when either is missing.
    // Strings come back at most maxLength bytes long (255 like the Windows
    // call's buffer by default; 0 means no limit).
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def = "", size_t maxLength = 255) const;
    int GetInt(const std::string& section, const std::string& key, int def) const;
    bool HasKey(const std::string& section, const std::string& key) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(const std::string& section) const;

    // Changes memory only. A new key goes at the end of its section; a new
    // section at the end of the file. The section and key keep the case of
    // their first writer.
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value);
    void WriteInt(const std::string& section, const std::string& key, int value);
    void DeleteKey(const std::string& section, const std::string& key);
    void DeleteSection(const std::string& section);

    bool Dirty() const { return m_dirty; }
    // Writes the file when dirty (one atomic replacement); clean is a no-op.
    // On failure the file on disk is unchanged and the profile stays dirty.
    bool Flush(SysError* err = nullptr);
    // The text Flush would write.
    std::string Text() const;

  private:
    struct Line {
        std::string raw;     // the line as read or as last written, without end of line
        std::string section; // for a section header: its name; else empty
        std::string key;     // for a key line: the trimmed key; else empty
        bool isSection = false;
        bool isKey = false;
    };
    std::string m_path;
    std::vector<Line> m_lines;
    bool m_dirty = false;
    bool m_crlf = false; // the file used CR LF line ends; kept on rewrite
};

// One-shot calls in the style of the Windows API, each reading the file
// anew; the write calls rewrite the file at once. Use ProfileFile for many
// keys.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& hostPath);
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& hostPath);
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& hostPath,
                               SysError* err = nullptr);

} // namespace vorlane::platform
