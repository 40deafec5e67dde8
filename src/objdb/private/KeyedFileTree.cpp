// The B+-tree of the keyed record file: searching, positioning, inserting
// with block splits, deleting with merges of thin neighbours. Leaves hold the
// entries; an inner block's left child holds the keys below its first entry
// and each entry's child the keys from that entry up to the next. Blocks of
// one level are linked both ways in key order.
#include "objdb/private/KeyedFileImpl.h"

#include <algorithm>
#include <cstring>

namespace vorlane::objdb {

using namespace detail;

namespace {

// The separator an inner block gets for a child whose first entry is first.
std::string SeparatorFrom(const ByteOrder& order, std::string_view first, uint32_t child) {
    const auto* p = reinterpret_cast<const uint8_t*>(first.data());
    uint32_t keyLen = p[0] - kEntryFixed;
    return MakeEntry(order, p[1], 0, first.substr(7, keyLen), child);
}

std::string WithTail(const ByteOrder& order, std::string entry, uint32_t tail) {
    order.Put32(reinterpret_cast<uint8_t*>(entry.data()) + entry.size() - 4, tail);
    return entry;
}

size_t Bytes(const std::vector<std::string>& entries, size_t from, size_t to) {
    size_t n = 0;
    for (size_t i = from; i < to; ++i)
        n += entries[i].size();
    return n;
}

} // namespace

int KeyedFileImpl::CompareTarget(const EntryView& e, const SearchTarget& t) const {
    if (e.index != t.index)
        return e.index < t.index ? -1 : 1;
    if (t.bias != 0)
        return -t.bias;
    return CompareKeys(m_kinds[t.index], m_order, e.key, e.keyLen, t.key, t.keyLen);
}

uint32_t KeyedFileImpl::ChildOf(const IndexBlock* block, int slot) const {
    return slot < 0 ? block->LeftChild() : block->Entry(slot).tail;
}

int32_t KeyedFileImpl::Descend(int tree, const SearchTarget& target, bool upper, TreePath* path) {
    path->clear();
    uint32_t root = m_roots[size_t(tree)];
    if (root == 0)
        return kKfNotFound;
    int32_t status = kKfSuccess;
    IndexBlock* block = Load(root, -1, &status);
    while (block != nullptr) {
        // Number of entries at or below the target (strictly below, for a
        // leaf searched for its first entry at or above it).
        int lo = 0, hi = block->Count();
        bool leaf = block->Level() == 0;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            int c = CompareTarget(block->Entry(mid), target);
            bool below = leaf ? (upper ? c <= 0 : c < 0) : c <= 0;
            if (below)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (leaf) {
            path->push_back({block, lo});
            return kKfSuccess;
        }
        path->push_back({block, lo - 1});
        block = Load(ChildOf(block, lo - 1), block->Level() - 1, &status);
    }
    return status;
}

int32_t KeyedFileImpl::StepLeaf(TreePath* path, bool forward) {
    int k = int(path->size()) - 2;
    for (; k >= 0; --k) {
        TreeStep& step = (*path)[size_t(k)];
        if (forward && step.slot + 1 < step.block->Count()) {
            ++step.slot;
            break;
        }
        if (!forward && step.slot >= 0) {
            --step.slot;
            break;
        }
    }
    if (k < 0)
        return kKfNotFound;
    path->resize(size_t(k) + 1);
    int32_t status = kKfSuccess;
    while (path->back().block->Level() > 0) {
        const TreeStep& up = path->back();
        IndexBlock* child =
            Load(ChildOf(up.block, up.slot), up.block->Level() - 1, &status, forward);
        if (child == nullptr)
            return status;
        int slot = forward ? (child->Level() == 0 ? 0 : -1) : child->Count() - 1;
        path->push_back({child, slot});
    }
    if (path->back().block->Count() == 0)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: block " +
                                    std::to_string(path->back().block->number) +
                                    " is an empty leaf.");
    return kKfSuccess;
}

