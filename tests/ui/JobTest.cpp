// The order rule of jobs and the change-notice fan-out.
#include "ui/Job.h"
#include "ui/ChangeNotices.h"

#include <gtest/gtest.h>

#include <thread>

namespace vorlane::ui {
namespace {

TEST(JobQueueTest, JobsSharingADriveRunInStartOrderOthersSideBySide) {
    JobQueue queue;
    EXPECT_TRUE(queue.Add(1, "C"));   // copy on C: starts
    EXPECT_TRUE(queue.Add(2, "d"));   // another drive: starts beside it
    EXPECT_FALSE(queue.Add(3, "CD")); // C to D: waits for both
    EXPECT_FALSE(queue.Add(4, "C"));  // C again: waits behind job 3, not only job 1
    EXPECT_TRUE(queue.Add(5, "E"));   // E is free
    EXPECT_TRUE(queue.Add(6, "9 ;")); // no letters: nothing to wait for
    EXPECT_TRUE(queue.IsRunning(1));
    EXPECT_FALSE(queue.IsRunning(3));

    EXPECT_TRUE(queue.Finish(1).empty()); // 3 still waits for 2; 4 waits for 3
    EXPECT_EQ(queue.Finish(2), std::vector<uint64_t>({3}));
    EXPECT_EQ(queue.Finish(3), std::vector<uint64_t>({4}));
    EXPECT_TRUE(queue.Finish(99).empty()); // unknown ids change nothing
    EXPECT_EQ(queue.Pending(), 3u);        // 4, 5, 6
}

TEST(JobQueueTest, DriveLettersAreNormalized) {
    EXPECT_EQ(NormalizeDriveLetters("c:\\A;d:,C"), "CAD");
    EXPECT_EQ(NormalizeDriveLetters(""), "");
}

TEST(ChangeNoticeTest, FanOutReachesEverySubscriberUntilItLeaves) {
    ChangeFanOut fanOut;
    ChangeRecorder first;
    ChangeRecorder second;
    int a = fanOut.Subscribe([&](const ChangeNotice& n) { first.Notify(n); });
    fanOut.Subscribe([&](const ChangeNotice& n) { second.Notify(n); });
    fanOut.Notify({ChangeKind::Added, "C:\\A.TXT", "", false});
    fanOut.Unsubscribe(a);
    fanOut.Notify({ChangeKind::Renamed, "C:\\A.TXT", "C:\\B.TXT", false});
    EXPECT_EQ(first.Descriptions(), std::vector<std::string>({"Added C:\\A.TXT"}));
    EXPECT_EQ(second.Descriptions(),
              std::vector<std::string>({"Added C:\\A.TXT", "Renamed C:\\A.TXT -> C:\\B.TXT"}));
}

TEST(ChangeNoticeTest, NoticesFromManyThreadsAreAllKept) {
    ChangeFanOut fanOut;
    ChangeRecorder recorder;
    fanOut.Subscribe([&](const ChangeNotice& n) { recorder.Notify(n); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                fanOut.Notify({ChangeKind::Changed, "C:\\X", "", false});
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(recorder.Notices().size(), 2000u);
}

} // namespace
} // namespace vorlane::ui
