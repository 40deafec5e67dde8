// TFileManagerWindow: the client of a file manager MDI child: the
// directory tree beside the file list of the current directory, over one
// CFileManagerSession that the window owns (its logged drives, current
// directory, caret, tags and display settings), with two switchable panes:
// the command line below ("Command:", gui/CCommandField.h, its lines run
// through gui/CWindowCommandHost.h) and the viewer pane beside the file
// list.
//
// The window is the session's CCatalogueView: the session tells it when the
// tree or the file list must be shown again and what the status bar
// fields say; the window passes the fields on through StatusTextChanged.
// It reads 4DOS descriptions through its session while "4DOS
// Descriptions" is on and then shows the "Description" column.
//
// Change notices: every open window is listed; BroadcastCatalogueChange
// (the GUI's change sink calls it for every notice a job hands out, on the
// GUI thread) brings each window's tree and list up to date. The list, like
// every window and its catalogue, is touched on the GUI thread only.
//
// Drops: files dropped on the file list go to the current directory, on a
// tree branch to that directory (see FileDrop.h for copy or move).
//
// Columns: plain directories show the columns of the file display details
// bits, zip directories those of the zip display details bits; their
// order and widths are kept per drive letter in "File Display Columns for
// Drive %c" and "Zip Display Columns for Drive %c" (read when the window
// first shows a drive of that letter, written when it leaves the letter
// and when it is destroyed, together with "Active Tab For Drive %c", the
// name of the habitab in force).
//
// Habitabs: the row of tabs over the file list (gui/CHabitabWindow.h)
// shows the application's habitabs; a click on a tab copies that habitab
// over the session's display settings, which are the one record of the
// window's panes, sort, columns, view mode and search conditions (the
// views read them from there). The first drive a window shows applies the
// habitab named by "Active Tab For Drive %c" of its letter, when there is
// one of that name.
//
// Keys: Enter in the tree opens the branch and goes to it, on a file it
// opens the file; Backspace goes to the parent directory; Tab moves
// between tree and list. The tag, tree, sort, view and pane commands
// arrive by id through RunCommand(). Shift+Delete asks the frame for the
// delete dialog with normal delete chosen (DeleteRequested); F2 on one
// untagged file of the list edits its name in place (the frame's F2, the
// rename dialog, is held back for it), as does a slow second click.
#pragma once

#include "catalogue/CFileManagerSession.h"
#include "display/CHabitabItem.h"
#include "fileops/C4DosDescriptionSource.h"
#include "fileops/CCopyDirectory.h"
#include "fileops/CZipAdd.h"
#include "fileops/LaunchExtract.h"
#include "gui/CFileListModel.h"
#include "gui/WindowSettings.h"
#include "viewers/CFileViewer.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAbstractItemView;
class QDialog;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPoint;
class QMenu;
class QMouseEvent;
class QStringListModel;
class QListView;
class QModelIndex;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QTimer;
class QTreeView;

