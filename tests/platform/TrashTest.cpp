#include "platform/Trash.h"
#include "platform/FaultInjection.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane::platform {
namespace {

namespace fs = std::filesystem;

bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// 2024-03-05 06:07:08 UTC, shown in UTC.
constexpr std::time_t kNow = 1709618828;
constexpr const char* kNowText = "2024-03-05T06:07:08";

class TrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fault::Reset();
        m_tz = std::make_unique<test::ScopedEnv>("TZ", std::string("UTC0"));
        ::tzset();
        ::umask(022);
        m_uid = std::to_string(::getuid());
        // The home trash lives under "home", everything else under "mnt",
        // which plays the top directory of another mount.
        ::mkdir((root / "home").c_str(), 0700);
        ::mkdir((root / "mnt").c_str(), 0755);
        ::mkdir((root / "mnt/docs").c_str(), 0755);
        options.homeTrash = root / "home/Trash";
        std::string mnt = root / "mnt";
        std::string top = root.path();
        options.topDirOf = [mnt, top](const std::string& dir) {
            return dir == mnt || dir.rfind(mnt + "/", 0) == 0 ? mnt : top;
        };
        options.now = [] { return kNow; };
    }
    void TearDown() override {
        fault::Reset();
        m_tz.reset();
        ::tzset();
    }

    // Moves path to the trash; a failure fails the test.
    TrashedItem Trash(const std::string& path) {
        TrashedItem item;
        SysError err;
        EXPECT_TRUE(MoveToTrash(path, options, &item, &err)) << path << ": " << err.message;
        return item;
    }

    static std::string Info(const std::string& encodedPath) {
        return "[Trash Info]\nPath=" + encodedPath + "\nDeletionDate=" + kNowText + "\n";
    }

    test::TempDir root;
    TrashOptions options;
    std::string m_uid;

  private:
    std::unique_ptr<test::ScopedEnv> m_tz;
};

TEST_F(TrashTest, DefaultTrashIsUnderXdgDataHome) {
    EXPECT_EQ(HomeTrashDirectory(), std::string(std::getenv("XDG_DATA_HOME")) + "/Trash");
    {
        test::ScopedEnv relative("XDG_DATA_HOME", std::string("relative/dir"));
        EXPECT_EQ(HomeTrashDirectory(), std::string(std::getenv("HOME")) + "/.local/share/Trash");
    }

    // The real mount lookup: the temporary directory and the home trash are
    // on one mount here, so the item goes to the home trash.
    test::TempDir dir;
    test::WriteFile(dir / "plain.txt", "bytes");
    SysError err;
    ASSERT_TRUE(MoveToTrash(dir / "plain.txt", &err)) << err.message;
    EXPECT_FALSE(test::FileExists(dir / "plain.txt"));
    std::string trash = HomeTrashDirectory();
    EXPECT_EQ(test::ReadFile(trash + "/files/plain.txt"), "bytes");
    EXPECT_TRUE(test::FileExists(trash + "/info/plain.txt.trashinfo"));
    fs::remove_all(trash);
}

TEST_F(TrashTest, HomeTrashGetsAbsolutePathAndDate) {
    std::string path = root / "home/notes.txt";
    test::WriteFile(path, "notes");
    TrashedItem item = Trash(path);
    EXPECT_EQ(item.filesPath, options.homeTrash + "/files/notes.txt");
    EXPECT_EQ(test::ReadFile(item.filesPath), "notes");
    EXPECT_EQ(test::ReadFile(item.infoPath), Info(TrashPercentEncode(path)));
    EXPECT_EQ(test::FileMode(options.homeTrash), 0700u);
    EXPECT_EQ(test::FileMode(options.homeTrash + "/info/notes.txt.trashinfo"), 0600u);
}

TEST_F(TrashTest, NameCollisionsGetNumbers) {
    struct Case {
        const char* name;
        bool isDir;
        std::vector<std::string> trashNames;
    } cases[] = {
        {"report.txt", false, {"report.txt", "report.2.txt", "report.3.txt"}},
        {".bashrc", false, {".bashrc", ".bashrc.2"}},
        {"photos.2019", true, {"photos.2019", "photos.2019.2"}},
    };
    for (const Case& c : cases) {
        std::string path = root / ("home/" + std::string(c.name));
        for (const std::string& expected : c.trashNames) {
            if (c.isDir)
                ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
            else
                test::WriteFile(path, expected);
            TrashedItem item = Trash(path);
            EXPECT_EQ(item.trashName, expected) << c.name;
            EXPECT_TRUE(test::FileExists(options.homeTrash + "/info/" + expected + ".trashinfo"))
                << c.name;
        }
    }
}

