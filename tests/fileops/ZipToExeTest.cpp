#include "fileops/ZipToExe.h"

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "support/TestSupport.h"
#include "support/ZipFixture.h"
#include "zip/ZipTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane::fileops {
namespace {

using platform::fault::Arm;
using platform::fault::Op;
using zip::test::HandZip;

constexpr uint32_t kLocal = 0x04034b50;
constexpr uint32_t kCentral = 0x02014b50;

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}
uint16_t Le16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                 (static_cast<unsigned char>(bytes.at(at + 1)) << 8));
}

// Checks what a reader of a self-extractor relies on: the end record's
// directory offset and every member's local header offset count from the
// start of the whole file.
void ExpectOffsetsFromFileStart(const std::string& file) {
    const size_t end = file.rfind(std::string("PK\5\6", 4));
    ASSERT_NE(end, std::string::npos);
    size_t header = Le32(file, end + 16);
    ASSERT_EQ(Le32(file, header), kCentral);
    for (uint16_t i = 0; i < Le16(file, end + 10); ++i) {
        ASSERT_EQ(Le32(file, header), kCentral) << "entry " << i;
        EXPECT_EQ(Le32(file, Le32(file, header + 42)), kLocal) << "entry " << i;
        header += 46 + Le16(file, header + 28) + Le16(file, header + 30) + Le16(file, header + 32);
    }
    EXPECT_EQ(header, end);
}

// A small stand-in for the loader: its three slots, and the local header
// signature in its "code" as the real one has it.
std::string FakeStub() {
    return std::string("\x7f"
                       "ELF code PK\3\4 more code ") +
           "[Register" + std::string(20, ' ') + "] data [UnzipPath" + std::string(30, ' ') +
           "] [ReadmeFile" + std::string(10, ' ') + "] tail";
}

TEST(ZipToExeNamesTest, OutputNamesAndSlotFilling) {
    const std::vector<std::pair<const char*, std::optional<std::string>>> names = {
        {"C:\\DOCS\\SET.ZIP", "C:\\DOCS\\SET.EXE"},
        {"C:\\DOCS\\set.zip", "C:\\DOCS\\set.EXE"},
        {"C:\\DOCS\\a.b.zip", "C:\\DOCS\\a.b.EXE"},
        {"C:\\DOCS\\SETUP", std::nullopt},
        // The directory has a '.', the file name none.
        {"C:\\MY.DIR\\SETUP", std::nullopt},
    };
    for (const auto& [zip, exe] : names)
        EXPECT_EQ(ZipToExeOutputPath(zip), exe) << zip;

    // The slot "[Register...]" is 13 bytes: text cut or padded to that,
    // brackets included, so a filled slot cannot be found again.
    struct Case {
        std::string text;
        std::string slot;
    } cases[] = {
        {"ACME", "ACME         "},
        {"A very long company name", "A very long c"},
        {"", "             "},
        {"thirteen char", "thirteen char"},
    };
    for (const Case& c : cases) {
        std::string stub = "ab[Reg][Register...]cd]";
        ASSERT_TRUE(FillSlot(stub, "Register", c.text)) << c.text;
        EXPECT_EQ(stub, "ab[Reg]" + c.slot + "cd]") << c.text;
        EXPECT_FALSE(FillSlot(stub, "Register", "again"));
    }
    std::string unclosed = "[UnzipPath   ";
    EXPECT_FALSE(FillSlot(unclosed, "UnzipPath", "x"));
    std::string other = "[ReadmeFile  ]";
    EXPECT_FALSE(FillSlot(other, "Register", "x"));
}

class ZipToExeTest : public test::ZipTest {
  protected:
    ZipToExeTest() {
        MakeDir("STUB");
        test::WriteFile(Host("STUB/VORLNSFX.DLL"), FakeStub());
    }

