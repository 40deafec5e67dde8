#include "search/CCompiledPattern.h"

#include <algorithm>
#include <new>

namespace vorlane::search {

namespace {

// Pattern elements between the start and the end mark.
constexpr int kMaxPatternElements = CCompiledPattern::kMaxElements - 2;

constexpr int kOnce = 0;
constexpr int kZeroOrMore = 1;
constexpr int kOneOrMore = 2;

std::array<uint8_t, 256> MakeFrequencies() {
    std::array<uint8_t, 256> f{};
    for (int b = 0; b < 256; ++b)
        f[b] = b < 0x20 ? 2 : (b < 0x80 ? 90 : 30); // control, punctuation, high bytes
    // Lower-case letters by their share of English text.
    const char* byRank = "etaoinshrdlcumwfgypbvkjxqz";
    static const uint8_t kLower[26] = {245, 240, 236, 233, 230, 228, 225, 222, 220,
                                       205, 200, 195, 190, 185, 180, 178, 176, 174,
                                       172, 165, 150, 140, 100, 95,  90,  85};
    for (int i = 0; i < 26; ++i)
        f[static_cast<uint8_t>(byRank[i])] = kLower[i];
    // Capitals mostly start sentences and names.
    for (int c = 'A'; c <= 'Z'; ++c)
        f[c] = 120;
    for (char c : std::string_view("TAISWHBCM"))
        f[static_cast<uint8_t>(c)] = 140;
    for (char c : std::string_view("QXZJ"))
        f[static_cast<uint8_t>(c)] = 70;
    for (int c = '0'; c <= '9'; ++c)
        f[c] = 130;
    f[' '] = 250;
    f['\t'] = 160;
    f['.'] = 170;
    f[','] = 170;
    f['-'] = 140;
    f['\''] = 130;
    f['"'] = 120;
    f['\n'] = 255;
    f['\r'] = 255;
    return f;
}

const std::array<uint8_t, 256> kFrequencies = MakeFrequencies();

std::array<uint8_t, 256> MakeFold(bool ignoreCase) {
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = static_cast<uint8_t>(ignoreCase && b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b);
    return t;
}

const std::array<uint8_t, 256> kFoldNone = MakeFold(false);
const std::array<uint8_t, 256> kFoldCase = MakeFold(true);

bool IsRepeat(ElementKind kind) {
    return kind == ElementKind::kZeroOrMore || kind == ElementKind::kOneOrMore;
}

// Frequency used to rank an anchor character; a letter searched in either
// case counts as its more frequent form.
int AnchorRank(uint8_t folded, bool ignoreCase) {
    int rank = kFrequencies[folded];
    if (ignoreCase && folded >= 'A' && folded <= 'Z')
        rank = std::max<int>(rank, kFrequencies[folded - 'A' + 'a']);
    return rank;
}

} // namespace

std::string PatternErrorMessage(int code) {
    switch (code) {
    case kErrNoMemory:
        return "Not enough memory to run text search!";
    case kErrCaretNotFirst:
        return "'^' must be first character in pattern.";
    case kErrDollarNotLast:
        return "'$' must be last character in pattern.";
    case kErrPlusNotPreceded:
        return "'+' must be preceeded by a character (not a special character).";
    case kErrStarNotPreceded:
        return "'*' must be preceeded by a character (not a special character).";
    case kErrCaretInSet:
        return "'^' must be first character in set.";
    case kErrDashWithoutRange:
        return "'-' used in set without legal range.";
    case kErrInvalidRange:
        return "Set range is invalid (ex: [z-a]).";
    case kErrEmptySet:
        return "No range specified in set (empty []).";
    case kErrSetNotClosed:
        return "Set not closed (missing a ']').";
    case kErrBackslashAtEnd:
        return "'\\' cannot end a set!";
    case kErrPatternTooLong:
        return "Pattern too long: at most 62 characters, sets, '*' and '+' are allowed.";
    default:
        return "Unknown error. This message should never be displayed!";
    }
}

int ByteFrequency(uint8_t byte) {
    return kFrequencies[byte];
}

const std::array<uint8_t, 256>& FoldTable(bool ignoreCase) {
    return ignoreCase ? kFoldCase : kFoldNone;
}

int CCompiledPattern::Compile(std::string_view pattern, PatternMode mode, bool ignoreCase) {
    *this = CCompiledPattern();
    m_ignoreCase = ignoreCase;
    try {
        std::vector<PatternElement> parsed;
        int rc = Parse(pattern, mode, &parsed);
        if (rc != kPatternOk)
            return rc;

        // Group the elements into (element, repeat) pieces.
        std::vector<Piece> pieces;
        for (size_t i = 1; i + 1 < parsed.size(); ++i) {
            if (parsed[i].kind == ElementKind::kZeroOrMore)
                pieces.back().quant = kZeroOrMore;
            else if (parsed[i].kind == ElementKind::kOneOrMore)
                pieces.back().quant = kOneOrMore;
            else
                pieces.push_back({static_cast<int>(i), kOnce});
        }
        Simplify(&pieces);

        // Rebuild the element array from the simplified pieces.
        std::vector<Piece> renumbered;
        m_elements.push_back(PatternElement{ElementKind::kStartMark, 0, {}});
        for (const Piece& piece : pieces) {
            renumbered.push_back({static_cast<int>(m_elements.size()), piece.quant});
            if (piece.atom < 0)
                m_elements.push_back(PatternElement{ElementKind::kLineStart, 0, {}});
            else
                m_elements.push_back(parsed[piece.atom]);
            if (piece.quant == kZeroOrMore)
                m_elements.push_back(PatternElement{ElementKind::kZeroOrMore, 0, {}});
            else if (piece.quant == kOneOrMore)
                m_elements.push_back(PatternElement{ElementKind::kOneOrMore, 0, {}});
        }
        m_elements.push_back(PatternElement{ElementKind::kEndMark, 0, {}});

        ChooseAnchor(renumbered);
        BuildMatcher(renumbered);
    } catch (const std::bad_alloc&) {
        *this = CCompiledPattern();
        return kErrNoMemory;
    }
    return kPatternOk;
}

int CCompiledPattern::Parse(std::string_view p, PatternMode mode,
                            std::vector<PatternElement>* out) const {
    const auto& fold = FoldTable(m_ignoreCase);
    std::vector<PatternElement>& elements = *out;
    int count = 0;
    auto add = [&](PatternElement element) {
        if (count == kMaxPatternElements)
            return false;
        elements.push_back(std::move(element));
        ++count;
        return true;
    };
    auto literal = [&](char c) {
        return PatternElement{ElementKind::kLiteral, fold[static_cast<uint8_t>(c)], {}};
    };

    elements.push_back(PatternElement{ElementKind::kStartMark, 0, {}});
    const size_t n = p.size();
    size_t i = 0;
    while (i < n) {
        const char c = p[i];
        PatternElement element;
        if (mode == PatternMode::kPlainText) {
            element = literal(c);
            ++i;
        } else if (c == '.') {
            element.kind = ElementKind::kAnyChar;
            ++i;
        } else if (c == '^') {
            if (i != 0)
                return kErrCaretNotFirst;
            element.kind = ElementKind::kLineStart;
            ++i;
        } else if (c == '$') {
            if (i != n - 1)
                return kErrDollarNotLast;
            element.kind = ElementKind::kLineEnd;
            ++i;
        } else if (c == '*' || c == '+') {
            if (i == 0 || IsRepeat(elements.back().kind))
                return c == '*' ? kErrStarNotPreceded : kErrPlusNotPreceded;
            element.kind = c == '*' ? ElementKind::kZeroOrMore : ElementKind::kOneOrMore;
            ++i;
        } else if (c == '\\') {
            if (i + 1 == n)
                return kErrBackslashAtEnd;
            element = literal(p[i + 1]);
            i += 2;
        } else if (c == '[') {
            // A set: members by raw byte, folded when the set is complete.
            std::bitset<256> members;
            size_t j = i + 1;
            bool negate = false;
            if (j < n && p[j] == '^') {
                negate = true;
                ++j;
            }
            int items = 0;
            bool haveRangeStart = false; // the last member may start a range
            uint8_t rangeStart = 0;
            bool endedWithEscapedBracket = false;
            for (;;) {
                if (j >= n) {
                    // "[ab\]": the backslash took the closing bracket.
                    return endedWithEscapedBracket ? kErrBackslashAtEnd : kErrSetNotClosed;
                }
                const char s = p[j];
                endedWithEscapedBracket = false;
                if (s == ']') {
                    if (items == 0)
                        return kErrEmptySet;
                    ++j;
                    break;
                }
                if (s == '^')
                    return kErrCaretInSet;
                if (s == '-') {
                    if (!haveRangeStart)
                        return kErrDashWithoutRange;
                    size_t k = j + 1;
                    if (k >= n)
                        return kErrSetNotClosed;
                    if (p[k] == ']')
                        return kErrDashWithoutRange;
                    if (p[k] == '^')
                        return kErrCaretInSet;
                    uint8_t high;
                    if (p[k] == '\\') {
                        if (k + 1 >= n)
                            return kErrBackslashAtEnd;
                        high = static_cast<uint8_t>(p[k + 1]);
                        endedWithEscapedBracket = p[k + 1] == ']';
                        k += 2;
                    } else {
                        high = static_cast<uint8_t>(p[k]);
                        k += 1;
                    }
                    if (rangeStart >= high)
                        return kErrInvalidRange;
                    for (int b = rangeStart; b <= high; ++b)
                        members.set(static_cast<size_t>(b));
                    haveRangeStart = false;
                    ++items;
                    j = k;
                    continue;
                }
                uint8_t member;
                if (s == '\\') {
                    if (j + 1 >= n)
                        return kErrBackslashAtEnd;
                    member = static_cast<uint8_t>(p[j + 1]);
                    endedWithEscapedBracket = p[j + 1] == ']';
                    j += 2;
                } else {
                    member = static_cast<uint8_t>(s);
                    j += 1;
                }
                members.set(member);
                haveRangeStart = true;
                rangeStart = member;
                ++items;
            }
            std::bitset<256> folded;
            for (int b = 0; b < 256; ++b)
                if (members.test(static_cast<size_t>(b)))
                    folded.set(fold[b]);
            if (!negate && folded.count() == 1) {
                // [x] is the literal x.
                for (int b = 0; b < 256; ++b)
                    if (folded.test(static_cast<size_t>(b)))
                        element =
                            PatternElement{ElementKind::kLiteral, static_cast<uint8_t>(b), {}};
            } else {
                element.kind = ElementKind::kCharSet;
                element.set = negate ? ~folded : folded;
            }
            i = j;
        } else {
            element = literal(c);
            ++i;
        }
        if (!add(std::move(element)))
            return kErrPatternTooLong;
    }
    elements.push_back(PatternElement{ElementKind::kEndMark, 0, {}});
    return kPatternOk;
}

// Only whether a line holds a match matters, so repeats at either end can
// shrink: x* there matches the empty text and x+ matches wherever x does.
void CCompiledPattern::Simplify(std::vector<Piece>* pieces) const {
    std::vector<Piece>& p = *pieces;
    while (!p.empty() && p.back().quant == kZeroOrMore)
        p.pop_back();
    if (!p.empty() && p.back().quant == kOneOrMore)
        p.back().quant = kOnce;
    size_t front = 0;
    while (front < p.size() && p[front].quant == kZeroOrMore)
        ++front;
    p.erase(p.begin(), p.begin() + static_cast<long>(front));
    if (!p.empty() && p.front().quant == kOneOrMore)
        p.front().quant = kOnce;
    if (p.empty())
        p.push_back({-1, kOnce}); // a lone line start: every line matches
}

// The anchor is the eligible element whose character is rarest in ordinary
// text; among equally rare ones the last. Eligible: a literal not repeated
// zero or more times, a line start, a line end. Every match contains the
// anchor, so the scanner looks for its character first.
void CCompiledPattern::ChooseAnchor(const std::vector<Piece>& pieces) {
    int best = -1;
    int bestRank = 1 << 30;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const PatternElement& e = m_elements[pieces[i].atom];
        int ch;
        if (e.kind == ElementKind::kLiteral && pieces[i].quant != kZeroOrMore)
            ch = e.ch;
        else if (e.kind == ElementKind::kLineStart)
            ch = '\n';
        else if (e.kind == ElementKind::kLineEnd)
            ch = '\r';
        else
            continue;
        int rank = AnchorRank(static_cast<uint8_t>(ch), m_ignoreCase);
        if (rank <= bestRank) {
            bestRank = rank;
            best = static_cast<int>(i);
            m_anchorChar = ch;
        }
    }
    m_startsAtLineStart = m_elements[pieces.front().atom].kind == ElementKind::kLineStart;
    if (best < 0) {
        m_anchorChar = 0;
        m_routine = ScanRoutine::kEveryLine;
        return;
    }
    m_anchorIndex = pieces[best].atom;
    const bool letter = m_anchorChar >= 'A' && m_anchorChar <= 'Z';
    m_routine = m_ignoreCase && letter ? ScanRoutine::kEitherCase : ScanRoutine::kAnchorChar;
    if (m_elements[m_anchorIndex].kind != ElementKind::kLiteral)
        return;

