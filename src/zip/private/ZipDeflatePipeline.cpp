#include "zip/private/ZipDeflatePipeline.h"

#include "platform/File.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace vorlane::zip {

namespace {

// Files above this size are compressed while libzip writes them instead of
// whole in memory.
constexpr uint64_t kWholeLimit = 32ull * 1024 * 1024;
// Input bytes compressed ahead of the writer at most (plus one file).
constexpr uint64_t kInFlightBudget = 64ull * 1024 * 1024;
constexpr size_t kChunk = 256 * 1024;
constexpr unsigned kWorkers = 2;

bool InitDeflate(z_stream* z, int level) {
    std::memset(z, 0, sizeof(*z));
    // Raw deflate (no zlib header): what a zip member holds.
    return deflateInit2(z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

} // namespace

struct ZipDeflatePipeline::Member {
    std::string path;
    uint64_t size = 0; // at the scan
    time_t mtime = 0;
    bool stored = false;
    bool stream = false;
    State state = State::Pending;
    std::vector<uint8_t> data; // the compressed bytes (State::Done)
    uint64_t actualSize = 0;
    uint64_t compressedSize = 0;
    uint32_t crc = 0;
    bool complete = false; // actualSize, compressedSize and crc are known
};

// One libzip source; streams members that are not compressed ahead.
struct ZipDeflatePipeline::Source {
    ZipDeflatePipeline* owner = nullptr;
    size_t member = 0;
    zip_error_t error;
    bool announced = false;
    // Reading state.
    size_t position = 0; // in member data (compressed ahead)
    platform::File file;
    z_stream z;
    bool zActive = false;
    bool inputDone = false;
    bool finished = false;
    std::vector<uint8_t> in, out;
    size_t outPos = 0, outLen = 0;
    uint32_t crc = 0;
    uint64_t readBytes = 0;

    void EndDeflate() {
        if (zActive)
            deflateEnd(&z);
        zActive = false;
    }
};

ZipDeflatePipeline::ZipDeflatePipeline(int level, std::function<bool(size_t)> onOpen)
    : m_level(level), m_onOpen(std::move(onOpen)) {}

ZipDeflatePipeline::~ZipDeflatePipeline() {
    Stop();
    for (auto& source : m_sources) {
        source->EndDeflate();
        zip_error_fini(&source->error);
    }
}

size_t ZipDeflatePipeline::Add(const std::string& hostPath, uint64_t size, time_t mtime) {
    auto member = std::make_unique<Member>();
    member->path = hostPath;
    member->size = size;
    member->mtime = mtime;
    member->stored = m_level == 0 || size == 0;
    member->stream = member->stored || size > kWholeLimit;
    m_members.push_back(std::move(member));
    return m_members.size() - 1;
}

bool ZipDeflatePipeline::IsStored(size_t member) const {
    return m_members[member]->stored;
}

zip_source_t* ZipDeflatePipeline::CreateSource(size_t member, zip_error_t* error) {
    auto source = std::make_unique<Source>();
    source->owner = this;
    source->member = member;
    zip_error_init(&source->error);
    // Room first: a libzip source made and then not kept would be lost
    // when memory runs out.
    m_sources.reserve(m_sources.size() + 1);
    zip_source_t* zs =
        zip_source_function_create(&ZipDeflatePipeline::GuardedSourceCallback, source.get(), error);
    if (zs == nullptr) {
        zip_error_fini(&source->error);
        return nullptr;
    }
    m_sources.push_back(std::move(source));
    return zs;
}

void ZipDeflatePipeline::Start(const std::vector<size_t>& order) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_order = order;
        m_nextInOrder = 0;
        m_stop = false;
    }
    bool anyWhole =
        std::any_of(m_members.begin(), m_members.end(), [](const auto& m) { return !m->stream; });
    if (!anyWhole)
        return;
    for (unsigned i = 0; i < kWorkers; ++i)
        m_workers.emplace_back([this] { WorkerLoop(); });
}

void ZipDeflatePipeline::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (auto& worker : m_workers)
        worker.join();
    m_workers.clear();
}

void ZipDeflatePipeline::WorkerLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_stop || m_nextInOrder >= m_order.size() || m_inFlight < kInFlightBudget;
        });
        if (m_stop || m_nextInOrder >= m_order.size())
            return;
        Member& member = *m_members[m_order[m_nextInOrder++]];
        if (member.stream || member.state != State::Pending)
            continue;
        CompressClaimed(member, lock);
    }
}