TEST_F(TrashTest, StrayItemWithoutInfoFileIsNeverReplaced) {
    ::mkdir(options.homeTrash.c_str(), 0700);
    ::mkdir((options.homeTrash + "/files").c_str(), 0700);
    test::WriteFile(options.homeTrash + "/files/a.txt", "stray");
    test::WriteFile(root / "home/a.txt", "new");
    TrashedItem item = Trash(root / "home/a.txt");
    EXPECT_EQ(item.trashName, "a.2.txt");
    EXPECT_EQ(test::ReadFile(options.homeTrash + "/files/a.txt"), "stray");
    EXPECT_EQ(test::ListDir(options.homeTrash + "/info"),
              std::vector<std::string>{"a.2.txt.trashinfo"});
}

TEST_F(TrashTest, PathIsPercentEncoded) {
    struct Case {
        const char* name;
        std::string path;
        std::string encoded;
    } cases[] = {
        {"plain", "/home/ann/a-b_c.d~", "/home/ann/a-b_c.d~"},
        {"percent", "/x/100%", "/x/100%25"},
        {"reserved", "/x/a#b?c&d=e+f;g", "/x/a%23b%3Fc%26d%3De%2Bf%3Bg"},
        {"control and high bytes", std::string("/x/\x01\xFF"), "/x/%01%FF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrashPercentEncode(c.path), c.encoded) << c.name;

    std::string path = root / "home/caf\xC3\xA9 100%.txt";
    test::WriteFile(path, "x");
    TrashedItem item = Trash(path);
    EXPECT_EQ(item.trashName, "caf\xC3\xA9 100%.txt");
    std::string info = test::ReadFile(item.infoPath);
    EXPECT_NE(info.find("%C3%A9%20100%25.txt\n"), std::string::npos) << info;
}

TEST_F(TrashTest, DirectoriesAndLinksAreTrashedAsThemselves) {
    std::string tree = root / "home/tree";
    ::mkdir(tree.c_str(), 0755);
    ::mkdir((tree + "/inner").c_str(), 0755);
    test::WriteFile(tree + "/inner/leaf", "leaf");
    test::WriteFile(root / "home/target", "target");
    ASSERT_EQ(::symlink("target", (root / "home/link").c_str()), 0);

    TrashedItem item = Trash(tree + "/");
    EXPECT_EQ(test::ReadFile(item.filesPath + "/inner/leaf"), "leaf");
    item = Trash(root / "home/link");
    EXPECT_TRUE(IsLink(item.filesPath));
    EXPECT_EQ(test::ReadFile(root / "home/target"), "target");
}

TEST_F(TrashTest, OtherMountsUseTheirTopDirectoryTrash) {
    std::string path = root / "mnt/docs/letter.txt";
    test::WriteFile(path, "letter");
    TrashedItem item = Trash(path);
    std::string trash = root / ("mnt/.Trash-" + m_uid);
    EXPECT_EQ(test::FileMode(trash), 0700u);
    EXPECT_EQ(test::ReadFile(trash + "/files/letter.txt"), "letter");
    // Relative to the top directory.
    EXPECT_EQ(test::ReadFile(item.infoPath), Info("docs/letter.txt"));
    EXPECT_FALSE(test::FileExists(options.homeTrash));
}

TEST_F(TrashTest, SharedTrashIsUsedOnlyWhenItIsARealStickyDirectory) {
    struct Case {
        const char* name;
        int setup; // 0 sticky directory, 1 no sticky bit, 2 link to a sticky directory, 3 file
        bool shared;
    } cases[] = {
        {"sticky directory", 0, true},
        {"no sticky bit", 1, false},
        {"link to a sticky directory", 2, false},
        {"a file in its place", 3, false},
    };
    const std::string mnt = root / "mnt";
    for (const Case& c : cases) {
        fs::remove_all(mnt + "/.Trash");
        fs::remove_all(mnt + "/.Trash-" + m_uid);
        fs::remove_all(root / "elsewhere");
        if (c.setup == 0 || c.setup == 1) {
            ASSERT_EQ(::mkdir((mnt + "/.Trash").c_str(), 0777), 0);
            ::chmod((mnt + "/.Trash").c_str(), c.setup == 0 ? 01777 : 0777);
        } else if (c.setup == 2) {
            ASSERT_EQ(::mkdir((root / "elsewhere").c_str(), 0777), 0);
            ::chmod((root / "elsewhere").c_str(), 01777);
            ASSERT_EQ(::symlink((root / "elsewhere").c_str(), (mnt + "/.Trash").c_str()), 0);
        } else {
            test::WriteFile(mnt + "/.Trash", "");
        }
        std::string path = mnt + "/docs/item";
        test::WriteFile(path, c.name);
        TrashedItem item = Trash(path);
        std::string expected = c.shared ? mnt + "/.Trash/" + m_uid : mnt + "/.Trash-" + m_uid;
        EXPECT_EQ(item.trashDir, expected) << c.name;
        EXPECT_EQ(test::ReadFile(expected + "/files/item"), c.name) << c.name;
        EXPECT_EQ(test::FileMode(expected), 0700u) << c.name;
        EXPECT_TRUE(test::ListDir(root / "elsewhere").empty()) << c.name;
    }
}

TEST_F(TrashTest, TrashDirectoryThatIsALinkIsRefused) {
    std::string mnt = root / "mnt";
    ::mkdir((root / "elsewhere").c_str(), 0700);
    ASSERT_EQ(::symlink((root / "elsewhere").c_str(), (mnt + "/.Trash-" + m_uid).c_str()), 0);
    test::WriteFile(mnt + "/docs/item", "x");
    SysError err;
    EXPECT_FALSE(MoveToTrash(mnt + "/docs/item", options, nullptr, &err));
    EXPECT_EQ(test::ReadFile(mnt + "/docs/item"), "x");
    EXPECT_TRUE(test::ListDir(root / "elsewhere").empty());
}

TEST_F(TrashTest, FailedMoveLeavesNoInfoFile) {
    struct Case {
        const char* name;
        fault::Op op;
        int errnoValue;
        int dosCode;
    } cases[] = {
        {"rename refused", fault::Op::Rename, EACCES, kDosAccessDenied},
        {"info file cannot be written", fault::Op::Write, ENOSPC, kDosDiskFull},
        {"info file cannot be made", fault::Op::Open, EROFS, kDosWriteProtect},
    };
    std::string path = root / "home/keep.txt";
    test::WriteFile(path, "keep");
    for (const Case& c : cases) {
        fault::Reset();
        fault::Arm(c.op, 1, c.errnoValue);
        SysError err;
        EXPECT_FALSE(MoveToTrash(path, options, nullptr, &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name << ": " << err.message;
        EXPECT_EQ(test::ReadFile(path), "keep") << c.name;
        EXPECT_TRUE(test::ListDir(options.homeTrash + "/info").empty()) << c.name;
        EXPECT_TRUE(test::ListDir(options.homeTrash + "/files").empty()) << c.name;
    }
}

TEST_F(TrashTest, HomeTrashOnAnotherMountAfterAllFallsBackToTheTopDirectory) {
    // Both on the pretend mount, but the rename into the home trash reports
    // another device, as it does across a bind mount.
    options.homeTrash = root / "mnt/home-trash";
    std::string path = root / "mnt/docs/moved.txt";
    test::WriteFile(path, "moved");
    fault::Arm(fault::Op::Rename, 1, EXDEV);
    TrashedItem item = Trash(path);
    EXPECT_EQ(item.trashDir, root / ("mnt/.Trash-" + m_uid));
    EXPECT_TRUE(test::ListDir(options.homeTrash + "/info").empty());
}

TEST_F(TrashTest, LongNamesAreShortenedToFitTheInfoFile) {
    std::string path = root / ("home/" + std::string(240, 'n') + ".text");
    for (int round = 0; round < 2; ++round) {
        test::WriteFile(path, "long");
        TrashedItem item = Trash(path);
        EXPECT_LE(item.trashName.size() + 10, 255u);
        EXPECT_EQ(item.trashName.substr(item.trashName.size() - 5), ".text");
        EXPECT_EQ(test::ReadFile(item.filesPath), "long");
    }
}

TEST_F(TrashTest, BadItemsAreRefused) {
    struct Case {
        const char* name;
        std::string path;
        int dosCode;
    } cases[] = {
        {"root", "/", kDosInvalidParameter},
        {"dot", root / "home/.", kDosInvalidParameter},
        {"missing", root / "home/absent", kDosFileNotFound},
    };
    for (const Case& c : cases) {
        SysError err;
        EXPECT_FALSE(MoveToTrash(c.path, options, nullptr, &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name << ": " << err.message;
    }
    EXPECT_FALSE(test::FileExists(options.homeTrash));
}

TEST(MountTopDirectoryTest, FindsTheTopOfTheMount) {
    EXPECT_EQ(MountTopDirectory("/"), "/");
    EXPECT_EQ(MountTopDirectory("/proc/self/fd"), "/proc");
    test::TempDir dir;
    std::string top = MountTopDirectory(dir.path());
    EXPECT_EQ(dir.path().rfind(top == "/" ? "/" : top + "/", 0), 0u) << top;
}

} // namespace
} // namespace vorlane::platform
