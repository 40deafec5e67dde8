// CKeyedFile: the handle, opening and creating files, commits and recovery,
// block and record I/O. The tree algorithms are in KeyedFileTree.cpp, the
// whole-file walk and the checker in KeyedFileWalk.cpp.
#include "objdb/CKeyedFile.h"

#include "objdb/private/KeyedFileImpl.h"
#include "platform/File.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unordered_set>

namespace vorlane::objdb {

using namespace detail;

namespace {

uint64_t BlockOffset(uint32_t block) {
    return uint64_t(block + 1) * kBlockSize;
}

std::string ErrnoText(int err) {
    return std::strerror(err);
}

} // namespace

const char* KeyedFileStatusText(int32_t status) {
    switch (status) {
    case kKfNotFound:
        return "Key not found.";
    case kKfBadIndex:
        return "Index number is outside 1..20.";
    case kKfNotOpen:
        return "The keyed file is not open.";
    case kKfHeaderWriteFailed:
        return "The file header could not be written.";
    case kKfBadMagic:
        return "The file is not a keyed record file.";
    case kKfReadFailed:
        return "The file could not be read.";
    case kKfDamaged:
        return "The file is damaged.";
    case kKfShortWrite:
        return "The file could not be written.";
    case kKfWritesRefused:
        return "An earlier change failed; the file must be reopened before it is changed.";
    case kKfInUse:
        return "The file is in use by another program.";
    case kKfCannotOpen:
        return "The file cannot be opened.";
    case kKfReadOnly:
        return "The file is open for reading only.";
    case kKfBadKey:
        return "The key is malformed or too long.";
    case kKfRecordTooLong:
        return "The record is longer than 30000 bytes.";
    case kKfKeyExists:
        return "The key exists already.";
    case kKfAlreadyOpen:
        return "The handle is open already.";
    case kKfBadByteOrder:
        return "The file's byte-order word is wrong.";
    case kKfOutOfMemory:
        return "Out of memory.";
    case kKfBadArgument:
        return "Invalid argument.";
    case kKfIndexTooHigh:
        return "Key descriptor index number is 16 or more.";
    case kKfFileExists:
        return "The file exists already.";
    case kKfBadMode:
        return "Invalid create mode.";
    case kKfBadKeyType:
        return "Invalid or unsupported key type.";
    default:
        return status < 0 ? "Unknown keyed file status." : "";
    }
}

// ---- KeyedFileImpl: basics ---------------------------------------------------

KeyedFileImpl::KeyedFileImpl() {
    m_kinds.fill(KeyKind::String);
}

KeyedFileImpl::~KeyedFileImpl() {
    if (m_open)
        Close();
}

int32_t KeyedFileImpl::Fail(int32_t status, std::string detail) {
    m_detail = std::move(detail);
    return status;
}

int32_t KeyedFileImpl::WriteFailed(int32_t status, const std::string& what, int err) {
    m_failed = true;
    return Fail(status, what + " '" + m_path + "' failed: " + ErrnoText(err));
}

int32_t KeyedFileImpl::OutOfMemory(bool change) noexcept {
    m_graveyard.clear();
    if (change && m_open && m_writable)
        m_failed = true;
    m_detail.clear();
    try {
        m_detail = change ? "Out of memory while changing '" + m_path +
                                "'; it must be reopened before it is changed."
                          : "Out of memory.";
    } catch (const std::bad_alloc&) {
        // The status says it; the detail stays empty.
    }
    return kKfOutOfMemory;
}

int32_t KeyedFileImpl::CheckWritable() {
    if (!m_open)
        return Fail(kKfNotOpen, "The keyed file is not open.");
    if (!m_writable)
        return Fail(kKfReadOnly, "'" + m_path + "' is open for reading only.");
    if (m_failed)
        return Fail(kKfWritesRefused, "An earlier change of '" + m_path +
                                          "' failed; it must be reopened before it is changed.");
    return kKfSuccess;
}

int32_t KeyedFileImpl::AfterChange(int32_t status) {
    if (status == kKfSuccess && m_flushMode != 0)
        status = Commit();
    TrimCache();
    return status;
}

// ---- header ----------------------------------------------------------------

void KeyedFileImpl::BuildHeaderImage(uint8_t* out, uint32_t journal, uint32_t journalLen,
                                     uint32_t sequence) const {
    std::memcpy(out, m_header.data(), kHeaderSize);
    std::memset(out + kHeaderUsed, 0, kHeaderSize - kHeaderUsed);
    m_order.Put32(out + kHdrRoot0, m_roots[0]);
    for (int t = 1; t < kTrees; ++t)
        m_order.Put32(out + kHdrRoots + 4 * uint32_t(t - 1), m_roots[size_t(t)]);
    m_order.Put32(out + kHdrBlockCount, m_blockCount);
    m_order.Put32(out + kHdrJournal, journal);
    m_order.Put32(out + kHdrJournalLen, journalLen);
    m_order.Put32(out + kHdrSequence, sequence);
    m_order.Put32(out + kHdrChecksum, sequence == 0 ? 0xFFFFFFFFu : Crc32(out, kHdrChecksum));
}

// Reads the byte order and checks the magic letters of a header image.
static int32_t InspectMagic(const uint8_t* image, ByteOrder* order, std::string* why) {
    ByteOrder le, be;
    be.big = true;
    uint32_t word = le.Get32(image + kHdrByteOrder);
    bool known = word == 1 || word == 0x01000000u;
    *order = word == 0x01000000u ? be : le;
    bool magic = order->Get32(image + kHdrFormat) == 1;
    for (const MagicWord& m : kMagic)
        magic = magic && order->Get32(image + m.offset) == m.letter;
    if (!magic) {
        *why = "the header does not spell VALIDAT1";
        return kKfBadMagic;
    }
    if (!known) {
        *why = "the header's byte-order word is neither 1 nor 1 in the other byte order";
        return kKfBadByteOrder;
    }
    return kKfSuccess;
}

int32_t KeyedFileImpl::ParseHeader(const uint8_t* image, uint64_t fileSize, bool checksumOnly,
                                   std::string* why) {
    const ByteOrder& o = m_order;
    uint32_t sequence = o.Get32(image + kHdrSequence);
    uint32_t checksum = o.Get32(image + kHdrChecksum);
    if (sequence == 0 ? checksum != 0xFFFFFFFFu : checksum != Crc32(image, kHdrChecksum)) {
        *why = "the header's checksum does not match";
        return kKfDamaged;
    }
    if (checksumOnly)
        return kKfSuccess;
    uint32_t count = o.Get32(image + kHdrBlockCount);
    if (count > kMaxBlocks) {
        *why = "the header claims " + std::to_string(count) + " blocks";
        return kKfDamaged;
    }
    if (fileSize < BlockOffset(count)) {
        *why = "the file is shorter than its " + std::to_string(count) + " blocks (truncated)";
        return kKfDamaged;
    }
    std::array<uint32_t, kTrees> roots{};
    roots[0] = o.Get32(image + kHdrRoot0);
    for (int t = 1; t < kTrees; ++t)
        roots[size_t(t)] = o.Get32(image + kHdrRoots + 4 * uint32_t(t - 1));
    for (int t = 0; t < kTrees; ++t) {
        if (roots[size_t(t)] != 0 && roots[size_t(t)] >= count) {
            *why = "the root of tree " + std::to_string(t) + " lies outside the file";
            return kKfDamaged;
        }
    }
    for (int i = 1; i <= kMaxIndex; ++i) {
        uint8_t tree = image[kHdrTrees + uint32_t(i) - 1];
        if (tree > kMaxIndex) {
            *why = "index " + std::to_string(i) + " names tree " + std::to_string(tree);
            return kKfDamaged;
        }
        m_treeOf[size_t(i)] = tree;
        m_kinds[size_t(i)] = KindOfType(image[kHdrKeyTypes + uint32_t(i)]);
    }
    if (o.Get32(image + kHdrCommentLen) > kMaxComment) {
        *why = "the comment length is impossible";
        return kKfDamaged;
    }
    uint32_t journal = o.Get32(image + kHdrJournal);
    uint32_t journalLen = o.Get32(image + kHdrJournalLen);
    if (journal == kNoBlock ? journalLen != 0
                            : (journal == 0 || journalLen < 2 || journal >= count ||
                               journalLen > count - journal)) {
        *why = "the journal words are impossible";
        return kKfDamaged;
    }
    std::memcpy(m_header.data(), image, kHeaderSize);
    m_roots = roots;
    m_blockCount = count;
    m_committedCount = count;
    m_sequence = sequence;
    m_journal = journal;
    m_journalLen = journalLen;
    return kKfSuccess;
}

// ---- create and open -----------------------------------------------------------

int32_t KeyedFileImpl::Create(const std::string& path, char access, int mode,
                              const std::vector<KeyDescriptor>* keys) {
    m_detail.clear();
    if (m_open)
        return Fail(kKfAlreadyOpen, "The handle is open already.");
    if (mode < 1 || mode > 3)
        return Fail(kKfBadMode, "Create mode " + std::to_string(mode) + " is not 1, 2 or 3.");
    std::array<uint8_t, kMaxIndex + 2> types{};
    types[20] = kKeyCounted;
    if (keys) {
        if (keys->size() > size_t(kMaxIndex))
            return Fail(kKfBadArgument, "More than 20 key descriptors.");
        for (const KeyDescriptor& k : *keys) {
            if (k.index < 1)
                return Fail(kKfBadIndex, "Key descriptor index " + std::to_string(k.index) +
                                             " is outside 1..20.");
            if (k.index >= 16)
                return Fail(kKfIndexTooHigh,
                            "Key descriptor index " + std::to_string(k.index) + " is 16 or more.");
            if (k.keyType < 0 || k.keyType > 20 ||
                KindOfType(uint8_t(k.keyType)) == KeyKind::Unsupported)
                return Fail(kKfBadKeyType,
                            "Key type " + std::to_string(k.keyType) + " is not supported.");
            types[size_t(k.index)] = uint8_t(k.keyType);
        }
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0)
        return Fail(kKfFileExists, "'" + path + "' exists already.");

    ByteOrder order;
    order.big = mode == 2 || (mode == 3 && std::endian::native == std::endian::big);
    std::array<uint8_t, kHeaderSize> image{};
    uint8_t* h = image.data();
    order.Put32(h + kHdrFormat, 1);
    for (const MagicWord& m : kMagic)
        order.Put32(h + m.offset, m.letter);
    order.Put32(h + kHdrByteOrder, 1);
    order.Put32(h + kHdrAlloc1, 1);
    order.Put32(h + kHdrAlloc2, 1);
    order.Put32(h + kHdrAlloc3, 1);
    order.Put32(h + kHdrJournal, kNoBlock);
    std::memcpy(h + kHdrKeyTypes, types.data(), kMaxIndex + 2);
    order.Put32(h + kHdrReserved340, 0xFFFFFFFFu);
    order.Put32(h + kHdrChecksum, 0xFFFFFFFFu);

    // The header is written beside the target and moved into place only
    // when complete, so a crash never leaves a file without a whole header.
    platform::SysError err;
    platform::TempFile temp;
    if (!temp.Create(path, &err, 0600))
        return Fail(err.dosCode == platform::kDosFileExists ? kKfFileExists : kKfCannotOpen,
                    err.message);
    if (!temp.file().Write(image.data(), image.size(), &err)) {
        temp.Discard();
        return Fail(kKfShortWrite, err.message);
    }
    if (!temp.Commit(&err, /*replace=*/false, /*sync=*/true)) {
        if (err.dosCode == platform::kDosFileExists)
            return Fail(kKfFileExists, "'" + path + "' exists already.");
        return Fail(kKfShortWrite, err.message);
    }
    return Open(path, access, 2, keys);
}

int32_t KeyedFileImpl::Open(const std::string& path, char access, int mode,
                            const std::vector<KeyDescriptor>* keys) {
    m_detail.clear();
    if (m_open)
        return Fail(kKfAlreadyOpen, "The handle is open already.");
    bool writable = mode == 2;
    platform::SysError err;
    if (writable) {
        if (!m_lock.Acquire(path, false, &err)) {
            if (err.dosCode == platform::kDosSharingViolation)
                return Fail(kKfInUse, "'" + path + "' is in use by another program.");
            return Fail(kKfCannotOpen, err.message);
        }
    }
    if (int e = m_file.Open(path, writable)) {
        m_lock.Release();
        // The descriptor refuses anything but a regular file with EINVAL.
        return Fail(kKfCannotOpen,
                    "Cannot open '" + path +
                        "': " + (e == EINVAL ? "it is not a regular file" : ErrnoText(e)) + ".");
    }
    if (!writable) {
        // Readers share the file with each other (unless they ask for
        // exclusive use), never with a writer.
        if (int e = m_file.Lock(access == 'E')) {
            m_file.Close();
            if (e == EWOULDBLOCK)
                return Fail(kKfInUse, "'" + path + "' is in use by another program.");
            return Fail(kKfCannotOpen, "Cannot lock '" + path + "': " + ErrnoText(e));
        }
    }
    m_path = path;
    m_writable = writable;
    m_failed = false;
    m_flushMode = access == 'E' ? 3 : 1;
    m_open = true;
    int32_t status = kKfSuccess;
    try {
        status = [&]() -> int32_t {
            uint64_t size = 0;
            if (int e = m_file.Size(&size))
                return Fail(kKfReadFailed, "Cannot read '" + path + "': " + ErrnoText(e));
            std::array<uint8_t, kHeaderSize> image{};
            size_t got = 0;
            if (int e = m_file.Read(image.data(), kHeaderSize, 0, &got))
                return Fail(kKfReadFailed, "Cannot read '" + path + "': " + ErrnoText(e));
            if (got < kHeaderSize)
                return Fail(kKfBadMagic, "'" + path + "' is not a keyed record file: it is " +
                                             std::to_string(size) + " bytes long.");
            std::string why;
            if (int32_t s = InspectMagic(image.data(), &m_order, &why))
                return Fail(s, "'" + path + "' is not a keyed record file: " + why + ".");
            bool repair = false;
            int32_t s = ParseHeader(image.data(), size, true, &why);
            if (s != kKfSuccess) {
                // A header torn by a crash while it was written: the shadow in
                // block 0 was made durable before that write began.
                std::array<uint8_t, kBlockSize> shadow{};
                std::string shadowWhy;
                ByteOrder shadowOrder;
                if (m_file.Read(shadow.data(), kBlockSize, BlockOffset(0), &got) != 0 ||
                    got < kBlockSize ||
                    InspectMagic(shadow.data(), &shadowOrder, &shadowWhy) != kKfSuccess ||
                    shadowOrder.big != m_order.big ||
                    ParseHeader(shadow.data(), size, true, &shadowWhy) != kKfSuccess)
                    return Fail(kKfDamaged, "'" + path + "' is damaged: " + why + ".");
                image = shadow;
                repair = true;
            }
            if (int32_t s2 = ParseHeader(image.data(), size, false, &why))
                return Fail(s2, "'" + path + "' is damaged: " + why + ".");
            // Key types.
            if (keys) {
                for (const KeyDescriptor& k : *keys) {
                    if (k.index < 1 || k.index > kMaxIndex)
                        return Fail(kKfBadIndex, "Key descriptor index " + std::to_string(k.index) +
                                                     " is outside 1..20.");
                    if ((image[kHdrKeyTypes + uint32_t(k.index)] & 0x1F) != (k.keyType & 0x1F))
                        return Fail(kKfBadKeyType, "Index " + std::to_string(k.index) + " of '" +
                                                       path + "' has another key type.");
                }
            } else {
                for (int i = 0; i <= 14; ++i)
                    if ((image[kHdrKeyTypes + uint32_t(i)] & 0x1F) != 0)
                        return Fail(kKfBadKeyType, "Index " + std::to_string(i) + " of '" + path +
                                                       "' does not have key type 0.");
            }
            // Finish (or read through) the last commit's journal.
            if (m_journal != kNoBlock || repair) {
                if (int32_t s3 = [&]() -> int32_t {
                        if (m_journal == kNoBlock)
                            return kKfSuccess;
                        std::vector<uint8_t> j(size_t(m_journalLen) * kBlockSize);
                        if (int e = m_file.Read(j.data(), j.size(), BlockOffset(m_journal), &got))
                            return Fail(kKfReadFailed,
                                        "Cannot read '" + path + "': " + ErrnoText(e));
                        if (got < j.size())
                            return Fail(kKfDamaged, "'" + path +
                                                        "' is damaged: the journal is "
                                                        "cut short.");
                        uint32_t images = m_order.Get32(&j[kJrnImages]);
                        bool ok = m_order.Get32(&j[kJrnMagic]) == kJournalMagic &&
                                  m_order.Get32(&j[kJrnSequence]) == m_sequence && images >= 1 &&
                                  images < m_journalLen &&
                                  JournalListBlocks(images) + images == m_journalLen &&
                                  m_order.Get32(&j[kJrnChecksum]) ==
                                      Crc32(&j[kJrnHomes], j.size() - kJrnHomes);
                        std::vector<uint32_t> homes;
                        std::unordered_set<uint32_t> seen;
                        for (uint32_t i = 0; ok && i < images; ++i) {
                            size_t at =
                                i < kJournalHomesInHead
                                    ? kJrnHomes + 4 * i
                                    : kBlockSize * (1 + (i - kJournalHomesInHead) /
                                                            kJournalHomesPerBlock) +
                                          4 * ((i - kJournalHomesInHead) % kJournalHomesPerBlock);
                            uint32_t home = m_order.Get32(&j[at]);
                            ok = home >= 1 && home < m_blockCount &&
                                 (home < m_journal || home >= m_journal + m_journalLen) &&
                                 seen.insert(home).second;
                            homes.push_back(home);
                        }
                        if (!ok)
                            return Fail(kKfDamaged,
                                        "'" + path + "' is damaged: the journal is not valid.");
                        size_t first = size_t(JournalListBlocks(images)) * kBlockSize;
                        for (uint32_t i = 0; i < images; ++i) {
                            const uint8_t* img = &j[first + size_t(i) * kBlockSize];
                            if (m_writable) {
                                if (int e = m_file.Write(img, kBlockSize, BlockOffset(homes[i])))
                                    return WriteFailed(kKfShortWrite, "Recovering", e);
                            } else {
                                auto& slot = m_overlay[homes[i]];
                                std::memcpy(slot.data(), img, kBlockSize);
                            }
                        }
                        return kKfSuccess;
                    }())
                    return s3;
                if (m_writable) {
                    // The journal is home: make that durable, then record that
                    // no journal is pending, shadow first, then the header.
                    std::array<uint8_t, kHeaderSize> rest{};
                    BuildHeaderImage(rest.data(), kNoBlock, 0, m_sequence);
                    auto sync = [&]() { return m_durable ? m_file.DataSync() : 0; };
                    if (int e = sync())
                        return WriteFailed(kKfShortWrite, "Recovering", e);
                    if (m_blockCount > 0) {
                        if (int e = m_file.Write(rest.data(), kBlockSize, BlockOffset(0)))
                            return WriteFailed(kKfShortWrite, "Recovering", e);
                        if (int e = sync())
                            return WriteFailed(kKfShortWrite, "Recovering", e);
                    }
                    if (int e = m_file.Write(rest.data(), kHeaderSize, 0))
                        return WriteFailed(kKfShortWrite, "Recovering", e);
                    if (int e = sync())
                        return WriteFailed(kKfShortWrite, "Recovering", e);
                    m_header = rest;
                    m_journal = kNoBlock;
                    m_journalLen = 0;
                }
            }
            // The roots must be index blocks; the rest of the tree is checked
            // block by block as it is read, and as a whole before the first
            // change.
            for (int t = 0; t < kTrees; ++t) {
                int32_t s4 = kKfSuccess;
                if (m_roots[size_t(t)] != 0 && Load(m_roots[size_t(t)], -1, &s4) == nullptr)
                    return s4;
            }
            return kKfSuccess;
        }();
    } catch (const std::bad_alloc&) {
        status = OutOfMemory(false);
    }
    if (status != kKfSuccess) {
        std::string detail = std::move(m_detail);
        m_failed = true; // nothing to write back
        Close();
        m_detail = std::move(detail);
        return status;
    }
    TrimCache();
    return kKfSuccess;
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
            size_t at = i < kJournalHomesInHead
                            ? kJrnHomes + 4 * i
                            : kBlockSize * (1 + (i - kJournalHomesInHead) / kJournalHomesPerBlock) +
                                  4 * ((i - kJournalHomesInHead) % kJournalHomesPerBlock);
            m_order.Put32(&j[at], dirty[i]->number);
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

// ---- blocks ----------------------------------------------------------------

int32_t KeyedFileImpl::ReadRaw(uint32_t number, uint8_t* out) {
    auto it = m_overlay.find(number);
    if (it != m_overlay.end()) {
        std::memcpy(out, it->second.data(), kBlockSize);
        return kKfSuccess;
    }
    size_t got = 0;
    if (int e = m_file.Read(out, kBlockSize, BlockOffset(number), &got))
        return Fail(kKfReadFailed, "Cannot read '" + m_path + "': " + ErrnoText(e));
    if (got < kBlockSize)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(number) +
                                    " lies beyond the end of the file.");
    return kKfSuccess;
}

IndexBlock* KeyedFileImpl::Load(uint32_t number, int expectLevel, int32_t* status, bool readAhead) {
    if (number == 0 || number >= m_blockCount) {
        *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(number) +
                                       " lies outside the file.");
        return nullptr;
    }
    IndexBlock* block = Cached(number);
    if (block == nullptr) {
        constexpr uint32_t kAhead = 16;
        uint32_t run = readAhead && m_overlay.empty() ? std::min(kAhead, m_blockCount - number) : 1;
        std::vector<uint8_t>& ahead = m_scratch;
        auto fresh = std::make_unique_for_overwrite<IndexBlock>();
        fresh->number = number;
        fresh->order = m_order;
        if (run > 1) {
            if (ahead.size() < size_t(run) * kBlockSize)
                ahead.resize(size_t(kAhead) * kBlockSize);
            size_t got = 0;
            if (int e = m_file.Read(ahead.data(), size_t(run) * kBlockSize, BlockOffset(number),
                                    &got)) {
                *status = Fail(kKfReadFailed, "Cannot read '" + m_path + "': " + ErrnoText(e));
                return nullptr;
            }
            run = uint32_t(got / kBlockSize);
            if (run == 0) {
                *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " +
                                               std::to_string(number) +
                                               " lies beyond the end of the file.");
                return nullptr;
            }
            std::memcpy(fresh->bytes.data(), ahead.data(), kBlockSize);
        } else if ((*status = ReadRaw(number, fresh->bytes.data())) != kKfSuccess) {
            return nullptr;
        }
        std::string why;
        if (!fresh->Parse(m_kinds, &why)) {
            *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " +
                                           std::to_string(number) + ": " + why + ".");
            return nullptr;
        }
        block = fresh.get();
        m_cache[number] = std::move(fresh);
        // Keep the blocks read along that continue this leaf's level: each
        // must be the one its predecessor names as next, and a leaf.
        const IndexBlock* previous = block;
        for (uint32_t k = 1; k < run && previous->Level() == 0; ++k) {
            uint32_t n = number + k;
            if (previous->Next() != n || Cached(n) != nullptr)
                break;
            auto next = std::make_unique_for_overwrite<IndexBlock>();
            next->number = n;
            next->order = m_order;
            std::memcpy(next->bytes.data(), &ahead[size_t(k) * kBlockSize], kBlockSize);
            if (!next->Parse(m_kinds, &why) || next->Level() != 0)
                break;
            next->tick = ++m_clock;
            previous = next.get();
            m_cache[n] = std::move(next);
        }
    }
    if (expectLevel >= 0 && block->Level() != expectLevel) {
        *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(number) +
                                       " has level " + std::to_string(block->Level()) + " where " +
                                       std::to_string(expectLevel) + " belongs.");
        return nullptr;
    }
    block->tick = ++m_clock;
    *status = kKfSuccess;
    return block;
}

