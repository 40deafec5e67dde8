#include "platform/SysError.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace vorlane::platform {
namespace {

TEST(SysErrorTest, MapsEveryErrnoThroughTheOneTable) {
    const struct {
        const char* name;
        int errnoValue, dosCode;
    } cases[] = {
        {"none", 0, kDosSuccess},
        {"missing file", ENOENT, kDosFileNotFound},
        {"no permission", EACCES, kDosAccessDenied},
        {"not permitted", EPERM, kDosAccessDenied},
        {"is a directory", EISDIR, kDosAccessDenied},
        {"exists", EEXIST, kDosFileExists},
        {"disk full", ENOSPC, kDosDiskFull},
        {"quota", EDQUOT, kDosDiskFull},
        {"file too large", EFBIG, kDosDiskFull},
        {"read-only file system", EROFS, kDosWriteProtect},
        {"directory not empty", ENOTEMPTY, kDosDirNotEmpty},
        {"process out of handles", EMFILE, kDosTooManyOpenFiles},
        {"system out of handles", ENFILE, kDosTooManyOpenFiles},
        {"busy", EBUSY, kDosSharingViolation},
        {"text busy", ETXTBSY, kDosSharingViolation},
        {"other device", EXDEV, kDosNotSameDevice},
        {"name too long", ENAMETOOLONG, kDosBufferOverflow},
        {"invalid", EINVAL, kDosInvalidParameter},
        {"i/o", EIO, kDosGenFailure},
        {"not a directory", ENOTDIR, kDosPathNotFound},
        {"link loop", ELOOP, 161},
        {"no memory", ENOMEM, kDosNotEnoughMemory},
        {"bad descriptor", EBADF, kDosInvalidHandle},
        {"unseekable", ESPIPE, kDosSeek},
        {"broken pipe", EPIPE, kDosBrokenPipe},
        {"would block", EWOULDBLOCK, kDosLockViolation},
        {"not supported", ENOTSUP, kDosNotSupported},
        {"no medium", ENOMEDIUM, kDosNotReady},
        {"no device", ENODEV, kDosInvalidDrive},
        {"bad byte sequence", EILSEQ, kDosInvalidName},
        {"stale handle", ESTALE, 55},
        {"unknown number", 4000, kDosGenFailure},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DosErrorFromErrno(c.errnoValue), c.dosCode) << c.name;
    EXPECT_EQ(DosErrorFromErrno(ENOENT, true), kDosPathNotFound);
}

TEST(SysErrorTest, MissingEntryIsAMissingPathWhenItsDirectoryIsGone) {
    test::TempDir dir;
    SysError err;
    EXPECT_FALSE(SetError(&err, ENOENT, "Cannot open", dir / "absent.txt"));
    EXPECT_EQ(err.dosCode, kDosFileNotFound);
    EXPECT_FALSE(SetError(&err, ENOENT, "Cannot open", dir / "absent/file.txt"));
    EXPECT_EQ(err.dosCode, kDosPathNotFound);
    test::WriteFile(dir / "plain", "x");
    EXPECT_FALSE(SetError(&err, ENOENT, "Cannot open", dir / "plain/file.txt"));
    EXPECT_EQ(err.dosCode, kDosPathNotFound);
}

TEST(SysErrorTest, TextNamesTheOperationThePathAndTheSystemReason) {
    SysError err;
    SetError(&err, EACCES, "Cannot open", "/x/y.txt");
    EXPECT_EQ(err.message, "Cannot open '/x/y.txt': Permission denied");

    EXPECT_FALSE(SetError(nullptr, EIO, "Cannot read", "/x")); // a null record is allowed
}

} // namespace
} // namespace vorlane::platform
