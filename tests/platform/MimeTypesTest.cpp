#include "platform/MimeTypes.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <vector>

namespace vorlane::platform {
namespace {

// The system's shared MIME database (shared-mime-info) answers these; the
// descriptions are its English ones.
class FileTypeNameTest : public ::testing::Test {
  protected:
    struct Case {
        const char* name;
        const char* typeName;
    };
    static void ExpectTypeNames(const std::vector<Case>& cases) {
        for (const Case& c : cases)
            EXPECT_EQ(*FileTypeName(c.name), c.typeName) << c.name;
    }

    test::ScopedEnv m_language{"LC_ALL", "C"};
};

TEST_F(FileTypeNameTest, CommonTypesKeepTheirNames) {
    ExpectTypeNames({
        {"notes.txt", "plain text document"},
        {"NOTES.TXT", "plain text document"},
        {"main.c", "C source code"},
        {"main.h", "C header"},
        {"main.cpp", "C++ source code"},
        {"prog.C", "C++ source code"}, // a pattern that minds case
        {"letter.doc", "Word document"},
        {"letter.docx", "Word 2007 document"},
        {"photo.jpg", "JPEG image"},
        {"PHOTO.JPG", "JPEG image"},
        {"image.png", "PNG image"},
        {"paper.pdf", "PDF document"},
        {"backup.tar.gz", "Tar archive (gzip-compressed)"}, // the longest suffix wins
        {"data.gz", "Gzip archive"},
        {"bundle.zip", "Zip archive"},
        {"page.html", "HTML document"},
        {"song.mp3", "MP3 audio"},
        {"setup.exe", "DOS/Windows executable"},
        {"run.sh", "shell script"},
        {"sheet.xls", "Excel spreadsheet"},
        {"README.md", "Markdown document"},
        {"Makefile", "Makefile build file"}, // a literal name
        {"README", "README document"},       // a pattern over the whole name
        {"CMakeLists.txt", "CMake source code"},
    });
}

// Types whose names hold capitals ("...macroEnabled.12") have their
// description in a lower-cased file: it was looked for under the type's
// own spelling, and the extension's name was shown instead.
TEST_F(FileTypeNameTest, MixedCaseTypesLostTheirDescriptions) {
    ExpectTypeNames({
        {"letter.docm", "Word document"},
        {"budget.xlsm", "Excel spreadsheet"},
        {"talk.pptm", "PowerPoint presentation"},
    });
}

TEST_F(FileTypeNameTest, NamesOfNoKnownTypeShowTheirExtension) {
    struct {
        const char* name;
        const char* typeName;
    } cases[] = {
        {"noextension-xyz-42", "File"},    {"trailing.", "File"}, {"report.qqzz", "QQZZ File"},
        {"archive.tar.qqzz", "QQZZ File"}, {"", "File"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(*FileTypeName(c.name), c.typeName) << c.name;
        EXPECT_EQ(ExtensionTypeName(c.name), c.typeName) << c.name;
    }
    EXPECT_EQ(ExtensionTypeName("report.doc"), "DOC File");
    EXPECT_EQ(ExtensionTypeName("archive.tar.gz"), "GZ File");
}

// Every new extension added a text that was kept for the life of the
// process. Now only MIME types' descriptions are kept, at most the limit,
// and a text handed out stays valid after the cache has dropped it.
TEST_F(FileTypeNameTest, TypeNameTableGrewWithEveryExtension) {
    // Names of more distinct types than the cache keeps, from the
    // database's own suffix patterns.
    std::ifstream globs("/usr/share/mime/globs2");
    if (!globs)
        GTEST_SKIP() << "no shared MIME database in /usr/share/mime";
    std::vector<std::string> names;
    std::set<std::string> types;
    std::string line;
    while (std::getline(globs, line) && types.size() < 2 * kTypeNameCacheLimit) {
        // weight:type:*.suffix[:flags]
        size_t typeAt = line.find(':') + 1;
        size_t patternAt = line.find(':', typeAt) + 1;
        if (line.empty() || line[0] == '#' || patternAt == 0 ||
            line.compare(patternAt, 2, "*.") != 0 ||
            line.find_first_of("*?[:", patternAt + 1) != std::string::npos)
            continue;
        if (types.insert(line.substr(typeAt, patternAt - 1 - typeAt)).second)
            names.push_back("file" + line.substr(patternAt + 1));
    }
    ASSERT_GT(types.size(), kTypeNameCacheLimit);

    std::shared_ptr<const std::string> first = FileTypeName("first.txt");
    ASSERT_EQ(*first, "plain text document");
    for (const std::string& name : names)
        FileTypeName(name);
    for (int i = 0; i < 1000; ++i)
        FileTypeName("file.qq" + std::to_string(i));
    EXPECT_LE(CachedTypeNames(), kTypeNameCacheLimit);
    EXPECT_EQ(*first, "plain text document");
    EXPECT_EQ(*FileTypeName("again.txt"), "plain text document");
    // Files of one type share one text while it is kept.
    EXPECT_EQ(FileTypeName("a.txt"), FileTypeName("B.TXT"));
}

} // namespace
} // namespace vorlane::platform
