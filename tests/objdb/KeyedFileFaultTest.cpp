// Failures of the file layer, injected through the platform's seam: every
// write, sync and size change of a transaction and its commit is failed in
// turn, and so is every allocation of each kind of operation. The handle
// must refuse further changes, and a reopen must find the last committed
// state (or, when only the copying home after the header switch failed, the
// new one), sound.
#include "KeyedFileTestUtil.h"
#include "objdb/CKeyedFile.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>

namespace vorlane::objdb {
namespace {

#ifdef VORLANE_FAULT_INJECTION

namespace fault = platform::fault;
using vorlane::test::TempDir;
using Model = std::map<std::string, std::string>;

class KeyedFileFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fault::Reset();
        m_path = m_dir / "faults.dat";
    }
    void TearDown() override { fault::Reset(); }

    // The committed state every case starts from.
    void MakeBase() {
        std::remove(m_path.c_str());
        CKeyedFile file;
        ASSERT_EQ(file.Create(m_path, 'E', 1), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        m_base.clear();
        for (int i = 0; i < 200; ++i) {
            std::string key = "base" + std::to_string(i * 7 % 200);
            std::string data(size_t(50 + i * 31 % 3000), char('a' + i % 26));
            ASSERT_EQ(file.Add(1, key, 0, data.data(), data.size()), kKfSuccess);
            m_base[key] = data;
        }
        ASSERT_EQ(file.Close(), kKfSuccess);
    }

    // Changes that split, merge and move records; returns the first failure.
    int32_t Change(CKeyedFile& file, Model* model) {
        for (int i = 0; i < 120; ++i) {
            std::string key = "new" + std::to_string(i * 13 % 120);
            std::string data(size_t(10 + i * 97 % 5000), char('A' + i % 26));
            if (int32_t s = file.Add(1, key, 0, data.data(), data.size()))
                return s;
            (*model)[key] = data;
        }
        for (int i = 0; i < 200; i += 3) {
            std::string key = "base" + std::to_string(i);
            if (int32_t s = file.Delete(1, key, 0))
                return s;
            model->erase(key);
        }
        for (int i = 1; i < 200; i += 3) {
            std::string key = "base" + std::to_string(i);
            std::string data(size_t(i * 11 % 7000), 'u');
            if (int32_t s = file.Update(1, key, 0, data.data(), data.size()))
                return s;
            (*model)[key] = data;
        }
        return file.Flush();
    }

    Model Reopened() {
        CKeyedFile file;
        EXPECT_EQ(file.Open(m_path, 'E', 2), kKfSuccess) << file.LastErrorDetail();
        std::vector<std::string> problems = file.Check();
        EXPECT_TRUE(problems.empty()) << problems.front();
        Model out;
        for (auto& [k, v] : test::ReadAll(file))
            out[k] = v;
        return out;
    }

    TempDir m_dir;
    std::string m_path;
    Model m_base;
};

TEST_F(KeyedFileFaultTest, EveryFailedWriteLeavesACommittedState) {
    // A run without faults tells how many calls the change makes.
    MakeBase();
    Model changed = m_base;
    int calls[3];
    {
        CKeyedFile file;
        ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        fault::Reset();
        ASSERT_EQ(Change(file, &changed), kKfSuccess);
        calls[0] = fault::Calls(fault::Op::Write);
        calls[1] = fault::Calls(fault::Op::Fsync);
        calls[2] = fault::Calls(fault::Op::Truncate);
    }
    ASSERT_GT(calls[0], 100);
    ASSERT_GE(calls[1], 2);
    const fault::Op ops[3] = {fault::Op::Write, fault::Op::Fsync, fault::Op::Truncate};
    int failures = 0;
    for (int o = 0; o < 3; ++o) {
        for (int nth = 1; nth <= calls[o]; ++nth) {
            // Cover every call near the commit, and a sample of the data writes.
            if (o == 0 && nth < calls[0] - 12 && nth % 5 != 1)
                continue;
            SCOPED_TRACE("op " + std::to_string(o) + " call " + std::to_string(nth));
            MakeBase();
            CKeyedFile file;
            ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
            ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
            fault::Reset();
            fault::Arm(ops[o], nth, ENOSPC);
            Model model = m_base;
            int32_t status = Change(file, &model);
            int writesDone = fault::Calls(fault::Op::Write);
            fault::Reset();
            ASSERT_NE(status, kKfSuccess);
            ++failures;
            EXPECT_TRUE(file.WritesRefused());
            EXPECT_EQ(file.Add(1, "later", 0, "x", 1), kKfWritesRefused);
            EXPECT_EQ(file.Flush(), kKfWritesRefused);
            EXPECT_EQ(file.Close(), kKfHeaderWriteFailed);
            Model after = Reopened();
            // Up to the header write the old state stays; after it (only the
            // copies home or the last sync can fail there) the new one holds.
            if (after != m_base) {
                EXPECT_TRUE(after == changed) << "neither the old nor the new state";
                EXPECT_TRUE(o != 0 || writesDone >= calls[0] - 20);
            }
        }
    }
    EXPECT_GT(failures, 40);
}

// The nth allocation of one operation throws std::bad_alloc, for every n the
// operation makes, in the middle of a transaction; then the work goes on as
// a caller's would (an add, a flush, a close). A change cut short must
// leave the handle refusing changes, never commit half-changed blocks: the
// file reopens sound, with the last committed state or (when the failure
// came after a commit's header switch) the new one. A failed read harms
// nothing.
TEST_F(KeyedFileFaultTest, AllocationFailureInsideAnOperationNeverCorruptsTheFile) {
    // Keys added in ascending order fill their leaves: an add in the middle
    // splits one.
    std::remove(m_path.c_str());
    Model base;
    {
        CKeyedFile file;
        ASSERT_EQ(file.Create(m_path, 'E', 1), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        for (int i = 0; i < 3000; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "k%05d", i);
            std::string data = i % 50 == 0 ? std::string(size_t(100 + i / 10), 'd') : "";
            ASSERT_EQ(file.Add(1, key, 0, data.data(), data.size()), kKfSuccess);
            base[key] = data;
        }
        ASSERT_EQ(file.Close(), kKfSuccess);
    }
    const std::string snapshot = vorlane::test::ReadFile(m_path);

    using Prepare = std::function<void(CKeyedFile&, Model*)>;
    const Prepare none = [](CKeyedFile&, Model*) {};
    // Adds, updates and deletes spread over the file, left uncommitted.
    const Prepare spread = [](CKeyedFile& file, Model* model) {
        for (int i = 0; i < 3000; i += 61) {
            char key[16];
            std::snprintf(key, sizeof key, "k%05dy", i);
            ASSERT_EQ(file.Add(1, key, 0, "new", 3), kKfSuccess);
            (*model)[key] = "new";
            std::snprintf(key, sizeof key, "k%05d", i + 7);
            ASSERT_EQ(file.Update(1, key, 0, "changed", 7), kKfSuccess);
            (*model)[key] = "changed";
            std::snprintf(key, sizeof key, "k%05d", i + 9);
            ASSERT_EQ(file.Delete(1, key, 0), kKfSuccess);
            model->erase(key);
        }
    };
    // Thins out the first leaves, so that one more delete merges two.
    const Prepare thin = [](CKeyedFile& file, Model* model) {
        for (int i = 1; i < 200; ++i) {
            if (i % 20 == 0)
                continue;
            char key[16];
            std::snprintf(key, sizeof key, "k%05d", i);
            ASSERT_EQ(file.Delete(1, key, 0), kKfSuccess);
            model->erase(key);
        }
    };
    const std::string longer(2000, 'L');
    std::string buffer(4096, '\0');
    struct Case {
        const char* name;
        Prepare prepare;
        std::function<int32_t(CKeyedFile&)> run; // allocates nothing of its own
        std::function<void(Model*)> apply;       // what it does when it succeeds
        bool change;
        int blocksMade; // index blocks it makes (negative: frees); 99 = any
    } cases[] = {
        {"add that splits a full leaf", none,
         [&](CKeyedFile& f) { return f.Add(1, "k01234x", 0, longer.data(), 300); },
         [&](Model* m) { (*m)["k01234x"] = longer.substr(0, 300); }, true, 1},
        {"update to a longer record", spread,
         [&](CKeyedFile& f) { return f.Update(1, "k00500", 0, longer.data(), longer.size()); },
         [&](Model* m) { (*m)["k00500"] = longer; }, true, 0},
        {"delete that merges two leaves", thin,
         [](CKeyedFile& f) { return f.Delete(1, "k00040", 0); },
         [](Model* m) { m->erase("k00040"); }, true, -1},
        {"flush", spread, [](CKeyedFile& f) { return f.Flush(); }, [](Model*) {}, true, 0},
        {"close", spread, [](CKeyedFile& f) { return f.Close(); }, [](Model*) {}, true, 0},
        {"find", spread,
         [&](CKeyedFile& f) { return f.Find(1, "k01000", 0, buffer.data(), buffer.size()); },
         [](Model*) {}, false, 0},
        {"next", spread, [&](CKeyedFile& f) { return f.Next(1, buffer.data(), buffer.size()); },
         [](Model*) {}, false, 0},
    };
    int failures = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool closes = std::string(c.name) == "close";
        // The operation does what the case says (checked without faults).
        {
            vorlane::test::WriteFile(m_path, snapshot);
            CKeyedFile file;
            ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
            ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
            Model model = base;
            c.prepare(file, &model);
            KeyedFileStatistics before, after;
            ASSERT_EQ(file.Statistics(&before), kKfSuccess);
            ASSERT_GE(c.run(file), kKfSuccess);
            if (!closes) {
                ASSERT_EQ(file.Statistics(&after), kKfSuccess);
                EXPECT_EQ(int64_t(after.indexBlocks) - int64_t(before.indexBlocks), c.blocksMade);
            }
        }
        for (int nth = 1;; ++nth) {
            SCOPED_TRACE("allocation " + std::to_string(nth));
            vorlane::test::WriteFile(m_path, snapshot);
            CKeyedFile file;
            ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
            ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
            // A position from before the changes: next must search the tree.
            ASSERT_EQ(file.First(1, nullptr, 0), kKfSuccess);
            Model model = base;
            c.prepare(file, &model);
            fault::Reset();
            fault::Arm(fault::Op::Alloc, nth, ENOMEM);
            int32_t status = c.run(file);
            bool fired = fault::Calls(fault::Op::Alloc) >= nth;
            fault::Reset();
            if (!fired) {
                EXPECT_GE(status, kKfSuccess);
                EXPECT_GT(nth, 1);
                break;
            }
            ++failures;
            Model done = model;
            c.apply(&done);
            if (closes) {
                EXPECT_EQ(status, kKfHeaderWriteFailed);
                EXPECT_FALSE(file.IsOpen());
            } else {
                EXPECT_EQ(status, kKfOutOfMemory);
                EXPECT_EQ(file.WritesRefused(), c.change);
                // The caller goes on.
                int32_t later = file.Add(1, "later", 0, "x", 1);
                EXPECT_EQ(file.Flush(), later);
                int32_t closed = file.Close();
                if (c.change) {
                    EXPECT_EQ(later, kKfWritesRefused);
                    EXPECT_EQ(closed, kKfHeaderWriteFailed);
                } else {
                    EXPECT_EQ(later, kKfSuccess);
                    EXPECT_EQ(closed, kKfSuccess);
                    done["later"] = "x";
                }
            }
            Model after = Reopened();
            if (c.change)
                EXPECT_TRUE(after == base || after == done) << "neither the old nor the new state";
            else
                EXPECT_TRUE(after == done);
            if (HasFailure())
                return;
        }
    }
    EXPECT_GT(failures, 100);
}

