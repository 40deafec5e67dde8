#include "gui/TFileManagerWindow.h"

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDriveIncremental.h"
#include "catalogue/CFileContainer.h"
#include "catalogue/SizeFormat.h"
#include "command/CommandCompletion.h"
#include "gui/CCommandField.h"
#include "gui/CDirectoryTreeModel.h"
#include "gui/CFileListModel.h"
#include "gui/CFileViewerControlBar.h"
#include "gui/CHabitabWindow.h"
#include "gui/Commands.h"
#include "gui/DialogSupport.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <climits>
#include <iterator>

namespace vorlane::gui {

namespace {

// The parent of a DOS path; "" for a root or an empty path.
std::string ParentPath(const std::string& path) {
    if (path.size() <= 3)
        return "";
    size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        return "";
    return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

std::vector<TFileManagerWindow*>& Registry() {
    static std::vector<TFileManagerWindow*> windows;
    return windows;
}

QTreeView* MakeDetailsView(QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true); // large directories: no per-row measuring
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSortingEnabled(false);               // the sort commands order the list
    view->header()->setStretchLastSection(false); // widths are the user's, kept per drive
    view->header()->setSectionsMovable(true);     // the order is kept per drive
    view->header()->setDefaultSectionSize(90);
    return view;
}

} // namespace

TFileManagerWindow::TFileManagerWindow(QWidget* parent) : QWidget(parent) {
    Registry().push_back(this);
    m_session.SetView(this);
    m_session.SetDescriptionSource(&m_descriptionSource);
    m_treeModel = new CDirectoryTreeModel(this);
    m_treeModel->SetDropTarget(this);
    m_fileModel = new CFileListModel(m_session, this);
    m_fileModel->SetDropTarget(this);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_tree = new QTreeView(m_splitter);
    m_tree->setHeaderHidden(true);
    m_tree->setModel(m_treeModel);
    m_tree->setUniformRowHeights(true);
    m_tree->setExpandsOnDoubleClick(true);
    m_tree->setDragDropMode(QAbstractItemView::DragDrop); // directories drag like files
    m_tree->setDefaultDropAction(Qt::CopyAction);
    m_tree->setDragDropOverwriteMode(true); // drops land on a branch
    m_tree->setDropIndicatorShown(true);

    auto* right = new QWidget(m_splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    m_tabs = new CHabitabWindow(right);
    connect(m_tabs, &CHabitabWindow::HabitabClicked, this, [this](int index) {
        // Copied: applying may run a status window, and the list must not
        // change under it.
        if (const display::CHabitabItem* habitab = Habitabs().Item(index)) {
            const display::CHabitabItem chosen = *habitab;
            ApplyHabitab(chosen);
        }
    });
    connect(m_tabs, &CHabitabWindow::DialogRequested, this,
            [this] { emit CommandRequested(kCmdHabiTabs); });
    m_listSplitter = new QSplitter(Qt::Horizontal, right);
    m_fileStack = new QStackedWidget(m_listSplitter);
    m_details = MakeDetailsView(m_fileStack);
    m_details->setModel(m_fileModel);
    // A click on a column's header sorts by it (again: the other way).
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSortIndicatorShown(true);
    connect(m_details->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortByColumn(section); });
    m_details->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_details->header(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                QMenu* menu = MakeHeaderMenu(this);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->popup(m_details->header()->mapToGlobal(at));
            });
    m_icons = new QListView(m_fileStack);
    m_icons->setModel(m_fileModel);
    SetUpIconView();
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDefaultDropAction(Qt::CopyAction);
        view->setDragDropOverwriteMode(true);
    }
    m_fileStack->addWidget(m_details);
    m_fileStack->addWidget(m_icons);
    m_viewer = new CFileViewerControlBar(true, m_listSplitter);
    m_viewer->setObjectName("viewerPane");
    connect(m_viewer, &CFileViewerControlBar::WallpaperRequested, this,
            &TFileManagerWindow::WallpaperRequested);
    MakeFileViewer();
    m_listSplitter->addWidget(m_fileStack);
    m_listSplitter->addWidget(m_viewer);
    m_listSplitter->setObjectName("listSplitter");
    m_listSplitter->setStretchFactor(0, 3);
    m_listSplitter->setStretchFactor(1, 2);
    // Sizes of its own, three to two, until the user drags the handle:
    // without them the splitter shares by the panes' size hints, and the
    // list and the pane would jump at each caret move between a picture
    // and a text (the text's controls ask for more width).
    m_listSplitter->setSizes({300, 200});
    rightLayout->addWidget(MakePathBar(right));
    rightLayout->addWidget(m_tabs);
    // Why the list is empty when the directory could not be read.
    m_listProblem = new QLabel(right);
    m_listProblem->setObjectName("listProblem");
    m_listProblem->setWordWrap(true);
    m_listProblem->setStyleSheet("QLabel { background: #fff3cd; color: #5c4400; padding: 3px; }");
    m_listProblem->hide();
    rightLayout->addWidget(m_listProblem);
    rightLayout->addWidget(m_listSplitter, 1);

    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 3);
    m_splitter->setSizes({180, 420}); // the tree a third wide at first, scaled to the window

    m_commandPane = new QWidget(this);
    auto* commandLayout = new QHBoxLayout(m_commandPane);
    commandLayout->setContentsMargins(2, 2, 2, 2);
    auto* prompt = new QLabel("Command:", m_commandPane);
    m_commandLine = new CCommandField(m_commandPane);
    m_commandLine->setObjectName("commandLine");
    prompt->setBuddy(m_commandLine);
    commandLayout->addWidget(prompt);
    commandLayout->addWidget(m_commandLine, 1);
    m_commandLine->SetCompleter([this](const std::string& line) {
        return command::CompleteLine(line, m_session.CurrentDirectoryPath(), *CurrentDrives());
    });
    connect(m_commandLine, &CCommandField::LineEntered, this,
            &TFileManagerWindow::OnCommandLineEntered);
    connect(m_commandLine, &CCommandField::LeaveRequested, this,
            [this] { m_fileStack->currentWidget()->setFocus(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(m_commandPane);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnTreeCurrentChanged(current); });
    connect(m_tree, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { OnTreeExpanded(index); });
    connect(m_tree, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { OnTreeCollapsed(index); });
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)})
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) { OnFileCurrentChanged(current); });
    for (QWidget* w : {static_cast<QWidget*>(m_tree), static_cast<QWidget*>(m_details),
                       static_cast<QWidget*>(m_icons)})
        w->installEventFilter(this);
    // Right-click menus: the tree's on a branch (which becomes current), the
    // lists' on a file (the caret moves there first).
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex branch = m_tree->indexAt(at);
        if (branch.isValid())
            m_tree->setCurrentIndex(branch);
        ShowContextMenu(true, m_tree->viewport()->mapToGlobal(at));
    });
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            const QModelIndex file = view->indexAt(at);
            if (file.isValid())
                view->setCurrentIndex(file);
            ShowContextMenu(false, view->viewport()->mapToGlobal(at));
        });
    }
    // Ctrl+click and Shift+click reach the lists' viewports.
    m_details->viewport()->installEventFilter(this);
    m_icons->viewport()->installEventFilter(this);
    // Names are edited in place with F2 or a slow second click, as in
    // desktop file managers (a double click opens the file).
    m_fileModel->SetRenameHandler(
        [this](int row, const std::string& newName) { return RenameInPlace(row, newName); });
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        view->setEditTriggers(QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (index.isValid() && m_session.CaretFile())
                emit CommandRequested(kCmdOpenFile);
        });
    }
    setFocusProxy(m_tree);
    LayOutPanes();
    RebuildHabitabTabs();
}

