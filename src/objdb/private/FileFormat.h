// The keyed record file's on-disk frame: block size, the file header and the
// block layouts, with helpers that read and write integers in the file's
// byte order. Private to the objdb module; docs/formats/VORLN32.DAT.md
// describes the same layout for readers of the file.
//
// Invariants of a committed file (the walk before the first change and the
// checker enforce them):
//  1. The file is a 1024-byte header followed by blocks; block n lies at
//     1024 * (n + 1) and the file holds at least header-count blocks.
//  2. Block 0 is the header shadow, never part of a tree or a record.
//  3. Every index block, record extent and journal block lies inside
//     [1, block count) and no two of them share a block.
//  4. Index levels fall by exactly one from parent to child; leaves are 0.
//  5. Entries ascend strictly by (index number, key) inside a block and
//     across the tree; separators bound the keys of their subtrees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <zlib.h>

namespace vorlane::objdb::detail {

constexpr uint32_t kBlockSize = 1024;
constexpr uint32_t kHeaderSize = 1024;
// Bytes of the header that carry data; the rest of the header unit is zero.
constexpr uint32_t kHeaderUsed = 348;

// "No block" in the header's journal word and in sibling links.
constexpr uint32_t kNoBlock = 0xFFFFFFFFu;

// Largest block count a file may claim: block offsets stay below 2^41 and
// counts fit a signed word.
constexpr uint32_t kMaxBlocks = 0x7FFFFFFEu;

// Where block n lies in the file: after the header unit.
inline uint64_t BlockOffset(uint32_t block) {
    return uint64_t(block + 1) * kBlockSize;
}

// ---- file header (offsets from the start of the file) ---------------------
enum HeaderOffset : uint32_t {
    kHdrFormat = 0,        // word: header format, always 1
    kHdrMagicV = 4,        // word: 'V'
    kHdrByteOrder = 8,     // word: 1 read in the file's byte order
    kHdrRoot0 = 12,        // word: root block of the main tree (tree 0); 0 = empty tree
    kHdrMagicA1 = 16,      // word: 'A'
    kHdrMagicL = 20,       // word: 'L'
    kHdrMagicI = 24,       // word: 'I'
    kHdrAlloc1 = 28,       // word: allocation word, 1 (kept as found)
    kHdrMagicD = 32,       // word: 'D'
    kHdrAlloc2 = 36,       // word: allocation word, 1 (kept as found)
    kHdrMagicA2 = 40,      // word: 'A'
    kHdrAlloc3 = 44,       // word: allocation word, 1 (kept as found)
    kHdrMagicT = 48,       // word: 'T'
    kHdrBlockCount = 52,   // word: blocks after the header that belong to the file
    kHdrMagic1 = 56,       // word: '1'
    kHdrJournal = 60,      // word: first block of the committed journal; -1 = none
    kHdrJournalLen = 64,   // word: blocks in that journal; 0 = none
    kHdrSequence = 68,     // word: commit sequence number; 0 = never committed
    kHdrCommentLen = 72,   // word: comment length in bytes, 0..100
    kHdrZero76 = 76,       // 16 bytes: zero
    kHdrComment = 92,      // 100 bytes: comment, zero-filled
    kHdrKeyTypes = 192,    // 22 bytes: key type of index n at 192 + n
    kHdrUnused214 = 214,   // 4 bytes: zero
    kHdrTrees = 218,       // 22 bytes: tree of index n at 218 + n - 1; 0 = main tree
    kHdrOpenFlags = 240,   // 20 bytes: zero
    kHdrRoots = 260,       // 20 words: roots of trees 1..20; 0 = empty tree
    kHdrReserved340 = 340, // word: -1 (reserved)
    kHdrChecksum = 344,    // word: CRC-32 of bytes 0..343; -1 while the sequence is 0
};

constexpr int kMaxIndex = 20; // indexes are numbered 1..20
constexpr int kTrees = 21;    // tree 0 (main) and trees 1..20
constexpr uint32_t kMaxComment = 100;

struct MagicWord {
    uint32_t offset;
    uint32_t letter;
};
// Read in this order, the letters spell VALIDAT1.
constexpr MagicWord kMagic[8] = {{kHdrMagicV, 'V'}, {kHdrMagicA1, 'A'}, {kHdrMagicL, 'L'},
                                 {kHdrMagicI, 'I'}, {kHdrMagicD, 'D'},  {kHdrMagicA2, 'A'},
                                 {kHdrMagicT, 'T'}, {kHdrMagic1, '1'}};

// ---- index block ----------------------------------------------------------
enum IndexBlockOffset : uint32_t {
    kBlkLeftChild = 0, // word: inner block: child below the first entry; leaf: 0
    kBlkNext = 4,      // word: next block on the same level; -1 = none
    kBlkPrev = 8,      // word: previous block on the same level; -1 = none
    kBlkLevel = 12,    // signed 16: 0 = leaf
    kBlkCount = 14,    // signed 16: entries, 0..143
    kBlkFree = 16,     // signed 16: free bytes of the entry area; 1006 when empty
    kBlkEntries = 18,  // packed entries
};
constexpr uint32_t kEntryArea = kBlockSize - kBlkEntries; // 1006
constexpr int kMaxEntries = 143;
constexpr int kMaxLevel = 40;

// An entry: length byte L, then L bytes:
//   +0 index number (1..20)
//   +1 tie-break byte (0; the top bit is a flag, unused)
//   +2 record number, word (leaf: first block of the record; 0 = no data)
//   +6 key in the form of its key type
//   +6+k word: leaf: data length in bytes; inner: child block
// so L = key bytes + 10.
constexpr uint32_t kEntryFixed = 10;
// A key of type 0 is at most 241 characters and its NUL.
constexpr uint32_t kMaxKeyBytes = 242;
constexpr uint32_t kMaxEntryBytes = 1 + kEntryFixed + kMaxKeyBytes; // 253

// ---- record data ----------------------------------------------------------
// A record of n > 0 bytes occupies ceil((8 + n) / 1024) consecutive blocks
// starting at its record number: word record number (a self-check), word
// length, then the data.
constexpr uint32_t kDataHeader = 8;
constexpr uint32_t kMaxRecordBytes = 30000;

inline uint32_t ExtentBlocks(uint32_t length) {
    return length == 0 ? 0 : (kDataHeader + length + kBlockSize - 1) / kBlockSize;
}

// ---- journal --------------------------------------------------------------
// Head block: word magic 'JRNL', word sequence, word image count n, word
// CRC-32, then the home block numbers (252 in the head block, 256 in each
// further list block); the n images follow the list blocks.
constexpr uint32_t kJournalMagic = 0x4C4E524Au; // "JRNL" in a little-endian file
enum JournalOffset : uint32_t {
    kJrnMagic = 0,
    kJrnSequence = 4,
    kJrnImages = 8,
    kJrnChecksum = 12,
    kJrnHomes = 16,
};
constexpr uint32_t kJournalHomesInHead = (kBlockSize - kJrnHomes) / 4; // 252
constexpr uint32_t kJournalHomesPerBlock = kBlockSize / 4;             // 256

inline uint32_t JournalListBlocks(uint32_t images) {
    if (images <= kJournalHomesInHead)
        return 1;
    return 1 + (images - kJournalHomesInHead + kJournalHomesPerBlock - 1) / kJournalHomesPerBlock;
}

// Where the home block number of image i stands, from the journal's start.
inline size_t JournalHomeOffset(uint32_t i) {
    return i < kJournalHomesInHead
               ? kJrnHomes + 4 * i
               : kBlockSize * (1 + (i - kJournalHomesInHead) / kJournalHomesPerBlock) +
                     4 * ((i - kJournalHomesInHead) % kJournalHomesPerBlock);
}

// ---- byte order -----------------------------------------------------------
// Every integer of the file is stored in the file's byte order: little-endian
// unless the byte-order word says otherwise.
struct ByteOrder {
    bool big = false;

    uint32_t Get32(const uint8_t* p) const {
        return big ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                   : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
    }
    void Put32(uint8_t* p, uint32_t v) const {
        if (big) {
            p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8),
            p[3] = uint8_t(v);
        } else {
            p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16),
            p[3] = uint8_t(v >> 24);
        }
    }
    uint16_t Get16(const uint8_t* p) const {
        return big ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    void Put16(uint8_t* p, uint16_t v) const {
        if (big) {
            p[0] = uint8_t(v >> 8), p[1] = uint8_t(v);
        } else {
            p[0] = uint8_t(v), p[1] = uint8_t(v >> 8);
        }
    }
    int16_t GetS16(const uint8_t* p) const { return static_cast<int16_t>(Get16(p)); }
    uint64_t Get64(const uint8_t* p) const {
        uint64_t hi = Get32(big ? p : p + 4), lo = Get32(big ? p + 4 : p);
        return hi << 32 | lo;
    }
};

// zlib's CRC-32 of size bytes, continuing from crc: the header and the
// journal are checked with it at every commit and open.
inline uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0) {
    return static_cast<uint32_t>(::crc32_z(crc, static_cast<const Bytef*>(data), size));
}

} // namespace vorlane::objdb::detail