    // Runs the header update over bytes; the file's bytes afterwards.
    std::string Update(const std::string& bytes, std::optional<uint64_t> start, bool* ok,
                       std::string* error, bool* changed = nullptr) {
        const std::string path = Host("update.bin");
        test::WriteFile(path, bytes);
        platform::File file;
        EXPECT_TRUE(file.Open(path, platform::kOpenReadWrite));
        *ok = UpdateZipHeaders(file, "C:\\update.bin", start, error, changed);
        file.Close();
        return test::ReadFile(path);
    }

    ZipToExeParameters Parameters(const std::string& zip) {
        ZipToExeParameters p;
        p.zipPath = zip;
        p.companyName = "ACME";
        p.extractionDirectory = "/tmp/acme";
        p.startupFile = "README.TXT";
        p.stubDirectory = Host("STUB");
        return p;
    }

    // Nothing but the archive (unchanged) and what the test put there is in
    // the archive's folder: no output, no temporary file.
    void ExpectNoOutput(const std::string& zipBytes) {
        EXPECT_EQ(test::ReadFile(Host("OUT/SET.ZIP")), zipBytes);
        EXPECT_EQ(test::ListDir(Host("OUT")), std::vector<std::string>{"SET.ZIP"});
    }
};

TEST_F(ZipToExeTest, HeaderUpdateMovesOffsetsOrRefusesWithTheText) {
    HandZip plain;
    plain.Add("README.TXT", "read me");
    plain.Add("data.bin", std::string(3000, 'd'), true);
    plain.Add("dir/more.txt", "more");
    plain.comment = "a comment";
    const std::string zip = plain.Build();
    const std::string stub = FakeStub(); // holds "PK\3\4"
    const std::string prefix = "MZ a stub without the signature ";

    auto withDisk = [&](uint16_t disk) {
        HandZip z = plain;
        z.diskNumber = disk;
        return z.Build();
    };
    auto zip64 = [&]() {
        HandZip z = plain;
        z.zip64End = true;
        return z.Build();
    };
    // The first central header's name length made 0xFFFF: read as a signed
    // value it would walk backwards; here it runs past the directory.
    auto longName = [&]() {
        std::string z = zip;
        const size_t header = z.find(std::string("PK\1\2", 4));
        z[header + 28] = '\xFF';
        z[header + 29] = '\xFF';
        return z;
    };
    auto noComment = [&]() {
        HandZip z = plain;
        z.comment.clear();
        return z.Build();
    };
    auto moreEntries = [&]() {
        HandZip z = plain;
        z.entryCount = 9;
        return z.Build();
    };

    const char* notFound = "Could not find an embedded zip file in 'C:\\update.bin'!";
    const char* corrupt = "Embedded zip file in 'C:\\update.bin' is corrupt!";
    const char* zip64Text = "'C:\\update.bin' is a ZIP64 archive (or would need ZIP64 offsets): "
                            "it cannot be made into a self-extracting program!";
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<uint64_t> start;
        const char* error; // null: succeeds
        bool changes;
    } cases[] = {
        {"plain zip", zip, std::nullopt, nullptr, false},
        {"stub before the zip", prefix + zip, std::nullopt, nullptr, true},
        {"stub holding the signature, start known", stub + zip, stub.size(), nullptr, true},
        {"no end record", prefix + "no zip here at all, only text", std::nullopt, notFound, false},
        {"end record but no local header", std::string("PK\5\6") + std::string(18, '\0'),
         std::nullopt, corrupt, false},
        {"disk 2", prefix + withDisk(2), std::nullopt, "Multi-volume ZIP files are not supported!",
         false},
        {"disk 1", prefix + withDisk(1), std::nullopt, "Multi-volume ZIP files are not supported!",
         false},
        {"ZIP64 records", prefix + zip64(), std::nullopt, zip64Text, false},
        {"name length past the directory", prefix + longName(), std::nullopt, corrupt, false},
        {"more entries than the directory holds", prefix + moreEntries(), std::nullopt, corrupt,
         false},
        {"directory offset past the end", prefix + test::PointPastEnd(noComment()), std::nullopt,
         corrupt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = false, changed = false;
        std::string error;
        const std::string after = Update(c.bytes, c.start, &ok, &error, &changed);
        EXPECT_EQ(ok, c.error == nullptr) << error;
        if (c.error) {
            EXPECT_EQ(error, c.error);
        }
        EXPECT_EQ(changed, c.changes);
        if (!c.changes) {
            EXPECT_EQ(after, c.bytes);
        } else {
            ExpectOffsetsFromFileStart(after);
            // Converted once, the file is left byte-identical by a second
            // update, with or without the start given.
            bool again = false;
            const std::string twice = Update(after, std::nullopt, &again, &error, &changed);
            EXPECT_TRUE(again);
            EXPECT_FALSE(changed);
            EXPECT_EQ(twice, after);
            Update(after, c.bytes.size() - zip.size(), &again, &error, &changed);
            EXPECT_TRUE(again);
            EXPECT_FALSE(changed);
        }
    }
}

