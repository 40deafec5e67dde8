// The sorted directory vector of a drive: batch merges, lookups without
// regard to case, subtree removal.
#include "CatalogueTestSupport.h"
#include "catalogue/CDirectoryInfo.h"
#include "catalogue/CDriveIncremental.h"
#include "platform/DosPathText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace vorlane::catalogue {
namespace {

struct PathLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return platform::ComparePaths(a, b) < 0;
    }
};
using PathSet = std::set<std::string, PathLess>;

CDriveContainer::DirectoryList Batch(CDriveContainer& drive,
                                     const std::vector<std::string>& paths) {
    CDriveContainer::DirectoryList batch;
    for (const std::string& path : paths)
        batch.push_back(std::make_unique<CDirectoryInfo>(&drive, path));
    return batch;
}

std::vector<std::string> Paths(const CDriveContainer& drive) {
    std::vector<std::string> paths;
    for (const auto& directory : drive.Directories())
        paths.push_back(directory->Path());
    return paths;
}

// Every directory's descendants follow it directly: the run after it with a
// greater level is exactly the set of paths below it.
void ExpectSubtreesContiguous(const CDriveContainer& drive) {
    const auto& dirs = drive.Directories();
    for (size_t i = 0; i < dirs.size(); ++i) {
        const std::string prefix =
            dirs[i]->Path() + (platform::IsRootPath(dirs[i]->Path()) ? "" : "\\");
        size_t end = i + 1;
        while (end < dirs.size() && dirs[end]->Level() > dirs[i]->Level())
            ++end;
        for (size_t j = 0; j < dirs.size(); ++j) {
            bool below = j != i && dirs[j]->Path().compare(0, prefix.size(), prefix) == 0;
            ASSERT_EQ(below, j > i && j < end) << dirs[i]->Path() << " and " << dirs[j]->Path();
        }
    }
}

TEST(DirectoryVectorTest, BatchesMergeToTheReferenceOrder) {
    std::mt19937 random(4242);
    const std::vector<std::string> names = {"A", "a", "B", "A-B", "A B", "b_", "Z", "\xC3\xA9"};
    CDriveIncremental drive;
    PathSet reference;
    auto randomPath = [&] {
        std::string path = "C:\\";
        int depth = 1 + static_cast<int>(random() % 4);
        for (int d = 0; d < depth; ++d)
            path = platform::JoinDosPath(path, names[random() % names.size()]);
        return path;
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> batch;
        int size = static_cast<int>(random() % 30);
        for (int i = 0; i < size; ++i) {
            std::string path = randomPath();
            // Its parents too: a drive always holds them.
            for (std::string up = path; !up.empty(); up = platform::ParentDosPath(up))
                batch.push_back(up);
            if (random() % 4 == 0)
                batch.push_back(path); // duplicates within a batch
        }
        for (const std::string& path : batch)
            reference.insert(path);
        drive.AddDirectories(Batch(drive, batch));
        ASSERT_EQ(Paths(drive), std::vector<std::string>(reference.begin(), reference.end()));
    }
    ExpectSubtreesContiguous(drive);
    EXPECT_GT(drive.DirectoryCount(), 100);
}

TEST(DirectoryVectorTest, AlreadyLoggedDirectoryStays) {
    CDriveIncremental drive;
    drive.AddDirectories(Batch(drive, {"C:\\", "C:\\A"}));
    CDirectoryContainer* before = drive.FindDirectory("C:\\A");
    before->SetExtraFlag(true);
    drive.AddDirectories(Batch(drive, {"C:\\A", "C:\\B"}));
    EXPECT_EQ(drive.FindDirectory("C:\\A"), before);
    EXPECT_EQ(drive.AddDirectory(std::make_unique<CDirectoryInfo>(&drive, "C:\\A")), before);
    EXPECT_EQ(Paths(drive), (std::vector<std::string>{"C:\\", "C:\\A", "C:\\B"}));
    EXPECT_EQ(before->Drive(), &drive);
}

TEST(DirectoryVectorTest, LookupWithoutRegardToCase) {
    CDriveIncremental drive;
    drive.AddDirectories(Batch(
        drive, {"C:\\", "C:\\Docs", "C:\\Docs\\Old", "C:\\docs", "C:\\docs\\New", "C:\\Music"}));
    struct {
        const char* asked;
        const char* found;
    } cases[] = {
        {"C:\\Docs", "C:\\Docs"},
        {"c:\\docs", "C:\\docs"}, // the exact name wins
        {"C:\\DOCS", "C:\\Docs"}, // else the first equal ignoring case
        {"C:\\DOCS\\NEW", ""},    // one step at a time, as the disk lookup goes: C:\Docs
        {"c:\\docs\\old", ""},    // C:\docs has no Old; exact C:\docs is taken
        {"C:\\DOCS\\OLD", "C:\\Docs\\Old"},
        {"c:/music/", "C:\\Music"},
        {"C:\\", "C:\\"},
        {"c:", "C:\\"},
        {"C:\\Missing", ""},
        {"D:\\Docs", ""},
    };
    for (const auto& c : cases) {
        CDirectoryContainer* found = drive.FindDirectory(c.asked);
        EXPECT_EQ(found ? found->Path() : "", c.found) << c.asked;
    }
}

