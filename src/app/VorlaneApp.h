// VorlaneApp: the one application object. It owns everything global for the
// whole run: the settings read from VORLANE.INI, the drive type table and
// the drive-present table, the object database, the fonts and the help
// state. While it lives, VorlaneApp::Current() points at it, so the front
// end's windows and dialogs can reach it. Core modules never do: an
// operation gets what it needs (user interface, drive map snapshot,
// options) in the ui::OperationContext that MakeContext() builds.
//
// It has no window. A front end (the Qt shell, the console) drives it:
//
//   VorlaneApp app(services);
//   if (!app.Start(frame, actions, startedMinimised)) return app.ExitCode();
//   ... the front end's loop; to leave: if (app.CloseQuery(frame)) break;
//   return app.Shutdown(frame);
//
// Start-up order: open the object database (exclusive; on failure the
// message kDatabaseOpenFailed with the reason on its next line, exit status
// 255, and nothing else happens: the settings are neither read nor
// written); build the drive map and make it current; build the drive
// tables; load the habitabs, the settings and the fonts; create the frame
// (it reads its own keys); show the start-up notice (with the reason when
// the settings file could not be read); unless started minimised, run the
// "Initial Mode" action.
//
// Shutdown order: the close query (the frame's own check, then the exit
// question unless "Exit Without Prompting" is set; on consent, under
// Initial Mode 106, the open windows are remembered, by a front end that
// has windows); the frame's clean-up (its "General" keys); the save (the
// habitabs always, everything else only when "Save Settings on Exit" is
// set); the temporary view file is deleted; the database is closed. Every
// write of the shutdown goes into one copy of VORLANE.INI that is written
// back once, atomically.
//
// A settings file that could not be read at start is never written in that
// run (the run has only defaults to write over it). A read-only settings
// file is never written either; the first write it refuses is reported,
// once per run.
//
// One thread; not copyable.
#pragma once

#include "app/AppSettings.h"
#include "app/CDriveType.h"
#include "app/IAppDatabase.h"
#include "app/IHabitabSettings.h"
#include "app/IMainFrame.h"
#include "app/IUserParameterStore.h"
#include "ui/OperationContext.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::app {

// What later modules plug into the application. Every member may be left
// empty: no database (fonts and thumbnail settings keep their defaults), no
// habitabs, no help viewer.
struct AppServices {
    // Makes the object database object (not yet open).
    std::function<std::unique_ptr<IAppDatabase>()> makeDatabase;
    // Loads and saves the habitabs (not owned; outlives the application).
    IHabitabSettings* habitabs = nullptr;
    // Shows the help file at a context (0 = contents).
    std::function<void(const std::string& helpPath, int context)> showHelp;
    // The user interface the application asks and reports through (not
    // owned; outlives the application). Null: the front end's interface
    // installed when the application object is made.
    ui::UserInterface* ui = nullptr;
};

class VorlaneApp {
  public:
    static constexpr const char* kName = "Vorlane";
    static constexpr const char* kVersion = "3.72";
    static constexpr int kInitialHelpContext = 15;
    static constexpr int kDatabaseMaxRecordSize = 30000;
    static constexpr int kExitDatabaseFailed = 255;
    static const char kDatabaseOpenFailed[];
    static constexpr const char* kExitCaption = "Exit Vorlane!";
    static constexpr const char* kExitQuestion = "Do you wish to exit Vorlane?";

    explicit VorlaneApp(AppServices services = {});
    ~VorlaneApp();
    VorlaneApp(const VorlaneApp&) = delete;
    VorlaneApp& operator=(const VorlaneApp&) = delete;

    // The living application object, or null.
    static VorlaneApp* Current();

    // --- start-up ---------------------------------------------------------
    // Runs the whole start-up (see the top of this file). False when the
    // program must end at once; ExitCode() then says with what.
    bool Start(IMainFrame& frame, IStartupActions& actions, bool startedMinimised);
    // The steps of Start, for front ends and tests that need them apart.
    bool OpenObjectDatabase();
    // Drive map, drive tables, habitabs, settings and fonts, then the frame.
    void SetUpMainWindow(IMainFrame& frame);
    // Runs the action of "Initial Mode" (none when started minimised).
    void RunStartupAction(IStartupActions& actions, bool startedMinimised);

    // --- shutdown ---------------------------------------------------------
    // True when the program may close. askUser false skips the exit
    // question (nobody is left to answer it, e.g. at the end of input).
    bool CloseQuery(IMainFrame& frame, bool askUser = true);
    // Frame clean-up, save, temporary view file, database; returns the exit code.
    int Shutdown(IMainFrame& frame);
    int ExitCode() const { return m_exitCode; }

