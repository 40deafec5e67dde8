#include "gui/CFindFilesWindow.h"

#include "app/VorlaneApp.h"
#include "catalogue/CFileContainer.h"
#include "catalogue/CatalogueTypes.h"
#include "catalogue/SizeFormat.h"
#include "fileops/FileListRun.h"
#include "gui/CCopyDialog.h"
#include "gui/CCustomTagDialog.h"
#include "gui/CFileOpDialogs.h"
#include "gui/CJobManager.h"
#include "gui/DialogSupport.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPath.h"
#include "search/CFileFinder.h"
#include "ui/UserInterface.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace vorlane::gui {

namespace {

// "1 file", "2 files".
QString Files(int count) {
    return QString("%1 %2").arg(count).arg(count == 1 ? "file" : "files");
}

// How often found files are moved from the worker's batch into the list.
constexpr int kDrainIntervalMs = 100;

// The data roles of a row's name cell.
constexpr int kDosPathRole = Qt::UserRole;
constexpr int kHostPathRole = Qt::UserRole + 1;
// The value a size or date cell sorts by (bytes, seconds since the epoch).
constexpr int kSortValueRole = Qt::UserRole + 2;

// A row of the results. A header click sorts the rows by its column: names
// and directories alphabetically without regard to case, sizes and dates by
// their values; rows that tie keep the order of their full paths.
class ResultItem : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const QTreeWidget* list = treeWidget();
        const int column = list ? list->sortColumn() : -1;
        int order = 0;
        switch (column) {
        case CFindFilesWindow::kColumnSize:
            order = Compare(data(column, kSortValueRole).toULongLong(),
                            other.data(column, kSortValueRole).toULongLong());
            break;
        case CFindFilesWindow::kColumnDate:
            order = Compare(data(column, kSortValueRole).toLongLong(),
                            other.data(column, kSortValueRole).toLongLong());
            break;
        case CFindFilesWindow::kColumnName:
        case CFindFilesWindow::kColumnDirectory:
            order = text(column).compare(other.text(column), Qt::CaseInsensitive);
            break;
        default:
            return false; // not sorted: the rows keep the order they were found in
        }
        if (order == 0)
            order = data(CFindFilesWindow::kColumnName, kDosPathRole)
                        .toString()
                        .compare(other.data(CFindFilesWindow::kColumnName, kDosPathRole).toString(),
                                 Qt::CaseInsensitive);
        return order < 0;
    }

  private:
    template <class T> static int Compare(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }
};

// Keys of the settings section.
constexpr const char* kNamedKey = "Named";
constexpr const char* kContainingKey = "Containing";
constexpr const char* kPatternKey = "Pattern";
constexpr const char* kMatchCaseKey = "Match Case";
constexpr const char* kSkipBinaryKey = "Skip Binary";

struct FoundFile {
    std::string dosPath;
    std::string hostPath;
    uint64_t size = 0;
    int64_t modified = 0; // seconds since the epoch
};

} // namespace

// Found files handed from the job's thread to the GUI thread.
struct CFindFilesWindow::Batch {
    std::mutex mutex;
    std::vector<FoundFile> files;
};

namespace {

class CFindJob : public ui::Job {
  public:
    CFindJob(std::unique_ptr<search::CFileFinder> finder, std::string dosPrefix,
             std::shared_ptr<void> batchOwner, std::mutex* mutex, std::vector<FoundFile>* files,
             std::shared_ptr<std::string> error, std::shared_ptr<bool> cancelled)
        : m_finder(std::move(finder)), m_prefix(std::move(dosPrefix)),
          m_batchOwner(std::move(batchOwner)), m_mutex(mutex), m_files(files),
          m_error(std::move(error)), m_cancelled(std::move(cancelled)) {}

    std::string Title() const override { return "Find Files in " + m_prefix; }
    // Reading only: a find never waits for a copy on the same drive.
    std::string DriveLetters() const override { return ""; }

    ui::JobResult Run(ui::OperationContext& context) override {
        const std::string root = m_finder->Parameters().hostRoot;
        std::string error;
        const bool ran = m_finder->Run(
            [&](const std::string& relative) {
                FoundFile file;
                file.dosPath = search::FoundDosPath(m_prefix, relative);
                file.hostPath = root + "/" + relative;
                struct stat st {};
                if (::lstat(file.hostPath.c_str(), &st) == 0) {
                    file.size = static_cast<uint64_t>(st.st_size);
                    file.modified = st.st_mtime;
                }
                std::lock_guard<std::mutex> lock(*m_mutex);
                m_files->push_back(std::move(file));
            },
            context.CancelFlag().get(), &error);
        ui::JobResult result;
        result.ok = ran;
        result.cancelled = m_finder->Summary().cancelled;
        result.summary = std::to_string(m_finder->Summary().found) + " files found";
        *m_error = ran ? std::string() : error;
        *m_cancelled = result.cancelled;
        return result;
    }

