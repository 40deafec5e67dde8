#include "zip/ZipCentralDirectory.h"

#include "ZipTestSupport.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"
#include "zip/ZipEngine.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorlane::zip {
namespace {

using test::HandZip;

int Read(const std::string& bytes, ZipArchiveIndex* index, std::string* why = nullptr) {
    return ReadZipIndex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), index, why);
}

HandZip TwoMembers() {
    HandZip zip;
    zip.Add("a.txt", std::string(300, 'a'), true);
    zip.Add("dir/b.txt", "bee");
    return zip;
}

void Put32At(std::string* bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        (*bytes)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Offset of the end record (no comment) and of the central directory.
size_t EndAt(const std::string& bytes) {
    return bytes.size() - 22;
}
size_t DirectoryAt(const std::string& bytes) {
    return bytes.find("PK\x01\x02");
}

// Offset of the second member's directory header.
size_t SecondAt(const std::string& bytes) {
    return bytes.find("PK\x01\x02", DirectoryAt(bytes) + 4);
}

TEST(ZipCentralDirectoryTest, DamagedAndHostileArchivesGetTheirCodes) {
    // Each case changes the two-member archive before it is built (shape)
    // and/or its bytes after (patch).
    const struct {
        const char* name;
        std::function<void(HandZip&)> shape;
        std::function<void(std::string&)> patch;
        int expected;
    } cases[] = {
        {"plain text", nullptr, [](std::string& b) { b = "just some text, not an archive at all"; },
         kUnzipNotZip},
        {"empty file", nullptr, [](std::string& b) { b.clear(); }, kUnzipNotZip},
        {"cut in half", nullptr, [](std::string& b) { b.resize(b.size() / 2); },
         kUnzipUnexpectedEnd},
        {"directory offset past the end", [](HandZip& z) { z.directoryOffset = 0x7FFFFFF0; },
         nullptr, kUnzipUnexpectedEnd},
        {"directory size larger than the file", nullptr,
         [](std::string& b) { Put32At(&b, EndAt(b) + 12, 0x10000000); }, kUnzipUnexpectedEnd},
        {"more members recorded than the directory holds", [](HandZip& z) { z.entryCount = 5; },
         nullptr, kUnzipUnexpectedEnd},
        {"damaged directory header", nullptr, [](std::string& b) { b[DirectoryAt(b) + 2] = 'X'; },
         kUnzipNotZip},
        {"local header offset past the end",
         [](HandZip& z) { z.members()[1].localOffset = 0x00FFFFFF; }, nullptr, kUnzipUnexpectedEnd},
        {"two members share one local header", [](HandZip& z) { z.members()[1].localOffset = 0; },
         nullptr, kUnzipOverlappingMembers},
        {"member data runs into the next member",
         [](HandZip& z) {
             z = HandZip();
             z.Add("one", std::string(100, '1'));
             z.Add("two", std::string(100, '2'));
         },
         // Compressed size of "one" in its directory header.
         [](std::string& b) { Put32At(&b, DirectoryAt(b) + 20, 150); }, kUnzipOverlappingMembers},
        {"last member's data runs into the directory", nullptr,
         [](std::string& b) { Put32At(&b, SecondAt(b) + 20, 40); }, kUnzipOverlappingMembers},
        {"local header inside the directory", nullptr,
         [](std::string& b) { Put32At(&b, SecondAt(b) + 42, uint32_t(DirectoryAt(b))); },
         kUnzipOverlappingMembers},
        {"local signature missing", nullptr, [](std::string& b) { b[0] = 'Q'; }, kUnzipNotZip},
        {"ZIP64 sizes without the ZIP64 field", nullptr,
         [](std::string& b) { Put32At(&b, DirectoryAt(b) + 24, 0xFFFFFFFF); }, kUnzipNotZip},
        {"ZIP64 compressed size near 2^64",
         [](HandZip& z) {
             z = HandZip();
             z.Add("huge", "tiny").zip64 = true;
         },
         // The field's second value (compressed size) sits 12 bytes into
         // the extra field.
         [](std::string& b) { b.replace(DirectoryAt(b) + 46 + 4 + 12, 8, 8, '\xFF'); },
         kUnzipUnexpectedEnd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HandZip zip = TwoMembers();
        if (c.shape)
            c.shape(zip);
        std::string bytes = zip.Build();
        if (c.patch)
            c.patch(bytes);
        ZipArchiveIndex index;
        std::string why;
        EXPECT_EQ(Read(bytes, &index, &why), c.expected) << why;
        EXPECT_FALSE(why.empty());
    }
}

// An end-of-central-directory record as bytes: member count, directory
// size and offset, comment length.
std::string EndRecordBytes(uint16_t entries, uint32_t size, uint32_t offset,
                           uint16_t commentLength = 0) {
    std::string bytes = "PK\x05\x06" + std::string(18, '\0');
    bytes[8] = bytes[10] = static_cast<char>(entries & 0xFF);
    bytes[9] = bytes[11] = static_cast<char>(entries >> 8);
    Put32At(&bytes, 12, size);
    Put32At(&bytes, 16, offset);
    bytes[20] = static_cast<char>(commentLength & 0xFF);
    bytes[21] = static_cast<char>(commentLength >> 8);
    return bytes;
}

std::vector<std::string> NamesOf(const ZipArchiveIndex& index) {
    std::vector<std::string> names;
    for (const ZipMemberInfo& member : index.members)
        names.push_back(member.name);
    return names;
}

TEST(ZipCentralDirectoryTest, FakeEndRecordInTheCommentIsNotTaken) {
    const std::vector<std::string> two = {"a.txt", "dir/b.txt"};
    // The real directory of the two-member archive: where it starts and how
    // long its first header is.
    const std::string plain = TwoMembers().Build();
    const uint32_t directoryAt = static_cast<uint32_t>(DirectoryAt(plain));
    const uint32_t firstHeader = static_cast<uint32_t>(SecondAt(plain) - DirectoryAt(plain));
    HandZip first;
    first.Add("first.txt", "one");
    const std::string firstBytes = first.Build();
    const struct {
        const char* name;
        std::function<std::string()> bytes;
        std::vector<std::string> members;
        uint64_t archiveStart;
    } cases[] = {
        {"an empty end record ends the comment",
         [] {
             HandZip zip = TwoMembers();
             zip.comment = "note " + EndRecordBytes(0, 0, 0);
             return zip.Build();
         },
         two, 0},
        {"the fake record points at a local header",
         [] {
             HandZip zip = TwoMembers();
             zip.comment = EndRecordBytes(1, 46, 0);
             return zip.Build();
         },
         two, 0},
        {"the fake record names the first header of the real directory",
         [&] {
             HandZip zip = TwoMembers();
             zip.comment = EndRecordBytes(1, firstHeader, directoryAt);
             return zip.Build();
         },
         two, 0},
        {"an empty archive whose comment claims members",
         [] {
             HandZip zip;
             zip.comment = EndRecordBytes(3, 138, 0);
             return zip.Build();
         },
         {},
         0},
        {"an archive appended to another is read at its own end",
         [&] { return firstBytes + TwoMembers().Build(); }, two, firstBytes.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = c.bytes();
        ZipArchiveIndex index;
        std::string why;
        ASSERT_EQ(Read(bytes, &index, &why), kUnzipOk) << why;
        EXPECT_EQ(NamesOf(index), c.members);
        EXPECT_EQ(index.archiveStart, c.archiveStart);
    }
}

TEST(ZipCentralDirectoryTest, ReadsMembersOfAHandMadeArchive) {
    HandZip zip;
    zip.Add("a.txt", std::string(300, 'a'), true);
    test::HandMember& ro = zip.Add("dir/read-only.txt", "ro");
    ro.externalAttributes = test::UnixAttributes(0100444);
    test::HandMember& dos = zip.Add("DOS.SYS", "dos");
    dos.versionMadeBy = test::kMadeByDos;
    dos.externalAttributes = 0x27; // read-only, hidden, system, archive
    zip.AddDirectory("dir/");
    test::HandMember& link = zip.Add("link", "target");
    link.externalAttributes = test::UnixAttributes(0120777);
    test::HandMember& secret = zip.Add("secret", "xxxxxxxxxxxx");
    secret.flags = 1;
    zip.comment = "comment with PK\x05\x06 inside";

    ZipArchiveIndex index;
    std::string why;
    ASSERT_EQ(Read(zip.Build(), &index, &why), kUnzipOk) << why;
    ASSERT_EQ(index.members.size(), 6u);
    EXPECT_EQ(index.comment, "comment with PK\x05\x06 inside");
    EXPECT_EQ(index.archiveStart, 0u);
    EXPECT_FALSE(index.multiVolume);

    const ZipMemberInfo& a = index.members[0];
    EXPECT_EQ(a.name, "a.txt");
    EXPECT_EQ(a.method, 8);
    EXPECT_EQ(a.uncompressedSize, 300u);
    EXPECT_EQ(a.compressedSize, test::Deflate(std::string(300, 'a')).size());
    EXPECT_EQ(a.crc, test::Crc32(std::string(300, 'a')));
    EXPECT_EQ(a.dosAttributes, 0x20);
    EXPECT_EQ(a.dosDate, (45 << 9) | (6 << 5) | 15);

    struct Expect {
        size_t index;
        uint8_t attributes;
        bool directory, symlink, encrypted;
    };
    const Expect expects[] = {
        {1, 0x21, false, false, false}, // no write permission: read-only
        {2, 0x27, false, false, false}, // DOS bits as stored
        {3, 0x10, true, false, false},  {4, 0x20, false, true, false},
        {5, 0x20, false, false, true},
    };
    for (const Expect& e : expects) {
        const ZipMemberInfo& m = index.members[e.index];
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.dosAttributes, e.attributes);
        EXPECT_EQ(m.isDirectory, e.directory);
        EXPECT_EQ(m.isSymlink, e.symlink);
        EXPECT_EQ(m.encrypted, e.encrypted);
    }
}

// An Info-ZIP Unicode path field for a header name: version 1, the CRC of
// headerName, then the UTF-8 name.
std::string UnicodePathField(const std::string& headerName, const std::string& utf8) {
    std::string field(9, '\1');
    Put32At(&field, 0, 0x7075 | uint32_t(5 + utf8.size()) << 16);
    Put32At(&field, 5, test::Crc32(headerName));
    return field + utf8;
}

TEST(ZipCentralDirectoryTest, NamesAreDecodedByFlagFieldAndHost) {
    const std::string emoji = "emoji\xF0\x9F\x98\x80.txt";
    const struct {
        const char* name;
        std::string stored;
        uint16_t madeBy;
        uint16_t flags;
        std::string extra;
        std::string expected;
        bool invalid; // flagged UTF-8 but not
    } cases[] = {
        {"CP437 from Unix, not UTF-8", "caf\x82.txt", test::kMadeByUnix, 0, "", "caf\xC3\xA9.txt",
         false},
        {"flagged UTF-8", "gr\xC3\xBC\xC3\x9F.txt", test::kMadeByUnix, 0x0800, "",
         "gr\xC3\xBC\xC3\x9F.txt", false},
        {"Unicode path field whose CRC matches", "na\x8Fve.txt", test::kMadeByUnix, 0,
         UnicodePathField("na\x8Fve.txt", "na\xC3\xAFve.txt"), "na\xC3\xAFve.txt", false},
        {"Unicode path field with a stale CRC", "old\x81.txt", test::kMadeByUnix, 0,
         UnicodePathField("na\x8Fve.txt", "na\xC3\xAFve.txt"), "old\xC3\xBC.txt", false},
        // Info-ZIP on Linux writes raw UTF-8 without the flag.
        {"UTF-8 without the flag from Unix", emoji, test::kMadeByUnix, 0, "", emoji, false},
        {"the same bytes from DOS are CP437", emoji, test::kMadeByDos, 0, "",
         "emoji\xE2\x89\xA1\xC6\x92\xC3\xBF\xC3\x87.txt", false},
        {"DOS backslashes separate", "DIR\\SUB\\A.TXT", test::kMadeByDos, 0, "", "DIR/SUB/A.TXT",
         false},
        {"a Unix backslash is part of the name", "a\\b.txt", test::kMadeByUnix, 0, "", "a\\b.txt",
         false},
        {"flagged UTF-8 that is not", "bad\xFF.txt", test::kMadeByUnix, 0x0800, "",
         "bad\xC2\xA0.txt", true},
        {"flagged UTF-8 that is not, with a good field", "bad\xFF.txt", test::kMadeByUnix, 0x0800,
         UnicodePathField("bad\xFF.txt", "bad\xC3\xBF.txt"), "bad\xC3\xBF.txt", false},
    };
    HandZip zip;
    for (const auto& c : cases) {
        test::HandMember& member = zip.Add(c.stored, c.name);
        member.versionMadeBy = c.madeBy;
        member.flags = c.flags;
        member.centralExtra = c.extra;
        if (c.madeBy == test::kMadeByDos)
            member.externalAttributes = 0x20;
    }
    ZipArchiveIndex index;
    std::string why;
    const std::string bytes = zip.Build();
    ASSERT_EQ(Read(bytes, &index, &why), kUnzipOk) << why;
    ASSERT_EQ(index.members.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(index.members[i].name, cases[i].expected);
        EXPECT_EQ(index.members[i].nameInvalid, cases[i].invalid);
    }
    // Both members flagged UTF-8 over bytes that are not are listed for the
    // extractor, at their central directory headers.
    ASSERT_EQ(index.badUtf8Headers.size(), 2u);
    for (uint64_t header : index.badUtf8Headers) {
        EXPECT_EQ(bytes.substr(header, 4), "PK\x01\x02");
        EXPECT_EQ(bytes.substr(header + 46, 8), "bad\xFF.txt");
    }
}

TEST(ZipCentralDirectoryTest, Zip64RecordsSizesOver4GiBAndStubs) {
    HandZip zip;
    test::HandMember& big = zip.Add("big.bin", "small");
    big.zip64 = true;
    big.uncompressedSize = 5ull << 30; // declared only; nothing inflates here
    zip.Add("after.txt", "x");
    zip.zip64End = true;
    ZipArchiveIndex index;
    std::string why;
    ASSERT_EQ(Read(zip.Build(), &index, &why), kUnzipOk) << why;
    ASSERT_EQ(index.members.size(), 2u);
    EXPECT_EQ(index.members[0].uncompressedSize, 5ull << 30);
    EXPECT_EQ(index.members[0].compressedSize, 5u);
    EXPECT_EQ(index.members[1].name, "after.txt");

    zip.prefix = "STUB";
    ASSERT_EQ(Read(zip.Build(), &index, &why), kUnzipOk) << why;
    EXPECT_EQ(index.archiveStart, 4u);

    // A self-extractor's code in front shifts every offset.
    HandZip stubbed = TwoMembers();
    stubbed.prefix = std::string(1000, '\x90');
    ASSERT_EQ(Read(stubbed.Build(), &index, &why), kUnzipOk) << why;
    EXPECT_EQ(index.archiveStart, 1000u);
    EXPECT_EQ(index.members.size(), 2u);
    EXPECT_EQ(index.members[1].localHeaderOffset, 30u + 5 + index.members[0].compressedSize);
}

TEST(ZipCentralDirectoryTest, CountBeyond65535WithoutZip64IsReadWhole) {
    HandZip zip;
    const size_t count = 65536 + 3;
    for (size_t i = 0; i < count; ++i)
        zip.Add(std::to_string(i), "");
    ZipArchiveIndex index;
    std::string why;
    ASSERT_EQ(Read(zip.Build(), &index, &why), kUnzipOk) << why;
    ASSERT_EQ(index.members.size(), count);
    EXPECT_EQ(index.members.back().name, std::to_string(count - 1));
}

// The reader once mapped the archive: a file cut short while its directory
// was being parsed killed the process with SIGBUS. Reading it must end in
// an error code (or the whole listing, when the cut came late) every time.
TEST(ZipCentralDirectoryTest, ArchiveTruncatedWhileReadIsAnErrorNotACrash) {
    HandZip zip;
    const size_t count = 70000;
    for (size_t i = 0; i < count; ++i)
        zip.Add("dir" + std::to_string(i % 50) + "/" + std::to_string(i), "");
    const std::string bytes = zip.Build();
    vorlane::test::TempDir dir;
    const std::string path = dir / "big.zip";

    // How long one whole read takes here spreads the cuts over it.
    vorlane::test::WriteFile(path, bytes);
    ZipArchiveIndex index;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ReadZipIndexFile(path, &index), kUnzipOk);
    const auto whole = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(index.members.size(), count);

    int cutDuringRead = 0;
    for (int round = 0; round < 200 && cutDuringRead < 3; ++round) {
        vorlane::test::WriteFile(path, bytes);
        std::atomic<bool> started{false};
        int rc = -1;
        size_t members = 0;
        std::thread reader([&] {
            ZipArchiveIndex read;
            started = true;
            rc = ReadZipIndexFile(path, &read);
            members = read.members.size();
        });
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(whole * (round % 9 + 1) / 10);
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(bytes.size() / 3)), 0);
        reader.join();
        if (rc == kUnzipOk) {
            EXPECT_EQ(members, count); // read whole before the cut
        } else {
            ++cutDuringRead;
            EXPECT_TRUE(rc == kUnzipUnexpectedEnd || rc == kUnzipNotZip) << rc;
        }
    }
    EXPECT_GT(cutDuringRead, 0);
}