namespace vorlane::gui {

class CCommandField;
class CFileViewerControlBar;
class CCopyDialog;
class CDirectoryTreeModel;
class CFileItemDelegate;
class CHabitabWindow;
class CJobManager;

// The view modes of the file list (the display mode numbers 0 to 4).
enum class FileViewMode { Details, LargeIcons, List, SmallIcons, Thumbnails };

class TFileManagerWindow : public QWidget,
                           public catalogue::CCatalogueView,
                           public CFileDropTarget {
    Q_OBJECT
  public:
    explicit TFileManagerWindow(QWidget* parent = nullptr);
    ~TFileManagerWindow() override;

    // Every window alive, oldest first.
    static const std::vector<TFileManagerWindow*>& OpenWindows();

    catalogue::CFileManagerSession& Session() { return m_session; }
    const catalogue::CFileManagerSession& Session() const { return m_session; }

    // Logs (or takes) the drive and shows initialDirectory (the root when
    // empty). False when the drive cannot be logged (the user was told).
    bool OpenDrive(const std::string& driveName, int kind = 1,
                   const std::string& initialDirectory = "");
    // Makes a directory current (logging what is missing).
    bool GoTo(const std::string& path);
    // Removes the drive from the window's list; the window shows no drive.
    void Unlog();
    // Goes to the parent of the current directory; false at the root.
    bool GoToParent();
    // "Drive C" or "Zip 'C:\..\ARCHIVE.ZIP'"; "" before a drive is shown,
    // "No drive" after an unlog.
    QString Caption() const;
    // The context menu of the tree (inTree) or of the file list: the command
    // ids it offers (0 for a separator), a new menu of them (owned by
    // parent), and showing it at a point of the screen.
    std::vector<int> ContextMenuCommands(bool inTree) const;
    QMenu* MakeContextMenu(bool inTree, QWidget* parent);
    void ShowContextMenu(bool inTree, const QPoint& globalPosition);
    // The details view header's menu: the columns to show, checked as
    // shown; a choice changes the list's detail settings (owned by parent).
    QMenu* MakeHeaderMenu(QWidget* parent);
    // The window's title: the caption and where the window is
    // ("Drive C - C:\DOCS"); the caption alone without a directory.
    QString Title() const;
    // The menu the window carries: 200 for a plain drive, 500 for an archive.
    int MenuResource() const;
    // False for the commands of its menu that do nothing in this window
    // (the tree commands of an archive window; Add File(s) and Zip File
    // Comments away from a zip directory).
    bool CarriesCommand(int id) const;

    // The names of a file group of the list (1 every, 2 tagged, 3 untagged,
    // 4 current), as a run addresses them.
    std::vector<std::string> GroupFiles(int group) { return ListGroupFiles()(group); }
    // The group a dialog preselects: tagged files, else the current file.
    int PreselectedGroup() const;
    // Runs a line of the command language here (the "Command:" field's
    // Enter); true when it succeeded.
    bool RunCommandLine(const std::string& line);

    // Runs a command of the window's menus; false when the id is not one
    // the window carries out (the frame then says it is not available).
    bool RunCommand(int id, bool ctrlHeld = false);
    // The status bar fields as the window last set them (1 to 4).
    QString StatusText(int field) const;
    // Fills the status bar fields again (the window became active).
    void ShowTotals();

    // A file operation changed dosPath on the drive of driveLetter (0: any
    // drive): the tree and the list follow the disk.
    void CatalogueChanged(char driveLetter, const std::string& dosPath);

    // The frame's job manager, which runs the window's file operations
    // (null: they run at once on the GUI thread).
    // The frame's job manager: drops start their jobs there, and the
    // catalogue of this window takes its contexts (user interface, drive
    // map, options) from it.
    void SetJobManager(CJobManager* jobs);

    // Starts the copy or move of dropped files into targetDirectory (the
    // drop handlers call it once the drag is over); false when refused.
    bool DropFiles(const std::vector<std::string>& sources, const std::string& targetDirectory,
                   Qt::KeyboardModifiers modifiers);

    // Copy and Move: the dialog for where the focus is. In the tree of a
    // plain drive: "Copy / Move Directory" on the current directory. In the
    // file list (and anywhere in an archive window): "Copy / Move File(s)"
    // on the current directory's groups, "tagged" preselected when files
    // are tagged, else the current file. move preselects "&Move file(s)".
    // Null when the window shows no directory.
    std::unique_ptr<CCopyDialog> MakeCopyDialog(bool move, QWidget* parent);
    // Starts the copy or move the dialog filled (descriptions follow the
    // files while "4DOS Descriptions" is on).
    void StartCopy(fileops::CCopyParameters parameters);

    // Delete (14120), Rename (14150), Attributes (14110), Touch (14160) and
    // Make Directory: the dialog for where the focus is, null when the
    // window shows no directory. Delete in the tree of a plain drive:
    // "Remove Directory" on the current directory, else "Delete File(s)"
    // (skipRecycle, from Shift+Delete: normal delete rather than the recycle
    // bin). Rename in the tree: "File Rename" of the current directory; in
    // the list "Rename File(s)" when files are tagged, else "File Rename"
    // of the current file. The group dialogs preselect the tagged files
    // when there are any, else the current file.
    std::unique_ptr<QDialog> MakeFileOpDialog(int id, bool skipRecycle, QWidget* parent);
    // Starts the run of a dialog MakeFileOpDialog made, closed with OK
    // (descriptions follow the files while "4DOS Descriptions" is on).
    void StartFileOp(const QDialog& dialog);
    // The zip file the current directory is (or lies in), "" when it is a
    // plain directory: Add File(s) and Zip File Comments act on it.
    std::string CurrentZipFile() const;
    // Starts an add into the zip file (parameters from the add dialog).
    void StartZipAdd(fileops::CZipAddParameters parameters);
    // Starts writing a zip file's comment.
    void StartZipComment(const std::string& zipPath, const std::string& comment);
    // The in-place rename of a row of the file list (the name column's
    // editor): runs the rename of that one file; the list keeps the old
    // name until the rename's change notice arrives.
    bool RenameInPlace(int row, const std::string& newName);

    bool TreeHasFocus() const;
    // The view mode of the display settings (an unknown number shows the
    // details view).
    FileViewMode ViewMode() const;
    void SetViewMode(FileViewMode mode);
    // Repaints the thumbnail view (its pictures are made again as needed).
    void RedrawThumbnails();
    // The "Thumb&nails" commands: scans of the current directory, its branch
    // or the window's drive, and the removals, each as a job.
    void RunThumbnailCommand(int id);

    // Applies a habitab (a click on its tab): every field, the name
    // included, is copied over the display settings; the panes are laid
    // out again when they differ, then the list is matched, sorted and
    // shown with the habitab's columns and view mode.
    void ApplyHabitab(const display::CHabitabItem& habitab);
    // Shows the tabs of the habitab list again (it changed); settings
    // whose habitab is gone take the first habitab's name.
    void RebuildHabitabTabs();
    // RebuildHabitabTabs on every open window.
    static void RebuildAllHabitabTabs();
    CHabitabWindow* HabitabTabs() const { return m_tabs; }
    // The panes (their commands toggle them).
    void ShowCommandLine(bool show);
    void ShowViewerPane(bool show);
    bool CommandLineShown() const;
    bool ViewerPaneShown() const;

    QTreeView* Tree() const { return m_tree; }
    QTreeView* DetailsView() const { return m_details; }
    QListView* IconView() const { return m_icons; }
    CCommandField* CommandLine() const { return m_commandLine; }
    CFileViewerControlBar* ViewerPane() const { return m_viewer; }
    // Shows the pending selection in the viewer pane now (the pane does it
    // by itself when the window is next idle).
    void ShowPendingView();
    // The copy of a zip member shown in the pane ("" when none).
    std::string TemporaryViewFile() const;
    // The view now showing the file list.
    QWidget* FileView() const;
    CFileListModel* FileModel() const { return m_fileModel; }
    CDirectoryTreeModel* TreeModel() const { return m_treeModel; }
    // The columns of the details view in display order, with their widths.
    std::vector<ColumnSpec> ColumnLayout() const;

    // CCatalogueView
    void SetStatusText(int field, const std::string& text, bool repaint) override;
    void ShowProgress(const std::string& text) override;
    void ProgressEnded() override;
    void FileListChanged() override;
    void TreeChanged() override;

    // CFileDropTarget
    bool CanDropOn(const std::vector<std::string>& sources,
                   const std::string& targetDirectory) const override;
    bool DropOn(const std::vector<std::string>& sources,
                const std::string& targetDirectory) override;

  signals:
    void StatusTextChanged(int field, const QString& text, bool repaint);
    void CaptionChanged(const QString& caption);
    // The title changed (another drive or directory).
    void TitleChanged(const QString& title);
    // A key of the window asks for a command the frame carries out.
    void CommandRequested(int id);
    // Shift+Delete: the delete dialog with normal delete chosen.
    void DeleteRequested(bool skipRecycle);
    // The viewer pane's picture asked to become the wallpaper.
    void WallpaperRequested(const QString& hostPath);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Runs a file operation's job through the frame's job manager; a
    // window outside a frame runs it at once.
    void StartJob(std::unique_ptr<ui::Job> job);
    // The files of a group of the list, by the names a run addresses them
    // by; the group a dialog preselects (tagged, else the current file).
    std::function<std::vector<std::string>(int group)> ListGroupFiles();
    // The name column's cell of a row of the file list.
    QModelIndex NameIndex(const QModelIndex& index) const;
    void OnTreeCurrentChanged(const QModelIndex& current);
    void OnTreeExpanded(const QModelIndex& index);
    void OnTreeCollapsed(const QModelIndex& index);
    void OnFileCurrentChanged(const QModelIndex& current);
    void OnCommandLineEntered(const QString& line);
    void SelectCurrentDirectoryInTree();
    void ShowCaret();
    void ApplyTreeAction(const catalogue::CTreeCommandResult& result);
    void AfterDriveShown();
    void ReadCurrentBranch();
    bool ShowsZipList() const;
    // Chooses the columns of the list now current and sizes them.
    void ApplyColumns();
    // Keeps the details view's order and widths in the layout of its kind.
    void RememberColumnLayout();
    void LoadColumnLayouts(char letter);
    void SaveColumnLayouts();
    // Marks the caret file pending for the viewer pane; it is shown when
    // the window is idle (a run of caret moves shows only the last file).
    void UpdateViewerPane();
    void MakeFileViewer();
    // Starts the viewer's next take-out of a zip member as a job (one at a
    // time); its end shows the copy in the pane if the window still exists
    // and the caret has not moved on, and starts the next one.
    void StartViewTakeOut();
    void CancelViewTakeOut();
    // The shown directory is watched (one per window): a change made by
    // another program reads it again, after a short pause that gathers a
    // burst of changes into one read. View > Refresh reads it at once.
    void WatchShownDirectory();
    void ReadShownDirectoryAgain();
    // Sorting by a click on the details view's header, through the same
    // sort settings the Sort menu changes; the indicator shows the sort in
    // force on its column (none for an order no column gives).
    void SortByColumn(int section);
    void ShowSortIndicator();
    // Ctrl+click or Shift+click on a file list: tags; true when handled.
    bool TagByClick(QAbstractItemView* view, QMouseEvent* mouse);
    // The path bar over the file list: the current directory, editable;
    // Enter goes to what was typed, with the logged directories offered as
    // completions.
    QWidget* MakePathBar(QWidget* parent);
    void ShowPath();
    void GoToTypedPath();
    QStringList PathCompletions(const QString& typed) const;
    // The icon view's fixed settings and item delegate.
    void SetUpIconView();
    // Gives every item of the icon view the size of the view mode: in List
    // and Small Icons wide enough for the longest name of the list.
    void SizeIconViewItems();
    // Shows or hides the command line and viewer panes as the display
    // settings say.
    void LayOutPanes();
    // The first drive shown: the habitab of "Active Tab For Drive %c".
    void ApplyStartupHabitab(char letter);

    // The description source outlives the session that reads through it.
    fileops::C4DosDescriptionSource m_descriptionSource;
    catalogue::CFileManagerSession m_session;
    CDirectoryTreeModel* m_treeModel;
    CFileListModel* m_fileModel;
    QSplitter* m_splitter;
    QSplitter* m_listSplitter;
    QTreeView* m_tree;
    CHabitabWindow* m_tabs;
    QStackedWidget* m_fileStack;
    QTreeView* m_details;
    QListView* m_icons;
    CFileItemDelegate* m_itemDelegate = nullptr; // the icon view's
    CFileViewerControlBar* m_viewer;
    // The pane's dispatch (its temporary view file) and the private
    // directories of the members it takes out, shared with the take-out
    // jobs: a window closed while one runs leaves them to the job, and the
    // copy goes when the job ends.
    std::shared_ptr<fileops::LaunchTempDirectories> m_viewDirs;
    std::unique_ptr<viewers::CFileViewer> m_fileViewer;
    bool m_viewPending = false;
    // The take-out job running for the pane (0 none): cancelled when the
    // caret moves on or the window closes, so a large member that is no
    // longer wanted does not hold up the next one.
    uint64_t m_viewTakeOutJob = 0;
    QWidget* m_commandPane;
    CCommandField* m_commandLine;
    QLineEdit* m_pathBar = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_watchPause = nullptr;
    QString m_watched;               // the host directory watched, "" none
    QLabel* m_listProblem = nullptr; // over the list: why it could not be read
    QStringListModel* m_pathCompletions = nullptr;
    CJobManager* m_jobs = nullptr;
    std::set<std::string> m_expanded; // tree branches the user opened
    std::set<std::string> m_scanned;  // branches read by a lazy expansion
    std::array<QString, 5> m_status;  // fields 1 to 4 (never a progress text)
    bool m_syncing = false;           // the window itself moves the views
    bool m_lineRunning = false;       // a command line waits for its job
    // Column layouts of the drive letter m_layoutLetter (0: none read yet).
    char m_layoutLetter = 0;
    std::vector<ColumnSpec> m_fileLayout;
    std::vector<ColumnSpec> m_zipLayout;
    QString m_shownTitle;             // the title last announced
    std::optional<bool> m_columnsZip; // which kind the details view shows
    std::vector<int> m_columnsWanted; // the ids it shows, as chosen
};

// Hands a change notice to every open file manager window. GUI thread only.
void BroadcastCatalogueChange(char driveLetter, const std::string& dosPath);

} // namespace vorlane::gui
