#include "objdb/CObjectDatabase.h"

#include "platform/File.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::objdb {

namespace {

// The object database keeps its objects in index 1 of the keyed file.
constexpr int kIndex = 1;
// Names must leave room for the four kind characters and the NUL.
constexpr size_t kMaxNameLength = 237;

int Fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Fold(uint8_t(text[i])) != Fold(uint8_t(prefix[i])))
            return false;
    return true;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

// ---- CObjectDatabaseStream ---------------------------------------------------------

CObjectDatabaseStream::~CObjectDatabaseStream() {
    if (m_stream.is_open())
        m_stream.close();
    if (m_deleteTempFile && !m_tempFile.empty())
        ::unlink(m_tempFile.c_str());
}

// ---- basics ------------------------------------------------------------------------

CObjectDatabase::CObjectDatabase() = default;

CObjectDatabase::~CObjectDatabase() {
    Close();
}

std::string CObjectDatabase::ErrorText(int code) {
    switch (code) {
    case kOdbDoesNotExist:
        return "Database does not exist!";
    case kOdbRecordSize:
        return "Object record size is out of range!";
    case kOdbInvalidKey:
        return "Invalid key.";
    case kOdbNoWorkRecord:
        return "Unable to allocate database object work record!";
    case kOdbMaxRecordSize: {
        char text[64];
        std::snprintf(text, sizeof text, "Max record size allowed is %d!",
                      kObjectDatabaseMaxRecordSize);
        return text;
    }
    case kOdbNotFound:
        return "Object not found in database!";
    case kOdbBufferTooSmall:
        return "Object buffer too small to receive object!";
    case kOdbCannotDelete:
        return "Unable to delete the specified object!";
    case kOdbCannotUpdate:
        return "Unable to update object (disk full?"
               "?).";
    case kOdbCannotAdd:
        return "Unable to add object (disk full?"
               "?).";
    case kOdbKeyExists:
        return "Specified key already exists!";
    case kOdbFileMissing:
        return "File does not exist!";
    case kOdbCannotOpenSource:
        return "Unable to open source file!";
    case kOdbCannotCreateTarget:
        return "Unable to create target file!";
    case kOdbCannotReadSource:
        return "Unable to read all of source file!";
    case kOdbCannotWriteTarget:
        return "Unable to write object to target file!";
    case kOdbSourceTooLarge:
        return "Source file exceeds maximum database object size!";
    case kOdbNoFileHandles:
        return "There are not any available file handles!";
    case kOdbNoBuffer:
        return "Unable to allocate buffer for object record!";
    case kOdbCannotSave:
        return "Unable to save the object database (disk full?"
               "?).";
    case kOdbUnreadable:
        return "Unable to read the object database (the file is damaged).";
    default:
        return "";
    }
}

std::string CObjectDatabase::MakeKey(int32_t kind, const std::string& name) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04ld", long(kind));
    return std::string(digits, 4) + name;
}

bool CObjectDatabase::SetError(int code) {
    m_lastErrorCode = code;
    m_lastErrorMessage = ErrorText(code);
    return false;
}

bool CObjectDatabase::EngineError(int code) {
    SetError(code);
    if (m_file)
        m_lastErrorDetail = m_file->LastErrorDetail();
    return false;
}

bool CObjectDatabase::OpenCheck() {
    m_lastErrorMessage.clear();
    m_lastErrorDetail.clear();
    if (!IsOpen()) {
        m_lastErrorMessage = "An object database is NOT opened!";
        return false;
    }
    return true;
}

bool CObjectDatabase::ValidName(const std::string& name) {
    if (name.size() > kMaxNameLength || name.find('\0') != std::string::npos)
        return SetError(kOdbInvalidKey);
    return true;
}

bool CObjectDatabase::IsOpen() const {
    return m_file != nullptr && m_file->IsOpen();
}

void CObjectDatabase::SetDurable(bool durable) {
    m_durable = durable;
    if (m_file)
        m_file->SetDurable(durable);
}

// ---- opening and closing ---------------------------------------------------------------

