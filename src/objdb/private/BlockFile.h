// The descriptor of an open keyed record file and the few calls the engine
// makes on it. Every call passes the platform's fault-injection seam first, so
// tests can fail any read, write, sync or size change. Private to objdb.
//
// Calls return 0 or an errno value; short reads and writes are retried until
// complete, and a read that meets the end of the file reports how much came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/uio.h>

namespace vorlane::objdb::detail {

class BlockFile {
  public:
    BlockFile() = default;
    ~BlockFile();
    BlockFile(const BlockFile&) = delete;
    BlockFile& operator=(const BlockFile&) = delete;

    int Open(const std::string& path, bool writable);
    // A non-blocking lock: shared beside other readers, or exclusive;
    // EWOULDBLOCK while another holder conflicts.
    int Lock(bool exclusive);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Reads up to size bytes at offset; *got tells how many came (fewer only
    // at the end of the file).
    int Read(void* buffer, size_t size, uint64_t offset, size_t* got);
    // The same, scattered over iov (at most 4 pieces).
    int ReadV(const struct iovec* iov, int count, uint64_t offset, size_t* got);
    int Write(const void* data, size_t size, uint64_t offset);
    // REQUIRES: count <= 4.
    int WriteV(const struct iovec* iov, int count, uint64_t offset);
    int DataSync();
    int Size(uint64_t* size);
    // Grows the file to size with zeros; never shrinks it.
    int Extend(uint64_t size);

  private:
    int m_fd = -1;
};

} // namespace vorlane::objdb::detail