TEST(ZipCentralDirectoryTest, FilesThatCannotBeRead) {
    vorlane::test::TempDir dir;
    ZipArchiveIndex index;
    EXPECT_EQ(ReadZipIndexFile(dir / "missing.zip", &index), kUnzipFileNotFound);
    EXPECT_EQ(ReadZipIndexFile(dir.path(), &index), kUnzipNotZip);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadZipIndexFile(dir / "fifo", &index), kUnzipNotZip); // and does not hang
    vorlane::test::WriteFile(dir / "short", "PK\x03\x04 cut");
    EXPECT_EQ(ReadZipIndexFile(dir / "short", &index), kUnzipUnexpectedEnd);

    // An archive the system refuses or fails to read keeps the errno.
    vorlane::test::WriteFile(dir / "good.zip", TwoMembers().Build());
    using platform::fault::Op;
    const struct {
        Op op;
        int error;
    } faults[] = {{Op::Open, EACCES}, {Op::Read, EIO}};
    for (const auto& f : faults) {
        platform::fault::Arm(f.op, 1, f.error);
        int systemError = 0;
        EXPECT_EQ(ReadZipIndexFile(dir / "good.zip", &index, nullptr, &systemError),
                  kUnzipReadError);
        platform::fault::Reset();
        EXPECT_EQ(systemError, f.error);
        EXPECT_TRUE(index.members.empty());
    }
}

} // namespace
} // namespace vorlane::zip