IndexBlock* KeyedFileImpl::NewBlock(int level) {
    constexpr uint32_t kRun = 16;
    if (m_indexRunLeft == 0) {
        uint32_t run = Allocate(kRun);
        if (run == kNoBlock)
            return nullptr;
        m_indexRun = run;
        m_indexRunLeft = kRun;
    }
    uint32_t number = m_indexRun++;
    --m_indexRunLeft;
    NoteBorn(number);
    auto fresh = std::make_unique_for_overwrite<IndexBlock>();
    fresh->number = number;
    fresh->order = m_order;
    fresh->InitEmpty(level);
    IndexBlock* block = fresh.get();
    std::unique_ptr<IndexBlock>& slot = m_cache[number];
    if (slot)
        m_graveyard.push_back(std::move(slot));
    slot = std::move(fresh);
    block->tick = ++m_clock;
    MarkDirty(block);
    return block;
}

void KeyedFileImpl::MarkDirty(IndexBlock* block) {
    m_changed = true;
    ++m_version;
    if (!block->dirty) {
        block->dirty = true;
        m_dirty.push_back(block->number);
    }
}

void KeyedFileImpl::FreeIndexBlock(IndexBlock* block) {
    uint32_t number = block->number;
    ++m_version;
    // Kept alive until the operation ends: a caller may still hold it.
    auto it = m_cache.find(number);
    if (it != m_cache.end()) {
        m_graveyard.push_back(std::move(it->second));
        m_cache.erase(it);
    }
    Release(number, 1);
}

