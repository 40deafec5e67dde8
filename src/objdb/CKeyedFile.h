// CKeyedFile: the keyed record file engine. It stores records of 0 to 30,000
// bytes in one disk file and finds them through ordered key indexes (a
// B+-tree of 1024-byte index blocks); docs/formats/VORLN32.DAT.md gives the
// byte layout. Its client is the object database (CObjectDatabase), which
// uses index 1 with string keys (key type 0).
//
// Changes are transactional: nothing the file holds is overwritten while a
// change is in flight. Flush() (and Close()) commits: new index blocks go to
// a journal inside the file, the header switch makes them the file's state,
// and only then are they copied home. A crash at any point leaves the state
// of the last commit. After a failed write the handle refuses every further
// change (kKfWritesRefused) until it is closed and opened again.
//
// A damaged file never crashes the engine or traps it in a loop: open
// refuses a bad header, every read checks the blocks it meets, and the first
// change walks the whole file and refuses to change a damaged one
// (kKfDamaged).
//
// One handle per open file, owned by its caller. Threads: nothing here is
// thread-safe and the engine takes no lock of its own (the file lock only
// keeps other handles and programs out). A handle is used by one thread at a
// time, its owner; even a read changes it (the index positions, the block
// cache, the detail text). The engine keeps no process-wide state, so
// handles share nothing but the files they open. In Vorlane the one handle
// is the object database's and lives on its owner thread (CObjectDatabase.h).
//
// Every operation returns 0 on success and a negative status
// (KeyedFileStatus) on failure; LastErrorDetail() then holds a sentence
// naming the cause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::objdb {

enum KeyedFileStatus : int32_t {
    kKfSuccess = 0,
    kKfNotFound = -1,          // no such key; end or beginning of the index; empty index
    kKfBadIndex = -2,          // index number outside 1..20
    kKfNotOpen = -3,           // the handle is not open
    kKfHeaderWriteFailed = -4, // close could not write the file's final state
    kKfBadMagic = -5,          // the file is not a keyed record file
    kKfReadFailed = -6,        // a read failed
    kKfDamaged = -7,           // the file's structure is damaged
    kKfShortWrite = -8,        // a write or sync failed (disk full, I/O error)
    kKfWritesRefused = -9,     // an earlier write failed: reopen before changing anything
    kKfInUse = -10,            // another handle or program holds the file
    kKfCannotOpen = -11,       // the file cannot be opened (missing, no permission)
    kKfReadOnly = -12,         // a change on a handle opened read-only
    kKfBadKey = -13,           // key malformed for its type, or over 242 bytes (241 + NUL)
    kKfRecordTooLong = -14,    // record data longer than 30,000 bytes
    kKfKeyExists = -15,        // add of a key the index holds already
    kKfAlreadyOpen = -16,      // create or open on a handle that is open
    kKfBadByteOrder = -17,     // the header's byte-order word is neither order of 1
    kKfOutOfMemory = -18,
    kKfBadFlushMode = -1,  // SetFlushMode outside 0..4 (the value callers test for)
    kKfBadArgument = -19,  // null data with a nonzero length, more than 20 key descriptors
    kKfIndexTooHigh = -27, // key descriptor with an index number of 16 or more
    kKfFileExists = -29,   // create of a file that exists
    kKfBadMode = -32,      // create mode other than 1, 2 or 3
    kKfBadKeyType = -35,   // key type above 20, unsupported, or not what the file says
};

// A short English text for a status ("" for 0 and positive values).
const char* KeyedFileStatusText(int32_t status);

// Key types: only the low five bits count.
enum KeyType : int {
    kKeyString = 0,       // NUL-terminated string, byte order, case-sensitive
    kKeyStringNoCase = 1, // NUL-terminated string, ASCII letters without case
    kKeyCounted = 2,      // length byte then bytes (16..20 mean the same)
    kKeyInt32 = 3,        // signed 32-bit (5 means the same)
    kKeyInt16 = 4,        // signed 16-bit
    kKeyLong = 5,
    kKeyFloat = 6,    // 32-bit float
    kKeyDouble = 7,   // 64-bit float
    kKeyCompound = 8, // not supported: refused with kKfBadKeyType
    kKeyBytes6 = 9,   // six bytes compared bytewise
    kKeyUInt16 = 10,  // unsigned 16-bit
};

// One index of a new file (create) or one expectation about an open one.
struct KeyDescriptor {
    int index = 1; // 1..15
    int keyType = kKeyString;
};

// Counts gathered by Statistics().
struct KeyedFileStatistics {
    uint32_t blockCount = 0; // blocks after the header
    uint32_t sequence = 0;   // commits since the file was created
    uint64_t records = 0;
    uint64_t indexBlocks = 0;
    uint64_t dataBlocks = 0;
    uint64_t freeBlocks = 0;
    uint64_t dataBytes = 0;
    int treeHeight = 0; // levels of the main tree, 0 when empty
};

