// Plugs zip archives into the catalogue: installs the reader that fills
// zip directories (kind 2, 99, 100) from their archives and registers the
// makers of the archive drives CDriveZip (99) and CDriveMultiVolumeZip
// (100). The program calls it once at start-up, before any window logs a
// drive; calling it again does nothing.
#pragma once

namespace vorlane::zip {

void InstallZipSupport();

} // namespace vorlane::zip
