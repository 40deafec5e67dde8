// The compiled form of a text search pattern: the compiler, its error codes
// and messages, the simplification, the choice of the anchor character and
// the line matcher that decides whether one line holds a match.
//
// Pattern language (regular-expression mode): "." any character, "^" line
// start (first character only), "$" line end (last character only), "*"
// zero or more and "+" one or more of the preceding element, "\" makes the
// next character a literal, "[...]" a set with "^" negation, x-y ranges and
// "\" escapes. In plain-text mode every character is a literal.
//
// Invariants of a compiled pattern:
//   1. Elements() begins with a start mark and ends with an end mark and
//      holds at most kMaxElements elements in all.
//   2. A zero-or-more or one-or-more element always follows the element it
//      repeats; neither the first nor the last pattern element is repeated
//      zero or more times, nor is either repeated one or more times.
//   3. A line start can only be the first pattern element, a line end only
//      the last.
//   4. Literals and set tables hold folded characters: with ignore case the
//      letters a-z are stored as A-Z and text is folded the same way before
//      it is compared.
//
// A match never crosses a line: "." and sets match only the characters of
// the line, line start matches only before its first character and line end
// only after its last.
//
// Owned by the search context for one search; CheckPattern and the tests
// compile patterns on their own. Not shared between threads.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::search {

enum class PatternMode : int {
    kPlainText = 0,
    kRegularExpression = 1,
};

// Codes returned by the compiler; PatternErrorMessage gives the text.
enum PatternError : int {
    kPatternOk = 0,
    kErrNoMemory = -1,
    kErrCaretNotFirst = -2,
    kErrDollarNotLast = -3,
    kErrPlusNotPreceded = -4,
    kErrStarNotPreceded = -5,
    kErrCaretInSet = -6,
    kErrDashWithoutRange = -7,
    kErrInvalidRange = -8,
    kErrEmptySet = -9,
    kErrSetNotClosed = -10,
    kErrBackslashAtEnd = -11,
    kErrPatternTooLong = -12,
};

// The message shown for a compiler error code.
std::string PatternErrorMessage(int code);

enum class ElementKind : uint8_t {
    kStartMark,
    kEndMark,
    kLiteral,    // ch
    kAnyChar,    // any character of the line
    kCharSet,    // set, indexed by folded character
    kZeroOrMore, // of the preceding element
    kOneOrMore,  // of the preceding element
    kLineStart,
    kLineEnd,
};

struct PatternElement {
    ElementKind kind = ElementKind::kLiteral;
    uint8_t ch = 0;       // kLiteral: the folded character
    std::bitset<256> set; // kCharSet: members by folded character
};

// How the scanner finds candidate lines.
enum class ScanRoutine : int {
    kEveryLine = 1,  // no anchor: every line is tried
    kEitherCase = 2, // anchor is a letter and case is ignored: either case is searched
    kAnchorChar = 3, // the anchor character is searched
};

// Relative frequency of a byte in ordinary text, 0 (rare) to 255 (common);
// line feed and carriage return rank highest so that they are chosen as
// anchor only when nothing else is eligible.
int ByteFrequency(uint8_t byte);

// The 256-entry folding table: identity, or a-z to A-Z when ignoreCase.
const std::array<uint8_t, 256>& FoldTable(bool ignoreCase);

class CCompiledPattern {
  public:
    // Elements including the start and end marks.
    static constexpr int kMaxElements = 64;

    // Compiles pattern; returns kPatternOk or a negative error code, in
    // which case the object holds no pattern.
    int Compile(std::string_view pattern, PatternMode mode, bool ignoreCase);

    bool IsCompiled() const { return !m_elements.empty(); }
    const std::vector<PatternElement>& Elements() const { return m_elements; }
    // Index into Elements() of the anchor element, -1 when there is none.
    int AnchorIndex() const { return m_anchorIndex; }
    // The anchor character: 10 for a line start, 13 for a line end, the
    // folded character for a literal, 0 for none.
    int AnchorChar() const { return m_anchorChar; }
    ScanRoutine Routine() const { return m_routine; }
    bool IgnoreCase() const { return m_ignoreCase; }

    // The literal run that every match contains: the longest stretch of
    // single literals around the anchor literal (folded). Empty when the
    // anchor is not a literal.
    const std::string& RequiredRun() const { return m_run; }
    // Offset in RequiredRun() of the anchor literal.
    size_t RunAnchorOffset() const { return m_runAnchor; }
    // True when the whole pattern is RequiredRun() and the run holds no line
    // end character: every occurrence of the run is a match.
    bool RunIsWholePattern() const { return m_runIsWhole; }
    // True when the pattern begins with a line start.
    bool StartsAtLineStart() const { return m_startsAtLineStart; }

    // A 256-entry table, non-zero for the bytes that can begin a match, or
    // null when a match can begin at a line start or end.
    const uint8_t* StartTable() const { return m_startByLine ? nullptr : m_startTable.data(); }

    // Whether the line [begin, end) (its characters without the line end)
    // contains a match. REQUIRES: IsCompiled().
    bool MatchLine(const uint8_t* begin, const uint8_t* end) const;

  private:
    struct Piece {
        int atom;  // index into m_elements
        int quant; // 0 = once, 1 = zero or more, 2 = one or more
    };

    int Parse(std::string_view pattern, PatternMode mode, std::vector<PatternElement>* out) const;
    void Simplify(std::vector<Piece>* pieces) const;
    void ChooseAnchor(const std::vector<Piece>& pieces);
    void BuildMatcher(const std::vector<Piece>& pieces);

    std::vector<PatternElement> m_elements;
    int m_anchorIndex = -1;
    int m_anchorChar = 0;
    ScanRoutine m_routine = ScanRoutine::kEveryLine;
    bool m_ignoreCase = false;
    std::string m_run;
    size_t m_runAnchor = 0;
    bool m_runIsWhole = false;
    bool m_startsAtLineStart = false;

    // Bit-parallel matcher over the pattern pieces: bit i of the state is
    // set when pieces 0..i match a text ending at the current character.
    std::array<uint64_t, 258> m_charMask{};  // per byte; 256 = line start, 257 = line end
    uint64_t m_repeatMask = 0;               // pieces that may consume another character
    uint64_t m_acceptMask = 0;               // the last piece
    std::vector<int> m_optionalBits;         // zero-or-more pieces (bit numbers), ascending
    std::array<uint8_t, 256> m_startTable{}; // bytes the first piece matches
    bool m_startByLine = true;               // the first piece is a line start or end
};

} // namespace vorlane::search
