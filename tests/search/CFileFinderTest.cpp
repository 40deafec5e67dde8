#include "search/CFileFinder.h"

#include "search/CTextSearch.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::search {
namespace {

using test::TempDir;
using test::WriteFile;

class MapLookup : public CFileSetLookup {
  public:
    std::map<std::string, std::string> sets;
    std::optional<std::string> Definition(const std::string& name) const override {
        auto it = sets.find(name);
        return it == sets.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

// A tree with what a find meets on a real disk: names in both cases, a
// binary file, links to a file, to a directory inside and to one outside
// the tree, and a FIFO whose name every text search wants.
struct Tree {
    TempDir root;
    TempDir outside;

    Tree() {
        WriteFile(root / "a.jpg", "picture");
        WriteFile(root / "B.JPG", "PICTURE");
        WriteFile(root / "c.txt", "say hello world\n");
        WriteFile(root / "bin.dat", std::string("abc\0 hello\n", 11));
        WriteFile(root / "big.log", std::string(5000, 'x') + "\n");
        ::mkdir((root / "sub").c_str(), 0755);
        ::mkdir((root / "sub/deep").c_str(), 0755);
        WriteFile(root / "sub/d.jpg", "");
        WriteFile(root / "sub/deep/e.TXT", "Hello\r\n");
        WriteFile(outside / "secret.jpg", "hello");
        EXPECT_EQ(::symlink((root / "c.txt").c_str(), (root / "link.jpg").c_str()), 0);
        EXPECT_EQ(::symlink(outside.path().c_str(), (root / "outlink").c_str()), 0);
        EXPECT_EQ(::symlink("sub", (root / "linkdir").c_str()), 0);
        EXPECT_EQ(::mkfifo((root / "fifo.txt").c_str(), 0644), 0);
    }
};

std::vector<std::string> Find(FindParameters p, std::string* error = nullptr,
                              FindSummary* summary = nullptr) {
    CFileFinder finder;
    std::string message;
    std::vector<std::string> found;
    if (!finder.Prepare(std::move(p), &message) ||
        !finder.Run([&](const std::string& relative) { found.push_back(relative); }, nullptr,
                    &message)) {
        if (error != nullptr)
            *error = message;
        return {"ERROR"};
    }
    if (summary != nullptr)
        *summary = finder.Summary();
    std::sort(found.begin(), found.end());
    return found;
}

TEST(CFileFinderTest, NamesConditionsAndContent) {
    Tree tree;
    MapLookup sets;
    sets.sets["Pics"] = "~Wildcards~-B*.*~+*.JPG";
    using V = std::vector<std::string>;
    const V allFiles = {"B.JPG",    "a.jpg",   "big.log", "bin.dat",   "c.txt",
                        "link.jpg", "linkdir", "outlink", "sub/d.jpg", "sub/deep/e.TXT"};
    struct Case {
        const char* name;
        std::string fileTypes;
        std::vector<CFileSearchCondition> conditions;
        std::string containing;
        PatternMode mode;
        bool ignoreCase;
        bool skipBinary;
        V expected;
    };
    const auto plain = PatternMode::kPlainText;
    const auto regex = PatternMode::kRegularExpression;
    const Case cases[] = {
        {"every file, links as themselves, no FIFO", "", {}, "", plain, false, false, allFiles},
        {"wildcard without case, link kept, outside never entered",
         "*.jpg",
         {},
         "",
         plain,
         false,
         false,
         {"B.JPG", "a.jpg", "link.jpg", "sub/d.jpg"}},
        {"first entry decides: *.* before the exclude",
         "*.*;-*.jpg",
         {},
         "",
         plain,
         false,
         false,
         allFiles},
        {"first entry decides: the exclude first",
         "-*.jpg;*.*",
         {},
         "",
         plain,
         false,
         false,
         {"big.log", "bin.dat", "c.txt", "linkdir", "outlink", "sub/deep/e.TXT"}},
        {"file set with its own first-match order",
         "[Pics]",
         {},
         "",
         plain,
         false,
         false,
         {"a.jpg", "link.jpg", "sub/d.jpg"}},
        {"size condition in KB",
         "",
         {{kFieldSize, kOpGreater, "4"}},
         "",
         plain,
         false,
         false,
         {"big.log"}},
        {"two conditions must both hold",
         "*.jpg",
         {{kFieldSize, kOpLessEqual, "0"}, {kFieldFilename, kOpNotEqual, "LINK*.*"}},
         "",
         plain,
         false,
         false,
         {"sub/d.jpg"}},
        {"plain text with case; links never read",
         "",
         {},
         "hello",
         plain,
         false,
         false,
         {"bin.dat", "c.txt"}},
        {"plain text without case",
         "",
         {},
         "hello",
         plain,
         true,
         false,
         {"bin.dat", "c.txt", "sub/deep/e.TXT"}},
        {"binary skipped when asked",
         "",
         {},
         "hello",
         plain,
         true,
         true,
         {"c.txt", "sub/deep/e.TXT"}},
        {"pattern anchored at both ends",
         "",
         {},
         "^H.l+o$",
         regex,
         false,
         false,
         {"sub/deep/e.TXT"}},
        {"pattern characters are literal in plain mode", "", {}, "h.llo", plain, false, false, {}},
        {"name and content together",
         "*.txt",
         {},
         "HELLO",
         plain,
         true,
         false,
         {"c.txt", "sub/deep/e.TXT"}},
    };
    for (const Case& c : cases) {
        for (unsigned walkers : {1u, 2u}) {
            SCOPED_TRACE(std::string(c.name) + (walkers == 1 ? " (one walker)" : " (two walkers)"));
            FindParameters p;
            p.hostRoot = tree.root.path();
            p.fileTypes = c.fileTypes;
            p.sets = &sets;
            for (const CFileSearchCondition& condition : c.conditions)
                p.request.AddCondition(condition);
            p.containing = c.containing;
            p.mode = c.mode;
            p.ignoreCase = c.ignoreCase;
            p.skipBinary = c.skipBinary;
            p.walkThreads = walkers;
            p.searchThreads = 3;
            EXPECT_EQ(Find(p), c.expected);
        }
    }
}

TEST(CFileFinderTest, RefusalsAndUnreadableParts) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string root;
        std::string fileTypes;
        std::string containing;
        PatternMode mode;
        std::string errorPart;
    };
    const Case cases[] = {
        {"missing root", dir / "nothing", "", "", PatternMode::kPlainText, "nothing"},
        {"bad wildcard", dir.path(), "[abc", "", PatternMode::kPlainText, "[abc"},
        {"bad pattern", dir.path(), "", "*x", PatternMode::kRegularExpression, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FindParameters p;
        p.hostRoot = c.root;
        p.fileTypes = c.fileTypes;
        p.containing = c.containing;
        p.mode = c.mode;
        std::string error;
        EXPECT_EQ(Find(p, &error), std::vector<std::string>{"ERROR"});
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
    if (::geteuid() != 0) {
        ::mkdir((dir / "closed").c_str(), 0755);
        WriteFile(dir / "closed/x.txt", "x");
        WriteFile(dir / "open.txt", "x");
        ::chmod((dir / "closed").c_str(), 0);
        FindParameters p;
        p.hostRoot = dir.path();
        FindSummary summary;
        EXPECT_EQ(Find(p, nullptr, &summary), std::vector<std::string>{"open.txt"});
        EXPECT_EQ(summary.unreadable, 1u);
        EXPECT_NE(summary.firstError.find("closed"), std::string::npos);
        ::chmod((dir / "closed").c_str(), 0755);
    }
}

// Deeper than a walker keeps descriptors for: the deep part is queued by
// path and opened again from the root, still never through a link.
TEST(CFileFinderTest, DeepTreeQueuedByPath) {
    TempDir dir;
    std::string path = dir.path();
    std::string relative;
    for (int i = 0; i < 45; ++i) {
        path += "/d";
        relative += relative.empty() ? "d" : "/d";
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    }
    WriteFile(path + "/bottom.txt", "needle");
    for (unsigned walkers : {1u, 2u}) {
        FindParameters p;
        p.hostRoot = dir.path();
        p.containing = "needle";
        p.walkThreads = walkers;
        EXPECT_EQ(Find(p), std::vector<std::string>{relative + "/bottom.txt"});
    }
}

TEST(CFileFinderTest, CancelStopsReports) {
    TempDir dir;
    for (int i = 0; i < 300; ++i)
        WriteFile(dir / ("f" + std::to_string(i) + ".txt"), "word\n");
    struct Case {
        const char* name;
        std::string containing;
        bool before; // cancelled before the run starts
    };
    const Case cases[] = {
        {"names, cancelled at the first", "", false},
        {"content, cancelled at the first", "word", false},
        {"names, cancelled before", "", true},
        {"content, cancelled before", "word", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FindParameters p;
        p.hostRoot = dir.path();
        p.containing = c.containing;
        CFileFinder finder;
        std::string error;
        ASSERT_TRUE(finder.Prepare(p, &error));
        std::atomic<bool> cancel{c.before};
        int calls = 0;
        ASSERT_TRUE(finder.Run(
            [&](const std::string&) {
                ++calls;
                cancel = true;
            },
            &cancel, &error));
        EXPECT_EQ(calls, c.before ? 0 : 1);
        EXPECT_EQ(finder.Summary().found, static_cast<uint64_t>(calls));
        EXPECT_TRUE(finder.Summary().cancelled);
    }
}

// The text engine as the finder drives it: first match only, binary skip,
// lines longer than the buffer bound searched in pieces, cancel.
TEST(CFileFinderTest, TextSearchLimits) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string content;
        std::string pattern;
        SearchLimits limits;
        bool found;
        bool binary;
    };
    std::atomic<bool> cancelled{true};
    const std::string longLine = std::string(3 * 1024 * 1024, 'a');
    const Case cases[] = {
        {"NUL in the first block, skip asked",
         std::string("x\0needle", 8),
         "needle",
         {nullptr, true, true, 0},
         false,
         true},
        {"NUL in the first block, no skip",
         std::string("x\0needle", 8),
         "needle",
         {nullptr, true, false, 0},
         true,
         false},
        {"NUL only after the first block",
         std::string(40, 'n') + '\n' + '\0' + "needle",
         "needle",
         {nullptr, true, true, 0},
         true,
         false},
        {"match at the end of a line past the bound",
         longLine + "needle",
         "needle",
         {nullptr, true, false, 1024 * 1024},
         true,
         false},
        {"match across a piece cut",
         longLine.substr(0, 300000) + "needle" + longLine,
         "needle",
         {nullptr, true, false, 256 * 1024},
         true,
         false},
        {"no match in a long line",
         longLine,
         "needle",
         {nullptr, true, false, 1024 * 1024},
         false,
         false},
        {"cancelled", "needle\n", "needle", {&cancelled, true, false, 0}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "f", c.content);
        CTextSearch text(16);
        text.SetLimits(c.limits);
        ASSERT_TRUE(text.Compile(c.pattern, PatternMode::kPlainText, false, nullptr));
        int fd = ::open((dir / "f").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(text.SearchCompiled(fd, "f"), c.found);
        ::close(fd);
        EXPECT_EQ(text.Binary(), c.binary);
        EXPECT_EQ(text.Cancelled(), c.limits.cancel != nullptr);
        if (c.found && c.limits.firstMatch) {
            EXPECT_EQ(text.LinesFound(), 1);
        }
    }
}

} // namespace
} // namespace vorlane::search