void KeyedFileImpl::TrimCache() {
    m_graveyard.clear();
    size_t limit = size_t(m_cacheBuffers) * 2048;
    if (m_cache.size() <= limit)
        return;
    std::vector<std::pair<uint64_t, uint32_t>> clean;
    clean.reserve(m_cache.size());
    for (const auto& [number, block] : m_cache)
        if (!block->dirty)
            clean.emplace_back(block->tick, number);
    size_t drop = std::min(clean.size(), m_cache.size() - limit + limit / 8);
    if (drop == 0)
        return;
    std::nth_element(clean.begin(), clean.begin() + long(drop - 1), clean.end());
    for (size_t i = 0; i < drop; ++i)
        m_cache.erase(clean[i].second);
}

void KeyedFileImpl::DropCache() {
    m_graveyard.clear();
    m_cache.clear();
    m_clock = 0;
}

// ---- records -----------------------------------------------------------------

int32_t KeyedFileImpl::WriteRecord(const void* data, uint32_t length, uint32_t* recno) {
    *recno = 0;
    if (length == 0)
        return kKfSuccess;
    uint32_t blocks = ExtentBlocks(length);
    uint32_t start = Allocate(blocks);
    if (start == kNoBlock)
        return WriteFailed(kKfShortWrite, "Growing", EFBIG);
    NoteBorn(start);
    uint8_t head[kDataHeader];
    m_order.Put32(head, start);
    m_order.Put32(head + 4, length);
    struct iovec iov[2] = {{head, kDataHeader}, {const_cast<void*>(data), length}};
    if (int e = m_file.WriteV(iov, 2, BlockOffset(start))) {
        Release(start, blocks);
        return WriteFailed(kKfShortWrite, "Writing", e);
    }
    *recno = start;
    return kKfSuccess;
}