  private:
    std::unique_ptr<search::CFileFinder> m_finder;
    std::string m_prefix;
    std::shared_ptr<void> m_batchOwner; // keeps the batch alive while the job runs
    std::mutex* m_mutex;
    std::vector<FoundFile>* m_files;
    std::shared_ptr<std::string> m_error;
    std::shared_ptr<bool> m_cancelled;
};

// "C:\DOCS\A.TXT" -> "C:\DOCS" and "A.TXT"; the root keeps its backslash.
void SplitDosPath(const std::string& path, std::string* directory, std::string* name) {
    const size_t slash = path.rfind('\\');
    *name = path.substr(slash + 1);
    *directory = path.substr(0, slash == 2 ? 3 : slash);
}

} // namespace

CFindFilesWindow::CFindFilesWindow(CJobManager& jobs, Hooks hooks, QWidget* parent)
    : QDialog(parent), m_jobs(jobs), m_hooks(std::move(hooks)) {
    setWindowTitle(kCaption);
    setObjectName("FindFiles");
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_lookIn = new QLineEdit(this);
    m_named = new QLineEdit("*.*", this);
    m_containing = new QLineEdit(this);
    m_pattern = new QCheckBox("&Pattern", this);
    m_matchCase = new QCheckBox("&Match case", this);
    m_skipBinary = new QCheckBox("S&kip binary files", this);
    m_criteria = new QPushButton("C&riteria...", this);
    m_find = new QPushButton("&Find", this);
    m_stop = new QPushButton("&Stop", this);
    m_tag = new QPushButton("&Tag in Window", this);
    m_copy = new QPushButton("C&opy...", this);
    m_move = new QPushButton("Mo&ve...", this);
    m_delete = new QPushButton("&Delete...", this);
    m_results = new QTreeWidget(this);
    m_status = new QLabel(this);
    m_find->setDefault(true);

    m_results->setColumnCount(kColumnCount);
    m_results->setHeaderLabels({"Name", "In Directory", "Size", "Modified"});
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_results->header()->resizeSection(kColumnName, 140);
    m_results->header()->resizeSection(kColumnDirectory, 180);
    m_results->header()->resizeSection(kColumnSize, 70);
    // The rows stay in the order they were found until a header is
    // clicked; a first click on a column sorts it ascending, the next
    // one the other way.
    for (int column = 0; column < kColumnCount; ++column)
        m_results->headerItem()->setData(column, Qt::InitialSortOrderRole,
                                         static_cast<int>(Qt::AscendingOrder));
    m_results->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_results->setSortingEnabled(true);

    auto* form = new QFormLayout;
    form->addRow("&Look in:", m_lookIn);
    form->addRow("&Named:", m_named);
    auto* containingRow = new QHBoxLayout;
    containingRow->addWidget(m_containing, 1);
    containingRow->addWidget(m_pattern);
    containingRow->addWidget(m_matchCase);
    auto* containingLabel = new QLabel("&Containing:", this);
    containingLabel->setBuddy(m_containing);
    form->addRow(containingLabel, containingRow);
    auto* optionsRow = new QHBoxLayout;
    optionsRow->addWidget(m_skipBinary);
    optionsRow->addStretch(1);
    optionsRow->addWidget(m_criteria);
    form->addRow(optionsRow);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_find);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);
    buttons->addWidget(m_tag);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_move);
    buttons->addWidget(m_delete);
    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_results, 1);
    layout->addWidget(m_status);
    resize(600, 400);

    auto* timer = new QTimer(this);
    timer->setInterval(kDrainIntervalMs);
    connect(timer, &QTimer::timeout, this, &CFindFilesWindow::Drain);
    timer->start();
    connect(m_find, &QPushButton::clicked, this, [this] { StartFind(); });
    connect(m_stop, &QPushButton::clicked, this, &CFindFilesWindow::Stop);
    connect(m_criteria, &QPushButton::clicked, this, &CFindFilesWindow::ChooseCriteria);
    connect(m_tag, &QPushButton::clicked, this, [this] { TagInWindow(); });
    connect(m_copy, &QPushButton::clicked, this, [this] { CopyResults(false); });
    connect(m_move, &QPushButton::clicked, this, [this] { CopyResults(true); });
    connect(m_delete, &QPushButton::clicked, this, [this] { DeleteResults(); });
    connect(m_results, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { GoToResult(m_results->indexOfTopLevelItem(item)); });

    if (TFileManagerWindow* fm = m_hooks.activeWindow ? m_hooks.activeWindow() : nullptr)
        m_lookIn->setText(QString::fromStdString(fm->Session().CurrentDirectoryPath()));
    LoadSettings();
    UpdateButtons();
    // What to find is typed first; the directory is usually the window's.
    m_named->setFocus();
    m_named->selectAll();
}

