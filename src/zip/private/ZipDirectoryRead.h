// The zip module's reading of a zip directory, shared by the reader that
// InstallZipSupport installs into the catalogue and by the archive drives
// (which word a refused multi-volume archive from the deferred error).
#pragma once

namespace vorlane::catalogue {
class CZipFileDirectory;
}

namespace vorlane::zip::detail {

// Shows "Scanning zip '<name>'..." in the status bar of the directory's
// view, reads the members into directory (multi-volume archives allowed
// for kind 100) and returns the scan state.
int ReadZipMembers(catalogue::CZipFileDirectory& directory);
// The deferred error of the last ReadZipMembers (0 when none).
int LastReadDeferredError();

} // namespace vorlane::zip::detail
