#include "zip/ZipCentralDirectory.h"

#include "platform/FaultInjection.h"
#include "zip/ZipEngine.h"
#include "zip/private/ZipNames.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

// Layout of the records read here (all little-endian):
//
// End of central directory (22 bytes + comment), signature PK\5\6:
//   4 disk number, 6 disk of the directory, 8 entries on this disk,
//   10 entries in all, 12 directory size, 16 directory offset,
//   20 comment length. 0xFFFF / 0xFFFFFFFF: the ZIP64 record holds it.
// ZIP64 end locator (20 bytes) right before it, signature PK\6\7:
//   4 disk of the ZIP64 end record, 8 its offset, 16 number of disks.
// ZIP64 end of central directory (56 bytes + extensible data), PK\6\6:
//   4 record size less 12, 12 made by, 14 needed, 16 disk number,
//   20 disk of the directory, 24 entries on this disk, 32 entries in all,
//   40 directory size, 48 directory offset.
// Central directory header (46 bytes + name + extra + comment), PK\1\2:
//   4 made by, 6 needed, 8 flags, 10 method, 12 time, 14 date, 16 CRC,
//   20 compressed size, 24 uncompressed size, 28 name length, 30 extra
//   length, 32 comment length, 34 start disk, 36 internal attributes,
//   38 external attributes, 42 local header offset.
// Local header (30 bytes + name + extra), PK\3\4: 26 name length, 28 extra
//   length. The data follows, then a data descriptor when flag bit 3 is set.