CFindFilesWindow::~CFindFilesWindow() {
    // The job holds the batch itself; it only has to stop.
    if (m_jobId != 0)
        m_jobs.Cancel(m_jobId);
}

void CFindFilesWindow::closeEvent(QCloseEvent* event) {
    Stop();
    QDialog::closeEvent(event);
}

bool CFindFilesWindow::StartFind() {
    if (Running())
        return false;
    search::FindParameters parameters;
    parameters.fileTypes = m_named->text().trimmed().toStdString();
    parameters.request = m_request;
    parameters.containing = m_containing->text().toStdString();
    parameters.mode = m_pattern->isChecked() ? search::PatternMode::kRegularExpression
                                             : search::PatternMode::kPlainText;
    parameters.ignoreCase = !m_matchCase->isChecked();
    parameters.skipBinary = m_skipBinary->isChecked();

    const ui::OperationContext context = m_jobs.NewContext();
    std::string dosRoot = m_lookIn->text().trimmed().toStdString();
    std::string prefix;
    std::string error;
    if (!search::ResolveFindRoot(dosRoot, context.Drives(), &parameters.hostRoot, &prefix,
                                 &error)) {
        ui::Current().Message(dosRoot + ": " + error);
        m_lookIn->setFocus();
        return false;
    }
    // File sets are read from the object database here, on its thread.
    std::unique_ptr<search::CFileSetStore> sets = AppFileSets();
    parameters.sets = sets.get();
    auto finder = std::make_unique<search::CFileFinder>();
    if (!finder->Prepare(std::move(parameters), &error)) {
        ui::Current().Message(error);
        (m_containing->text().isEmpty() ? m_named : m_containing)->setFocus();
        return false;
    }

    StoreSettings();
    // The prefix ends in a backslash; a directory other than a root does not.
    m_root =
        prefix.size() > 3 && prefix.back() == '\\' ? prefix.substr(0, prefix.size() - 1) : prefix;
    m_results->clear();
    m_stopped = false;
    m_batch = std::make_shared<Batch>();
    auto jobError = std::make_shared<std::string>();
    auto cancelled = std::make_shared<bool>(false);
    auto job = std::make_unique<CFindJob>(std::move(finder), prefix, m_batch, &m_batch->mutex,
                                          &m_batch->files, jobError, cancelled);
    m_status->setText("Searching...");
    QPointer<CFindFilesWindow> self(this);
    // Set before Start: a job run inline ends before Start returns.
    m_jobId = UINT64_MAX;
    const uint64_t id =
        m_jobs.Start(std::move(job), [self, jobError, cancelled](const ui::JobResult&) {
            if (self)
                self->Finished(*cancelled, *jobError);
        });
    if (m_jobId == UINT64_MAX)
        m_jobId = id;
    UpdateButtons();
    return true;
}

void CFindFilesWindow::Stop() {
    if (!Running())
        return;
    m_stopped = true;
    m_jobs.Cancel(m_jobId);
    m_status->setText("Stopping...");
}