TFileManagerWindow::~TFileManagerWindow() {
    auto& registry = Registry();
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
    SaveColumnLayouts();
    CancelViewTakeOut();
    // The session outlives the views' models only until here; stop it
    // calling back into a half-destroyed window.
    m_session.SetView(nullptr);
    // The tree model points into the session's drive, which goes first.
    m_treeModel->SetDrive(nullptr);
}

const std::vector<TFileManagerWindow*>& TFileManagerWindow::OpenWindows() {
    return Registry();
}

void BroadcastCatalogueChange(char driveLetter, const std::string& dosPath) {
    // A window may close while another one refreshes (a message box runs
    // the event loop): walk a guarded copy.
    std::vector<QPointer<TFileManagerWindow>> windows;
    for (TFileManagerWindow* w : TFileManagerWindow::OpenWindows())
        windows.emplace_back(w);
    for (const QPointer<TFileManagerWindow>& w : windows)
        if (w)
            w->CatalogueChanged(driveLetter, dosPath);
}

void TFileManagerWindow::CatalogueChanged(char driveLetter, const std::string& dosPath) {
    if (!m_session.CurrentDrive() || m_session.DriveName().empty())
        return;
    char mine =
        static_cast<char>(std::toupper(static_cast<unsigned char>(m_session.DriveName()[0])));
    if (driveLetter != 0 && std::toupper(static_cast<unsigned char>(driveLetter)) != mine)
        return;
    if (dosPath.empty()) {
        m_session.Refresh();
        return;
    }
    m_session.CatalogueChanged(dosPath);
}

