// The platform layer's error record and the one mapping from system error
// numbers (errno) to the DOS error codes that the rest of the program shows.
//
// Every platform call that can fail takes a SysError* (may be null) and
// returns false after filling it. The text is made where the path and the
// operation are known: "<what> '<path>': <strerror>".
#pragma once

#include <string>

namespace vorlane::platform {

// DOS error codes the platform produces. The texts for them live with the
// file operation engine's error table.
enum DosError : int {
    kDosSuccess = 0,
    kDosInvalidFunction = 1,
    kDosFileNotFound = 2,
    kDosPathNotFound = 3,
    kDosTooManyOpenFiles = 4,
    kDosAccessDenied = 5,
    kDosInvalidHandle = 6,
    kDosNotEnoughMemory = 8,
    kDosInvalidDrive = 15,
    kDosCurrentDirectory = 16,
    kDosNotSameDevice = 17,
    kDosNoMoreFiles = 18,
    kDosWriteProtect = 19,
    kDosNotReady = 21,
    kDosSeek = 25,
    kDosWriteFault = 29,
    kDosReadFault = 30,
    kDosGenFailure = 31,
    kDosSharingViolation = 32,
    kDosLockViolation = 33,
    kDosHandleDiskFull = 39,
    kDosNotSupported = 50,
    kDosFileExists = 80,
    kDosCannotMake = 82,
    kDosInvalidParameter = 87,
    kDosBrokenPipe = 109,
    kDosOpenFailed = 110,
    kDosBufferOverflow = 111, // file name too long
    kDosDiskFull = 112,
    kDosInvalidName = 123,
    kDosDirNotEmpty = 145,
    kDosBusy = 170,
    kDosAlreadyExists = 183,
    kDosFilenameExceedRange = 206,
};

// Maps errno to a DOS error code. ENOENT maps to 2 (file not found) unless
// pathComponentMissing says a directory on the way was missing (3).
// Unknown values map to 31 (general failure).
int DosErrorFromErrno(int errnoValue, bool pathComponentMissing = false);

struct SysError {
    int dosCode = 0;     // DOS error code, 0 = none
    int sysErrno = 0;    // the errno behind it, 0 when the error is the program's own
    std::string message; // one sentence for the user

    // Empties the record; returns true.
    bool Clear() {
        dosCode = 0;
        sysErrno = 0;
        message.clear();
        return true;
    }
};

// Fills *err (when not null) from an errno value and returns false, so a
// failing call can end with `return SetError(err, errno, "Cannot open", path);`.
bool SetError(SysError* err, int errnoValue, const std::string& what, const std::string& path);
// Fills *err (when not null) with a DOS code and a text of the program's own.
bool SetDosError(SysError* err, int dosCode, const std::string& message);

} // namespace vorlane::platform
