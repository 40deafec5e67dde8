#include "catalogue/CDriveItemList.h"

#include "catalogue/CDriveIncremental.h"
#include "platform/DosPathText.h"
#include "ui/UserInterface.h"

#include <map>

namespace vorlane::catalogue {

namespace {

std::map<int, CDriveItemList::Factory>& Factories() {
    static std::map<int, CDriveItemList::Factory> factories;
    return factories;
}

} // namespace

void CDriveItemList::RegisterKind(int kind, Factory factory) {
    Factories()[kind] = std::move(factory);
}

CDriveContainer* CDriveItemList::LogDrive(char letter, CDisplaySettings* settings) {
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    return LogDrive(std::string(1, letter) + ":", kDriveIncremental, settings);
}

CDriveContainer* CDriveItemList::LogDrive(const std::string& name, int kind,
                                          CDisplaySettings* settings) {
    std::unique_ptr<CDriveContainer> drive;
    if (kind == kDriveZip || kind == kDriveMultiVolumeZip) {
        auto factory = Factories().find(kind);
        if (factory == Factories().end()) {
            ui::Current().Message("Cannot open '" + name +
                                  "' as an archive: zip support is not available!");
            return nullptr;
        }
        drive = factory->second(m_env);
        if (!drive)
            return nullptr;
    } else {
        drive = std::make_unique<CDriveIncremental>(m_env);
    }
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
