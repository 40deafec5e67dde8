// Jobs on worker threads: questions carried to the GUI thread, status
// windows coalesced and cancelled through a flag, the GUI thread free while
// a job is stuck in a read, and the one-drive-at-a-time order.
#include "GuiTestSupport.h"

#include "gui/CJobManager.h"
#include "gui/CJobUserInterface.h"
#include "gui/QtUserInterface.h"
#include "gui/StatusWindows.h"
#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "platform/File.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <functional>

namespace vorlane::gui::test {

namespace {

namespace fault = platform::fault;

// A job made of a function, on the drives given.
class FunctionJob : public ui::Job {
  public:
    FunctionJob(std::string letters, std::function<ui::JobResult(ui::OperationContext&)> body)
        : m_letters(std::move(letters)), m_body(std::move(body)) {}
    std::string Title() const override { return "Test Job"; }
    std::string DriveLetters() const override { return m_letters; }
    ui::JobResult Run(ui::OperationContext& context) override { return m_body(context); }

  private:
    std::string m_letters;
    std::function<ui::JobResult(ui::OperationContext&)> m_body;
};

// The scripted interface, remembering which thread each question came on.
class ThreadRecordingUi : public ui::ScriptedUserInterface {
  public:
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        return ui::ScriptedUserInterface::AskYesNo(text, caption);
    }
    bool onGuiThread = false;
};

class JobManagerTest : public GuiTest {
  protected:
    JobManagerTest()
        : m_context(m_recording, std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec(
                                     "C=" + m_c.path() + ";D=" + m_d.path()))) {
        m_recording.OnUnexpected(
            [](const std::string& what) { ADD_FAILURE() << "unexpected: " << what; });
        m_recording.SetRunsJobsInline(false); // jobs on worker threads
        m_ui.SetRunsJobsInline(false);
        fault::Reset();
    }
    ~JobManagerTest() override { fault::Reset(); }

    uint64_t Start(CJobManager& jobs, const std::string& letters,
                   std::function<ui::JobResult(ui::OperationContext&)> body,
                   ui::JobResult* result = nullptr) {
        return jobs.Start(std::make_unique<FunctionJob>(letters, std::move(body)), m_context,
                          [result](const ui::JobResult& r) {
                              if (result)
                                  *result = r;
                          });
    }

    ThreadRecordingUi m_recording;
    ui::OperationContext m_context;
};

TEST_F(JobManagerTest, QuestionsOfAJobAreAnsweredOnTheGuiThread) {
    CJobManager jobs(m_recording);
    m_recording.QueueYesNo(true);
    std::atomic<bool> answer{false};
    ui::JobResult result;
    Start(
        jobs, "C",
        [&](ui::OperationContext& context) {
            answer = context.Ui().AskYesNo("Overwrite 'C:\\A'?", "Copy Files");
            context.Ui().Message("Done.", "Vorlane", ui::Buttons::Ok, ui::Icon::Information);
            return ui::JobResult{true, false, "asked"};
        },
        &result);
    ASSERT_TRUE(jobs.WaitForAll(10000));
    EXPECT_TRUE(answer);
    EXPECT_TRUE(m_recording.onGuiThread);
    EXPECT_EQ(result.summary, "asked");
    EXPECT_EQ(m_recording.Texts(), std::vector<std::string>({"Overwrite 'C:\\A'?", "Done."}));
    EXPECT_TRUE(jobs.Idle());
}

TEST_F(JobManagerTest, StatusUpdatesAreCoalescedAndEndOnTheLastValues) {
    CJobManager jobs(m_recording);
    Start(jobs, "C", [](ui::OperationContext& context) {
        auto status = context.Ui().MakeStatusWindow(ui::StatusKind::Operation, "Copy Files");
        status->SetOverallLabel("Files copied (or skipped):");
        for (int i = 0; i <= 20000; ++i)
            status->SetCurrentPercent(i / 200);
        status->SetCurrentMessage("last");
        return ui::JobResult{};
    });
    ASSERT_TRUE(jobs.WaitForAll(10000));
    PumpUntil([&] {
        return !m_recording.StatusWindows().empty() && m_recording.StatusWindows()[0]->destroyed;
    });
    ASSERT_EQ(m_recording.StatusWindows().size(), 1u);
    const ui::StatusLog& log = *m_recording.StatusWindows()[0];
    EXPECT_EQ(log.caption, "Copy Files");
    std::vector<int> percents = log.Percents(ui::StatusLog::Call::CurrentPercent);
    ASSERT_FALSE(percents.empty());
    EXPECT_LT(percents.size(), 1000u); // far fewer repaints than setter calls
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::CurrentMessage).back(), "last");
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::OverallLabel),
              std::vector<std::string>({"Files copied (or skipped):"}));
    EXPECT_TRUE(log.destroyed);
}

