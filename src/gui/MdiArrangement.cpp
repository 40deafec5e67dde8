#include "gui/MdiArrangement.h"

#include "gui/CViewerWindow.h"
#include "gui/CVorlaneMDIChild.h"
#include "gui/Commands.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace vorlane::gui {

namespace {

bool IsKind(QMdiSubWindow* child, ChildKind kind) {
    switch (kind) {
    case ChildKind::Any:
        return true;
    case ChildKind::FileManager:
        return FileManagerOf(child) != nullptr;
    case ChildKind::Viewer:
        return qobject_cast<CViewerWindow*>(child->widget()) != nullptr;
    }
    return false;
}

// The children that take part in a tiling: the ones not minimised.
QList<QMdiSubWindow*> Tileable(QMdiArea& mdi) {
    QList<QMdiSubWindow*> list;
    for (QMdiSubWindow* child : mdi.subWindowList(QMdiArea::CreationOrder))
        if (child->isVisible() && !child->isMinimized()) {
            if (child->isMaximized())
                child->showNormal();
            list << child;
        }
    return list;
}

void Tile(QMdiArea& mdi, bool sideBySide) {
    QList<QMdiSubWindow*> list = Tileable(mdi);
    if (list.isEmpty())
        return;
    QRect area = mdi.viewport()->rect();
    int n = static_cast<int>(list.size());
    for (int i = 0; i < n; ++i) {
        QRect r;
        if (sideBySide) {
            int w = area.width() / n;
            r = QRect(area.left() + i * w, area.top(), i == n - 1 ? area.width() - i * w : w,
                      area.height());
        } else {
            int h = area.height() / n;
            r = QRect(area.left(), area.top() + i * h, area.width(),
                      i == n - 1 ? area.height() - i * h : h);
        }
        list[i]->setGeometry(r);
    }
}

} // namespace

void TileSideBySide(QMdiArea& mdi) {
    Tile(mdi, true);
}
void TileStacked(QMdiArea& mdi) {
    Tile(mdi, false);
}

void ArrangeIcons(QMdiArea& mdi) {
    int x = 0;
    int bottom = mdi.viewport()->height();
    for (QMdiSubWindow* child : mdi.subWindowList(QMdiArea::CreationOrder)) {
        if (!child->isMinimized())
            continue;
        QSize size = child->size();
        child->move(x, bottom - size.height());
        x += size.width();
    }
}

void CloseAll(QMdiArea& mdi, ChildKind kind) {
    for (QMdiSubWindow* child : mdi.subWindowList())
        if (IsKind(child, kind))
            child->close();
}

void MinimizeAll(QMdiArea& mdi, ChildKind kind) {
    for (QMdiSubWindow* child : mdi.subWindowList())
        if (IsKind(child, kind))
            child->showMinimized();
}

void RestoreAll(QMdiArea& mdi, ChildKind kind) {
    for (QMdiSubWindow* child : mdi.subWindowList())
        if (IsKind(child, kind))
            child->showNormal();
}

bool RunArrangementCommand(QMdiArea& mdi, int id) {
    switch (id) {
    case kCmdCascade:
        mdi.cascadeSubWindows();
        return true;
    case kCmdTileVertical:
        TileSideBySide(mdi);
        return true;
    case kCmdTileHorizontally:
        TileStacked(mdi);
        return true;
    case kCmdArrangeIcons:
        ArrangeIcons(mdi);
        return true;
    case kCmdCloseAllWindows:
        CloseAll(mdi, ChildKind::Any);
        return true;
    case kCmdCloseAllFileManagers:
        CloseAll(mdi, ChildKind::FileManager);
        return true;
    case kCmdCloseAllViewers:
        CloseAll(mdi, ChildKind::Viewer);
        return true;
    case kCmdMinimizeAllWindows:
        MinimizeAll(mdi, ChildKind::Any);
        return true;
    case kCmdMinimizeAllFileManagers:
        MinimizeAll(mdi, ChildKind::FileManager);
        return true;
    case kCmdMinimizeAllViewers:
        MinimizeAll(mdi, ChildKind::Viewer);
        return true;
    case kCmdRestoreAllWindows:
        RestoreAll(mdi, ChildKind::Any);
        return true;
    case kCmdRestoreAllFileManagers:
        RestoreAll(mdi, ChildKind::FileManager);
        return true;
    case kCmdRestoreAllViewers:
        RestoreAll(mdi, ChildKind::Viewer);
        return true;
    default:
        return false;
    }
}

} // namespace vorlane::gui