int32_t KeyedFileImpl::CheckIndex(int index) const {
    if (index < 1 || index > kMaxIndex)
        return kKfBadIndex;
    if (m_kinds[size_t(index)] == KeyKind::Unsupported)
        return kKfBadKeyType;
    return kKfSuccess;
}

int32_t KeyedFileImpl::EncodeFor(int index, std::string_view key, std::string* fileKey) const {
    if (!EncodeKey(m_kinds[size_t(index)], m_order, key, fileKey))
        return kKfBadKey;
    return kKfSuccess;
}

int32_t KeyedFileImpl::FindExact(int index, const std::string& fileKey, TreePath* path,
                                 bool* found) {
    *found = false;
    SearchTarget t{uint8_t(index), reinterpret_cast<const uint8_t*>(fileKey.data()),
                   uint32_t(fileKey.size()), 0};
    int32_t status = Descend(TreeOf(index), t, false, path);
    if (status == kKfNotFound)
        return kKfSuccess; // empty tree
    if (status != kKfSuccess)
        return status;
    const TreeStep& leaf = path->back();
    *found = leaf.slot < leaf.block->Count() && CompareTarget(leaf.block->Entry(leaf.slot), t) == 0;
    return kKfSuccess;
}

// ---- reading -------------------------------------------------------------------

int32_t KeyedFileImpl::SetCurrent(int index, IndexBlock* leaf, int slot, void* buffer,
                                  size_t capacity) {
    EntryView e = leaf->Entry(slot);
    Cursor& c = m_cursors[size_t(index)];
    c.state = CursorState::At;
    c.key.assign(reinterpret_cast<const char*>(e.key), e.keyLen);
    c.leaf = leaf->number;
    c.slot = slot;
    c.version = m_version;
    DecodeKeyInto(m_kinds[size_t(index)], m_order, e.key, e.keyLen, &m_currentKey);
    m_currentLength = e.tail;
    m_currentRecno = e.recno;
    m_currentIndex = index;
    return ReadRecord(e.recno, e.tail, buffer, capacity);
}

int32_t KeyedFileImpl::Find(int index, std::string_view key, void* buffer, size_t capacity) {
    if (!m_open)
        return Fail(kKfNotOpen, "The keyed file is not open.");
    if (int32_t s = CheckIndex(index))
        return Fail(s, KeyedFileStatusText(s));
    std::string fileKey;
    if (int32_t s = EncodeFor(index, key, &fileKey))
        return Fail(s, KeyedFileStatusText(s));
    SearchTarget t{uint8_t(index), reinterpret_cast<const uint8_t*>(fileKey.data()),
                   uint32_t(fileKey.size()), 0};
    TreePath path;
    Cursor& c = m_cursors[size_t(index)];
    int32_t status = Descend(TreeOf(index), t, false, &path);
    if (status == kKfSuccess && path.back().slot >= path.back().block->Count())
        status = StepLeaf(&path, true);
    if (status == kKfSuccess && path.back().block->Entry(path.back().slot).index != index)
        status = kKfNotFound;
    if (status == kKfNotFound) {
        c.state = CursorState::AfterEnd;
        TrimCache();
        return kKfNotFound;
    }
    if (status != kKfSuccess) {
        TrimCache();
        return status;
    }
    int order = CompareTarget(path.back().block->Entry(path.back().slot), t);
    if (order < 0) {
        TrimCache();
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: its keys are out of order.");
    }
    status = SetCurrent(index, path.back().block, path.back().slot, buffer, capacity);
    TrimCache();
    if (status != kKfSuccess)
        return status;
    return order == 0 ? kKfSuccess : 1;
}

