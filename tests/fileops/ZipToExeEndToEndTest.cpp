// Self-extractors built with the real loader (vorlnsfx, built beside this
// test program) and run: Info-ZIP's unzip and zipinfo read them, they
// extract every member byte for byte, and hostile archives are refused
// without a byte written outside the extraction directory. The Windows
// loader (vorlnsfx.exe, built when MinGW-w64 is installed) is checked the
// same way under Wine when Wine is installed.
#include "fileops/ZipToExe.h"

#include "platform/ProgramDirs.h"
#include "support/TestSupport.h"
#include "support/ZipFixture.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipEngine.h"
#include "zip/ZipTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vorlane::fileops {
namespace {

using zip::test::HandZip;

class ZipToExeEndToEndTest : public test::ZipTest {
  protected:
    void SetUp() override {
        if (std::system("command -v unzip >/dev/null 2>&1 && command -v zipinfo >/dev/null 2>&1"))
            GTEST_SKIP() << "unzip and zipinfo are not installed (scripts/install-deps installs "
                            "them): the self-extractor tests need them";
        if (FindSfxStub(platform::ProgramDirectory()).empty())
            GTEST_SKIP() << "the loader vorlnsfx is not built beside the test program";
    }

    void TearDown() override {
        // The Wine server of the test's own prefix, which outlives a run
        // by a few seconds.
        if (m_wine)
            std::system((WineEnvironment() + " wineserver -k >/dev/null 2>&1").c_str());
    }