bool TFileManagerWindow::OpenDrive(const std::string& driveName, int kind,
                                   const std::string& initialDirectory) {
    if (!m_session.OpenDrive(driveName, kind, initialDirectory))
        return false;
    AfterDriveShown();
    ReadCurrentBranch();
    return true;
}

bool TFileManagerWindow::GoTo(const std::string& path) {
    std::string before = m_session.DriveName();
    if (!m_session.GoTo(path))
        return false;
    if (m_session.DriveName() != before)
        AfterDriveShown();
    ReadCurrentBranch();
    SelectCurrentDirectoryInTree();
    return true;
}

void TFileManagerWindow::ReadCurrentBranch() {
    // Going to a directory logs the path down to it, not its children:
    // read them once, so the tree shows whether it opens further.
    std::string path = m_session.CurrentDirectoryPath();
    auto* drive = dynamic_cast<catalogue::CDriveIncremental*>(m_session.CurrentDrive());
    if (!drive || path.size() <= 3 || !m_scanned.insert(path).second)
        return;
    catalogue::CDirectoryContainer* current = m_session.CurrentDirectory();
    if (current && current->IsZip())
        return; // a zip directory is never scanned for directories
    if (drive->Scan(path, -1) > 0)
        TreeChanged();
}

void TFileManagerWindow::Unlog() {
    m_session.Unlog();
    m_expanded.clear();
    m_scanned.clear();
    for (int field = 1; field <= 3; ++field)
        m_status[static_cast<size_t>(field)].clear();
    emit CaptionChanged(Caption());
}

bool TFileManagerWindow::GoToParent() {
    std::string parent = ParentPath(m_session.CurrentDirectoryPath());
    return !parent.empty() && GoTo(parent);
}

void TFileManagerWindow::AfterDriveShown() {
    m_expanded.clear();
    m_scanned.clear();
    // A drive shows with its root open (closed only by the user or by Open
    // To Level 0).
    if (catalogue::CDriveContainer* drive = m_session.CurrentDrive())
        if (catalogue::CDirectoryContainer* root = drive->DirectoryAt(0))
            m_expanded.insert(root->Path());
    const std::string& name = m_session.DriveName();
    char letter =
        name.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter != 0 && m_layoutLetter == 0)
        ApplyStartupHabitab(letter);
    if (letter != 0 && letter != m_layoutLetter)
        LoadColumnLayouts(letter);
    TreeChanged();
    FileListChanged();
    emit CaptionChanged(Caption());
}

QString TFileManagerWindow::Caption() const {
    const std::string& name = m_session.DriveName();
    if (name.empty())
        return {};
    if (!m_session.CurrentDrive())
        return "No drive";
    if (m_session.DriveKind() == catalogue::kDriveIncremental)
        return QString("Drive %1").arg(QChar(name[0]));
    // An archive: the path of its zip directory, shortened.
    return QString("Zip '%1'").arg(QString::fromStdString(platform::AbbreviatePath(name, 30)));
}

QString TFileManagerWindow::Title() const {
    const QString caption = Caption();
    const std::string& directory = m_session.CurrentDirectoryPath();
    if (caption.isEmpty() || directory.empty() || !m_session.CurrentDrive())
        return caption;
    // An archive's caption names it already: its folders only are added.
    if (m_session.DriveKind() != catalogue::kDriveIncremental &&
        platform::ComparePaths(directory, m_session.DriveName()) == 0)
        return caption;
    return caption + " - " + QString::fromStdString(directory);
}