// Compresses a member this thread has taken from the pending ones, with the
// lock released meanwhile, and tells the waiters.
void ZipDeflatePipeline::CompressClaimed(Member& member, std::unique_lock<std::mutex>& lock) {
    member.state = State::Working;
    m_inFlight += member.size;
    lock.unlock();
    bool ok = false;
    try {
        ok = CompressWhole(member);
    } catch (const std::bad_alloc&) {
        // Memory ran out: the member fails and the change ends with that
        // (a worker thread must never end the program).
        m_outOfMemory = true;
    }
    lock.lock();
    member.state = ok ? State::Done : State::Failed;
    if (!ok)
        m_inFlight -= member.size;
    m_changed.notify_all();
}

void ZipDeflatePipeline::NoteReadFailure(const std::string& path, const platform::SysError& error) {
    std::lock_guard<std::mutex> lock(m_errorMutex);
    if (!m_readFailed.load()) {
        m_readError = error;
        m_failedPath = path;
        m_readFailed = true;
    }
}

bool ZipDeflatePipeline::CompressWhole(Member& member) {
    platform::SysError err;
    platform::File file;
    if (!file.Open(member.path, platform::kOpenRead, &err)) {
        NoteReadFailure(member.path, err);
        return false;
    }
    z_stream z;
    if (!InitDeflate(&z, m_level)) {
        platform::SetDosError(&err, 8, "Out of memory compressing " + member.path);
        NoteReadFailure(member.path, err);
        return false;
    }
    // Ended however the compression ends, memory running out included.
    std::unique_ptr<z_stream, int (*)(z_stream*)> ender(&z, deflateEnd);
    std::vector<uint8_t> in(std::min<uint64_t>(member.size + 1, 4 * kChunk));
    std::vector<uint8_t> out(deflateBound(&z, member.size) + 64);
    uint32_t crc = crc32(0, nullptr, 0);
    uint64_t total = 0;
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    bool ok = true;
    for (;;) {
        size_t got = 0;
        if (!file.Read(in.data(), in.size(), &got, &err)) {
            NoteReadFailure(member.path, err);
            ok = false;
            break;
        }
        crc = crc32(crc, in.data(), static_cast<uInt>(got));
        total += got;
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(got);
        int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        for (;;) {
            if (z.avail_out == 0) { // the file grew since the scan
                size_t used = out.size();
                out.resize(out.size() * 2 + kChunk);
                z.next_out = out.data() + used;
                z.avail_out = static_cast<uInt>(out.size() - used);
            }
            int rc = deflate(&z, flush);
            if (rc == Z_STREAM_END)
                break;
            if (rc != Z_OK && rc != Z_BUF_ERROR) {
                ok = false;
                break;
            }
            if (z.avail_in == 0 && z.avail_out != 0 && flush != Z_FINISH)
                break;
        }
        if (!ok || got == 0)
            break;
        if (m_stop) { // abandoned: the call is ending
            ok = false;
            break;
        }
    }
    if (ok) {
        out.resize(z.total_out);
        member.data = std::move(out);
        member.actualSize = total;
        member.compressedSize = member.data.size();
        member.crc = crc;
        member.complete = true;
    }
    return ok;
}

bool ZipDeflatePipeline::AwaitMember(size_t index, bool needData) {
    Member& member = *m_members[index];
    std::unique_lock<std::mutex> lock(m_mutex);
    if (member.state == State::Done || (member.state == State::Released && !needData))
        return true;
    if (member.state == State::Pending || member.state == State::Released) {
        // No worker has it (or its data was handed out already): do it here.
        CompressClaimed(member, lock);
    }
    m_changed.wait(lock,
                   [&] { return member.state == State::Done || member.state == State::Failed; });
    return member.state == State::Done;
}

void ZipDeflatePipeline::Release(size_t index) {
    Member& member = *m_members[index];
    std::lock_guard<std::mutex> lock(m_mutex);
    if (member.state == State::Done) {
        member.data = std::vector<uint8_t>();
        member.state = State::Released;
        m_inFlight -= member.size;
        m_changed.notify_all();
    }
}

zip_int64_t ZipDeflatePipeline::GuardedSourceCallback(void* user, void* data, zip_uint64_t length,
                                                      zip_source_cmd_t command) {
    // No exception may cross libzip's C code: memory running out fails the
    // command and ends the change.
    try {
        return SourceCallback(user, data, length, command);
    } catch (const std::bad_alloc&) {
        Source& s = *static_cast<Source*>(user);
        s.owner->m_outOfMemory = true;
        zip_error_set(&s.error, ZIP_ER_MEMORY, 0);
        return -1;
    }
}

