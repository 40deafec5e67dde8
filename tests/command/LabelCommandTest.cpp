// LABEL through the tools' seam: a recording script stands in for the file
// system's tool, and the mount table of the test host says what each drive's
// root lies on. Never the machine's own disks.
#include "CommandTestHost.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vorlane::command {
namespace {

using test::TestHost;
using vorlane::test::FileExists;
using vorlane::test::ReadFile;
using vorlane::test::ScopedEnv;
using vorlane::test::TempDir;

class LabelCommandTest : public ::testing::Test {
  protected:
    // A tool that records its arguments, one "[arg]" a line, prints said
    // and exits with status.
    void WriteTool(const std::string& tool, const std::string& said = "", int status = 0) {
        std::string script =
            "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + m_out + "'\n";
        if (!said.empty())
            script += "echo '" + said + "' >&2\n";
        script += "exit " + std::to_string(status) + "\n";
        vorlane::test::WriteFile(m_tools / tool, script);
        ASSERT_EQ(::chmod((m_tools / tool).c_str(), 0755), 0);
    }
    // Drive C:'s root becomes the root of a file system of type fsType.
    void MountC(const std::string& fsType) {
        m_host.mounts = {{"/dev/sdz9", m_host.C(""), fsType, "rw"}};
    }

    TempDir m_tools;
    std::string m_out = m_tools / "argv.txt";
    ScopedEnv m_seam{"VORLANE_LABEL_TOOLS", m_tools.path()};
    TestHost m_host;
};

TEST_F(LabelCommandTest, RunsTheToolAfterAskingAndRefusesWhatCannotBeLabelled) {
    WriteTool("e2label");
    WriteTool("xfs_admin", "xfs_admin: /dev/sdz9 contains a mounted filesystem", 1);
    struct Case {
        const char* name;
        const char* fsType; // "" no mount: C: is a directory inside a file system
        std::string line;
        int answer; // -1: no question expected, else the Yes/No answer
        bool ok;
        const char* toolArgs; // what the tool received, "" when it must not run
        const char* lastText; // a part of the last text shown
    } cases[] = {
        {"ext4, yes", "ext4", "label C: DATA", 1, true, "[/dev/sdz9]\n[DATA]\n",
         "Drive C: has no volume label. Set its label to 'DATA'?"},
        {"blanks stay one word", "ext4", "label c: \"My Disk\"", 1, true,
         "[/dev/sdz9]\n[My Disk]\n", "to 'My Disk'?"},
        {"no: nothing runs", "ext4", "label C: DATA", 0, false, "", "Set its label to 'DATA'?"},
        {"inside a file system", "", "label C: DATA", -1, false, "",
         "not the root of a file system"},
        {"tmpfs names what can", "tmpfs", "label C: DATA", -1, false, "",
         "cannot be changed.\nLabels can be set on ext2, ext3, ext4, FAT (vfat), exFAT, NTFS, "
         "btrfs and XFS file systems."},
        {"too long for FAT", "vfat", "label C: TWELVE_CHARS", -1, false, "",
         "at most 11 characters"},
        {"tool missing", "exfat", "label C: DATA", 1, false, "",
         "The program 'exfatlabel' that changes the labels of exfat file systems is not "
         "installed."},
        {"tool fails with its words", "xfs", "label C: logs", 1, false,
         "[-L]\n[logs]\n[/dev/sdz9]\n", "xfs_admin: /dev/sdz9 contains a mounted filesystem"},
        {"unknown switch", "ext4", "label /q C: DATA", -1, false, "",
         "Unknown command switch '/q' for command 'LABEL'!"},
        {"too many", "ext4", "label C: DATA MORE", -1, false, "",
         "Too many parameters specified for command 'LABEL'!"},
        {"no drive", "ext4", "label DATA", -1, false, "",
         "A drive and/or label must be specified for LABEL command!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(m_out.c_str());
        m_host.mounts.clear();
        if (*c.fsType)
            MountC(c.fsType);
        m_host.Ui().Reset();
        if (c.answer >= 0)
            m_host.Ui().QueueYesNo(c.answer == 1);
        EXPECT_EQ(m_host.Run(c.line), c.ok);
        if (*c.toolArgs)
            EXPECT_EQ(ReadFile(m_out), c.toolArgs);
        else
            EXPECT_FALSE(FileExists(m_out));
        const std::vector<std::string> texts = m_host.Ui().Texts();
        ASSERT_FALSE(texts.empty());
        EXPECT_NE(texts.back().find(c.lastText), std::string::npos) << texts.back();
        EXPECT_EQ(texts.size(), (c.answer >= 0 ? 1u : 0u) + (c.ok || c.answer == 0 ? 0u : 1u));
        EXPECT_TRUE(m_host.Ui().AllAnswersUsed());
    }
}

TEST(LabelGuardTest, HostRootAndHomeAreRefusedBeforeAnyQuestion) {
    TempDir tools;
    ScopedEnv seam("VORLANE_LABEL_TOOLS", tools.path());
    TempDir home;
    ScopedEnv homeEnv("HOME", home.path());
    struct Guarded : TestHost {
        std::shared_ptr<platform::DriveMap> map = std::make_shared<platform::DriveMap>(
            platform::DriveMap::FromSpec("H=" + std::string(getenv("HOME")) + ";Z=/"));
        ui::OperationContext Context() override {
            ui::OperationContext context(Ui(), map);
            context.currentDirectory = "H:\\";
            return context;
        }
    } guarded;
    guarded.mounts = {{"/dev/sdz9", home.path(), "ext4", "rw"}, {"/dev/sdz1", "/", "ext4", "rw"}};
    for (const char* line : {"label H: HOME", "label z: ROOT"}) {
        guarded.Ui().Reset();
        EXPECT_FALSE(guarded.Run(line)) << line;
        ASSERT_EQ(guarded.Ui().Texts().size(), 1u) << line;
        EXPECT_NE(guarded.Ui().Texts()[0].find("its label is never changed"), std::string::npos);
    }
}

} // namespace
} // namespace vorlane::command