int32_t KeyedFileImpl::ReadRecord(uint32_t recno, uint32_t length, void* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0 || length == 0)
        return kKfSuccess;
    uint32_t blocks = ExtentBlocks(length);
    if (recno == 0 || recno >= m_blockCount || blocks > m_blockCount - recno)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: record data at block " +
                                    std::to_string(recno) + " lies outside the file.");
    uint8_t head[kDataHeader];
    size_t want = std::min<size_t>(length, capacity);
    struct iovec iov[2] = {{head, kDataHeader}, {buffer, want}};
    size_t got = 0;
    if (int e = m_file.ReadV(iov, 2, BlockOffset(recno), &got))
        return Fail(kKfReadFailed, "Cannot read '" + m_path + "': " + ErrnoText(e));
    if (got < kDataHeader + want || m_order.Get32(head) != recno ||
        m_order.Get32(head + 4) != length)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: the record data at block " +
                                    std::to_string(recno) + " does not belong to its entry.");
    return kKfSuccess;
}

// ---- CKeyedFile ---------------------------------------------------------------

CKeyedFile::CKeyedFile() : m_impl(std::make_unique<KeyedFileImpl>()) {}
CKeyedFile::~CKeyedFile() = default;

int32_t CKeyedFile::Create(const std::string& path, char access, int mode,
                           const std::vector<KeyDescriptor>* keys) {
    return m_impl->Create(path, access, mode, keys);
}

