// Helpers for the zip tests: archives made byte by byte (HandZip), so a
// test can write any hostile structure, and the real archivers run in a
// directory (RunTool).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::zip::test {

// Unix "version made by" (host 3, version 3.0) and a regular file's mode.
constexpr uint16_t kMadeByUnix = 0x031E;
constexpr uint16_t kMadeByDos = 0x0014;
constexpr uint32_t UnixAttributes(uint32_t mode) {
    return mode << 16;
}

// Raw deflate of data (no zlib header), as zip method 8 stores it.
std::string Deflate(const std::string& data);
uint32_t Crc32(const std::string& data);

struct HandMember {
    std::string name;
    std::string stored; // the bytes after the local header
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t uncompressedSize = 0; // declared
    uint16_t versionMadeBy = kMadeByUnix;
    uint32_t externalAttributes = UnixAttributes(0100644);
    uint16_t flags = 0;
    uint16_t dosDate = (45 << 9) | (6 << 5) | 15; // 2025-06-15
    uint16_t dosTime = (13 << 11) | (45 << 5);    // 13:45:00
    std::string centralExtra;
    bool zip64 = false;                  // sizes and offset in a ZIP64 field of the directory
    std::optional<uint64_t> localOffset; // override of the recorded offset
};

// An archive assembled from members: local headers and data, the central
// directory, then the end record (with a ZIP64 end record and locator when
// zip64End is set). Offsets are computed unless a member overrides one.
class HandZip {
  public:
    // A member holding plain text, stored or deflated; sizes and CRC set.
    HandMember& Add(const std::string& name, const std::string& plain, bool deflate = false);
    HandMember& AddDirectory(const std::string& name);
    std::vector<HandMember>& members() { return m_members; }

    std::string Build() const;

    std::string comment;
    std::string prefix; // bytes before the first member (a stub)
    bool zip64End = false;
    uint16_t diskNumber = 0;
    std::optional<uint64_t> entryCount; // recorded count override
    std::optional<uint32_t> directoryOffset;

  private:
    std::vector<HandMember> m_members;
};

// Runs a program with arguments in directory dir; stdout and stderr go to
// $TMPDIR/zip-tool.log. Returns the exit status (-1 when it could not run).
int RunTool(const std::string& dir, const std::vector<std::string>& args);

} // namespace vorlane::zip::test