int TFileManagerWindow::MenuResource() const {
    return m_session.DriveKind() == catalogue::kDriveIncremental ? 200 : 500;
}

bool TFileManagerWindow::CarriesCommand(int id) const {
    using namespace catalogue;
    if (id == kCmdZipAddFiles || id == kCmdZipComment)
        return !CurrentZipFile().empty();
    if (MenuResource() == 500 && id >= kCmdExpandOneLevel && id <= kCmdOpenToLevel9)
        return false; // an archive is one directory: there is no tree to open
    return true;
}

QWidget* TFileManagerWindow::FileView() const {
    return ViewMode() == FileViewMode::Details ? static_cast<QWidget*>(m_details)
                                               : static_cast<QWidget*>(m_icons);
}

QModelIndex TFileManagerWindow::NameIndex(const QModelIndex& index) const {
    const std::vector<CFileListModel::Column>& columns = m_fileModel->Columns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == CFileListModel::kName)
            return index.siblingAtColumn(static_cast<int>(i));
    return {};
}

bool TFileManagerWindow::TreeHasFocus() const {
    return m_tree->hasFocus();
}

bool TFileManagerWindow::RunCommand(int id, bool ctrlHeld) {
    using namespace catalogue;
    if (!CarriesCommand(id))
        return true; // nothing to do here; not a missing feature
    if (id >= kCmdExpandOneLevel && id <= kCmdOpenToLevel9 &&
        (id <= kCmdCollapseBranch || id >= kCmdOpenToLevel0)) {
        CTreeCommandResult result = m_session.RunTreeCommand(id);
        if (result.done)
            ApplyTreeAction(result);
        return true;
    }
    if (id >= kCmdTagFile && id <= kCmdUntagAll) {
        if (id == kCmdCustomTag)
            return false; // needs the file search details dialog
        int changed = m_session.RunTagCommand(id, TreeHasFocus());
        if (changed > 0 && m_session.Caret() >= 0 && id != kCmdInvertFile)
            ShowCaret();
        return true;
    }
    if (id >= kCmdSortByFilename && id <= kCmdUnsorted) {
        m_session.RunSortCommand(id, ctrlHeld);
        return true;
    }
    switch (id) {
    case kCmdViewDetails:
        SetViewMode(FileViewMode::Details);
        return true;
    case kCmdViewLargeIcons:
        SetViewMode(FileViewMode::LargeIcons);
        return true;
    case kCmdViewList:
        SetViewMode(FileViewMode::List);
        return true;
    case kCmdViewSmallIcons:
        SetViewMode(FileViewMode::SmallIcons);
        return true;
    case kCmdViewThumbnails:
        SetViewMode(FileViewMode::Thumbnails);
        return true;
    case kCmdViewNextMode:
        SetViewMode(static_cast<FileViewMode>((static_cast<int>(ViewMode()) + 1) % 5));
        return true;
    case kCmdRefresh:
        ReadShownDirectoryAgain();
        return true;
    case kCmdCommandLine:
        ShowCommandLine(!CommandLineShown());
        return true;
    case kCmdViewerPane:
        ShowViewerPane(!ViewerPaneShown());
        return true;
    case kCmdThumbnailScanBranch:
    case kCmdThumbnailScanDirectory:
    case kCmdThumbnailScanDrive:
    case kCmdThumbnailRemoveAll:
    case kCmdThumbnailRemoveOrphans:
        RunThumbnailCommand(id);
        return true;
    default:
        return false;
    }
}

void TFileManagerWindow::ApplyTreeAction(const catalogue::CTreeCommandResult& result) {
    using catalogue::TreeAction;
    // The command has read what it opens: work out the branches to show
    // open, then rebuild the tree with exactly those. Opening them through
    // the view one by one would start a lazy read (and a rebuild, which
    // collapses the tree) for each branch it opens.
    const std::string current = m_session.CurrentDirectoryPath();
    auto openWithAncestors = [this](const std::string& path) {
        for (std::string p = path; !p.empty(); p = ParentPath(p))
            m_expanded.insert(p);
    };
    switch (result.action) {
    case TreeAction::ExpandBranch:
        openWithAncestors(current);
        break;
    case TreeAction::ExpandBranchFully:
        openWithAncestors(current);
        for (std::string& path : m_treeModel->OpeningBranches(current, INT_MAX))
            m_expanded.insert(std::move(path));
        break;
    case TreeAction::CollapseBranch:
        m_expanded.erase(current);
        break;
    case TreeAction::OpenToLevel: {
        // Open To Level n shows the directories of levels 0 to n: those
        // above level n are open.
        std::vector<std::string> open = m_treeModel->OpeningBranches("", result.level);
        m_expanded = std::set<std::string>(std::make_move_iterator(open.begin()),
                                           std::make_move_iterator(open.end()));
        break;
    }
    case TreeAction::None:
        return;
    }
    TreeChanged();
}