int32_t CKeyedFile::Open(const std::string& path, char access, int mode,
                         const std::vector<KeyDescriptor>* keys) {
    return m_impl->Open(path, access, mode, keys);
}

int32_t CKeyedFile::Close() {
    return m_impl->Close();
}
bool CKeyedFile::IsOpen() const {
    return m_impl->m_open;
}

int32_t CKeyedFile::SetFlushMode(int mode) {
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    if (mode < 0 || mode > 4)
        return m_impl->Fail(kKfBadFlushMode,
                            "Flush mode " + std::to_string(mode) + " is outside 0..4.");
    m_impl->m_flushMode = mode;
    return kKfSuccess;
}

int32_t CKeyedFile::SetCache(int buffers) {
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    m_impl->m_cacheBuffers = std::clamp(buffers, 1, 9);
    m_impl->TrimCache();
    return kKfSuccess;
}

void CKeyedFile::SetDurable(bool durable) {
    m_impl->m_durable = durable;
}

int32_t CKeyedFile::Flush() {
    m_impl->m_detail.clear();
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    if (m_impl->m_writable && m_impl->m_failed)
        return m_impl->CheckWritable();
    try {
        int32_t status = m_impl->Commit();
        m_impl->TrimCache();
        return status;
    } catch (const std::bad_alloc&) {
        return m_impl->OutOfMemory(true);
    }
}