// A job stuck in a read (a hung mount) leaves the GUI thread free: its
// timers fire and a window can change directory; cancelling while it is
// stuck ends it as soon as the read returns.
TEST_F(JobManagerTest, AJobStuckInAReadLeavesTheGuiThreadFree) {
    MakeFile("big.bin", 4096);
    CJobManager jobs(m_recording);
    fault::ArmStall(fault::Op::Read, 1);
    ui::JobResult result;
    std::atomic<int> readsAfterStall{0};
    Start(
        jobs, "C",
        [&](ui::OperationContext& context) {
            auto status = context.Ui().MakeStatusWindow(ui::StatusKind::Operation, "Copy Files");
            platform::File file;
            std::string host;
            if (!file.Open(m_c / "big.bin", platform::kOpenRead))
                return ui::JobResult{false, false, "open failed"};
            char buffer[512];
            size_t got = 0;
            do {
                if (status->Cancelled())
                    return ui::JobResult{false, true, "cancelled"};
                if (!file.Read(buffer, sizeof buffer, &got))
                    return ui::JobResult{false, false, "read failed"};
                ++readsAfterStall;
            } while (got > 0);
            return ui::JobResult{true, false, "read"};
        },
        &result);
    // The job makes its status window on this thread before it reads.
    ASSERT_TRUE(PumpUntil([] { return fault::WaitForStall(0); }));

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    TFileManagerWindow& window = Open("C:");
    EXPECT_TRUE(window.GoTo("C:\\SUB"));
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }));
    EXPECT_FALSE(jobs.Idle());
    EXPECT_EQ(jobs.Summary(), "1 job running");
    EXPECT_EQ(readsAfterStall, 0);

    jobs.CancelAll();
    fault::ReleaseStall();
    ASSERT_TRUE(jobs.WaitForAll(10000));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(readsAfterStall, 1); // the stuck read finished, the next poll stopped it
}

TEST_F(JobManagerTest, JobsOnOneDriveWaitForEachOtherOthersRunBeside) {
    CJobManager jobs(m_recording);
    std::atomic<bool> releaseFirst{false};
    std::atomic<int> order{0};
    int firstEnded = 0;
    int secondStarted = 0;
    int otherDriveStarted = 0;
    Start(jobs, "C", [&](ui::OperationContext&) {
        while (!releaseFirst)
            QThread::msleep(1);
        firstEnded = ++order;
        return ui::JobResult{};
    });
    Start(jobs, "CD", [&](ui::OperationContext&) {
        secondStarted = ++order;
        return ui::JobResult{};
    });
    std::atomic<bool> otherRan{false};
    Start(jobs, "E", [&](ui::OperationContext&) {
        otherDriveStarted = ++order;
        otherRan = true;
        return ui::JobResult{};
    });
    EXPECT_EQ(jobs.Summary(), "2 jobs running, 1 waiting");
    EXPECT_TRUE(PumpUntil([&] { return otherRan.load(); }));
    releaseFirst = true;
    ASSERT_TRUE(jobs.WaitForAll(10000));
    EXPECT_EQ(otherDriveStarted, 1);
    EXPECT_EQ(firstEnded, 2);
    EXPECT_EQ(secondStarted, 3);
}

TEST_F(JobManagerTest, ClosingDeclinesQuestionsAndCancelsWaitingJobs) {
    ui::JobResult waiting;
    std::atomic<bool> started{false};
    std::atomic<bool> asked{false};
    std::atomic<bool> answer{true};
    {
        CJobManager jobs(m_recording);
        Start(jobs, "C", [&](ui::OperationContext& context) {
            started = true;
            while (!context.Cancelled())
                QThread::msleep(1);
            answer = context.Ui().AskYesNo("Overwrite?", "Copy Files");
            asked = true;
            return ui::JobResult{};
        });
        Start(
            jobs, "C",
            [](ui::OperationContext&) {
                return ui::JobResult{true, false, "ran"};
            },
            &waiting);
        ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
    } // the manager closes: cancels, declines, waits
    EXPECT_TRUE(asked);
    EXPECT_FALSE(answer);
    EXPECT_TRUE(m_recording.Shown().empty()); // no dialog while closing
    EXPECT_TRUE(waiting.cancelled);
    EXPECT_NE(waiting.summary, "ran");
}