void CFindFilesWindow::Drain() {
    if (!m_batch)
        return;
    std::vector<FoundFile> files;
    {
        std::lock_guard<std::mutex> lock(m_batch->mutex);
        files.swap(m_batch->files);
    }
    if (files.empty())
        return;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(files.size()));
    for (const FoundFile& file : files) {
        std::string directory, name;
        SplitDosPath(file.dosPath, &directory, &name);
        auto* item = new ResultItem;
        item->setText(kColumnName, QString::fromStdString(name));
        item->setText(kColumnDirectory, QString::fromStdString(directory));
        item->setText(kColumnSize, QString::fromStdString(catalogue::FormatCount(file.size, 0)));
        item->setData(kColumnSize, kSortValueRole, QVariant::fromValue<qulonglong>(file.size));
        item->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kColumnDate,
                      QDateTime::fromSecsSinceEpoch(file.modified).toString("yyyy-MM-dd hh:mm"));
        item->setData(kColumnDate, kSortValueRole, QVariant::fromValue<qlonglong>(file.modified));
        item->setData(kColumnName, kDosPathRole, QString::fromStdString(file.dosPath));
        item->setData(kColumnName, kHostPathRole, QString::fromStdString(file.hostPath));
        items.push_back(item);
    }
    m_results->addTopLevelItems(items);
    if (Running())
        m_status->setText("Searching... " + Files(m_results->topLevelItemCount()) + " found");
}

void CFindFilesWindow::Finished(bool cancelled, const std::string& error) {
    m_jobId = 0;
    Drain();
    m_batch.reset();
    const int found = m_results->topLevelItemCount();
    if (!error.empty())
        m_status->setText(QString::fromStdString(error));
    else if (cancelled || m_stopped)
        m_status->setText("Stopped: " + Files(found) + " found");
    else
        m_status->setText(Files(found) + " found");
    UpdateButtons();
}

void CFindFilesWindow::UpdateButtons() {
    m_find->setEnabled(!Running());
    m_stop->setEnabled(Running());
    m_criteria->setEnabled(!Running());
    // The results are handed on only once the find has ended.
    for (QPushButton* button : {m_copy, m_move, m_delete})
        button->setEnabled(!Running());
}

void CFindFilesWindow::ChooseCriteria() {
    CCustomTagDialog dialog(this, CCustomTagDialog::kCriteriaCaption);
    const int result = m_hooks.runDialog
                           ? m_hooks.runDialog(dialog, CCustomTagDialog::kCriteriaHelpContext)
                           : dialog.exec();
    if (result == QDialog::Accepted && dialog.Criteria())
        m_request = dialog.Criteria()->Request();
}

std::string CFindFilesWindow::ResultPath(int row) const {
    const QTreeWidgetItem* item = m_results->topLevelItem(row);
    return item ? item->data(kColumnName, kDosPathRole).toString().toStdString() : std::string();
}

std::vector<std::string> CFindFilesWindow::GroupPaths(int group) const {
    std::vector<std::string> paths;
    const QTreeWidgetItem* current = m_results->currentItem();
    for (int row = 0; row < m_results->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_results->topLevelItem(row);
        bool take = false;
        switch (group) {
        case catalogue::kGroupEvery:
            take = true;
            break;
        case catalogue::kGroupTagged:
            take = item->isSelected();
            break;
        case catalogue::kGroupUntagged:
            take = !item->isSelected();
            break;
        case catalogue::kGroupCurrent:
            take = item == current;
            break;
        default:
            break;
        }
        if (take)
            paths.push_back(ResultPath(row));
    }
    return paths;
}

int CFindFilesWindow::PreselectedGroup() const {
    return m_results->selectedItems().isEmpty() ? catalogue::kGroupEvery : catalogue::kGroupTagged;
}

// Runs a dialog made on the results' groups by make (the directory, the
// group function, the preselected group) and, on OK, hands its parameters
// to start; false when there are no results or the dialog was cancelled.
template <class Dialog, class Make, class Start>
bool CFindFilesWindow::RunOnResults(int helpContext, Make make, Start start) {
    if (Running() || m_results->topLevelItemCount() == 0)
        return false;
    QPointer<CFindFilesWindow> self(this);
    const auto files = [self](int group) {
        return self ? self->GroupPaths(group) : std::vector<std::string>();
    };
    std::unique_ptr<Dialog> dialog = make(m_root, files, PreselectedGroup());
    const int result = m_hooks.runDialog ? m_hooks.runDialog(*dialog, helpContext) : dialog->exec();
    if (result != QDialog::Accepted || !self)
        return false;
    auto p = dialog->Parameters();
    p.descriptions = m_jobs.NewContext().Options().fourDosDescriptions;
    const std::vector<std::string> paths = std::move(p.files);
    p.files.clear();
    StartRun(start(std::move(p), paths));
    return true;
}

