#include "fileops/ZipRecompress.h"

#include "platform/FaultInjection.h"
#include "support/TestSupport.h"
#include "support/ZipFixture.h"
#include "ui/ChangeNotices.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vorlane::fileops {
namespace {

using Call = ui::StatusLog::Call;

class RecompressTest : public test::ZipTest {
  protected:
    ~RecompressTest() override {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            ::umount2(it->c_str(), MNT_DETACH);
    }

    CRecompressOutcome Recompress(int level = 9) {
        ui::OperationContext context = Context().WithNotices(m_notices);
        context.MutableOptions().zipTempPath = m_temp / "work";
        ::mkdir((m_temp / "work").c_str(), 0700);
        CZipRecompressJob job({'C', level});
        ui::RunJobNow(job, context);
        return job.Outcome();
    }
    // A member's bytes as Info-ZIP's unzip reads them.
    std::string Member(const std::string& archive, const std::string& member) {
        const std::string out = m_temp / "member.bin";
        const std::string command = "unzip -p '" + Host(archive) + "' '" + member + "' >'" + out +
                                    "' 2>>'" + (m_temp / "tools.log") + "'";
        if (std::system(command.c_str()) != 0)
            return "";
        return test::ReadFile(out);
    }
    bool TestedByUnzip(const std::string& archive) {
        return Run("unzip -tq '" + Host(archive) + "'") == 0;
    }
    // The error list of the recompress window.
    std::vector<std::string> Errors() const {
        for (const auto& log : m_ui.StatusWindows())
            if (log->kind == ui::StatusKind::Recompress)
                return log->Texts(Call::Error);
        return {};
    }
    // Nothing the run made is left beside the archives or in the work path.
    void ExpectNoDebris(const std::string& relativeDir) {
        for (const std::string& name : test::ListDir(Host(relativeDir)))
            EXPECT_EQ(name.find(".vorlane-"), std::string::npos) << name;
        EXPECT_TRUE(test::ListDir(m_temp / "work").empty());
    }
    bool Mount(const std::string& relativeDir, const char* type, const char* source,
               unsigned long flags) {
        MakeDir(relativeDir);
        if (::mount(source, Host(relativeDir).c_str(), type, flags, nullptr) != 0)
            return false;
        m_mounts.push_back(Host(relativeDir));
        return true;
    }

    ui::ChangeRecorder m_notices;
    std::vector<std::string> m_mounts;
};

// Which files the walk lists: names ending in .zip in any case, breadth
// first, never through a link, never a pipe that bears a zip's name.
TEST_F(RecompressTest, FindsZipFilesBreadthFirstWithoutFollowingLinks) {
    for (const char* name : {"A.ZIP", "SUB/b.zip", "SUB/DEEP/C.Zip", "OTHER/d.zIp", "OTHER/.zip",
                             "x.zip.txt", "zip", "SUB/notzip"})
        MakeFile(name, "not really a zip");
    ASSERT_EQ(::symlink(Host("A.ZIP").c_str(), Host("LINK.ZIP").c_str()), 0);
    ASSERT_EQ(::symlink(Host("SUB").c_str(), Host("LINKDIR").c_str()), 0);
    ASSERT_EQ(::mkfifo(Host("PIPE.ZIP").c_str(), 0600), 0);

    std::vector<std::string> found;
    ASSERT_TRUE(FindDriveZipFiles('C', *m_drives, &found));
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\A.ZIP", "C:\\OTHER\\.zip", "C:\\OTHER\\d.zIp",
                                               "C:\\SUB\\b.zip", "C:\\SUB\\DEEP\\C.Zip"}));
    EXPECT_FALSE(FindDriveZipFiles('Q', *m_drives, &found)); // a drive not mapped
}

// Another file system, or a bind mount, below the root is not entered.
TEST_F(RecompressTest, WalkStaysOnTheDrivesFileSystem) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    MakeFile("HOME.ZIP", "x");
    MakeFile("REAL/INNER.ZIP", "x");
    if (!Mount("TMP", "tmpfs", "tmpfs", 0) ||
        !Mount("BIND", nullptr, Host("REAL").c_str(), MS_BIND))
        GTEST_SKIP() << "the system refused a mount";
    MakeFile("TMP/ON_TMPFS.ZIP", "x");

    std::vector<std::string> found;
    ASSERT_TRUE(FindDriveZipFiles('C', *m_drives, &found));
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\HOME.ZIP", "C:\\REAL\\INNER.ZIP"}));
}

