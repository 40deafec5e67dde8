// The application's door to the database: opening at start-up, refusal of a
// second instance, and user parameters (fonts, thumbnail settings) kept
// across runs.
#include "objdb/CObjectDatabaseUserParameters.h"
#include "objdb/CKeyedFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlane::objdb {
namespace {

using vorlane::test::ReadFile;
using vorlane::test::TempDir;

TEST(UserParametersTest, ParametersSurviveARestart) {
    TempDir dir;
    std::string path = dir / "VORLN32.DAT";
    std::vector<uint8_t> font(60);
    for (size_t i = 0; i < font.size(); ++i)
        font[i] = uint8_t(i * 3);
    std::vector<uint8_t> thumbs = {3, 0, 0, 0, 48, 0, 0, 0, 36, 0, 0, 0, 75, 0, 0, 0};
    {
        CObjectDatabaseUserParameters store;
        ASSERT_TRUE(store.Open(path, true, 30000)) << store.LastErrorText();
        std::vector<uint8_t> bytes;
        EXPECT_FALSE(store.GetParameter("\\Fonts\\Tree List", &bytes));
        EXPECT_EQ(store.LastErrorText(), "Object not found in database!");
        ASSERT_TRUE(store.PutParameter("\\Fonts\\Tree List", font));
        ASSERT_TRUE(store.Flush());
        ASSERT_TRUE(store.PutParameter("Thumbnail Settings", thumbs)); // kept by the close
        store.Close();
        EXPECT_FALSE(store.IsOpen());
    }
    EXPECT_TRUE(CheckKeyedFile(path).empty());
    CObjectDatabaseUserParameters store;
    ASSERT_TRUE(store.Open(path, false, 30000));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(store.GetParameter("\\Fonts\\Tree List", &bytes));
    EXPECT_EQ(bytes, font);
    ASSERT_TRUE(store.GetParameter("Thumbnail Settings", &bytes));
    EXPECT_EQ(bytes, thumbs);
    // Parameters are objects of kind 7.
    EXPECT_EQ(store.Database().CountObjects(7), 2);
    ASSERT_TRUE(store.PutParameter("\\Fonts\\Tree List", {1, 2, 3}));
    ASSERT_TRUE(store.GetParameter("\\Fonts\\Tree List", &bytes));
    EXPECT_EQ(bytes.size(), 3u); // any length comes back; the caller judges it
}

TEST(UserParametersTest, ASecondInstanceIsRefusedAndChangesNothing) {
    TempDir dir;
    std::string path = dir / "VORLN32.DAT";
    CObjectDatabaseUserParameters first;
    ASSERT_TRUE(first.Open(path, true, 30000));
    ASSERT_TRUE(first.PutParameter("Thumbnail Settings", {0, 0, 0, 0}));
    ASSERT_TRUE(first.Flush());
    std::string before = ReadFile(path);

    // Another process: the lock is per open file, so a child shows what a
    // second program meets.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CObjectDatabaseUserParameters second;
        bool opened = second.Open(path, true, 30000);
        bool textRight =
            second.LastErrorText() == "Unable to create/open object database '" + path + "'.";
        ::_exit(!opened && textRight ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    CObjectDatabaseUserParameters second;
    EXPECT_FALSE(second.Open(path, true, 30000));
    EXPECT_EQ(second.LastErrorText(), "Unable to create/open object database '" + path + "'.");
    EXPECT_NE(second.LastErrorDetail().find("in use"), std::string::npos);
    EXPECT_EQ(ReadFile(path), before);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(second.GetParameter("Thumbnail Settings", &bytes));
    EXPECT_EQ(second.LastErrorText(), "An object database is NOT opened!");
    EXPECT_TRUE(first.GetParameter("Thumbnail Settings", &bytes));
}

} // namespace
} // namespace vorlane::objdb
