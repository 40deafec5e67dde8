// Crashes: a child process runs random adds, updates and deletes with a
// commit after every batch and dies at a random point, killed from outside
// (SIGKILL after a random delay) or stopped dead right before its n-th write
// (a failed write through the fault seam, after which it exits at once).
// After every death the file must open, pass the checker and hold exactly the
// state of the last commit the child finished (or of the one it was in, when
// it died inside Flush after the header switch).
#include "KeyedFileTestUtil.h"
#include "objdb/CKeyedFile.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorlane::objdb {
namespace {

using Model = std::map<std::string, std::string>;

struct Op {
    bool put = true;
    std::string key;
    std::string data;
};
using Batch = std::vector<Op>;

std::vector<Batch> MakeBatches(uint64_t seed, int batches, int ops) {
    std::mt19937_64 rng(seed);
    std::vector<Batch> out(static_cast<size_t>(batches));
    for (Batch& batch : out) {
        for (int i = 0; i < ops; ++i) {
            Op op;
            op.put = rng() % 10 < 7;
            op.key = "0005k" + std::to_string(rng() % 150);
            size_t len = rng() % 20 == 0 ? 8000 + rng() % 8000 : rng() % 1500;
            op.data.assign(len, char('a' + rng() % 26));
            if (len > 0)
                op.data[0] = char(rng());
            batch.push_back(std::move(op));
        }
    }
    return out;
}

void Apply(const Batch& batch, Model* model) {
    for (const Op& op : batch) {
        if (op.put)
            (*model)[op.key] = op.data;
        else
            model->erase(op.key);
    }
}

void Say(int fd, char what, int batch) {
    std::string line = std::string(1, what) + std::to_string(batch) + "\n";
    [[maybe_unused]] ssize_t n = ::write(fd, line.data(), line.size());
}

// The child's whole life; it never returns.
[[noreturn]] void Child(const std::string& path, const std::vector<Batch>& batches, bool durable,
                        int failAtWrite, int fd) {
    CKeyedFile file;
    if (file.Open(path, 'E', 2) != kKfSuccess)
        ::_exit(3);
    file.SetFlushMode(0);
    file.SetDurable(durable);
#ifdef VORLANE_FAULT_INJECTION
    if (failAtWrite > 0)
        platform::fault::Arm(platform::fault::Op::Write, failAtWrite, EIO);
#else
    (void)failAtWrite;
#endif
    for (size_t b = 0; b < batches.size(); ++b) {
        for (const Op& op : batches[b]) {
            int32_t found = file.Find(1, op.key, 0, nullptr, 0);
            int32_t status = kKfSuccess;
            if (op.put && found == kKfSuccess)
                status = file.Update(1, op.key, 0, op.data.data(), op.data.size());
            else if (op.put)
                status = file.Add(1, op.key, 0, op.data.data(), op.data.size());
            else if (found == kKfSuccess)
                status = file.Delete(1, op.key, 0);
            if (status != kKfSuccess)
                ::_exit(0); // dead on the spot, as a crash would leave it
        }
        Say(fd, 'S', int(b));
        if (file.Flush() != kKfSuccess)
            ::_exit(0);
        Say(fd, 'D', int(b));
    }
    Say(fd, 'E', 0);
    ::_exit(0); // no close: the file stays as the last commit left it
}

TEST(KeyedFileCrashTest, EveryCrashLeavesTheLastCommittedState) {
    vorlane::test::TempDir dir;
    std::string path = dir / "crash.dat";
    {
        CKeyedFile file;
        ASSERT_EQ(file.Create(path, 'E', 1), kKfSuccess);
    }
    constexpr int kBatches = 3;
    constexpr int kOps = 10;
    Model model;
    std::mt19937_64 rng(77);
    double fullRunMs = 40;
    int kills = 0, runs = 0;
#ifdef VORLANE_FAULT_INJECTION
    const bool canFailWrites = true;
#else
    const bool canFailWrites = false;
#endif
    while (kills < 205 && runs < 600) {
        ++runs;
        std::vector<Batch> batches = MakeBatches(1000 + uint64_t(runs), kBatches, kOps);
        bool durable = runs % 4 == 0;
        bool byWrite = canFailWrites && runs % 2 == 1;
        // About the number of writes a whole run makes, so most runs die.
        int failAtWrite = byWrite ? 1 + int(rng() % (kBatches * (kOps / 2 + 4))) : 0;
        int delayUs = int(double(rng() % 1000) / 1000.0 * 0.9 * fullRunMs * 1000.0);

        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        auto started = std::chrono::steady_clock::now();
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            Child(path, batches, durable, failAtWrite, fds[1]);
        }
        ::close(fds[1]);
        if (!byWrite) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            ::kill(pid, SIGKILL);
        }
        int wstatus = 0;
        ASSERT_EQ(::waitpid(pid, &wstatus, 0), pid);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        std::string said;
        char chunk[256];
        ssize_t n;
        while ((n = ::read(fds[0], chunk, sizeof chunk)) > 0)
            said.append(chunk, size_t(n));
        ::close(fds[0]);
        ASSERT_FALSE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 3) << "the child could not open";

        int done = -1, inFlush = -1;
        bool finished = false;
        std::istringstream lines(said);
        for (std::string line; std::getline(lines, line) && lines.good();) {
            if (line[0] == 'E')
                finished = true;
            else
                (line[0] == 'S' ? inFlush : done) = std::stoi(line.substr(1));
        }
        if (finished)
            fullRunMs = 0.7 * fullRunMs + 0.3 * ms; // learn how long a whole run takes
        else
            ++kills;

        SCOPED_TRACE("run " + std::to_string(runs) + ": " + said);
        CKeyedFile file;
        file.SetDurable(false);
        ASSERT_EQ(file.Open(path, 'E', 2), kKfSuccess) << file.LastErrorDetail();
        std::vector<std::string> problems = file.Check();
        ASSERT_TRUE(problems.empty()) << problems.front();
        Model found;
        for (auto& [k, v] : test::ReadAll(file))
            found[k] = v;
        // The state after batches 0..done, and after the one in flight.
        Model last = model;
        for (int b = 0; b <= done; ++b)
            Apply(batches[size_t(b)], &last);
        if (found != last) {
            ASSERT_TRUE(inFlush > done) << "the file does not hold the last commit";
            Apply(batches[size_t(inFlush)], &last);
            ASSERT_TRUE(found == last)
                << "the file holds neither the last commit nor the one in flight";
        }
        model = std::move(last);
        ASSERT_EQ(file.Close(), kKfSuccess);
    }
    RecordProperty("runs", runs);
    RecordProperty("kills", kills);
    EXPECT_GE(kills, 200) << "only " << kills << " of " << runs << " runs were interrupted";
}

} // namespace
} // namespace vorlane::objdb