namespace vorlane::zip {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxCommentLength = 0xFFFF;
// The smallest data descriptor: CRC and two 32-bit sizes, no signature.
constexpr uint64_t kMinDataDescriptor = 12;
// Members whose local headers lie closer than this are read in one go.
constexpr size_t kCloseMembers = 64 * 1024;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraUnicodePath = 0x7075;

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

int Fail(int code, std::string* why, std::string text) {
    if (why)
        *why = std::move(text);
    return code;
}

// True when [offset, offset + length) lies within size bytes.
bool Within(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

// The archive's bytes as the parser asks for them: a run of bytes at an
// offset, valid until the next request. In memory a run is a view of the
// buffer. On disk it is read with pread into one window (kWindow bytes, or
// the run when that is longer; the caller says how far it will read on),
// so the archive is never mapped: a file cut short or failing underneath
// the parser gives an error code, never a fault.
class ArchiveBytes {
  public:
    ArchiveBytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    ArchiveBytes(int fd, uint64_t size) : m_fd(fd), m_size(size) {}

    uint64_t Size() const { return m_size; }

    // The length bytes at offset; readAhead: how many bytes from offset the
    // caller expects to ask for next (a hint, capped at kWindow). Null when
    // the run lies past the end or could not be read; Fail then words why.
    const uint8_t* Get(uint64_t offset, size_t length, size_t readAhead = 0) {
        if (!Within(offset, length, m_size)) {
            Record(kUnzipUnexpectedEnd, 0);
            return nullptr;
        }
        if (m_data != nullptr)
            return m_data + offset;
        if (offset >= m_windowStart && offset + length <= m_windowStart + m_windowLength)
            return m_window.data() + (offset - m_windowStart);
        const size_t want = static_cast<size_t>(
            std::min<uint64_t>(std::max(length, std::min(readAhead, kWindow)), m_size - offset));
        if (m_window.size() < want)
            m_window.resize(want);
        m_windowLength = 0;
        for (size_t done = 0; done < want;) {
            if (int e = platform::fault::Check(platform::fault::Op::Read)) {
                Record(kUnzipReadError, e);
                return nullptr;
            }
            const ssize_t n =
                pread(m_fd, m_window.data() + done, want - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                Record(kUnzipReadError, errno);
                return nullptr;
            }
            if (n == 0) {
                // The file is shorter than it was when the read began.
                Record(kUnzipUnexpectedEnd, 0, true);
                return nullptr;
            }
            done += static_cast<size_t>(n);
        }
        m_windowStart = offset;
        m_windowLength = want;
        return m_window.data();
    }

    // The code of the failed Get, with a sentence for why; fallback is the
    // sentence when the run simply lay past the end.
    int Error(std::string* why, const std::string& fallback) const {
        if (m_failure == kUnzipReadError)
            return Fail(kUnzipReadError, why, "The archive could not be read");
        if (m_shrank)
            return Fail(kUnzipUnexpectedEnd, why, "The archive was cut short while it was read");
        return Fail(kUnzipUnexpectedEnd, why, fallback);
    }
    int SystemError() const { return m_errno; }

  private:
    static constexpr uint64_t kWindow = 1 << 20;

    void Record(int failure, int sysErrno, bool shrank = false) {
        m_failure = failure;
        m_errno = sysErrno;
        m_shrank = shrank;
    }

    const uint8_t* m_data = nullptr;
    int m_fd = -1;
    uint64_t m_size = 0;
    std::vector<uint8_t> m_window;
    uint64_t m_windowStart = 0;
    size_t m_windowLength = 0;
    int m_failure = kUnzipOk;
    int m_errno = 0;
    bool m_shrank = false;
};

struct EndRecord {
    uint64_t position = 0; // of the end record in the data
    uint32_t disk = 0;
    uint32_t directoryDisk = 0;
    uint64_t entriesHere = 0;
    uint64_t entries = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0; // as recorded, before the archive start
    uint64_t directoryEnd = 0;    // where the directory must end in the data
    uint32_t disks = 1;           // from the ZIP64 locator
    bool zip64 = false;
    std::string comment;
};

EndRecord ParseEndRecord(const uint8_t* p, uint64_t position) {
    EndRecord end;
    end.position = position;
    end.disk = Get16(p + 4);
    end.directoryDisk = Get16(p + 6);
    end.entriesHere = Get16(p + 8);
    end.entries = Get16(p + 10);
    end.directorySize = Get32(p + 12);
    end.directoryOffset = Get32(p + 16);
    end.directoryEnd = position;
    end.comment.assign(reinterpret_cast<const char*>(p + kEndSize), Get16(p + 20));
    return end;
}

// Reads the ZIP64 end record through its locator when there is one.
int ReadZip64End(ArchiveBytes& bytes, EndRecord* end, std::string* why) {
    const bool needed = end->entries == 0xFFFF || end->entriesHere == 0xFFFF ||
                        end->directorySize == 0xFFFFFFFF || end->directoryOffset == 0xFFFFFFFF;
    const uint8_t* l = nullptr;
    if (end->position >= kZip64LocatorSize) {
        l = bytes.Get(end->position - kZip64LocatorSize, kZip64LocatorSize);
        if (l == nullptr)
            return bytes.Error(why, "The ZIP64 end locator lies outside the archive");
    }
    if (l == nullptr || Get32(l) != kZip64LocatorSignature) {
        // 65,535 members fit the plain record; a saturated size or offset
        // cannot be followed without the ZIP64 record.
        if (end->directorySize == 0xFFFFFFFF || end->directoryOffset == 0xFFFFFFFF)
            return Fail(kUnzipNotZip, why, "The ZIP64 end locator is missing");
        return kUnzipOk;
    }
    const uint64_t locator = end->position - kZip64LocatorSize;
    const uint64_t recordOffset = Get64(l + 8);
    const uint32_t disks = Get32(l + 16);
    // The record normally sits right before the locator; when the archive
    // has data in front of it (a stub), the recorded offset is short by
    // that much, so look for the record there too.
    uint64_t position = recordOffset;
    const uint8_t* r = nullptr;
    if (Within(position, kZip64EndSize, locator)) {
        r = bytes.Get(position, kZip64EndSize);
        if (r == nullptr)
            return bytes.Error(why, "The ZIP64 end record lies outside the archive");
    }
    if (r == nullptr || Get32(r) != kZip64EndSignature) {
        r = nullptr;
        if (locator >= kZip64EndSize) {
            position = locator - kZip64EndSize;
            r = bytes.Get(position, kZip64EndSize);
            if (r == nullptr)
                return bytes.Error(why, "The ZIP64 end record lies outside the archive");
            if (Get32(r) != kZip64EndSignature)
                r = nullptr;
        }
        if (r == nullptr) {
            if (needed)
                return Fail(kUnzipUnexpectedEnd, why,
                            "The ZIP64 end record lies outside the archive");
            return kUnzipOk;
        }
    }
    end->zip64 = true;
    end->disks = disks;
    end->disk = Get32(r + 16);
    end->directoryDisk = Get32(r + 20);
    end->entriesHere = Get64(r + 24);
    end->entries = Get64(r + 32);
    end->directorySize = Get64(r + 40);
    end->directoryOffset = Get64(r + 48);
    end->directoryEnd = position;
    return kUnzipOk;
}

// Where the central directory of an end record starts in the data, and the
// bytes in front of the archive (a stub) that shift it and every member.
// False when the recorded size and offset cannot both hold.
bool LocateDirectory(ArchiveBytes& bytes, const EndRecord& end, uint64_t* position, uint64_t* start,
                     bool* readFailed) {
    *readFailed = false;
    if (end.directorySize > end.directoryEnd)
        return false;
    // The directory ends where the end record (or the ZIP64 end record)
    // begins.
    const uint64_t directoryStart = end.directoryEnd - end.directorySize;
    if (end.directoryOffset > directoryStart)
        return false;
    *start = directoryStart - end.directoryOffset;
    *position = directoryStart;
    if (*start > 0 && end.entries > 0) {
        const uint8_t* p = bytes.Get(directoryStart, 4);
        if (p == nullptr && bytes.SystemError() != 0) {
            *readFailed = true;
            return false;
        }
        if (p == nullptr || Get32(p) != kCentralSignature) {
            // Not shifted after all: something lies between directory and end.
            *start = 0;
            *position = end.directoryOffset;
        }
    }
    return true;
}

// True when an end record's directory checks out: it lies inside the data
// before the record, and when it holds members its first header's signature
// stands where the record says. A directory on another volume cannot be
// checked here and passes.
int DirectoryChecksOut(ArchiveBytes& bytes, const EndRecord& end, bool* ok) {
    *ok = false;
    if (end.disk != 0 || end.directoryDisk != 0 || end.disks > 1) {
        *ok = true;
        return kUnzipOk;
    }
    uint64_t position = 0;
    uint64_t start = 0;
    bool readFailed = false;
    if (!LocateDirectory(bytes, end, &position, &start, &readFailed))
        return readFailed ? kUnzipReadError : kUnzipOk;
    if (end.entries == 0 && end.directorySize == 0) {
        *ok = true;
        return kUnzipOk;
    }
    if (!Within(position, kCentralSize, bytes.Size()))
        return kUnzipOk;
    const uint8_t* p = bytes.Get(position, 4);
    if (p == nullptr)
        return bytes.SystemError() != 0 ? kUnzipReadError : kUnzipOk;
    *ok = Get32(p) == kCentralSignature;
    return kUnzipOk;
}

// Chooses the end record. A comment may hold anything, the signature and
// whole fake end records included, so the record taken is the last one
// whose directory checks out and which does not lie inside the comment of
// an earlier record that checks out. When none checks out, the last record
// whose comment ends exactly at the end of the data (else the last that
// fits) is taken, and reading it tells what is wrong.
int FindEndRecord(ArchiveBytes& bytes, EndRecord* end, bool* found, std::string* why) {
    *found = false;
    const uint64_t size = bytes.Size();
    if (size < kEndSize)
        return kUnzipOk;
    const uint64_t last = size - kEndSize;
    const uint64_t first = last > kMaxCommentLength ? last - kMaxCommentLength : 0;
    // The tail is copied: checking a candidate reads elsewhere in the file.
    const uint8_t* t = bytes.Get(first, static_cast<size_t>(size - first));
    if (t == nullptr)
        return bytes.Error(why, "The end of the archive could not be read");
    const std::vector<uint8_t> tail(t, t + (size - first));

    struct Candidate {
        uint64_t position;
        uint64_t commentEnd;
        int checked = -1; // -1 not yet, 0 fails, 1 checks out
        EndRecord record;
    };
    std::vector<Candidate> candidates; // ascending positions
    for (uint64_t pos = first; pos <= last; ++pos) {
        const uint8_t* p = tail.data() + (pos - first);
        if (p[0] != 'P' || Get32(p) != kEndSignature)
            continue;
        const uint64_t commentEnd = pos + kEndSize + Get16(p + 20);
        if (commentEnd <= size)
            candidates.push_back({pos, commentEnd, -1, {}});
    }
    if (candidates.empty())
        return kUnzipOk;

    auto check = [&](Candidate& c) -> int {
        if (c.checked >= 0)
            return kUnzipOk;
        c.record = ParseEndRecord(tail.data() + (c.position - first), c.position);
        c.checked = 0;
        std::string ignored;
        if (int rc = ReadZip64End(bytes, &c.record, &ignored))
            return rc == kUnzipReadError ? rc : kUnzipOk;
        bool ok = false;
        if (int rc = DirectoryChecksOut(bytes, c.record, &ok))
            return rc;
        c.checked = ok ? 1 : 0;
        return kUnzipOk;
    };
    // One pass in file order: the comments of the records that check out
    // so far cover everything up to coveredUntil.
    uint64_t coveredUntil = 0;
    const Candidate* chosen = nullptr;
    for (Candidate& c : candidates) {
        if (check(c) != kUnzipOk)
            return bytes.Error(why, "The end of the archive could not be read");
        if (c.checked != 1)
            continue;
        if (c.position >= coveredUntil)
            chosen = &c;
        coveredUntil = std::max(coveredUntil, c.commentEnd);
    }
    if (chosen != nullptr) {
        *end = chosen->record;
        *found = true;
        return kUnzipOk;
    }
    // None checks out: the record reading will find fault with.
    size_t taken = candidates.size() - 1;
    for (size_t k = candidates.size(); k-- > 0;) {
        if (candidates[k].commentEnd == size) {
            taken = k;
            break;
        }
    }
    *end = ParseEndRecord(tail.data() + (candidates[taken].position - first),
                          candidates[taken].position);
    *found = true;
    return ReadZip64End(bytes, end, why);
}

// The member's name: UTF-8 when flag bit 11 says so (and it is), else the
// Info-ZIP Unicode path field when its CRC matches the header's name, else
// the bytes as they are when ASCII or valid UTF-8 from a non-DOS host
// (Info-ZIP on Unix stores UTF-8 names without the flag), else CP437.
// *badUtf8: the flag is set over bytes that are not UTF-8; *unusable: and
// no Unicode path field gave a name instead.
std::string MemberName(std::string_view raw, uint16_t flags, uint16_t madeBy, const uint8_t* extra,
                       size_t extraLength, bool* badUtf8, bool* unusable) {
    const bool flagged = (flags & kFlagUtf8) != 0;
    *badUtf8 = flagged && !IsValidUtf8(raw);
    *unusable = false;
    if (flagged && !*badUtf8)
        return std::string(raw);
    bool ascii = true;
    for (char c : raw)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    for (size_t pos = 0; pos + 4 <= extraLength;) {
        const uint16_t id = Get16(extra + pos);
        const size_t length = Get16(extra + pos + 2);
        if (pos + 4 + length > extraLength)
            break;
        if (id == kExtraUnicodePath && length >= 5 && extra[pos + 4] == 1) {
            const uint32_t crc = Get32(extra + pos + 5);
            const uLong actual =
                crc32(0, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size()));
            std::string_view utf8(reinterpret_cast<const char*>(extra + pos + 9), length - 5);
            if (actual == crc && !utf8.empty() && IsValidUtf8(utf8))
                return std::string(utf8);
        }
        pos += 4 + length;
    }
    *unusable = *badUtf8;
    if (ascii || (!flagged && !IsDosHost(madeBy) && IsValidUtf8(raw)))
        return std::string(raw);
    return Cp437ToUtf8(raw);
}

// Applies the ZIP64 extended information field: each value that is
// saturated in the header is taken from it, in the fixed order.
bool ApplyZip64Extra(const uint8_t* extra, size_t extraLength, ZipMemberInfo* member,
                     uint32_t* startDisk) {
    const bool wantUncompressed = member->uncompressedSize == 0xFFFFFFFF;
    const bool wantCompressed = member->compressedSize == 0xFFFFFFFF;
    const bool wantOffset = member->localHeaderOffset == 0xFFFFFFFF;
    const bool wantDisk = *startDisk == 0xFFFF;
    if (!wantUncompressed && !wantCompressed && !wantOffset && !wantDisk)
        return true;
    for (size_t pos = 0; pos + 4 <= extraLength;) {
        const uint16_t id = Get16(extra + pos);
        const size_t length = Get16(extra + pos + 2);
        if (pos + 4 + length > extraLength)
            break;
        if (id == kExtraZip64) {
            const uint8_t* p = extra + pos + 4;
            size_t left = length;
            auto take64 = [&](uint64_t* value) {
                if (left < 8)
                    return false;
                *value = Get64(p);
                p += 8;
                left -= 8;
                return true;
            };
            if (wantUncompressed && !take64(&member->uncompressedSize))
                return false;
            if (wantCompressed && !take64(&member->compressedSize))
                return false;
            if (wantOffset && !take64(&member->localHeaderOffset))
                return false;
            if (wantDisk) {
                if (left < 4)
                    return false;
                *startDisk = Get32(p);
            }
            return true;
        }
        pos += 4 + length;
    }
    return false;
}

void DeriveAttributes(ZipMemberInfo* member) {
    const uint32_t mode = member->externalAttributes >> 16;
    const uint32_t type = mode & S_IFMT;
    // A DOS host's '\' separators are '/' by now; any other '\' is part
    // of a name.
    const bool endsInSlash = !member->name.empty() && member->name.back() == '/';
    // DOS and Windows hosts keep DOS bits in the external attributes.
    if (!IsDosHost(member->versionMadeBy) && mode != 0) {
        member->isSymlink = type == S_IFLNK;
        member->isDirectory = endsInSlash || type == S_IFDIR;
        uint8_t bits = 0;
        if ((mode & 0222) == 0)
            bits |= 0x01;
        bits |= member->isDirectory ? 0x10 : 0x20;
        member->dosAttributes = bits;
    } else {
        uint8_t bits = static_cast<uint8_t>(member->externalAttributes & 0x3F);
        member->isDirectory = endsInSlash || (bits & 0x10);
        if (member->isDirectory)
            bits |= 0x10;
        member->dosAttributes = bits;
    }
}

// Refuses members whose local header, name, extra field and data reach
// into the next member or into the central directory. Offsets are already
// adjusted by the archive start.
int CheckOverlap(ArchiveBytes& bytes, uint64_t directoryStart, const ZipArchiveIndex& index,
                 std::string* why) {
    const uint64_t size = bytes.Size();
    const size_t count = index.members.size();
    std::vector<std::pair<uint64_t, uint32_t>> order;
    order.reserve(count);
    for (size_t i = 0; i < count; ++i)
        order.emplace_back(index.members[i].localHeaderOffset + index.archiveStart,
                           static_cast<uint32_t>(i));
    std::sort(order.begin(), order.end());
    for (size_t k = 0; k < count; ++k) {
        const ZipMemberInfo& member = index.members[order[k].second];
        const uint64_t position = order[k].first;
        const uint64_t limit = k + 1 < count ? order[k + 1].first : directoryStart;
        if (!Within(position, kLocalSize, size))
            return Fail(kUnzipUnexpectedEnd, why,
                        "The local header of '" + member.name + "' lies past the end");
        if (position + kLocalSize > directoryStart)
            return Fail(kUnzipOverlappingMembers, why,
                        "The local header of '" + member.name +
                            "' lies inside the central directory");
        // Small members lie close together: read on past the next header
        // so that they come from one read.
        const size_t readAhead = limit - position < kCloseMembers ? kCloseMembers : 0;
        const uint8_t* p = bytes.Get(position, kLocalSize, readAhead);
        if (p == nullptr)
            return bytes.Error(why, "The local header of '" + member.name + "' lies past the end");
        if (Get32(p) != kLocalSignature)
            return Fail(kUnzipNotZip, why, "The local header of '" + member.name + "' is damaged");
        // Compressed sizes reach 2^64 in a hostile ZIP64 field: compare
        // before adding.
        uint64_t end = position + kLocalSize + Get16(p + 26) + Get16(p + 28);
        if (member.compressedSize > size || end + member.compressedSize > size)
            return Fail(kUnzipUnexpectedEnd, why,
                        "The data of '" + member.name + "' reaches past the end");
        end += member.compressedSize;
        if (member.flags & kFlagDataDescriptor)
            end += kMinDataDescriptor;
        if (end > limit)
            return Fail(kUnzipOverlappingMembers, why,
                        "Member '" + member.name +
                            (k + 1 < count ? "' overlaps member '" +
                                                 index.members[order[k + 1].second].name + "'"
                                           : "' overlaps the central directory"));
    }
    return kUnzipOk;
}

int ReadIndex(ArchiveBytes& bytes, ZipArchiveIndex* index, std::string* why) {
    *index = ZipArchiveIndex();
    const uint64_t size = bytes.Size();
    EndRecord end;
    bool found = false;
    if (int rc = FindEndRecord(bytes, &end, &found, why))
        return rc;
    if (!found) {
        // A file that starts like a zip but has lost its end was cut short.
        const uint8_t* head = size >= 4 ? bytes.Get(0, 4) : nullptr;
        if (head == nullptr && bytes.SystemError() != 0)
            return bytes.Error(why, "");
        if (head != nullptr && Get32(head) == kLocalSignature)
            return Fail(kUnzipUnexpectedEnd, why, "The archive has been cut short");
        return Fail(kUnzipNotZip, why, "No end-of-central-directory record");
    }
    // Comments follow no flag: UTF-8 when they are, else CP437.
    index->comment = IsValidUtf8(end.comment) ? std::move(end.comment) : Cp437ToUtf8(end.comment);
    index->multiVolume =
        end.disk != 0 || end.directoryDisk != 0 || end.disks > 1 || end.entriesHere != end.entries;
    if (index->multiVolume && end.directoryDisk != end.disk)
        return kUnzipOk; // the directory starts on an earlier volume

    // Where the directory really starts: it ends where the end record (or
    // the ZIP64 end record) begins. Bytes in front of the archive shift it
    // and every member by the same amount.
    uint64_t position = 0;
    uint64_t start = 0;
    bool readFailed = false;
    if (!LocateDirectory(bytes, end, &position, &start, &readFailed)) {
        if (readFailed)
            return bytes.Error(why, "");
        if (end.directorySize > end.directoryEnd)
            return Fail(kUnzipUnexpectedEnd, why, "The central directory reaches past the archive");
        const uint8_t* p = Within(end.directoryOffset, kCentralSize, size)
                               ? bytes.Get(end.directoryOffset, 4)
                               : nullptr;
        if (p == nullptr && bytes.SystemError() != 0)
            return bytes.Error(why, "");
        if (p != nullptr && Get32(p) == kCentralSignature)
            return Fail(kUnzipNotZip, why, "The central directory has a wrong size");
        return Fail(kUnzipUnexpectedEnd, why, "The central directory lies past the end");
    }
    index->archiveStart = start;
    index->centralDirectoryOffset = position;
    const uint64_t directoryEnd = position + end.directorySize;

    // Never trust the count for the allocation: a header is 46 bytes at least.
    index->members.reserve(std::min<uint64_t>(end.entries, end.directorySize / kCentralSize));
    // A split archive lists here only the members of its own volume.
    const uint64_t count = index->multiVolume ? end.entriesHere : end.entries;
    uint64_t entry = 0;
    while (true) {
        const size_t readAhead = Within(position, 0, directoryEnd) ? directoryEnd - position : 0;
        const uint8_t* p = Within(position, kCentralSize, directoryEnd)
                               ? bytes.Get(position, kCentralSize, readAhead)
                               : nullptr;
        if (Within(position, kCentralSize, directoryEnd) && p == nullptr)
            return bytes.Error(why, "The central directory lies past the end");
        // Archives of more than 65,535 members written without ZIP64 record
        // the count modulo 65,536: read on while more headers follow.
        if (entry >= count && (end.zip64 || p == nullptr || Get32(p) != kCentralSignature))
            break;
        if (p == nullptr)
            return Fail(kUnzipUnexpectedEnd, why,
                        "The central directory ends after " + std::to_string(entry) + " of " +
                            std::to_string(count) + " members");
        if (Get32(p) != kCentralSignature)
            return Fail(kUnzipNotZip, why,
                        "Central directory header " + std::to_string(entry) + " is damaged");
        const size_t nameLength = Get16(p + 28);
        const size_t extraLength = Get16(p + 30);
        const size_t commentLength = Get16(p + 32);
        const uint64_t total = kCentralSize + nameLength + extraLength + commentLength;
        if (!Within(position, total, directoryEnd))
            return Fail(kUnzipUnexpectedEnd, why,
                        "Central directory header " + std::to_string(entry) +
                            " reaches past the directory");
        p = bytes.Get(position, static_cast<size_t>(total), readAhead);
        if (p == nullptr)
            return bytes.Error(why, "The central directory lies past the end");
        ZipMemberInfo& member = index->members.emplace_back();
        member.versionMadeBy = Get16(p + 4);
        member.flags = Get16(p + 8);
        member.method = Get16(p + 10);
        member.dosTime = Get16(p + 12);
        member.dosDate = Get16(p + 14);
        member.crc = Get32(p + 16);
        member.compressedSize = Get32(p + 20);
        member.uncompressedSize = Get32(p + 24);
        uint32_t startDisk = Get16(p + 34);
        member.externalAttributes = Get32(p + 38);
        member.localHeaderOffset = Get32(p + 42);
        member.encrypted = (member.flags & kFlagEncrypted) != 0;
        const uint8_t* extra = p + kCentralSize + nameLength;
        std::string_view rawName(reinterpret_cast<const char*>(p + kCentralSize), nameLength);
        bool badUtf8 = false;
        member.name = MemberName(rawName, member.flags, member.versionMadeBy, extra, extraLength,
                                 &badUtf8, &member.nameInvalid);
        if (badUtf8)
            index->badUtf8Headers.push_back(position);
        if (commentLength > 0) {
            std::string comment(reinterpret_cast<const char*>(extra + extraLength), commentLength);
            member.comment = IsValidUtf8(comment) ? std::move(comment) : Cp437ToUtf8(comment);
        }
        // '\' separates the names of DOS and Windows hosts; elsewhere it is
        // part of a name.
        if (IsDosHost(member.versionMadeBy))
            std::replace(member.name.begin(), member.name.end(), '\\', '/');
        if (!ApplyZip64Extra(extra, extraLength, &member, &startDisk))
            return Fail(kUnzipNotZip, why,
                        "The ZIP64 field of '" + member.name + "' is missing or short");
        if (startDisk != end.disk)
            index->multiVolume = true;
        DeriveAttributes(&member);
        position += total;
        ++entry;
    }
    if (index->multiVolume)
        return kUnzipOk; // members live on other volumes: nothing to check here
    // Offsets must leave room before the directory; the overlap check reads
    // each member's local header.
    return CheckOverlap(bytes, index->centralDirectoryOffset, *index, why);
}

} // namespace