// Every public operation may meet an allocation failure anywhere inside; the
// guard turns it into kKfOutOfMemory. A change cut short that way may have
// left blocks in memory half changed, so the handle then refuses further
// changes, as after a failed write: the file keeps its last committed state.
#define VORLANE_KF_GUARD(change, expr)                                                             \
    do {                                                                                           \
        m_impl->m_detail.clear();                                                                  \
        try {                                                                                      \
            return (expr);                                                                         \
        } catch (const std::bad_alloc&) {                                                          \
            return m_impl->OutOfMemory(change);                                                    \
        }                                                                                          \
    } while (0)

int32_t CKeyedFile::Add(int index, std::string_view key, uint32_t, const void* data,
                        size_t length) {
    VORLANE_KF_GUARD(true, m_impl->Add(index, key, data, length));
}

int32_t CKeyedFile::Update(int index, std::string_view key, uint32_t, const void* data,
                           size_t length) {
    VORLANE_KF_GUARD(true, m_impl->Update(index, key, data, length));
}

int32_t CKeyedFile::Delete(int index, std::string_view key, uint32_t) {
    VORLANE_KF_GUARD(true, m_impl->Delete(index, key));
}

int32_t CKeyedFile::Find(int index, std::string_view key, uint32_t, void* buffer, size_t capacity) {
    VORLANE_KF_GUARD(false, m_impl->Find(index, key, buffer, capacity));
}

