// TFileManagerWindow: the client of a file manager MDI child: the
// directory tree beside the file list of the current directory, over one
// CFileManagerSession that the window owns (its logged drives, current
// directory, caret, tags and display settings).
//
// The window is the session's CCatalogueView: the session tells it when the
// tree or the file list must be shown again and what the status bar
// fields say; the window passes the fields on through StatusTextChanged.
//
// Keys: Enter in the tree opens the branch and goes to it, on a file it
// opens the file; Backspace goes
// to the parent directory; Tab moves between tree and list. The tag, tree,
// sort and view commands arrive by id through RunCommand().
#pragma once

#include "catalogue/CFileManagerSession.h"

#include <QWidget>

#include <array>
#include <set>
#include <string>

class QListView;
class QModelIndex;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QTreeView;

namespace vorlane::gui {

class CDirectoryTreeModel;
class CFileListModel;

// The view modes of the file list.
enum class FileViewMode { Details, LargeIcons, List, SmallIcons, Thumbnails };

class TFileManagerWindow : public QWidget, public catalogue::CCatalogueView {
    Q_OBJECT
  public:
    explicit TFileManagerWindow(QWidget* parent = nullptr);
    ~TFileManagerWindow() override;

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
    // "Drive C"; "" before a drive is shown, "No drive" after an unlog.
    QString Caption() const;

    // Runs a command of the window's menus; false when the id is not one
    // the window carries out (the frame then says it is not available).
    bool RunCommand(int id, bool ctrlHeld = false);
    // The status bar fields as the window last set them (1 to 4).
    QString StatusText(int field) const;
    // Fills the status bar fields again (the window became active).
    void ShowTotals();

    bool TreeHasFocus() const;
    FileViewMode ViewMode() const { return m_viewMode; }
    void SetViewMode(FileViewMode mode);

    QTreeView* Tree() const { return m_tree; }
    QTreeView* DetailsView() const { return m_details; }
    QListView* IconView() const { return m_icons; }
    // The view now showing the file list.
    QWidget* FileView() const;
    CFileListModel* FileModel() const { return m_fileModel; }
    CDirectoryTreeModel* TreeModel() const { return m_treeModel; }

    // CCatalogueView
    void SetStatusText(int field, const std::string& text, bool repaint) override;
    void FileListChanged() override;
    void TreeChanged() override;

  signals:
    void StatusTextChanged(int field, const QString& text, bool repaint);
    void CaptionChanged(const QString& caption);
    // A key of the window asks for a command the frame carries out.
    void CommandRequested(int id);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnTreeCurrentChanged(const QModelIndex& current);
    void OnTreeExpanded(const QModelIndex& index);
    void OnTreeCollapsed(const QModelIndex& index);
    void OnFileCurrentChanged(const QModelIndex& current);
    void SelectCurrentDirectoryInTree();
    void ShowCaret();
    void ApplyTreeAction(const catalogue::CTreeCommandResult& result);
    void AfterDriveShown();
    void ReadCurrentBranch();

    catalogue::CFileManagerSession m_session;
    CDirectoryTreeModel* m_treeModel;
    CFileListModel* m_fileModel;
    QSplitter* m_splitter;
    QTreeView* m_tree;
    QTabBar* m_tabs;
    QStackedWidget* m_fileStack;
    QTreeView* m_details;
    QListView* m_icons;
    FileViewMode m_viewMode = FileViewMode::Details;
    std::set<std::string> m_expanded; // tree branches the user opened
    std::set<std::string> m_scanned;  // branches read by a lazy expansion
    std::array<QString, 5> m_status;  // fields 1 to 4
    bool m_syncing = false;           // the window itself moves the views
};

} // namespace vorlane::gui