QString TFileManagerWindow::StatusText(int field) const {
    return field >= 1 && field <= 4 ? m_status[static_cast<size_t>(field)] : QString();
}

void TFileManagerWindow::ShowTotals() {
    for (int field = 1; field <= 4; ++field)
        if (!m_status[static_cast<size_t>(field)].isEmpty())
            emit StatusTextChanged(field, m_status[static_cast<size_t>(field)], false);
    m_session.Totals(true);
}

// --- CCatalogueView ----------------------------------------------------------

void TFileManagerWindow::SetStatusText(int field, const std::string& text, bool repaint) {
    if (field < 1 || field > 4)
        return;
    m_status[static_cast<size_t>(field)] = QString::fromStdString(text);
    emit StatusTextChanged(field, m_status[static_cast<size_t>(field)], repaint);
}

void TFileManagerWindow::ShowProgress(const std::string& text) {
    emit StatusTextChanged(1, QString::fromStdString(text), true);
}

void TFileManagerWindow::ProgressEnded() {
    // The count of a finished scan would read as a scan still running.
    emit StatusTextChanged(1, m_status[1], false);
}

void TFileManagerWindow::FileListChanged() {
    const QString title = Title();
    if (title != m_shownTitle) {
        m_shownTitle = title;
        emit TitleChanged(title);
    }
    ShowPath();
    const catalogue::CDirectoryContainer* directory = m_session.CurrentDirectory();
    const std::string problem = directory != nullptr ? directory->ReadProblem() : std::string();
    m_listProblem->setText(QString::fromStdString(problem));
    m_listProblem->setVisible(!problem.empty());
    WatchShownDirectory();
    ApplyColumns(); // resets the model
    ShowSortIndicator();
    SizeIconViewItems();
    ShowCaret();
    UpdateViewerPane();
}

void TFileManagerWindow::TreeChanged() {
    bool wasSyncing = m_syncing;
    m_syncing = true;
    m_treeModel->SetDrive(m_session.CurrentDrive());
    // The model was reset: the view lays itself out again once, so opening
    // every remembered branch here costs no layout of its own.
    for (const std::string& path : m_expanded) {
        QModelIndex index = m_treeModel->IndexOfPath(path);
        if (index.isValid())
            m_tree->expand(index);
    }
    m_syncing = wasSyncing;
    SelectCurrentDirectoryInTree();
}

// --- views -------------------------------------------------------------------

void TFileManagerWindow::SelectCurrentDirectoryInTree() {
    QModelIndex index = m_treeModel->IndexOfPath(m_session.CurrentDirectoryPath());
    if (!index.isValid() || m_tree->currentIndex() == index)
        return;
    bool wasSyncing = m_syncing;
    m_syncing = true;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    m_syncing = wasSyncing;
}

void TFileManagerWindow::ShowCaret() {
    int caret = m_session.Caret();
    bool wasSyncing = m_syncing;
    m_syncing = true;
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        QModelIndex index = caret >= 0 ? m_fileModel->index(caret, 0) : QModelIndex();
        view->setCurrentIndex(index);
        if (index.isValid() && view->isVisible())
            view->scrollTo(index);
    }
    m_syncing = wasSyncing;
}

void TFileManagerWindow::OnTreeCurrentChanged(const QModelIndex& current) {
    if (m_syncing)
        return;
    if (catalogue::CDirectoryContainer* dir = m_treeModel->DirectoryAt(current)) {
        std::string path = dir->Path();
        m_syncing = true;
        m_session.GoTo(path);
        ReadCurrentBranch();
        m_syncing = false;
    }
}

