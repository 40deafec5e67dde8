#include "app/NetworkDrives.h"

namespace vorlane::app {

std::vector<NetworkDrive> ReadNetworkDrives(const platform::ProfileFile& ini) {
    std::vector<NetworkDrive> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string value = ini.GetString(kNetworkDrivesSection, std::string(1, letter), "");
        if (value.size() < 3 || value[1] != ',' || (value[0] != '0' && value[0] != '1'))
            continue;
        drives.push_back({letter, value.substr(2), value[0] == '1'});
    }
    return drives;
}

void RecordNetworkDrive(platform::ProfileFile& ini, const platform::DriveMap& current,
                        const NetworkDrive& drive, const std::string& hostDir) {
    bool hasEntry = false;
    for (const std::string& key : ini.Keys(kDriveMapSection)) {
        const std::string value = ini.GetString(kDriveMapSection, key, "");
        hasEntry = hasEntry || (!value.empty() && value[0] == '/');
    }
    if (!hasEntry)
        for (char letter : current.Letters())
            ini.WriteString(kDriveMapSection, std::string(1, letter), current.Root(letter));
    const std::string key(1, static_cast<char>(drive.letter & ~0x20));
    ini.WriteString(kDriveMapSection, key, hostDir);
    ini.WriteString(kNetworkDrivesSection, key,
                    std::string(drive.mountedByUs ? "1," : "0,") + drive.target);
}

void ForgetNetworkDrive(platform::ProfileFile& ini, char letter) {
    const std::string key(1, static_cast<char>(letter & ~0x20));
    ini.DeleteKey(kDriveMapSection, key);
    ini.DeleteKey(kDriveMapSection, key + ":");
    ini.DeleteKey(kNetworkDrivesSection, key);
}

std::vector<char> FreeDriveLetters(const platform::DriveMap& map) {
    std::vector<char> free;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (map.Root(letter).empty())
            free.push_back(letter);
    return free;
}

} // namespace vorlane::app