bool CObjectDatabase::Open(const std::string& fileName, bool createIfMissing, int maxRecordSize) {
    Close();
    m_lastErrorMessage.clear();
    m_lastErrorDetail.clear();
    m_lastOpenStatus = 0;
    if (maxRecordSize < 256)
        maxRecordSize = 256;
    if (maxRecordSize > kObjectDatabaseMaxRecordSize)
        return SetError(kOdbMaxRecordSize);
    auto failed = [&]() {
        m_file.reset();
        m_work.clear();
        m_work.shrink_to_fit();
        m_lastErrorMessage = "Unable to create/open object database '" + fileName + "'.";
        return false;
    };
    try {
        m_work.assign(size_t(maxRecordSize) + 512, 0);
        m_file = std::make_unique<CKeyedFile>();
    } catch (const std::bad_alloc&) {
        SetError(kOdbNoWorkRecord);
        return failed();
    }
    m_file->SetDurable(m_durable);
    struct stat st;
    int32_t status;
    if (::stat(fileName.c_str(), &st) == 0) {
        status = m_file->Open(fileName, 'E', 2);
    } else if (createIfMissing) {
        status = m_file->Create(fileName, 'E', 1);
    } else {
        SetError(kOdbDoesNotExist);
        m_lastErrorDetail = "'" + fileName + "' does not exist.";
        return failed();
    }
    if (status != kKfSuccess) {
        m_lastOpenStatus = status;
        m_lastErrorDetail = m_file->LastErrorDetail();
        if (m_lastErrorDetail.empty())
            m_lastErrorDetail = KeyedFileStatusText(status);
        return failed();
    }
    m_file->SetFlushMode(0);
    m_file->SetCache(4);
    m_fileName = fileName;
    m_maxRecordSize = maxRecordSize;
    return true;
}

bool CObjectDatabase::Close() {
    if (m_file == nullptr)
        return true;
    int32_t status = m_file->IsOpen() ? m_file->Close() : kKfSuccess;
    std::string detail = m_file->LastErrorDetail();
    m_file.reset();
    m_work.clear();
    m_work.shrink_to_fit();
    m_fileName.clear();
    m_maxRecordSize = 0;
    if (status != kKfSuccess) {
        SetError(kOdbCannotSave);
        m_lastErrorDetail = detail;
        return false;
    }
    return true;
}

bool CObjectDatabase::Flush() {
    if (!OpenCheck())
        return false;
    if (m_file->Flush() != kKfSuccess)
        return EngineError(kOdbCannotSave);
    return true;
}

// ---- single objects ------------------------------------------------------------------

bool CObjectDatabase::FindExact(int32_t kind, const std::string& name) {
    int32_t status = m_file->Find(kIndex, MakeKey(kind, name), 0, nullptr, 0);
    if (status == kKfSuccess)
        return true;
    if (status == 1 || status == kKfNotFound)
        return SetError(kOdbNotFound);
    return EngineError(kOdbUnreadable);
}

bool CObjectDatabase::ReadCurrent(std::vector<uint8_t>* data) {
    try {
        data->assign(m_file->CurrentLength(), 0);
    } catch (const std::bad_alloc&) {
        return SetError(kOdbNoBuffer);
    }
    if (m_file->ReadCurrent(data->data(), data->size()) != kKfSuccess) {
        data->clear();
        return EngineError(kOdbUnreadable);
    }
    return true;
}

void CObjectDatabase::CurrentObject(int32_t* kind, std::string* name) const {
    const std::string& key = m_file->CurrentKey();
    std::string digits = key.substr(0, 4);
    if (kind)
        *kind = int32_t(std::strtol(digits.c_str(), nullptr, 10));
    if (name)
        *name = key.size() > 4 ? key.substr(4) : std::string();
}

bool CObjectDatabase::AddObject(int32_t kind, const std::string& name, const void* data,
                                size_t length) {
    if (!OpenCheck() || !ValidName(name))
        return false;
    if (length > size_t(m_maxRecordSize) || (data == nullptr && length > 0))
        return SetError(kOdbRecordSize);
    if (m_file->Add(kIndex, MakeKey(kind, name), 0, data, length) != kKfSuccess)
        return EngineError(kOdbCannotAdd);
    return true;
}

