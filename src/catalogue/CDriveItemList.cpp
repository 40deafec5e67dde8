#include "catalogue/CDriveItemList.h"

#include "catalogue/CDriveIncremental.h"
#include "catalogue/CDriveZip.h"
#include "platform/DosPathText.h"

namespace vorlane::catalogue {

CDriveContainer* CDriveItemList::LogDrive(char letter, CDisplaySettings* settings) {
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    return LogDrive(std::string(1, letter) + ":", kDriveIncremental, settings);
}

CDriveContainer* CDriveItemList::LogDrive(const std::string& name, int kind,
                                          CDisplaySettings* settings) {
    std::unique_ptr<CDriveContainer> drive;
    if (kind == kDriveZip)
        drive = std::make_unique<CDriveZip>(m_env);
    else if (kind == kDriveMultiVolumeZip)
        drive = std::make_unique<CDriveMultiVolumeZip>(m_env);
    else
        drive = std::make_unique<CDriveIncremental>(m_env);
    drive->SetDisplaySettings(settings);
    if (!drive->Log(name))
        return nullptr;
    m_drives.push_back(std::move(drive));
    return m_drives.back().get();
}

bool CDriveItemList::Remove(CDriveContainer* drive) {
    for (auto it = m_drives.begin(); it != m_drives.end(); ++it) {
        if (it->get() == drive) {
            m_drives.erase(it);
            return true;
        }
    }
    return false;
}

CDriveContainer* CDriveItemList::Find(const std::string& name, int kind) const {
    const bool archive = kind == kDriveZip || kind == kDriveMultiVolumeZip;
    for (const auto& drive : m_drives) {
        if (archive ? drive->Kind() == kind && platform::CompareNoCase(drive->Name(), name) == 0
                    : drive->Kind() == kDriveIncremental &&
                          drive->DriveLetter() == platform::PathDriveLetter(name))
            return drive.get();
    }
    return nullptr;
}

CDriveContainer* CDriveItemList::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_drives[static_cast<size_t>(index)].get();
}

std::vector<CDriveItemList::DriveEntry> CDriveItemList::DriveEntries() const {
    std::vector<DriveEntry> entries;
    entries.reserve(m_drives.size());
    for (const auto& drive : m_drives)
        entries.push_back(
            {drive->DriveType().Type(), drive->Kind(), drive->DisplayName(), drive->Name()});
    return entries;
}

} // namespace vorlane::catalogue
