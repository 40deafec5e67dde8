// The one wildcard matcher of the program and its syntax check. The file
// groups of the catalogue ("[current]"), file sets, the rename with
// wildcards and the command line all match names through it, so a pattern
// means the same everywhere.
//
// Syntax:
//   *       any run of characters, also none
//   ?       exactly one character
//   [set]   one character of the set; "!" or "^" as its first character
//           negates it; "a-c" is a range, its ends in either order
//   \x      the character x taken literally, also inside a set
// Errors (a pattern with one never matches): an empty set "[]" (also
// "[!]"), a set without its closing "]", a "\" at the end of the pattern,
// and a "-" with no upper end ("[a-]").
//
// Characters are UTF-8 code points (a byte that is not UTF-8 is one
// character of its own), so "?" takes one letter of any script. A literal
// matches the same letter without regard to ASCII case; a set compares the
// character as the name has it, so a caller that upper-cases the name
// matches sets without regard to case and one that does not matches [A-C]*
// against "Apple" but not against "apple".
//
// Matching runs in O(pattern x name) time whatever the pattern; no pattern
// can make it backtrack exponentially. Any module may use it; it holds no
// state but the compiled pattern.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::platform {

enum class WildcardError {
    None,
    EmptySet,        // "[]" or "[!]"
    UnclosedSet,     // "[abc" without "]"
    TrailingEscape,  // "\" as the last character
    RangeWithoutEnd, // "[a-]"
};

// A short English text for an error ("" for None).
const char* WildcardErrorText(WildcardError error);

// A pattern parsed once, matched against many names.
class Wildcard {
  public:
    Wildcard() = default;
    explicit Wildcard(std::string_view pattern) { Compile(pattern); }

    // Parses pattern; false (and Error() says why) when its syntax is wrong.
    bool Compile(std::string_view pattern);
    WildcardError Error() const { return m_error; }
    bool Valid() const { return m_error == WildcardError::None; }

    // True when name matches the whole pattern; always false for a pattern
    // with a syntax error.
    bool Match(std::string_view name) const;

  private:
    enum class Kind : uint8_t { Star, Any, Literal, Set };
    struct Element {
        Kind kind;
        bool negated = false;
        uint32_t value = 0; // Literal: the code point
        uint32_t first = 0; // Set: index of its first range in m_ranges
        uint32_t count = 0; // Set: number of ranges
    };
    struct Range {
        uint32_t low;
        uint32_t high;
    };

    bool MatchElement(const Element& element, uint32_t ch) const;

    std::vector<Element> m_elements;
    std::vector<Range> m_ranges;
    WildcardError m_error = WildcardError::None;
};

// Checks a pattern's syntax; on an error fills *error (when not null).
bool WildcardSyntaxOk(std::string_view pattern, WildcardError* error = nullptr);
// Compiles and matches in one call.
bool WildcardMatch(std::string_view pattern, std::string_view name);
// Puts "\" before every "*", "?", "[", "]" and "\" of name, so the result
// is a pattern that matches exactly that name (ignoring ASCII case).
std::string WildcardEscape(std::string_view name);

// Decodes the UTF-8 character at text[*pos] and advances *pos; a byte that
// does not start a well-formed sequence is returned as 0x110000 + byte.
uint32_t NextWildcardChar(std::string_view text, size_t* pos);

} // namespace vorlane::platform