bool CObjectDatabase::UpdateObject(int32_t kind, const std::string& name, const void* data,
                                   size_t length) {
    if (!OpenCheck() || !ValidName(name))
        return false;
    if (length > size_t(m_maxRecordSize) || (data == nullptr && length > 0))
        return SetError(kOdbRecordSize);
    if (!FindExact(kind, name))
        return false;
    if (m_file->Update(kIndex, MakeKey(kind, name), 0, data, length) != kKfSuccess)
        return EngineError(kOdbCannotUpdate);
    return true;
}

bool CObjectDatabase::PutObject(int32_t kind, const std::string& name, const void* data,
                                size_t length) {
    if (UpdateObject(kind, name, data, length))
        return true;
    if (m_lastErrorCode != kOdbNotFound || m_lastErrorMessage != ErrorText(kOdbNotFound))
        return false;
    return AddObject(kind, name, data, length);
}

bool CObjectDatabase::AddString(int32_t kind, const std::string& name, const std::string& value) {
    return AddObject(kind, name, value.c_str(), value.size() + 1);
}

bool CObjectDatabase::PutString(int32_t kind, const std::string& name, const std::string& value) {
    return PutObject(kind, name, value.c_str(), value.size() + 1);
}

bool CObjectDatabase::PutIntArray(int32_t kind, const std::string& name,
                                  const std::vector<int32_t>& values) {
    std::vector<uint8_t> bytes;
    bytes.reserve((values.size() + 1) * 4);
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put(uint32_t(values.size()));
    for (int32_t v : values)
        put(uint32_t(v));
    return PutObject(kind, name, bytes.data(), bytes.size());
}

bool CObjectDatabase::GetObject(int32_t kind, const std::string& name, void* buffer, size_t* length,
                                size_t bufferSize) {
    if (!OpenCheck() || !ValidName(name) || !FindExact(kind, name))
        return false;
    uint32_t stored = m_file->CurrentLength();
    if (length)
        *length = stored;
    if (buffer != nullptr && bufferSize != 0) {
        if (bufferSize < stored)
            return SetError(kOdbBufferTooSmall);
        if (m_file->ReadCurrent(buffer, stored) != kKfSuccess)
            return EngineError(kOdbUnreadable);
    }
    return true;
}

bool CObjectDatabase::GetObjectAllocated(int32_t kind, const std::string& name,
                                         std::vector<uint8_t>* data) {
    data->clear();
    if (!OpenCheck() || !ValidName(name) || !FindExact(kind, name))
        return false;
    return ReadCurrent(data);
}

bool CObjectDatabase::GetString(int32_t kind, const std::string& name, std::string* value) {
    std::vector<uint8_t> data;
    if (!GetObjectAllocated(kind, name, &data))
        return false;
    const char* text = reinterpret_cast<const char*>(data.data());
    value->assign(text, ::strnlen(text, data.size()));
    return true;
}

bool CObjectDatabase::GetIntArray(int32_t kind, const std::string& name,
                                  std::vector<int32_t>* values) {
    std::vector<uint8_t> data;
    if (!GetObjectAllocated(kind, name, &data))
        return false;
    auto word = [&](size_t at) {
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
               uint32_t(data[at + 3]) << 24;
    };
    if (data.size() < 4 || data.size() % 4 != 0 || word(0) != data.size() / 4 - 1)
        return false;
    for (size_t at = 4; at < data.size(); at += 4)
        values->push_back(int32_t(word(at)));
    return true;
}

int64_t CObjectDatabase::GetObjectSize(int32_t kind, const std::string& name) {
    if (!OpenCheck() || !ValidName(name) || !FindExact(kind, name))
        return -1;
    return m_file->CurrentLength();
}

bool CObjectDatabase::DeleteObject(int32_t kind, const std::string& name) {
    if (!OpenCheck() || !ValidName(name))
        return false;
    if (m_file->Delete(kIndex, MakeKey(kind, name), 0) != kKfSuccess)
        return EngineError(kOdbCannotDelete);
    return true;
}

