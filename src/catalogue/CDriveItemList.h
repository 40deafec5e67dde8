// CDriveItemList: the drives a file manager window has logged, in the
// order they were logged. The window (its session) owns the list; the list
// owns the drive containers.
//
// Kind 1 makes a CDriveIncremental, kind 99 a CDriveZip and kind 100 a
// CDriveMultiVolumeZip (the archive drives, CDriveZip.h).
#pragma once

#include "catalogue/CDriveContainer.h"

#include <memory>
#include <string>
#include <vector>

namespace vorlane::catalogue {

class CDriveItemList {
  public:
    // One row of the drive list views.
    struct DriveEntry {
        int type = 0; // CDriveType code
        int kind = 0; // DriveKind
        std::string displayName;
        std::string name;
    };

    // env (borrowed, may be null) is handed to every drive made.
    explicit CDriveItemList(CCatalogueEnvironment* env = nullptr) : m_env(env) {}
    CDriveItemList(const CDriveItemList&) = delete;
    CDriveItemList& operator=(const CDriveItemList&) = delete;

    // Makes and logs the drive "x:" (letter upper-cased). Null when it
    // cannot be logged (the user has been told).
    CDriveContainer* LogDrive(char letter, CDisplaySettings* settings = nullptr);
    // Makes a drive of the kind (anything but 99 and 100 is a plain drive)
    // and has it log name. Null when logging fails; the container is then
    // deleted.
    CDriveContainer* LogDrive(const std::string& name, int kind,
                              CDisplaySettings* settings = nullptr);
    // Removes and deletes a drive; false when it is not in the list.
    bool Remove(CDriveContainer* drive);
    // The logged drive of that kind and name (names without regard to case).
    CDriveContainer* Find(const std::string& name, int kind) const;

    int Count() const { return static_cast<int>(m_drives.size()); }
    CDriveContainer* At(int index) const;
    std::vector<DriveEntry> DriveEntries() const;

  private:
    CCatalogueEnvironment* m_env;
    std::vector<std::unique_ptr<CDriveContainer>> m_drives;
};

} // namespace vorlane::catalogue
