// The unzip entry point: open, comment, member information and extract.
//
// Listing (functions 1, 5, 6, 7) reads the engine's own central directory
// index. With the caller's ZipIndexCache it is parsed once per archive and
// kept while the file's identity, size and times stay the same (checked by
// functions 1, 5, 6 and by function 7 for member 0), so a caller asking for
// 100,000 members one by one parses the directory once; asking for the
// last member ends the listing and drops the index. Without a cache each
// call parses afresh. Extraction decompresses through libzip,
// opened on the same file descriptor whose identity matched the index.
//
// Extraction is confined to its destination: member names are checked
// before anything is made, every directory on the way is opened with
// O_NOFOLLOW relative to its parent. A new file is made exclusively under
// its own name; a file that is there already is replaced by an exclusive
// temporary file in its directory, renamed over it only when the member's
// size and CRC are verified. A member that fails leaves no trace (a new
// file is removed again) and an existing file of its name untouched.
// The failure's path and reason go to the message callback
// (kMessageErrorDetail).
#include "zip/ZipCentralDirectory.h"
#include "zip/ZipEngine.h"
#include "zip/ZipIndexCache.h"
#include "zip/private/ZipArchiveFile.h"
#include "zip/private/ZipMaskedSource.h"
#include "zip/private/ZipNames.h"

#include "platform/CaseFolding.h"
#include "platform/DosPath.h"
#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <new>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace vorlane::zip {

namespace {

constexpr size_t kReadStep = 256 * 1024;
// The fixed 12-character prefix of the progress text of a written file.
constexpr char kExtractingPrefix[] = "Extracting: ";
constexpr int kAnswerYes = 6;
constexpr size_t kMaxPathName = 259;

// --- archive index cache -----------------------------------------------------

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileIdentity Of(const struct stat& st) {
        FileIdentity id;
        id.device = st.st_dev;
        id.inode = st.st_ino;
        id.size = st.st_size;
        id.modified = st.st_mtim;
        id.changed = st.st_ctim;
        return id;
    }
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

struct LoadedArchive {
    std::string hostPath;
    FileIdentity identity;
    std::shared_ptr<const ZipArchiveIndex> index;
};

struct CacheEntry {
    std::string zipPath; // as the caller gave it
    LoadedArchive archive;
};

} // namespace

struct ZipIndexCache::Entries {
    std::vector<CacheEntry> list; // most recently used first
};

ZipIndexCache::ZipIndexCache() : m_entries(std::make_unique<Entries>()) {}

ZipIndexCache::~ZipIndexCache() = default;

size_t ZipIndexCache::Count() const {
    return m_entries->list.size();
}

namespace {

// The archive's host path: a DOS path through the drive map; a path that
// starts with '/' is taken as a host path already.
bool ArchiveHostPath(const std::string& zipPath, std::string* hostPath,
                     const platform::DriveMap& drives) {
    if (!zipPath.empty() && zipPath[0] == '/') {
        *hostPath = zipPath;
        return true;
    }
    return platform::DosToHost(zipPath, hostPath, nullptr, drives);
}

enum class Validate {
    kStat,  // use the cached index when the file is unchanged
    kTrust, // use the cached index as it is (member information after an open)
    kFresh, // parse again
};

// The parsed index of the archive, from the cache (null: none) unless
// validate says otherwise or the file has changed. *systemError gets the
// errno of a kUnzipReadError.
int LoadArchive(ZipIndexCache* cache, const std::string& zipPath, const platform::DriveMap& drives,
                LoadedArchive* out, Validate validate, int* systemError) {
    // Member information trusts the entry of the same path text; anything
    // else maps the path first, so a changed drive map never reaches a
    // cached archive of another file.
    std::string hostPath;
    if (validate != Validate::kTrust && !ArchiveHostPath(zipPath, &hostPath, drives))
        return kUnzipFileNotFound;
    if (cache != nullptr) {
        std::vector<CacheEntry>& kept = cache->Kept().list;
        for (size_t i = 0; i < kept.size(); ++i) {
            const bool same = validate == Validate::kTrust ? kept[i].zipPath == zipPath
                                                           : kept[i].archive.hostPath == hostPath;
            if (!same)
                continue;
            struct stat st;
            if (validate == Validate::kTrust ||
                (validate == Validate::kStat && stat(hostPath.c_str(), &st) == 0 &&
                 FileIdentity::Of(st) == kept[i].archive.identity)) {
                kept[i].zipPath = zipPath;
                std::rotate(kept.begin(), kept.begin() + i, kept.begin() + i + 1);
                *out = kept[0].archive;
                return kUnzipOk;
            }
            kept.erase(kept.begin() + i);
            break;
        }
    }
    if (hostPath.empty() && !ArchiveHostPath(zipPath, &hostPath, drives))
        return kUnzipFileNotFound;
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return kUnzipFileNotFound;
        *systemError = errno;
        return kUnzipReadError;
    }
    auto index = std::make_shared<ZipArchiveIndex>();
    if (int rc = ReadZipIndexFile(hostPath, index.get(), nullptr, systemError))
        return rc;
    out->hostPath = hostPath;
    out->identity = FileIdentity::Of(st);
    out->index = std::move(index);
    if (cache != nullptr) {
        std::vector<CacheEntry>& kept = cache->Kept().list;
        std::erase_if(kept, [&](const CacheEntry& e) {
            return e.archive.hostPath == hostPath || e.zipPath == zipPath;
        });
        kept.insert(kept.begin(), CacheEntry{zipPath, *out});
        if (kept.size() > ZipIndexCache::kCapacity)
            kept.pop_back();
    }
    return kUnzipOk;
}

