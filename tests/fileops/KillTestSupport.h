// The fork and kill loop of the kill tests: an operation runs in a child
// forked from the single-threaded test process (no thread exists yet in a
// test's own process under ctest), which the parent kills with SIGKILL
// after a seeded random delay; after every run the test checks what the
// operation left and clears it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/TestSupport.h"

namespace vorlane::fileops::testing {

// Files of a test: relative host path -> bytes.
using Manifest = std::map<std::string, std::string>;

inline void WriteTree(const std::string& root, const Manifest& files) {
    for (const auto& [rel, bytes] : files) {
        std::filesystem::path path = std::filesystem::path(root) / rel;
        std::filesystem::create_directories(path.parent_path());
        test::WriteFile(path.string(), bytes);
    }
}

struct KillLoop {
    int runs = 200;
    uint32_t seed = 0;
    // Before each run (its number, -1 for the first, whole run): writes the
    // files the operation starts from.
    std::function<void(int run)> prepare;
    // The operation, in the child: its exit status (0 when it went well).
    std::function<int()> operation;
    // After each run: checks what is left and clears it. complete: the
    // operation ran to its end (the child exited before the kill).
    std::function<void(int run, bool complete)> check;
};

// Starts the operation in a child; the child leaves without running the
// destructors or exit handlers of the test process.
inline pid_t StartChild(const std::function<int()>& operation) {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(operation());
    return pid;
}

// One run to its end (which times the operation), then loop.runs runs
// killed at seeded random points within (and a little past) that time, so
// that some runs end before the kill and are checked as complete. Returns
// how many runs were killed before their end; stops at the first failure.
inline int RunKillLoop(const KillLoop& loop) {
    loop.prepare(-1);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = StartChild(loop.operation);
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "the operation could not be started";
        return 0;
    }
    auto whole = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    loop.check(-1, true);
    if (::testing::Test::HasFailure())
        return 0;

    std::mt19937 random(loop.seed);
    auto span = std::chrono::duration_cast<std::chrono::microseconds>(whole).count() * 11 / 10;
    int killed = 0;
    for (int run = 0; run < loop.runs && !::testing::Test::HasFailure(); ++run) {
        loop.prepare(run);
        auto delay = std::chrono::microseconds(random() % static_cast<uint32_t>(span + 1));
        SCOPED_TRACE("run " + std::to_string(run) + ", kill after " +
                     std::to_string(delay.count()) + " us");
        pid = StartChild(loop.operation);
        if (pid <= 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL); // a child that has ended stays a zombie until waited for
        if (::waitpid(pid, &status, 0) != pid) {
            ADD_FAILURE() << "waitpid failed";
            break;
        }
        bool exited = WIFEXITED(status);
        if (exited) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
        } else {
            ++killed;
        }
        loop.check(run, exited);
    }
    return killed;
}

} // namespace vorlane::fileops::testing