void TFileManagerWindow::OnTreeExpanded(const QModelIndex& index) {
    catalogue::CDirectoryContainer* dir = m_treeModel->DirectoryAt(index);
    if (!dir)
        return;
    std::string path = dir->Path();
    m_expanded.insert(path);
    if (m_syncing || m_scanned.count(path))
        return;
    m_scanned.insert(path);
    // Lazy expansion: read the branch one level deeper than it was logged,
    // so its children show whether they open in turn.
    auto* drive = dynamic_cast<catalogue::CDriveIncremental*>(m_session.CurrentDrive());
    if (drive && dir->Level() > 0 && !dir->IsZip() && drive->Scan(path, -1) > 0)
        TreeChanged();
}

void TFileManagerWindow::OnTreeCollapsed(const QModelIndex& index) {
    if (m_syncing)
        return;
    if (catalogue::CDirectoryContainer* dir = m_treeModel->DirectoryAt(index))
        m_expanded.erase(dir->Path());
}

void TFileManagerWindow::OnFileCurrentChanged(const QModelIndex& current) {
    if (m_syncing || !current.isValid())
        return;
    m_session.SetCaret(current.row());
    UpdateViewerPane();
    m_syncing = true;
    // Keep the other view's caret on the same row.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)})
        if (view->currentIndex().row() != current.row())
            view->setCurrentIndex(m_fileModel->index(current.row(), 0));
    m_syncing = false;
}

bool TFileManagerWindow::TagByClick(QAbstractItemView* view, QMouseEvent* mouse) {
    // Tags are the selection of this program: Ctrl+click toggles a file's
    // tag, Shift+click tags the files from the caret to the one clicked; the
    // caret goes to the file clicked either way.
    const bool ctrl = (mouse->modifiers() & Qt::ControlModifier) != 0;
    const bool shift = (mouse->modifiers() & Qt::ShiftModifier) != 0;
    if (mouse->button() != Qt::LeftButton || ctrl == shift)
        return false;
    const int row = view->indexAt(mouse->position().toPoint()).row();
    if (row < 0)
        return false;
    const int caret = m_session.Caret();
    if (ctrl)
        m_session.ChangeTags(row, row, -1);
    else
        m_session.ChangeTags(caret < 0 ? row : caret, row, 1);
    m_session.SetCaret(row);
    ShowCaret();
    view->setFocus(Qt::MouseFocusReason);
    return true;
}

bool TFileManagerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == m_details->viewport() || watched == m_icons->viewport())) {
        QAbstractItemView* view = watched == m_details->viewport()
                                      ? static_cast<QAbstractItemView*>(m_details)
                                      : static_cast<QAbstractItemView*>(m_icons);
        if (TagByClick(view, static_cast<QMouseEvent*>(event)))
            return true;
    }
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) && view &&
        watched != m_tree && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier &&
        PreselectedGroup() == kCopyGroupCurrent) {
        // F2 on one file of the list edits its name in place rather than
        // opening the rename dialog (the shortcut is held back for it).
        const QModelIndex name = NameIndex(view->currentIndex());
        if (m_fileModel->flags(name) & Qt::ItemIsEditable) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                view->edit(name);
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ShiftModifier) {
        emit DeleteRequested(true);
        return true;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return QWidget::eventFilter(watched, event);
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (watched == m_tree)
            FileView()->setFocus(Qt::TabFocusReason);
        else
            m_tree->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Backspace:
        GoToParent();
        return true;
    case Qt::Key_Insert:
        // Tags the caret file and moves down, as in other file managers.
        if (watched == m_tree || m_session.Caret() < 0)
            return false;
        {
            const int caret = m_session.Caret();
            m_session.ChangeTags(caret, caret, 1);
            m_session.SetCaret(std::min(caret + 1, m_session.FileCount() - 1));
            ShowCaret();
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (watched != m_tree) {
            // Enter in a name's editor ends the edit (the editor passes it on).
            if (QApplication::focusWidget() != watched)
                return false;
            if (m_session.CaretFile())
                emit CommandRequested(kCmdOpenFile);
            return true;
        }
        {
            if (catalogue::CDirectoryContainer* dir =
                    m_treeModel->DirectoryAt(m_tree->currentIndex())) {
                std::string path = dir->Path();
                m_tree->expand(m_tree->currentIndex());
                GoTo(path);
                FileView()->setFocus(Qt::OtherFocusReason);
            }
            return true;
        }
        return false;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

} // namespace vorlane::gui