int32_t KeyedFileImpl::Position(int index, int how, void* buffer, size_t capacity) {
    if (!m_open)
        return Fail(kKfNotOpen, "The keyed file is not open.");
    if (int32_t s = CheckIndex(index))
        return Fail(s, KeyedFileStatusText(s));
    enum { kFirst, kLast, kNext, kPrevious };
    Cursor& c = m_cursors[size_t(index)];
    bool forward = how == kFirst || how == kNext;
    SearchTarget t{uint8_t(index), nullptr, 0, 0};
    bool upper = false;
    if (how == kNext && c.state == CursorState::AfterEnd)
        return kKfNotFound;
    if (how == kPrevious && c.state == CursorState::BeforeStart)
        return kKfNotFound;
    if ((how == kNext || how == kPrevious) && c.state == CursorState::At &&
        c.version == m_version) {
        // The tree has not changed since the last position: step in its leaf.
        IndexBlock* leaf = Cached(c.leaf);
        int slot = c.slot + (how == kNext ? 1 : -1);
        if (leaf != nullptr && slot >= 0 && slot < leaf->Count()) {
            leaf->tick = ++m_clock;
            if (leaf->Entry(slot).index != index) {
                c.state = forward ? CursorState::AfterEnd : CursorState::BeforeStart;
                return kKfNotFound;
            }
            return SetCurrent(index, leaf, slot, buffer, capacity);
        }
    }
    if ((how == kNext || how == kPrevious) && c.state == CursorState::At) {
        t.key = reinterpret_cast<const uint8_t*>(c.key.data());
        t.keyLen = uint32_t(c.key.size());
        upper = how == kNext; // next: first key above; previous: last key below
    } else {
        t.bias = forward ? -1 : 1;
    }
    TreePath path;
    int32_t status = Descend(TreeOf(index), t, upper, &path);
    if (status == kKfSuccess) {
        if (forward) {
            if (path.back().slot >= path.back().block->Count())
                status = StepLeaf(&path, true);
        } else if (--path.back().slot < 0) {
            status = StepLeaf(&path, false);
        }
    }
    if (status == kKfSuccess && path.back().block->Entry(path.back().slot).index != index)
        status = kKfNotFound;
    if (status == kKfNotFound) {
        c.state = forward ? CursorState::AfterEnd : CursorState::BeforeStart;
        TrimCache();
        return kKfNotFound;
    }
    if (status == kKfSuccess && t.key != nullptr) {
        // Each step must move past the key it started from, or a damaged
        // tree could send a walk round in circles.
        int order = CompareTarget(path.back().block->Entry(path.back().slot), t);
        if (forward ? order <= 0 : order >= 0)
            status = Fail(kKfDamaged, "'" + m_path + "' is damaged: its keys are out of order.");
    }
    if (status == kKfSuccess)
        status = SetCurrent(index, path.back().block, path.back().slot, buffer, capacity);
    TrimCache();
    return status;
}

// ---- changing --------------------------------------------------------------------

int32_t KeyedFileImpl::CheckRecordArgs(int index, std::string_view key, const void* data,
                                       size_t length, std::string* fileKey) {
    if (int32_t s = CheckWritable())
        return s;
    if (int32_t s = CheckIndex(index))
        return Fail(s, KeyedFileStatusText(s));
    if (length > kMaxRecordBytes)
        return Fail(kKfRecordTooLong, KeyedFileStatusText(kKfRecordTooLong));
    if (data == nullptr && length > 0)
        return Fail(kKfBadArgument,
                    "No data for a record of " + std::to_string(length) + " bytes.");
    if (int32_t s = EncodeFor(index, key, fileKey))
        return Fail(s, KeyedFileStatusText(s));
    return kKfSuccess;
}