    // --- settings -----------------------------------------------------------
    const AppSettings& Settings() const { return m_settings; }
    AppSettings& MutableSettings() { return m_settings; }
    // Save as the General Settings dialog runs it when it closes: the
    // habitabs, and the rest when "Save Settings on Exit" is set; one
    // rewrite of the file. On failure the user is told and false returned.
    bool SaveSettings();
    // Writes the habitabs alone into the settings file at once (the
    // HabiTabs dialog changed them), whatever "Save Settings on Exit" says.
    // Refused like any write of the run (a file unreadable at start or
    // read-only); false when nothing was written.
    bool SaveHabitabs();
    // Writes what a save writes into ini (memory only).
    bool WriteSettingsTo(platform::ProfileFile& ini);
    // The one-key accessors on the settings file, for other modules.
    int ReadInt(const std::string& section, const std::string& key, int def) const;
    std::string ReadString(const std::string& section, const std::string& key) const;
    bool WriteInt(const std::string& section, const std::string& key, int value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    // --- drives and operations -------------------------------------------
    // The drive map of the run: built at start-up from the environment, the
    // settings and the mounts (and made the front end's current map); until
    // then the front end's current map.
    std::shared_ptr<const platform::DriveMap> Drives() const { return m_drives; }
    // The settings an operation follows, as they are now.
    ui::OperationOptions OperationOptions() const;
    // A context for an operation started now: ui, this run's drive map, the
    // options as they are now, and the change sink (may be null).
    ui::OperationContext MakeContext(ui::UserInterface& ui,
                                     ui::ChangeSink* notices = nullptr) const;
    ui::UserInterface& Ui() const { return *m_ui; }
    // The context of work started where no front end handed one (the
    // console's and the tests' convenience): the running application's,
    // with its user interface, else the installed user interface and the
    // front end's current drive map with default options. The one place
    // that reads the process-wide defaults for an operation.
    static ui::OperationContext DefaultContext();
    // 26 records, A to Z (empty before SetUpMainWindow).
    const std::vector<CDriveType>& DriveTypes() const { return m_driveTypes; }
    // The record of a letter (either case); a "no drive" record otherwise.
    const CDriveType& DriveType(int letter) const;
    bool IsDrivePresent(int letter) const;
    // The first shown drive at or after letter, upper case; 0 when none.
    // Letters outside a to z (either case) start at 'a'.
    int FirstShownDrive(int letter) const;
    // Builds the drive tables from the current drive map (also at start).
    void BuildDriveTable();
    // Puts a changed drive map in force (a letter mapped or disconnected):
    // it becomes the front end's current map and this run's, the drive
    // tables are built again, letters that stay keep their shown or hidden
    // state and a new letter is shown.
    void UseDriveMap(platform::DriveMap map);

    // --- help ---------------------------------------------------------------
    int HelpContext() const { return m_helpContext; }
    void PushHelpContext(int context);
    // Restores the context saved last and returns it; 0 when none is saved.
    int PopHelpContext();
    // Shows help at context (-1: the current one).
    void ShowHelp(int context = -1);

    // --- the rest -----------------------------------------------------------
    const std::string& Name() const { return m_name; }
    const std::string& Version() const { return m_version; }
    const std::string& SettingsPath() const { return m_settingsPath; }
    const std::string& DatabasePath() const { return m_databasePath; }
    const std::string& HelpPath() const { return m_helpPath; }
    int ProcessId() const { return m_processId; }
    // The open object database; null when there is none.
    IAppDatabase* Database() { return m_database.get(); }
    IUserParameterStore* UserParameters();
    // A host file made for viewing; deleted at shutdown.
    void SetTemporaryViewFile(const std::string& hostPath) { m_temporaryViewFile = hostPath; }
    const std::string& TemporaryViewFile() const { return m_temporaryViewFile; }

  private:
    enum class State { Constructed, DatabaseOpen, Running, Closing, Finished };

    void LoadSettings(const platform::ProfileFile& ini);
    bool LoadForWrite(platform::ProfileFile* ini);
    bool Flush(platform::ProfileFile& ini);
    // One key written at once into the file, as the dialogs do.
    bool WriteKey(const std::string& section, const std::string& key, const std::string& value);
    // Tells the user, the first time in the run, that the settings file is
    // read-only and left alone.
    void TellReadOnly();
    // Running -> Closing: reads the file that the shutdown rewrites once.
    void BeginClosing();
    // The save, the temporary view file and the database.
    void FinishRun();

    AppServices m_services;
    ui::UserInterface* m_ui;
    std::shared_ptr<const platform::DriveMap> m_drives;
    std::string m_name = kName;
    std::string m_version = kVersion;
    std::string m_settingsPath;
    std::string m_databasePath;
    std::string m_helpPath;
    int m_helpContext = kInitialHelpContext;
    std::vector<int> m_helpStack;
    int m_processId = 0;
    std::unique_ptr<IAppDatabase> m_database;
    std::vector<CDriveType> m_driveTypes;
    std::array<char, 26> m_drivePresent{};
    AppSettings m_settings;
    bool m_settingsLoaded = false; // read from the file (or the file is missing)
    std::string m_settingsProblem; // why the file could not be read at start
    bool m_toldReadOnly = false;
    std::vector<SavedWindow> m_savedWindows;
    std::string m_temporaryViewFile;
    std::unique_ptr<platform::ProfileFile> m_closingIni; // the one copy written at exit
    State m_state = State::Constructed;
    int m_exitCode = 0;
};

} // namespace vorlane::app