int ReadZipIndex(const uint8_t* data, size_t size, ZipArchiveIndex* index, std::string* why) {
    ArchiveBytes bytes(data, size);
    return ReadIndex(bytes, index, why);
}

int ReadZipIndexFile(const std::string& hostPath, ZipArchiveIndex* index, std::string* why,
                     int* systemError) {
    *index = ZipArchiveIndex();
    if (systemError)
        *systemError = 0;
    auto cannotRead = [&](int e, const std::string& text) {
        if (e == ENOENT || e == ENOTDIR)
            return Fail(kUnzipFileNotFound, why, "Cannot open '" + hostPath + "'");
        if (systemError)
            *systemError = e;
        return Fail(kUnzipReadError, why, text + " '" + hostPath + "'");
    };
    if (int e = platform::fault::Check(platform::fault::Op::Open))
        return cannotRead(e, "Cannot open");
    // Non-blocking, so a FIFO in place of the archive cannot hang the open.
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return cannotRead(errno, "Cannot open");
    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int e = errno;
        close(fd);
        return cannotRead(e, "Cannot examine");
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return Fail(kUnzipNotZip, why, "'" + hostPath + "' is not a regular file");
    }
    ArchiveBytes bytes(fd, static_cast<uint64_t>(st.st_size));
    const int rc = ReadIndex(bytes, index, why);
    close(fd);
    if (rc != kUnzipOk)
        *index = ZipArchiveIndex();
    if (rc == kUnzipReadError && systemError)
        *systemError = bytes.SystemError();
    return rc;
}

} // namespace vorlane::zip
