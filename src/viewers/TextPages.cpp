#include "viewers/TextPages.h"

#include "platform/CodePage437.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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
    static const std::vector<std::string> names = {"UTF-8", "Latin-1 (ISO 8859-1)", "Windows-1252",
                                                   "DOS (code page 437)"};
    return names;
}

namespace {

bool IsBreak(char c) {
    return c == '\n' || c == '\r';
}

} // namespace

bool TextLayout::IsPieceStart(uint64_t offset) const {
    if (offset == 0 || offset >= m_size || offset % kMaxLineBytes != 0)
        return false;
    for (uint64_t p = offset - kMaxLineBytes; p < offset; ++p)
        if (IsBreak(m_data[p]))
            return false;
    return true;
}

TextLine TextLayout::LineAt(uint64_t start) const {
    TextLine line{start, start, start};
    if (start >= m_size)
        return line;
    uint64_t p = start;
    while (p < m_size && !IsBreak(m_data[p])) {
        ++p;
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
    line.next = p + 1;
    if (m_data[p] == '\r' && p + 1 < m_size && m_data[p + 1] == '\n')
        line.next = p + 2;
    return line;
}

uint64_t TextLayout::RowStartHolding(uint64_t q) const {
    // The row starts after the last break before q, unless the multiple
    // of kMaxLineBytes at or below q is a cut. A break within the piece
    // before that multiple means it is not, and the row starts after that
    // break; so the look back never passes that piece.
    const uint64_t boundary = (q / kMaxLineBytes) * kMaxLineBytes;
    const uint64_t low = boundary >= kMaxLineBytes ? boundary - kMaxLineBytes : 0;
    for (uint64_t p = q; p > low; --p) {
        const char c = m_data[p - 1];
        if (!IsBreak(c))
            continue;
        if (c == '\r' && m_data[p] == '\n') {
            // A CR LF: the row after it starts past the LF; q on the LF
            // still belongs to the row the pair ends.
            if (p + 1 <= q)
                return p + 1;
            continue;
        }
        return p;
    }
    return boundary;
}

uint64_t TextLayout::LineStartOf(uint64_t offset) const {
    if (m_size == 0)
        return 0;
    offset = std::min(offset, m_size - 1);
    // The LF of a CR LF belongs to the line before: the next line starts after it.
    if (offset > 0 && m_data[offset - 1] == '\r' && m_data[offset] == '\n' && offset + 1 < m_size)
        return offset + 1;
    return RowStartHolding(offset);
}

uint64_t TextLayout::PreviousLineStart(uint64_t start) const {
    if (start == 0 || m_size == 0)
        return 0;
    return RowStartHolding(std::min(start, m_size) - 1);
}

uint64_t TextLayout::CountBreaks(uint64_t from, uint64_t to) const {
    uint64_t count = 0;
    const char* p = m_data + from;
    const char* const last = m_data + to;
    while (p < last) {
        const void* hit = std::memchr(p, '\n', static_cast<size_t>(last - p));
        if (hit == nullptr)
            break;
        ++count;
        p = static_cast<const char*>(hit) + 1;
    }
    // A lone CR (not followed by LF) ends a line too.
    p = m_data + from;
    while (p < last) {
        const void* hit = std::memchr(p, '\r', static_cast<size_t>(last - p));
        if (hit == nullptr)
            break;
        const char* cr = static_cast<const char*>(hit);
        if (cr + 1 >= m_data + m_size || cr[1] != '\n')
            ++count;
        p = cr + 1;
    }
    return count;
}

uint64_t TextLayout::LineNumberAt(uint64_t offset) {
    offset = std::min(offset, m_size);
    const uint64_t wanted = offset / kCheckpointBytes;
    while (m_breaks.size() <= wanted) {
        const uint64_t from = (m_breaks.size() - 1) * kCheckpointBytes;
        m_breaks.push_back(m_breaks.back() + CountBreaks(from, from + kCheckpointBytes));
    }
    const uint64_t from = wanted * kCheckpointBytes;
    uint64_t breaks = m_breaks[wanted] + CountBreaks(from, offset);
    // A CR whose LF lies at offset was counted as lone above: it is not.
    if (offset > from && offset < m_size && m_data[offset - 1] == '\r' && m_data[offset] == '\n')
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

} // namespace

TextEncoding GuessTextEncoding(std::string_view sample, TextEncoding current) {
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
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        size_t length = 1;
        char32_t c = byte;
        if (byte >= 0x80) {
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