bool CObjectDatabase::CopyObject(int32_t kind, const std::string& fromName,
                                 const std::string& toName) {
    if (!OpenCheck() || !ValidName(fromName) || !ValidName(toName))
        return false;
    if (FindExact(kind, toName))
        return SetError(kOdbKeyExists);
    if (m_lastErrorCode != kOdbNotFound)
        return false;
    std::vector<uint8_t> data;
    if (!GetObjectAllocated(kind, fromName, &data))
        return false;
    return AddObject(kind, toName, data.data(), data.size());
}

bool CObjectDatabase::RenameObject(int32_t kind, const std::string& oldName,
                                   const std::string& newName) {
    if (!CopyObject(kind, oldName, newName))
        return false;
    return DeleteObject(kind, oldName);
}

// ---- walking and bulk operations ---------------------------------------------------------

bool CObjectDatabase::GetFirstOfKind(int32_t kind, std::string* name, size_t* length) {
    if (!OpenCheck())
        return false;
    int32_t status = m_file->Find(kIndex, MakeKey(kind, ""), 0, nullptr, 0);
    if (status == kKfNotFound)
        return SetError(kOdbNotFound);
    if (status < 0)
        return EngineError(kOdbUnreadable);
    int32_t found = 0;
    std::string foundName;
    CurrentObject(&found, &foundName);
    if (kind != -1 && found != kind)
        return SetError(kOdbNotFound);
    if (name)
        *name = foundName;
    if (length)
        *length = m_file->CurrentLength();
    return true;
}

bool CObjectDatabase::Move(int how, int32_t* kind, std::string* name, std::vector<uint8_t>* data) {
    if (!OpenCheck())
        return false;
    int32_t status;
    switch (how) {
    case 0:
        status = m_file->First(kIndex, nullptr, 0);
        break;
    case 1:
        status = m_file->Last(kIndex, nullptr, 0);
        break;
    case 2:
        status = m_file->Next(kIndex, nullptr, 0);
        break;
    default:
        status = m_file->Previous(kIndex, nullptr, 0);
        break;
    }
    if (status == kKfNotFound)
        return SetError(kOdbNotFound);
    if (status != kKfSuccess)
        return EngineError(kOdbUnreadable);
    CurrentObject(kind, name);
    return data == nullptr || ReadCurrent(data);
}

bool CObjectDatabase::GetFirst(int32_t* kind, std::string* name, std::vector<uint8_t>* data) {
    return Move(0, kind, name, data);
}

bool CObjectDatabase::GetLast(int32_t* kind, std::string* name, std::vector<uint8_t>* data) {
    return Move(1, kind, name, data);
}

bool CObjectDatabase::GetNext(int32_t* kind, std::string* name, std::vector<uint8_t>* data) {
    return Move(2, kind, name, data);
}

bool CObjectDatabase::GetPrevious(int32_t* kind, std::string* name, std::vector<uint8_t>* data) {
    return Move(3, kind, name, data);
}

template <typename Visit> int CObjectDatabase::Walk(int32_t kind, Visit visit) {
    int count = 0;
    if (!GetFirstOfKind(kind, nullptr, nullptr))
        return 0;
    for (;;) {
        int32_t found = 0;
        std::string name;
        CurrentObject(&found, &name);
        if (kind != -1 && found != kind)
            break;
        if (!visit(found, name))
            break;
        ++count;
        int32_t status = m_file->Next(kIndex, nullptr, 0);
        if (status == kKfNotFound)
            break;
        if (status != kKfSuccess) {
            EngineError(kOdbUnreadable);
            break;
        }
    }
    return count;
}

int CObjectDatabase::CountObjects(int32_t kind) {
    return Walk(kind, [](int32_t, const std::string&) { return true; });
}

int CObjectDatabase::ListObjects(int32_t kind, std::vector<DATABASE_OBJECT_ITEM>* items) {
    items->clear();
    Walk(kind, [&](int32_t found, const std::string& name) {
        items->push_back({found, name, 0});
        return true;
    });
    return int(items->size());
}

int CObjectDatabase::ListObjectStrings(int32_t kind, std::vector<DATABASE_OBJECT_STRING>* items) {
    items->clear();
    Walk(kind, [&](int32_t found, const std::string& name) {
        std::vector<uint8_t> data;
        if (!ReadCurrent(&data))
            return false;
        const char* text = reinterpret_cast<const char*>(data.data());
        items->push_back({found, name, std::string(text, ::strnlen(text, data.size()))});
        return true;
    });
    return int(items->size());
}

