// CKeyedFile: the public handle. Each call checks the handle's state, turns
// an allocation failure into kKfOutOfMemory and hands the work to
// KeyedFileImpl (private/KeyedFileImpl.h says which file holds which part);
// also the status texts and CheckKeyedFile.
#include "objdb/CKeyedFile.h"

#include "objdb/private/KeyedFileImpl.h"

#include <algorithm>
#include <new>

namespace vorlane::objdb {

using namespace detail;

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
