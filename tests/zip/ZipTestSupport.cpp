#include "ZipTestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

extern char** environ;

namespace vorlane::zip::test {

namespace {

void Put16(std::string* out, uint32_t v) {
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string* out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put64(std::string* out, uint64_t v) {
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
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
    for (const HandMember& m : m_members) {
        offsets.push_back(out.size() - prefix.size());
        Put32(&out, 0x04034b50);
        Put16(&out, 20);
        Put16(&out, m.flags);
        Put16(&out, m.method);
        Put16(&out, m.dosTime);
        Put16(&out, m.dosDate);
        Put32(&out, m.crc);
        Put32(&out, m.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(m.stored.size()));
        Put32(&out, m.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(m.uncompressedSize));
        Put16(&out, static_cast<uint32_t>(m.name.size()));
        Put16(&out, 0);
        out += m.name;
        out += m.stored;
    }
    const uint64_t directory = out.size() - prefix.size();
    for (size_t i = 0; i < m_members.size(); ++i) {
        const HandMember& m = m_members[i];
        const uint64_t offset = m.localOffset ? *m.localOffset : offsets[i];
        std::string extra;
        if (m.zip64) {
            Put16(&extra, 0x0001);
            Put16(&extra, 24);
            Put64(&extra, m.uncompressedSize);
            Put64(&extra, m.stored.size());
            Put64(&extra, offset);
        }
        extra += m.centralExtra;
        Put32(&out, 0x02014b50);
        Put16(&out, m.versionMadeBy);
        Put16(&out, m.zip64 ? 45 : 20);
        Put16(&out, m.flags);
        Put16(&out, m.method);
        Put16(&out, m.dosTime);
        Put16(&out, m.dosDate);
        Put32(&out, m.crc);
        Put32(&out, m.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(m.stored.size()));
        Put32(&out, m.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(m.uncompressedSize));
        Put16(&out, static_cast<uint32_t>(m.name.size()));
        Put16(&out, static_cast<uint32_t>(extra.size()));
        Put16(&out, 0);
        Put16(&out, diskNumber);
        Put16(&out, 0);
        Put32(&out, m.externalAttributes);
        Put32(&out, m.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(offset));
        out += m.name;
        out += extra;
    }
    const uint64_t directorySize = out.size() - prefix.size() - directory;
    const uint64_t count = entryCount ? *entryCount : m_members.size();
    const uint64_t recordedOffset = directoryOffset ? *directoryOffset : directory;
    if (zip64End) {
        const uint64_t end64 = out.size() - prefix.size();
        Put32(&out, 0x06064b50);
        Put64(&out, 44);
        Put16(&out, 45);
        Put16(&out, 45);
        Put32(&out, diskNumber);
        Put32(&out, diskNumber);
        Put64(&out, count);
        Put64(&out, count);
        Put64(&out, directorySize);
        Put64(&out, recordedOffset);
        Put32(&out, 0x07064b50);
        Put32(&out, diskNumber);
        Put64(&out, end64);
        Put32(&out, diskNumber + 1);
    }
    Put32(&out, 0x06054b50);
    Put16(&out, diskNumber);
    Put16(&out, diskNumber);
    Put16(&out, zip64End ? 0xFFFF : static_cast<uint32_t>(count & 0xFFFF));
    Put16(&out, zip64End ? 0xFFFF : static_cast<uint32_t>(count & 0xFFFF));
    Put32(&out, zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(directorySize));
    Put32(&out, zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(recordedOffset));
    Put16(&out, static_cast<uint32_t>(comment.size()));
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
