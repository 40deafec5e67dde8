#include "platform/Wildcard.h"

#include <utility>

namespace vorlane::platform {

namespace {

constexpr uint32_t kInvalidByteBase = 0x110000;

uint32_t FoldAscii(uint32_t ch) {
    return ch >= 'a' && ch <= 'z' ? ch - ('a' - 'A') : ch;
}

} // namespace

uint32_t NextWildcardChar(std::string_view text, size_t* pos) {
    size_t i = *pos;
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        *pos = i + 1;
        return lead;
    }
    size_t length;
    uint32_t value;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1Fu, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0Fu, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07u, minimum = 0x10000;
    else
        length = 0, value = 0, minimum = 0;
    bool good = length != 0 && i + length <= text.size();
    for (size_t k = 1; good && k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            good = false;
        else
            value = (value << 6) | (byte(i + k) & 0x3Fu);
    }
    if (good && (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)))
        good = false;
    if (!good) {
        *pos = i + 1;
        return kInvalidByteBase + lead;
    }
    *pos = i + length;
    return value;
}

const char* WildcardErrorText(WildcardError error) {
    switch (error) {
    case WildcardError::None:
        return "";
    case WildcardError::EmptySet:
        return "a set in square brackets is empty";
    case WildcardError::UnclosedSet:
        return "a set in square brackets has no closing ']'";
    case WildcardError::TrailingEscape:
        return "the pattern ends in '\\'";
    case WildcardError::RangeWithoutEnd:
        return "a range in a set has no upper end";
    }
    return "";
}

bool Wildcard::Compile(std::string_view pattern) {
    m_elements.clear();
    m_ranges.clear();
    m_error = WildcardError::None;
    auto fail = [&](WildcardError error) {
        m_elements.clear();
        m_ranges.clear();
        m_error = error;
        return false;
    };
    size_t pos = 0;
    while (pos < pattern.size()) {
        uint32_t ch = NextWildcardChar(pattern, &pos);
        if (ch == '*') {
            // Runs of stars mean the same as one.
            if (m_elements.empty() || m_elements.back().kind != Kind::Star)
                m_elements.push_back({Kind::Star});
        } else if (ch == '?') {
            m_elements.push_back({Kind::Any});
        } else if (ch == '\\') {
            if (pos >= pattern.size())
                return fail(WildcardError::TrailingEscape);
            Element literal{Kind::Literal};
            literal.value = NextWildcardChar(pattern, &pos);
            m_elements.push_back(literal);
        } else if (ch == '[') {
            Element set{Kind::Set};
            set.first = static_cast<uint32_t>(m_ranges.size());
            if (pos < pattern.size() && (pattern[pos] == '!' || pattern[pos] == '^')) {
                set.negated = true;
                ++pos;
            }
            bool closed = false;
            while (pos < pattern.size()) {
                uint32_t low = NextWildcardChar(pattern, &pos);
                if (low == ']') {
                    closed = true;
                    break;
                }
                if (low == '\\') {
                    if (pos >= pattern.size())
                        return fail(WildcardError::UnclosedSet);
                    low = NextWildcardChar(pattern, &pos);
                }
                uint32_t high = low;
                if (pos < pattern.size() && pattern[pos] == '-') {
                    size_t afterDash = pos + 1;
                    if (afterDash >= pattern.size())
                        return fail(WildcardError::UnclosedSet);
                    if (pattern[afterDash] == ']')
                        return fail(WildcardError::RangeWithoutEnd);
                    pos = afterDash;
                    high = NextWildcardChar(pattern, &pos);
                    if (high == '\\') {
                        if (pos >= pattern.size())
                            return fail(WildcardError::UnclosedSet);
                        high = NextWildcardChar(pattern, &pos);
                    }
                    if (high < low)
                        std::swap(low, high);
                }
                m_ranges.push_back({low, high});
            }
            if (!closed)
                return fail(WildcardError::UnclosedSet);
            set.count = static_cast<uint32_t>(m_ranges.size()) - set.first;
            if (set.count == 0)
                return fail(WildcardError::EmptySet);
            m_elements.push_back(set);
        } else {
            Element literal{Kind::Literal};
            literal.value = ch;
            m_elements.push_back(literal);
        }
    }
    return true;
}

bool Wildcard::MatchElement(const Element& element, uint32_t ch) const {
    switch (element.kind) {
    case Kind::Any:
        return true;
    case Kind::Literal:
        return FoldAscii(element.value) == FoldAscii(ch);
    case Kind::Set: {
        bool inSet = false;
        for (uint32_t i = 0; i < element.count && !inSet; ++i) {
            const Range& range = m_ranges[element.first + i];
            inSet = ch >= range.low && ch <= range.high;
        }
        return inSet != element.negated;
    }
    case Kind::Star:
        break;
    }
    return false;
}

bool Wildcard::Match(std::string_view name) const {
    if (!Valid())
        return false;
    // Every element but "*" takes exactly one character, so remembering
    // only the last star and where it started is enough: a later star
    // that matches covers whatever an earlier one could have taken.
    const size_t count = m_elements.size();
    size_t p = 0;
    size_t n = 0;
    size_t starElement = count; // none yet
    size_t starName = 0;
    while (n < name.size()) {
        if (p < count && m_elements[p].kind == Kind::Star) {
            starElement = p++;
            starName = n;
            continue;
        }
        if (p < count) {
            size_t next = n;
            uint32_t ch = NextWildcardChar(name, &next);
            if (MatchElement(m_elements[p], ch)) {
                ++p;
                n = next;
                continue;
            }
        }
        if (starElement == count)
            return false;
        // The star takes one more character and the rest is tried again.
        NextWildcardChar(name, &starName);
        n = starName;
        p = starElement + 1;
    }
    while (p < count && m_elements[p].kind == Kind::Star)
        ++p;
    return p == count;
}

bool WildcardSyntaxOk(std::string_view pattern, WildcardError* error) {
    Wildcard wildcard(pattern);
    if (error)
        *error = wildcard.Error();
    return wildcard.Valid();
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    return Wildcard(pattern).Match(name);
}

std::string WildcardEscape(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 4);
    for (char c : name) {
        if (c == '*' || c == '?' || c == '[' || c == ']' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

} // namespace vorlane::platform
