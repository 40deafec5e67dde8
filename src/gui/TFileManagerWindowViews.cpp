// The view modes of a file manager window's file list: details, or the
// icon view as large icons, list, small icons or thumbnails.
//
// Every item of the icon view has the same size, set by the view mode and
// (in List and Small Icons) by the longest name of the list: the view then
// lays out a directory of any size by arithmetic, never asking each row for
// its size, and fetches the icons of the rows it paints only.
#include "gui/TFileManagerWindow.h"

#include "app/VorlaneApp.h"
#include "catalogue/CFileContainer.h"
#include "gui/CFileListModel.h"
#include "gui/CThumbnailCache.h"
#include "gui/DialogSupport.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QListView>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <memory>
#include <vector>

namespace vorlane::gui {

// The file lists' editor of a name (a rename in place) starts with the
// name before its extension selected, ready to be typed over, as desktop
// file managers do. The view selects the whole text after this call, so
// the selection is made once the editor is shown.
class CNameEditDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        QStyledItemDelegate::setEditorData(editor, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            QMetaObject::invokeMethod(
                line,
                [line] {
                    const qsizetype dot = line->text().lastIndexOf('.');
                    if (dot > 0)
                        line->setSelection(0, static_cast<int>(dot));
                },
                Qt::QueuedConnection);
    }
};

// Draws the icon view's items at one size: the icon above the name (large
// icons, thumbnails; the name wraps onto two lines) or beside it.
class CFileItemDelegate : public CNameEditDelegate {
  public:
    using CNameEditDelegate::CNameEditDelegate;

    void SetItem(QSize size, bool iconAbove) {
        m_size = size;
        m_iconAbove = iconAbove;
    }
    QSize ItemSize() const { return m_size; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return m_size.isValid() ? m_size : QStyledItemDelegate::sizeHint(option, index);
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_iconAbove) {
            option->decorationPosition = QStyleOptionViewItem::Top;
            option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
            option->features |= QStyleOptionViewItem::WrapText;
        } else {
            option->decorationPosition = QStyleOptionViewItem::Left;
            option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
            option->features &= ~QStyleOptionViewItem::WrapText;
        }
    }

  private:
    QSize m_size;
    bool m_iconAbove = false;
};

namespace {

// The size of a thumbnail placeholder: the thumbnail size of the settings,
// never below the large icons.
QSize ThumbnailSize() {
    int width = 48;
    int height = 36;
    if (const app::VorlaneApp* a = app::VorlaneApp::Current()) {
        width = a->Settings().thumbnailWidth;
        height = a->Settings().thumbnailHeight;
    }
    return QSize(std::clamp(width, 32, 512), std::clamp(height, 32, 512));
}

// Space around an item's icon and text, and between items.
constexpr int kItemMargin = 6;
constexpr int kItemSpacing = 2;
// Beyond this many files only the longest names are measured.
constexpr size_t kMeasuredNames = 512;

// The widest name of the session's list in pixels, at most cap. A large
// list measures its longest names by bytes, which holds the widest one
// but for names of unusually wide or narrow letters.
int WidestName(const catalogue::CFileManagerSession& session, const QFontMetrics& metrics,
               int cap) {
    const int count = session.FileCount();
    std::vector<const std::string*> names;
    names.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
        if (const catalogue::CFileContainer* file = session.File(row))
            names.push_back(&file->Name());
    if (names.size() > kMeasuredNames) {
        auto longer = [](const std::string* a, const std::string* b) {
            return a->size() > b->size();
        };
        std::nth_element(names.begin(), names.begin() + kMeasuredNames, names.end(), longer);
        names.resize(kMeasuredNames);
    }
    int widest = 0;
    for (const std::string* name : names) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(*name)));
        if (widest >= cap)
            return cap;
    }
    return widest;
}

} // namespace

