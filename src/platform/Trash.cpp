#include "platform/Trash.h"

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/private/FsUtil.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform {

namespace {

constexpr size_t kNameMax = 255;
constexpr const char* kInfoSuffix = ".trashinfo";
constexpr size_t kInfoSuffixLength = 10;
// Longest name under files/, so that the info file's name still fits.
constexpr size_t kMaxTrashName = kNameMax - kInfoSuffixLength;
// Numbered names tried before random ones.
constexpr int kNumberedNames = 1000;
constexpr int kRandomNames = 100;

// A descriptor closed when the holder goes.
class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

std::string JoinPath(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return "";
    std::string result = resolved;
    std::free(resolved);
    return result;
}

// The nearest existing ancestor of path (path itself when it exists), resolved.
std::string ExistingAncestor(std::string path) {
    for (;;) {
        std::string real = RealPath(path);
        if (!real.empty())
            return real;
        if (path == "/" || path == ".")
            return "/";
        path = HostDirName(path);
    }
}

// Makes dir and its missing parents with mode 0700.
bool MakeDirectories(const std::string& dir, SysError* err) {
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        return SetError(err, ENOTDIR, "Cannot use the trash directory", dir);
    }
    std::string parent = HostDirName(dir);
    if (parent != dir && !MakeDirectories(parent, err))
        return false;
    if (int e = fault::Check(fault::Op::Mkdir))
        return SetError(err, e, "Cannot make the trash directory", dir);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return SetError(err, errno, "Cannot make the trash directory", dir);
    return true;
}

// A subdirectory of dirFd that is ours: made with 0700 when missing, and
// refused when it is a link, not a directory, or (when checkOwner) belongs
// to someone else. Returns an open descriptor or -1 with errno.
int OpenPrivateDir(int dirFd, const char* name, bool checkOwner) {
    if (int e = fault::Check(fault::Op::Mkdir)) {
        errno = e;
        return -1;
    }
    if (::mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST)
        return -1;
    int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (checkOwner && (::fstat(fd, &st) != 0 || st.st_uid != ::getuid())) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

std::string DeletionDate(std::time_t when) {
    struct tm local;
    if (::localtime_r(&when, &local) == nullptr)
        return "1970-01-01T00:00:00";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Splits a name into the part that keeps a number and the extension that
// follows it: "report.txt" -> "report", ".txt". Names starting with their
// only dot and directories have no extension.
void SplitExtension(const std::string& name, bool isDir, std::string* stem, std::string* ext) {
    size_t dot = name.rfind('.');
    if (isDir || dot == std::string::npos || dot == 0 || name.size() - dot > 32) {
        *stem = name;
        ext->clear();
    } else {
        *stem = name.substr(0, dot);
        *ext = name.substr(dot);
    }
}

// The n-th name tried for an item (n = 1 is its own name), shortened to
// fit kMaxTrashName.
std::string CandidateName(const std::string& stem, const std::string& ext, int n,
                          const std::string& random) {
    std::string tag;
    if (!random.empty())
        tag = "." + random;
    else if (n > 1)
        tag = "." + std::to_string(n);
    size_t room = kMaxTrashName - tag.size() - ext.size();
    return detail::Utf8Prefix(stem, room) + tag + ext;
}

struct Placement {
    std::string trashDir;
    std::string pathValue; // what Path= holds, before encoding
    bool followTrashLink;  // the home trash may be reached through a link
    bool checkOwner;
};

// Puts the item into one trash directory. EEXIST never comes back: a clash
// only moves on to the next name. On failure the errno of the failed step
// is in *failedErrno (EXDEV tells the caller to try another trash).
bool TrashInto(const std::string& itemPath, bool isDir, const Placement& where, std::time_t now,
               TrashedItem* item, int* failedErrno, SysError* err) {
    *failedErrno = 0;
    int openFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!where.followTrashLink)
        openFlags |= O_NOFOLLOW;
    Fd trash(::open(where.trashDir.c_str(), openFlags));
    if (trash.get() < 0) {
        *failedErrno = errno;
        return SetError(err, errno, "Cannot open the trash directory", where.trashDir);
    }
    Fd info(OpenPrivateDir(trash.get(), "info", false));
    if (info.get() < 0) {
        *failedErrno = errno;
        return SetError(err, errno, "Cannot open the trash directory",
                        JoinPath(where.trashDir, "info"));
    }
    Fd files(OpenPrivateDir(trash.get(), "files", false));
    if (files.get() < 0) {
        *failedErrno = errno;
        return SetError(err, errno, "Cannot open the trash directory",
                        JoinPath(where.trashDir, "files"));
    }

    std::string contents = "[Trash Info]\nPath=" + TrashPercentEncode(where.pathValue) +
                           "\nDeletionDate=" + DeletionDate(now) + "\n";
    std::string stem, ext;
    SplitExtension(HostBaseName(itemPath), isDir, &stem, &ext);

    for (int attempt = 1; attempt <= kNumberedNames + kRandomNames; ++attempt) {
        std::string random = attempt > kNumberedNames ? detail::RandomHex(8) : "";
        std::string name = CandidateName(stem, ext, attempt, random);
        std::string infoName = name + kInfoSuffix;
        std::string infoPath = JoinPath(where.trashDir, "info/" + infoName);

        // 1. The info file, made exclusively: its name is our claim on the name.
        File infoFile;
        SysError openErr;
        if (!infoFile.OpenAt(info.get(), infoName,
                             kOpenWrite | kOpenCreate | kOpenExclusive | kOpenNoFollow, &openErr,
                             0600)) {
            if (openErr.sysErrno == EEXIST)
                continue;
            *failedErrno = openErr.sysErrno;
            return SetError(err, openErr.sysErrno, "Cannot write the trash information", infoPath);
        }
        SysError writeErr;
        if (!infoFile.Write(contents, &writeErr) || !infoFile.Close(&writeErr)) {
            ::unlinkat(info.get(), infoName.c_str(), 0);
            *failedErrno = writeErr.sysErrno;
            return SetError(err, writeErr.sysErrno, "Cannot write the trash information", infoPath);
        }

        // 2. The item itself, never over anything already in files/.
        int e = fault::Check(fault::Op::Rename);
        if (e == 0)
            e = detail::RenameNoReplace(AT_FDCWD, itemPath.c_str(), files.get(), name.c_str());
        if (e == 0) {
            if (item) {
                item->trashDir = where.trashDir;
                item->trashName = name;
                item->filesPath = JoinPath(where.trashDir, "files/" + name);
                item->infoPath = infoPath;
            }
            return true;
        }
        ::unlinkat(info.get(), infoName.c_str(), 0);
        if (e == EEXIST)
            continue; // a stray item without info file holds the name
        *failedErrno = e;
        return SetError(err, e, "Cannot move to the trash", itemPath);
    }
    *failedErrno = EEXIST;
    return SetError(err, EEXIST, "No free name in the trash directory", where.trashDir);
}

// The trash directory of the mount whose top is topDir: $topdir/.Trash/$uid
// when $topdir/.Trash is a real sticky directory, else $topdir/.Trash-$uid.
// Returns "" with *err filled when neither can be used.
std::string TopDirTrash(const std::string& topDir, SysError* err) {
    std::string uid = std::to_string(::getuid());
    Fd top(::open(topDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (top.get() < 0) {
        SetError(err, errno, "Cannot open the top directory", topDir);
        return "";
    }
    struct stat st;
    if (::fstatat(top.get(), ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        Fd shared(::openat(top.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (shared.get() >= 0) {
            Fd mine(OpenPrivateDir(shared.get(), uid.c_str(), true));
            if (mine.get() >= 0)
                return JoinPath(topDir, ".Trash/" + uid);
        }
    }
    std::string own = ".Trash-" + uid;
    Fd mine(OpenPrivateDir(top.get(), own.c_str(), true));
    if (mine.get() < 0) {
        SetError(err, errno, "Cannot use the trash directory", JoinPath(topDir, own));
        return "";
    }
    return JoinPath(topDir, own);
}

} // namespace

std::string HomeTrashDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return JoinPath(data, "Trash");
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/')
        home = h;
    else if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    else
        home = "/";
    return JoinPath(home, ".local/share/Trash");
}

std::string MountTopDirectory(const std::string& dir) {
    std::string current = RealPath(dir);
    if (current.empty())
        return "/";
    constexpr unsigned kMask = STATX_MNT_ID | STATX_INO;
    struct statx here;
    if (::statx(AT_FDCWD, current.c_str(), 0, kMask, &here) != 0)
        return "/";
    while (current != "/") {
        if ((here.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
            (here.stx_attributes & STATX_ATTR_MOUNT_ROOT))
            return current;
        std::string parent = HostDirName(current);
        struct statx up;
        if (::statx(AT_FDCWD, parent.c_str(), 0, kMask, &up) != 0)
            return current;
        bool sameMount =
            (here.stx_mask & STATX_MNT_ID) && (up.stx_mask & STATX_MNT_ID)
                ? here.stx_mnt_id == up.stx_mnt_id
                : here.stx_dev_major == up.stx_dev_major && here.stx_dev_minor == up.stx_dev_minor;
        if (!sameMount)
            return current;
        current = parent;
        here = up;
    }
    return "/";
}

std::string TrashPercentEncode(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
        if (keep) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

bool MoveToTrash(const std::string& hostPath, SysError* err) {
    return MoveToTrash(hostPath, TrashOptions{}, nullptr, err);
}

bool MoveToTrash(const std::string& hostPath, const TrashOptions& options, TrashedItem* item,
                 SysError* err) {
    if (hostPath.empty())
        return SetDosError(err, kDosInvalidParameter, "No file named to move to the trash");
    std::string absolute = hostPath;
    if (absolute[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return SetError(err, errno, "Cannot move to the trash", hostPath);
        absolute = JoinPath(cwd, absolute);
    }
    std::string base = HostBaseName(absolute);
    if (base.empty() || base == "/" || base == "." || base == "..")
        return SetDosError(err, kDosInvalidParameter,
                           "Cannot move '" + hostPath + "' to the trash");
    struct stat st;
    std::string parent = RealPath(HostDirName(absolute));
    if (parent.empty() || ::lstat(JoinPath(parent, base).c_str(), &st) != 0)
        return SetError(err, errno, "Cannot move to the trash", hostPath);
    std::string itemPath = JoinPath(parent, base);
    bool isDir = S_ISDIR(st.st_mode);

    auto topDirOf = options.topDirOf ? options.topDirOf : MountTopDirectory;
    std::time_t now = options.now ? options.now() : std::time(nullptr);
    std::string homeTrash = options.homeTrash.empty() ? HomeTrashDirectory() : options.homeTrash;
    std::string itemTop = topDirOf(parent);
    if (item)
        *item = TrashedItem{};

    if (itemTop == topDirOf(ExistingAncestor(homeTrash))) {
        if (!MakeDirectories(homeTrash, err))
            return false;
        int failed = 0;
        if (TrashInto(itemPath, isDir, Placement{homeTrash, itemPath, true, false}, now, item,
                      &failed, err)) {
            if (item)
                item->inHomeTrash = true;
            return true;
        }
        if (failed != EXDEV)
            return false;
        // The home trash is on another mount after all (a bind mount): the
        // item goes to its own mount's trash instead of being copied.
    }

    std::string trashDir = TopDirTrash(itemTop, err);
    if (trashDir.empty())
        return false;
    // Path= is relative to the top directory, so the trash stays valid
    // wherever the file system is mounted next time.
    std::string relative = itemPath;
    if (itemTop == "/")
        relative = itemPath.substr(1);
    else if (itemPath.compare(0, itemTop.size() + 1, itemTop + "/") == 0)
        relative = itemPath.substr(itemTop.size() + 1);
    int failed = 0;
    return TrashInto(itemPath, isDir, Placement{trashDir, relative, false, true}, now, item,
                     &failed, err);
}

} // namespace vorlane::platform
