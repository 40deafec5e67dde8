// ZipDeflatePipeline: compresses the disk files of one zip change on two
// worker threads ahead of libzip and hands libzip the finished deflate data
// (libzip compresses serially inside zip_close; the archive is written on
// the calling thread while the workers compress the members that follow).
//
// Each member gets a libzip source (MemberSource) that reports the member's
// size, CRC and deflate method, so libzip copies the bytes as they are
// (and encrypts them when a password is set). Small and medium files are
// compressed whole in memory, at most kInFlightBudget bytes of input at a
// time; large files, stored members (level 0) and empty files are read
// while libzip writes them, on the calling thread. When libzip asks for a
// member no worker has taken yet, the calling thread compresses it itself,
// so the pipeline never waits on its own budget.
//
// A disk file is read through platform::File (it follows a link to a file:
// the link's target is stored). Owned by the zip engine for one call; the
// sources it makes must be released (zip_close or zip_discard) before it is
// destroyed. Thread-safe between the calling thread and its workers.
#pragma once

#include "platform/SysError.h"

#include <zip.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorlane::zip {

class ZipDeflatePipeline {
  public:
    // level: 0 store, 1..9 deflate. onOpen is called on the calling thread
    // when libzip starts writing member index (in Add order); true cancels.
    ZipDeflatePipeline(int level, std::function<bool(size_t)> onOpen);
    ~ZipDeflatePipeline();
    ZipDeflatePipeline(const ZipDeflatePipeline&) = delete;
    ZipDeflatePipeline& operator=(const ZipDeflatePipeline&) = delete;

    // Registers a disk file; returns its member number (0, 1, ...).
    // REQUIRES: Start() has not been called (the workers read the member
    // list without a lock).
    size_t Add(const std::string& hostPath, uint64_t size, time_t mtime);
    // True when the member goes into the archive stored (libzip must be
    // told ZIP_CM_STORE for it).
    bool IsStored(size_t member) const;
    // A libzip source for the member (reference count 1).
    zip_source_t* CreateSource(size_t member, zip_error_t* error);
    // Starts the workers. order: the member numbers in the order libzip
    // will write them (its entry order). REQUIRES: called once.
    void Start(const std::vector<size_t>& order);
    // Stops the workers (also done by the destructor).
    void Stop();

    // The first member that could not be read, and why.
    bool ReadFailed() const { return m_readFailed.load(); }
    bool Cancelled() const { return m_cancelled.load(); }
    const platform::SysError& ReadError() const { return m_readError; }
    const std::string& FailedPath() const { return m_failedPath; }
    // Memory ran out while a member was compressed.
    bool OutOfMemory() const { return m_outOfMemory.load(); }

  private:
    // Pending: nobody has it; Working: being compressed; Done: its data is
    // ready; Released: libzip has read it (data freed, sizes and CRC kept);
    // Failed: the file could not be read.
    enum class State { Pending, Working, Done, Released, Failed };
    struct Member;
    struct Source;

    void WorkerLoop();
    // Reads and compresses one member whole into memory.
    bool CompressWhole(Member& member);
    void CompressClaimed(Member& member, std::unique_lock<std::mutex>& lock);
    // Called by a source when libzip needs a member's sizes (needData
    // false) or its data; waits for the work or does it on this thread.
    // False when the member failed.
    bool AwaitMember(size_t member, bool needData);
    void Release(size_t member);
    void NoteReadFailure(const std::string& path, const platform::SysError& error);

    static zip_int64_t SourceCallback(void* user, void* data, zip_uint64_t length,
                                      zip_source_cmd_t command);
    // SourceCallback with memory running out turned into a failed command.
    static zip_int64_t GuardedSourceCallback(void* user, void* data, zip_uint64_t length,
                                             zip_source_cmd_t command);

    int m_level;
    std::function<bool(size_t)> m_onOpen;
    std::vector<std::unique_ptr<Member>> m_members;
    std::vector<std::unique_ptr<Source>> m_sources;
    std::vector<size_t> m_order;
    size_t m_nextInOrder = 0;
    uint64_t m_inFlight = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread> m_workers;
    // Set by Stop() under m_mutex (so the waits see it); read without the
    // lock by a worker between two chunks of a member and by the sources.
    std::atomic<bool> m_stop{false};

    std::atomic<bool> m_readFailed{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_outOfMemory{false};
    std::mutex m_errorMutex;
    platform::SysError m_readError;
    std::string m_failedPath;
};

} // namespace vorlane::zip