// The update on a path: a self-extractor made by concatenation is put
// right once; a failure is shown with the path.
TEST_F(ZipToExeTest, UpdateHeadersOnAPathShowsItsFailure) {
    HandZip z;
    z.Add("a.txt", "a");
    const std::string joined = "stub code " + z.Build();
    test::WriteFile(Host("JOINED.EXE"), joined);
    EXPECT_TRUE(UpdateHeaders(Context(), "C:\\JOINED.EXE"));
    ExpectOffsetsFromFileStart(test::ReadFile(Host("JOINED.EXE")));
    EXPECT_TRUE(m_ui.Texts().empty());
    test::WriteFile(Host("TEXT.EXE"), "no archive here");
    EXPECT_FALSE(UpdateHeaders(Context(), "C:\\TEXT.EXE"));
    EXPECT_FALSE(UpdateHeaders(Context(), "C:\\MISSING.EXE"));
    EXPECT_EQ(m_ui.Texts(), (std::vector<std::string>{
                                "Could not find an embedded zip file in 'C:\\TEXT.EXE'!",
                                "Could not find an embedded zip file in 'C:\\MISSING.EXE'!"}));
}

// Hostile archives of the zip tests go through the header update without
// a read or write outside the file: each is adjusted or refused.
TEST_F(ZipToExeTest, HostileArchivesAreAdjustedOrRefusedWithinTheFile) {
    std::vector<std::function<void(HandZip&)>> hostile = {
        [](HandZip& z) { z.Add("../evil.txt", "x"); },
        [](HandZip& z) { z.Add("/abs.txt", "x"); },
        [](HandZip& z) {
            z.Add("link", "..").externalAttributes = zip::test::UnixAttributes(0120777);
        },
        [](HandZip& z) {
            z.Add("bomb.bin", std::string(1 << 16, '\0'), true).uncompressedSize = 10;
        },
        [](HandZip& z) { z.Add("overlap.txt", "x").localOffset = 0; },
        [](HandZip& z) { z.Add("far.txt", "x").localOffset = 0xFFFFFFF0; },
    };
    for (size_t i = 0; i < hostile.size(); ++i) {
        SCOPED_TRACE(i);
        HandZip z;
        z.Add("good.txt", "good");
        hostile[i](z);
        const std::string bytes = FakeStub() + z.Build();
        bool ok = false, changed = false;
        std::string error;
        const std::string after = Update(bytes, FakeStub().size(), &ok, &error, &changed);
        EXPECT_EQ(after.size(), bytes.size());
        if (!ok) {
            EXPECT_EQ(after, bytes);
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST_F(ZipToExeTest, BuildWritesTheFilledStubAndTheAdjustedArchive) {
    MakeDir("OUT");
    MakeArchive("OUT/SET.ZIP", {"README.TXT", "sub/a.txt", "sub/b.txt"});
    const std::string zipBytes = test::ReadFile(Host("OUT/SET.ZIP"));
    ui::ChangeRecorder notices;
    const ui::OperationContext context = Context().WithNotices(notices);
    const mode_t mask = ::umask(022);
    ::umask(mask);

    std::string output;
    ASSERT_TRUE(BuildZipToExe(context, Parameters("C:\\OUT\\SET.ZIP"), &output));
    EXPECT_EQ(output, "C:\\OUT\\SET.EXE");
    const std::string made = test::ReadFile(Host("OUT/SET.EXE"));
    std::string stub = FakeStub();
    ASSERT_TRUE(FillSlot(stub, "Register", "ACME"));
    ASSERT_TRUE(FillSlot(stub, "UnzipPath", "/tmp/acme"));
    ASSERT_TRUE(FillSlot(stub, "ReadmeFile", "README.TXT"));
    ASSERT_EQ(made.size(), stub.size() + zipBytes.size());
    EXPECT_EQ(made.substr(0, stub.size()), stub);
    ExpectOffsetsFromFileStart(made);
    EXPECT_EQ(Run("unzip -tq OUT/SET.EXE"), 0);
    EXPECT_EQ(test::ReadFile(Host("OUT/SET.ZIP")), zipBytes);
    struct stat st;
    ASSERT_EQ(::stat(Host("OUT/SET.EXE").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755 & ~mask);

    EXPECT_EQ(notices.Descriptions(), std::vector<std::string>{"Added C:\\OUT\\SET.EXE"});
    ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
    const ui::StatusLog& log = *m_ui.StatusWindows()[0];
    EXPECT_EQ(log.caption, "Converting Zip 'C:\\OUT\\SET.EXE' to EXE");
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::CurrentMessage),
              (std::vector<std::string>{"Reading 'VORLNSFX.DLL' program into memory...",
                                        "Writing 'VORLNSFX.DLL' program ...",
                                        "Appending zip file to 'C:\\OUT\\SET.EXE'...",
                                        "Updating zip file headers in 'C:\\OUT\\SET.EXE'..."}));
    EXPECT_TRUE(log.destroyed);
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].text, "'C:\\OUT\\SET.EXE' created successfully!");
    EXPECT_EQ(m_ui.Shown()[0].caption, "Success!");

    // A second build replaces the program through a rename; the stub is
    // also found under the build's own name.
    ::rename(Host("STUB/VORLNSFX.DLL").c_str(), Host("STUB/vorlnsfx").c_str());
    ASSERT_TRUE(BuildZipToExe(context, Parameters("C:\\OUT\\SET.ZIP")));
    EXPECT_EQ(test::ReadFile(Host("OUT/SET.EXE")), made);
    EXPECT_EQ(notices.Descriptions().back(), "Changed C:\\OUT\\SET.EXE");
    EXPECT_EQ(test::ListDir(Host("OUT")), (std::vector<std::string>{"SET.EXE", "SET.ZIP"}));
}

