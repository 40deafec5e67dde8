#include "platform/Wildcard.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace vorlane::platform {
namespace {

// One case per rule; the random test below covers the combinations.
TEST(WildcardTest, MatchesByTheRules) {
    const struct {
        const char* pattern;
        const char* subject;
        bool matches;
    } cases[] = {
        {"*", "", true},
        {"", "", true},
        {"", "A", false},
        {"*.TXT", "README.TXT.BAK", false},
        {"readme.txt", "README.TXT", true}, // literals ignore case
        {"?.C", ".C", false},
        {"?.C", "AB.C", false},
        {"?.TXT", "\xC3\xA9.TXT", true}, // one UTF-8 letter is one character
        {"ABC**", "ABC", true},
        {"ABC?", "ABC", false},
        {"AB", "ABC", false},
        {"[ABC]X", "BX", true},
        {"[ABC]X", "DX", false},
        {"[A-C]*", "apple", false}, // sets compare case as given
        {"[C-A]*", "BANANA", true}, // ranges in either order
        {"[!A]*", "A", false},
        {"[^A-C]", "D", true},
        {"[A^]", "^", true}, // a later caret is a member
        {"A\\*", "A*", true},
        {"A\\*", "AB", false},
        {"[\\]]", "]", true},
        {"[a\\-z]", "m", false}, // an escaped dash is no range
        {"[-a]", "-", true},
        {"*?.TXT", ".TXT", false},
        {"*AB*AB", "XABYABZAB", true},
        {"*AB*AB", "XABYAB0", false},
        {"*A*A*A*A*A*A*A*A*A*A*B", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", false}, // no blow-up
        {"[A", "[A", false},      // a syntax error never matches
        {"A\\", "A\\", false},    // nor does a trailing escape
        {"\xFF*", "\xFFX", true}, // an invalid UTF-8 byte is a character of its own
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.subject), c.matches)
            << "pattern '" << c.pattern << "' name '" << c.subject << "'";

    const std::pair<const char*, WildcardError> syntax[] = {
        {"*.TXT", WildcardError::None},           {"\\[", WildcardError::None},
        {"A[]B", WildcardError::EmptySet},        {"[!]", WildcardError::EmptySet},
        {"[abc", WildcardError::UnclosedSet},     {"[a\\", WildcardError::UnclosedSet},
        {"abc\\", WildcardError::TrailingEscape}, {"[a-]", WildcardError::RangeWithoutEnd},
        {"[a-", WildcardError::UnclosedSet},
    };
    for (const auto& [pattern, expected] : syntax) {
        WildcardError error = WildcardError::TrailingEscape;
        EXPECT_EQ(WildcardSyntaxOk(pattern, &error), expected == WildcardError::None) << pattern;
        EXPECT_EQ(error, expected) << pattern;
    }

    // An escaped name matches only itself.
    const std::string name = "report[1]*?.txt";
    std::string pattern = WildcardEscape(name);
    EXPECT_TRUE(WildcardSyntaxOk(pattern));
    EXPECT_TRUE(WildcardMatch(pattern, "REPORT[1]*?.TXT"));
    EXPECT_FALSE(WildcardMatch(pattern, "report1x.txt"));
    EXPECT_FALSE(WildcardMatch(name, name)) << "unescaped, the brackets are a set";
}

// A slow matcher written straight from the rules, over code points, with
// memoised recursion: the reference the fast one is checked against.
class ReferenceMatcher {
  public:
    struct Item {
        char kind; // '*', '?', 'L' literal, 'S' set
        bool negated = false;
        uint32_t value = 0;
        std::vector<std::pair<uint32_t, uint32_t>> ranges = {};
    };

    static std::vector<uint32_t> Chars(const std::string& text) {
        std::vector<uint32_t> out;
        size_t pos = 0;
        while (pos < text.size())
            out.push_back(NextWildcardChar(text, &pos));
        return out;
    }

