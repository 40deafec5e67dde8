// ZipCentralDirectory: the engine's own reader of an archive's central
// directory. Opening an archive, listing its members and reading its
// comment go through it instead of libzip, because it is much faster on
// archives of many members and because it checks what libzip does not:
// every offset and length is bounds-checked against the file, members that
// share bytes (the overlapping-member zip bomb) are refused, and ZIP64
// records are followed. Decompression and every change stay with libzip.
//
// Pure functions over bytes; the file variant reads the archive with pread
// into a bounded window (never a mapping, so a file cut short underneath
// the reader is an error code, not a fault). No global state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::zip {

struct ZipMemberInfo {
    // As stored, decoded to UTF-8: the UTF-8 flag, else the Info-ZIP
    // Unicode path field whose CRC matches, else UTF-8 when a Unix (any
    // non-DOS) host wrote valid UTF-8, else CP437. '/' separates
    // components; a DOS or Windows host's '\' separators are turned into
    // '/', from any other host a '\' is part of a name.
    std::string name;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t localHeaderOffset = 0;
    uint32_t crc = 0;
    uint32_t externalAttributes = 0;
    uint16_t versionMadeBy = 0;
    uint16_t flags = 0; // general purpose bits
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    bool encrypted = false;
    bool isDirectory = false;  // name ends in '/' or the DOS directory bit
    bool isSymlink = false;    // Unix mode S_IFLNK in the external attributes
    uint8_t dosAttributes = 0; // the DOS attribute bits (0x01 .. 0x20)
    // Flagged UTF-8 but not valid UTF-8 (and no Unicode path field to
    // take instead): name holds the bytes read as CP437, for showing; the
    // member is never extracted under it.
    bool nameInvalid = false;
    // The member's own comment, UTF-8 when it is valid UTF-8, else read as
    // CP437; "" for none.
    std::string comment;
};

struct ZipArchiveIndex {
    std::vector<ZipMemberInfo> members;
    std::string comment;
    uint64_t centralDirectoryOffset = 0;
    uint64_t archiveStart = 0; // bytes before the first member (a stub)
    bool multiVolume = false;  // split or spanned (disk numbers not 0)
    // File offsets of the central directory headers whose UTF-8 flag is set
    // over a name that is not UTF-8 (libzip refuses the whole archive for
    // one of them; the extractor hides the flag from it).
    std::vector<uint64_t> badUtf8Headers;
};

// Parses an archive held in memory. Returns an UnzipResult: kUnzipOk,
// kUnzipNotZip (no end record), kUnzipUnexpectedEnd (truncated, or a
// record points past the end), kUnzipOverlappingMembers; why gets a
// sentence for the log or a test.
//
// The end record is the last one whose central directory checks out (it
// lies in the data before the record, and its first header's signature
// stands where the record says) and which does not lie inside the comment
// of an earlier one that checks out: a comment may hold fake end records.
int ReadZipIndex(const uint8_t* data, size_t size, ZipArchiveIndex* index,
                 std::string* why = nullptr);
// The same over a file on disk (host path): kUnzipFileNotFound when it does
// not exist, kUnzipNotZip when it is not a regular file, kUnzipReadError
// when it cannot be opened or read (systemError, when given, gets the
// errno), kUnzipUnexpectedEnd also when it shrinks while it is read.
int ReadZipIndexFile(const std::string& hostPath, ZipArchiveIndex* index,
                     std::string* why = nullptr, int* systemError = nullptr);

} // namespace vorlane::zip
