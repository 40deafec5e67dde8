// The letters Map Network Drive gave out, kept in the settings file.
//
// The letter's directory goes into section "Drive Map" (key the letter,
// value the host directory), where the drive map of the next run finds it.
// That section replaces the default map as a whole, so the first letter
// written into an empty section brings every letter of the map in force
// with it: mapping N: never loses C: and Z:.
//
// Section "Network Drives" remembers what each letter was given, one key
// per letter: "1,smb://server/share" for a location this program mounted
// (Disconnect unmounts it), "0,<target>" for a directory or a location
// that was mounted already (left mounted).
#pragma once

#include "platform/Drives.h"
#include "platform/Profile.h"

#include <string>
#include <vector>

namespace vorlane::app {

constexpr const char* kDriveMapSection = "Drive Map";
constexpr const char* kNetworkDrivesSection = "Network Drives";

struct NetworkDrive {
    char letter = 0;    // upper case
    std::string target; // what the user gave: a host directory or a location
    bool mountedByUs = false;
};

// The letters of "Network Drives", in letter order.
std::vector<NetworkDrive> ReadNetworkDrives(const platform::ProfileFile& ini);
// Records letter -> hostDir (see the top of the file); memory only.
void RecordNetworkDrive(platform::ProfileFile& ini, const platform::DriveMap& current,
                        const NetworkDrive& drive, const std::string& hostDir);
// Removes the letter from both sections; memory only.
void ForgetNetworkDrive(platform::ProfileFile& ini, char letter);
// The letters A to Z the map leaves free, upper case, in order.
std::vector<char> FreeDriveLetters(const platform::DriveMap& map);

} // namespace vorlane::app