void TFileManagerWindow::SetUpIconView() {
    m_itemDelegate = new CFileItemDelegate(m_icons);
    m_icons->setItemDelegate(m_itemDelegate);
    m_details->setItemDelegate(new CNameEditDelegate(m_details));
    m_icons->setUniformItemSizes(true); // one size for all: no row is measured
    m_icons->setTextElideMode(Qt::ElideMiddle);
    m_icons->setSelectionMode(QAbstractItemView::SingleSelection);
    m_icons->setMovement(QListView::Static); // a drag carries files, not icons
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWrapping(true);
    m_icons->setSpacing(0); // the grid spaces the items
}

void TFileManagerWindow::SizeIconViewItems() {
    if (ViewMode() == FileViewMode::Details)
        return;
    QFontMetrics metrics(m_icons->font());
    const int line = metrics.lineSpacing();
    QSize item;
    bool iconAbove = true;
    switch (ViewMode()) {
    case FileViewMode::LargeIcons:
    case FileViewMode::Thumbnails: {
        // The icon over two lines of name; names wider than the item wrap,
        // then elide.
        QSize icon = ViewMode() == FileViewMode::LargeIcons ? QSize(32, 32) : ThumbnailSize();
        int width = std::max(icon.width() + 2 * kItemMargin, metrics.averageCharWidth() * 16);
        item = QSize(width, icon.height() + 2 * line + 2 * kItemMargin);
        break;
    }
    case FileViewMode::List:
    case FileViewMode::SmallIcons: {
        // The icon beside the name; the longest name shows whole up to
        // about forty letters, and every item (every column of List) is
        // that wide.
        const int icon = 16;
        const int cap = metrics.averageCharWidth() * 40;
        int text = std::max(WidestName(m_session, metrics, cap), metrics.averageCharWidth() * 8);
        item = QSize(icon + text + 3 * kItemMargin, std::max(icon, line) + kItemMargin);
        iconAbove = false;
        break;
    }
    case FileViewMode::Details:
        break;
    }
    if (item == m_itemDelegate->ItemSize() && m_icons->gridSize().isValid())
        return;
    m_itemDelegate->SetItem(item, iconAbove);
    // A new grid lays the view out again with the new item size.
    m_icons->setGridSize(item + QSize(kItemSpacing, kItemSpacing));
}

void TFileManagerWindow::RedrawThumbnails() {
    if (ViewMode() == FileViewMode::Thumbnails)
        m_icons->viewport()->update();
}

void TFileManagerWindow::SetViewMode(FileViewMode mode) {
    bool hadFocus = FileView()->hasFocus();
    m_session.DisplaySettings().fileDisplayMode = static_cast<int>(mode);
    switch (mode) {
    case FileViewMode::Details:
        break;
    case FileViewMode::LargeIcons:
    case FileViewMode::Thumbnails:
        // Rows of icons, each over its name.
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setIconSize(mode == FileViewMode::LargeIcons ? QSize(32, 32) : ThumbnailSize());
        m_icons->setWordWrap(true);
        m_icons->setFlow(QListView::LeftToRight);
        break;
    case FileViewMode::SmallIcons:
        // Rows of small icons, each beside its name.
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setWordWrap(false);
        m_icons->setFlow(QListView::LeftToRight);
        break;
    case FileViewMode::List:
        // Columns of small icons, each beside its name.
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setWordWrap(false);
        m_icons->setFlow(QListView::TopToBottom);
        break;
    }
    // setViewMode resets these.
    m_icons->setMovement(QListView::Static);
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setUniformItemSizes(true);
    SizeIconViewItems();
    if (mode == FileViewMode::Thumbnails) {
        // The stored pictures, made when a row is first painted.
        auto cache = std::make_shared<CThumbnailCache>();
        m_fileModel->SetDecorationSource([cache](const catalogue::CFileContainer& file) {
            if (file.IsArchiveMember())
                return QVariant();
            QIcon icon = cache->Thumbnail(file.FullPath(), *CurrentDrives(), ThumbnailSize());
            return icon.isNull() ? QVariant() : QVariant(icon);
        });
    } else {
        m_fileModel->SetDecorationSource({});
    }
    m_fileStack->setCurrentWidget(FileView());
    ShowCaret();
    if (hadFocus)
        FileView()->setFocus();
}

} // namespace vorlane::gui
