#include "app/VorlaneApp.h"

#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProgramDirs.h"
#include "ui/UserInterface.h"

#include <cerrno>
#include <unistd.h>

namespace vorlane::app {

namespace {

VorlaneApp* g_app = nullptr;

const CDriveType kNoDrive;

int LetterIndex(int letter) {
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A';
    return -1;
}

// The executable's path with its extension replaced by ".hlp"; an
// executable without one (the usual case here) gets ".hlp" appended.
std::string HelpPathFor(const std::string& executable) {
    if (executable.empty())
        return platform::JoinHostPath(platform::ProgramDirectory(), "vorlane.hlp");
    size_t slash = executable.rfind('/');
    size_t dot = executable.rfind('.');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (dot != std::string::npos && dot > nameStart)
        return executable.substr(0, dot) + ".hlp";
    return executable + ".hlp";
}

} // namespace

const char VorlaneApp::kDatabaseOpenFailed[] =
    "Unable to create/open Vorlane object database! "
    "Vorlane currently only supports one instance of itself "
    "(or one user). This limitation will be removed in the near future.";

VorlaneApp::VorlaneApp(AppServices services)
    : m_services(std::move(services)),
      m_ui(m_services.ui != nullptr ? m_services.ui : &ui::Current()),
      m_drives(platform::DriveMap::Current()) {
    std::string windowsDir = platform::WindowsDirectory();
    m_settingsPath = platform::JoinHostPath(windowsDir, "VORLANE.INI");
    m_databasePath = platform::JoinHostPath(windowsDir, "VORLN32.DAT");
    m_helpPath = HelpPathFor(platform::ExecutablePath());
    m_processId = static_cast<int>(::getpid());
    m_settings = AppSettings::Defaults();
    g_app = this;
}

VorlaneApp::~VorlaneApp() {
    // A front end that never ran the shutdown still gets its settings saved
    // (but only settings that were read: never defaults over a file we
    // could not open).
    if (m_state == State::Running || m_state == State::Closing)
        FinishRun();
    if (m_database) {
        m_database->Close();
        m_database.reset();
    }
    if (g_app == this)
        g_app = nullptr;
}

VorlaneApp* VorlaneApp::Current() {
    return g_app;
}

ui::OperationOptions VorlaneApp::OperationOptions() const {
    ui::OperationOptions options;
    options.preserveTags = m_settings.preserveTags;
    options.fourDosDescriptions = m_settings.fourDosDescriptions;
    options.zipTempPath = m_settings.zipTempPath;
    options.automaticDragAndDrop = m_settings.automaticDragAndDrop;
    return options;
}

ui::OperationContext VorlaneApp::MakeContext(ui::UserInterface& ui, ui::ChangeSink* notices) const {
    return ui::OperationContext(ui, m_drives, OperationOptions(), notices);
}

ui::OperationContext VorlaneApp::DefaultContext() {
    if (const VorlaneApp* application = Current())
        return application->MakeContext(application->Ui());
    return ui::OperationContext(ui::Current(), platform::DriveMap::Current());
}

// --- start-up ---------------------------------------------------------------

bool VorlaneApp::Start(IMainFrame& frame, IStartupActions& actions, bool startedMinimised) {
    if (!OpenObjectDatabase())
        return false;
    SetUpMainWindow(frame);
    frame.ShowStartupNotice(m_name, m_version, m_settingsProblem);
    RunStartupAction(actions, startedMinimised);
    return true;
}

bool VorlaneApp::OpenObjectDatabase() {
    if (m_services.makeDatabase) {
        std::unique_ptr<IAppDatabase> db = m_services.makeDatabase();
        std::string error;
        if (!db || !db->Open(m_databasePath, kDatabaseMaxRecordSize, &error)) {
            // The fixed text, then the reason the database gave, if any.
            m_ui->Message(error.empty() ? std::string(kDatabaseOpenFailed)
                                        : kDatabaseOpenFailed + ("\n" + error));
            m_exitCode = kExitDatabaseFailed;
            m_state = State::Finished;
            return false;
        }
        m_database = std::move(db);
    }
    m_state = State::DatabaseOpen;
    return true;
}

void VorlaneApp::SetUpMainWindow(IMainFrame& frame) {
    platform::ProfileFile ini(m_settingsPath);
    platform::SysError err;
    // A missing file gives the defaults, silently. One that cannot be read
    // gives them too, but the user hears of it now (not after a whole
    // session on defaults), and the file is left alone for the run.
    bool readable = ini.Load(&err) || err.sysErrno == ENOTDIR;
    m_settingsProblem.clear();
    if (!readable)
        m_settingsProblem = "Unable to read the Vorlane settings file '" + m_settingsPath +
                            "': Vorlane runs with the default settings and leaves the file "
                            "as it is.\n" +
                            err.message;

    platform::SystemMountTable mounts;
    platform::DriveMap::SetCurrent(platform::DriveMap::Build(&ini, mounts));
    m_drives = platform::DriveMap::Current();
    BuildDriveTable();
    LoadSettings(ini);
    m_settingsLoaded = readable;
    frame.Create(ini);
    m_state = State::Running;
}

void VorlaneApp::BuildDriveTable() {
    m_settings.shownDrives.assign(26, '.');
    m_drivePresent.fill(0);
    m_driveTypes.clear();
    m_driveTypes.reserve(26);
    for (int letter = 'A'; letter <= 'Z'; ++letter) {
        CDriveType type(letter, *m_drives, false);
        if (type.Exists())
            m_drivePresent[letter - 'A'] = static_cast<char>(letter);
        m_driveTypes.push_back(type);
    }
}

void VorlaneApp::UseDriveMap(platform::DriveMap map) {
    const std::string shown = m_settings.shownDrives;
    std::array<char, 26> wasPresent = m_drivePresent;
    m_drives = std::make_shared<const platform::DriveMap>(map);
    platform::DriveMap::SetCurrent(std::move(map));
    BuildDriveTable();
    for (size_t i = 0; i < 26; ++i) {
        if (m_drivePresent[i] == 0)
            continue;
        const bool keep = wasPresent[i] != 0 && i < shown.size();
        m_settings.shownDrives[i] = keep ? shown[i] : static_cast<char>('a' + i);
    }
}

void VorlaneApp::LoadSettings(const platform::ProfileFile& ini) {
    if (m_services.habitabs)
        m_services.habitabs->Load(ini);
    DrivePresence present{};
    for (size_t i = 0; i < 26; ++i)
        present[i] = m_drivePresent[i] != 0;
    ReadAppSettings(ini, present, UserParameters(), &m_settings);
    m_savedWindows.clear();
    if (m_settings.initialMode == kModeReopenWindows)
        m_savedWindows = ReadSavedWindows(ini, *m_drives);
}

void VorlaneApp::RunStartupAction(IStartupActions& actions, bool startedMinimised) {
    if (startedMinimised)
        return;
    switch (m_settings.initialMode) {
    case kModeLogDriveDialog:
        actions.ShowLogDriveDialog();
        break;
    case kModeLogCurrentDrive:
        actions.LogCurrentDrive();
        break;
    case kModeNewArchive:
        actions.NewArchive();
        break;
    case kModeOpenArchive:
        actions.OpenArchive();
        break;
    case kModeReopenWindows:
        for (const SavedWindow& w : m_savedWindows)
            actions.OpenSavedWindow(w);
        break;
    default:
        break;
    }
}

// --- shutdown ---------------------------------------------------------------

bool VorlaneApp::CloseQuery(IMainFrame& frame, bool askUser) {
    if (!frame.CanCloseAllWindows())
        return false;
    if (askUser && !m_settings.exitWithoutPrompting && !m_ui->AskYesNo(kExitQuestion, kExitCaption))
        return false;
    BeginClosing();
    if (m_closingIni && m_settings.initialMode == kModeReopenWindows &&
        frame.HasFileManagerWindows())
        WriteSavedWindows(*m_closingIni, frame.OpenFileManagerWindows());
    return true;
}

int VorlaneApp::Shutdown(IMainFrame& frame) {
    BeginClosing(); // when no close query ran
    if (m_state == State::Closing && m_closingIni)
        frame.CleanUp(*m_closingIni);
    FinishRun();
    return m_exitCode;
}

void VorlaneApp::BeginClosing() {
    if (m_state != State::Running)
        return;
    m_state = State::Closing;
    // A file that could not be read at start gets nothing written over it;
    // the start-up notice said so.
    if (!m_settingsLoaded)
        return;
    // The file as it is now (dialogs may have written their sections since
    // the start) is the base of the one rewrite at exit.
    m_closingIni = std::make_unique<platform::ProfileFile>(m_settingsPath);
    if (!LoadForWrite(m_closingIni.get()))
        m_closingIni.reset();
}

void VorlaneApp::FinishRun() {
    BeginClosing();
    if (m_closingIni && m_settingsLoaded) {
        WriteSettingsTo(*m_closingIni);
        Flush(*m_closingIni);
    }
    m_closingIni.reset();
    if (!m_temporaryViewFile.empty()) {
        platform::DeleteFile(m_temporaryViewFile);
        m_temporaryViewFile.clear();
    }
    if (m_database) {
        m_database->Close();
        m_database.reset();
    }
    m_state = State::Finished;
}

// --- settings ---------------------------------------------------------------

bool VorlaneApp::LoadForWrite(platform::ProfileFile* ini) {
    platform::SysError err;
    if (ini->Load(&err))
        return true;
    // A directory on the way that is not a directory means there is no file
    // to lose; the write will fail and say so.
    if (err.sysErrno == ENOTDIR)
        return true;
    // Writing now would replace a file we could not read with our keys
    // alone, losing every other section in it.
    m_ui->Message("Unable to read the Vorlane settings file '" + m_settingsPath +
                  "'; the settings were not saved.\n\n" + err.message);
    return false;
}

bool VorlaneApp::Flush(platform::ProfileFile& ini) {
    platform::SysError err;
    if (ini.Flush(&err))
        return true;
    if (ini.ReadOnly()) {
        TellReadOnly();
        return false;
    }
    m_ui->Message("Unable to save the Vorlane settings to '" + m_settingsPath + "'!\n\n" +
                  err.message);
    return false;
}

void VorlaneApp::TellReadOnly() {
    if (m_toldReadOnly)
        return;
    m_toldReadOnly = true;
    m_ui->Message("The Vorlane settings file '" + m_settingsPath +
                  "' is read-only: Vorlane leaves it as it is and does not save the "
                  "settings of this session.");
}

bool VorlaneApp::WriteKey(const std::string& section, const std::string& key,
                          const std::string& value) {
    // A file that could not be read at start is left as it is for the run,
    // as the start-up notice said; one that cannot be read now is not
    // written either (nothing in it is lost).
    if (!m_settingsProblem.empty())
        return false;
    platform::ProfileFile ini(m_settingsPath);
    if (!ini.Load() || !ini.WriteString(section, key, value))
        return false;
    platform::SysError err;
    if (ini.Flush(&err))
        return true;
    if (ini.ReadOnly())
        TellReadOnly();
    return false;
}

bool VorlaneApp::WriteSettingsTo(platform::ProfileFile& ini) {
    if (m_services.habitabs)
        m_services.habitabs->Save(ini);
    if (!m_settings.saveSettingsOnExit)
        return true;
    if (WriteAppSettings(ini, m_settings, UserParameters()))
        return true;
    m_ui->Message("Unable to save the fonts and thumbnail settings into the Vorlane "
                  "object database '" +
                  m_databasePath + "'!");
    return false;
}

bool VorlaneApp::SaveHabitabs() {
    if (!m_services.habitabs || !m_settingsProblem.empty())
        return false;
    ui::WaitCursor wait(*m_ui);
    platform::ProfileFile ini(m_settingsPath);
    if (!LoadForWrite(&ini))
        return false;
    m_services.habitabs->Save(ini);
    return Flush(ini);
}

bool VorlaneApp::SaveSettings() {
    if (!m_settingsLoaded) {
        // The settings in use are the defaults, not what the file holds.
        m_ui->Message(m_settingsProblem.empty()
                          ? "The Vorlane settings were not saved."
                          : m_settingsProblem + "\n\nThe settings were not saved.");
        return false;
    }
    platform::ProfileFile ini(m_settingsPath);
    if (!LoadForWrite(&ini))
        return false;
    WriteSettingsTo(ini);
    return Flush(ini);
}

int VorlaneApp::ReadInt(const std::string& section, const std::string& key, int def) const {
    return platform::GetPrivateProfileInt(section, key, def, m_settingsPath);
}

std::string VorlaneApp::ReadString(const std::string& section, const std::string& key) const {
    return platform::GetPrivateProfileString(section, key, "", m_settingsPath);
}

bool VorlaneApp::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteKey(section, key, std::to_string(value));
}

