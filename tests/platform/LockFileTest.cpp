#include "platform/LockFile.h"

#include "PlatformTestUtil.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

using test::TempDir;

TEST(LockFileTest, SecondHolderInTheSameProcessFailsUntilRelease) {
    TempDir dir;
    const std::string path = dir / "VORLN32.DAT";
    LockFile first, second;
    SysError err;
    ASSERT_TRUE(first.Acquire(path, true, &err)) << err.message;
    EXPECT_TRUE(first.Held());
    EXPECT_TRUE(FailedWith(second.Acquire(path, true, &err), err, kDosSharingViolation));
    EXPECT_NE(err.message.find(path), std::string::npos);
    EXPECT_FALSE(second.Held());

    // The descriptor is usable for the locked file's own data.
    ASSERT_EQ(::write(first.Fd(), "data", 4), 4);
    LockFile moved(std::move(first));
    EXPECT_FALSE(first.Held());
    EXPECT_FALSE(second.Acquire(path, false, &err)); // the lock moved with it
    moved.Release();
    EXPECT_TRUE(second.Acquire(path, false, &err));
    EXPECT_EQ(test::ReadFile(path), "data");
}

// A child process takes the lock, reports over a pipe, and holds it until
// the parent writes a byte (or just exits, as a crashed holder would).
TEST(LockFileTest, LockHeldByAnotherProcessConflictsAndDiesWithIt) {
    TempDir dir;
    const std::string path = dir / "VORLN32.DAT";
    for (bool crash : {false, true}) {
        int toParent[2], toChild[2];
        ASSERT_EQ(::pipe(toParent), 0);
        ASSERT_EQ(::pipe(toChild), 0);
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            LockFile held;
            char ok = held.Acquire(path, true) ? 'y' : 'n';
            (void)!::write(toParent[1], &ok, 1);
            if (!crash)
                (void)!::read(toChild[0], &ok, 1);
            ::_exit(0); // a crash: the lock is never released by the holder
        }
        char answer = 0;
        ASSERT_EQ(::read(toParent[0], &answer, 1), 1);
        ASSERT_EQ(answer, 'y');
        LockFile mine;
        SysError err;
        if (!crash) {
            EXPECT_TRUE(FailedWith(mine.Acquire(path, true, &err), err, kDosSharingViolation));
            ASSERT_EQ(::write(toChild[1], "x", 1), 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(mine.Acquire(path, true, &err)) << err.message;
        for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
            ::close(fd);
    }
}

} // namespace
} // namespace vorlane::platform