// Drops the cached index of the archive named by zipPath (as given).
void ForgetArchive(ZipIndexCache* cache, const std::string& zipPath) {
    if (cache != nullptr)
        std::erase_if(cache->Kept().list,
                      [&](const CacheEntry& e) { return e.zipPath == zipPath; });
}

// Asks whether a split or spanned archive may be read. No callback: go on.
bool MultiVolumeAllowed(UnzipCommandRecord& record, const std::string& zipPath) {
    if (!record.messageCallback)
        return true;
    char reply[kZipReplySize] = {};
    const std::string text = "'" + zipPath + "' is a multi-volume archive.";
    return record.messageCallback(kMessageMultiVolume, 0, 0, 0, text.c_str(), reply,
                                  record.messageUser) == 0;
}

// --- member information --------------------------------------------------------

void FillItemRecord(const ZipMemberInfo& member, uint32_t index, ZipItemRecord* item) {
    std::memset(item, 0, sizeof *item);
    item->memberNumber = static_cast<uint16_t>(index);
    item->memberIndex = index;
    item->uncompressedSize = static_cast<uint32_t>(member.uncompressedSize);
    item->uncompressedHigh = static_cast<uint32_t>(member.uncompressedSize >> 32);
    item->compressedSize = static_cast<uint32_t>(member.compressedSize);
    item->compressedHigh = static_cast<uint32_t>(member.compressedSize >> 32);
    item->method = member.method;
    const unsigned day = member.dosDate & 0x1F;
    const unsigned month = (member.dosDate >> 5) & 0x0F;
    const unsigned year = 1980 + (member.dosDate >> 9);
    // Ten characters fill the field: a four-digit year leaves no room for
    // a NUL, and readers take the field's size as its bound.
    char date[16];
    std::snprintf(date, sizeof date, "%02u-%02u-%04u", month, day, year);
    std::memcpy(item->dateText, date, sizeof item->dateText);
    const unsigned hour = member.dosTime >> 11;
    const unsigned minute = (member.dosTime >> 5) & 0x3F;
    std::snprintf(item->timeText, sizeof item->timeText, "%02u:%02u", hour, minute);
    const std::string_view name = Utf8Prefix(member.name, kMaxPathName);
    std::memcpy(item->pathName, name.data(), name.size());
    item->attributes = member.dosAttributes | (member.encrypted ? kZipItemEncrypted : 0);
}

// --- extraction ----------------------------------------------------------------

// A descriptor closed on scope exit.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            Reset();
            m_fd = o.m_fd;
            o.m_fd = -1;
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int Release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset() {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

  private:
    int m_fd = -1;
};

std::string RandomSuffix() {
    uint8_t bytes[4];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != sizeof bytes) {
        static uint32_t counter = 0;
        uint32_t v = static_cast<uint32_t>(getpid()) * 2654435761u + ++counter;
        std::memcpy(bytes, &v, sizeof bytes);
    }
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

int CodeFromLibzip(int zipError) {
    switch (zipError) {
    case ZIP_ER_CRC:
        return kUnzipCrcError;
    case ZIP_ER_MEMORY:
        return kUnzipOutOfMemory;
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return kUnzipBadPassword;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
        return kUnzipUnknownMethod;
    case ZIP_ER_EOF:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return kUnzipUnexpectedEnd;
    case ZIP_ER_NOENT:
    case ZIP_ER_OPEN:
        return kUnzipFileNotFound;
    case ZIP_ER_MULTIDISK:
        return kUnzipVolumeItem;
    default:
        return kUnzipNotZip;
    }
}

int WriteErrorCode(const platform::SysError& err) {
    return err.sysErrno == ENOSPC || err.sysErrno == EDQUOT ? kUnzipDiskFull : kUnzipCreateOutput;
}

