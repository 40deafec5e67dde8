#include "app/AppSettings.h"

#include "app/IUserParameterStore.h"
#include "platform/DosPath.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProgramDirs.h"

namespace vorlane::app {

namespace {

const char kAdvanced[] = "Advanced Settings";
const char kDrive[] = "Drive Settings";
const char kEditor[] = "Editor Settings";
const char kPath[] = "Path Settings";
const char kStartup[] = "Startup Settings";
const char kViewer[] = "Viewer Settings";
const char kWindow[] = "Window Settings";
const char kThumbnailSettings[] = "Thumbnail Settings";

constexpr int32_t kDefaultThumbnailWidth = 48;
constexpr int32_t kDefaultThumbnailHeight = 36;

bool ReadFlag(const platform::ProfileFile& ini, const char* section, const char* key, bool def) {
    return ini.GetInt(section, key, def ? 1 : 0) != 0;
}

void WriteFlag(platform::ProfileFile& ini, const char* section, const char* key, bool value) {
    ini.WriteInt(section, key, value ? 1 : 0);
}

void ReadThumbnailSettings(IUserParameterStore* store, AppSettings* s) {
    s->thumbnailWidth = kDefaultThumbnailWidth;
    s->thumbnailHeight = kDefaultThumbnailHeight;
    s->thumbnailTypes = {75, 6};
    std::vector<uint8_t> data;
    std::vector<int32_t> values;
    if (!store || !store->GetUserParameter(kThumbnailSettings, &data) ||
        !DecodeIntArray(data, &values))
        return;
    // A stored array too short to hold the size is lengthened with the
    // default size; the rest of it is the list of type ids.
    if (values.size() < 1)
        values.push_back(kDefaultThumbnailWidth);
    if (values.size() < 2)
        values.push_back(kDefaultThumbnailHeight);
    // A size that cannot be drawn falls back to the default.
    s->thumbnailWidth = values[0] > 0 ? values[0] : kDefaultThumbnailWidth;
    s->thumbnailHeight = values[1] > 0 ? values[1] : kDefaultThumbnailHeight;
    s->thumbnailTypes.assign(values.begin() + 2, values.end());
}

void ReadFonts(IUserParameterStore* store, AppSettings* s) {
    for (size_t i = 0; i < kFontCount; ++i) {
        FontSlot slot = static_cast<FontSlot>(i);
        s->fonts[i] = DefaultFont(slot);
        std::vector<uint8_t> data;
        if (store && store->GetUserParameter(FontParameterName(slot), &data))
            LogFont::Decode(data, &s->fonts[i]); // a record of another length is no font
    }
}

} // namespace

AppSettings AppSettings::Defaults() {
    AppSettings s;
    s.zipTempPath = platform::TempDirectory();
    for (size_t i = 0; i < kFontCount; ++i)
        s.fonts[i] = DefaultFont(static_cast<FontSlot>(i));
    return s;
}

std::string NormaliseShownDrives(const std::string& stored, const DrivePresence& present) {
    std::string drives = stored.size() == 26 ? stored : "abcdefghijklmnopqrstuvwxyz";
    for (size_t i = 0; i < 26; ++i) {
        if (!present[i] || drives[i] == '.')
            drives[i] = '.';
        else
            drives[i] = static_cast<char>('a' + i);
    }
    return drives;
}

void ReadAppSettings(const platform::ProfileFile& ini, const DrivePresence& present,
                     IUserParameterStore* store, AppSettings* s) {
    AppSettings d = AppSettings::Defaults();

    s->fileLaunch = ReadFlag(ini, kAdvanced, "File Launch", d.fileLaunch);
    s->minimizeOnLaunch = ReadFlag(ini, kAdvanced, "Minimize on Launch", d.minimizeOnLaunch);
    s->saveSettingsOnExit = ReadFlag(ini, kAdvanced, "Save Settings on Exit", d.saveSettingsOnExit);
    s->useTempDirForLaunch =
        ReadFlag(ini, kAdvanced, "Use Temp Dir For Launch", d.useTempDirForLaunch);
    s->fourDosDescriptions = ReadFlag(ini, kAdvanced, "4DOS Descriptions", d.fourDosDescriptions);
    s->automaticDragAndDrop =
        ReadFlag(ini, kAdvanced, "Automatic Drag-and-Drop Operations", d.automaticDragAndDrop);
    s->preserveTags = ReadFlag(ini, kAdvanced, "Preserve Tags", d.preserveTags);
    s->exitWithoutPrompting =
        ReadFlag(ini, kAdvanced, "Exit Without Prompting", d.exitWithoutPrompting);

    // Read whole (no length limit) so that a value one character too long
    // is seen as such rather than cut to 26.
    s->shownDrives = NormaliseShownDrives(ini.GetString(kDrive, "Drives", "", 0), present);

    s->useInternalEditor = ReadFlag(ini, kEditor, "Use Internal Editor", d.useInternalEditor);
    s->useExternalEditor = ReadFlag(ini, kEditor, "Use External Editor", d.useExternalEditor);
    s->editorCommandLine = ini.GetString(kEditor, "Command Line", d.editorCommandLine);
    if (s->editorCommandLine == "notepad %1")
        s->editorCommandLine = "notepad %file%";
    s->editorWorkDirectory = ini.GetString(kEditor, "Work Directory", d.editorWorkDirectory);

    s->zipTempPath = ini.GetString(kPath, "Zip Temp Path", d.zipTempPath);

    s->initialMode = ini.GetInt(kStartup, "Initial Mode", d.initialMode);
    if (s->initialMode < kModeNothing || s->initialMode > kModeReopenWindows)
        s->initialMode = kModeNothing;

    ReadThumbnailSettings(store, s);

    s->viewFilesInZipFiles =
        ReadFlag(ini, kViewer, "View Files In Zip Files", d.viewFilesInZipFiles);
    s->viewJpegFiles = ReadFlag(ini, kViewer, "View JPEG Files", d.viewJpegFiles);
    s->maxZipViewSizeKb =
        ini.GetInt(kViewer, "Max Size Of File In Zip File To View", d.maxZipViewSizeKb);
    s->autoTile = ReadFlag(ini, kWindow, "AutoTile", d.autoTile);

    ReadFonts(store, s);
}

bool WriteAppSettings(platform::ProfileFile& ini, const AppSettings& s,
                      IUserParameterStore* store) {
    bool stored = true;

    WriteFlag(ini, kAdvanced, "File Launch", s.fileLaunch);
    WriteFlag(ini, kAdvanced, "Minimize on Launch", s.minimizeOnLaunch);
    WriteFlag(ini, kAdvanced, "Save Settings on Exit", s.saveSettingsOnExit);
    WriteFlag(ini, kAdvanced, "Use Temp Dir For Launch", s.useTempDirForLaunch);
    WriteFlag(ini, kAdvanced, "4DOS Descriptions", s.fourDosDescriptions);
    WriteFlag(ini, kAdvanced, "Automatic Drag-and-Drop Operations", s.automaticDragAndDrop);
    WriteFlag(ini, kAdvanced, "Preserve Tags", s.preserveTags);
    WriteFlag(ini, kAdvanced, "Exit Without Prompting", s.exitWithoutPrompting);

    ini.WriteString(kDrive, "Drives", s.shownDrives);

    WriteFlag(ini, kEditor, "Use Internal Editor", s.useInternalEditor);
    WriteFlag(ini, kEditor, "Use External Editor", s.useExternalEditor);
    ini.WriteString(kEditor, "Command Line", s.editorCommandLine);
    ini.WriteString(kEditor, "Work Directory", s.editorWorkDirectory);

    ini.WriteString(kPath, "Zip Temp Path", s.zipTempPath);

    ini.WriteInt(kStartup, "Initial Mode", s.initialMode);

    if (store) {
        std::vector<int32_t> values{s.thumbnailWidth, s.thumbnailHeight};
        values.insert(values.end(), s.thumbnailTypes.begin(), s.thumbnailTypes.end());
        stored &= store->PutUserParameter(kThumbnailSettings, EncodeIntArray(values));
    }

    WriteFlag(ini, kViewer, "View Files In Zip Files", s.viewFilesInZipFiles);
    WriteFlag(ini, kViewer, "View JPEG Files", s.viewJpegFiles);
    ini.WriteInt(kViewer, "Max Size Of File In Zip File To View", s.maxZipViewSizeKb);

    WriteFlag(ini, kWindow, "AutoTile", s.autoTile);

    if (store) {
        for (size_t i = 0; i < kFontCount; ++i)
            stored &= store->PutUserParameter(FontParameterName(static_cast<FontSlot>(i)),
                                              s.fonts[i].Encode());
    }
    return stored;
}

bool DirectoryExists(const std::string& path, const platform::DriveMap& drives) {
    if (path.empty())
        return false;
    std::string host = path;
    bool isDos = path.size() >= 2 && path[1] == ':' &&
                 ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (isDos && !platform::DosToHost(path, &host, nullptr, drives))
        return false;
    if (!isDos && path[0] != '/')
        return false; // a relative host path depends on where we were started
    platform::FileEntry entry;
    return platform::StatEntry(host, &entry) && entry.isDirectory;
}

std::string CheckDrivesPage(const std::string& shownDrives) {
    for (char c : shownDrives)
        if (c != '.')
            return "";
    return "At least one drive must be selected to view!";
}

std::string CheckEditorPage(const std::string& workDirectory, const platform::DriveMap& drives) {
    if (workDirectory.empty() || DirectoryExists(workDirectory, drives))
        return "";
    return "Editor work directory is not valid!";
}

std::string CheckPathsPage(const std::string& zipTempPath, const platform::DriveMap& drives) {
    return DirectoryExists(zipTempPath, drives) ? "" : "Zip temp path is not valid!";
}

} // namespace vorlane::app
