// The keyed record file's handle state and its opening: failure recording,
// the header image (built for commits, parsed and checked at open), creating
// a file, and opening one, which repairs a torn header from its shadow and
// finishes (read-only: reads through) the journal of a commit that a crash
// interrupted.
#include "objdb/private/KeyedFileImpl.h"

#include "platform/File.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unordered_set>

namespace vorlane::objdb {

using namespace detail;

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
                            uint32_t home = m_order.Get32(&j[JournalHomeOffset(i)]);
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

} // namespace vorlane::objdb
