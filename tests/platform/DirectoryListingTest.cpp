#include "platform/DirectoryListing.h"

#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

struct Seen {
    bool isDirectory;
    bool isSymlink;
    uint64_t size;
};

std::map<std::string, Seen> List(const std::string& dir, ListDetail detail, bool* ok = nullptr) {
    std::map<std::string, Seen> seen;
    bool result = ListDirectory(dir, detail, [&](const ListedEntry& entry) {
        seen[std::string(entry.name)] = {entry.isDirectory, entry.isSymlink, entry.size};
        return true;
    });
    if (ok)
        *ok = result;
    return seen;
}

TEST(DirectoryListingTest, ReportsKindsLinksAndSizes) {
    test::TempDir temp;
    test::WriteFile(temp / "file.txt", "12345");
    ::mkdir((temp / "sub").c_str(), 0700);
    ::symlink("sub", (temp / "dirlink").c_str());
    ::symlink("file.txt", (temp / "filelink").c_str());
    ::symlink("missing", (temp / "dangling").c_str());
    std::map<std::string, Seen> seen = List(temp.path(), ListDetail::Stat);
    ASSERT_EQ(seen.size(), 5u) << "'.' and '..' are skipped";
    EXPECT_FALSE(seen["file.txt"].isDirectory);
    EXPECT_EQ(seen["file.txt"].size, 5u);
    EXPECT_TRUE(seen["sub"].isDirectory);
    EXPECT_TRUE(seen["dirlink"].isDirectory);
    EXPECT_TRUE(seen["dirlink"].isSymlink);
    EXPECT_FALSE(seen["filelink"].isDirectory);
    EXPECT_EQ(seen["filelink"].size, 5u) << "a link to a file reads as the file";
    EXPECT_FALSE(seen["dangling"].isDirectory);
    EXPECT_TRUE(seen["dangling"].isSymlink);
    seen = List(temp.path(), ListDetail::Kinds);
    EXPECT_EQ(seen["file.txt"].size, 0u) << "kinds only: no sizes";
    EXPECT_TRUE(seen["dirlink"].isDirectory);
}

TEST(DirectoryListingTest, StopsWhenTheVisitorSaysSo) {
    test::TempDir temp;
    for (int i = 0; i < 10; ++i)
        test::WriteFile(temp / ("f" + std::to_string(i)), "");
    int visits = 0;
    EXPECT_TRUE(ListDirectory(temp.path(), ListDetail::Kinds, [&](const ListedEntry&) {
        ++visits;
        return visits < 3;
    }));
    EXPECT_EQ(visits, 3);
}

TEST(DirectoryListingTest, MissingOrRefusedDirectoryFailsWithError) {
    test::TempDir temp;
    fault::Reset();
    for (bool refused : {false, true}) {
        if (refused)
            fault::Arm(fault::Op::List, 1, EACCES);
        SysError err;
        bool called = false;
        EXPECT_FALSE(ListDirectory(
            refused ? temp.path() : temp / "gone", ListDetail::Kinds,
            [&](const ListedEntry&) { return called = true; }, &err));
        EXPECT_FALSE(called);
        EXPECT_NE(err.dosCode, 0) << err.message;
        EXPECT_TRUE(!refused || err.dosCode == kDosAccessDenied) << err.message;
        EXPECT_NE(err.message.find(refused ? temp.path() : "gone"), std::string::npos);
    }
    fault::Reset();
}

} // namespace
} // namespace vorlane::platform
