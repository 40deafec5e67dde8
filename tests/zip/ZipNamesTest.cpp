#include "zip/private/ZipNames.h"

#include <gtest/gtest.h>

namespace vorlane::zip {
namespace {

TEST(ZipNamesTest, SplitsFileSpecifications) {
    struct Case {
        const char* spec;
        std::vector<std::string> names;
    } cases[] = {
        {"", {}},
        {"  ", {}},
        {"a.txt", {"a.txt"}},
        {"a.txt  b.txt\tc", {"a.txt", "b.txt", "c"}},
        {"\"my file.txt\" other", {"my file.txt", "other"}},
        {"\"unclosed name", {"unclosed name"}},
        {"\"\" x", {"x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        EXPECT_EQ(SplitFileSpec(c.spec), c.names);
        EXPECT_EQ(SplitFileSpec(JoinFileSpec(c.names)), c.names);
    }
}

TEST(ZipNamesTest, UnsafeMemberNames) {
    struct Case {
        const char* name;
        bool unsafe;
    } cases[] = {
        {"file.txt", false},
        {"dir/sub/file.txt", false},
        {"dir\\file.txt", false},
        {"./file", false},
        {"a..b/c..", false},
        {"dir/", false},
        {"", true},
        {"/", true},
        {"/etc/passwd", true},
        {"\\windows\\win.ini", true},
        {"C:file", true},
        {"c:\\autoexec.bat", true},
        {"..", true},
        {"../up", true},
        {"..\\up", true},
        {"dir/../../up", true},
        {"dir\\..\\..\\up", true},
        {"dir/..", true},
        {"./", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsUnsafeMemberName(c.name), c.unsafe);
    }
    EXPECT_TRUE(IsUnsafeMemberName(std::string_view("a\0b", 3)));
}

TEST(ZipNamesTest, RootNamesAndComponents) {
    const struct {
        const char* name;
        bool root;
        std::vector<std::string> slashOnly; // components, '\\' part of a name
    } cases[] = {
        {".", true, {}},
        {"./", true, {}},
        {"././", true, {}},
        {".\\", true, {".\\"}},
        {"./a.txt", false, {"a.txt"}},
        {"..", false, {".."}},
        {"../", false, {".."}},
        {"/", false, {}},
        {"/.", false, {}},
        {".hidden", false, {".hidden"}},
        {"a\\b.txt", false, {"a\\b.txt"}},
        {"dir/a\\b/", false, {"dir", "a\\b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsRootMemberName(c.name), c.root);
        EXPECT_EQ(MemberPathComponents(c.name, false), c.slashOnly);
    }
    EXPECT_EQ(MemberPathComponents("dir/a\\b"), (std::vector<std::string>{"dir", "a", "b"}));
}

TEST(ZipNamesTest, MatchesSpecificationNamesAgainstMembers) {
    struct Case {
        const char* spec;
        const char* member;
        bool match;
    } cases[] = {
        {"*.txt", "dir/readme.TXT", true}, // base name, any case
        {"*.txt", "dir.txt/readme", false},
        {"readme.txt", "a/b/README.TXT", true},
        {"dir\\*.txt", "dir/a.txt", true},
        {"dir/*.txt", "dir/a.txt", true},
        {"dir\\*.txt", "other/a.txt", false},
        {"*\\a.txt", "x/y/a.txt", true}, // '*' runs over separators
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a[1].txt", "a[1].txt", true}, // brackets are literal
        {"a[1].txt", "a1.txt", false},
        {"sub", "sub/file", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.spec) + " ~ " + c.member);
        EXPECT_EQ(MatchMemberName(c.spec, c.member), c.match);
    }
    MemberMatcher all;
    EXPECT_TRUE(all.Matches("anything/at/all"));
    MemberMatcher two("one.txt \"two words.txt\"");
    EXPECT_TRUE(two.Matches("x/two words.txt"));
    EXPECT_TRUE(two.Matches("ONE.TXT"));
    EXPECT_FALSE(two.Matches("two"));
}

TEST(ZipNamesTest, ConvertsNames) {
    EXPECT_EQ(MemberNameToDos("dir/Sub/f.txt"), "dir\\Sub\\f.txt");
    EXPECT_EQ(DosNameToMember("dir\\Sub\\f.txt"), "dir/Sub/f.txt");
    EXPECT_EQ(MemberBaseName("a/b\\c.txt"), "c.txt");
    EXPECT_EQ(MemberPathComponents("./a//b/./c/"), (std::vector<std::string>{"a", "b", "c"}));

    struct Case {
        const char* name;
        const char* shortName;
    } cases[] = {
        {"readme.txt", "README.TXT"},
        {"Long File Name.text", "LONGFILE.TEX"},
        {"archive.tar.gz", "ARCHIVET.GZ"},
        {".profile", "PROFILE"},
        {"a+b,c;d=e[f].x", "A_B_C_D_.X"},
        {"gr\xC3\xBC\xC3\x9F.txt", "GR__.TXT"},
        {"...", "_"},
        {"..", ".."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DosShortName(c.name), c.shortName);
    }
    EXPECT_EQ(DosShortPath("My Documents\\Letter to Ann.doc"), "MYDOCUME\\LETTERTO.DOC");
}

TEST(ZipNamesTest, Utf8Helpers) {
    EXPECT_EQ(Cp437ToUtf8("A\x81\xE1\xFE"), "A\xC3\xBC\xC3\x9F\xE2\x96\xA0");
    EXPECT_TRUE(IsValidUtf8("gr\xC3\xBC\xC3\x9F"));
    EXPECT_FALSE(IsValidUtf8("\xC3"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_EQ(Utf8Prefix("gr\xC3\xBC\xC3\x9F", 3), "gr");
    EXPECT_EQ(Utf8Prefix("gr\xC3\xBC\xC3\x9F", 4), "gr\xC3\xBC");
    EXPECT_EQ(Utf8Prefix("abc", 10), "abc");
}

} // namespace
} // namespace vorlane::zip
