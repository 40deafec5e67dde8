#include "gui/CViewerWindow.h"

#include "gui/CFileViewerControlBar.h"

#include <QVBoxLayout>

namespace vorlane::gui {

CViewerWindow::CViewerWindow(const std::string& hostPath, const std::string& shownName,
                             bool deleteWhenDone, QWidget* parent)
    : QWidget(parent), m_name(shownName) {
    setObjectName("viewerWindow");
    setWindowTitle(QString::fromStdString(shownName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_bar = new CFileViewerControlBar(false, this);
    layout->addWidget(m_bar);
    connect(m_bar, &CFileViewerControlBar::WallpaperRequested, this,
            &CViewerWindow::WallpaperRequested);
    const size_t slash = shownName.find_last_of("\\/");
    m_bar->Show(hostPath, deleteWhenDone,
                slash == std::string::npos ? shownName : shownName.substr(slash + 1), "");
}

} // namespace vorlane::gui