// A stored archive comes back deflated at the level chosen, with the same
// members (paths, names without a dot, blanks, an empty directory), its
// comment and its mode; the windows say what happened.
TEST_F(RecompressTest, RecompressesEveryArchiveAndKeepsWhatItHolds) {
    const std::string text(20000, 'a');
    MakeFile("SRC/README", text);
    MakeFile("SRC/docs/with blank.txt", text + "b");
    MakeFile("SRC/docs/deep/c.txt", text + "c");
    MakeDir("SRC/empty");
    MakeDir("NEST");
    Zip("-0 -r '" + Host("NEST/OLD.ZIP") + "' README docs empty", "SRC");
    ASSERT_EQ(Run("echo 'kept comment' | zip -qz '" + Host("NEST/OLD.ZIP") + "'"), 0);
    Zip("-0 '" + Host("second.zip") + "' README", "SRC");
    ASSERT_EQ(::chmod(Host("NEST/OLD.ZIP").c_str(), 0640), 0);
    const off_t storedSize = static_cast<off_t>(test::ReadFile(Host("NEST/OLD.ZIP")).size());
    const std::vector<std::string> members = Listed("NEST/OLD.ZIP");

    CRecompressOutcome outcome = Recompress(9);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.recompressed, 2);
    EXPECT_TRUE(outcome.errors.empty());

    EXPECT_TRUE(TestedByUnzip("NEST/OLD.ZIP"));
    EXPECT_LT(static_cast<off_t>(test::ReadFile(Host("NEST/OLD.ZIP")).size()), storedSize / 10);
    std::vector<std::string> now = Listed("NEST/OLD.ZIP");
    for (const std::string& m : members)
        EXPECT_NE(std::find(now.begin(), now.end(), m), now.end()) << m;
    EXPECT_TRUE(Member("NEST/OLD.ZIP", "docs/with blank.txt") == text + "b");
    EXPECT_TRUE(Member("NEST/OLD.ZIP", "README") == text);
    EXPECT_EQ(Run("unzip -z '" + Host("NEST/OLD.ZIP") + "' | grep -q 'kept comment'"), 0);
    EXPECT_EQ(test::FileMode(Host("NEST/OLD.ZIP")), 0640u);
    ExpectNoDebris("NEST");
    ExpectNoDebris("");

    ASSERT_EQ(m_ui.StatusWindows().size(), 2u);
    const ui::StatusLog& finding = *m_ui.StatusWindows()[0];
    EXPECT_EQ(finding.Texts(Call::CurrentMessage),
              std::vector<std::string>{"Finding all ZIP files on drive C: This operation may take "
                                       "awhile if your machine is slow or the drive is large!"});
    EXPECT_GE(m_ui.WaitCalls(), 1);
    EXPECT_EQ(m_ui.WaitDepth(), 0);
    const ui::StatusLog& status = *m_ui.StatusWindows()[1];
    EXPECT_EQ(status.kind, ui::StatusKind::Recompress);
    EXPECT_EQ(status.caption, "Recompress ZIP File(s)");
    EXPECT_EQ(status.Texts(Call::Compression), std::vector<std::string>{"Maximum (slowest)"});
    EXPECT_EQ(status.Texts(Call::Archive),
              (std::vector<std::string>{"C:\\second.zip", "C:\\NEST\\OLD.ZIP"}));
    EXPECT_EQ(status.Percents(Call::OverallPercent), (std::vector<int>{0, 50, 100}));
    EXPECT_TRUE(status.destroyed);
    EXPECT_EQ(m_notices.Descriptions(),
              (std::vector<std::string>{"Changed C:\\second.zip", "Changed C:\\NEST\\OLD.ZIP"}));
}