// Against a reference that follows the rule one component at a time.
TEST(DirectoryVectorTest, RandomCaselessLookupsAgreeWithReference) {
    std::mt19937 random(99);
    const std::vector<std::string> names = {"ab", "AB", "Ab", "b", "B", "a-b"};
    CDriveIncremental drive;
    PathSet all;
    std::vector<std::string> batch = {"C:\\"};
    for (int i = 0; i < 300; ++i) {
        std::string path = "C:\\";
        int depth = 1 + static_cast<int>(random() % 3);
        for (int d = 0; d < depth; ++d) {
            path = platform::JoinDosPath(path, names[random() % names.size()]);
            batch.push_back(path); // parents too
        }
    }
    all.insert(batch.begin(), batch.end());
    drive.AddDirectories(Batch(drive, batch));
    auto reference = [&](const std::string& asked) -> std::string {
        std::string at = "C:\\";
        size_t pos = 3;
        while (pos < asked.size()) {
            size_t end = asked.find('\\', pos);
            std::string want = asked.substr(pos, end == std::string::npos ? end : end - pos);
            pos = end == std::string::npos ? asked.size() : end + 1;
            std::string exact = platform::JoinDosPath(at, want);
            if (all.count(exact)) {
                at = exact;
                continue;
            }
            std::string best;
            for (const std::string& candidate : all) {
                if (platform::PathLevel(candidate) == platform::PathLevel(exact) &&
                    platform::ParentDosPath(candidate) == at &&
                    platform::CompareNoCase(platform::LastComponent(candidate), want) == 0 &&
                    (best.empty() ||
                     platform::LastComponent(candidate) < platform::LastComponent(best)))
                    best = candidate;
            }
            if (best.empty())
                return "";
            at = best;
        }
        return at;
    };
    for (int i = 0; i < 500; ++i) {
        std::string asked = "C:\\";
        int depth = 1 + static_cast<int>(random() % 3);
        for (int d = 0; d < depth; ++d) {
            std::string name = names[random() % names.size()];
            if (random() % 2)
                std::transform(name.begin(), name.end(), name.begin(), ::toupper);
            asked = platform::JoinDosPath(asked, name);
        }
        CDirectoryContainer* found = drive.FindDirectory(asked);
        ASSERT_EQ(found ? found->Path() : "", reference(asked)) << asked;
    }
}

TEST(DirectoryVectorTest, RemovingADirectoryRemovesItsSubtreeOnly) {
    CDriveIncremental drive;
    drive.AddDirectories(Batch(
        drive, {"C:\\", "C:\\A", "C:\\A\\B", "C:\\A\\B\\C", "C:\\A-B", "C:\\AB", "C:\\A\\D"}));
    ASSERT_TRUE(drive.SetCurrentDirectory("C:\\A\\B"));
    EXPECT_EQ(drive.CurrentDirectoryPath(), "C:\\A\\B");
    EXPECT_EQ(drive.CurrentDirectoryIndex(), 2);
    EXPECT_TRUE(drive.RemoveDirectory("c:\\a"));
    EXPECT_TRUE(drive.IsCurrentRoot()) << "the current directory went: the root is current";
    EXPECT_EQ(Paths(drive), (std::vector<std::string>{"C:\\", "C:\\A-B", "C:\\AB"}));
    EXPECT_FALSE(drive.RemoveDirectory("C:\\A"));
    EXPECT_TRUE(drive.RemoveDirectory("C:\\AB"));
    EXPECT_EQ(Paths(drive), (std::vector<std::string>{"C:\\", "C:\\A-B"}));
}

TEST(DirectoryVectorTest, SettingAnUnknownPathFallsBackToTheRoot) {
    CDriveIncremental drive;
    EXPECT_FALSE(drive.SetCurrentDirectory("C:\\A")) << "no directories at all";
    drive.AddDirectories(Batch(drive, {"C:\\", "C:\\A"}));
    EXPECT_TRUE(drive.SetCurrentDirectory("C:\\NOPE"));
    EXPECT_EQ(drive.CurrentDirectoryPath(), "C:\\");
    EXPECT_TRUE(drive.SetCurrentDirectoryByIndex(1));
    EXPECT_EQ(drive.CurrentDirectoryPath(), "C:\\A");
    EXPECT_TRUE(drive.CurrentDirectory()->MustRead());
    EXPECT_FALSE(drive.SetCurrentDirectoryByIndex(7));
}

TEST(DirectoryVectorTest, RematchDropsRemovedDirectoriesWithTheirSubtrees) {
    CDriveIncremental drive;
    drive.AddDirectories(
        Batch(drive, {"C:\\", "C:\\A", "C:\\A\\B", "C:\\A\\B\\C", "C:\\AB", "C:\\Z", "C:\\Z\\Y"}));
    ASSERT_TRUE(drive.SetCurrentDirectory("C:\\A\\B\\C"));
    drive.FindDirectory("C:\\A")->SetRemoved(true);
    drive.FindDirectory("C:\\Z\\Y")->SetRemoved(true);
    drive.MatchAndSortAll(nullptr);
    EXPECT_EQ(Paths(drive), (std::vector<std::string>{"C:\\", "C:\\AB", "C:\\Z"}));
    EXPECT_EQ(drive.CurrentDirectoryPath(), "C:\\");
}

} // namespace
} // namespace vorlane::catalogue
