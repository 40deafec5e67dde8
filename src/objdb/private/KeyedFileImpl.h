// The state and inner workings of an open CKeyedFile. Split over
// KeyedFileOpen.cpp (failure recording, the header, create, open and
// recovery), KeyedFileCommit.cpp (commit, close, block allocation),
// KeyedFileBlocks.cpp (the block cache, index block and record I/O),
// KeyedFileTree.cpp (search, insert, delete, positioning) and
// KeyedFileWalk.cpp (the whole-file walk and the checker). Private to the
// objdb module; CKeyedFile.cpp is the public handle over it.
//
// Transactions. The committed state is what the header on disk describes.
// Changes build the next state in memory: index blocks are changed in the
// cache (dirty), record data is written at once but only into blocks the
// committed state does not use, and blocks the committed state uses wait in
// m_pendingFree until the commit that stops using them.
#pragma once

#include "objdb/CKeyedFile.h"
#include "objdb/private/BlockFile.h"
#include "objdb/private/FileFormat.h"
#include "objdb/private/FreeSpace.h"
#include "objdb/private/IndexBlock.h"
#include "platform/LockFile.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vorlane::objdb {

namespace detail {

// The system's text for an errno value, for the detail sentences.
inline std::string ErrnoText(int err) {
    return std::strerror(err);
}

} // namespace detail

using detail::IndexBlock;

// A position in a tree: the block and the child (inner: -1 = left child,
// i = child of entry i) or entry (leaf) taken at each level, root first.
struct TreeStep {
    IndexBlock* block = nullptr;
    int slot = 0;
};
using TreePath = std::vector<TreeStep>;

// What a search looks for inside one index.
struct SearchTarget {
    uint8_t index = 0;
    const uint8_t* key = nullptr; // file form; null with bias != 0
    uint32_t keyLen = 0;
    int bias = 0; // -1: below every key of the index; +1: above every key
};

class KeyedFileImpl {
  public:
    KeyedFileImpl();
    ~KeyedFileImpl();

    // ---- KeyedFileOpen.cpp ---------------------------------------------------
    int32_t Create(const std::string& path, char access, int mode,
                   const std::vector<KeyDescriptor>* keys);
    int32_t Open(const std::string& path, char access, int mode,
                 const std::vector<KeyDescriptor>* keys);

    // Sets the detail text and returns status.
    int32_t Fail(int32_t status, std::string detail);
    // A write failed: the handle refuses changes from now on.
    int32_t WriteFailed(int32_t status, const std::string& what, int err);
    int32_t CheckWritable();
    // An allocation failed inside an operation: returns kKfOutOfMemory with a
    // detail when one can be made. After a change (change true) the handle
    // refuses further changes, as after a failed write, because the blocks
    // in memory may be half changed. Allocates nothing that can fail.
    int32_t OutOfMemory(bool change) noexcept;

    void BuildHeaderImage(uint8_t* out, uint32_t journal, uint32_t journalLen,
                          uint32_t sequence) const;
    // Reads the header fields this engine uses out of a header image.
    int32_t ParseHeader(const uint8_t* image, uint64_t fileSize, bool checksumOnly,
                        std::string* why);

    // ---- KeyedFileCommit.cpp -------------------------------------------------
    int32_t Close();
    int32_t Commit();
    // After a change: commits at once in flush modes 1..4.
    int32_t AfterChange(int32_t status);

    // Takes count consecutive blocks, from free space or the end of the file.
    uint32_t Allocate(uint32_t count);
    // Gives blocks back: at once when this transaction took them, else at
    // the next commit.
    void Release(uint32_t start, uint32_t count);

    // ---- KeyedFileBlocks.cpp -------------------------------------------------
    // The index block number, read and checked; expectLevel < 0 accepts any
    // level. Null with *status set when it cannot be read or is damaged.
    // With readAhead, a leaf read from the file brings the leaves that follow
    // it in the file and on its level along in one read (walks step there next).
    IndexBlock* Load(uint32_t number, int expectLevel, int32_t* status, bool readAhead = false);
    // Reads block bytes from the journal overlay or the file (not the cache).
    int32_t ReadRaw(uint32_t number, uint8_t* out);
    IndexBlock* NewBlock(int level);
    void MarkDirty(IndexBlock* block);
    void FreeIndexBlock(IndexBlock* block);
    // Evicts clean blocks beyond the cache budget. Called between operations
    // only, so pointers held during one stay valid.
    void TrimCache();
    void DropCache();

    // Writes a record's data into fresh blocks; *recno is its first block
    // (0 for empty data).
    int32_t WriteRecord(const void* data, uint32_t length, uint32_t* recno);
    // Reads up to capacity bytes of the record (recno, length) into buffer.
    int32_t ReadRecord(uint32_t recno, uint32_t length, void* buffer, size_t capacity);

    // ---- KeyedFileTree.cpp ---------------------------------------------------
    int TreeOf(int index) const { return m_treeOf[size_t(index)]; }
    int CompareTarget(const detail::EntryView& e, const SearchTarget& t) const;
    // Descends to the leaf whose range holds target; the leaf's slot is the
    // first entry >= target (upper: > target).
    int32_t Descend(int tree, const SearchTarget& target, bool upper, TreePath* path);
    // Moves the path to the first entry of the next (previous: last entry of
    // the previous) leaf. kKfNotFound at the end of the tree.
    int32_t StepLeaf(TreePath* path, bool forward);
    int32_t FindExact(int index, const std::string& fileKey, TreePath* path, bool* found);
    int32_t InsertEntry(int tree, TreePath* path, const std::string& entry);
    int32_t InsertAt(int tree, TreePath* path, size_t depth, int slot, const std::string& entry);
    int32_t RemoveEntry(int tree, TreePath* path);
    int32_t RemoveChildAt(int tree, TreePath* path, size_t depth, int slot);
    int32_t Rebalance(int tree, TreePath* path, size_t depth);
    void Unlink(IndexBlock* block, int32_t* status);
    uint32_t ChildOf(const IndexBlock* block, int slot) const;