class Extractor {
  public:
    Extractor(UnzipCommandRecord& record, const LoadedArchive& archive)
        : m_record(record), m_archive(archive), m_index(*archive.index) {}
    ~Extractor() {
        if (m_zip)
            zip_discard(m_zip);
    }

    int Run();

  private:
    enum class Outcome { Extracted, Skipped, Refused, Fatal };

    bool Cancelled(bool cancel) {
        m_cancelled = m_cancelled || cancel;
        return m_cancelled;
    }
    // Keeps the first failure, with the errno behind it when the system's.
    void Refuse(int code, int sysErrno = 0) {
        if (m_firstError != kUnzipOk)
            return;
        m_firstError = code;
        if (sysErrno != 0)
            m_record.systemError = sysErrno;
    }
    // Refuses one member by name and says so, so the caller can name it;
    // the others go on.
    void RefuseMember(const ZipMemberInfo& member, int code);
    // Names the path and the reason behind the first failure (the message
    // callback's kMessageErrorDetail); later failures say nothing more.
    void Detail(const std::string& text);
    void Detail(const std::string& dosPath, const std::string& reason) {
        Detail("Cannot create '" + dosPath + "': " + reason);
    }
    void Detail(const std::string& dosPath, int errnoValue) {
        Detail(dosPath, std::string(std::strerror(errnoValue != 0 ? errnoValue : EIO)));
    }
    int PrepareDestination();
    std::vector<uint32_t> Select(int* error) const;
    bool CaseCollides(const std::vector<std::string>& components);
    // The directory that holds components[0..count-1] below the
    // destination, made when missing, never through a link; -1 on failure
    // with *code set.
    int OpenDirectory(const std::vector<std::string>& components, size_t count, int* code);
    std::string DosPathOf(const std::vector<std::string>& components) const;
    int OpenLibzip();
    // Opens libzip on source (taken over) and checks it sees the index's
    // members; error is finished.
    int OpenLibzipOn(zip_source_t* source, zip_error_t* error);
    Outcome ExtractMember(uint32_t index);
    Outcome WriteMember(uint32_t index, int dirFd, const std::string& leaf,
                        const std::string& dosPath, const std::vector<std::string>& components);

    UnzipCommandRecord& m_record;
    const LoadedArchive& m_archive;
    const ZipArchiveIndex& m_index;
    std::string m_destHost;
    std::string m_destDos;
    Fd m_destFd;
    std::string m_cachedDir; // relative directory of m_cachedDirFd ('/' separated)
    Fd m_cachedDirFd;
    std::unique_ptr<ZipArchiveFile> m_archiveFile; // libzip's source; outlives m_zip
    zip_t* m_zip = nullptr;
    std::unordered_map<std::string, std::string> m_folded; // lower-cased path -> as written
    // The destination does not tell names apart by case: two members whose
    // names differ only in case would land on one file.
    bool m_caseInsensitive = false;
    std::vector<char> m_buffer;
    int m_firstError = kUnzipOk;
    bool m_cancelled = false;
    bool m_skippedEncrypted = false;
    bool m_detailSent = false;
    size_t m_extracted = 0;
};

