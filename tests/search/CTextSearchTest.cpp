#include "search/CTextSearch.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace vorlane::search {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr auto kRegex = PatternMode::kRegularExpression;

struct Outcome {
    bool found = false;
    int64_t lines = 0;
    std::string report; // the file's path shown as NAME
    std::string error;
    std::vector<int64_t> numbers; // line numbers in the report
};

Outcome SearchText(const std::string& content, const std::string& pattern, bool ignoreCase = false,
                   PatternMode mode = kRegex, size_t blockSize = CTextSearch::kBlockSize) {
    TempDir dir;
    const std::string path = dir / "text.txt";
    WriteFile(path, content);
    CTextSearch search(blockSize);
    std::ostringstream out;
    Outcome o;
    o.found = search.Search(path, pattern, mode, ignoreCase, &out);
    o.lines = search.LinesFound();
    o.error = search.ErrorText();
    o.report = out.str();
    if (size_t at = o.report.find(path); at != std::string::npos)
        o.report.replace(at, path.size(), "NAME");
    // The matching lines follow the header and its blank line, up to the
    // blank line before the summary.
    std::istringstream lines(o.report);
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    while (std::getline(lines, line) && !line.empty())
        o.numbers.push_back(std::stoll(line));
    // Without a report the count must be the same.
    CTextSearch quiet(blockSize);
    EXPECT_EQ(quiet.Search(path, pattern, mode, ignoreCase, nullptr), o.found);
    EXPECT_EQ(quiet.LinesFound(), o.lines);
    return o;
}

TEST(CTextSearchTest, ReadingRules) {
    struct Case {
        const char* name;
        std::string content;
        const char* pattern;
        bool ignoreCase;
        std::vector<int64_t> lines;
    };
    const std::string z = "\x1a";
    const Case cases[] = {
        {"first line through the line start", "ABCdef\r\nxyz\r\n", "^abc", true, {1}},
        {"CR LF lines", "one\r\ntwo\r\nthree\r\n", "t", false, {2, 3}},
        {"CR LF last line without its line end is not searched", "one\r\ntwo", "two", false, {}},
        {"LF last line without its line end is searched", "one\ntwo", "two", false, {2}},
        {"Ctrl-Z ends a CR LF file", "abc\r\nxyz\r\n" + z, "^", false, {1, 2}},
        {"Ctrl-Z ends an LF file", "abc\nxyz" + z, "z$", false, {2}},
        {"Ctrl-Z inside is text", "a" + z + "b\r\nc\r\n", "a.b", false, {1}},
        {"lone CR line ends", "a\rb\rc\r", "^b$", false, {2}},
        {"empty file", "", "^", false, {}},
        {"lone LF in a CR LF file ends a line", "a\r\nb\nc\r\n", "^c", false, {3}},
        {"CR inside an LF file is text", "x\na\rb\nc\n", "a.b", false, {2}},
        {"the first line end decides: CR", "a\rb\nc\n", "^b", false, {2}},
        {"CR before LF belongs to the line end", "x\nab\r\n", "b$", false, {2}},
        {"NUL bytes are text",
         std::string("bin\0ary zephyr\0\r\nnext\r\n", 23),
         "zephyr",
         false,
         {1}},
        {"a match never spans lines", "abc\r\ndef\r\n", "c..d", false, {}},
        {"high bytes", "caf\xc3\xa9\r\nCAF\xc3\x89\r\n", "caf\xc3\xa9", true, {1}},
    };
    for (const Case& c : cases) {
        Outcome o = SearchText(c.content, c.pattern, c.ignoreCase);
        EXPECT_EQ(o.numbers, c.lines) << c.name;
        EXPECT_EQ(o.lines, static_cast<int64_t>(c.lines.size())) << c.name;
        EXPECT_EQ(o.found, !c.lines.empty()) << c.name;
        EXPECT_EQ(o.error, "") << c.name;
        // The same with blocks of a few bytes, which cut every line.
        for (size_t block : {1u, 2u, 3u, 7u}) {
            Outcome small = SearchText(c.content, c.pattern, c.ignoreCase, kRegex, block);
            EXPECT_EQ(small.report, o.report) << c.name << ", block " << block;
        }
    }
}

