// The zip module's reading of a zip directory, shared by the reader that
// InstallZipSupport installs into the catalogue and by the archive drives
// (which word a refused multi-volume archive from the deferred error).
#pragma once

namespace vorlane::catalogue {
class CZipFileDirectory;
}

namespace vorlane::zip::detail {

// How the last ReadZipMembers ended, beyond its scan state.
struct ZipReadOutcome {
    int deferredError = 0; // 204 when a multi-volume archive was refused
    int unzipResult = 0;   // kUnzipReadError, kUnzipOutOfMemory, ...
    int systemError = 0;   // the errno behind kUnzipReadError
};

// Shows "Scanning zip '<name>'..." in the status bar of the directory's
// view, reads the members into directory (multi-volume archives allowed
// for kind 100) and returns the scan state. Memory running out gives
// kZipDamaged with kUnzipOutOfMemory, never an exception.
int ReadZipMembers(catalogue::CZipFileDirectory& directory);
// The outcome of the last ReadZipMembers.
ZipReadOutcome LastReadOutcome();

} // namespace vorlane::zip::detail
