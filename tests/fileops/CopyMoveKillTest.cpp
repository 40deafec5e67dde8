// A directory move between two file systems killed (SIGKILL) at random
// points: after every kill each file of the tree is complete in the
// source, or complete in the target, or both; never in neither and never
// partial under its own name. Temporary files beside a target may stay
// behind (the program never got to remove them); they are counted and
// cleared with the rest before the next run.
//
// The move runs in a child forked from this single-threaded test process
// (no thread exists yet in a test's own process under ctest), which the
// parent kills after a seeded random delay.
#include "CopyTestSupport.h"
#include "KillTestSupport.h"

namespace vorlane::fileops::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 200;
constexpr uint32_t kSeed = 20261207;

// About three hundred small files of up to 6 KiB spread over nested
// directories three levels deep, and three files of 1 to 4 MiB.
Manifest MakeManifest(uint32_t seed) {
    std::mt19937 random(seed);
    Manifest files;
    std::vector<std::string> dirs{""};
    for (int a = 0; a < 4; ++a) {
        std::string first = "A" + std::to_string(a);
        dirs.push_back(first);
        for (int b = 0; b < 3; ++b) {
            std::string second = first + "/B" + std::to_string(b);
            dirs.push_back(second);
            for (int c = 0; c < 2; ++c)
                dirs.push_back(second + "/C" + std::to_string(c));
        }
    }
    auto in = [](const std::string& dir, const std::string& name) {
        return dir.empty() ? name : dir + "/" + name;
    };
    for (int i = 0; i < 300; ++i) {
        const std::string& dir = dirs[random() % dirs.size()];
        std::string name = "F" + std::to_string(i) + ".DAT";
        files[in(dir, name)] = PatternBytes(random() % 6144, random());
    }
    for (int i = 0; i < 3; ++i)
        files[in(dirs[random() % dirs.size()], "BIG" + std::to_string(i) + ".BIN")] =
            PatternBytes((1u << 20) + random() % (3u << 20), random());
    return files;
}

bool IsTemporaryName(const std::string& name) {
    return name.size() > 6 && name[0] == '.' && name.ends_with("~vtmp");
}

class CopyMoveKillTest : public CopyTest {
  protected:
    // Source and target on two file systems: a tmpfs of its own for each,
    // else /dev/shm against the temporary directory when they differ.
    bool TwoFileSystems() {
        if (MountTmpfs(cRoot, "64m") && MountTmpfs(dRoot, "64m")) {
            m_source = cRoot;
            m_target = dRoot;
            return true;
        }
        char shm[] = "/dev/shm/vorlane-kill-XXXXXX";
        if (::mkdtemp(shm) == nullptr)
            return false;
        m_shmDir = shm;
        struct stat a, b;
        if (::stat(shm, &a) != 0 || ::stat(cRoot.c_str(), &b) != 0 || a.st_dev == b.st_dev)
            return false;
        m_source = cRoot;
        m_target = shm;
        return true;
    }
    void TearDown() override {
        if (!m_shmDir.empty())
            fs::remove_all(m_shmDir);
        CopyTest::TearDown();
    }

    // The move of C:\TREE to D:\, in the child: its exit status.
    int Move() {
        ui::ScriptedUserInterface childUi;
        childUi.OnUnexpected([](const std::string&) { ::_exit(3); });
        childUi.QueueYesNoAllCancel(ui::Answer::YesToAll); // creating the directories
        ui::OperationContext childContext(
            childUi, std::make_shared<platform::DriveMap>(
                         platform::DriveMap::FromSpec("C=" + m_source + ";D=" + m_target)));
        CCopyOutcome outcome =
            RunCopy(Params(kMoveDirectory, "C:\\TREE", {}, "D:\\", 0), childContext);
        return outcome.completed && outcome.failed == 0 ? 0 : 4;
    }

    // Checks what a run left, clears it, and says how many temporary files
    // there were. complete: the move ran to its end (the child exited).
    int CheckAndClear(const Manifest& files, const Manifest& old, bool complete) {
        const std::string from = m_source + "/TREE", to = m_target + "/TREE";
        for (const auto& [rel, bytes] : files) {
            SCOPED_TRACE(rel);
            FileSnapshot source = FileSnapshot::Of(from + "/" + rel);
            FileSnapshot target = FileSnapshot::Of(to + "/" + rel);
            EXPECT_TRUE(source.exists || target.exists) << "in neither tree";
            if (source.exists) {
                EXPECT_TRUE(source.bytes == bytes) << "the source is no longer complete";
            }
            if (target.exists) {
                // An older file of the name may still be there while the
                // source is whole; never anything partial.
                auto older = old.find(rel);
                bool isOld = older != old.end() && target.bytes == older->second;
                EXPECT_TRUE(target.bytes == bytes || (isOld && source.exists))
                    << "the target holds " << target.bytes.size() << " bytes, not the "
                    << bytes.size() << " of the source";
            }
            if (complete) {
                EXPECT_FALSE(source.exists) << "a completed move left the source";
            }
        }
        if (complete) {
            EXPECT_FALSE(fs::exists(from)) << "a completed move left the source directory";
        }
        int temporaries = 0;
        for (const std::string& root : {from, to}) {
            if (!fs::exists(root))
                continue;
            for (const auto& e : fs::recursive_directory_iterator(root)) {
                if (e.is_directory())
                    continue;
                std::string rel = fs::relative(e.path(), root).string();
                if (IsTemporaryName(e.path().filename().string())) {
                    EXPECT_FALSE(complete) << "a completed move left " << rel;
                    ++temporaries;
                } else {
                    EXPECT_TRUE(files.count(rel)) << "a stray file " << rel;
                }
            }
            fs::remove_all(root);
        }
        return temporaries;
    }

    std::string m_source, m_target;

  private:
    std::string m_shmDir;
};

TEST_F(CopyMoveKillTest, TreeMoveBetweenFileSystemsKilledAtRandomPoints) {
    if (!TwoFileSystems())
        GTEST_SKIP() << "no two file systems to move between";
    const Manifest files = MakeManifest(kSeed);
    // Every other run finds older files under some of the names, which
    // the move replaces (the run asks nothing before overwriting).
    Manifest old;
    int index = 0;
    for (const auto& [rel, bytes] : files)
        if (index++ % 3 == 0)
            old[rel] = "an older " + rel;

    int temporaries = 0;
    KillLoop loop;
    loop.runs = kRuns;
    loop.seed = kSeed;
    loop.prepare = [&](int run) {
        WriteTree(m_source + "/TREE", files);
        if (run % 2 == 1)
            WriteTree(m_target + "/TREE", old);
    };
    loop.operation = [&] { return Move(); };
    loop.check = [&](int run, bool complete) {
        temporaries += CheckAndClear(files, run % 2 == 1 ? old : Manifest{}, complete);
    };
    const int killed = RunKillLoop(loop);
    // The shortest delays kill every move before its end.
    EXPECT_GT(killed, 0);
    RecordProperty("killed", killed);
    RecordProperty("temporaries", temporaries);
}

} // namespace
} // namespace vorlane::fileops::testing
