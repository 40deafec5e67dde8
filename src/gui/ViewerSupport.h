// What the viewer pane and the viewer windows take from the application:
// the viewing settings, the system temporary directory (when it exists),
// and a catalogue entry as the viewer's ViewEntry.
#pragma once

#include "app/AppSettings.h"
#include "viewers/CFileViewer.h"

#include <string>

namespace vorlane::catalogue {
class CFileContainer;
}
namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::gui {

// The application's settings (the defaults without an application).
app::AppSettings CurrentAppSettings();
viewers::ViewSettings ViewSettingsOf(const app::AppSettings& settings);
// The system temporary directory, "" when it is not a directory.
std::string ExistingTempDirectory();
// A plain file (its host path through drives) or a zip member.
viewers::ViewEntry ViewEntryOf(const catalogue::CFileContainer& file,
                               const platform::DriveMap& drives);

} // namespace vorlane::gui