int Extractor::PrepareDestination() {
    if (!m_record.destination || !*m_record.destination)
        return kUnzipBadCommand;
    std::string destination = m_record.destination;
    if (destination[0] == '/') {
        m_destHost = destination;
        if (!platform::HostToDos(destination, &m_destDos, nullptr, *m_record.drives))
            m_destDos = destination;
    } else {
        if (!platform::DosToHost(destination, &m_destHost, nullptr, *m_record.drives))
            return kUnzipCreateOutput;
        m_destDos = destination;
    }
    while (m_destDos.size() > 3 && (m_destDos.back() == '\\' || m_destDos.back() == '/'))
        m_destDos.pop_back();
    // Make the missing directories of the destination itself.
    for (size_t slash = 1; slash <= m_destHost.size(); ++slash) {
        if (slash < m_destHost.size() && m_destHost[slash] != '/')
            continue;
        const std::string prefix = m_destHost.substr(0, slash);
        struct stat st;
        if (stat(prefix.c_str(), &st) == 0)
            continue;
        platform::SysError err;
        if (!platform::MakeDirectory(prefix, &err) && err.sysErrno != EEXIST) {
            Detail(m_destDos, err.sysErrno);
            m_record.systemError = err.sysErrno;
            return WriteErrorCode(err);
        }
    }
    int e = platform::fault::Check(platform::fault::Op::Open);
    if (e == 0) {
        m_destFd = Fd(open(m_destHost.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        e = m_destFd.get() < 0 ? errno : 0;
    }
    m_record.systemError = e;
    if (e != 0) {
        Detail("Cannot open '" + m_destDos + "': " + std::strerror(e));
        return kUnzipCreateOutput;
    }
    // DOS 8.3 names are upper case: they fold case whatever the disk does.
    m_caseInsensitive = (m_record.options & (kUnzipCaseInsensitiveTarget | kUnzipDosNames)) != 0 ||
                        platform::IsCaseInsensitiveDirectory(m_destFd.get());
    return kUnzipOk;
}

void Extractor::Detail(const std::string& text) {
    if (m_detailSent || m_firstError != kUnzipOk || !m_record.messageCallback)
        return;
    m_detailSent = true;
    char reply[kZipReplySize] = {};
    m_record.messageCallback(kMessageErrorDetail, 0, 0, 0, text.c_str(), reply,
                             m_record.messageUser);
}

void Extractor::RefuseMember(const ZipMemberInfo& member, int code) {
    Refuse(code);
    if (m_record.messageCallback) {
        char reply[kZipReplySize] = {};
        m_record.messageCallback(kMessageMemberRefused, code, 0, 0, member.name.c_str(), reply,
                                 m_record.messageUser);
    }
}

std::vector<uint32_t> Extractor::Select(int* error) const {
    std::vector<uint32_t> selected;
    *error = kUnzipOk;
    if (m_record.memberNames) {
        // Each member whose whole name is one of those given, exactly.
        std::unordered_set<std::string_view> wanted;
        for (const char* const* name = m_record.memberNames; *name; ++name)
            wanted.insert(*name);
        for (size_t i = 0; i < m_index.members.size(); ++i) {
            if (wanted.count(m_index.members[i].name) != 0)
                selected.push_back(static_cast<uint32_t>(i));
        }
        return selected;
    }
    const bool bySpec = m_record.fileSpec && *m_record.fileSpec;
    if (!bySpec && m_record.memberIndex >= 0) {
        if (static_cast<size_t>(m_record.memberIndex) >= m_index.members.size())
            *error = kUnzipIndexOutOfBounds;
        else
            selected.push_back(static_cast<uint32_t>(m_record.memberIndex));
        return selected;
    }
    MemberMatcher matcher(bySpec ? std::string_view(m_record.fileSpec) : std::string_view());
    for (size_t i = 0; i < m_index.members.size(); ++i) {
        if (matcher.Matches(m_index.members[i].name))
            selected.push_back(static_cast<uint32_t>(i));
    }
    return selected;
}

bool Extractor::CaseCollides(const std::vector<std::string>& components) {
    std::string path;
    std::string folded;
    for (const std::string& component : components) {
        if (!path.empty()) {
            path.push_back('/');
            folded.push_back('/');
        }
        path += component;
        for (char c : component)
            folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        auto [it, inserted] = m_folded.emplace(folded, path);
        if (!inserted && it->second != path)
            return true;
    }
    return false;
}

int Extractor::OpenDirectory(const std::vector<std::string>& components, size_t count, int* code) {
    std::string relative;
    for (size_t i = 0; i < count; ++i)
        relative += (i ? "/" : "") + components[i];
    if (relative.empty())
        return m_destFd.get();
    if (m_cachedDirFd.get() >= 0 && relative == m_cachedDir)
        return m_cachedDirFd.get();
    Fd current;
    int parent = m_destFd.get();
    for (size_t i = 0; i < count; ++i) {
        const char* name = components[i].c_str();
        int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            const int e = platform::fault::Check(platform::fault::Op::Mkdir);
            if (e != 0 || (mkdirat(parent, name, 0777) != 0 && errno != EEXIST)) {
                const int why = e != 0 ? e : errno;
                *code = why == ENOSPC || why == EDQUOT ? kUnzipDiskFull : kUnzipCreateOutput;
                Detail(DosPathOf(std::vector<std::string>(components.begin(),
                                                          components.begin() + i + 1)),
                       why);
                return -1;
            }
            fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (fd < 0) {
            // A file or a symbolic link where a directory belongs: never
            // written through.
            const int why = errno;
            const std::string shown =
                DosPathOf(std::vector<std::string>(components.begin(), components.begin() + i + 1));
            struct stat st;
            if (fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                Detail(shown, "it is a symbolic link, which extraction never follows");
            else if (why == ENOTDIR)
                Detail(shown, "it is a file, where a folder of the archive belongs");
            else
                Detail(shown, why);
            *code = kUnzipCreateOutput;
            return -1;
        }
        current = Fd(fd);
        parent = current.get();
    }
    m_cachedDir = relative;
    m_cachedDirFd = std::move(current);
    return m_cachedDirFd.get();
}

std::string Extractor::DosPathOf(const std::vector<std::string>& components) const {
    std::string path = m_destDos;
    for (const std::string& component : components) {
        if (path.empty() || (path.back() != '\\' && path.back() != '/'))
            path.push_back('\\');
        path += platform::HostNameToDos(component);
    }
    return path;
}

int Extractor::OpenLibzip() {
    if (m_zip)
        return kUnzipOk;
    // Decompress from the very file the index was read from: the archive
    // must not have changed since (a swapped file could hold overlapping
    // members that were never checked).
    int e = platform::fault::Check(platform::fault::Op::Open);
    Fd fd(e != 0 ? -1 : open(m_archive.hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0) {
        e = e != 0 ? e : errno;
        if (e == ENOENT || e == ENOTDIR)
            return kUnzipFileNotFound;
        m_record.systemError = e;
        return kUnzipReadError;
    }
    if (!(FileIdentity::Of(st) == m_archive.identity))
        return kUnzipNotZip;
    zip_error_t error;
    zip_error_init(&error);
    if (!m_index.badUtf8Headers.empty()) {
        // libzip refuses an archive with one name flagged UTF-8 that is
        // not: hide those flags from it.
        zip_source_t* masked =
            CreateMaskedSource(fd.Release(), m_index.archiveStart, m_index.badUtf8Headers, &error);
        if (!masked) {
            zip_error_fini(&error);
            return kUnzipOutOfMemory;
        }
        return OpenLibzipOn(masked, &error);
    }
    // The archive as libzip sees it starts after any stub in front. It is
    // read through a read-ahead cache with pread: a stdio stream costs
    // three seeks and a read for each member's local header.
    m_archiveFile = std::make_unique<ZipArchiveFile>(m_archive.hostPath);
    m_archiveFile->UseOpenFile(platform::File::Adopt(fd.Release(), m_archive.hostPath));
    m_archiveFile->SetArchiveStart(m_index.archiveStart, 0);
    zip_source_t* source = m_archiveFile->CreateSource(&error);
    if (!source) {
        zip_error_fini(&error);
        return kUnzipOutOfMemory;
    }
    return OpenLibzipOn(source, &error);
}

int Extractor::OpenLibzipOn(zip_source_t* source, zip_error_t* error) {
    m_zip = zip_open_from_source(source, ZIP_RDONLY, error);
    const int code = zip_error_code_zip(error);
    zip_error_fini(error);
    if (!m_zip) {
        zip_source_free(source); // closes the masked source's file
        return CodeFromLibzip(code);
    }
    if (static_cast<uint64_t>(zip_get_num_entries(m_zip, 0)) != m_index.members.size())
        return kUnzipNotZip;
    return kUnzipOk;
}

Extractor::Outcome Extractor::ExtractMember(uint32_t index) {
    const ZipMemberInfo& member = m_index.members[index];
    // "./" (bsdtar writes one) is the destination itself: nothing to make.
    if (IsRootMemberName(member.name))
        return Outcome::Skipped;
    if (member.nameInvalid) {
        RefuseMember(member, kUnzipInvalidName);
        return Outcome::Refused;
    }
    // The safety check splits at '\' too, whatever the host: the program's
    // own paths use it, so "..\x" must never reach them as a name.
    if (IsUnsafeMemberName(member.name)) {
        RefuseMember(member, kUnzipUnsafeName);
        return Outcome::Refused;
    }
    if (member.isSymlink) {
        RefuseMember(member, kUnzipSymlinkMember);
        return Outcome::Refused;
    }
    // The index has turned a DOS host's '\' separators into '/': any '\'
    // left is part of a name (Unix allows it).
    std::vector<std::string> components = MemberPathComponents(member.name, false);
    if (m_record.dropPaths) {
        if (member.isDirectory)
            return Outcome::Skipped;
        components.erase(components.begin(), components.end() - 1);
    }
    if (m_record.options & kUnzipDosNames) {
        for (std::string& component : components)
            component = DosShortName(component);
    }
    // Where case tells names apart, "Name.h" and "NAME.H" are two files and
    // each is written by its own name.
    if (m_caseInsensitive && CaseCollides(components)) {
        RefuseMember(member, kUnzipCaseCollision);
        return Outcome::Refused;
    }
    const std::string dosPath = DosPathOf(components);
    if (m_record.statusCallback &&
        Cancelled(
            m_record.statusCallback("", MemberNameToDos(member.name).c_str(), m_record.statusUser)))
        return Outcome::Fatal;
    int code = kUnzipOk;
    if (member.isDirectory) {
        if (OpenDirectory(components, components.size(), &code) < 0) {
            Refuse(code);
            return code == kUnzipDiskFull ? Outcome::Fatal : Outcome::Refused;
        }
        return Outcome::Skipped;
    }
    if (member.encrypted && !(m_record.usePassword && m_record.password)) {
        m_skippedEncrypted = true;
        if (m_record.messageCallback) {
            char reply[kZipReplySize] = {};
            m_record.messageCallback(kMessageEncryptedSkipped, 0, 0, 0, dosPath.c_str(), reply,
                                     m_record.messageUser);
        }
        return Outcome::Skipped;
    }
    const int dirFd = OpenDirectory(components, components.size() - 1, &code);
    if (dirFd < 0) {
        Refuse(code);
        return code == kUnzipDiskFull ? Outcome::Fatal : Outcome::Refused;
    }
    const std::string& leaf = components.back();
    struct stat st;
    const bool exists = fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        Detail(dosPath, "a folder of that name is in the way");
        Refuse(kUnzipCreateOutput);
        return Outcome::Refused;
    }
    // Newer means a later time than the file's, whose odd seconds a DOS
    // time cannot hold.
    const time_t memberTime = DosDateTimeToTime(member.dosDate, member.dosTime);
    const bool newer = !exists || memberTime > (st.st_mtim.tv_sec & ~static_cast<time_t>(1));
    if (m_record.freshen && (!exists || !newer))
        return Outcome::Skipped;
    if (m_record.update && !newer)
        return Outcome::Skipped;
    if (exists && !m_record.overwrite) {
        int answer = 0;
        if (m_record.messageCallback) {
            char reply[kZipReplySize] = {};
            const std::string text = "Overwrite '" + dosPath + "'?";
            answer = m_record.messageCallback(kMessageOverwrite, 0, 0, 0, text.c_str(), reply,
                                              m_record.messageUser);
        }
        if (answer != kAnswerYes)
            return Outcome::Skipped;
    }
    return WriteMember(index, dirFd, leaf, dosPath, components);
}

Extractor::Outcome Extractor::WriteMember(uint32_t index, int dirFd, const std::string& leaf,
                                          const std::string& dosPath,
                                          const std::vector<std::string>& components) {
    const ZipMemberInfo& member = m_index.members[index];
    if (int rc = OpenLibzip()) {
        Refuse(rc);
        return Outcome::Fatal;
    }
    zip_file_t* source = member.encrypted
                             ? zip_fopen_index_encrypted(m_zip, index, 0, m_record.password)
                             : zip_fopen_index(m_zip, index, 0);
    if (!source) {
        Refuse(CodeFromLibzip(zip_error_code_zip(zip_get_error(m_zip))));
        return Outcome::Refused;
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> sourceOwner(source, zip_fclose);

    // A new file is made under its own name, exclusively and never through
    // a link, and removed again when it fails. A file (or link) that is
    // there already is replaced only by a complete one: a temporary file,
    // hidden and exclusive in the target directory, renamed over it.
    // (Writing new files directly halves the cost of many small members.)
    platform::File out;
    platform::SysError err;
    const unsigned createFlags = platform::kOpenWrite | platform::kOpenCreate |
                                 platform::kOpenExclusive | platform::kOpenNoFollow;
    if (!out.OpenAt(dirFd, leaf, createFlags, &err, 0666) && err.sysErrno != EEXIST) {
        Detail(dosPath, err.sysErrno);
        Refuse(WriteErrorCode(err), err.sysErrno);
        return Outcome::Fatal;
    }
    std::string tempName; // empty: written under its own name
    const std::string stem(Utf8Prefix(leaf, 32));
    for (int attempt = 0; attempt < 100 && !out.IsOpen(); ++attempt) {
        tempName = "." + stem + "." + RandomSuffix() + "~vtmp";
        if (!out.OpenAt(dirFd, tempName, createFlags, &err, 0666) && err.sysErrno != EEXIST) {
            Detail(dosPath, err.sysErrno);
            Refuse(WriteErrorCode(err), err.sysErrno);
            return Outcome::Fatal;
        }
    }
    if (!out.IsOpen()) {
        Refuse(kUnzipCreateOutput);
        return Outcome::Fatal;
    }
    const std::string& written = tempName.empty() ? leaf : tempName;
    // The file written goes however this ends (memory running out
    // included) unless it is complete under the member's name.
    struct WrittenFileGuard {
        int dirFd;
        const std::string& name;
        bool named = false;
        ~WrittenFileGuard() {
            if (!named)
                unlinkat(dirFd, name.c_str(), 0);
        }
    } guard{dirFd, written};
    auto discard = [&] {
        out.Close();
        unlinkat(dirFd, written.c_str(), 0);
    };

    const std::string progressText = kExtractingPrefix + dosPath;
    if (m_buffer.empty())
        m_buffer.resize(kReadStep);
    uint64_t total = 0;
    int lastPercent = -1;
    while (true) {
        const zip_int64_t got = zip_fread(source, m_buffer.data(), m_buffer.size());
        if (got < 0) {
            const int zipError = zip_error_code_zip(zip_file_get_error(source));
            int code = CodeFromLibzip(zipError);
            // The traditional encryption checks a password against one byte,
            // so one wrong password in 256 gets through and decrypts into
            // garbage: a CRC or a decompression error on an encrypted member
            // means a wrong password, not a damaged archive.
            if (member.encrypted && (code == kUnzipCrcError || zipError == ZIP_ER_COMPRESSED_DATA ||
                                     zipError == ZIP_ER_ZLIB))
                code = kUnzipBadPassword;
            discard();
            Refuse(code);
            return Outcome::Refused;
        }
        if (got == 0)
            break;
        total += static_cast<uint64_t>(got);
        if (total > member.uncompressedSize) {
            discard();
            // Garbage from a wrong password that passed the one-byte check
            // may inflate past the size as well.
            Refuse(member.encrypted ? kUnzipBadPassword : kUnzipMemberTooLarge);
            return Outcome::Refused;
        }
        if (!out.Write(m_buffer.data(), static_cast<size_t>(got), &err)) {
            discard();
            Detail(dosPath, err.sysErrno);
            Refuse(WriteErrorCode(err), err.sysErrno);
            return Outcome::Fatal;
        }
        const int percent = static_cast<int>(std::clamp<uint64_t>(
            total * 100 / std::max<uint64_t>(member.uncompressedSize, 1), 1, 99));
        if (percent != lastPercent && m_record.progressCallback) {
            lastPercent = percent;
            if (Cancelled(m_record.progressCallback(progressText.c_str(), percent,
                                                    m_record.progressUser))) {
                discard();
                return Outcome::Fatal;
            }
        }
    }
    // AES members (method 99) carry no CRC of their own; libzip checks them.
    if (total != member.uncompressedSize) {
        discard();
        Refuse(member.encrypted ? kUnzipBadPassword : kUnzipCrcError);
        return Outcome::Refused;
    }

    // Mode and times from the member, set on the descriptor before the
    // file gets its name.
    struct stat st;
    if (fstat(out.Descriptor(), &st) == 0) {
        const mode_t created = st.st_mode & 0777;
        mode_t mode = created;
        const mode_t unixMode = (member.externalAttributes >> 16) & 0777;
        if (!IsDosHost(member.versionMadeBy) && (member.externalAttributes >> 16) != 0) {
            // The member's permissions, within what the umask allows; the
            // execute bits follow the read bits the umask allows.
            mode = unixMode & (created | ((created & 0444) >> 2));
        } else if (member.dosAttributes & platform::kAttrReadOnly) {
            mode = created & ~static_cast<mode_t>(0222);
        }
        if (mode != created)
            fchmod(out.Descriptor(), mode);
    }
    const time_t memberTime = DosDateTimeToTime(member.dosDate, member.dosTime);
    const timespec times[2] = {{memberTime, 0}, {memberTime, 0}};
    futimens(out.Descriptor(), times);
    if (!out.Close(&err)) {
        unlinkat(dirFd, written.c_str(), 0);
        Detail(dosPath, err.sysErrno);
        Refuse(WriteErrorCode(err), err.sysErrno);
        return Outcome::Fatal;
    }
    const int renameFault =
        tempName.empty() ? 0 : platform::fault::Check(platform::fault::Op::Rename);
    if (renameFault != 0 ||
        (!tempName.empty() && renameat(dirFd, tempName.c_str(), dirFd, leaf.c_str()) != 0)) {
        const int why = renameFault != 0 ? renameFault : errno;
        unlinkat(dirFd, tempName.c_str(), 0);
        Detail(dosPath, why);
        Refuse(kUnzipCreateOutput);
        return Outcome::Refused;
    }
    guard.named = true;
    // Hidden and system bits live in an extended attribute; a file system
    // without them keeps the file as it is.
    if (member.dosAttributes & (platform::kAttrHidden | platform::kAttrSystem)) {
        std::string hostPath = m_destHost;
        for (const std::string& component : components)
            hostPath += "/" + component;
        platform::SetAttributes(hostPath, member.dosAttributes & 0x27);
    }
    ++m_extracted;
    if (m_record.progressCallback &&
        Cancelled(m_record.progressCallback(progressText.c_str(), 100, m_record.progressUser)))
        return Outcome::Fatal;
    return Outcome::Extracted;
}

int Extractor::Run() {
    int selectError = kUnzipOk;
    const std::vector<uint32_t> selected = Select(&selectError);
    if (selectError)
        return selectError;
    if (selected.empty())
        return kUnzipNothingFound;
    if (m_index.multiVolume)
        return kUnzipVolumeItem; // libzip reads no split or spanned archive
    if (int rc = PrepareDestination())
        return rc;
    for (uint32_t index : selected) {
        const Outcome outcome = ExtractMember(index);
        if (m_cancelled)
            return kUnzipCancelled;
        if (outcome == Outcome::Fatal)
            return m_firstError ? m_firstError : kUnzipCreateOutput;
    }
    if (m_firstError)
        return m_firstError;
    // Skipped encrypted members make the run fail even when others were
    // written: the caller must not report a complete extract.
    if (m_skippedEncrypted)
        return m_extracted == 0 ? kUnzipNothingFound : kUnzipEncryptedSkipped;
    return kUnzipOk;
}

int RunUnzip(UnzipCommandRecord& record) {
    if (record.recordSize != kUnzipCommandRecordSize || !record.zipPath || !*record.zipPath ||
        record.drives == nullptr)
        return kUnzipBadCommand;
    const std::string zipPath = record.zipPath;
    switch (record.function) {
    case kUnzipOpen:
    case kUnzipCommentLength:
    case kUnzipReadComment:
    case kUnzipMemberInfo:
    case kUnzipExtract:
        break;
    default:
        return kUnzipBadCommand;
    }
    record.systemError = 0;
    LoadedArchive archive;
    try {
        // Member information for members after the first trusts the index
        // that the open (or member 0) validated: a directory read is one
        // snapshot, and 100,000 calls do not stat the file 100,000 times.
        // Extraction always parses again.
        const Validate validate = record.function == kUnzipExtract ? Validate::kFresh
                                  : record.function == kUnzipMemberInfo && record.memberIndex > 0
                                      ? Validate::kTrust
                                      : Validate::kStat;
        int systemError = 0;
        if (int rc = LoadArchive(record.indexCache, zipPath, *record.drives, &archive, validate,
                                 &systemError)) {
            record.systemError = systemError;
            return rc;
        }
    } catch (const std::bad_alloc&) {
        return kUnzipOutOfMemory;
    }
    const ZipArchiveIndex& index = *archive.index;
    if (index.multiVolume && (record.function == kUnzipOpen || record.function == kUnzipExtract) &&
        !MultiVolumeAllowed(record, zipPath))
        return kUnzipUserCancelled;

    switch (record.function) {
    case kUnzipOpen:
        record.count = static_cast<int32_t>(std::min<size_t>(index.members.size(), INT32_MAX));
        return kUnzipOk;
    case kUnzipCommentLength:
        record.count = static_cast<int32_t>(index.comment.size());
        return kUnzipOk;
    case kUnzipReadComment: {
        if (!record.commentBuffer || record.count <= 0)
            return kUnzipBadCommand;
        const std::string_view text =
            Utf8Prefix(index.comment, static_cast<size_t>(record.count) - 1);
        std::memcpy(record.commentBuffer, text.data(), text.size());
        record.commentBuffer[text.size()] = '\0';
        return kUnzipOk;
    }
    case kUnzipMemberInfo:
        if (!record.buffer)
            return kUnzipBadCommand;
        if (record.memberIndex < 0 ||
            static_cast<size_t>(record.memberIndex) >= index.members.size())
            return kUnzipIndexOutOfBounds;
        FillItemRecord(index.members[static_cast<size_t>(record.memberIndex)],
                       static_cast<uint32_t>(record.memberIndex),
                       static_cast<ZipItemRecord*>(record.buffer));
        if (record.memberName) {
            try {
                *record.memberName = index.members[static_cast<size_t>(record.memberIndex)].name;
            } catch (const std::bad_alloc&) {
                return kUnzipOutOfMemory;
            }
        }
        // A listing reads the members in order and ends with the last one:
        // the index is not kept beyond it, so an archive shown in a window
        // costs only its member entries (extraction reads it afresh).
        if (static_cast<size_t>(record.memberIndex) + 1 == index.members.size())
            ForgetArchive(record.indexCache, zipPath);
        return kUnzipOk;
    default:
        try {
            Extractor extractor(record, archive);
            return extractor.Run();
        } catch (const std::bad_alloc&) {
            return kUnzipOutOfMemory;
        }
    }
}

} // namespace

int UnzipEntry(UnzipCommandRecord& record) {
    // Memory running out anywhere in a call ends it with a result code,
    // never an exception into the caller.
    try {
        return RunUnzip(record);
    } catch (const std::bad_alloc&) {
        return kUnzipOutOfMemory;
    }
}

} // namespace vorlane::zip
