// CFileManagerSession: what a file manager window is, without the window.
// It holds the window's logged drives (CDriveItemList), its current drive,
// the current directory (kept by the drive), the caret file of the file
// list and the display settings, and carries out the window's tree, tag and
// sort commands. The GUI, the console and the command line all drive the
// catalogue through a session; each shows what it needs through a
// CCatalogueView and asks the user through its environment's context.
//
// Wiring (all borrowed, all optional): SetView (status bar, redraws),
// SetDescriptionSource (4DOS descriptions), SetCustomTagSource (Custom
// Tag's dialog), SetOptions (else the application's settings), SetClock
// (Tag Today). After a file operation changed the disk, call
// CatalogueChanged with the path it changed.
//
// One thread; not copyable. The session owns everything it logged; its
// records live as long as it does.
#pragma once

#include "catalogue/CDisplaySettings.h"
#include "catalogue/CDriveItemList.h"
#include "catalogue/CatalogueServices.h"
#include "catalogue/FileGroups.h"

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorlane::catalogue {

// What the window's tree does after a tree command.
enum class TreeAction {
    None,
    ExpandBranch,      // open the current branch one level
    ExpandBranchFully, // open the current branch to its leaves
    CollapseBranch,
    OpenToLevel, // open the whole tree down to CTreeCommandResult::level
};

struct CTreeCommandResult {
    TreeAction action = TreeAction::None;
    int level = 0;     // for OpenToLevel
    int added = 0;     // directories the scan added
    bool done = false; // false: no drive, or not a tree command
};

// The three status bar fields the totals fill ("" when not filled).
struct CStatusTexts {
    std::string drive;  // field 1: "C: 1.5GB free,20.0GB total"
    std::string total;  // field 2: "Total 12 file(s), 1.5KB"
    std::string tagged; // field 3: "Tagged 2 file(s), 0.5KB"
};

class CFileManagerSession {
  public:
    CFileManagerSession();
    ~CFileManagerSession();
    CFileManagerSession(const CFileManagerSession&) = delete;
    CFileManagerSession& operator=(const CFileManagerSession&) = delete;

    // --- wiring ---------------------------------------------------------------
    CCatalogueEnvironment& Environment() { return m_env; }
    void SetView(CCatalogueView* view) { m_env.view = view; }
    void SetDescriptionSource(CDescriptionSource* source) { m_env.descriptions = source; }
    void SetCustomTagSource(CCustomTagSource* source) { m_customTag = source; }
    void SetOptions(std::optional<CCatalogueOptions> options) { m_env.SetOptions(options); }
    // The clock Tag Today reads (default: the system's).
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

    // --- display settings ------------------------------------------------
    CDisplaySettings& DisplaySettings() { return m_settings; }
    const CDisplaySettings& DisplaySettings() const { return m_settings; }
    // Takes a whole set of settings (a habitab applied): the current drive
    // is rematched and sorted by them.
    void ApplyDisplaySettings(const CDisplaySettings& settings);
    // Changes the file search conditions (none: every file shown) and
    // rematches the drive.
    void SetSearchConditions(search::CFileSearchRequest conditions);

    // --- drives -----------------------------------------------------------------
    CDriveItemList& Drives() { return m_drives; }
    CDriveContainer* CurrentDrive() const { return m_drive; }
    // The name and kind of the drive the session shows ("C:", 1).
    const std::string& DriveName() const { return m_driveName; }
    int DriveKind() const { return m_driveKind; }
    // Shows a drive (as a window opening on it does): a drive of that name
    // and kind already in the list becomes current, else it is logged; then
    // initialDirectory (the root when empty) becomes current. False when
    // the drive cannot be logged.
    bool OpenDrive(const std::string& driveName, int kind = kDriveIncremental,
                   const std::string& initialDirectory = "");
    bool LogDrive(char letter);
    // Unlogs the current drive: removed from the list and deleted; the
    // session then shows no drive.
    void Unlog();

    // --- directories ------------------------------------------------------------
    // Makes path the current directory, logging what is missing; a path on
    // another plain drive opens that drive. A path that exists neither in
    // the catalogue nor on disk makes the root current. False without a
    // drive.
    bool GoTo(const std::string& path);
    CDirectoryContainer* CurrentDirectory() const;
    std::string CurrentDirectoryPath() const;
    // Reads the current directory again; tags and the caret stay.
    bool Refresh();
    // A file operation changed dosPath (a file or a directory) on disk: the
    // tree below its parent is brought up to date and the current
    // directory is read again when it is affected.
    void CatalogueChanged(const std::string& dosPath);

    // --- tree commands (14305 to 14334) ---------------------------------
    CTreeCommandResult RunTreeCommand(int commandId);

    // --- the file list and the caret --------------------------------------
    int FileCount() const;
    CFileContainer* File(int index) const;
    // Index of the caret file; -1 when the list is empty.
    int Caret() const;
    void SetCaret(int index);
    bool SetCaretByName(const std::string& name);
    CFileContainer* CaretFile() const;
    // The pattern of "[current]": the caret file's name, escaped so that it
    // matches that name only; "" without a caret file.
    std::string CurrentPattern() const;

    // --- groups and tags ------------------------------------------------
    // An empty pattern means the current pattern.
    CGroupRange GroupRange(int group, const std::string& pattern = "") const;
    bool InGroup(int index, int group, const std::string& pattern = "") const;
    bool SetTag(int index, int state);
    // Tags (1), untags (0) or toggles (-1) the files first to last (in
    // either order), then redraws the list and the totals. Returns the
    // number of files whose tag changed.
    int ChangeTags(int first, int last, int state);
    // Runs a tag command (14405 to 14445). inTree: Invert File came from
    // the tree (it inverts all). Returns the number of files whose tag
    // changed; -1 for Custom Tag cancelled or an unknown id.
    int RunTagCommand(int commandId, bool inTree = false);

    // --- sort commands (14505 to 14525) ------------------------------------
    // descending: Ctrl held. Custom Sort takes customKeys (two keys) and
    // refuses equal fields with "Sort keys must be different!". False when
    // nothing changed.
    bool RunSortCommand(int commandId, bool descending = false,
                        const CSortKey* customKeys = nullptr);

    // --- totals -----------------------------------------------------------
    // Fills the status bar fields of the current drive (field 1 only with
    // withDrive) and hands them to the view.
    CStatusTexts Totals(bool withDrive);

  private:
    // Current directory changed or re-sorted: keep the caret on its file.
    void AfterListChanged(const std::string& caretName);
    CDriveContainer* EnsureDrive();
    uint16_t TodayDosDate() const;

    CCatalogueEnvironment m_env;
    CDisplaySettings m_settings;
    CDriveItemList m_drives;
    CDriveContainer* m_drive = nullptr;
    std::string m_driveName;
    int m_driveKind = kDriveIncremental;
    int m_caret = -1;
    CCustomTagSource* m_customTag = nullptr;
    std::function<std::time_t()> m_clock;
};

} // namespace vorlane::catalogue