int32_t KeyedFileImpl::Add(int index, std::string_view key, const void* data, size_t length) {
    std::string fileKey;
    if (int32_t s = CheckRecordArgs(index, key, data, length, &fileKey))
        return s;
    if (int32_t s = EnsureWalked())
        return AfterChange(s);
    TreePath path;
    bool found = false;
    if (int32_t s = FindExact(index, fileKey, &path, &found))
        return AfterChange(s);
    if (found)
        return AfterChange(Fail(kKfKeyExists, KeyedFileStatusText(kKfKeyExists)));
    uint32_t recno = 0;
    if (int32_t s = WriteRecord(data, uint32_t(length), &recno))
        return AfterChange(s);
    std::string entry = MakeEntry(m_order, uint8_t(index), recno, fileKey, uint32_t(length));
    int tree = TreeOf(index);
    int32_t status;
    if (path.empty()) {
        IndexBlock* root = NewBlock(0);
        if (root == nullptr)
            return AfterChange(WriteFailed(kKfShortWrite, "Growing", EFBIG));
        root->Insert(0, entry);
        m_roots[size_t(tree)] = root->number;
        status = kKfSuccess;
    } else {
        status = InsertAt(tree, &path, path.size() - 1, path.back().slot, entry);
    }
    return AfterChange(status);
}

int32_t KeyedFileImpl::Update(int index, std::string_view key, const void* data, size_t length) {
    std::string fileKey;
    if (int32_t s = CheckRecordArgs(index, key, data, length, &fileKey))
        return s;
    if (int32_t s = EnsureWalked())
        return AfterChange(s);
    TreePath path;
    bool found = false;
    if (int32_t s = FindExact(index, fileKey, &path, &found))
        return AfterChange(s);
    if (!found)
        return AfterChange(Fail(kKfNotFound, KeyedFileStatusText(kKfNotFound)));
    uint32_t recno = 0;
    if (int32_t s = WriteRecord(data, uint32_t(length), &recno))
        return AfterChange(s);
    TreeStep& leaf = path.back();
    EntryView old = leaf.block->Entry(leaf.slot);
    uint32_t oldRecno = old.recno, oldLength = old.tail;
    if (m_currentIndex != 0 && m_currentRecno == oldRecno)
        m_currentIndex = 0; // its old data may be reused before it is read
    leaf.block->SetRecno(leaf.slot, recno);
    leaf.block->SetTail(leaf.slot, uint32_t(length));
    MarkDirty(leaf.block);
    Release(oldRecno, ExtentBlocks(oldLength));
    return AfterChange(kKfSuccess);
}

int32_t KeyedFileImpl::Delete(int index, std::string_view key) {
    if (int32_t s = CheckWritable())
        return s;
    if (int32_t s = CheckIndex(index))
        return Fail(s, KeyedFileStatusText(s));
    std::string fileKey;
    if (int32_t s = EncodeFor(index, key, &fileKey))
        return Fail(s, KeyedFileStatusText(s));
    if (int32_t s = EnsureWalked())
        return AfterChange(s);
    TreePath path;
    bool found = false;
    if (int32_t s = FindExact(index, fileKey, &path, &found))
        return AfterChange(s);
    if (!found)
        return AfterChange(Fail(kKfNotFound, KeyedFileStatusText(kKfNotFound)));
    EntryView e = path.back().block->Entry(path.back().slot);
    if (m_currentIndex != 0 && m_currentRecno == e.recno)
        m_currentIndex = 0;
    Release(e.recno, ExtentBlocks(e.tail));
    return AfterChange(RemoveEntry(TreeOf(index), &path));
}

// A failure in the middle of a change of the tree leaves the blocks in
// memory half changed: the handle refuses further changes, and the file keeps
// its last committed state.
#define VORLANE_KF_STRUCTURAL(expr)                                                                \
    do {                                                                                           \
        int32_t s_ = (expr);                                                                       \
        if (s_ != kKfSuccess) {                                                                    \
            m_failed = true;                                                                       \
            return s_;                                                                             \
        }                                                                                          \
    } while (0)