// Each target takes its own loader (never the other's), names it in the
// status texts, and only the Linux program is made executable; a build
// for the other target replaces the program.
TEST_F(ZipToExeTest, EachTargetTakesItsOwnLoader) {
    MakeDir("OUT");
    MakeArchive("OUT/SET.ZIP", {"README.TXT"});
    const std::string windowsStub = "MZ windows code [Register    ] [UnzipPath     ] "
                                    "[ReadmeFile        ] end";
    test::WriteFile(Host("STUB/vorlnsfx.exe"), windowsStub);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct Case {
        SfxTarget target;
        std::string stub;
        const char* name;
        mode_t mode;
    } cases[] = {
        {SfxTarget::Windows, windowsStub, "vorlnsfx.exe", 0644},
        {SfxTarget::Linux, FakeStub(), "VORLNSFX.DLL", 0755},
        {SfxTarget::Windows, windowsStub, "vorlnsfx.exe", 0644},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Reset();
        ZipToExeParameters p = Parameters("C:\\OUT\\SET.ZIP");
        p.target = c.target;
        EXPECT_EQ(FindSfxStub(Host("STUB"), c.target), Host("STUB/") + c.name);
        ASSERT_TRUE(BuildZipToExe(Context(), p));
        const std::string made = test::ReadFile(Host("OUT/SET.EXE"));
        EXPECT_EQ(made.substr(0, 2), c.stub.substr(0, 2));
        EXPECT_EQ(made.size(), c.stub.size() + test::ReadFile(Host("OUT/SET.ZIP")).size());
        ExpectOffsetsFromFileStart(made);
        struct stat st;
        ASSERT_EQ(::stat(Host("OUT/SET.EXE").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.mode & ~mask);
        ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
        EXPECT_EQ(m_ui.StatusWindows()[0]->Texts(ui::StatusLog::Call::CurrentMessage)[0],
                  std::string("Reading '") + c.name + "' program into memory...");
    }
}

TEST_F(ZipToExeTest, FailuresShowTheirTextAndLeaveNoOutput) {
    const std::string missing = "Unable to find 'VORLNSFX.DLL' file!";
    const std::string readFailed = "Unable to read 'VORLNSFX.DLL' program into memory!";
    struct Case {
        const char* name;
        std::function<void(ZipToExeParameters&)> arrange;
        std::vector<std::string> texts; // the start of each text shown
    } cases[] = {
        {"no stub", [&](ZipToExeParameters& p) { p.stubDirectory = Host("OUT"); }, {missing}},
        // The Linux loader is there, the Windows one is not.
        {"no Windows stub",
         [&](ZipToExeParameters& p) { p.target = SfxTarget::Windows; },
         {"Unable to find 'vorlnsfx.exe' file!"}},
        {"no extension",
         [&](ZipToExeParameters& p) {
             MakeDir("MY.DIR");
             p.zipPath = "C:\\MY.DIR\\SETUP";
         },
         {"'C:\\MY.DIR\\SETUP' is NOT a valid zip filename!"}},
        {"stub cannot be opened",
         [](ZipToExeParameters&) { Arm(Op::Open, 1, EACCES); },
         {"Unable to open file '", readFailed}},
        {"stub cannot be read",
         [](ZipToExeParameters&) { Arm(Op::Read, 1, EIO); },
         {"Unable to read file '", readFailed}},
        {"stub without a Register slot",
         [&](ZipToExeParameters&) {
             test::WriteFile(Host("STUB/VORLNSFX.DLL"), "[UnzipPath   ][ReadmeFile   ]");
         },
         {"Unable to save COMPANY NAME to zip file 'C:\\OUT\\SET.ZIP'!"}},
        {"stub without an UnzipPath slot",
         [&](ZipToExeParameters&) {
             test::WriteFile(Host("STUB/VORLNSFX.DLL"), "[Register   ][ReadmeFile   ]");
         },
         {"Unable to save UNZIP PATH to zip file 'C:\\OUT\\SET.ZIP'!"}},
        {"stub without a ReadmeFile slot",
         [&](ZipToExeParameters&) {
             test::WriteFile(Host("STUB/VORLNSFX.DLL"), "[Register   ][UnzipPath   ]");
         },
         {"Unable to save the README STARTUP file to zip file 'C:\\OUT\\SET.ZIP'!"}},
        {"output cannot be created",
         [](ZipToExeParameters&) { Arm(Op::Open, 2, ENOSPC); },
         {"Unable to create file 'C:\\OUT\\SET.EXE'!\n\n"}},
        {"stub cannot be written",
         [](ZipToExeParameters&) { Arm(Op::Write, 1, ENOSPC); },
         {"Unable to write file 'C:\\OUT\\SET.EXE'!\n\n"}},
        {"append fails",
         [](ZipToExeParameters&) { Arm(Op::Open, 3, EACCES, true); },
         {"Unable to append zip file to 'C:\\OUT\\SET.EXE'...\n\n"}},
        {"flush before the rename fails",
         [](ZipToExeParameters&) { Arm(Op::Fsync, 1, EIO); },
         {"Unable to create file 'C:\\OUT\\SET.EXE'!\n\n"}},
        {"rename fails",
         [](ZipToExeParameters&) { Arm(Op::Rename, 1, EACCES); },
         {"Unable to create file 'C:\\OUT\\SET.EXE'!\n\n"}},
        {"multi-volume archive",
         [&](ZipToExeParameters&) {
             HandZip z;
             z.Add("a.txt", "a");
             z.diskNumber = 2;
             test::WriteFile(Host("OUT/SET.ZIP"), z.Build());
         },
         {"Multi-volume ZIP files are not supported!"}},
        {"output is the archive",
         [&](ZipToExeParameters& p) {
             ::rename(Host("OUT/SET.ZIP").c_str(), Host("OUT/SET.EXE").c_str());
             ::symlink("SET.EXE", Host("OUT/SET.ZIP").c_str());
             p.zipPath = "C:\\OUT\\SET.EXE";
         },
         {"Unable to create file 'C:\\OUT\\SET.EXE'!\n\nSource and target files are the same!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fault::Reset();
        ::system(("rm -rf '" + Host("OUT") + "'").c_str());
        MakeDir("OUT");
        MakeArchive("OUT/SET.ZIP", {"README.TXT"});
        test::WriteFile(Host("STUB/VORLNSFX.DLL"), FakeStub());
        m_ui.Reset();
        ZipToExeParameters p = Parameters("C:\\OUT\\SET.ZIP");
        c.arrange(p);
        const std::vector<std::string> before = test::ListDir(Host("OUT"));
        std::string zipBytes;
        for (const std::string& name : before)
            zipBytes += test::ReadFile(Host("OUT/" + name));
        ui::ChangeRecorder notices;
        EXPECT_FALSE(BuildZipToExe(Context().WithNotices(notices), p));
        platform::fault::Reset();
        const std::vector<std::string> texts = m_ui.Texts();
        ASSERT_EQ(texts.size(), c.texts.size());
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(texts[i].rfind(c.texts[i], 0), 0u) << texts[i];
        EXPECT_EQ(test::ListDir(Host("OUT")), before);
        std::string after;
        for (const std::string& name : test::ListDir(Host("OUT")))
            after += test::ReadFile(Host("OUT/" + name));
        EXPECT_EQ(after, zipBytes);
        EXPECT_TRUE(notices.Notices().empty());
        for (const auto& log : m_ui.StatusWindows())
            EXPECT_TRUE(log->destroyed);
    }
}

} // namespace
} // namespace vorlane::fileops

namespace vorlane::fileops {
namespace {

TEST_F(ZipToExeTest, TheCommandChecksTheArchiveFirst) {
    HandZip good;
    good.Add("README.TXT", "r");
    good.AddDirectory("docs/");
    good.Add("docs/Notes.txt", "n");
    HandZip plain;
    plain.Add("a.txt", "a");
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // none: no file
        std::optional<std::vector<std::string>> members;
        const char* text;
    } cases[] = {
        {"members listed as stored", good.Build(),
         std::vector<std::string>{"README.TXT", "docs/Notes.txt"}, nullptr},
        {"missing", std::nullopt, std::nullopt, "'C:\\CHECK.ZIP' is NOT a zip file!"},
        {"not a zip file", std::string("just text"), std::nullopt,
         "'C:\\CHECK.ZIP' is NOT a zip file!"},
        {"damaged", test::PointPastEnd(plain.Build()), std::nullopt,
         "'C:\\CHECK.ZIP' has been damaged!"},
        {"empty", HandZip().Build(), std::nullopt, "'C:\\CHECK.ZIP' is empty!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Host("CHECK.ZIP").c_str());
        if (c.bytes)
            test::WriteFile(Host("CHECK.ZIP"), *c.bytes);
        m_ui.Reset();
        EXPECT_EQ(ReadZipToExeMembers(Context(), "C:\\CHECK.ZIP"), c.members);
        EXPECT_EQ(m_ui.Texts(),
                  c.text ? std::vector<std::string>{c.text} : std::vector<std::string>{});
    }
}

} // namespace
} // namespace vorlane::fileops