    int32_t Add(int index, std::string_view key, const void* data, size_t length);
    int32_t Update(int index, std::string_view key, const void* data, size_t length);
    int32_t Delete(int index, std::string_view key);
    int32_t Find(int index, std::string_view key, void* buffer, size_t capacity);
    int32_t Position(int index, int how, void* buffer, size_t capacity);
    int32_t SetCurrent(int index, IndexBlock* leaf, int slot, void* buffer, size_t capacity);
    int32_t CheckIndex(int index) const;
    int32_t EncodeFor(int index, std::string_view key, std::string* fileKey) const;
    // Checks the arguments of an add or an update and encodes the key; a
    // failure has been recorded (nothing changed yet).
    int32_t CheckRecordArgs(int index, std::string_view key, const void* data, size_t length,
                            std::string* fileKey);

    // ---- KeyedFileWalk.cpp ---------------------------------------------------
    // Walks every tree, checking structure, order, levels, sibling links and
    // record extents, and marks every used block. With messages, goes on
    // after a problem and records each; without, stops at the first.
    int32_t Walk(std::vector<bool>* used, std::vector<std::string>* messages,
                 KeyedFileStatistics* stats, bool readRecordHeaders);
    int32_t WalkTree(int tree, std::vector<bool>* used, std::vector<std::string>* messages,
                     KeyedFileStatistics* stats, bool readRecordHeaders);
    int32_t BuildFreeSpace(const std::vector<bool>& used);
    // Before the first change: walks the whole file once, refusing a damaged
    // one, and learns its free blocks.
    int32_t EnsureWalked();
    std::vector<std::string> Check();

    // ---- state -----------------------------------------------------------------
    std::string m_path;
    bool m_open = false;
    bool m_writable = false;
    bool m_durable = true;
    bool m_failed = false; // a write failed: changes are refused
    int m_flushMode = 0;
    int m_cacheBuffers = 4;
    std::string m_detail;

    detail::ByteOrder m_order;
    platform::LockFile m_lock;
    detail::BlockFile m_file;

    // Header fields: the committed values and the transaction's.
    std::array<uint8_t, detail::kHeaderSize> m_header{}; // image of the committed header
    std::array<uint32_t, detail::kTrees> m_roots{};
    std::array<uint8_t, detail::kMaxIndex + 1> m_treeOf{};
    detail::IndexKinds m_kinds{};
    uint32_t m_blockCount = 0;             // blocks the transaction's state spans
    uint32_t m_sequence = 0;               // sequence of the committed state
    uint32_t m_journal = detail::kNoBlock; // committed journal still referenced
    uint32_t m_journalLen = 0;
    // Images of a committed journal that a read-only handle could not copy home.
    std::unordered_map<uint32_t, std::array<uint8_t, detail::kBlockSize>> m_overlay;

    // Block cache, by block number.
    std::unordered_map<uint32_t, std::unique_ptr<IndexBlock>> m_cache;
    IndexBlock* Cached(uint32_t number) const {
        auto it = m_cache.find(number);
        return it == m_cache.end() ? nullptr : it->second.get();
    }
    uint64_t m_clock = 0;
    std::vector<uint32_t> m_dirty;
    std::vector<uint8_t> m_scratch; // read-ahead buffer
    // Blocks freed during the operation in progress, destroyed when it ends.
    std::vector<std::unique_ptr<IndexBlock>> m_graveyard;

    detail::FreeSpace m_free;
    // New index blocks come from a run taken for them, so that blocks made
    // one after the other (the leaves of ascending keys) lie side by side.
    // Unused blocks of the run are free again after a reopen.
    uint32_t m_indexRun = 0;
    uint32_t m_indexRunLeft = 0;
    std::vector<std::pair<uint32_t, uint32_t>> m_pendingFree;
    // First blocks taken in this transaction below m_committedCount (every
    // block from there on is new to this transaction anyway).
    std::unordered_set<uint32_t> m_born;
    uint32_t m_committedCount = 0; // block count of the committed state
    void NoteBorn(uint32_t start) {
        if (start < m_committedCount)
            m_born.insert(start);
    }
    bool m_changed = false;
    bool m_walked = false; // the whole file was walked and found sound

    // Per-index positions: the key (file form) or a state past either end.
    enum class CursorState : uint8_t { None, At, AfterEnd, BeforeStart };
    struct Cursor {
        CursorState state = CursorState::None;
        std::string key;
        // Where the key was found, valid while the tree is unchanged
        // (m_version), so a walk steps within a leaf without a search.
        uint32_t leaf = 0;
        int slot = 0;
        uint64_t version = 0;
    };
    uint64_t m_version = 1; // counts changes to index blocks
    std::array<Cursor, detail::kMaxIndex + 1> m_cursors;
    std::string m_currentKey;
    uint32_t m_currentLength = 0;
    uint32_t m_currentRecno = 0;
    int m_currentIndex = 0;
};

} // namespace vorlane::objdb
