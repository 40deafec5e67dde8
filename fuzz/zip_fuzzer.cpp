// Fuzz target of the zip engine's reading side: the central directory
// reader over arbitrary bytes, then the listing through the unzip entry
// point (open and member information) and the member name helpers.
//
// Whatever the bytes, reading must end with one of the documented codes;
// an archive accepted as readable must have every member's local header
// and data inside the file and no two members sharing bytes.
#include "platform/Drives.h"
#include "zip/ZipCentralDirectory.h"
#include "zip/ZipEngine.h"
#include "zip/private/ZipNames.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using namespace vorlane::zip;

void CheckIndex(const ZipArchiveIndex& index, size_t size) {
    if (index.multiVolume)
        return;
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const ZipMemberInfo& m : index.members) {
        const uint64_t start = m.localHeaderOffset + index.archiveStart;
        // 30 bytes of local header at least, then the data.
        if (start + 30 > size || m.compressedSize > size || start + 30 + m.compressedSize > size)
            std::abort();
        spans.emplace_back(start, start + 30 + m.compressedSize);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i - 1].second > spans[i].first)
            std::abort();
    }
}

void ExerciseNames(const std::string& name) {
    const bool unsafe = IsUnsafeMemberName(name);
    const std::vector<std::string> parts = MemberPathComponents(name);
    for (const std::string& part : parts) {
        // A safe name never yields a component that climbs or names a root.
        if (!unsafe && (part == ".." || part.empty()))
            std::abort();
    }
    if (!unsafe && parts.empty())
        std::abort();
    (void)DosShortPath(name);
    (void)MatchMemberName("*.txt", name);
    if (Utf8Prefix(name, 259).size() > 259)
        std::abort();
}

// Lists the archive as the catalogue does, through an in-memory file.
void ListThroughEngine(const uint8_t* data, size_t size, size_t members) {
    const int fd = memfd_create("zip-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += static_cast<size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    static const vorlane::platform::DriveMap kNoDrives; // the path is a host path
    UnzipCommandRecord record;
    record.drives = &kNoDrives;
    record.zipPath = path.c_str();
    record.function = kUnzipOpen;
    if (UnzipEntry(record) != kUnzipOk || static_cast<size_t>(record.count) != members)
        std::abort();
    ZipItemRecord item;
    record.buffer = &item;
    record.function = kUnzipMemberInfo;
    for (size_t i = 0; i < std::min<size_t>(members, 32); ++i) {
        record.memberIndex = static_cast<int32_t>(i);
        if (UnzipEntry(record) != kUnzipOk || item.pathName[259] != '\0')
            std::abort();
    }
    record.memberIndex = static_cast<int32_t>(members);
    if (UnzipEntry(record) != kUnzipIndexOutOfBounds)
        std::abort();
    char comment[16];
    record.function = kUnzipReadComment;
    record.commentBuffer = comment;
    record.count = sizeof comment;
    if (UnzipEntry(record) != kUnzipOk)
        std::abort();
    close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZipArchiveIndex index;
    std::string why;
    const int rc = ReadZipIndex(data, size, &index, &why);
    switch (rc) {
    case kUnzipOk:
        break;
    case kUnzipNotZip:
    case kUnzipUnexpectedEnd:
    case kUnzipOverlappingMembers:
        if (why.empty())
            std::abort();
        return 0;
    default:
        std::abort();
    }
    CheckIndex(index, size);
    for (const ZipMemberInfo& member : index.members)
        ExerciseNames(member.name);
    if (!index.multiVolume)
        ListThroughEngine(data, size, index.members.size());
    return 0;
}
