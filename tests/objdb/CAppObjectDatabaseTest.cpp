// The database as the application opens it at start-up: when it cannot be
// opened, the reason comes back as one line the user can act on.
#include "objdb/CAppObjectDatabase.h"

#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace vorlane::objdb {
namespace {

using vorlane::test::TempDir;
namespace fault = platform::fault;

// Every cause gave the same fixed text at start-up; the user could not tell
// another instance from a damaged file or a read-only home.
TEST(AppObjectDatabaseTest, OpenFailureSaysWhy) {
    TempDir dir;
    const std::string path = dir / "VORLN32.DAT";
    CAppObjectDatabase running; // an instance that holds the file
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string reason;
    } cases[] = {
        {"another instance",
         [&] {
             std::string error;
             ASSERT_TRUE(running.Open(path, 30000, &error)) << error;
         },
         "Another Vorlane is running: '" + path + "' is in use."},
        {"a damaged header", [&] { test::WriteFile(path, std::string(2048, 'x')); },
         "The file is damaged: '" + path +
             "' is not a keyed record file: the header does not spell VALIDAT1."},
        {"a truncated file", [&] { test::WriteFile(path, "VAL"); },
         "The file is damaged: '" + path + "' is not a keyed record file: it is 3 bytes long."},
        {"a FIFO in its place", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
         "Cannot open '" + path + "': it is not a regular file."},
        {"a read-only home", [] { fault::Arm(fault::Op::Open, 1, EROFS); },
         "Read-only file system"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(path.c_str());
        fault::Reset();
        c.arrange();
        CAppObjectDatabase db;
        std::string error;
        EXPECT_FALSE(db.Open(path, 30000, &error));
        fault::Reset();
        if (c.reason.find(path) != std::string::npos) {
            EXPECT_EQ(error, c.reason);
        } else {
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        }
        EXPECT_EQ(error.find('\n'), std::string::npos); // one line
        running.Close();
    }
}

} // namespace
} // namespace vorlane::objdb
