#include "platform/FaultInjection.h"
#include "platform/File.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

namespace vorlane::platform {
namespace {

class FaultInjectionTest : public ::testing::Test {
  protected:
    void SetUp() override { fault::Reset(); }
    void TearDown() override { fault::Reset(); }

    // The outcome of `count` checks of op: the errno each returned.
    static std::vector<int> Run(fault::Op op, int count) {
        std::vector<int> results;
        for (int i = 0; i < count; ++i)
            results.push_back(fault::Check(op));
        return results;
    }
};

TEST_F(FaultInjectionTest, ArmedCallFailsOnceCountedFromArming) {
    Run(fault::Op::Write, 3); // calls before arming do not count towards nth
    fault::Arm(fault::Op::Write, 2, ENOSPC);
    EXPECT_EQ(Run(fault::Op::Write, 4), (std::vector<int>{0, ENOSPC, 0, 0}));
    EXPECT_EQ(fault::Calls(fault::Op::Write), 7);
    // Other operations are not touched.
    EXPECT_EQ(Run(fault::Op::Rename, 2), (std::vector<int>{0, 0}));
}

TEST_F(FaultInjectionTest, StickyFaultKeepsFailingUntilDisarmedOrReset) {
    fault::Arm(fault::Op::Fsync, 2, EIO, true);
    EXPECT_EQ(Run(fault::Op::Fsync, 3), (std::vector<int>{0, EIO, EIO}));
    fault::Arm(fault::Op::Fsync, 0, EIO);
    EXPECT_EQ(Run(fault::Op::Fsync, 1), (std::vector<int>{0}));
    fault::Arm(fault::Op::Open, 1, EACCES, true);
    fault::Reset();
    EXPECT_EQ(fault::Calls(fault::Op::Fsync), 0);
    EXPECT_EQ(Run(fault::Op::Open, 1), (std::vector<int>{0}));
}

TEST_F(FaultInjectionTest, PlatformCallsFailWithTheArmedError) {
    test::TempDir dir;
    fault::Arm(fault::Op::Open, 1, EACCES);
    File file;
    SysError err;
    EXPECT_FALSE(file.Open(dir / "new", kOpenWrite | kOpenCreate, &err));
    EXPECT_EQ(err.dosCode, kDosAccessDenied);
    EXPECT_FALSE(test::FileExists(dir / "new"));

    ASSERT_TRUE(file.Open(dir / "new", kOpenWrite | kOpenCreate, &err)) << err.message;
    fault::Arm(fault::Op::Write, 1, ENOSPC);
    EXPECT_FALSE(file.Write("abc", &err));
    EXPECT_EQ(err.dosCode, kDosDiskFull);
    EXPECT_TRUE(file.Write("abc", &err));
}

} // namespace
} // namespace vorlane::platform
