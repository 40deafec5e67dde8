#include "platform/SysError.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace vorlane::platform {

namespace {

struct ErrnoMapping {
    int errnoValue;
    int dosCode;
};

// The one table from system errors to the program's DOS codes. ENOENT is
// handled before the table (file or path not found). Errors that have no
// close DOS relative fall through to general failure (31).
constexpr ErrnoMapping kErrnoToDos[] = {
    {EPERM, kDosAccessDenied},
    {EACCES, kDosAccessDenied},
    {EISDIR, kDosAccessDenied},
    {EROFS, kDosWriteProtect},
    {EEXIST, kDosFileExists},
    {ENOTEMPTY, kDosDirNotEmpty},
    {ENOTDIR, kDosPathNotFound},
    {ELOOP, 161}, // "The specified path is invalid."
    {ENAMETOOLONG, kDosBufferOverflow},
    {EILSEQ, kDosInvalidName},
    {ENOSPC, kDosDiskFull},
    {EDQUOT, kDosDiskFull},
    {EFBIG, kDosDiskFull}, // the file system's largest file size is reached
    {EMFILE, kDosTooManyOpenFiles},
    {ENFILE, kDosTooManyOpenFiles},
    {EBUSY, kDosSharingViolation},
    {ETXTBSY, kDosSharingViolation},
    {EAGAIN, kDosLockViolation}, // a lock held elsewhere (EWOULDBLOCK is the same value)
    {EDEADLK, kDosLockViolation},
    {ENOLCK, 36}, // "Sharing buffer overflow." (the lock table is full)
    {EXDEV, kDosNotSameDevice},
    {EINVAL, kDosInvalidParameter},
    {EFAULT, kDosInvalidParameter},
    {ERANGE, kDosInvalidParameter},
    {EOVERFLOW, kDosInvalidParameter},
    {EIO, kDosGenFailure},
    {ENOMEM, kDosNotEnoughMemory},
    {EBADF, kDosInvalidHandle},
    {ESPIPE, kDosSeek},
    {EPIPE, kDosBrokenPipe},
    {ENODEV, kDosInvalidDrive},
    {ENXIO, kDosNotReady},
    {ENOMEDIUM, kDosNotReady},
    {EMEDIUMTYPE, 26}, // "Unknown media type (non-DOS disk)."
    {ENOSYS, kDosInvalidFunction},
    {ENOTTY, kDosInvalidFunction},
    {ENOTSUP, kDosNotSupported}, // EOPNOTSUPP is the same value on Linux
    {ENOEXEC, 11},               // "Format invalid."
    {E2BIG, 10},                 // "Environment invalid (usually >32K in length)."
    {ESTALE, 55},                // "Network device no longer exists."
    {ENOTCONN, 55},
    {ECONNREFUSED, 51}, // "Remote computer not listening."
    {EHOSTDOWN, 51},
    {EHOSTUNREACH, 51},
    {ENETDOWN, 59}, // "Unexpected network error."
    {ENETUNREACH, 59},
    {ECONNRESET, 59},
    {ETIMEDOUT, 59},
    {EREMOTEIO, 59},
};

std::string ErrnoText(int errnoValue) {
    char buffer[256];
    // GNU strerror_r: returns a pointer to the text, which may or may not be buffer.
    const char* text = ::strerror_r(errnoValue, buffer, sizeof buffer);
    return text ? text : "Unknown error";
}

// True when the directory that would hold path does not exist (or is not a
// directory), so a missing entry is a missing path rather than a missing file.
bool ParentMissing(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return false;
    std::string parent = path.substr(0, slash);
    struct stat st;
    return ::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

} // namespace

int DosErrorFromErrno(int errnoValue, bool pathComponentMissing) {
    if (errnoValue == 0)
        return kDosSuccess;
    if (errnoValue == ENOENT)
        return pathComponentMissing ? kDosPathNotFound : kDosFileNotFound;
    for (const ErrnoMapping& m : kErrnoToDos) {
        if (m.errnoValue == errnoValue)
            return m.dosCode;
    }
    return kDosGenFailure;
}

bool SetError(SysError* err, int errnoValue, const std::string& what, const std::string& path) {
    if (err == nullptr)
        return false;
    bool pathMissing = errnoValue == ENOENT && ParentMissing(path);
    err->sysErrno = errnoValue;
    err->dosCode = DosErrorFromErrno(errnoValue, pathMissing);
    err->message = what;
    if (!path.empty())
        err->message += " '" + path + "'";
    err->message += ": " + ErrnoText(errnoValue);
    return false;
}

bool SetDosError(SysError* err, int dosCode, const std::string& message) {
    if (err == nullptr)
        return false;
    err->dosCode = dosCode;
    err->sysErrno = 0;
    err->message = message;
    return false;
}

} // namespace vorlane::platform