    // False on a syntax error.
    bool Parse(const std::string& pattern) {
        std::vector<uint32_t> p = Chars(pattern);
        size_t i = 0;
        while (i < p.size()) {
            uint32_t c = p[i++];
            if (c == '*') {
                m_items.push_back({'*'});
            } else if (c == '?') {
                m_items.push_back({'?'});
            } else if (c == '\\') {
                if (i >= p.size())
                    return false;
                m_items.push_back({'L', false, p[i++]});
            } else if (c == '[') {
                Item set{'S'};
                if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
                    set.negated = true;
                    ++i;
                }
                bool closed = false;
                while (i < p.size()) {
                    uint32_t lo = p[i++];
                    if (lo == ']') {
                        closed = true;
                        break;
                    }
                    if (lo == '\\') {
                        if (i >= p.size())
                            return false;
                        lo = p[i++];
                    }
                    uint32_t hi = lo;
                    if (i < p.size() && p[i] == '-') {
                        if (i + 1 >= p.size() || p[i + 1] == ']')
                            return false;
                        i += 1;
                        hi = p[i++];
                        if (hi == '\\') {
                            if (i >= p.size())
                                return false;
                            hi = p[i++];
                        }
                    }
                    set.ranges.push_back({std::min(lo, hi), std::max(lo, hi)});
                }
                if (!closed || set.ranges.empty())
                    return false;
                m_items.push_back(set);
            } else {
                m_items.push_back({'L', false, c});
            }
        }
        return true;
    }

    bool Match(const std::string& name) {
        m_name = Chars(name);
        m_memo.clear();
        return MatchAt(0, 0);
    }

  private:
    static uint32_t Fold(uint32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

    bool One(const Item& item, uint32_t c) const {
        if (item.kind == '?')
            return true;
        if (item.kind == 'L')
            return Fold(item.value) == Fold(c);
        bool in = false;
        for (const auto& [lo, hi] : item.ranges)
            in = in || (c >= lo && c <= hi);
        return in != item.negated;
    }

    bool MatchAt(size_t p, size_t n) {
        auto key = std::make_pair(p, n);
        if (auto it = m_memo.find(key); it != m_memo.end())
            return it->second;
        bool result;
        if (p == m_items.size())
            result = n == m_name.size();
        else if (m_items[p].kind == '*')
            result = MatchAt(p + 1, n) || (n < m_name.size() && MatchAt(p, n + 1));
        else
            result = n < m_name.size() && One(m_items[p], m_name[n]) && MatchAt(p + 1, n + 1);
        m_memo[key] = result;
        return result;
    }

    std::vector<Item> m_items;
    std::vector<uint32_t> m_name;
    std::map<std::pair<size_t, size_t>, bool> m_memo;
};

TEST(WildcardRandomTest, AgreesWithReferenceMatcher) {
    std::mt19937 random(20240611);
    // Small alphabets so that matches are frequent; both cases, a
    // two-byte letter and the special characters.
    const std::vector<std::string> patternPieces = {
        "a", "B", "c", "*",        "?",     "[a-c]", "[!b]", "[^A-B]", "\\*",
        "[", "]", "-", "\xC3\xA9", "[c-a]", "\\",    "[]",   "[a-]"};
    const std::vector<std::string> namePieces = {"a", "A", "b", "B",        "c",   "C",
                                                 "*", "-", "]", "\xC3\xA9", "\xFF"};
    int compared = 0;
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string pattern;
        int length = static_cast<int>(random() % 7);
        for (int i = 0; i < length; ++i)
            pattern += patternPieces[random() % patternPieces.size()];
        std::string name;
        length = static_cast<int>(random() % 8);
        for (int i = 0; i < length; ++i)
            name += namePieces[random() % namePieces.size()];
        ReferenceMatcher reference;
        bool valid = reference.Parse(pattern);
        ASSERT_EQ(WildcardSyntaxOk(pattern), valid) << "pattern '" << pattern << "'";
        bool expected = valid && reference.Match(name);
        ASSERT_EQ(WildcardMatch(pattern, name), expected)
            << "pattern '" << pattern << "' name '" << name << "'";
        ++compared;
        matched += expected ? 1 : 0;
    }
    EXPECT_EQ(compared, 20000);
    EXPECT_GT(matched, 500) << "the random cases should match often enough to mean something";
}

} // namespace
} // namespace vorlane::platform
