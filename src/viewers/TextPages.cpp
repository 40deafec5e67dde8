#include "viewers/TextPages.h"

#include "platform/CodePage437.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::viewers {

bool MappedFile::Open(const std::string& hostPath, int* error) {
    Close();
    // O_NONBLOCK: a FIFO swapped in under the name never blocks the open.
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    if (!Map(static_cast<uint64_t>(st.st_size), error)) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_open = true;
    return true;
}

bool MappedFile::Map(uint64_t size, int* error) {
    if (size > 0) {
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, m_fd, 0);
        if (map == MAP_FAILED) {
            *error = errno;
            return false;
        }
        m_data = static_cast<const char*>(map);
    }
    m_size = size;
    return true;
}

void MappedFile::Unmap() {
    if (m_data != nullptr)
        ::munmap(const_cast<char*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
}

bool MappedFile::Follow() {
    struct stat st;
    if (!m_open || ::fstat(m_fd, &st) != 0 || static_cast<uint64_t>(st.st_size) == m_size)
        return false;
    Unmap();
    int error = 0;
    Map(static_cast<uint64_t>(st.st_size), &error); // a failure leaves it empty
    return true;
}

void MappedFile::Close() {
    Unmap();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_open = false;
}

const std::vector<std::string>& TextEncodingNames() {
    static const std::vector<std::string> names = {"UTF-8",        "Latin-1 (ISO 8859-1)",
                                                   "Windows-1252", "DOS (code page 437)",
                                                   "UTF-16 LE",    "UTF-16 BE"};
    return names;
}

namespace {

// The UTF-16 code unit whose two bytes start at bytes.
char32_t Utf16Unit(const char* bytes, bool bigEndian) {
    const auto a = static_cast<unsigned char>(bytes[0]);
    const auto b = static_cast<unsigned char>(bytes[1]);
    return bigEndian ? (char32_t{a} << 8 | b) : (a | char32_t{b} << 8);
}

} // namespace

int CodeUnitBytes(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be ? 2 : 1;
}

TextLayout::TextLayout(const char* data, uint64_t size, TextEncoding encoding)
    : m_data(data), m_size(size), m_unit(static_cast<uint64_t>(CodeUnitBytes(encoding))),
      m_bigEndian(encoding == TextEncoding::Utf16Be) {
    m_size -= m_size % m_unit;
}

unsigned TextLayout::UnitAt(uint64_t p) const {
    if (m_unit == 1)
        return static_cast<unsigned char>(m_data[p]);
    return Utf16Unit(m_data + p, m_bigEndian);
}

bool TextLayout::IsBreakAt(uint64_t p) const {
    const unsigned u = UnitAt(p);
    return u == '\n' || u == '\r';
}

bool TextLayout::IsPieceStart(uint64_t offset) const {
    if (offset == 0 || offset >= m_size || offset % kMaxLineBytes != 0)
        return false;
    for (uint64_t p = offset - kMaxLineBytes; p < offset; p += m_unit)
        if (IsBreakAt(p))
            return false;
    return true;
}

TextLine TextLayout::LineAt(uint64_t start) const {
    TextLine line{start, start, start};
    if (start >= m_size)
        return line;
    uint64_t p = start;
    while (p < m_size && !IsBreakAt(p)) {
        p += m_unit;
        // No break since start: a multiple this far on is a cut when the
        // piece before it holds none either.
        if (p % kMaxLineBytes == 0 && (p - start >= kMaxLineBytes || IsPieceStart(p))) {
            line.end = line.next = p;
            return line;
        }
    }
    line.end = p;
    if (p == m_size) {
        line.next = p;
        return line;
    }
    line.next = p + m_unit;
    if (UnitAt(p) == '\r' && p + m_unit < m_size && UnitAt(p + m_unit) == '\n')
        line.next = p + 2 * m_unit;
    return line;
}

uint64_t TextLayout::RowStartHolding(uint64_t q) const {
    // The row starts after the last break before q, unless the multiple
    // of kMaxLineBytes at or below q is a cut. A break within the piece
    // before that multiple means it is not, and the row starts after that
    // break; so the look back never passes that piece.
    const uint64_t boundary = (q / kMaxLineBytes) * kMaxLineBytes;
    const uint64_t low = boundary >= kMaxLineBytes ? boundary - kMaxLineBytes : 0;
    for (uint64_t p = q; p > low; p -= m_unit) {
        const unsigned c = UnitAt(p - m_unit);
        if (c != '\n' && c != '\r')
            continue;
        if (c == '\r' && UnitAt(p) == '\n') {
            // A CR LF: the row after it starts past the LF; q on the LF
            // still belongs to the row the pair ends.
            if (p + m_unit <= q)
                return p + m_unit;
            continue;
        }
        return p;
    }
    return boundary;
}

uint64_t TextLayout::LineStartOf(uint64_t offset) const {
    if (m_size == 0)
        return 0;
    offset = std::min(offset, m_size - m_unit);
    offset -= offset % m_unit;
    // The LF of a CR LF belongs to the line before: the next line starts after it.
    if (offset > 0 && UnitAt(offset - m_unit) == '\r' && UnitAt(offset) == '\n' &&
        offset + m_unit < m_size)
        return offset + m_unit;
    return RowStartHolding(offset);
}

uint64_t TextLayout::PreviousLineStart(uint64_t start) const {
    if (start == 0 || m_size == 0)
        return 0;
    start = std::min(start, m_size);
    start -= start % m_unit;
    return start == 0 ? 0 : RowStartHolding(start - m_unit);
}

uint64_t TextLayout::CountUnits(uint64_t from, uint64_t to, unsigned value, bool loneCrOnly) const {
    // The byte that differs from 0 in the unit, and where it sits in it.
    const uint64_t at = m_unit == 2 && m_bigEndian ? 1 : 0;
    uint64_t count = 0;
    const char* p = m_data + from + at;
    const char* const last = m_data + to;
    while (p < last) {
        const void* hit = std::memchr(p, static_cast<int>(value), static_cast<size_t>(last - p));
        if (hit == nullptr)
            break;
        const uint64_t byte = static_cast<uint64_t>(static_cast<const char*>(hit) - m_data);
        p = static_cast<const char*>(hit) + 1;
        const uint64_t unit = byte - at;
        if (m_unit != 1 && (byte < at || unit % m_unit != 0 || UnitAt(unit) != value))
            continue; // a byte of another character
        if (loneCrOnly && unit + m_unit < m_size && UnitAt(unit + m_unit) == '\n')
            continue;
        ++count;
    }
    return count;
}

uint64_t TextLayout::CountBreaks(uint64_t from, uint64_t to) const {
    // Every LF, and a CR not followed by LF (a lone CR ends a line too).
    return CountUnits(from, to, '\n', false) + CountUnits(from, to, '\r', true);
}

uint64_t TextLayout::LineNumberAt(uint64_t offset) {
    offset = std::min(offset, m_size);
    offset -= offset % m_unit;
    const uint64_t wanted = offset / kCheckpointBytes;
    while (m_breaks.size() <= wanted) {
        const uint64_t from = (m_breaks.size() - 1) * kCheckpointBytes;
        m_breaks.push_back(m_breaks.back() +
                           CountBreaks(from, std::min(from + kCheckpointBytes, m_size)));
    }
    const uint64_t from = wanted * kCheckpointBytes;
    uint64_t breaks = m_breaks[wanted] + CountBreaks(from, offset);
    // A CR whose LF lies at offset was counted as lone above: it is not.
    if (offset > from && offset < m_size && UnitAt(offset - m_unit) == '\r' &&
        UnitAt(offset) == '\n')
        --breaks;
    return breaks + 1;
}

namespace {

// Windows-1252's 0x80 to 0x9F (0xFFFD where the code page has no character).
const char16_t kWindows1252[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                   0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One UTF-8 character at bytes[i]: its code point (0xFFFD for a bad
// sequence, which then takes one byte) and its length.
char32_t NextUtf8(std::string_view bytes, size_t i, size_t* length) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = b(i);
    *length = 1;
    if (lead < 0x80)
        return lead;
    int more = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (more < 0 || i + static_cast<size_t>(more) >= bytes.size())
        return 0xFFFD;
    char32_t c = lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (b(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are refused.
    static const char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0xFFFD;
    *length = static_cast<size_t>(more) + 1;
    return c;
}

// UTF-16 by its byte order mark, or by zero bytes in one half of the byte
// pairs (the high bytes of Latin letters) and hardly any in the other.
std::optional<TextEncoding> Utf16Of(std::string_view sample) {
    if (sample.size() >= 2) {
        if (sample[0] == '\xFF' && sample[1] == '\xFE')
            return TextEncoding::Utf16Le;
        if (sample[0] == '\xFE' && sample[1] == '\xFF')
            return TextEncoding::Utf16Be;
    }
    const size_t pairs = std::min<size_t>(sample.size(), 4096) / 2;
    if (pairs < 4)
        return std::nullopt;
    size_t evenZeros = 0, oddZeros = 0;
    for (size_t i = 0; i < pairs; ++i) {
        evenZeros += sample[2 * i] == '\0';
        oddZeros += sample[2 * i + 1] == '\0';
    }
    const auto most = [&](size_t zeros) { return zeros * 10 >= pairs * 4; };
    const auto few = [&](size_t zeros) { return zeros * 20 <= pairs; };
    if (most(oddZeros) && few(evenZeros))
        return TextEncoding::Utf16Le;
    if (most(evenZeros) && few(oddZeros))
        return TextEncoding::Utf16Be;
    return std::nullopt;
}

// One UTF-16 character at bytes[i]: its code point (0xFFFD for a lone
// surrogate or a last odd byte) and its length in bytes.
char32_t NextUtf16(std::string_view bytes, size_t i, bool bigEndian, size_t* length) {
    const auto unit = [&](size_t k) { return Utf16Unit(bytes.data() + k, bigEndian); };
    if (i + 2 > bytes.size()) {
        *length = bytes.size() - i;
        return 0xFFFD;
    }
    *length = 2;
    const char32_t first = unit(i);
    if (first < 0xD800 || first > 0xDFFF)
        return first;
    if (first <= 0xDBFF && i + 4 <= bytes.size()) {
        const char32_t second = unit(i + 2);
        if (second >= 0xDC00 && second <= 0xDFFF) {
            *length = 4;
            return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
        }
    }
    return 0xFFFD;
}

} // namespace

TextEncoding GuessTextEncoding(std::string_view sample, TextEncoding current) {
    if (std::optional<TextEncoding> utf16 = Utf16Of(sample))
        return *utf16;
    // Not UTF-16: a choice of UTF-16 left from another file is read as one
    // of UTF-8.
    if (CodeUnitBytes(current) == 2)
        current = TextEncoding::Utf8;
    bool beyondAscii = false;
    for (size_t i = 0; i < sample.size();) {
        if (static_cast<unsigned char>(sample[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t length = 1;
        if (NextUtf8(sample, i, &length) == 0xFFFD) {
            // A lead byte whose sequence runs past the sample's end.
            const unsigned char lead = static_cast<unsigned char>(sample[i]);
            const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            bool cutShort = lead >= 0xC2 && lead <= 0xF4 && sample.size() - i < need;
            for (size_t k = i + 1; cutShort && k < sample.size(); ++k)
                cutShort = (static_cast<unsigned char>(sample[k]) & 0xC0) == 0x80;
            if (cutShort)
                break;
            return current == TextEncoding::Utf8 ? TextEncoding::Windows1252 : current;
        }
        beyondAscii = true;
        i += length;
    }
    return beyondAscii ? TextEncoding::Utf8 : current;
}

std::string DecodeLine(std::string_view bytes, TextEncoding encoding) {
    std::string out;
    out.reserve(bytes.size());
    size_t column = 0;
    const bool utf16 = CodeUnitBytes(encoding) == 2;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        size_t length = 1;
        char32_t c = byte;
        if (utf16) {
            c = NextUtf16(bytes, i, encoding == TextEncoding::Utf16Be, &length);
            if (c == 0xFEFF) { // the byte order mark
                i += length;
                continue;
            }
        } else if (byte >= 0x80) {
            switch (encoding) {
            case TextEncoding::Utf8:
                c = NextUtf8(bytes, i, &length);
                break;
            case TextEncoding::Latin1:
                break;
            case TextEncoding::Windows1252:
                c = byte < 0xA0 ? kWindows1252[byte - 0x80] : byte;
                break;
            case TextEncoding::Oem437:
                c = static_cast<char16_t>(platform::kCodePage437High[byte - 0x80]);
                break;
            case TextEncoding::Utf16Le:
            case TextEncoding::Utf16Be:
                break; // decoded above
            }
        }
        i += length;
        if (c == '\t') {
            const size_t to = (column / 8 + 1) * 8;
            out.append(to - column, ' ');
            column = to;
            continue;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            c = 0x00B7; // a control character: a middle dot
        AppendUtf8(out, c);
        ++column;
    }
    return out;
}

std::string HexRow(uint64_t offset, std::string_view bytes) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%08llX ", static_cast<unsigned long long>(offset));
    std::string row = buffer;
    for (size_t i = 0; i < 16; ++i) {
        if (i == 8)
            row += ' ';
        if (i < bytes.size()) {
            std::snprintf(buffer, sizeof buffer, " %02X", static_cast<unsigned char>(bytes[i]));
            row += buffer;
        } else {
            row += "   ";
        }
    }
    row += "  ";
    for (const char c : bytes.substr(0, 16))
        row += c >= 0x20 && c < 0x7F ? c : '.';
    return row;
}

} // namespace vorlane::viewers