int CObjectDatabase::ListObjectNames(int32_t kind, std::vector<std::string>* names) {
    names->clear();
    Walk(kind, [&](int32_t, const std::string& name) {
        names->push_back(name);
        return true;
    });
    return int(names->size());
}

int CObjectDatabase::DeleteObjects(std::vector<DATABASE_OBJECT_ITEM>* items, uint8_t flag) {
    int deleted = 0;
    std::vector<DATABASE_OBJECT_ITEM> kept;
    for (DATABASE_OBJECT_ITEM& item : *items) {
        if ((flag == 255 || item.flag == flag) && DeleteObject(item.kind, item.name))
            ++deleted;
        else
            kept.push_back(std::move(item));
    }
    *items = std::move(kept);
    return deleted;
}

int CObjectDatabase::DeleteObjects(std::vector<DATABASE_OBJECT_STRING>* items) {
    int deleted = 0;
    std::vector<DATABASE_OBJECT_STRING> kept;
    for (DATABASE_OBJECT_STRING& item : *items) {
        if (DeleteObject(item.kind, item.name))
            ++deleted;
        else
            kept.push_back(std::move(item));
    }
    *items = std::move(kept);
    return deleted;
}

int CObjectDatabase::DeleteObjects(int32_t kind, std::vector<std::string>* names) {
    int deleted = 0;
    std::vector<std::string> kept;
    for (std::string& name : *names) {
        if (DeleteObject(kind, name))
            ++deleted;
        else
            kept.push_back(std::move(name));
    }
    *names = std::move(kept);
    return deleted;
}

int CObjectDatabase::DeleteAllOfKind(int32_t kind) {
    std::vector<DATABASE_OBJECT_ITEM> items;
    ListObjects(kind, &items);
    return DeleteObjects(&items, 255);
}

// Finds the names of kind that begin with prefix, letters compared without
// case, without walking the whole kind: the keys that can match are those
// whose characters are, position by position, one of the case variants of
// the prefix's. The walk takes matching keys in a row and, at a key that does
// not match, seeks straight to the smallest possible match above it.
bool CObjectDatabase::NamesWithPrefix(int32_t kind, const std::string& prefix,
                                      std::vector<std::string>* names) {
    names->clear();
    if (!OpenCheck())
        return false;
    if (prefix.size() > kMaxNameLength)
        return true; // no stored name is that long
    const std::string p = MakeKey(kind, prefix);
    auto variants = [&](size_t j) {
        unsigned char c = uint8_t(p[j]);
        std::string v;
        if (j >= 4 && Fold(c) >= 'a' && Fold(c) <= 'z') {
            v.push_back(char(Fold(c) - ('a' - 'A')));
            v.push_back(char(Fold(c)));
        } else {
            v.push_back(char(c));
        }
        return v; // ascending
    };
    auto smallestFrom = [&](size_t j) {
        std::string s;
        for (; j < p.size(); ++j)
            s.push_back(variants(j)[0]);
        return s;
    };
    auto matches = [&](const std::string& key) { return StartsWithNoCase(key, p); };
    // The smallest key above key that can still match; "" when none.
    auto nextCandidate = [&](const std::string& key) -> std::string {
        size_t i = 0;
        while (i < p.size() && i < key.size() && Fold(uint8_t(key[i])) == Fold(uint8_t(p[i])))
            ++i;
        if (i >= key.size())
            return key + smallestFrom(i);
        for (size_t j = i + 1; j-- > 0;) {
            for (char v : variants(j))
                if (uint8_t(v) > uint8_t(key[j]))
                    return key.substr(0, j) + v + smallestFrom(j + 1);
        }
        return "";
    };
    std::string seek = smallestFrom(0);
    for (;;) {
        int32_t status = m_file->Find(kIndex, seek, 0, nullptr, 0);
        if (status == kKfNotFound)
            return true;
        if (status < 0)
            return EngineError(kOdbUnreadable);
        for (;;) {
            const std::string& key = m_file->CurrentKey();
            if (!matches(key)) {
                seek = nextCandidate(key);
                break;
            }
            names->emplace_back(key, 4);
            status = m_file->Next(kIndex, nullptr, 0);
            if (status == kKfNotFound)
                return true;
            if (status != kKfSuccess)
                return EngineError(kOdbUnreadable);
        }
        if (seek.empty())
            return true;
    }
}

