#include "search/CCompiledPattern.h"
#include "search/CTextSearch.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlane::search {
namespace {

bool Matches(const std::string& pattern, const std::string& line, bool ignoreCase = false,
             PatternMode mode = PatternMode::kRegularExpression) {
    CCompiledPattern compiled;
    EXPECT_EQ(compiled.Compile(pattern, mode, ignoreCase), kPatternOk) << pattern;
    auto* text = reinterpret_cast<const uint8_t*>(line.data());
    return compiled.MatchLine(text, text + line.size());
}

TEST(CCompiledPatternTest, EveryErrorCodeHasItsMessage) {
    struct Case {
        int code;
        const char* message;
    };
    const Case cases[] = {
        {-1, "Not enough memory to run text search!"},
        {-2, "'^' must be first character in pattern."},
        {-3, "'$' must be last character in pattern."},
        {-4, "'+' must be preceeded by a character (not a special character)."},
        {-5, "'*' must be preceeded by a character (not a special character)."},
        {-6, "'^' must be first character in set."},
        {-7, "'-' used in set without legal range."},
        {-8, "Set range is invalid (ex: [z-a])."},
        {-9, "No range specified in set (empty [])."},
        {-10, "Set not closed (missing a ']')."},
        {-11, "'\\' cannot end a set!"},
        {-12, "Pattern too long: at most 62 characters, sets, '*' and '+' are allowed."},
        {0, "Unknown error. This message should never be displayed!"},
        {5, "Unknown error. This message should never be displayed!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PatternErrorMessage(c.code), c.message) << c.code;
}

TEST(CCompiledPatternTest, MalformedPatternsAreRefusedWithTheirCode) {
    struct Case {
        const char* name;
        const char* pattern;
        int code;
    };
    const Case cases[] = {
        {"caret second", "^^", kErrCaretNotFirst},
        {"dollar then star", "a$*", kErrDollarNotLast},
        {"plus after star", "a*+", kErrPlusNotPreceded},
        {"star first", "*a", kErrStarNotPreceded},
        {"star after plus", "a+*", kErrStarNotPreceded},
        {"caret as range end", "[a-^]", kErrCaretInSet},
        {"dash last", "[a-]", kErrDashWithoutRange},
        {"dash first after negation", "[^-a]", kErrDashWithoutRange},
        {"dash after a range", "[a-c-e]", kErrDashWithoutRange},
        {"range of one", "[a-a]", kErrInvalidRange},
        {"empty negated set", "[^]", kErrEmptySet},
        {"range not closed", "[a-", kErrSetNotClosed},
        {"backslash ends pattern", "abc\\", kErrBackslashAtEnd},
        {"backslash before the closing bracket", "[ab\\]", kErrBackslashAtEnd},
    };
    CTextSearch search;
    for (const Case& c : cases) {
        CCompiledPattern compiled;
        EXPECT_EQ(compiled.Compile(c.pattern, PatternMode::kRegularExpression, false), c.code)
            << c.name;
        EXPECT_FALSE(compiled.IsCompiled()) << c.name;
        // The search's own check names the fault; plain text accepts every one.
        std::string message;
        EXPECT_FALSE(search.CheckPattern(c.pattern, PatternMode::kRegularExpression, &message));
        EXPECT_EQ(message, PatternErrorMessage(c.code)) << c.name;
        EXPECT_TRUE(search.CheckPattern(c.pattern, PatternMode::kPlainText, &message));
        EXPECT_EQ(compiled.Compile(c.pattern, PatternMode::kPlainText, false), kPatternOk)
            << c.name;
    }
}

TEST(CCompiledPatternTest, PatternsUpToTheElementLimitAreAccepted) {
    struct Case {
        const char* name;
        std::string pattern;
        PatternMode mode;
        int code;
    };
    std::string sets62, stars31, escapes31;
    for (int i = 0; i < 62; ++i)
        sets62 += "[ab]";
    for (int i = 0; i < 31; ++i) {
        stars31 += "a*";
        escapes31 += "\\*";
    }
    const auto rx = PatternMode::kRegularExpression;
    const Case cases[] = {
        {"63 literals", std::string(63, 'x'), rx, kErrPatternTooLong},
        {"62 plain characters", std::string(62, '*'), PatternMode::kPlainText, kPatternOk},
        {"63 plain characters", std::string(63, '*'), PatternMode::kPlainText, kErrPatternTooLong},
        {"62 sets", sets62, rx, kPatternOk},
        {"63 sets", sets62 + "c", rx, kErrPatternTooLong},
        {"31 repeated literals", stars31, rx, kPatternOk},
        {"a repeat past the limit", stars31 + "b*", rx, kErrPatternTooLong},
        {"escapes count once", escapes31 + std::string(31, 'x'), rx, kPatternOk},
        {"one more escape", escapes31 + std::string(31, 'x') + "\\*", rx, kErrPatternTooLong},
    };
    for (const Case& c : cases) {
        CCompiledPattern compiled;
        EXPECT_EQ(compiled.Compile(c.pattern, c.mode, false), c.code) << c.name;
    }
    // A pattern at the limit still finds its line.
    std::string line = "<" + std::string(62, 'x') + ">";
    EXPECT_TRUE(Matches(std::string(62, 'x'), line));
    EXPECT_FALSE(Matches(std::string(62, 'x'), std::string(61, 'x')));
}

TEST(CCompiledPatternTest, LinesMatchAsTheLanguageSays) {
    struct Case {
        const char* name;
        const char* pattern;
        const char* line;
        bool ignoreCase;
        bool match;
    };
    const Case cases[] = {
        {"any does not match the line end", "b.", "ab", false, false},
        {"negated set does not match the line end", "b[^a]", "ab", false, false},
        {"negated set does not match the line start", "[^a]b", "b", false, false},
        {"negated set ignoring case", "[^a]", "aAaA", true, false},
        {"dot star between", "^Error.*[0-9]+$", "Error 12: at block 345", false, true},
        {"digits must end the line", "^Error.*[0-9]+$", "Error 12: again.", false, false},
        {"high bytes", "\xc3\xa9t\xc3\xa9", "l'\xc3\xa9t\xc3\xa9", true, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Matches(c.pattern, c.line, c.ignoreCase), c.match) << c.name;
    // A NUL byte is an ordinary character.
    EXPECT_TRUE(Matches("a.b", std::string("a\0b", 3)));
    // Plain text: every character is a literal.
    EXPECT_TRUE(Matches("^[x]*$", "^[x]*$", false, PatternMode::kPlainText));
    EXPECT_FALSE(Matches("^[x]*$", "x", false, PatternMode::kPlainText));
}

TEST(CCompiledPatternTest, ManyRepeatsRunInLinearTime) {
    // A backtracking matcher would take years over this; the line matcher
    // steps once per character.
    std::string pattern;
    for (int i = 0; i < 30; ++i)
        pattern += "a*";
    pattern += "b";
    pattern = "x" + pattern;
    std::string line = "x" + std::string(100000, 'a');
    EXPECT_FALSE(Matches(pattern, line));
    EXPECT_TRUE(Matches(pattern, line + "b"));
}

} // namespace
} // namespace vorlane::search
