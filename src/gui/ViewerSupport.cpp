#include "gui/ViewerSupport.h"

#include "app/VorlaneApp.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CZipFileInfo.h"
#include "platform/DosPath.h"
#include "platform/ProgramDirs.h"

#include <sys/stat.h>

namespace vorlane::gui {

app::AppSettings CurrentAppSettings() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    return a ? a->Settings() : app::AppSettings::Defaults();
}

viewers::ViewSettings ViewSettingsOf(const app::AppSettings& settings) {
    viewers::ViewSettings view;
    view.viewFilesInZipFiles = settings.viewFilesInZipFiles;
    view.viewJpegFiles = settings.viewJpegFiles;
    view.maxZipViewSizeKb = settings.maxZipViewSizeKb;
    view.zipTempPath = settings.zipTempPath;
    return view;
}

std::string ExistingTempDirectory() {
    const std::string temp = platform::TempDirectory();
    struct stat st;
    return ::stat(temp.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? temp : "";
}

viewers::ViewEntry ViewEntryOf(const catalogue::CFileContainer& file,
                               const platform::DriveMap& drives) {
    viewers::ViewEntry entry;
    entry.name = file.Name();
    entry.size = file.Size();
    const auto* member =
        file.IsArchiveMember() ? dynamic_cast<const catalogue::CZipFileInfo*>(&file) : nullptr;
    if (member == nullptr) {
        platform::DosToHost(file.FullPath(), &entry.hostPath, nullptr, drives);
        return entry;
    }
    entry.zipMember = true;
    entry.attributeWord = member->AttributeWord();
    entry.memberName = std::string(member->RealName());
    if (const catalogue::CZipFileDirectory* zip = member->ZipDirectory()) {
        entry.zipPath = zip->ZipPath();
        entry.multiVolume = zip->Kind() == catalogue::kDirectoryZipMultiVolume;
    }
    return entry;
}

} // namespace vorlane::gui