TEST(CTextSearchTest, ReportFormat) {
    Outcome o = SearchText("alpha\r\nbeta zephyr\r\ngamma\r\nZEPHYR delta\r\n", "zephyr", true);
    EXPECT_EQ(o.report, "File: 'NAME' \n\n"
                        "2      beta zephyr\n"
                        "4      ZEPHYR delta\n"
                        "\n2 lines found.\n");
    EXPECT_EQ(SearchText("alpha\r\n", "zephyr").report, ""); // no match, no report

    // The first 72 characters of a line are shown.
    const std::string longLine = std::string(50, 'a') + "zephyr" + std::string(44, 'b');
    EXPECT_EQ(SearchText(longLine + "\r\n", "zephyr").report,
              "File: 'NAME' \n\n1      " + longLine.substr(0, 72) + "\n\n1 lines found.\n");

    // A UTF-8 character is one character and is never cut in two.
    std::string accents, shown;
    for (int i = 0; i < 80; ++i)
        accents += "\xc3\xa9";
    for (int i = 0; i < 72; ++i)
        shown += "\xc3\xa9";
    EXPECT_NE(SearchText(accents + "\n", "^").report.find("1      " + shown + "\n"),
              std::string::npos);

    // A NUL byte ends the text shown.
    Outcome nul = SearchText(std::string("ab\0cd zephyr\r\n", 14), "zephyr");
    EXPECT_EQ(nul.report, "File: 'NAME' \n\n1      ab\n\n1 lines found.\n");
}

TEST(CTextSearchTest, LineNumbersWiderThanTheColumn) {
    std::string content;
    for (int i = 1; i < 1234567; ++i)
        content += '\n';
    content += "zephyr\n";
    Outcome o = SearchText(content, "zephyr");
    EXPECT_EQ(o.report, "File: 'NAME' \n\n1234567 zephyr\n\n1 lines found.\n");
}

TEST(CTextSearchTest, LinesLongerThanTheBufferAreSearchedAndSoIsWhatFollows) {
    const std::string huge = std::string(300000, 'x') + " zephyr";
    const std::string content = "first\r\n" + huge + "\r\nzephyr again\r\nlast\r\n";
    for (size_t block : {size_t{1000}, size_t{50000}, CTextSearch::kBlockSize}) {
        Outcome o = SearchText(content, "zephyr", false, kRegex, block);
        EXPECT_EQ(o.numbers, (std::vector<int64_t>{2, 3})) << block;
        Outcome end = SearchText(content, "zephyr$", false, kRegex, block);
        EXPECT_EQ(end.numbers, (std::vector<int64_t>{2})) << block;
    }
    // A file that is one long line without any line end.
    Outcome one = SearchText(std::string(200000, 'y') + "zephyr", "y+zephyr$");
    EXPECT_EQ(one.numbers, (std::vector<int64_t>{1}));
}

TEST(CTextSearchTest, FailuresAreReportedAndNothingIsLost) {
    TempDir dir;
    CTextSearch search;

    EXPECT_FALSE(search.Search(dir / "missing.txt", "a", kRegex, false, nullptr));
    EXPECT_EQ(search.ErrorText().rfind("Cannot open '" + (dir / "missing.txt") + "': ", 0), 0u)
        << search.ErrorText();

    // A refused pattern: false, and the file is not even opened.
    EXPECT_FALSE(search.Search(dir / "missing.txt", "[", kRegex, false, nullptr));
    EXPECT_EQ(search.ErrorText(), "Set not closed (missing a ']').");

    // A directory cannot be read.
    EXPECT_FALSE(search.Search(dir.path(), "a", kRegex, false, nullptr));
    EXPECT_EQ(search.ErrorText().rfind("Cannot read '", 0), 0u) << search.ErrorText();

    // A report that cannot be written stops the search.
    WriteFile(dir / "three.txt", "zephyr\r\nzephyr\r\nzephyr\r\n");
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_TRUE(search.Search(dir / "three.txt", "zephyr", kRegex, false, &broken));
    EXPECT_EQ(search.LinesFound(), 1);
    EXPECT_EQ(search.ErrorText(), "Cannot write the search report.");

    // The context is reusable after all of that.
    std::ostringstream out;
    EXPECT_TRUE(search.Search(dir / "three.txt", "zephyr", kRegex, false, &out));
    EXPECT_EQ(search.LinesFound(), 3);
    EXPECT_EQ(search.ErrorText(), "");
}

} // namespace
} // namespace vorlane::search
