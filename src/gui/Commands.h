// The command ids of the main frame's menu and of the file manager
// window's menu, and the one table that builds the menu bar from them.
//
// Every command has an id, a menu text and a menu path; the frame makes
// one QAction per entry (object name "cmd<id>", data the id) and routes
// its triggers by id: frame commands to the frame, window commands to the
// active file manager window. Commands whose work is built by a later
// module carry the name of that work, shown in the "not available yet"
// message until then.
#pragma once

#include <string>
#include <vector>

namespace vorlane::gui {

enum FrameCommand : int {
    kCmdExit = 24310,
    kCmdLogDrive = 14205,
    kCmdMapNetworkDrive = 14215,
    kCmdDisconnectNetworkDrive = 14220,
    kCmdMakeDirectory = 14225,
    kCmdVolumeLabel = 14230,
    kCmdDirectoryStatistics = 14235,
    kCmdBackup = 14255,
    kCmdRestore = 14260,
    kCmdNewArchive = 15005,
    kCmdOpenArchive = 15010,
    kCmdZipToExe = 15050,
    kCmdRecompressDrive = 15065,
    kCmdDriveRibbon = 14635,
    kCmdToolBar = 14640,
    kCmdGeneralSettings = 14705,
    kCmdFileSets = 14708,
    kCmdHabiTabs = 14710,
    kCmdFindFiles = 14625, // the Find Files window
    kCmdPrint = 14715,
    kCmdNewFileManagerWindow = 15700,
    kCmdNewViewerWindow = 15705,
    kCmdCascade = 24361,
    kCmdTileVertical = 24362,
    kCmdTileHorizontally = 24363,
    kCmdArrangeIcons = 24364,
    kCmdCloseAllWindows = 15505,
    kCmdCloseAllFileManagers = 15510,
    kCmdCloseAllViewers = 15515,
    kCmdMinimizeAllWindows = 15550,
    kCmdMinimizeAllFileManagers = 15555,
    kCmdMinimizeAllViewers = 15560,
    kCmdRestoreAllWindows = 15570,
    kCmdRestoreAllFileManagers = 15575,
    kCmdRestoreAllViewers = 15580,
    kCmdAutoTile = 14820,
    kCmdHelpContents = 2007,
    kCmdHelpHowToUse = 2008,
    kCmdAbout = 2009,
};

// Commands of the file manager window that are not the catalogue's.
enum WindowCommand : int {
    kCmdFirstFileCommand = 14105, // 14105 to 14175 in steps of 5
    kCmdLastFileCommand = 14175,
    kCmdAttributes = 14110,
    kCmdCopy = 14115, // the copy and move dialogs (F3, F4)
    kCmdDelete = 14120,
    kCmdRename = 14150,
    kCmdTouch = 14160,
    kCmdFileZipToExe = 14175, // ZipToExe on the caret zip file
    kCmdMove = 14135,
    kCmdOpenFile = 14140, // Enter and a double click on a file too
    kCmdAssociate = 14105,
    kCmdEditFile = 14125,
    kCmdImageConversion = 14130,
    kCmdViewFile = 14165,
    kCmdRunFile = 14155,
    kCmdZipAddFiles = 14170, // "Add File(s) To ZIP File" on a zip directory
    kCmdZipComment = 15055,  // "Zip File Comments" of a zip directory
    kCmdFileSearchCriteria = 14620,
    kCmdCommandLine = 14630,
    kCmdViewerPane = 14645,
    kCmdViewDetails = 14649,
    kCmdViewLargeIcons = 14650,
    kCmdViewList = 14651,
    kCmdViewSmallIcons = 14652,
    kCmdViewThumbnails = 14653,
    kCmdViewNextMode = 14654,
    kCmdRefresh = 14655, // reads the current directory again
    kCmdFirstThumbnailCommand = 16200,
    kCmdThumbnailScanBranch = 16200,    // "Scan &Branch"
    kCmdThumbnailScanDirectory = 16201, // "Scan &Directory"
    kCmdThumbnailScanDrive = 16202,     // "Scan Dri&ve"
    kCmdThumbnailRemoveAll = 16203,     // "Remove &All"
    kCmdThumbnailRemoveOrphans = 16204, // "Remove &Orphans"
    kCmdLastThumbnailCommand = 16204,
};

// Who carries a command out.
enum class CommandTarget {
    Frame,  // the main frame, with or without windows
    Window, // the active file manager window; disabled without one
};

struct CommandInfo {
    int id;
    const char* menu; // top menu, e.g. "&Tree"; "&Tree/Open To &Level" for a sub menu
    const char* text; // menu text; "-" before it makes a separator first
    const char* keys; // shortcut in QKeySequence form, "" for none
    CommandTarget target;
    const char* later; // not built yet: the name used in the message; null when built
    bool checkable = false;
};

// The whole menu, in menu order.
const std::vector<CommandInfo>& CommandTable();
// The entry of an id; null when it is not in the table.
const CommandInfo* FindCommand(int id);

// The text shown for a command whose module is not built yet.
std::string NotAvailableText(const CommandInfo& command);
constexpr const char* kNotAvailableCaption = "Vorlane";

// Fixed texts of two frame commands.
constexpr const char* kDirectoryStatisticsText =
    "Directory Statistics module is being re-implemented and will be restored in a later "
    "version of Vorlane!";
constexpr const char* kBackupText =
    "The file backup has been disabled as of version 3.72. It is being reimplemented and will "
    "be out in 3.75.";
constexpr const char* kBackupCaption = "Sorry!";

} // namespace vorlane::gui
