#include "platform/SysError.h"

#include "PlatformTestUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace vorlane::platform {
namespace {

// 4000 is no errno at all.
TEST(SysErrorTest, MapsEveryErrnoThroughTheOneTable) {
    const std::pair<int, int> cases[] = {
        {0, kDosSuccess},
        {ENOENT, kDosFileNotFound},
        {EACCES, kDosAccessDenied},
        {EPERM, kDosAccessDenied},
        {EISDIR, kDosAccessDenied},
        {EEXIST, kDosFileExists},
        {ENOSPC, kDosDiskFull},
        {EDQUOT, kDosDiskFull},
        {EFBIG, kDosDiskFull},
        {EROFS, kDosWriteProtect},
        {ENOTEMPTY, kDosDirNotEmpty},
        {ENOTDIR, kDosPathNotFound},
        {ELOOP, 161},
        {ESTALE, 55},
        {EILSEQ, kDosInvalidName},
        {EMFILE, kDosTooManyOpenFiles},
        {ENFILE, kDosTooManyOpenFiles},
        {EBUSY, kDosSharingViolation},
        {ETXTBSY, kDosSharingViolation},
        {EXDEV, kDosNotSameDevice},
        {EINVAL, kDosInvalidParameter},
        {ENAMETOOLONG, kDosBufferOverflow},
        {EIO, kDosGenFailure},
        {ENOMEM, kDosNotEnoughMemory},
        {EBADF, kDosInvalidHandle},
        {ESPIPE, kDosSeek},
        {EPIPE, kDosBrokenPipe},
        {EWOULDBLOCK, kDosLockViolation},
        {ENOTSUP, kDosNotSupported},
        {ENOMEDIUM, kDosNotReady},
        {ENODEV, kDosInvalidDrive},
        {4000, kDosGenFailure},
    };
    for (const auto& [errnoValue, dosCode] : cases)
        EXPECT_EQ(DosErrorFromErrno(errnoValue), dosCode) << "errno " << errnoValue;
    EXPECT_EQ(DosErrorFromErrno(ENOENT, true), kDosPathNotFound);
}

TEST(SysErrorTest, ErrorNamesOperationPathAndReasonAndTellsAMissingFileFromAMissingPath) {
    SysError err;
    EXPECT_FALSE(SetError(&err, EACCES, "Cannot open", "/x/y.txt"));
    EXPECT_EQ(err.message, "Cannot open '/x/y.txt': Permission denied");
    EXPECT_FALSE(SetError(nullptr, EIO, "Cannot read", "/x")); // a null record is allowed

    test::TempDir dir;
    test::WriteFile(dir / "plain", "x");
    // ENOENT is a missing path when the entry's directory is gone too.
    const std::pair<std::string, int> cases[] = {{dir / "absent.txt", kDosFileNotFound},
                                                 {dir / "absent/file.txt", kDosPathNotFound},
                                                 {dir / "plain/file.txt", kDosPathNotFound}};
    for (const auto& [path, dosCode] : cases) {
        EXPECT_TRUE(FailedWith(SetError(&err, ENOENT, "Cannot open", path), err, dosCode)) << path;
    }
}

} // namespace
} // namespace vorlane::platform