bool VorlaneApp::WriteString(const std::string& section, const std::string& key,
                             const std::string& value) {
    return WriteKey(section, key, value);
}

// --- drives -----------------------------------------------------------------

const CDriveType& VorlaneApp::DriveType(int letter) const {
    int i = LetterIndex(letter);
    if (i < 0 || static_cast<size_t>(i) >= m_driveTypes.size())
        return kNoDrive;
    return m_driveTypes[i];
}

bool VorlaneApp::IsDrivePresent(int letter) const {
    int i = LetterIndex(letter);
    return i >= 0 && m_drivePresent[i] != 0;
}

int VorlaneApp::FirstShownDrive(int letter) const {
    int start = LetterIndex(letter);
    if (start < 0)
        start = 0;
    const std::string& shown = m_settings.shownDrives;
    for (size_t i = start; i < shown.size() && i < 26; ++i) {
        char c = shown[i];
        if (c == '.')
            continue;
        return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : static_cast<unsigned char>(c);
    }
    return 0;
}

// --- help -------------------------------------------------------------------

void VorlaneApp::PushHelpContext(int context) {
    m_helpStack.push_back(m_helpContext);
    m_helpContext = context;
}

int VorlaneApp::PopHelpContext() {
    if (m_helpStack.empty()) {
        m_helpContext = 0;
        return 0;
    }
    m_helpContext = m_helpStack.back();
    m_helpStack.pop_back();
    return m_helpContext;
}

void VorlaneApp::ShowHelp(int context) {
    if (context == -1)
        context = m_helpContext;
    if (m_services.showHelp)
        m_services.showHelp(m_helpPath, context);
}

IUserParameterStore* VorlaneApp::UserParameters() {
    return m_database ? m_database->UserParameters() : nullptr;
}

} // namespace vorlane::app
