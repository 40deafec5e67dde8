#include "ZipTestSupport.h"

#include "ZipOpsTestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <zlib.h>

extern char** environ;

namespace vorlane::zip::test {

namespace {

// A little-endian field of width bytes.
std::string Le(uint64_t value, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

} // namespace

std::string Deflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

uint32_t Crc32(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

HandMember& HandZip::Add(const std::string& name, const std::string& plain, bool deflate) {
    HandMember& m = m_members.emplace_back();
    m.name = name;
    m.method = deflate ? 8 : 0;
    m.stored = deflate ? Deflate(plain) : plain;
    m.crc = Crc32(plain);
    m.uncompressedSize = plain.size();
    return m;
}

HandMember& HandZip::AddDirectory(const std::string& name) {
    HandMember& m = Add(name, "");
    m.externalAttributes = UnixAttributes(040755) | 0x10;
    return m;
}

std::string HandZip::Build() const {
    std::string out = prefix;
    std::vector<uint64_t> offsets;
    auto sizes = [](const HandMember& m) -> std::pair<uint64_t, uint64_t> {
        if (m.zip64)
            return {0xFFFFFFFF, 0xFFFFFFFF};
        return {static_cast<uint32_t>(m.stored.size()), static_cast<uint32_t>(m.uncompressedSize)};
    };
    for (const HandMember& m : m_members) {
        offsets.push_back(out.size() - prefix.size());
        const auto [compressed, uncompressed] = sizes(m);
        out += Le(0x04034b50, 4) + Le(20, 2) + Le(m.flags, 2) + Le(m.method, 2) + Le(m.dosTime, 2) +
               Le(m.dosDate, 2) + Le(m.crc, 4) + Le(compressed, 4) + Le(uncompressed, 4) +
               Le(m.name.size(), 2) + Le(0, 2);
        out += m.name;
        out += m.stored;
    }
    const uint64_t directory = out.size() - prefix.size();
    for (size_t i = 0; i < m_members.size(); ++i) {
        const HandMember& m = m_members[i];
        const uint64_t offset = m.localOffset ? *m.localOffset : offsets[i];
        std::string extra;
        if (m.zip64)
            extra = Le(0x0001, 2) + Le(24, 2) + Le(m.uncompressedSize, 8) + Le(m.stored.size(), 8) +
                    Le(offset, 8);
        extra += m.centralExtra;
        const auto [compressed, uncompressed] = sizes(m);
        out += Le(0x02014b50, 4) + Le(m.versionMadeBy, 2) + Le(m.zip64 ? 45 : 20, 2) +
               Le(m.flags, 2) + Le(m.method, 2) + Le(m.dosTime, 2) + Le(m.dosDate, 2) +
               Le(m.crc, 4) + Le(compressed, 4) + Le(uncompressed, 4) + Le(m.name.size(), 2) +
               Le(extra.size(), 2) + Le(0, 2) + Le(diskNumber, 2) + Le(0, 2) +
               Le(m.externalAttributes, 4) +
               Le(m.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(offset), 4);
        out += m.name;
        out += extra;
    }
    const uint64_t directorySize = out.size() - prefix.size() - directory;
    const uint64_t count = entryCount ? *entryCount : m_members.size();
    const uint64_t recordedOffset = directoryOffset ? *directoryOffset : directory;
    if (zip64End) {
        const uint64_t end64 = out.size() - prefix.size();
        out += Le(0x06064b50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(diskNumber, 4) +
               Le(diskNumber, 4) + Le(count, 8) + Le(count, 8) + Le(directorySize, 8) +
               Le(recordedOffset, 8) + Le(0x07064b50, 4) + Le(diskNumber, 4) + Le(end64, 8) +
               Le(diskNumber + 1u, 4);
    }
    const uint64_t count16 = zip64End ? 0xFFFF : count & 0xFFFF;
    out += Le(0x06054b50, 4) + Le(diskNumber, 2) + Le(diskNumber, 2) + Le(count16, 2) +
           Le(count16, 2) + Le(zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(directorySize), 4) +
           Le(zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(recordedOffset), 4) +
           Le(comment.size(), 2);
    out += comment;
    return out;
}

int RunTool(const std::string& dir, const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char* tmp = std::getenv("TMPDIR");
    const std::string log = std::string(tmp && *tmp ? tmp : "/tmp") + "/zip-tool.log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace vorlane::zip::test

namespace vorlane::zip::testing {

std::string RawArchive(const std::vector<RawMember>& members) {
    test::HandZip zip;
    for (const RawMember& member : members) {
        test::HandMember& m = zip.Add(member.name, member.text);
        m.versionMadeBy = member.madeBy;
        m.flags = member.flags;
        if (member.madeBy == kRawMadeByDos)
            m.externalAttributes = 0x20; // the archive bit
    }
    return zip.Build();
}

} // namespace vorlane::zip::testing