int32_t KeyedFileImpl::InsertAt(int tree, TreePath* path, size_t depth, int slot,
                                const std::string& entry) {
    IndexBlock* b = (*path)[depth].block;
    if (b->Fits(uint32_t(entry.size()))) {
        b->Insert(slot, entry);
        MarkDirty(b);
        return kKfSuccess;
    }
    // Split. Everything that can fail is done before the first change.
    int32_t status = kKfSuccess;
    IndexBlock* next = nullptr;
    if (b->Next() != kNoBlock) {
        next = Load(b->Next(), b->Level(), &status);
        if (next == nullptr)
            return status;
    }
    bool leaf = b->Level() == 0;
    std::vector<std::string> all = b->Entries();
    all.insert(all.begin() + slot, entry);
    size_t n = all.size();
    size_t split = 0;
    if (size_t(slot) == n - 1 && next == nullptr) {
        // Appending at the right edge: leave the old block full, so keys
        // added in ascending order pack their blocks tight.
        split = leaf ? n - 1 : n - 2;
    } else {
        size_t total = Bytes(all, 0, n), best = SIZE_MAX;
        size_t lo = 1, hi = leaf ? n - 1 : n - 2;
        for (size_t s = lo; s <= hi; ++s) {
            size_t left = Bytes(all, 0, s);
            size_t right = total - left - (leaf ? 0 : all[s].size());
            if (left > kEntryArea || right > kEntryArea)
                continue;
            size_t diff = left > right ? left - right : right - left;
            if (diff < best)
                best = diff, split = s;
        }
    }
    if (split == 0)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(b->number) +
                                    " cannot be split.");
    IndexBlock* r = NewBlock(b->Level());
    if (r == nullptr)
        return WriteFailed(kKfShortWrite, "Growing", EFBIG);
    std::string sep;
    if (leaf) {
        r->SetEntries(std::vector<std::string>(all.begin() + long(split), all.end()));
        sep = SeparatorFrom(m_order, all[split], r->number);
    } else {
        const auto* mid = reinterpret_cast<const uint8_t*>(all[split].data());
        r->SetLeftChild(m_order.Get32(mid + all[split].size() - 4));
        r->SetEntries(std::vector<std::string>(all.begin() + long(split) + 1, all.end()));
        sep = WithTail(m_order, all[split], r->number);
    }
    all.resize(split);
    b->SetEntries(all);
    r->SetNext(b->Next());
    r->SetPrev(b->number);
    if (next != nullptr) {
        next->SetPrev(r->number);
        MarkDirty(next);
    }
    b->SetNext(r->number);
    MarkDirty(b);
    MarkDirty(r);
    if (depth == 0) {
        IndexBlock* root = NewBlock(b->Level() + 1);
        if (root == nullptr)
            return WriteFailed(kKfShortWrite, "Growing", EFBIG);
        root->SetLeftChild(b->number);
        root->Insert(0, sep);
        m_roots[size_t(tree)] = root->number;
        return kKfSuccess;
    }
    VORLANE_KF_STRUCTURAL(InsertAt(tree, path, depth - 1, (*path)[depth - 1].slot + 1, sep));
    return kKfSuccess;
}

void KeyedFileImpl::Unlink(IndexBlock* block, int32_t* status) {
    IndexBlock* prev = nullptr;
    IndexBlock* next = nullptr;
    *status = kKfSuccess;
    if (block->Prev() != kNoBlock &&
        (prev = Load(block->Prev(), block->Level(), status)) == nullptr)
        return;
    if (block->Next() != kNoBlock &&
        (next = Load(block->Next(), block->Level(), status)) == nullptr)
        return;
    if (prev != nullptr) {
        prev->SetNext(block->Next());
        MarkDirty(prev);
    }
    if (next != nullptr) {
        next->SetPrev(block->Prev());
        MarkDirty(next);
    }
}