bool CFindFilesWindow::CopyResults(bool move) {
    return RunOnResults<CCopyDialog>(
        CCopyDialog::kHelpContext,
        [&](const std::string& root, CCopyDialog::GroupFiles files, int group) {
            return CCopyDialog::ForFileList(root, std::move(files), group, move, this);
        },
        [](fileops::CCopyParameters p, const std::vector<std::string>& paths) {
            return std::make_unique<fileops::CFileListCopyJob>(std::move(p), paths);
        });
}

bool CFindFilesWindow::DeleteResults() {
    return RunOnResults<CDeleteDialog>(
        CDeleteDialog::kHelpContext,
        [&](const std::string& root, GroupFiles files, int group) {
            return CDeleteDialog::ForFiles(root, std::move(files), group, false, this);
        },
        [](fileops::CDeleteParameters p, const std::vector<std::string>& paths) {
            return std::make_unique<fileops::CFileListDeleteJob>(std::move(p), paths);
        });
}

void CFindFilesWindow::StartRun(std::unique_ptr<ui::Job> job) {
    QPointer<CFindFilesWindow> self(this);
    m_jobs.Start(std::move(job), [self](const ui::JobResult&) {
        if (self)
            self->DropVanishedRows();
    });
}

void CFindFilesWindow::DropVanishedRows() {
    int dropped = 0;
    for (int row = m_results->topLevelItemCount() - 1; row >= 0; --row) {
        const QTreeWidgetItem* item = m_results->topLevelItem(row);
        const std::string host = item->data(kColumnName, kHostPathRole).toString().toStdString();
        struct stat st {};
        if (host.empty() || ::lstat(host.c_str(), &st) == 0)
            continue;
        delete m_results->takeTopLevelItem(row);
        ++dropped;
    }
    if (dropped > 0)
        m_status->setText(Files(m_results->topLevelItemCount()) + " found, " + Files(dropped) +
                          " gone");
}

void CFindFilesWindow::LoadSettings() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return;
    // A section never written leaves the window's own defaults.
    const std::string named = a->ReadString(kSettingsSection, kNamedKey);
    if (!named.empty())
        m_named->setText(QString::fromStdString(named));
    m_containing->setText(QString::fromStdString(a->ReadString(kSettingsSection, kContainingKey)));
    m_pattern->setChecked(a->ReadInt(kSettingsSection, kPatternKey, 0) != 0);
    m_matchCase->setChecked(a->ReadInt(kSettingsSection, kMatchCaseKey, 0) != 0);
    m_skipBinary->setChecked(a->ReadInt(kSettingsSection, kSkipBinaryKey, 0) != 0);
}

void CFindFilesWindow::StoreSettings() const {
    const fileops::SettingsWriter write = AppWriter();
    if (!write)
        return;
    write(kSettingsSection, kNamedKey, m_named->text().trimmed().toStdString());
    write(kSettingsSection, kContainingKey, m_containing->text().toStdString());
    write(kSettingsSection, kPatternKey, m_pattern->isChecked() ? "1" : "0");
    write(kSettingsSection, kMatchCaseKey, m_matchCase->isChecked() ? "1" : "0");
    write(kSettingsSection, kSkipBinaryKey, m_skipBinary->isChecked() ? "1" : "0");
}

bool CFindFilesWindow::GoToResult(int row) {
    const std::string path = ResultPath(row);
    if (path.empty() || !m_hooks.showDirectory)
        return false;
    std::string directory, name;
    SplitDosPath(path, &directory, &name);
    TFileManagerWindow* fm = m_hooks.showDirectory(directory);
    if (!fm)
        return false;
    fm->Session().SetCaretByName(name);
    fm->FileListChanged();
    return true;
}

int CFindFilesWindow::TagInWindow() {
    TFileManagerWindow* fm = m_hooks.activeWindow ? m_hooks.activeWindow() : nullptr;
    if (!fm)
        return -1;
    catalogue::CFileManagerSession& session = fm->Session();
    const std::string current = session.CurrentDirectoryPath();
    int tagged = 0;
    for (int row = 0; row < m_results->topLevelItemCount(); ++row) {
        std::string directory, name;
        SplitDosPath(ResultPath(row), &directory, &name);
        if (!platform::NamesEqual(directory, current))
            continue;
        for (int index = 0; index < session.FileCount(); ++index) {
            if (platform::NamesEqual(session.File(index)->Name(), name)) {
                tagged += session.ChangeTags(index, index, 1);
                break;
            }
        }
    }
    m_status->setText(Files(tagged) + " tagged");
    return tagged;
}

} // namespace vorlane::gui
