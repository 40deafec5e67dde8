#include "platform/Profile.h"

#include "PlatformTestUtil.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <map>
#include <random>
#include <sys/stat.h>

namespace vorlane::platform {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

ProfileFile Loaded(const std::string& path, const std::string& text) {
    WriteFile(path, text);
    ProfileFile profile(path);
    EXPECT_TRUE(profile.Load());
    return profile;
}

TEST(ProfileTest, ReadsWithWindowsProfileSemantics) {
    TempDir dir;
    ProfileFile p = Loaded(dir / "a.ini", "orphan=before any section\n"
                                          "[General]\n"
                                          "  Window Top  =  12  \n"
                                          "Quoted=\"  padded  \"\n"
                                          "Single='x'\n"
                                          "Twice=\"\"inner\"\"\n"
                                          "Mismatched=\"abc'\n"
                                          "Lone=\"\n"
                                          "Eq=a=b=c\n"
                                          "Comment=value ; not a comment\n"
                                          "no equals sign here\n"
                                          "; Hidden=comment\n"
                                          "=no key\n"
                                          "Dup=first\n"
                                          "DUP=second\n"
                                          "[Broken\n"
                                          "Broken=still General\n"
                                          "[ Other ] trailing text\n"
                                          "Key=other\n"
                                          "[general]\n"
                                          "Later=merged\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"General", "Window Top", "12"},
        {" GENERAL ", " window top", "12"},
        {"General", "Quoted", "  padded  "},
        {"General", "Twice", "\"inner\""},
        {"General", "Mismatched", "\"abc'"},
        {"General", "Eq", "a=b=c"},
        {"General", "Comment", "value ; not a comment"},
        {"General", "Dup", "first"},
        {"General", "Broken", "still General"},
        {"other", "KEY", "other"},
        {"General", "Later", "merged"},
        {"General", "no equals sign here", "<default>"},
        {"General", "; Hidden", "<default>"},
        {"", "orphan", "<default>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(p.GetString(c.section, c.key, "<default>"), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(p.Sections(), (std::vector<std::string>{"General", "Other"}));
    EXPECT_EQ(p.Keys("general"),
              (std::vector<std::string>{"Window Top", "Quoted", "Single", "Twice", "Mismatched",
                                        "Lone", "Eq", "Comment", "Dup", "Broken", "Later"}));
}

// Integers are the leading digits with an optional sign; strings are cut at
// the maximum length on a character boundary.
TEST(ProfileTest, GetIntAndLongStrings) {
    const std::pair<const char*, int> cases[] = {{"12abc", 12},
                                                 {"abc", -99},
                                                 {"+3", 3},
                                                 {"- 4", -99},
                                                 {"'42'", 42},
                                                 {"0x10", 0},
                                                 {"99999999999", INT_MAX},
                                                 {"-99999999999", INT_MIN}};
    std::string text = "[S]\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        text += "K" + std::to_string(i) + "=" + cases[i].first + "\n";
    std::string longValue(300, 'v');
    text += "Long=" + longValue + "\nAcc=" + std::string(254, 'a') + "\xC3\xA9\n";
    TempDir dir;
    ProfileFile p = Loaded(dir / "i.ini", text);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(p.GetInt("S", "K" + std::to_string(i), -99), cases[i].second) << cases[i].first;
    EXPECT_EQ(p.GetString("S", "Long"), longValue.substr(0, 255));
    EXPECT_EQ(p.GetString("S", "Long", "", 0), longValue);
    EXPECT_EQ(p.GetString("S", "Acc"), std::string(254, 'a'));
}

TEST(ProfileTest, WritesKeepCommentsUnknownLinesAndPlaceNewKeysInTheirSection) {
    TempDir dir;
    ProfileFile p = Loaded(dir / "w.ini", "; settings\n"
                                          "[General]\n"
                                          "window top=1\n"
                                          "garbage without equals\n"
                                          "\n"
                                          "[Other]\n"
                                          "A=1\n");
    EXPECT_TRUE(p.WriteString("GENERAL", "Window Top", "2"));
    EXPECT_TRUE(p.WriteString("General", "New Key", "x"));
    EXPECT_TRUE(p.WriteInt("Third", "N", -7));
    EXPECT_EQ(p.Text(), "; settings\n"
                        "[General]\n"
                        "window top=2\n"
                        "garbage without equals\n"
                        "New Key=x\n"
                        "\n"
                        "[Other]\n"
                        "A=1\n"
                        "\n"
                        "[Third]\n"
                        "N=-7\n");
    ASSERT_TRUE(p.Flush());
    EXPECT_EQ(ReadFile(dir / "w.ini"), p.Text());
}

// Names that cannot be stored are refused, and a value can never make
// lines of its own (values read back as written: see the model test).
TEST(ProfileTest, NamesAndValuesCannotBreakTheFile) {
    struct Case {
        const char* section;
        std::string key;
    } cases[] = {
        {"", "K"},   {"a]b", "K"},  {"S", "a=b"},
        {"S", ";k"}, {"S", "k\nj"}, {"S", std::string("k\0", 2)},
    };
    TempDir dir;
    ProfileFile p = Loaded(dir / "r.ini", "[S]\nK=1\n");
    for (const Case& c : cases)
        EXPECT_FALSE(p.WriteString(c.section, c.key, "v")) << c.section << "/" << c.key;
    EXPECT_EQ(p.Text(), "[S]\nK=1\n");
    EXPECT_TRUE(p.WriteString("S", "Break", "a\r\n[Evil]\nX=1"));
    EXPECT_TRUE(p.WriteString("S", "Nul", std::string("x\0y", 3)));
    ASSERT_TRUE(p.Flush());
    ProfileFile again(dir / "r.ini");
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.GetString("S", "Break"), "a  [Evil] X=1");
    EXPECT_EQ(again.GetString("S", "Nul"), "x");
    EXPECT_FALSE(again.HasKey("Evil", "X"));
}

TEST(ProfileTest, CrLfByteOrderMarkAndDeletes) {
    TempDir dir;
    ProfileFile p = Loaded(dir / "crlf.ini", "\xEF\xBB\xBF[S]\r\nA=1\r\n; note\r\n");
    EXPECT_EQ(p.GetInt("S", "A", 0), 1);
    p.WriteInt("S", "B", 2);
    ASSERT_TRUE(p.Flush());
    EXPECT_EQ(ReadFile(dir / "crlf.ini"), "\xEF\xBB\xBF[S]\r\nA=1\r\n; note\r\nB=2\r\n");

    ProfileFile d = Loaded(dir / "d.ini", "[A]\nK=1\nk=2\nJ=3\n[B]\nX=1\n[a]\nK=4\n");
    d.DeleteKey("a", "K");
    EXPECT_FALSE(d.HasKey("A", "K")); // every duplicate goes, none resurfaces
    EXPECT_TRUE(d.HasKey("A", "J"));
    d.DeleteSection("A");
    EXPECT_EQ(d.Text(), "[B]\nX=1\n");
}

TEST(ProfileTest, GarbageAndBinaryFilesGiveDefaultsAndNeverCrash) {
    TempDir dir;
    std::mt19937 random(7);
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(random() % 256);
    binary += std::string("\n[S]\0junk\nK=1\n", 14); // a section read up to its NUL
    ProfileFile p = Loaded(dir / "bin.ini", binary);
    EXPECT_EQ(p.GetInt("S", "K", 5), 1);
    EXPECT_TRUE(p.WriteInt("Advanced Settings", "File Launch", 1));
    ASSERT_TRUE(p.Flush());
    ProfileFile again(dir / "bin.ini");
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.GetInt("Advanced Settings", "File Launch", 0), 1);
    EXPECT_EQ(ReadFile(dir / "bin.ini").substr(0, binary.size()), binary); // nothing lost
}

// A line holding a NUL byte was kept unread, so a write of its key appended
// a second copy of the key. The line is read up to the NUL (as the Windows
// calls, which see C strings, read it) and a write replaces it.
TEST(ProfileTest, LineHoldingANulIsReadUpToItAndItsKeyNeverWrittenTwice) {
    TempDir dir;
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        int read;          // GetInt with default -1
        std::string after; // the file after writing 101 to the key
    } cases[] = {
        {"value with junk after a NUL", "[General]\nInitial Mode=106\0junk\nNext=1\n"s, "General",
         "Initial Mode", 106, "[General]\nInitial Mode=101\nNext=1\n"},
        {"NUL right after the value", "[General]\nMode=7\0\n"s, "general", "MODE", 7,
         "[General]\nMode=101\n"},
        {"section header with a NUL", "[Drive Settings]\0x\nTop=3\n"s, "Drive Settings", "Top", 3,
         "[Drive Settings]\0x\nTop=101\n"s},
        {"NUL inside the key: another key", "[S]\nIni\0tial=5\n"s, "S", "Initial", -1,
         "[S]\nIni\0tial=5\nInitial=101\n"s},
        {"NUL before the equals sign", "[S]\nK\0=5\n"s, "S", "K", -1, "[S]\nK\0=5\nK=101\n"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileFile p = Loaded(dir / "nul.ini", c.text);
        EXPECT_EQ(p.GetInt(c.section, c.key, -1), c.read);
        EXPECT_TRUE(p.WriteInt(c.section, c.key, 101));
        ASSERT_TRUE(p.Flush());
        EXPECT_EQ(ReadFile(dir / "nul.ini"), c.after);
        ProfileFile again = Loaded(dir / "nul.ini", c.after);
        EXPECT_EQ(again.GetInt(c.section, c.key, -1), 101);
    }
}

// A read-only settings file (a user's way to freeze the settings) was
// replaced by the atomic rename, which does not ask for write permission.
TEST(ProfileTest, ReadOnlyFileIsNeverReplaced) {
    TempDir dir;
    struct Case {
        const char* name;
        unsigned mode;
        bool throughLink;
        bool replaced;
    } cases[] = {
        {"read-only for everyone", 0444, false, false},
        {"owner may only read", 0400, false, false},
        {"read-only behind a link", 0444, true, false},
        {"writable by the group only", 0464, false, true},
        {"writable", 0644, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir / "frozen.ini", link = dir / "link.ini";
        ::unlink(file.c_str());
        ::unlink(link.c_str());
        WriteFile(file, "[S]\nA=old\n");
        ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
        if (c.throughLink) {
            ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
        }
        const std::string path = c.throughLink ? link : file;
        ProfileFile p(path);
        ASSERT_TRUE(p.Load());
        EXPECT_TRUE(p.WriteString("S", "A", "new"));
        SysError err;
        EXPECT_EQ(p.Flush(&err), c.replaced);
        EXPECT_EQ(p.ReadOnly(), !c.replaced);
        EXPECT_EQ(ReadFile(file), c.replaced ? "[S]\nA=new\n" : "[S]\nA=old\n");
        EXPECT_EQ(test::FileMode(file), c.mode);
        if (!c.replaced) {
            EXPECT_EQ(err.dosCode, kDosAccessDenied);
            EXPECT_NE(err.message.find("read-only"), std::string::npos) << err.message;
            EXPECT_TRUE(p.Dirty());
            EXPECT_FALSE(WritePrivateProfileString("S", "B", "1", path));
            EXPECT_EQ(ReadFile(file), "[S]\nA=old\n");
        }
        ::chmod(file.c_str(), 0644);
    }
}

TEST(ProfileTest, MissingFileIsEmptyAndUnreadableFileIsAnError) {
    TempDir dir;
    ProfileFile missing(dir / "none.ini");
    SysError err;
    EXPECT_TRUE(missing.Load(&err));
    EXPECT_TRUE(missing.Flush()); // clean: nothing written
    EXPECT_FALSE(test::FileExists(dir / "none.ini"));

    ::mkdir((dir / "adir").c_str(), 0755);
    ProfileFile directory(dir / "adir");
    EXPECT_FALSE(directory.Load(&err));
    EXPECT_NE(err.dosCode, 0);
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", dir / "adir", &err));
    EXPECT_EQ(GetPrivateProfileInt("S", "K", 3, dir / "adir"), 3);
}

struct ProfileFaultTest : ::testing::Test {
    void SetUp() override { fault::Reset(); }
    void TearDown() override { fault::Reset(); }
};

TEST_F(ProfileFaultTest, ManyWritesAreOneRewriteAndCleanFlushWritesNothing) {
    TempDir dir;
    ProfileFile p = Loaded(dir / "s.ini", "[S]\nKeep=1\n");
    for (int i = 0; i < 200; ++i)
        p.WriteInt("Section " + std::to_string(i % 7), "Key " + std::to_string(i), i);
    ASSERT_TRUE(p.Flush());
    EXPECT_EQ(fault::Calls(fault::Op::Rename), 1);
    EXPECT_TRUE(p.WriteInt("S", "Keep", 1)); // the same value: no change
    EXPECT_FALSE(p.Dirty());
    ASSERT_TRUE(p.Flush());
    EXPECT_EQ(fault::Calls(fault::Op::Rename), 1);
}

TEST_F(ProfileFaultTest, FailedFlushLeavesTheOldFileAndStaysDirty) {
    TempDir dir;
    ProfileFile p = Loaded(dir / "f.ini", "[S]\nA=old\n");
    p.WriteString("S", "A", "new");
    for (fault::Op op : {fault::Op::Open, fault::Op::Write, fault::Op::Fsync, fault::Op::Rename}) {
        fault::Reset();
        fault::Arm(op, 1, ENOSPC);
        SysError err;
        EXPECT_TRUE(FailedWith(p.Flush(&err), err, kDosDiskFull)) << static_cast<int>(op);
        EXPECT_TRUE(p.Dirty());
        EXPECT_EQ(ReadFile(dir / "f.ini"), "[S]\nA=old\n");
    }
    fault::Reset();
    ASSERT_TRUE(p.Flush());
    EXPECT_EQ(ReadFile(dir / "f.ini"), "[S]\nA=new\n");
}

// Random writes, deletes, flushes and reloads against a reference model.
TEST(ProfileTest, RandomOperationsAgreeWithAReferenceModel) {
    TempDir dir;
    const std::string path = dir / "model.ini";
    WriteFile(path, "; header comment\nstray line\n");
    ProfileFile p(path);
    ASSERT_TRUE(p.Load());
    std::map<std::string, std::map<std::string, std::string>> model; // lower-case names
    const char* sections[] = {"Alpha", "alpha", "Beta", "General", "Drive Map"};
    const char* keys[] = {"K", "k", "Window Top", "# of Drives", "x"};
    const char* values[] = {"1",      " two ", "'3'", "",      "\"4\"",
                            "five=5", "-6x",   "\"",  "=;[x]", "  padded  "};
    auto lower = [](std::string s) {
        for (char& ch : s)
            ch = static_cast<char>(std::tolower(ch));
        return s;
    };
    std::mt19937 random(1234);
    for (int step = 0; step < 1500; ++step) {
        std::string section = sections[random() % std::size(sections)];
        std::string key = keys[random() % std::size(keys)];
        switch (random() % 40) { // one flush and reload in 40 steps keeps fsyncs few
        case 0:
        case 1:
            p.DeleteKey(section, key);
            model[lower(section)].erase(lower(key));
            break;
        case 3:
            p.DeleteSection(section);
            model.erase(lower(section));
            break;
        case 4:
            ASSERT_TRUE(p.Flush());
            p = ProfileFile(path);
            ASSERT_TRUE(p.Load());
            break;
        default: {
            std::string value = values[random() % std::size(values)];
            ASSERT_TRUE(p.WriteString(section, key, value));
            model[lower(section)][lower(key)] = value;
        }
        }
        for (const char* s : sections)
            for (const char* k : keys) {
                auto sec = model.find(lower(s));
                bool present = sec != model.end() && sec->second.count(lower(k));
                ASSERT_EQ(p.GetString(s, k, "<none>"),
                          present ? sec->second.at(lower(k)) : "<none>")
                    << "step " << step << " " << s << "/" << k;
            }
    }
    ASSERT_TRUE(p.Flush());
    EXPECT_EQ(ReadFile(path).substr(0, 29), "; header comment\nstray line\n\n");
}

} // namespace
} // namespace vorlane::platform
