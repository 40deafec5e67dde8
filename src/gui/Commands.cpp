#include "gui/Commands.h"

#include "catalogue/CatalogueTypes.h"

namespace vorlane::gui {

namespace {

using catalogue::CommandId;
constexpr CommandTarget F = CommandTarget::Frame;
constexpr CommandTarget W = CommandTarget::Window;

std::vector<CommandInfo> BuildTable() {
    std::vector<CommandInfo> t = {
        // File: the window's file commands, then the frame's.
        {kCmdAssociate, "&File", "&Associate...", "", W, nullptr},
        {kCmdAttributes, "&File", "A&ttributes...", "", W, nullptr},
        {kCmdCopy, "&File", "&Copy...", "F3", W, nullptr},
        {kCmdDelete, "&File", "&Delete...", "Del", W, nullptr},
        {kCmdEditFile, "&File", "&Edit", "F5", W, nullptr},
        {kCmdImageConversion, "&File", "&Image Conversion...", "", W, nullptr},
        {kCmdMove, "&File", "&Move...", "F4", W, nullptr},
        {kCmdOpenFile, "&File", "&Open", "", W, nullptr},
        {14145, "&File", "&Properties...", "", W, nullptr},
        {kCmdRename, "&File", "&Rename...", "F2", W, nullptr},
        {kCmdRunFile, "&File", "R&un...", "", W, nullptr},
        {kCmdTouch, "&File", "Touc&h...", "", W, nullptr},
        {kCmdViewFile, "&File", "&View", "", W, nullptr},
        {kCmdZipAddFiles, "&File", "Add &file(s)...", "", W, nullptr},
        {kCmdFileZipToExe, "&File", "&ZipToExe...", "", W, nullptr},
        {kCmdMakeDirectory, "&File", "-Make Director&y...", "", F, nullptr},
        {kCmdDirectoryStatistics, "&File", "Directory &Statistics...", "", F, nullptr},
        {kCmdFindFiles, "&File", "Find Fi&les...", "Ctrl+F", F, nullptr},
        {kCmdPrint, "&File", "-Pri&nt dirs/files...", "Ctrl+P", W, nullptr},
        {kCmdExit, "&File", "-E&xit", "Alt+X", F, nullptr},

        {kCmdLogDrive, "&Disk", "&Log Drive...", "F9", F, nullptr},
        {kCmdVolumeLabel, "&Disk", "&Volume Label...", "", F, nullptr},
        {kCmdMapNetworkDrive, "&Disk", "-&Map Network Drive...", "", F, nullptr},
        {kCmdDisconnectNetworkDrive, "&Disk", "&Disconnect Network Drive...", "", F, nullptr},
        {kCmdBackup, "&Disk", "-&Backup...", "", F, nullptr},
        {kCmdRestore, "&Disk", "&Restore...", "", F, nullptr},

        {CommandId::kCmdExpandOneLevel, "&Tree", "Expand &One Level", "", W, nullptr},
        {CommandId::kCmdExpandBranch, "&Tree", "Expand &Branch", "", W, nullptr},
        {CommandId::kCmdExpandAll, "&Tree", "Expand &All", "", W, nullptr},
        {CommandId::kCmdCollapseBranch, "&Tree", "&Collapse Branch", "", W, nullptr},
    };
    static const char* const kLevelTexts[] = {"Level &0", "Level &1", "Level &2", "Level &3",
                                              "Level &4", "Level &5", "Level &6", "Level &7",
                                              "Level &8", "Level &9"};
    for (int n = 0; n <= 9; ++n)
        t.push_back({CommandId::kCmdOpenToLevel0 + n, "&Tree/Open To &Level", kLevelTexts[n], "", W,
                     nullptr});

    const std::vector<CommandInfo> rest = {
        {CommandId::kCmdTagFile, "T&ag", "&Tag File", "+", W, nullptr},
        {CommandId::kCmdUntagFile, "T&ag", "&Untag File", "-", W, nullptr},
        {CommandId::kCmdInvertFile, "T&ag", "&Invert File", "Space", W, nullptr},
        {CommandId::kCmdTagEvery, "T&ag", "-Tag &Every", "Ctrl+Space", W, nullptr},
        {CommandId::kCmdInvertAll, "T&ag", "In&vert All", "Ctrl+I", W, nullptr},
        {CommandId::kCmdUntagAll, "T&ag", "Untag &All", "Shift+Space", W, nullptr},
        {CommandId::kCmdTagModified, "T&ag", "-Tag &Modified", "Ctrl+A", W, nullptr},
        {CommandId::kCmdTagToday, "T&ag", "Tag T&oday", "Ctrl+T", W, nullptr},
        {CommandId::kCmdCustomTag, "T&ag", "&Custom Tag...", "Ctrl+C", W, nullptr},

        {CommandId::kCmdSortByFilename, "&Sort", "By &Filename", "", W, nullptr},
        {CommandId::kCmdSortByExtension, "&Sort", "By &Extension", "", W, nullptr},
        {CommandId::kCmdSortBySize, "&Sort", "By &Size", "", W, nullptr},
        {CommandId::kCmdSortByDate, "&Sort", "By &Date", "", W, nullptr},
        {CommandId::kCmdUnsorted, "&Sort", "&Unsorted", "", W, nullptr},
        {CommandId::kCmdCustomSort, "&Sort", "-&Custom Sort...", "", W, nullptr},

        {kCmdNewArchive, "&Zip", "&New Archive...", "Ctrl+N", F, nullptr},
        {kCmdOpenArchive, "&Zip", "&Open Archive...", "Ctrl+O", F, nullptr},
        {kCmdZipComment, "&Zip", "Zip File &Comments...", "", W, nullptr},
        {kCmdZipToExe, "&Zip", "-&Zip-To-Exe...", "", F, nullptr},
        {kCmdRecompressDrive, "&Zip", "&ReCompress Drive...", "", F, nullptr},

        {kCmdDriveRibbon, "&View", "&Drive Ribbon", "", F, nullptr, true},
        {kCmdToolBar, "&View", "&ToolBar", "", F, nullptr, true},
        {kCmdFileSearchCriteria, "&View", "-File &Search Criteria...", "", W, nullptr},
        {kCmdCommandLine, "&View", "&Command Line", "", W, nullptr, true},
        {kCmdViewerPane, "&View", "&Viewer Pane", "", W, "The viewer pane", true},
        {kCmdViewDetails, "&View", "-D&etails", "", W, nullptr, true},
        {kCmdViewLargeIcons, "&View", "&Large Icons", "", W, nullptr, true},
        {kCmdViewList, "&View", "L&ist", "", W, nullptr, true},
        {kCmdViewSmallIcons, "&View", "S&mall Icons", "", W, nullptr, true},
        {kCmdViewThumbnails, "&View", "T&humbnails", "", W, nullptr, true},
        {kCmdViewNextMode, "&View", "&Next View Mode", "", W, nullptr},
        {kCmdRefresh, "&View", "-&Refresh", "Ctrl+R", W, nullptr},

        {kCmdThumbnailScanBranch, "Thumb&nails", "Scan &Branch", "", W, nullptr},
        {kCmdThumbnailScanDirectory, "Thumb&nails", "Scan &Directory", "", W, nullptr},
        {kCmdThumbnailScanDrive, "Thumb&nails", "Scan Dri&ve", "", W, nullptr},
        {kCmdThumbnailRemoveAll, "Thumb&nails", "-Remove &All", "", W, nullptr},
        {kCmdThumbnailRemoveOrphans, "Thumb&nails", "Remove &Orphans", "", W, nullptr},

        {kCmdGeneralSettings, "&Options", "&General Settings...", "", F, nullptr},
        {kCmdFileSets, "&Options", "&File Sets...", "", F, nullptr},
        {kCmdHabiTabs, "&Options", "&HabiTabs...", "", F, nullptr},
        {kCmdAutoTile, "&Options", "-&AutoTile", "", F, nullptr, true},

        {kCmdNewFileManagerWindow, "&Window/&New Window", "&File Manager Window", "", F, nullptr},
        {kCmdNewViewerWindow, "&Window/&New Window", "&Viewer Window", "", F, nullptr},
        {kCmdCascade, "&Window", "-&Cascade", "Shift+F5", F, nullptr},
        {kCmdTileVertical, "&Window", "Tile &Vertical", "Shift+F4", F, nullptr},
        {kCmdTileHorizontally, "&Window", "Tile &Horizontally", "", F, nullptr},
        {kCmdArrangeIcons, "&Window", "&Arrange Icons", "", F, nullptr},
        {kCmdCloseAllWindows, "&Window/C&lose All", "&Windows", "", F, nullptr},
        {kCmdCloseAllFileManagers, "&Window/C&lose All", "&File Manager Windows", "", F, nullptr},
        {kCmdCloseAllViewers, "&Window/C&lose All", "&Viewer Windows", "", F, nullptr},
        {kCmdMinimizeAllWindows, "&Window/&Minimize All", "&Windows", "", F, nullptr},
        {kCmdMinimizeAllFileManagers, "&Window/&Minimize All", "&File Manager Windows", "", F,
         nullptr},
        {kCmdMinimizeAllViewers, "&Window/&Minimize All", "&Viewer Windows", "", F, nullptr},
        {kCmdRestoreAllWindows, "&Window/&Restore All", "&Windows", "", F, nullptr},
        {kCmdRestoreAllFileManagers, "&Window/&Restore All", "&File Manager Windows", "", F,
         nullptr},
        {kCmdRestoreAllViewers, "&Window/&Restore All", "&Viewer Windows", "", F, nullptr},

        {kCmdHelpContents, "&Help", "&Contents", "", F, nullptr},
        {kCmdHelpHowToUse, "&Help", "&How to use help", "", F, nullptr},
        {kCmdAbout, "&Help", "-&About Vorlane...", "", F, nullptr},
    };
    t.insert(t.end(), rest.begin(), rest.end());
    return t;
}

} // namespace

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = BuildTable();
    return table;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : CommandTable())
        if (c.id == id)
            return &c;
    return nullptr;
}

std::string NotAvailableText(const CommandInfo& command) {
    return std::string(command.later ? command.later : command.text) +
           " is not available yet: it will come in a later version of Vorlane.";
}

} // namespace vorlane::gui