// An archive whose members cannot come out and go back in unchanged is
// left byte-identical with its line in the error list; the others are
// still recompressed.
TEST_F(RecompressTest, ArchivesThatCannotSurviveAreLeftAsTheyWere) {
    MakeFile("SRC/a.txt", std::string(5000, 'a'));
    ASSERT_EQ(::symlink("a.txt", Host("SRC/link").c_str()), 0);
    MakeDir("BAD");
    Zip("-0 '" + Host("BAD/ENC.ZIP") + "' -P secret a.txt", "SRC");
    Zip("-0 -y '" + Host("BAD/LINK.ZIP") + "' a.txt link", "SRC");
    Zip("-0 '" + Host("GOOD.ZIP") + "' a.txt", "SRC");
    test::WriteFile(Host("BAD/DAMAGED.ZIP"), test::PointPastEnd(test::ReadFile(Host("GOOD.ZIP"))));
    test::WriteFile(Host("BAD/TEXT.ZIP"), "this is no archive");
    // Members whose names do not come back from the disk as they were
    // stored: a "./" prefix is dropped by extraction, and a name twice
    // leaves one file.
    bool python = Run("command -v python3") == 0;
    if (python) {
        ASSERT_EQ(Run("python3 -c \"import zipfile; z = zipfile.ZipFile('BAD/DOT.ZIP', 'w'); "
                      "z.writestr('./dot.txt', 'x' * 3000); z.close()\""),
                  0);
        ASSERT_EQ(Run("python3 -W ignore -c \"import zipfile; z = zipfile.ZipFile('BAD/TWICE.ZIP', "
                      "'w'); z.writestr('t.txt', 'one'); z.writestr('t.txt', 'two'); z.close()\""),
                  0);
    }
    std::vector<std::pair<std::string, std::string>> before;
    for (const std::string& name : test::ListDir(Host("BAD")))
        before.emplace_back(name, test::ReadFile(Host("BAD/" + name)));

    CRecompressOutcome outcome = Recompress(9);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.recompressed, 1);
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(test::ReadFile(Host("BAD/" + name)), bytes) << name;
    ExpectNoDebris("BAD");

    std::vector<std::string> expected = {
        "Error opening 'C:\\BAD\\DAMAGED.ZIP'",
    };
    if (python)
        expected.push_back("The re-zipped copy of 'C:\\BAD\\DOT.ZIP' did not hold the same files; "
                           "the archive was left as it was.");
    expected.push_back("Unable to unzip files from 'C:\\BAD\\ENC.ZIP'.");
    expected.push_back("Unable to unzip files from 'C:\\BAD\\LINK.ZIP'.");
    expected.push_back("Error opening 'C:\\BAD\\TEXT.ZIP'");
    if (python)
        expected.push_back("Unable to unzip files from 'C:\\BAD\\TWICE.ZIP'.");
    EXPECT_EQ(Errors(), expected);
    EXPECT_EQ(outcome.errors, expected);
}

// A run with nothing to do, or nothing done, does not succeed; a drive
// without zip files opens no recompress window.
TEST_F(RecompressTest, SucceedsOnlyWhenAnArchiveWasRecompressed) {
    MakeFile("plain.txt", "x");
    CRecompressOutcome outcome = Recompress();
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_TRUE(outcome.found.empty());
    ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
    EXPECT_EQ(m_ui.StatusWindows()[0]->kind, ui::StatusKind::Message);

    test::WriteFile(Host("ONLY.ZIP"), "not an archive");
    // Cancel in the window of the walk: nothing found, nothing done.
    m_ui.CancelNextStatusWindowAt(1);
    outcome = Recompress();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.found.empty());
    EXPECT_EQ(m_ui.StatusWindows().size(), 2u);
    // An archive without members, or with directories only, has nothing
    // to recompress: it is left alone without an error.
    MakeFile("SRC/f.txt", "x");
    MakeDir("SRC/dir");
    Zip("'" + Host("EMPTY.ZIP") + "' f.txt", "SRC");
    ASSERT_EQ(Run("zip -qd '" + Host("EMPTY.ZIP") + "' f.txt"), 0);
    Zip("'" + Host("DIRS.ZIP") + "' dir", "SRC");
    const std::string empty = test::ReadFile(Host("EMPTY.ZIP"));
    const std::string dirs = test::ReadFile(Host("DIRS.ZIP"));
    outcome = Recompress();
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.errors, std::vector<std::string>{"Error opening 'C:\\ONLY.ZIP'"});
    EXPECT_TRUE(test::ReadFile(Host("EMPTY.ZIP")) == empty);
    EXPECT_TRUE(test::ReadFile(Host("DIRS.ZIP")) == dirs);
}