TEST_F(KeyedFileFaultTest, FailedReadsAreReportedAndHarmless) {
    MakeBase();
    CKeyedFile file;
    ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
    ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    std::string buffer(4096, '\0');
    fault::Arm(fault::Op::Read, 1, EIO);
    EXPECT_EQ(file.Find(1, "base5", 0, buffer.data(), buffer.size()), kKfReadFailed);
    EXPECT_FALSE(file.LastErrorDetail().empty());
    EXPECT_EQ(file.Find(1, "base5", 0, buffer.data(), buffer.size()), kKfSuccess);
    EXPECT_EQ(buffer.substr(0, m_base["base5"].size()), m_base["base5"]);
    EXPECT_FALSE(file.WritesRefused());
    EXPECT_EQ(file.Add(1, "fine", 0, "x", 1), kKfSuccess);
    EXPECT_EQ(file.Close(), kKfSuccess);
}

TEST_F(KeyedFileFaultTest, FailedOpenAndCreateLeaveNothingBehind) {
    CKeyedFile file;
    fault::Arm(fault::Op::Open, 1, EACCES);
    EXPECT_NE(file.Create(m_path, 'E', 1), kKfSuccess);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(vorlane::test::FileExists(m_path));
    fault::Reset();
    fault::Arm(fault::Op::Write, 1, ENOSPC);
    EXPECT_EQ(file.Create(m_path, 'E', 1), kKfShortWrite);
    EXPECT_FALSE(vorlane::test::FileExists(m_path));
    fault::Reset();
    MakeBase();
    fault::Arm(fault::Op::Open, 1, EMFILE);
    EXPECT_EQ(file.Open(m_path, 'E', 2), kKfCannotOpen);
    fault::Reset();
    EXPECT_TRUE(Reopened() == m_base);
}

// A crash between the header switch and the end of the copies home is
// finished by the next open; a failure while finishing it leaves it to the
// open after that.
TEST_F(KeyedFileFaultTest, InterruptedRecoveryIsFinishedLater) {
    MakeBase();
    Model changed = m_base;
    std::string snapshot;
    {
        CKeyedFile file;
        ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        ASSERT_EQ(Change(file, &changed), kKfSuccess);
        snapshot = vorlane::test::ReadFile(m_path);
    }
    for (int nth = 1; nth <= 6; ++nth) {
        SCOPED_TRACE("recovery write " + std::to_string(nth));
        vorlane::test::WriteFile(m_path, snapshot);
        {
            CKeyedFile file;
            fault::Arm(fault::Op::Write, nth, EIO);
            int32_t status = file.Open(m_path, 'E', 2);
            fault::Reset();
            if (status == kKfSuccess)
                continue; // recovery needed fewer writes
            EXPECT_EQ(status, kKfShortWrite);
            EXPECT_FALSE(file.IsOpen());
        }
        EXPECT_TRUE(Reopened() == changed);
    }
}

#endif // VORLANE_FAULT_INJECTION

} // namespace
} // namespace vorlane::objdb
