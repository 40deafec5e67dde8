// The "Find Files" window: finds files below a DOS directory by name
// (wildcards and [file sets]), by the criteria of the criteria dialog and
// by text they contain, and lists them as they are found.
//
// The find runs as a job (CJobManager) on a worker thread. The worker only
// walks the disk: each found file is stat'ed there and put into a batch
// shared with the window, which a timer on the GUI thread drains into the
// list, so nothing of the window or of the catalogue is touched off the
// GUI thread and a burst of results costs one repaint per tick. Stop (and
// closing the window) sets the job's cancel flag.
//
// A click on a column heading sorts the results by that column (sizes and
// dates by value), a second click the other way; until then they stay in
// the order they were found. The groups below always follow the rows as
// shown.
//
// A double click on a result shows its directory in a file manager window
// with the caret on the file; "Tag in Window" tags the results that lie in
// the active window's current directory. Copy, Move and Delete hand the
// results to the copy and delete dialogs as a file group: the selected rows
// are the tagged files, the row with the focus the current one; the copy
// dialog checks its target against each file's own directory. After such
// a run the rows of files that are gone are dropped.
//
// The fields and boxes are kept in section "Find Files" of the settings
// when a find starts, and filled from there when the window opens.
#pragma once

#include "search/CFileSearchRequest.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vorlane::ui {
class Job;
}

namespace vorlane::gui {

class CJobManager;
class TFileManagerWindow;

class CFindFilesWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14625;
    static constexpr const char* kCaption = "Find Files";
    static constexpr const char* kSettingsSection = "Find Files";
    enum Column { kColumnName, kColumnDirectory, kColumnSize, kColumnDate, kColumnCount };

    // What the window needs of the frame.
    struct Hooks {
        // The active file manager window; null when there is none.
        std::function<TFileManagerWindow*()> activeWindow;
        // A file manager window showing the DOS directory (opened or
        // activated); null when it cannot be shown.
        std::function<TFileManagerWindow*(const std::string& dosDirectory)> showDirectory;
        // Runs a dialog (modal) with its help context; the frame's dialog runner.
        std::function<int(QDialog&, int helpContext)> runDialog;
    };

    CFindFilesWindow(CJobManager& jobs, Hooks hooks, QWidget* parent = nullptr);
    ~CFindFilesWindow() override;

    // Find: starts a find with what the fields hold; false (the user was
    // told why) when a field is refused or a find is running.
    bool StartFind();
    // Stop: asks the running find to end.
    void Stop();
    bool Running() const { return m_jobId != 0; }

    // Shows the result's directory with the caret on it; false when the
    // row is out of range or no window could show it.
    bool GoToResult(int row);
    // Tags the results in the active window's current directory; returns
    // how many files were tagged (-1 without an active window).
    int TagInWindow();
    // The DOS path of a result row.
    std::string ResultPath(int row) const;
    // The DOS paths of a file group of the results (catalogue::FileGroup:
    // every row, the selected rows as tagged, the others as untagged, the
    // row with the focus as current), in list order.
    std::vector<std::string> GroupPaths(int group) const;
    // Copy or Move: the copy dialog on the results, then the run as a job;
    // false when there is nothing to hand on or the dialog was cancelled.
    bool CopyResults(bool move);
    // Delete: the delete dialog on the results, then the run as a job.
    bool DeleteResults();

    QLineEdit* LookIn() const { return m_lookIn; }
    QLineEdit* Named() const { return m_named; }
    QLineEdit* Containing() const { return m_containing; }
    QCheckBox* PatternBox() const { return m_pattern; }
    QCheckBox* MatchCaseBox() const { return m_matchCase; }
    QCheckBox* SkipBinaryBox() const { return m_skipBinary; }
    QPushButton* FindButton() const { return m_find; }
    QPushButton* StopButton() const { return m_stop; }
    QPushButton* CriteriaButton() const { return m_criteria; }
    QPushButton* TagButton() const { return m_tag; }
    QPushButton* CopyButton() const { return m_copy; }
    QPushButton* MoveButton() const { return m_move; }
    QPushButton* DeleteButton() const { return m_delete; }
    QTreeWidget* Results() const { return m_results; }
    QLabel* Status() const { return m_status; }

    // The conditions chosen with "Criteria..." (none at first).
    const search::CFileSearchRequest& Request() const { return m_request; }
    void SetRequest(search::CFileSearchRequest request) { m_request = std::move(request); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct Batch;
    void ChooseCriteria();
    void Drain();
    void Finished(bool cancelled, const std::string& error);
    void UpdateButtons();
    // The group preselected in the dialogs: tagged when rows are selected.
    int PreselectedGroup() const;
    // Starts a run over the results; drops the rows of vanished files when
    // it ends.
    void StartRun(std::unique_ptr<ui::Job> job);
    template <class Dialog, class Make, class Start>
    bool RunOnResults(int helpContext, Make make, Start start);
    void DropVanishedRows();
    void LoadSettings();
    void StoreSettings() const;

    CJobManager& m_jobs;
    Hooks m_hooks;
    search::CFileSearchRequest m_request;
    std::shared_ptr<Batch> m_batch;
    uint64_t m_jobId = 0;
    std::string m_root; // the DOS directory the listed results were found in
    bool m_stopped = false;

    QLineEdit* m_lookIn;
    QLineEdit* m_named;
    QLineEdit* m_containing;
    QCheckBox* m_pattern;
    QCheckBox* m_matchCase;
    QCheckBox* m_skipBinary;
    QPushButton* m_criteria;
    QPushButton* m_find;
    QPushButton* m_stop;
    QPushButton* m_tag;
    QPushButton* m_copy;
    QPushButton* m_move;
    QPushButton* m_delete;
    QTreeWidget* m_results;
    QLabel* m_status;
};

} // namespace vorlane::gui