class KeyedFileImpl;

class CKeyedFile {
  public:
    CKeyedFile();
    ~CKeyedFile(); // closes an open file
    CKeyedFile(const CKeyedFile&) = delete;
    CKeyedFile& operator=(const CKeyedFile&) = delete;

    // Creates path (which must not exist: kKfFileExists) atomically and opens
    // it read-write with the same access letter. mode: 1 little-endian, 2
    // big-endian, 3 native byte order (kKfBadMode otherwise). keys, when
    // given, set the key types of indexes 1..15; index 20 has type 2.
    int32_t Create(const std::string& path, char access, int mode,
                   const std::vector<KeyDescriptor>* keys = nullptr);
    // Opens path. Access 'E' takes the file for exclusive use (kKfInUse when
    // another handle or program holds it); other letters open read-only
    // handles shared with other readers and read-write handles exclusively.
    // mode 2 is read-write, any other mode read-only. Without keys, indexes
    // 1..14 must have key type 0 (kKfBadKeyType); with keys, the listed
    // indexes must have the listed types. A commit interrupted by a crash is
    // finished (or, read-only, read through) here.
    int32_t Open(const std::string& path, char access, int mode,
                 const std::vector<KeyDescriptor>* keys = nullptr);
    // Commits what is pending, brings the file to rest and closes it. The
    // handle is closed afterwards whatever the result.
    int32_t Close();
    bool IsOpen() const;

    // 0: commit only on Flush and Close (what the object database uses);
    // 1..4: commit after every change. kKfBadFlushMode (-1) outside 0..4.
    int32_t SetFlushMode(int mode);
    // Sets the block cache to n buffers of 2048 index blocks (2 MiB) each,
    // at most 9 (larger n gives 9, smaller than 1 gives 1).
    int32_t SetCache(int buffers);
    // With durable false, commits skip the syncs to stable storage: a crash of
    // the program still leaves a committed state, a crash of the system may
    // not. For bulk rebuilds and measurements; true by default.
    void SetDurable(bool durable);

    // Makes every change so far the file's committed state.
    int32_t Flush();

    // key is in the form of the index's key type, native byte order: for
    // strings the characters (a trailing NUL is allowed), for counted keys the
    // length byte and bytes, for numbers their bytes. recno is accepted for
    // the interface and ignored: keys are unique within an index, and the
    // engine numbers records itself.
    int32_t Add(int index, std::string_view key, uint32_t recno, const void* data, size_t length);
    int32_t Update(int index, std::string_view key, uint32_t recno, const void* data,
                   size_t length);
    int32_t Delete(int index, std::string_view key, uint32_t recno);
    // 0 when key exists (its data, at most capacity bytes, is copied to
    // buffer); 1 when it does not and the position moved to the next greater
    // key (whose data is read); kKfNotFound when no greater key exists.
    int32_t Find(int index, std::string_view key, uint32_t recno, void* buffer, size_t capacity);
    int32_t First(int index, void* buffer, size_t capacity);
    int32_t Last(int index, void* buffer, size_t capacity);
    // From the current position of the index (from its start or end when it
    // has none); kKfNotFound past either end.
    int32_t Next(int index, void* buffer, size_t capacity);
    int32_t Previous(int index, void* buffer, size_t capacity);

    // The record positioned on last: key in native form (strings without
    // their NUL), data length, record number.
    const std::string& CurrentKey() const;
    uint32_t CurrentLength() const;
    uint32_t CurrentRecordNumber() const;
    // Reads the whole data of the record positioned on last.
    int32_t ReadCurrent(std::string* data);
    // Reads at most capacity bytes of it into buffer.
    int32_t ReadCurrent(void* buffer, size_t capacity);

    // A sentence about the last failure ("" after success).
    const std::string& LastErrorDetail() const;
    bool WritesRefused() const;
    const std::string& Path() const;
    std::string Comment() const;

    // Walks the whole file as this handle sees it: header, every tree, every
    // record's data header, the journal. Returns one message per problem;
    // empty when the file is sound.
    std::vector<std::string> Check();
    int32_t Statistics(KeyedFileStatistics* stats);

    // For the dump tool and tests: the raw header and a block as they are
    // seen through this handle (committed journal applied).
    int32_t ReadHeaderBytes(std::string* bytes);
    int32_t ReadBlockBytes(uint32_t block, std::string* bytes);

  private:
    std::unique_ptr<KeyedFileImpl> m_impl;
};

// Opens path read-only beside other readers and checks it. A file that
// cannot be opened gives one message saying why.
std::vector<std::string> CheckKeyedFile(const std::string& path);

} // namespace vorlane::objdb