    // Builds C:\<name>.EXE from C:\<name>.ZIP with the real loader.
    bool Build(const std::string& name, const std::string& readme = "",
               SfxTarget target = SfxTarget::Linux) {
        ZipToExeParameters p;
        p.zipPath = "C:\\" + name + ".ZIP";
        p.companyName = "Vorlane Test Company";
        p.extractionDirectory = "/nonexistent/default";
        p.startupFile = readme;
        p.target = target;
        return BuildZipToExe(Context(), p);
    }
    // Wine with a prefix and home of its own in the test's directory, no
    // display, and neither Mono nor Gecko offered.
    std::string WineEnvironment() const {
        return "env -u DISPLAY -u WAYLAND_DISPLAY HOME='" + std::string(m_temp / "winehome") +
               "' WINEPREFIX='" + std::string(m_temp / "wineprefix") +
               "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='";
    }
    // Why a Windows test cannot run ("" when it can): the Windows loader
    // is not built, or (with wine) Wine is not installed. With wine the
    // self-extractors run under Wine from then on.
    std::string WindowsSkipReason(bool wine) {
        if (FindSfxStub(platform::ProgramDirectory(), SfxTarget::Windows).empty())
            return "the Windows loader vorlnsfx.exe is not built (it needs "
                   "x86_64-w64-mingw32-gcc and libz-mingw-w64-dev when CMake runs)";
        if (wine && std::system("command -v wine >/dev/null 2>&1 && "
                                "command -v wineserver >/dev/null 2>&1") != 0)
            return "wine is not installed: the Windows self-extractor is not run";
        m_wine = wine;
        return "";
    }
    // Runs a built self-extractor in the drive's root with arguments (under
    // Wine after NeedWindowsLoader(true)); stdin is empty; its output lands
    // in *output. Returns the exit status.
    int RunSfx(const std::string& name, const std::string& args, std::string* output = nullptr) {
        const std::string log = m_temp / "sfx.out";
        const std::string runner = m_wine ? WineEnvironment() + " wine " : "";
        const std::string command = "cd '" + m_root + "' && " + runner + "'./" + name + ".EXE' " +
                                    args + " </dev/null >'" + log + "' 2>&1";
        const int status = std::system(command.c_str());
        if (output)
            *output = test::ReadFile(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Every regular file below dir with its bytes, by relative path.
    std::vector<std::pair<std::string, std::string>> Tree(const std::string& dir,
                                                          const std::string& under = "") {
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string& name : test::ListDir(dir)) {
            const std::string path = dir + "/" + name;
            struct stat st;
            EXPECT_EQ(::lstat(path.c_str(), &st), 0);
            if (S_ISDIR(st.st_mode)) {
                for (auto& entry : Tree(path, under + name + "/"))
                    files.push_back(std::move(entry));
            } else {
                files.emplace_back(under + name, test::ReadFile(path));
            }
        }
        return files;
    }

    // A hostile archive: what goes into it beside "good.txt", and whether
    // the loader refuses it before it writes anything.
    struct HostileCase {
        const char* name;
        std::function<void(HandZip&)> add;
        bool checkedFirst;
    };
    // Builds the case's self-extractor for target and runs it into BOX/out,
    // where "escape" is a link to BOX/outside: the run must fail (with
    // exitCode when given) and write nothing but "good.txt" (when the
    // refusal comes after it) into BOX/out, and nothing outside it.
    void ExpectRefusedInside(const HostileCase& c, SfxTarget target,
                             std::optional<int> exitCode = std::nullopt) {
        SCOPED_TRACE(c.name);
        std::system(("rm -rf '" + Host("BOX") + "' '" + Host("HOSTILE.EXE") + "'").c_str());
        MakeDir("BOX/out");
        MakeDir("BOX/outside");
        ASSERT_EQ(::symlink("../outside", Host("BOX/out/escape").c_str()), 0);
        HandZip zip;
        zip.Add("good.txt", "good");
        c.add(zip);
        test::WriteFile(Host("HOSTILE.ZIP"), zip.Build());
        m_ui.Reset();
        ASSERT_TRUE(Build("HOSTILE", "", target));
        std::string output;
        const int status = RunSfx("HOSTILE", "-d BOX/out -y", &output);
        if (exitCode) {
            EXPECT_EQ(status, *exitCode) << output;
        } else {
            EXPECT_NE(status, 0) << output;
        }
        EXPECT_NE(output.find("vorlnsfx: "), std::string::npos) << output;
        EXPECT_EQ(test::ListDir(Host("BOX")), (std::vector<std::string>{"out", "outside"}));
        EXPECT_TRUE(test::ListDir(Host("BOX/outside")).empty());
        EXPECT_EQ(test::ListDir(m_root),
                  (std::vector<std::string>{"BOX", "HOSTILE.EXE", "HOSTILE.ZIP"}));
        std::vector<std::string> expected = {"escape"};
        if (!c.checkedFirst)
            expected.push_back("good.txt");
        EXPECT_EQ(test::ListDir(Host("BOX/out")), expected);
    }

    bool m_wine = false;
};

TEST_F(ZipToExeEndToEndTest, SelfExtractorsPassUnzipAndExtractEveryMember) {
    MakeFile("SRC/README.TXT", "Read me first.\nSecond line \x1b[31m escaped.\n");
    MakeFile("SRC/empty.txt", "");
    MakeFile("SRC/text/long.txt", std::string(200000, 'v') + "end");
    MakeFile("SRC/bin/random.bin", test::RandomBytes(150000));
    MakeFile("SRC/bin/deep/er/x.dat", "x");

    struct Maker {
        const char* name;
        std::function<void()> make;
    } makers[] = {
        {"INFOZIP", [&] { Zip("-r ../INFOZIP.ZIP .", "SRC"); }},
        {"VORLANE",
         [&] {
             zip::CZipFileOperation op(Context());
             ASSERT_EQ(op.OpenOrCreate("C:\\VORLANE.ZIP", true), zip::kOpened);
             ASSERT_TRUE(
                 op.AddFiles(zip::kZipAdd, "C:\\SRC\\*.*", zip::kStoreRelativePaths, false, true))
                 << op.ZipErrorText();
         }},
    };
    const auto source = Tree(Host("SRC"));
    for (const Maker& maker : makers) {
        SCOPED_TRACE(maker.name);
        const std::string name = maker.name;
        maker.make();
        const std::string zipBytes = test::ReadFile(Host(name + ".ZIP"));
        m_ui.Reset();
        ASSERT_TRUE(Build(name, "README.TXT")) << (m_ui.Texts().empty() ? "" : m_ui.Texts()[0]);
        EXPECT_EQ(test::ReadFile(Host(name + ".ZIP")), zipBytes);
        // Info-ZIP reads it as a zip with a prefix and finds no offset to correct.
        EXPECT_EQ(Run("unzip -tq " + name + ".EXE"), 0);
        EXPECT_EQ(Run("zipinfo " + name + ".EXE"), 0);
        EXPECT_EQ(Run("unzip -tq " + name + ".EXE 2>&1 | grep -q 'extra bytes'"), 256)
            << "unzip had to correct the offsets";

        std::string output;
        EXPECT_EQ(RunSfx(name, "--test", &output), 0) << output;
        EXPECT_EQ(RunSfx(name, "-d OUT" + name + " -y", &output), 0) << output;
        EXPECT_EQ(Tree(Host("OUT" + name)), source);
        // The company text first, the start-up file last, its escape
        // character shown harmless.
        EXPECT_EQ(output.rfind("Vorlane Test Company\n", 0), 0u) << output;
        EXPECT_NE(output.find("Read me first.\nSecond line ?[31m escaped.\n"), std::string::npos)
            << output;

        // Run again without -y and nothing to answer with: every existing
        // file is kept.
        test::WriteFile(Host("OUT" + name + "/README.TXT"), "changed");
        EXPECT_EQ(RunSfx(name, "-d OUT" + name, &output), 0) << output;
        EXPECT_EQ(test::ReadFile(Host("OUT" + name + "/README.TXT")), "changed");
        EXPECT_EQ(RunSfx(name, "-d OUT" + name + " -y", &output), 0) << output;
        EXPECT_EQ(Tree(Host("OUT" + name)), source);
    }
}

TEST_F(ZipToExeEndToEndTest, HostileSelfExtractorsAreRefusedWithoutWritingOutside) {
    const HostileCase cases[] = {
        {"leading slash", [](HandZip& z) { z.Add("/BOX/evil.txt", "x"); }, true},
        {"drive letter", [](HandZip& z) { z.Add("C:evil.txt", "x"); }, true},
        {"dot dot", [](HandZip& z) { z.Add("../evil.txt", "x"); }, true},
        {"backslash dot dot", [](HandZip& z) { z.Add("..\\evil.txt", "x"); }, true},
        {"dot dot inside", [](HandZip& z) { z.Add("a/../../evil.txt", "x"); }, true},
        {"symbolic link",
         [](HandZip& z) {
             z.Add("link", "..").externalAttributes = zip::test::UnixAttributes(0120777);
         },
         true},
        {"overlapping members", [](HandZip& z) { z.Add("twin.txt", "good").localOffset = 0; },
         true},
        {"inflates past its size",
         [](HandZip& z) {
             z.Add("bomb.bin", std::string(1 << 20, '\0'), true).uncompressedSize = 10;
         },
         false},
        {"CRC mismatch",
         [](HandZip& z) { z.Add("crc.txt", std::string(5000, 'p'), true).crc ^= 1; }, false},
        // A link already in the destination is never followed.
        {"through a link in the destination", [](HandZip& z) { z.Add("escape/evil.txt", "x"); },
         false},
    };
    for (const HostileCase& c : cases)
        ExpectRefusedInside(c, SfxTarget::Linux);
}

TEST_F(ZipToExeEndToEndTest, WindowsSelfExtractorsAreZipFilesWithAPeHeader) {
    if (const std::string why = WindowsSkipReason(false); !why.empty())
        GTEST_SKIP() << why;
    MakeFile("SRC/README.TXT", "Read me.\n");
    MakeFile("SRC/bin/random.bin", test::RandomBytes(50000));
    Zip("-r ../WIN.ZIP .", "SRC");
    ASSERT_TRUE(Build("WIN", "README.TXT", SfxTarget::Windows))
        << (m_ui.Texts().empty() ? "" : m_ui.Texts()[0]);
    EXPECT_EQ(Run("unzip -tq WIN.EXE"), 0);
    EXPECT_EQ(Run("unzip -tq WIN.EXE 2>&1 | grep -q 'extra bytes'"), 256)
        << "unzip had to correct the offsets";

    // The DOS header's "MZ", and at the offset it gives, the PE signature;
    // the slots filled in the program's data.
    const std::string exe = test::ReadFile(Host("WIN.EXE"));
    ASSERT_GT(exe.size(), 0x40u);
    EXPECT_EQ(exe.substr(0, 2), "MZ");
    uint32_t pe = 0;
    for (int i = 3; i >= 0; --i)
        pe = (pe << 8) | static_cast<unsigned char>(exe[0x3C + i]);
    ASSERT_LT(pe, exe.size() - 4);
    EXPECT_EQ(exe.substr(pe, 4), std::string("PE\0\0", 4));
    EXPECT_NE(exe.find("Vorlane Test Company    "), std::string::npos);
    EXPECT_EQ(exe.find("[Register"), std::string::npos);
    struct stat st;
    ASSERT_EQ(::stat(Host("WIN.EXE").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u);
}

TEST_F(ZipToExeEndToEndTest, WindowsSelfExtractorsExtractEveryMemberUnderWine) {
    if (const std::string why = WindowsSkipReason(true); !why.empty())
        GTEST_SKIP() << why;
    MakeFile("SRC/README.TXT", "Read me first.\n");
    MakeFile("SRC/empty.txt", "");
    MakeFile("SRC/bin/random.bin", test::RandomBytes(150000));
    MakeFile("SRC/bin/deep/er/x.dat", "x");
    Zip("-r ../TREE.ZIP .", "SRC");
    const auto source = Tree(Host("SRC"));
    ASSERT_TRUE(Build("TREE", "README.TXT", SfxTarget::Windows));
    std::string output;
    EXPECT_EQ(RunSfx("TREE", "--test", &output), 0) << output;
    EXPECT_EQ(RunSfx("TREE", "-d OUT -y", &output), 0) << output;
    EXPECT_EQ(Tree(Host("OUT")), source);
    EXPECT_NE(output.find("Read me first."), std::string::npos) << output;

    // Without -y and nothing to answer with, an existing file is kept;
    // with -y it is replaced.
    test::WriteFile(Host("OUT/README.TXT"), "changed");
    EXPECT_EQ(RunSfx("TREE", "-d OUT", &output), 0) << output;
    EXPECT_EQ(test::ReadFile(Host("OUT/README.TXT")), "changed");
    EXPECT_EQ(RunSfx("TREE", "-d OUT -y", &output), 0) << output;
    EXPECT_EQ(Tree(Host("OUT")), source);
    EXPECT_EQ(test::ListDir(Host("OUT")), test::ListDir(Host("SRC"))) << "a temporary file is left";

    // A name without the UTF-8 flag is CP437, one with it UTF-8; Wine
    // writes the UTF-16 names back to Linux as UTF-8.
    HandZip names;
    names.Add("caf\x82/\x81"
              "ber.txt",
              "cp437");
    names.Add("na\xc3\xafve/\xe2\x82\xac.txt", "utf8").flags = 0x800;
    test::WriteFile(Host("NAMES.ZIP"), names.Build());
    ASSERT_TRUE(Build("NAMES", "", SfxTarget::Windows));
    EXPECT_EQ(RunSfx("NAMES", "-d NAMESOUT -y", &output), 0) << output;
    EXPECT_EQ(Tree(Host("NAMESOUT")), (std::vector<std::pair<std::string, std::string>>{
                                          {"caf\xc3\xa9/\xc3\xbc"
                                           "ber.txt",
                                           "cp437"},
                                          {"na\xc3\xafve/\xe2\x82\xac.txt", "utf8"}}));
}

// Besides what every loader refuses, names Windows would read as
// something else (a stream, a device, a name that loses its last dot) are
// refused before a byte is written; a damaged member is removed; a link in
// the destination (a plain directory to Wine, but resolved elsewhere) is
// not followed.
TEST_F(ZipToExeEndToEndTest, WindowsSelfExtractorsRefuseNamesWindowsWouldMisread) {
    if (const std::string why = WindowsSkipReason(true); !why.empty())
        GTEST_SKIP() << why;
    const HostileCase cases[] = {
        {"drive letter", [](HandZip& z) { z.Add("C:evil.txt", "x"); }, true},
        {"backslash dot dot", [](HandZip& z) { z.Add("sub\\..\\..\\evil.txt", "x"); }, true},
        {"UNC path", [](HandZip& z) { z.Add("\\\\server\\share\\evil.txt", "x"); }, true},
        {"alternate data stream", [](HandZip& z) { z.Add("good.txt:hidden", "x"); }, true},
        {"device name", [](HandZip& z) { z.Add("sub/CON.txt", "x"); }, true},
        {"device name with a blank", [](HandZip& z) { z.Add("lpt1 .log", "x"); }, true},
        {"trailing dot", [](HandZip& z) { z.Add("dir./evil.txt", "x"); }, true},
        {"trailing blank", [](HandZip& z) { z.Add("evil.txt ", "x"); }, true},
        {"wildcard", [](HandZip& z) { z.Add("what?.txt", "x"); }, true},
        {"control character", [](HandZip& z) { z.Add("bell\x07.txt", "x"); }, true},
        {"flagged UTF-8 that is not", [](HandZip& z) { z.Add("\xff\xfe.txt", "x").flags = 0x800; },
         true},
        {"CRC mismatch",
         [](HandZip& z) { z.Add("crc.txt", std::string(5000, 'p'), true).crc ^= 1; }, false},
        {"inflates past its size",
         [](HandZip& z) {
             z.Add("bomb.bin", std::string(1 << 20, '\0'), true).uncompressedSize = 10;
         },
         false},
        {"through a link in the destination", [](HandZip& z) { z.Add("escape/evil.txt", "x"); },
         false},
    };
    for (const HostileCase& c : cases)
        ExpectRefusedInside(c, SfxTarget::Windows, c.checkedFirst ? 2 : 3);
}

} // namespace
} // namespace vorlane::fileops
