// Commits of the keyed record file and closing it: the journal of changed
// index blocks, the header switch that makes a transaction the file's state,
// the copy home, bringing the file to rest at close; and block allocation,
// which keeps blocks the committed state uses until the commit that stops
// using them.
#include "objdb/private/KeyedFileImpl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace vorlane::objdb {

using namespace detail;

int32_t KeyedFileImpl::AfterChange(int32_t status) {
    if (status == kKfSuccess && m_flushMode != 0)
        status = Commit();
    TrimCache();
    return status;
}

// ---- close -------------------------------------------------------------------

int32_t KeyedFileImpl::Close() {
    if (!m_open)
        return Fail(kKfNotOpen, "The keyed file is not open.");
    int32_t status = kKfSuccess;
    if (m_writable) {
        if (m_failed) {
            status = kKfHeaderWriteFailed;
        } else {
            try {
                status = Commit();
                if (status == kKfSuccess && m_journal != kNoBlock) {
                    // Bring the file to rest: the journal's copies are home, so
                    // the header stops pointing at it.
                    std::array<uint8_t, kHeaderSize> rest{};
                    BuildHeaderImage(rest.data(), kNoBlock, 0, m_sequence);
                    int e = m_durable ? m_file.DataSync() : 0;
                    if (e == 0)
                        e = m_file.Write(rest.data(), kHeaderSize, 0);
                    if (e == 0 && m_durable)
                        e = m_file.DataSync();
                    if (e != 0)
                        status = WriteFailed(kKfHeaderWriteFailed, "Closing", e);
                }
            } catch (const std::bad_alloc&) {
                // What was committed last stays the file's state (a commit cut
                // short after its header switch is finished by the next open).
                status = OutOfMemory(true);
            }
            if (status != kKfSuccess)
                status = kKfHeaderWriteFailed;
        }
    }
    std::string detail = std::move(m_detail);
    m_file.Close();
    m_lock.Release();
    // Back to the state of a new handle, keeping the settings made on it.
    bool durable = m_durable;
    int cache = m_cacheBuffers;
    DropCache();
    m_overlay.clear();
    m_free.Clear();
    m_pendingFree.clear();
    m_born.clear();
    m_dirty.clear();
    m_cursors = {};
    m_currentKey.clear();
    m_currentLength = m_currentRecno = 0;
    m_currentIndex = 0;
    m_roots.fill(0);
    m_blockCount = 0;
    m_committedCount = 0;
    m_sequence = 0;
    m_journal = kNoBlock;
    m_journalLen = 0;
    m_changed = false;
    m_walked = false;
    m_indexRun = m_indexRunLeft = 0;
    m_failed = false;
    m_open = false;
    m_writable = false;
    m_durable = durable;
    m_cacheBuffers = cache;
    m_detail.clear();
    if (status != kKfSuccess)
        m_detail = std::move(detail);
    if (status == kKfHeaderWriteFailed && m_detail.empty()) {
        try {
            m_detail = "The final state of '" + m_path + "' could not be written.";
        } catch (const std::bad_alloc&) {
            // The status says it.
        }
    }
    return status;
}

// ---- commit ----------------------------------------------------------------