// Whatever step fails (a write, a rename, a flush, the n-th of each), the
// archive is either the old one, byte for byte, or a complete new one with
// the same members, and nothing is left behind; a failed re-zip says so.
TEST_F(RecompressTest, AFailureAtAnyStepLeavesTheOldArchive) {
    const std::string text(30000, 'q');
    MakeFile("SRC/one.txt", text);
    MakeFile("SRC/sub/two.txt", text + "2");
    MakeDir("Z");
    Zip("-0 -r '" + Host("Z/ARC.ZIP") + "' one.txt sub", "SRC");
    const std::string original = test::ReadFile(Host("Z/ARC.ZIP"));
    using platform::fault::Op;
    bool sawRezipError = false;
    for (Op op : {Op::Write, Op::Rename, Op::Fsync, Op::Open}) {
        for (int nth = 1; nth < 200; ++nth) {
            test::WriteFile(Host("Z/ARC.ZIP"), original);
            m_ui.Reset();
            platform::fault::Reset();
            platform::fault::Arm(op, nth, EIO);
            CRecompressOutcome outcome = Recompress(9);
            const bool fired = platform::fault::Calls(op) >= nth;
            platform::fault::Reset();
            const std::string now = test::ReadFile(Host("Z/ARC.ZIP"));
            if (outcome.recompressed == 0) {
                EXPECT_TRUE(now == original) << static_cast<int>(op) << " " << nth;
                ASSERT_EQ(outcome.errors.size(), 1u);
                sawRezipError |= outcome.errors[0] == "Unable to re-zip 'C:\\Z\\ARC.ZIP'.";
            } else {
                EXPECT_TRUE(TestedByUnzip("Z/ARC.ZIP")) << static_cast<int>(op) << " " << nth;
                EXPECT_TRUE(Member("Z/ARC.ZIP", "sub/two.txt") == text + "2");
            }
            ExpectNoDebris("Z");
            if (!fired)
                break; // the run makes fewer calls than nth: every step was tried
        }
    }
    EXPECT_TRUE(sawRezipError);
}

// Another program that rewrites an archive while its new copy is being
// made wins: the run leaves that program's archive as it is and says so.
TEST_F(RecompressTest, AnArchiveChangedMeanwhileIsLeftToTheOtherProgram) {
    MakeFile("SRC/a.txt", std::string(20000, 'a'));
    Zip("-0 '" + Host("FIRST.ZIP") + "' a.txt", "SRC");
    Zip("-0 '" + Host("SECOND.ZIP") + "' a.txt", "SRC");
    const std::string theirs = test::ReadFile(Host("SECOND.ZIP")) + "appended";
    // The first flush is the engine's, of FIRST.ZIP's new archive.
    platform::fault::ArmStall(platform::fault::Op::Fsync, 1);
    CRecompressOutcome outcome;
    std::thread run([&] { outcome = Recompress(9); });
    ASSERT_TRUE(platform::fault::WaitForStall(10000));
    test::WriteFile(Host("FIRST.ZIP"), theirs);
    platform::fault::ReleaseStall();
    run.join();
    EXPECT_TRUE(test::ReadFile(Host("FIRST.ZIP")) == theirs);
    EXPECT_EQ(outcome.recompressed, 1); // SECOND.ZIP, recompressed after it
    EXPECT_EQ(outcome.errors,
              std::vector<std::string>{"'C:\\FIRST.ZIP' was changed by another "
                                       "program meanwhile; it was left as it was."});
    ExpectNoDebris("");
}

} // namespace
} // namespace vorlane::fileops