    // The literal run around the anchor: single literals on both sides, and
    // one character of a literal repeated one or more times at either edge.
    auto isLiteral = [&](size_t k) {
        return m_elements[pieces[k].atom].kind == ElementKind::kLiteral &&
               pieces[k].quant != kZeroOrMore;
    };
    size_t first = static_cast<size_t>(best);
    size_t last = static_cast<size_t>(best);
    if (pieces[best].quant == kOnce) {
        while (first > 0 && isLiteral(first - 1)) {
            --first;
            if (pieces[first].quant != kOnce)
                break;
        }
        while (last + 1 < pieces.size() && isLiteral(last + 1)) {
            ++last;
            if (pieces[last].quant != kOnce)
                break;
        }
    }
    bool allOnce = true;
    bool lineEndChar = false;
    for (size_t k = first; k <= last; ++k) {
        uint8_t ch = m_elements[pieces[k].atom].ch;
        m_run.push_back(static_cast<char>(ch));
        allOnce = allOnce && pieces[k].quant == kOnce;
        lineEndChar = lineEndChar || ch == '\n' || ch == '\r';
    }
    m_runAnchor = static_cast<size_t>(best) - first;
    m_runIsWhole = allOnce && !lineEndChar && first == 0 && last + 1 == pieces.size();
}