int32_t KeyedFileImpl::Commit() {
    if (!m_open)
        return Fail(kKfNotOpen, "The keyed file is not open.");
    if (!m_writable || !m_changed)
        return kKfSuccess;
    if (m_failed)
        return CheckWritable();
    if (m_blockCount == 0)
        m_blockCount = 1;

    std::vector<IndexBlock*> dirty;
    for (uint32_t b : m_dirty)
        if (IndexBlock* block = Cached(b); block && block->dirty)
            dirty.push_back(block);
    std::sort(dirty.begin(), dirty.end(),
              [](const IndexBlock* a, const IndexBlock* b) { return a->number < b->number; });
    dirty.erase(std::unique(dirty.begin(), dirty.end()), dirty.end());

    uint32_t images = uint32_t(dirty.size());
    uint32_t journal = kNoBlock, journalLen = 0;
    std::vector<uint8_t> j;
    if (images > 0) {
        uint32_t lists = JournalListBlocks(images);
        journalLen = lists + images;
        journal = Allocate(journalLen);
        if (journal == kNoBlock)
            return WriteFailed(kKfShortWrite, "Growing", EFBIG);
        j.assign(size_t(journalLen) * kBlockSize, 0);
        m_order.Put32(&j[kJrnMagic], kJournalMagic);
        m_order.Put32(&j[kJrnSequence], m_sequence + 1);
        m_order.Put32(&j[kJrnImages], images);
        for (uint32_t i = 0; i < images; ++i) {
            m_order.Put32(&j[JournalHomeOffset(i)], dirty[i]->number);
            std::memcpy(&j[size_t(lists + i) * kBlockSize], dirty[i]->bytes.data(), kBlockSize);
        }
        m_order.Put32(&j[kJrnChecksum], Crc32(&j[kJrnHomes], j.size() - kJrnHomes));
    }
    std::array<uint8_t, kHeaderSize> image{};
    BuildHeaderImage(image.data(), journal, journalLen, m_sequence + 1);

    // 1. The journal and the header's shadow, with the file grown to its
    //    block count, made durable together with the record data written
    //    during the transaction.
    if (images > 0)
        if (int e = m_file.Write(j.data(), j.size(), BlockOffset(journal)))
            return WriteFailed(kKfShortWrite, "Writing", e);
    if (int e = m_file.Write(image.data(), kBlockSize, BlockOffset(0)))
        return WriteFailed(kKfShortWrite, "Writing", e);
    if (int e = m_file.Extend(BlockOffset(m_blockCount)))
        return WriteFailed(kKfShortWrite, "Growing", e);
    if (m_durable)
        if (int e = m_file.DataSync())
            return WriteFailed(kKfShortWrite, "Syncing", e);
    // 2. The header switch: from here on the new state is the file's.
    if (int e = m_file.Write(image.data(), kHeaderSize, 0))
        return WriteFailed(kKfShortWrite, "Writing the header of", e);
    if (m_durable)
        if (int e = m_file.DataSync())
            return WriteFailed(kKfShortWrite, "Syncing", e);

    // 3. Bookkeeping, then copy the journal's blocks home. They become
    //    durable with the next commit's first sync, before the header stops
    //    pointing at this journal.
    if (m_journal != kNoBlock)
        m_free.Release(m_journal, m_journalLen);
    m_journal = journal;
    m_journalLen = journalLen;
    for (auto& [start, count] : m_pendingFree)
        m_free.Release(start, count);
    m_pendingFree.clear();
    m_born.clear();
    m_committedCount = m_blockCount;
    m_dirty.clear();
    m_header = image;
    m_sequence += 1;
    m_changed = false;
    for (size_t i = 0; i < dirty.size();) {
        size_t k = i + 1;
        while (k < dirty.size() && dirty[k]->number == dirty[k - 1]->number + 1 && k - i < 64)
            ++k;
        std::vector<uint8_t> run((k - i) * kBlockSize);
        for (size_t m = i; m < k; ++m) {
            std::memcpy(&run[(m - i) * kBlockSize], dirty[m]->bytes.data(), kBlockSize);
            dirty[m]->dirty = false;
        }
        if (int e = m_file.Write(run.data(), run.size(), BlockOffset(dirty[i]->number))) {
            for (size_t m = k; m < dirty.size(); ++m)
                dirty[m]->dirty = false;
            return WriteFailed(kKfShortWrite, "Writing", e);
        }
        i = k;
    }
    return kKfSuccess;
}

// ---- space -------------------------------------------------------------------

uint32_t KeyedFileImpl::Allocate(uint32_t count) {
    if (m_blockCount == 0)
        m_blockCount = 1; // block 0 holds the header's shadow
    m_changed = true;
    uint32_t start = 0;
    if (m_free.Take(count, &start))
        return start;
    if (count > kMaxBlocks - m_blockCount)
        return kNoBlock;
    start = m_blockCount;
    m_blockCount += count;
    return start;
}

void KeyedFileImpl::Release(uint32_t start, uint32_t count) {
    if (count == 0)
        return;
    m_changed = true;
    // Blocks the committed state does not reach can be used again at once.
    if (start >= m_committedCount || m_born.erase(start))
        m_free.Release(start, count);
    else
        m_pendingFree.emplace_back(start, count);
}

} // namespace vorlane::objdb