int CObjectDatabase::ListObjectsByPrefix(int32_t kind, const std::string& prefix,
                                         std::vector<std::string>* names) {
    if (kind == -1) {
        names->clear();
        std::vector<DATABASE_OBJECT_ITEM> items;
        ListObjects(-1, &items);
        for (DATABASE_OBJECT_ITEM& item : items)
            if (StartsWithNoCase(item.name, prefix))
                names->push_back(std::move(item.name));
        return int(names->size());
    }
    NamesWithPrefix(kind, prefix, names);
    return int(names->size());
}

int CObjectDatabase::DeleteByPrefix(int32_t kind, const std::string& prefix) {
    int deleted = 0;
    if (kind == -1) {
        std::vector<DATABASE_OBJECT_ITEM> items;
        ListObjects(-1, &items);
        for (const DATABASE_OBJECT_ITEM& item : items)
            if (StartsWithNoCase(item.name, prefix) && DeleteObject(item.kind, item.name))
                ++deleted;
        return deleted;
    }
    std::vector<std::string> names;
    if (!NamesWithPrefix(kind, prefix, &names))
        return 0;
    for (const std::string& name : names)
        if (DeleteObject(kind, name))
            ++deleted;
    return deleted;
}

bool CObjectDatabase::RenameByPrefix(int32_t kind, const std::string& oldPrefix,
                                     const std::string& newPrefix) {
    std::vector<DATABASE_OBJECT_ITEM> items;
    if (kind == -1) {
        ListObjects(-1, &items);
    } else {
        std::vector<std::string> names;
        if (!NamesWithPrefix(kind, oldPrefix, &names))
            return false;
        for (std::string& name : names)
            items.push_back({kind, std::move(name), 0});
    }
    int renamed = 0;
    for (const DATABASE_OBJECT_ITEM& item : items) {
        if (!StartsWithNoCase(item.name, oldPrefix))
            continue;
        if (RenameObject(item.kind, item.name, newPrefix + item.name.substr(oldPrefix.size())))
            ++renamed;
    }
    return renamed > 0;
}

bool CObjectDatabase::IsEmpty() {
    if (!OpenCheck())
        return true;
    return m_file->First(kIndex, nullptr, 0) != kKfSuccess;
}

// ---- files as objects ---------------------------------------------------------------------

bool CObjectDatabase::ImportFile(int32_t kind, const std::string& name, const std::string& filePath,
                                 bool deleteSource, ImportMode mode) {
    if (!OpenCheck())
        return false;
    struct stat st;
    if (filePath.empty() || ::stat(filePath.c_str(), &st) != 0)
        return SetError(kOdbFileMissing);
    if (!S_ISREG(st.st_mode))
        return SetError(kOdbCannotOpenSource);
    platform::File file;
    platform::SysError err;
    if (!file.Open(filePath, platform::kOpenRead, &err)) {
        m_lastErrorDetail = err.message;
        return SetError(kOdbCannotOpenSource);
    }
    uint64_t size = 0;
    if (!file.Size(&size, &err)) {
        m_lastErrorDetail = err.message;
        return SetError(kOdbCannotReadSource);
    }
    if (size > uint64_t(m_maxRecordSize))
        return SetError(kOdbSourceTooLarge);
    CCharBuffer data;
    try {
        data.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return SetError(kOdbNoBuffer);
    }
    if (!data.empty() && !file.ReadExactly(data.data(), data.size(), &err)) {
        m_lastErrorDetail = err.message;
        return SetError(kOdbCannotReadSource);
    }
    file.Close(nullptr);
    bool stored = false;
    switch (mode) {
    case ImportMode::Add:
        stored = AddObject(kind, name, data.data(), data.size());
        break;
    case ImportMode::Update:
        stored = UpdateObject(kind, name, data.data(), data.size());
        break;
    case ImportMode::Put:
        stored = PutObject(kind, name, data.data(), data.size());
        break;
    }
    if (stored && deleteSource)
        ::unlink(filePath.c_str());
    return stored;
}

