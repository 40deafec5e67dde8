// Profile (INI) files with the semantics of the Windows private profile
// calls: sections and keys compared without regard to case (ASCII letters),
// blanks around keys and values trimmed, one pair of surrounding quotes
// (double or single) removed from a value, integers read from their leading
// digits (an optional sign, then digits; no digits gives the default), other
// lines and comments kept as they were.
//
// Lines: "[Section]" (text after the "]" ignored), "key=value", comments
// starting with ";", blank lines; anything else (a line without "=", a "["
// without "]", binary garbage) is kept verbatim and never read as a key. A
// line holding a NUL byte is read up to the NUL, as the Windows calls read
// it, and kept verbatim until its key is written. The first of duplicate
// keys wins; a section named twice is read as one. A file that used CR LF
// is written with CR LF; a UTF-8 byte order mark is kept.
//
// A ProfileFile holds the whole file in memory. Writes change the memory and
// mark it dirty; Flush() replaces the file atomically (temporary file in the
// same directory, fsync, rename, fsync of the directory), so a crash leaves
// the old file or the new one. A read-only file (no write permission bit;
// users freeze their settings that way) is never replaced. Many writes
// followed by one Flush() are one rewrite. Not thread-safe; one owner.
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
    // "12abc" reads 12, " -7 " reads -7, "abc" and "" give def; values
    // beyond the range of int are clamped to it.
    int GetInt(const std::string& section, const std::string& key, int def) const;
    bool HasKey(const std::string& section, const std::string& key) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(const std::string& section) const;

    // Changes memory only. A new key goes after the last line of its
    // section (before the blank lines that end it); a new section at the end
    // of the file. The section and key keep the case of their first writer.
    // A value that would not read back as written (blanks at either end, or
    // surrounding quotes of its own) is stored in double quotes; a line
    // break in a value becomes a blank and the value ends at a NUL byte, so
    // a value can never make lines of its own. Refused (false, nothing
    // changed): an empty section or key, a section holding "]", a key
    // holding "=" or starting with "[" or ";", or either holding a line
    // break or NUL.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int value);
    void DeleteKey(const std::string& section, const std::string& key);
    void DeleteSection(const std::string& section);

    bool Dirty() const { return m_dirty; }
    // Writes the file when dirty (one atomic replacement); clean is a no-op.
    // On failure the file on disk is unchanged and the profile stays dirty.
    // A read-only file is refused (kDosAccessDenied) and ReadOnly() tells so.
    bool Flush(SysError* err = nullptr);
    // The last Flush found the file read-only and left it alone.
    bool ReadOnly() const { return m_readOnly; }
    // The text Flush would write.
    std::string Text() const;

  private:
    struct Line {
        std::string raw;     // the line as read or as last written, without end of line
        std::string section; // for a section header: its name; for other lines: the
                             // section they belong to ("" before the first header)
        std::string key;     // for a key line: the trimmed key; else empty
        bool isSection = false;
        bool isKey = false;
    };
    static Line ParseLine(std::string raw, const std::string& currentSection);
    // Index of the key's line (first of duplicates), or -1.
    int FindKey(const std::string& section, const std::string& key) const;
    // Index of the line after which a new key of section goes, or -1 when
    // the section does not exist.
    int InsertionPoint(const std::string& section) const;

    std::string m_path;
    std::vector<Line> m_lines;
    bool m_dirty = false;
    bool m_crlf = false; // the file used CR LF line ends; kept on rewrite
    bool m_bom = false;  // the file began with a UTF-8 byte order mark; kept
    bool m_readOnly = false;
};

// One-shot calls in the style of the Windows API, each reading the file
// anew; the write calls rewrite the file at once. Use ProfileFile for many
// keys. A file that cannot be read gives the defaults; the write call
// refuses to write over a file it could not read (nothing is lost) or a
// read-only one.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& hostPath);
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& hostPath);
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& hostPath,
                               SysError* err = nullptr);

} // namespace vorlane::platform
