// The text and hex viewers' view of a file: the file mapped into memory
// (never read whole), lines found on demand around the place shown, line
// numbers counted from checkpoints, and each shown line decoded from one of
// the offered encodings.
//
// Lines end at CR LF, LF or a lone CR, looked for in the encoding's code
// units (two bytes in UTF-16, so a byte of another character is never taken
// for a break). A long stretch without a line break
// (a binary file shown as text) is cut into pieces: a row also ends at an
// offset that is a multiple of kMaxLineBytes when the kMaxLineBytes bytes
// before it hold no break. A line of ordinary length that merely crosses
// such a multiple stays one row. Since the cut points depend only on the
// bytes near them, a row is found from any offset by looking back at most
// two pieces, and no step scans more than that: the viewer stays quick on
// any file. A piece is a row of its own for scrolling; its number is that
// of the line it belongs to.
//
// Line numbers are counted from the file's start; the count of the line
// breaks before every MiB passed is remembered, so jumping back and forth
// counts each part of the file at most once.
//
// Owned by one viewer on the GUI thread; no locking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::viewers {

// A read-only mapping of a whole regular file (an empty file maps to
// nothing and is fine). Closed by the destructor.
//
// A file that another program cuts short while it is mapped would make a
// read of the pages past its new end kill the process (SIGBUS), and one
// that grows would show its old length. Follow() maps the file again at
// its present size; the viewers call it before they read, so a log file
// truncated or written to while it is shown is seen as it now is.
class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile() { Close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False with errno's value in *error (EISDIR, ENODEV for a pipe or a
    // device: only regular files are mapped).
    bool Open(const std::string& hostPath, int* error);
    void Close();
    // True when the file's size changed and it was mapped again (Data()
    // and Size() then differ from before; a file that can no longer be
    // mapped shows as empty).
    bool Follow();
    const char* Data() const { return m_data; }
    uint64_t Size() const { return m_size; }
    bool IsOpen() const { return m_open; }

  private:
    bool Map(uint64_t size, int* error);
    void Unmap();

    int m_fd = -1; // kept open, so the size can be asked again
    const char* m_data = nullptr;
    uint64_t m_size = 0;
    bool m_open = false;
};

enum class TextEncoding { Utf8, Latin1, Windows1252, Oem437, Utf16Le, Utf16Be };

// The size of a character's code unit in an encoding: 2 for UTF-16, else 1.
// Lines are found in code units, so a text in UTF-16 breaks at its own
// line ends and not at the bytes of other characters.
int CodeUnitBytes(TextEncoding encoding);

// The names offered in the encoding list, in TextEncoding order.
const std::vector<std::string>& TextEncodingNames();

// The bytes of one line shown (ending before its line break) and where the
// next line starts.
struct TextLine {
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t next = 0;
};

class TextLayout {
  public:
    static constexpr uint64_t kMaxLineBytes = 4096;
    static constexpr uint64_t kCheckpointBytes = 1 << 20;

    // Lines in text of one-byte code units.
    TextLayout(const char* data, uint64_t size) : TextLayout(data, size, TextEncoding::Utf8) {}
    // Lines in text of the encoding's code units. In UTF-16 every offset
    // this class takes or gives is even; a last odd byte is not shown.
    TextLayout(const char* data, uint64_t size, TextEncoding encoding);

    uint64_t Size() const { return m_size; }
    // The line that starts at start (REQUIRES: start is a line start).
    TextLine LineAt(uint64_t start) const;
    // The start of the row holding offset: after the last break before it,
    // or the start of its piece when the line is cut there.
    uint64_t LineStartOf(uint64_t offset) const;
    // The start of the line before the one at start (0 stays 0).
    uint64_t PreviousLineStart(uint64_t start) const;
    // The 1-based number of the line holding offset.
    uint64_t LineNumberAt(uint64_t offset);
    // True when a row starting at offset begins a line of its own (the
    // file's start or after a break), not a later piece of a cut line.
    bool FollowsBreak(uint64_t offset) const {
        return offset == 0 || (offset <= m_size && IsBreakAt(offset - m_unit));
    }

  private:
    // True when a row starts at offset because the line is cut there.
    bool IsPieceStart(uint64_t offset) const;
    // The start of the row byte q belongs to (a break belongs to the row it
    // ends, both bytes of a CR LF too).
    uint64_t RowStartHolding(uint64_t q) const;
    // Line breaks in [from, to): LF, CR LF counted once, a lone CR.
    uint64_t CountBreaks(uint64_t from, uint64_t to) const;
    // The code unit at p (REQUIRES: p is aligned and p < m_size).
    unsigned UnitAt(uint64_t p) const;
    bool IsBreakAt(uint64_t p) const;
    // Offsets of the unit value in [from, to) (aligned), found a byte at a
    // time by memchr: the count.
    uint64_t CountUnits(uint64_t from, uint64_t to, unsigned value, bool loneCrOnly) const;

    const char* m_data;
    uint64_t m_size;
    uint64_t m_unit = 1;      // bytes a code unit
    bool m_bigEndian = false; // UTF-16 BE
    // m_breaks[i]: line breaks before offset i * kCheckpointBytes.
    std::vector<uint64_t> m_breaks{0};
};

// The encoding a text is shown in when it is opened, from a sample of its
// start: UTF-16 (LE or BE) after its byte order mark, or when zero bytes
// fill one half of the sample's byte pairs and almost none of the other;
// UTF-8 when the sample holds UTF-8 letters beyond ASCII and no sequence
// that is not UTF-8; Windows-1252 when it is not UTF-8 and current is
// UTF-8 or UTF-16; else current (plain ASCII reads the same in all of
// them, and a choice of the user's for text that is not UTF-8 is kept).
// A sequence cut short at the sample's end does not count against UTF-8.
TextEncoding GuessTextEncoding(std::string_view sample, TextEncoding current);

// One line's bytes as UTF-8 for drawing: decoded from encoding (bytes that
// are not valid UTF-8 or UTF-16 show as U+FFFD; a byte order mark is not
// shown), tabs expanded to the next multiple
// of 8 columns, other control characters shown as a middle dot.
std::string DecodeLine(std::string_view bytes, TextEncoding encoding);

// One row of the hex viewer: the offset (8 hex digits, more for a file
// past 4 GiB), 16 bytes in hex with a wider gap after the eighth, and the
// bytes as characters (printable ASCII, else '.').
std::string HexRow(uint64_t offset, std::string_view bytes);

} // namespace vorlane::viewers