bool CObjectDatabase::ExportObject(int32_t kind, const std::string& name,
                                   const std::string& filePath) {
    std::vector<uint8_t> data;
    if (!GetObjectAllocated(kind, name, &data))
        return false;
    platform::TempFile temp;
    platform::SysError err;
    if (!temp.Create(filePath, &err, 0666)) {
        m_lastErrorDetail = err.message;
        return SetError(kOdbCannotCreateTarget);
    }
    if (!temp.file().Write(data.data(), data.size(), &err) ||
        !temp.Commit(&err, /*replace=*/true, /*sync=*/true)) {
        temp.Discard();
        m_lastErrorDetail = err.message;
        return SetError(kOdbCannotWriteTarget);
    }
    return true;
}

bool CObjectDatabase::MakeTempFileName(std::string* path) {
    path->clear();
    std::string dir =
        IsDirectory(m_tempDirectory) ? m_tempDirectory : platform::HostDirName(m_fileName);
    if (!dir.empty() && dir.back() != '/')
        dir.push_back('/');
    for (long n = 0; n < 1000000; ++n) {
        char leaf[32];
        std::snprintf(leaf, sizeof leaf, "%08ld.$$$", n);
        std::string candidate = dir + leaf;
        platform::File file;
        platform::SysError err;
        if (file.Open(candidate,
                      platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive |
                          platform::kOpenNoFollow,
                      &err, 0600)) {
            file.Close(nullptr);
            *path = candidate;
            return true;
        }
        if (err.dosCode == platform::kDosTooManyOpenFiles)
            return SetError(kOdbNoFileHandles);
        if (err.dosCode != platform::kDosFileExists && err.dosCode != platform::kDosAlreadyExists) {
            // A directory that refuses this name refuses the next ones too.
            m_lastErrorDetail = err.message;
            return false;
        }
    }
    return false;
}

bool CObjectDatabase::OpenObjectForReading(int32_t kind, const std::string& name,
                                           std::unique_ptr<CObjectDatabaseStream>* stream) {
    stream->reset();
    if (!OpenCheck() || !ValidName(name))
        return false;
    std::unique_ptr<CObjectDatabaseStream> s(new CObjectDatabaseStream);
    s->m_kind = kind;
    s->m_name = name;
    if (!MakeTempFileName(&s->m_tempFile))
        return false;
    if (!ExportObject(kind, name, s->m_tempFile))
        return false; // the stream deletes its temporary file
    s->m_stream.open(s->m_tempFile, std::ios::in | std::ios::binary);
    if (!s->m_stream.is_open())
        return SetError(kOdbCannotCreateTarget);
    *stream = std::move(s);
    return true;
}

bool CObjectDatabase::CreateObjectForWriting(int32_t kind, const std::string& name,
                                             std::unique_ptr<CObjectDatabaseStream>* stream) {
    stream->reset();
    if (!OpenCheck() || !ValidName(name))
        return false;
    std::unique_ptr<CObjectDatabaseStream> s(new CObjectDatabaseStream);
    s->m_kind = kind;
    s->m_name = name;
    s->m_writing = true;
    if (!MakeTempFileName(&s->m_tempFile))
        return false;
    s->m_stream.open(s->m_tempFile, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!s->m_stream.is_open())
        return SetError(kOdbCannotCreateTarget);
    *stream = std::move(s);
    return true;
}

bool CObjectDatabase::CloseObjectStream(std::unique_ptr<CObjectDatabaseStream> stream, bool save) {
    if (!OpenCheck())
        return false;
    if (stream == nullptr)
        return true;
    bool good = true;
    if (stream->m_stream.is_open()) {
        if (stream->m_writing)
            stream->m_stream.flush();
        good = !stream->m_stream.fail();
        stream->m_stream.close();
    }
    if (!stream->m_writing || !save)
        return true;
    if (!good)
        return SetError(kOdbCannotReadSource);
    return ImportFile(stream->m_kind, stream->m_name, stream->m_tempFile, false, ImportMode::Put);
}

} // namespace vorlane::objdb
