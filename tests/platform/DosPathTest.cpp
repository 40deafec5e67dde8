#include "platform/DosPath.h"

#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

using test::TempDir;

// True when text is well-formed UTF-8 (checked by a second, naive decoder).
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

bool HoldsDosForbidden(const std::string& name) {
    for (unsigned char c : name)
        if (c < 0x20 || std::string("\\:*?\"<>|/").find(static_cast<char>(c)) != std::string::npos)
            return true;
    return false;
}

struct DosPathFixture : ::testing::Test {
    TempDir dir;
    std::string c = dir / "c";
    DriveMap map;

    void SetUp() override {
        for (const char* sub : {"/c", "/c/DOCS", "/c/sub", "/d"})
            ::mkdir((dir.path() + sub).c_str(), 0755);
        test::WriteFile(c + "/DOCS/REPORT.TXT", "report");
        map.Set('C', c);
        map.Set('D', c + "/sub");
    }
    std::string ToHost(const std::string& dos, SysError* err = nullptr) {
        std::string host = "<unset>";
        if (!DosToHost(dos, &host, err, map))
            return "<failed>";
        return host;
    }
    std::string ToDos(const std::string& host, SysError* err = nullptr) {
        std::string dos = "<unset>";
        if (!HostToDos(host, &dos, err, map))
            return "<failed>";
        return dos;
    }
};

