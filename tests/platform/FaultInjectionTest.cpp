// The fault-injection seam itself: a build with the tests compiles it, and
// the allocation seam fails exactly the armed allocation of the arming
// thread, in every form of operator new.
#include "platform/FaultInjection.h"

#include "platform/File.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace vorlane::platform {
namespace {

// Keeps the compiler from leaving out an allocation it can see is unused.
void* volatile g_escape = nullptr;

struct FaultInjectionTest : ::testing::Test {
    void SetUp() override { fault::Reset(); }
    void TearDown() override { fault::Reset(); }
};

// Most test programs arm the seam; a build with the tests but without it
// once failed a dozen of them.
TEST_F(FaultInjectionTest, EveryTestBuildCompilesTheSeam) {
    test::TempDir dir;
    test::WriteFile(dir / "f", "x");
    fault::Arm(fault::Op::Open, 1, EACCES);
    File file;
    SysError err;
    EXPECT_FALSE(file.Open(dir / "f", kOpenRead, &err));
    EXPECT_EQ(err.dosCode, kDosAccessDenied);
    EXPECT_TRUE(file.Open(dir / "f", kOpenRead, &err)); // once only
    EXPECT_EQ(fault::Calls(fault::Op::Open), 2);
}

TEST_F(FaultInjectionTest, ArmedAllocationFailsInEveryFormOfNew) {
    struct Case {
        const char* name;
        bool (*fails)(); // true when the allocation failed
    } cases[] = {
        {"new",
         [] {
             try {
                 int* p = new int(1);
                 g_escape = p;
                 delete p;
                 return false;
             } catch (const std::bad_alloc&) {
                 return true;
             }
         }},
        {"new[]",
         [] {
             try {
                 char* p = new char[100];
                 g_escape = p;
                 delete[] p;
                 return false;
             } catch (const std::bad_alloc&) {
                 return true;
             }
         }},
        {"nothrow new",
         [] {
             int* p = new (std::nothrow) int(1);
             g_escape = p;
             delete p;
             return p == nullptr;
         }},
        {"nothrow new[]",
         [] {
             char* p = new (std::nothrow) char[100];
             g_escape = p;
             delete[] p;
             return p == nullptr;
         }},
        {"a string",
         [] {
             try {
                 std::string s(1000, 'x');
                 return false;
             } catch (const std::bad_alloc&) {
                 return true;
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fault::Reset();
        fault::Arm(fault::Op::Alloc, 1, ENOMEM);
        bool failed = c.fails();
        fault::Reset();
        EXPECT_TRUE(failed);
        EXPECT_FALSE(c.fails()); // disarmed: the memory comes as usual
    }
}

TEST_F(FaultInjectionTest, AllocationSeamCountsOnlyTheArmingThread) {
    // Another thread allocating while the seam is armed neither counts nor
    // fails.
    std::atomic<bool> go{false};
    std::thread other([&go] {
        while (!go)
            std::this_thread::yield();
        for (int i = 0; i < 100; ++i) {
            int* p = new int(i);
            g_escape = p;
            delete p;
        }
    });
    std::vector<std::unique_ptr<int>> made;
    made.reserve(8);
    // The third allocation fails, once; then they succeed again.
    fault::Reset();
    fault::Arm(fault::Op::Alloc, 3, ENOMEM);
    go = true;
    other.join();
    EXPECT_EQ(fault::Calls(fault::Op::Alloc), 0);
    int failures = 0;
    for (int i = 0; i < 5; ++i) {
        try {
            made.push_back(std::make_unique<int>(i));
        } catch (const std::bad_alloc&) {
            ++failures;
        }
    }
    int calls = fault::Calls(fault::Op::Alloc);
    fault::Reset();
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(made.size(), 4u);

    fault::Arm(fault::Op::Alloc, 2, ENOMEM, /*sticky=*/true);
    failures = 0;
    for (int i = 0; i < 4; ++i) {
        try {
            int* p = new int(i);
            g_escape = p;
            delete p;
        } catch (const std::bad_alloc&) {
            ++failures;
        }
    }
    fault::Reset();
    EXPECT_EQ(failures, 3);
}

} // namespace
} // namespace vorlane::platform
