// CDriveType: the letter, type code and volume label of one drive letter.
//
// The type comes from the platform's view of the drive (platform::QueryDrive
// over the drive map given): removable 0x40, fixed 2, network 8, CD-ROM
// 0x10, RAM disk 4, anything else 0. A drive other than A and B whose file
// system compresses reports 0x100 ("Compressed") instead. A letter outside
// A to Z, or a letter with no drive behind it, has type 0. The volume label
// is read only when asked (the drive table at start-up skips it); "" when
// the drive has none or it cannot be read.
//
// A plain value: copy it freely. Anyone may make one.
#pragma once

#include "platform/Drives.h"

#include <string>

namespace vorlane::app {

class CDriveType {
  public:
    // Type codes (the same values as platform::DriveTypeCode).
    static constexpr int kNone = 0;
    static constexpr int kFloppy = 1;
    static constexpr int kHard = 2;
    static constexpr int kRam = 4;
    static constexpr int kNetwork = 8;
    static constexpr int kCdrom = 0x10;
    static constexpr int kSubstitute = 0x20;
    static constexpr int kRemovable = 0x40;
    static constexpr int kRemote = 0x80;
    static constexpr int kCompressed = 0x100;

    // No drive: letter 0, type 0.
    CDriveType() = default;
    // Describes letter (either case) through the drive map and the system
    // mount table; reads the volume label when readLabel is set.
    CDriveType(int letter, const platform::DriveMap& drives, bool readLabel = true);
    // The same through the front end's current map (for the front ends).
    explicit CDriveType(int letter, bool readLabel = true);
    // Describes letter from what the platform reported for it.
    CDriveType(int letter, const platform::DriveInfo& info, bool readLabel);

    // Describes another letter (as the constructor does).
    void Set(int letter, const platform::DriveMap& drives, bool readLabel = true);
    void Set(int letter, bool readLabel = true);
    // Reads the volume label again.
    void ReadVolumeLabel(const platform::DriveMap& drives);
    void ReadVolumeLabel();

    // Upper-case letter, or 0 for a letter outside A to Z.
    int Letter() const { return m_letter; }
    int Type() const { return m_type; }
    bool Exists() const { return m_type != kNone; }
    const std::string& VolumeLabel() const { return m_volumeLabel; }
    // "Floppy", "Hard", ... for this drive's type.
    const char* TypeName() const { return TypeName(m_type); }
    // The display name of a type code; "Undefined" for any other value.
    static const char* TypeName(int type);

  private:
    int m_letter = 0;
    int m_type = kNone;
    std::string m_volumeLabel;
};

} // namespace vorlane::app
