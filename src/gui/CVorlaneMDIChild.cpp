#include "gui/CVorlaneMDIChild.h"

#include "app/FrameSettings.h"
#include "gui/TFileManagerWindow.h"

namespace vorlane::gui {

CVorlaneMDIChild::CVorlaneMDIChild(QWidget* client, QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(client);
    if (auto* fm = qobject_cast<TFileManagerWindow*>(client)) {
        setWindowTitle(fm->Title());
        connect(fm, &TFileManagerWindow::CaptionChanged, this,
                [this, fm] { setWindowTitle(fm->Title()); });
        connect(fm, &TFileManagerWindow::TitleChanged, this, &QWidget::setWindowTitle);
    }
}

TFileManagerWindow* CVorlaneMDIChild::FileManager() const {
    return qobject_cast<TFileManagerWindow*>(widget());
}

int CVorlaneMDIChild::ShowMode() const {
    if (isMinimized())
        return app::kShowMinimized;
    if (isMaximized())
        return app::kShowMaximized;
    return isHidden() ? app::kShowHidden : app::kShowNormal;
}

int CVorlaneMDIChild::MenuId() const {
    TFileManagerWindow* fm = FileManager();
    return fm ? fm->MenuResource() : 0;
}

TFileManagerWindow* FileManagerOf(QMdiSubWindow* child) {
    auto* c = qobject_cast<CVorlaneMDIChild*>(child);
    return c ? c->FileManager() : nullptr;
}

} // namespace vorlane::gui
