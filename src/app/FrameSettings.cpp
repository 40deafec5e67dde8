#include "app/FrameSettings.h"

#include "platform/Profile.h"

namespace vorlane::app {

namespace {
const char kGeneral[] = "General";
const char kDrive[] = "Drive Settings";
} // namespace

FrameSettings FrameSettings::Read(const platform::ProfileFile& ini) {
    FrameSettings f;
    f.top = ini.GetInt(kGeneral, "Window Top", f.top);
    f.left = ini.GetInt(kGeneral, "Window Left", f.left);
    f.width = ini.GetInt(kGeneral, "Window Width", f.width);
    f.height = ini.GetInt(kGeneral, "Window Height", f.height);
    f.displayDriveBar = ini.GetInt(kGeneral, "Display Drive Bar", 1) != 0;
    f.displayToolBar = ini.GetInt(kGeneral, "Display Tool Bar", 1) != 0;
    f.showMode = ini.GetInt(kGeneral, "Window ShowMode", f.showMode);
    f.driveBoxTop = ini.GetInt(kDrive, "Window Top", f.driveBoxTop);
    f.driveBoxLeft = ini.GetInt(kDrive, "Window Left", f.driveBoxLeft);
    return f;
}

void FrameSettings::Write(platform::ProfileFile& ini) const {
    ini.WriteInt(kGeneral, "Display Drive Bar", displayDriveBar ? 1 : 0);
    ini.WriteInt(kGeneral, "Display Tool Bar", displayToolBar ? 1 : 0);
    ini.WriteInt(kGeneral, "Window Top", top);
    ini.WriteInt(kGeneral, "Window Left", left);
    ini.WriteInt(kGeneral, "Window Width", width);
    ini.WriteInt(kGeneral, "Window Height", height);
    ini.WriteInt(kGeneral, "Window ShowMode", showMode);
    ini.WriteInt(kDrive, "Window Top", driveBoxTop);
    ini.WriteInt(kDrive, "Window Left", driveBoxLeft);
}

} // namespace vorlane::app
