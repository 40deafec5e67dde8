// The engine against the slow reference on random patterns, lines and files
// (fixed seeds, so every run checks the same cases).
#include "search/CCompiledPattern.h"
#include "search/CTextSearch.h"
#include "search/ReferenceSearch.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace vorlane::search {
namespace {

std::string RandomString(std::mt19937& rng, const std::string& alphabet, size_t maxLength) {
    std::string s(rng() % (maxLength + 1), ' ');
    for (char& c : s)
        c = alphabet[rng() % alphabet.size()];
    return s;
}

const std::string kPatternAlphabet = std::string("abAB.*+^$[]-\\xz") + '\0';
const std::string kLineAlphabet = std::string("abAB-xz.*[\\^") + '\0' + "\xc3";

TEST(RandomSearchTest, LineMatcherAgreesWithTheReference) {
    std::mt19937 rng(20240601);
    int compiled = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string pattern = RandomString(rng, kPatternAlphabet, 9);
        const bool plain = rng() % 8 == 0;
        const bool ignoreCase = rng() % 2 == 0;
        const auto mode = plain ? PatternMode::kPlainText : PatternMode::kRegularExpression;
        auto reference = reference::Parse(pattern, plain);
        CCompiledPattern engine;
        const int rc = engine.Compile(pattern, mode, ignoreCase);
        ASSERT_EQ(rc == kPatternOk, reference.has_value())
            << "pattern '" << pattern << "' rc " << rc;
        if (rc != kPatternOk)
            continue;
        ++compiled;
        for (int l = 0; l < 25; ++l) {
            const std::string line = RandomString(rng, kLineAlphabet, 12);
            auto* text = reinterpret_cast<const uint8_t*>(line.data());
            ASSERT_EQ(engine.MatchLine(text, text + line.size()),
                      reference::MatchLine(*reference, line, ignoreCase))
                << "pattern '" << pattern << "' line '" << line << "' ignore case " << ignoreCase;
        }
    }
    // The random patterns must not all be refused, or the test checks nothing.
    EXPECT_GT(compiled, 1000);
}

// A random file: lines of random text joined by line ends of a main kind
// with now and then another, sometimes a Ctrl-Z at the end.
std::string RandomFile(std::mt19937& rng) {
    static const char* const kEnds[] = {"\r\n", "\n", "\r"};
    const char* main = kEnds[rng() % 3];
    std::string file;
    const int lines = static_cast<int>(rng() % 12);
    for (int i = 0; i < lines; ++i) {
        file += RandomString(rng, kLineAlphabet + "  ", rng() % 4 == 0 ? 40 : 8);
        file += rng() % 6 == 0 ? kEnds[rng() % 3] : main;
    }
    if (rng() % 3 == 0)
        file += RandomString(rng, kLineAlphabet, 5); // a last line without its end
    if (rng() % 5 == 0)
        file += '\x1a';
    return file;
}

std::string RandomValidPattern(std::mt19937& rng, bool plain) {
    for (;;) {
        std::string pattern = RandomString(rng, kPatternAlphabet, 6);
        if (reference::Parse(pattern, plain))
            return pattern;
    }
}

TEST(RandomSearchTest, FilesAgreeWithTheReferenceForEveryBlockSize) {
    test::TempDir dir;
    const std::string path = dir / "random.txt";
    std::mt19937 rng(77);
    const size_t kBlocks[] = {1, 2, 3, 5, 16, 64, CTextSearch::kBlockSize};
    int roundsWithMatches = 0;
    for (int round = 0; round < 1500; ++round) {
        const std::string content = RandomFile(rng);
        test::WriteFile(path, content);
        const bool plain = rng() % 6 == 0;
        const bool ignoreCase = rng() % 2 == 0;
        const std::string pattern = RandomValidPattern(rng, plain);
        const auto mode = plain ? PatternMode::kPlainText : PatternMode::kRegularExpression;

        auto pieces = *reference::Parse(pattern, plain);
        std::vector<reference::Line> matches;
        for (const reference::Line& line : reference::SplitLines(content))
            if (reference::MatchLine(pieces, line.text, ignoreCase))
                matches.push_back(line);
        const std::string expected = reference::Report(path, matches);
        roundsWithMatches += !matches.empty();

        const size_t block = kBlocks[rng() % std::size(kBlocks)];
        CTextSearch search(block);
        std::ostringstream out;
        const bool found = search.Search(path, pattern, mode, ignoreCase, &out);
        const std::string context = "pattern '" + pattern + "' block " + std::to_string(block) +
                                    " ignore case " + std::to_string(ignoreCase);
        ASSERT_EQ(out.str(), expected) << context;
        ASSERT_EQ(found, !matches.empty()) << context;
        ASSERT_EQ(search.LinesFound(), static_cast<int64_t>(matches.size())) << context;
        ASSERT_EQ(search.ErrorText(), "") << context;

        // Counting without a report takes other paths; the count is the same.
        CTextSearch counting(block);
        counting.Search(path, pattern, mode, ignoreCase, nullptr);
        ASSERT_EQ(counting.LinesFound(), static_cast<int64_t>(matches.size())) << context;
    }
    EXPECT_GT(roundsWithMatches, 300);
}

} // namespace
} // namespace vorlane::search