int32_t KeyedFileImpl::RemoveEntry(int tree, TreePath* path) {
    size_t depth = path->size() - 1;
    IndexBlock* leaf = path->back().block;
    leaf->Remove(path->back().slot);
    MarkDirty(leaf);
    if (leaf->Count() > 0)
        VORLANE_KF_STRUCTURAL(Rebalance(tree, path, depth));
    else if (depth == 0) {
        m_roots[size_t(tree)] = 0;
        FreeIndexBlock(leaf);
    } else {
        int32_t status;
        Unlink(leaf, &status);
        VORLANE_KF_STRUCTURAL(status);
        FreeIndexBlock(leaf);
        VORLANE_KF_STRUCTURAL(RemoveChildAt(tree, path, depth - 1, (*path)[depth - 1].slot));
    }
    return kKfSuccess;
}

int32_t KeyedFileImpl::RemoveChildAt(int tree, TreePath* path, size_t depth, int slot) {
    IndexBlock* b = (*path)[depth].block;
    if (slot < 0) {
        if (b->Count() == 0) {
            // The block lost its only child.
            if (depth == 0) {
                m_roots[size_t(tree)] = 0;
                FreeIndexBlock(b);
                return kKfSuccess;
            }
            int32_t status;
            Unlink(b, &status);
            VORLANE_KF_STRUCTURAL(status);
            FreeIndexBlock(b);
            return RemoveChildAt(tree, path, depth - 1, (*path)[depth - 1].slot);
        }
        b->SetLeftChild(b->Entry(0).tail);
        b->Remove(0);
    } else {
        b->Remove(slot);
    }
    MarkDirty(b);
    return Rebalance(tree, path, depth);
}

int32_t KeyedFileImpl::Rebalance(int tree, TreePath* path, size_t depth) {
    IndexBlock* b = (*path)[depth].block;
    int32_t status = kKfSuccess;
    if (depth == 0) {
        if (b->Level() > 0 && b->Count() == 0) {
            // A root with a single child hands the tree to that child.
            m_roots[size_t(tree)] = b->LeftChild();
            FreeIndexBlock(b);
        }
        return kKfSuccess;
    }
    if (b->Count() > 0 && b->Used() >= kEntryArea / 4)
        return kKfSuccess;
    bool leaf = b->Level() == 0;
    IndexBlock* parent = (*path)[depth - 1].block;
    int ps = (*path)[depth - 1].slot;
    // Merge with the neighbour under the same parent when both fit in one
    // block: the left one when there is one, else the right one.
    IndexBlock* left;
    IndexBlock* right;
    int sepSlot;
    if (ps >= 0) {
        left = Load(ChildOf(parent, ps - 1), b->Level(), &status);
        if (left == nullptr)
            return status;
        right = b;
        sepSlot = ps;
    } else if (parent->Count() > 0) {
        left = b;
        right = Load(ChildOf(parent, 0), b->Level(), &status);
        if (right == nullptr)
            return status;
        sepSlot = 0;
    } else {
        return kKfSuccess;
    }
    EntryView sep = parent->Entry(sepSlot);
    uint32_t need = left->Used() + right->Used() + (leaf ? 0 : sep.size);
    if (need > kEntryArea)
        return kKfSuccess;
    IndexBlock* after = nullptr;
    if (right->Next() != kNoBlock &&
        (after = Load(right->Next(), right->Level(), &status)) == nullptr)
        return status;
    std::vector<std::string> entries = left->Entries();
    if (!leaf)
        entries.push_back(
            MakeEntry(m_order, sep.index, 0,
                      std::string_view(reinterpret_cast<const char*>(sep.key), sep.keyLen),
                      right->LeftChild()));
    std::vector<std::string> moved = right->Entries();
    entries.insert(entries.end(), moved.begin(), moved.end());
    left->SetEntries(entries);
    left->SetNext(right->Next());
    if (after != nullptr) {
        after->SetPrev(left->number);
        MarkDirty(after);
    }
    MarkDirty(left);
    FreeIndexBlock(right);
    return RemoveChildAt(tree, path, depth - 1, sepSlot);
}

#undef VORLANE_KF_STRUCTURAL

} // namespace vorlane::objdb
