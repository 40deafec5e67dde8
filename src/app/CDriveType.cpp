#include "app/CDriveType.h"

namespace vorlane::app {

namespace {

int UpperLetter(int letter) {
    if (letter >= 'a' && letter <= 'z')
        letter -= 'a' - 'A';
    return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

// Only the platform types a drive letter can stand for are taken over.
int TypeFromPlatform(int platformType) {
    switch (platformType) {
    case platform::kDriveRemovable:
    case platform::kDriveFixed:
    case platform::kDriveNetwork:
    case platform::kDriveCdrom:
    case platform::kDriveRam:
        return platformType;
    default:
        return CDriveType::kNone;
    }
}

} // namespace

CDriveType::CDriveType(int letter, const platform::DriveMap& drives, bool readLabel) {
    Set(letter, drives, readLabel);
}

CDriveType::CDriveType(int letter, bool readLabel) {
    Set(letter, readLabel);
}

CDriveType::CDriveType(int letter, const platform::DriveInfo& info, bool readLabel) {
    m_letter = UpperLetter(letter);
    if (m_letter == 0)
        return;
    m_type = TypeFromPlatform(info.type);
    if (m_type != kNone && m_letter != 'A' && m_letter != 'B' && info.compressed)
        m_type = kCompressed;
    if (readLabel && m_type != kNone)
        m_volumeLabel = info.label;
}

void CDriveType::Set(int letter, const platform::DriveMap& drives, bool readLabel) {
    int upper = UpperLetter(letter);
    if (upper == 0) {
        *this = CDriveType();
        return;
    }
    *this = CDriveType(
        upper, platform::QueryDrive(static_cast<char>(upper), drives, platform::SystemMountTable()),
        readLabel);
}

void CDriveType::Set(int letter, bool readLabel) {
    Set(letter, *platform::DriveMap::Current(), readLabel);
}

void CDriveType::ReadVolumeLabel(const platform::DriveMap& drives) {
    m_volumeLabel.clear();
    if (m_letter == 0 || m_type == kNone)
        return;
    m_volumeLabel =
        platform::QueryDrive(static_cast<char>(m_letter), drives, platform::SystemMountTable())
            .label;
}

void CDriveType::ReadVolumeLabel() {
    ReadVolumeLabel(*platform::DriveMap::Current());
}

const char* CDriveType::TypeName(int type) {
    switch (type) {
    case kFloppy:
        return "Floppy";
    case kHard:
        return "Hard";
    case kRam:
        return "Ram";
    case kNetwork:
        return "Network";
    case kCdrom:
        return "CDROM";
    case kSubstitute:
        return "Substitute";
    case kRemovable:
        return "Removable";
    case kRemote:
        return "Remote";
    case kCompressed:
        return "Compressed";
    default:
        return "Undefined";
    }
}

} // namespace vorlane::app
