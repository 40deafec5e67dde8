// The walk over a whole keyed record file. The first change on a handle runs
// it (stopping at the first problem, so a damaged file is never changed, and
// the free blocks are whatever it did not meet); Check() runs it to the end,
// collecting every problem, and also reads each record's data header.
//
// The walk visits each tree depth first in key order with an explicit stack.
// It ends on any file: a block is entered at most once (a second visit is
// reported as a cycle or shared block), and levels fall by one per step.
#include "objdb/private/KeyedFileImpl.h"

#include <cstring>

namespace vorlane::objdb {

using namespace detail;

namespace {

// Bounds are entries of ancestors, kept in one arena for the whole walk.
struct Bound {
    uint32_t at = 0;
    uint32_t size = 0; // 0: no bound
};

struct Frame {
    uint32_t block = 0;
    int level = -1; // expected level, -1 for the root
    uint32_t parent = 0;
    Bound lo; // lower bound (inclusive)
    Bound hi; // upper bound (exclusive)
};

} // namespace

int32_t KeyedFileImpl::Walk(std::vector<bool>* used, std::vector<std::string>* messages,
                            KeyedFileStatistics* stats, bool readRecordHeaders) {
    used->assign(m_blockCount, false);
    if (m_blockCount > 0)
        (*used)[0] = true; // the header's shadow
    if (m_journal != kNoBlock)
        for (uint32_t b = m_journal; b < m_journal + m_journalLen && b < m_blockCount; ++b)
            (*used)[b] = true;
    if (stats) {
        stats->blockCount = m_blockCount;
        stats->sequence = m_sequence;
    }
    int32_t result = kKfSuccess;
    for (int tree = 0; tree < kTrees; ++tree) {
        if (m_roots[size_t(tree)] == 0)
            continue;
        int32_t s = WalkTree(tree, used, messages, stats, readRecordHeaders);
        if (s != kKfSuccess) {
            if (result == kKfSuccess)
                result = s;
            if (messages == nullptr)
                return result;
        }
    }
    if (stats) {
        uint64_t inUse = 0;
        for (bool u : *used)
            inUse += u;
        stats->freeBlocks = m_blockCount - inUse;
    }
    return result;
}

int32_t KeyedFileImpl::WalkTree(int tree, std::vector<bool>* used,
                                std::vector<std::string>* messages, KeyedFileStatistics* stats,
                                bool readRecordHeaders) {
    int32_t result = kKfSuccess;
    // Records a problem; true when the walk must stop.
    auto problem = [&](int32_t status, const std::string& text) {
        if (result == kKfSuccess) {
            result = status;
            m_detail = "'" + m_path + "' is damaged: " + text + ".";
        }
        if (messages)
            messages->push_back(text);
        return messages == nullptr;
    };
    std::string treeName = tree == 0 ? "the main tree" : "tree " + std::to_string(tree);
    std::vector<uint32_t> lastBlock(kMaxLevel + 1, kNoBlock);
    std::vector<uint32_t> lastNext(kMaxLevel + 1, kNoBlock);
    std::vector<Frame> stack;
    std::string arena;
    auto keep = [&](const EntryView& e) {
        Bound b{uint32_t(arena.size()), e.size};
        arena.append(reinterpret_cast<const char*>(e.base), e.size);
        return b;
    };
    auto view = [&](const Bound& b) {
        return ViewEntry(m_order, reinterpret_cast<const uint8_t*>(arena.data()) + b.at);
    };
    stack.push_back({m_roots[size_t(tree)], -1, 0, {}, {}});
    IndexBlock block;
    block.order = m_order;
    int height = 0;
    while (!stack.empty()) {
        Frame f = stack.back();
        stack.pop_back();
        std::string where = "block " + std::to_string(f.block);
        if (f.block == 0 || f.block >= m_blockCount) {
            std::string from = f.level < 0 ? "the root of " + treeName
                                           : "a child pointer of block " + std::to_string(f.parent);
            if (problem(kKfDamaged,
                        from + " names block " + std::to_string(f.block) + ", outside the file"))
                return result;
            continue;
        }
        if ((*used)[f.block]) {
            if (problem(kKfDamaged, where + " is reached a second time (a cycle, or a block "
                                            "used twice)"))
                return result;
            continue;
        }
        (*used)[f.block] = true;
        if (IndexBlock* cached = Cached(f.block)) {
            block.bytes = cached->bytes;
        } else {
            int32_t s = ReadRaw(f.block, block.bytes.data());
            if (s != kKfSuccess) {
                if (problem(s, where + " cannot be read"))
                    return result;
                continue;
            }
        }
        std::string why;
        if (!block.Parse(m_kinds, &why)) {
            if (problem(kKfDamaged, where + ": " + why))
                return result;
            continue;
        }
        int level = block.Level();
        if (f.level >= 0 && level != f.level) {
            if (problem(kKfDamaged, where + " has level " + std::to_string(level) + " where " +
                                        std::to_string(f.level) + " belongs"))
                return result;
            continue;
        }
        if (f.level < 0)
            height = level + 1;
        // Links along the level, in key order.
        if (block.Prev() != lastBlock[size_t(level)] ||
            (lastBlock[size_t(level)] != kNoBlock && lastNext[size_t(level)] != f.block)) {
            if (problem(kKfDamaged, where + " is not linked to its neighbours on level " +
                                        std::to_string(level)))
                return result;
        }
        lastBlock[size_t(level)] = f.block;
        lastNext[size_t(level)] = block.Next();
        int count = block.Count();
        if (level == 0 && count == 0 && f.level >= 0) {
            if (problem(kKfDamaged, where + " is an empty leaf"))
                return result;
        }
        bool bad = false;
        for (int i = 0; i < count && !bad; ++i) {
            EntryView e = block.Entry(i);
            if (TreeOf(e.index) != tree) {
                bad = problem(kKfDamaged, where + " holds an entry of index " +
                                              std::to_string(e.index) + ", which lies in tree " +
                                              std::to_string(TreeOf(e.index)));
                if (bad)
                    return result;
                bad = true;
            }
        }
        if (bad)
            continue;
        if (count > 0) {
            EntryView first = block.Entry(0), last = block.Entry(count - 1);
            bool below = f.lo.size != 0 && CompareEntries(m_kinds, m_order, first, view(f.lo)) < 0;
            bool above = f.hi.size != 0 && CompareEntries(m_kinds, m_order, last, view(f.hi)) >= 0;
            if (below || above) {
                if (problem(kKfDamaged, where + " holds keys outside the range its parent "
                                                "gives it"))
                    return result;
                continue;
            }
        }
        if (level == 0) {
            for (int i = 0; i < count; ++i) {
                EntryView e = block.Entry(i);
                if (stats) {
                    ++stats->records;
                    stats->dataBytes += e.tail;
                }
                if (e.recno == 0)
                    continue;
                uint32_t blocks = ExtentBlocks(e.tail);
                std::string rec = where + " entry " + std::to_string(i) +
                                  ": record data at block " + std::to_string(e.recno);
                if (e.recno >= m_blockCount || blocks > m_blockCount - e.recno) {
                    if (problem(kKfDamaged, rec + " runs past the end of the file"))
                        return result;
                    continue;
                }
                bool overlap = false;
                for (uint32_t b = e.recno; b < e.recno + blocks; ++b) {
                    overlap = overlap || (*used)[b];
                    (*used)[b] = true;
                }
                if (overlap) {
                    if (problem(kKfDamaged, rec + " overlaps blocks used elsewhere"))
                        return result;
                    continue;
                }
                if (stats)
                    stats->dataBlocks += blocks;
                if (readRecordHeaders) {
                    uint8_t head[kDataHeader];
                    size_t got = 0;
                    int err =
                        m_file.Read(head, kDataHeader, uint64_t(e.recno + 1) * kBlockSize, &got);
                    if (err != 0 || got < kDataHeader || m_order.Get32(head) != e.recno ||
                        m_order.Get32(head + 4) != e.tail) {
                        if (problem(kKfDamaged, rec + " does not carry its own record header"))
                            return result;
                    }
                }
            }
            if (stats)
                ++stats->indexBlocks;
            continue;
        }
        if (stats)
            ++stats->indexBlocks;
        // Children, pushed right to left so they come off the stack in key order.
        for (int i = count - 1; i >= -1; --i) {
            Frame child;
            child.block = ChildOf(&block, i);
            child.level = level - 1;
            child.parent = f.block;
            child.lo = i >= 0 ? keep(block.Entry(i)) : f.lo;
            child.hi = i + 1 < count ? keep(block.Entry(i + 1)) : f.hi;
            stack.push_back(child);
        }
    }
    for (int level = 0; level <= kMaxLevel; ++level) {
        if (lastBlock[size_t(level)] != kNoBlock && lastNext[size_t(level)] != kNoBlock) {
            if (problem(kKfDamaged, "block " + std::to_string(lastBlock[size_t(level)]) +
                                        ", the last on level " + std::to_string(level) + " of " +
                                        treeName + ", links to a next block"))
                return result;
        }
    }
    if (stats && tree == 0)
        stats->treeHeight = height;
    return result;
}

int32_t KeyedFileImpl::EnsureWalked() {
    if (m_walked)
        return kKfSuccess;
    std::vector<bool> used;
    if (int32_t s = Walk(&used, nullptr, nullptr, false))
        return s;
    BuildFreeSpace(used);
    m_walked = true;
    return kKfSuccess;
}

int32_t KeyedFileImpl::BuildFreeSpace(const std::vector<bool>& used) {
    m_free.Clear();
    uint32_t start = 0, run = 0;
    for (uint32_t b = 1; b < m_blockCount; ++b) {
        if (!used[b]) {
            if (run == 0)
                start = b;
            ++run;
        } else if (run) {
            m_free.Release(start, run);
            run = 0;
        }
    }
    if (run)
        m_free.Release(start, run);
    return kKfSuccess;
}

std::vector<std::string> KeyedFileImpl::Check() {
    std::vector<std::string> messages;
    if (!m_open) {
        messages.push_back("the keyed file is not open");
        return messages;
    }
    const std::array<uint8_t, kHeaderSize>& image = m_header;
    auto zero = [&](uint32_t from, uint32_t to, const char* what) {
        for (uint32_t i = from; i < to; ++i) {
            if (image[i] != 0) {
                messages.push_back(std::string("header: ") + what + " (bytes " +
                                   std::to_string(from) + ".." + std::to_string(to - 1) +
                                   ") are not zero");
                return;
            }
        }
    };
    uint32_t commentLen = m_order.Get32(&image[kHdrCommentLen]);
    zero(kHdrZero76, kHdrComment, "the reserved words after the comment length");
    zero(kHdrComment + std::min(commentLen, kMaxComment), kHdrKeyTypes,
         "the comment's unused bytes");
    zero(kHdrUnused214, kHdrTrees, "the unused word");
    zero(kHdrOpenFlags, kHdrRoots, "the open flags");
    zero(kHeaderUsed, kHeaderSize, "the rest of the header unit");
    std::vector<bool> used;
    KeyedFileStatistics stats;
    std::string detail = m_detail;
    Walk(&used, &messages, &stats, true);
    m_detail = detail;
    return messages;
}

} // namespace vorlane::objdb