int32_t CKeyedFile::First(int index, void* buffer, size_t capacity) {
    VORLANE_KF_GUARD(false, m_impl->Position(index, 0, buffer, capacity));
}

int32_t CKeyedFile::Last(int index, void* buffer, size_t capacity) {
    VORLANE_KF_GUARD(false, m_impl->Position(index, 1, buffer, capacity));
}

int32_t CKeyedFile::Next(int index, void* buffer, size_t capacity) {
    VORLANE_KF_GUARD(false, m_impl->Position(index, 2, buffer, capacity));
}

int32_t CKeyedFile::Previous(int index, void* buffer, size_t capacity) {
    VORLANE_KF_GUARD(false, m_impl->Position(index, 3, buffer, capacity));
}

#undef VORLANE_KF_GUARD

const std::string& CKeyedFile::CurrentKey() const {
    return m_impl->m_currentKey;
}
uint32_t CKeyedFile::CurrentLength() const {
    return m_impl->m_currentLength;
}
uint32_t CKeyedFile::CurrentRecordNumber() const {
    return m_impl->m_currentRecno;
}

int32_t CKeyedFile::ReadCurrent(std::string* data) {
    data->clear();
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    if (m_impl->m_currentIndex == 0)
        return m_impl->Fail(kKfNotFound, "No record is positioned on.");
    try {
        data->resize(m_impl->m_currentLength);
    } catch (const std::bad_alloc&) {
        return m_impl->OutOfMemory(false);
    }
    int32_t status = m_impl->ReadRecord(m_impl->m_currentRecno, m_impl->m_currentLength,
                                        data->data(), data->size());
    if (status != kKfSuccess)
        data->clear();
    return status;
}