// An existing name of another case is found (the exact name, else the
// first in byte order); a new name keeps the case typed.
TEST_F(DosPathFixture, DosToHostFindsExistingCaseAndKeepsTypedCaseForNewNames) {
    test::WriteFile(c + "/Readme", "1");
    test::WriteFile(c + "/README", "2");
    struct Case {
        const char* dos;
        std::string host;
    } cases[] = {
        {"c:", c},
        {"c:\\docs\\report.txt", c + "/DOCS/REPORT.TXT"},
        {"C:\\Docs\\NewFile.Txt", c + "/DOCS/NewFile.Txt"},
        {"C:\\Missing\\docs\\Sub", c + "/Missing/docs/Sub"},
        {"C:\\DOCS\\..\\docs\\.\\Report.txt", c + "/DOCS/REPORT.TXT"},
        {"C:\\..\\..\\docs", c + "/DOCS"},
        {"C:/docs//report.txt", c + "/DOCS/REPORT.TXT"},
        {"C:\\docs\\report.txt\\below", c + "/DOCS/REPORT.TXT/below"},
        {"d:\\x", c + "/sub/x"},
        {"C:\\Readme", c + "/Readme"},
        {"C:\\readme", c + "/README"},
        {"C:\\rEADME", c + "/README"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(ToHost(k.dos), k.host) << k.dos;
}

// The spelling on the disk: existing components take the case found, the
// rest stay as typed, on the drive typed (not one whose root is longer).
TEST_F(DosPathFixture, DiskCaseDosPathSpellsExistingComponentsAsOnTheDisk) {
    test::WriteFile(c + "/README", "2");
    struct Case {
        const char* typed;
        const char* disk;
    } cases[] = {
        {"c:", "C:\\"},
        {"c:\\docs\\report.txt", "C:\\DOCS\\REPORT.TXT"},
        {"C:\\docs\\NewFile.Txt", "C:\\DOCS\\NewFile.Txt"},
        {"C:\\Missing\\docs", "C:\\Missing\\docs"},
        {"c:/docs//./x/../report.txt", "C:\\DOCS\\REPORT.TXT"},
        {"c:\\readme", "C:\\README"},
        {"c:\\sub\\x", "C:\\sub\\x"},
        {"d:\\x", "D:\\x"},
    };
    for (const Case& k : cases) {
        std::string disk;
        EXPECT_TRUE(DiskCaseDosPath(k.typed, &disk, nullptr, map)) << k.typed;
        EXPECT_EQ(disk, k.disk) << k.typed;
    }
    std::string disk;
    EXPECT_FALSE(DiskCaseDosPath("Q:\\x", &disk, nullptr, map));
}

// The search for another case lists the directory through the platform
// lister, so a directory that refuses listing is seen as such: the name
// keeps the case typed, as for a name that does not exist.
TEST_F(DosPathFixture, CaseSearchBypassedTheFaultSeam) {
    fault::Reset();
    fault::Arm(fault::Op::List, 1, EACCES, true);
    std::string host = ToHost("C:\\docs\\report.txt");
    fault::Reset();
    EXPECT_EQ(host, c + "/docs/report.txt");
    EXPECT_EQ(ToHost("C:\\docs\\report.txt"), c + "/DOCS/REPORT.TXT");
}

TEST_F(DosPathFixture, MalformedPathsAndUnmappedDrivesAreRefused) {
    struct Case {
        const char* dos;
        int code;
    } cases[] = {
        {"C", kDosInvalidName},
        {"C:DOCS", kDosInvalidName},
        {"\\\\server\\share", kDosInvalidName},
        {"C:\\a*b", kDosInvalidName},
        {"C:\\a|b\\c", kDosInvalidName},
        {"C:\\a\x01", kDosInvalidName},
        {"q:", kDosInvalidDrive},
    };
    for (const Case& k : cases) {
        SysError err;
        EXPECT_EQ(ToHost(k.dos, &err), "<failed>") << k.dos;
        EXPECT_EQ(err.dosCode, k.code) << k.dos;
    }
}

TEST_F(DosPathFixture, NamesTheHostAllowsSurviveTheRoundTripThroughRealFiles) {
    const std::string names[] = {
        "a:b",
        "tab\tname",
        "back\\sl",
        "\x01"
        "ctl",
        "latin\xE9",        // not UTF-8
        "pua\xEF\x80\xBA",  // already holds U+F03A
        "dot\xEF\x80\xAE.", // holds U+F02E, which must not become '.'
    };
    for (const std::string& name : names) {
        test::WriteFile(c + "/" + name, name);
        std::string dos = ToDos(c + "/" + name);
        ASSERT_NE(dos, "<failed>") << name;
        EXPECT_TRUE(IsUtf8(dos)) << name;
        EXPECT_FALSE(HoldsDosForbidden(dos.substr(3))) << name;
        EXPECT_EQ(ToHost(dos), c + "/" + name) << name;
        EXPECT_EQ(test::ReadFile(ToHost(dos)), name);
    }
    EXPECT_EQ(ToDos(c + "/a:b"), "C:\\a\xEF\x80\xBA"
                                 "b");                       // U+F03A
    EXPECT_EQ(ToDos(c + "/caf\xC3\xA9"), "C:\\caf\xC3\xA9"); // unchanged
}

TEST(DosNameTest, RandomHostNamesMapToValidDosNamesAndBackExactly) {
    std::mt19937 random(20240611);
    const std::string alphabet = std::string("aZ.:*?\"<>|\\\t\x01\x1f ") +
                                 "\xC3\xA9\xEF\x80\xBA\xE9\xFF\x80\xF0\x9F\x98\x80";
    for (int round = 0; round < 3000; ++round) {
        std::string name;
        int length = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i)
            name += alphabet[random() % alphabet.size()];
        std::string dos = HostNameToDos(name);
        ASSERT_TRUE(IsUtf8(dos)) << round;
        ASSERT_FALSE(HoldsDosForbidden(dos)) << round;
        ASSERT_EQ(DosNameToHost(dos), name) << round;
    }
}

TEST(DosNameTest, EscapesNeverBecomeSeparatorsDotsOrLetters) {
    // U+F02F ('/'), U+F02E ('.'), U+F000 (NUL) and U+F041 ('A') are kept as
    // they are: a DOS name cannot smuggle a separator or ".." into a host path.
    for (const std::string name :
         {"\xEF\x80\xAF", "\xEF\x80\xAE\xEF\x80\xAE", "\xEF\x80\x80", "\xEF\x81\x81"})
        EXPECT_EQ(DosNameToHost(name), name);
    TempDir dir;
    DriveMap map;
    map.Set('C', dir.path());
    std::string host;
    ASSERT_TRUE(DosToHost("C:\\\xEF\x80\xAE\xEF\x80\xAE\\\xEF\x80\xAF"
                          "etc",
                          &host, nullptr, map));
    EXPECT_EQ(host, dir.path() + "/\xEF\x80\xAE\xEF\x80\xAE/\xEF\x80\xAF"
                                 "etc");
}

TEST_F(DosPathFixture, OverLongHostPathsAreRefusedNeverTruncated) {
    const std::string name(200, 'n');
    std::string dos = "C:";
    std::string host = c;
    while (host.size() + 1 + name.size() <= kMaxHostPath) {
        dos += "\\" + name;
        host += "/" + name;
    }
    std::string fill(kMaxHostPath - host.size() - 1, 'f');
    EXPECT_EQ(ToHost(dos + "\\" + fill), host + "/" + fill); // exactly 4095 bytes
    EXPECT_EQ((host + "/" + fill).size(), kMaxHostPath);
    SysError err;
    EXPECT_EQ(ToHost(dos + "\\" + fill + "x", &err), "<failed>");
    EXPECT_EQ(err.dosCode, kDosFilenameExceedRange);
    EXPECT_EQ(ToDos(host + "/" + fill + "x", &err), "<failed>");
    EXPECT_EQ(err.dosCode, kDosFilenameExceedRange);
}

TEST_F(DosPathFixture, HostToDosUsesTheLongestRootOnComponentBoundaries) {
    map.Set('Z', "/");
    struct Case {
        std::string host;
        const char* dos;
    } cases[] = {
        {c + "/", "C:\\"},
        {c + "/sub", "D:\\"},
        {c + "/sub/x/y", "D:\\x\\y"},
        {c + "/subway", "C:\\subway"},
        {c + "//DOCS/./x/../REPORT.TXT", "C:\\DOCS\\REPORT.TXT"},
        {"/etc/passwd", "Z:\\etc\\passwd"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(ToDos(k.host), k.dos) << k.host;

    map.Clear('Z');
    SysError err;
    EXPECT_EQ(ToDos("/etc", &err), "<failed>");
    EXPECT_EQ(err.dosCode, kDosInvalidDrive);
    EXPECT_EQ(ToDos("relative/path", &err), "<failed>");
    EXPECT_EQ(err.dosCode, kDosInvalidName);
}

TEST_F(DosPathFixture, HostToDosFindsADriveReachedThroughALink) {
    ASSERT_EQ(::symlink(c.c_str(), (dir / "link").c_str()), 0);
    map.Set('C', dir / "link");
    map.Clear('D');
    EXPECT_EQ(ToDos(c + "/DOCS/new name"), "C:\\DOCS\\new name");
    EXPECT_EQ(ToDos(dir / "link/DOCS"), "C:\\DOCS");
}

} // namespace
} // namespace vorlane::platform