zip_int64_t ZipDeflatePipeline::SourceCallback(void* user, void* data, zip_uint64_t length,
                                               zip_source_cmd_t command) {
    Source& s = *static_cast<Source*>(user);
    ZipDeflatePipeline& self = *s.owner;
    Member& member = *self.m_members[s.member];
    auto fail = [&](int zipError, int sysErrno) -> zip_int64_t {
        zip_error_set(&s.error, zipError, sysErrno);
        return -1;
    };

    switch (command) {
    case ZIP_SOURCE_STAT: {
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &s.error);
        if (st == nullptr)
            return -1;
        if (!s.announced) {
            s.announced = true;
            if (self.m_onOpen && self.m_onOpen(s.member)) {
                self.m_cancelled = true;
                return fail(ZIP_ER_CANCELLED, 0);
            }
        }
        if (!member.stream && !self.AwaitMember(s.member, /*needData=*/false))
            return fail(ZIP_ER_READ, self.m_readError.sysErrno);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD;
        st->mtime = member.mtime;
        st->comp_method = member.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        st->size = member.size;
        if (member.complete) {
            st->valid |= ZIP_STAT_CRC | ZIP_STAT_COMP_SIZE;
            st->size = member.actualSize;
            st->comp_size = member.compressedSize;
            st->crc = member.crc;
        }
        return sizeof(*st);
    }
    case ZIP_SOURCE_OPEN:
        s.position = 0;
        s.finished = false;
        s.inputDone = false;
        s.outPos = s.outLen = 0;
        if (!member.stream) {
            if (!self.AwaitMember(s.member, /*needData=*/true))
                return fail(ZIP_ER_READ, self.m_readError.sysErrno);
            return 0;
        }
        {
            platform::SysError err;
            if (!s.file.Open(member.path, platform::kOpenRead, &err)) {
                self.NoteReadFailure(member.path, err);
                return fail(ZIP_ER_OPEN, err.sysErrno);
            }
        }
        s.crc = crc32(0, nullptr, 0);
        s.readBytes = 0;
        if (!member.stored) {
            if (!InitDeflate(&s.z, self.m_level))
                return fail(ZIP_ER_MEMORY, 0);
            s.zActive = true;
            s.in.resize(kChunk);
            s.out.resize(kChunk + 1024);
        }
        return 0;
    case ZIP_SOURCE_READ: {
        uint8_t* out = static_cast<uint8_t*>(data);
        if (self.m_stop)
            return fail(ZIP_ER_CANCELLED, 0);
        if (!member.stream) {
            size_t n = std::min<uint64_t>(length, member.data.size() - s.position);
            std::memcpy(out, member.data.data() + s.position, n);
            s.position += n;
            return static_cast<zip_int64_t>(n);
        }
        platform::SysError err;
        if (member.stored) { // libzip computes the CRC of stored data itself
            size_t got = 0;
            if (!s.file.Read(out, length, &got, &err)) {
                self.NoteReadFailure(member.path, err);
                return fail(ZIP_ER_READ, err.sysErrno);
            }
            s.readBytes += got;
            return static_cast<zip_int64_t>(got);
        }
        size_t done = 0;
        while (done < length) {
            if (s.outPos < s.outLen) {
                size_t n = std::min<size_t>(length - done, s.outLen - s.outPos);
                std::memcpy(out + done, s.out.data() + s.outPos, n);
                s.outPos += n;
                done += n;
                continue;
            }
            if (s.finished)
                break;
            if (s.z.avail_in == 0 && !s.inputDone) {
                size_t got = 0;
                if (!s.file.Read(s.in.data(), s.in.size(), &got, &err)) {
                    self.NoteReadFailure(member.path, err);
                    return fail(ZIP_ER_READ, err.sysErrno);
                }
                s.crc = crc32(s.crc, s.in.data(), static_cast<uInt>(got));
                s.readBytes += got;
                s.inputDone = got == 0;
                s.z.next_in = s.in.data();
                s.z.avail_in = static_cast<uInt>(got);
            }
            s.z.next_out = s.out.data();
            s.z.avail_out = static_cast<uInt>(s.out.size());
            int rc = deflate(&s.z, s.inputDone ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                s.finished = true;
            else if (rc != Z_OK && rc != Z_BUF_ERROR)
                return fail(ZIP_ER_ZLIB, 0);
            s.outPos = 0;
            s.outLen = s.out.size() - s.z.avail_out;
        }
        return static_cast<zip_int64_t>(done);
    }
    case ZIP_SOURCE_CLOSE:
        if (member.stream) {
            if (s.zActive) {
                member.compressedSize = s.z.total_out;
                s.EndDeflate();
                member.crc = s.crc;
                member.actualSize = s.readBytes;
                member.complete = s.finished;
            }
            s.file.Close();
        } else {
            self.Release(s.member);
        }
        return 0;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.error, data, length);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        return fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace vorlane::zip