int32_t CKeyedFile::ReadCurrent(void* buffer, size_t capacity) {
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    if (m_impl->m_currentIndex == 0)
        return m_impl->Fail(kKfNotFound, "No record is positioned on.");
    return m_impl->ReadRecord(m_impl->m_currentRecno, m_impl->m_currentLength, buffer, capacity);
}

const std::string& CKeyedFile::LastErrorDetail() const {
    return m_impl->m_detail;
}
bool CKeyedFile::WritesRefused() const {
    return m_impl->m_failed;
}
const std::string& CKeyedFile::Path() const {
    return m_impl->m_path;
}

std::string CKeyedFile::Comment() const {
    if (!m_impl->m_open)
        return "";
    uint32_t len = std::min(m_impl->m_order.Get32(&m_impl->m_header[kHdrCommentLen]), kMaxComment);
    return std::string(reinterpret_cast<const char*>(&m_impl->m_header[kHdrComment]), len);
}

std::vector<std::string> CKeyedFile::Check() {
    std::vector<std::string> messages;
    try {
        messages = m_impl->Check();
        m_impl->TrimCache();
    } catch (const std::bad_alloc&) {
        m_impl->OutOfMemory(false);
        // Should this allocation fail too, bad_alloc leaves: an empty list
        // would claim a sound file.
        messages.clear();
        messages.push_back("out of memory while checking");
    }
    return messages;
}

int32_t CKeyedFile::Statistics(KeyedFileStatistics* stats) {
    *stats = {};
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    try {
        std::vector<bool> used;
        int32_t status = m_impl->Walk(&used, nullptr, stats, false);
        m_impl->TrimCache();
        return status;
    } catch (const std::bad_alloc&) {
        return m_impl->OutOfMemory(false);
    }
}

int32_t CKeyedFile::ReadHeaderBytes(std::string* bytes) {
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    std::array<uint8_t, kHeaderSize> image{};
    m_impl->BuildHeaderImage(image.data(), m_impl->m_journal, m_impl->m_journalLen,
                             m_impl->m_sequence);
    if (!m_impl->m_changed)
        image = m_impl->m_header;
    bytes->assign(reinterpret_cast<const char*>(image.data()), image.size());
    return kKfSuccess;
}

int32_t CKeyedFile::ReadBlockBytes(uint32_t block, std::string* bytes) {
    if (!m_impl->m_open)
        return m_impl->Fail(kKfNotOpen, "The keyed file is not open.");
    if (block >= m_impl->m_blockCount)
        return m_impl->Fail(kKfNotFound, "Block " + std::to_string(block) + " does not exist.");
    std::array<uint8_t, kBlockSize> raw{};
    if (IndexBlock* cached = m_impl->Cached(block)) {
        raw = cached->bytes;
    } else if (int32_t s = m_impl->ReadRaw(block, raw.data())) {
        return s;
    }
    bytes->assign(reinterpret_cast<const char*>(raw.data()), raw.size());
    return kKfSuccess;
}

std::vector<std::string> CheckKeyedFile(const std::string& path) {
    CKeyedFile file;
    int32_t status = file.Open(path, 'S', 0);
    if (status != kKfSuccess) {
        std::string detail = file.LastErrorDetail();
        return {detail.empty() ? std::string(KeyedFileStatusText(status)) : detail};
    }
    std::vector<std::string> messages = file.Check();
    file.Close();
    return messages;
}

} // namespace vorlane::objdb