void CCompiledPattern::BuildMatcher(const std::vector<Piece>& pieces) {
    const auto& fold = FoldTable(m_ignoreCase);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const uint64_t bit = uint64_t{1} << i;
        const PatternElement& e = m_elements[pieces[i].atom];
        switch (e.kind) {
        case ElementKind::kLineStart:
            m_charMask[256] |= bit;
            break;
        case ElementKind::kLineEnd:
            m_charMask[257] |= bit;
            break;
        default:
            for (int b = 0; b < 256; ++b) {
                const uint8_t f = fold[b];
                const bool hit = e.kind == ElementKind::kAnyChar ||
                                 (e.kind == ElementKind::kLiteral && e.ch == f) ||
                                 (e.kind == ElementKind::kCharSet && e.set.test(f));
                if (hit)
                    m_charMask[b] |= bit;
            }
        }
        if (pieces[i].quant != kOnce)
            m_repeatMask |= bit;
        if (pieces[i].quant == kZeroOrMore)
            m_optionalBits.push_back(static_cast<int>(i));
    }
    m_acceptMask = uint64_t{1} << (pieces.size() - 1);
    const ElementKind first = m_elements[pieces.front().atom].kind;
    m_startByLine = first == ElementKind::kLineStart || first == ElementKind::kLineEnd;
    for (int b = 0; b < 256; ++b)
        m_startTable[b] = m_charMask[b] & 1;
}

bool CCompiledPattern::MatchLine(const uint8_t* begin, const uint8_t* end) const {
    uint64_t state = 0;
    auto step = [&](uint64_t mask) {
        uint64_t next = (((state << 1) | 1) & mask) | (state & mask & m_repeatMask);
        for (int bit : m_optionalBits)
            next |= (next >> (bit - 1) & 1) << bit;
        state = next;
    };
    step(m_charMask[256]);
    if (state & m_acceptMask)
        return true;
    for (const uint8_t* p = begin; p != end; ++p) {
        if (state == 0) {
            // No match under way: the next one begins with a byte the first
            // piece matches (the first piece is never optional).
            if (m_startsAtLineStart)
                return false;
            while (p != end && !m_startTable[*p])
                ++p;
            if (p == end)
                break;
        }
        step(m_charMask[*p]);
        if (state & m_acceptMask)
            return true;
    }
    step(m_charMask[257]);
    return (state & m_acceptMask) != 0;
}

} // namespace vorlane::search