TEST_F(JobManagerTest, TheFrameShowsRunningJobsAndStopsThemWhenItCloses) {
    CVorlaneFrame& frame = Frame();
    std::atomic<bool> started{false};
    ui::JobResult result;
    frame.Jobs().Start(std::make_unique<FunctionJob>("C",
                                                     [&](ui::OperationContext& context) {
                                                         started = true;
                                                         while (!context.Cancelled())
                                                             QThread::msleep(1);
                                                         return ui::JobResult{false, true, ""};
                                                     }),
                       m_context, [&](const ui::JobResult& r) { result = r; });
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
    QLabel* jobs = frame.FrameStatusBar()->JobsLabel();
    EXPECT_EQ(jobs->text(), "1 job running");
    EXPECT_FALSE(jobs->isHidden());

    m_ui.QueueYesNo(false); // keep the program open: the job goes on
    EXPECT_FALSE(frame.close());
    EXPECT_FALSE(frame.Jobs().Idle());
    m_ui.QueueYesNo(true);
    EXPECT_TRUE(frame.close());
    EXPECT_TRUE(frame.Jobs().Idle());
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(jobs->isHidden());
    EXPECT_EQ(m_ui.Texts(),
              std::vector<std::string>(2, "An operation is still running. Stop it and exit?"));
}

// A drag-and-drop copy, as the user makes it: the job runs on a worker
// with the real Qt interface. Stuck in a read (a hung mount), it leaves the
// GUI thread free: a timer keeps firing, another window changes directory,
// the frame says a job runs. Let go, it finishes and the target window
// shows the file; cancelled in its status window while stuck, it ends
// without a partial file and with the source untouched.
class DropJobTest : public GuiTest {
  protected:
    DropJobTest() : m_installedQt(&m_qt) {
        fault::Reset();
        ::mkdir((m_d / "IN").c_str(), 0700);
        MakeFile("big.bin", 3 * 1024 * 1024);
    }
    ~DropJobTest() override { fault::Reset(); }

    static COperationStatusDialog* JobStatusDialog() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<COperationStatusDialog*>(w);
                dialog && dialog->isVisible())
                return dialog;
        return nullptr;
    }

    QtUserInterface m_qt;
    ui::ScopedUserInterface m_installedQt;
};

TEST_F(DropJobTest, ACopyStuckInAReadLeavesTheWindowsLiveAndEndsCleanly) {
    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled while stuck" : "let go");
        ::unlink((m_d / "IN/big.bin").c_str());
        TFileManagerWindow& to = Open("D:", "D:\\IN");
        TFileManagerWindow& other = Open("C:");
        fault::ArmStall(fault::Op::Read, 2); // a megabyte in, the next read hangs
        ASSERT_TRUE(to.DropFiles({"C:\\big.bin"}, "D:\\IN", Qt::ControlModifier));
        ASSERT_TRUE(PumpUntil([] { return fault::WaitForStall(0); }));

        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(5);
        EXPECT_TRUE(other.GoTo("C:\\SUB"));
        EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }));
        EXPECT_EQ(Frame().FrameStatusBar()->JobsLabel()->text(), "1 job running");
        COperationStatusDialog* status = JobStatusDialog();
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->windowTitle(), "Copy Files");
        EXPECT_FALSE(status->isModal()); // the other windows stay usable

        if (cancel) {
            status->reject(); // its Cancel button
            QTest::qWait(3 * CJobUserInterface::kStatusRefreshMs);
        }
        fault::ReleaseStall();
        ASSERT_TRUE(Frame().Jobs().WaitForAll(10000));
        Pump();
        EXPECT_EQ(ReadAll(m_c / "big.bin").size(), 3u * 1024 * 1024);
        if (cancel) {
            EXPECT_TRUE(std::filesystem::is_empty(m_d / "IN")); // no partial target
            EXPECT_FALSE(Names(to).contains("big.bin"));
        } else {
            EXPECT_EQ(ReadAll(m_d / "IN/big.bin"), ReadAll(m_c / "big.bin"));
            EXPECT_TRUE(Names(to).contains("big.bin"));
        }
        EXPECT_EQ(JobStatusDialog(), nullptr);
    }
}

} // namespace

} // namespace vorlane::gui::test
