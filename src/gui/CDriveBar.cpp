#include "gui/CDriveBar.h"

#include "app/CDriveType.h"
#include "app/VorlaneApp.h"
#include "catalogue/SizeFormat.h"
#include "gui/FileIcons.h"
#include "platform/Drives.h"

#include <QMenu>
#include <QToolButton>

namespace vorlane::gui {

CDriveBar::CDriveBar(QWidget* parent) : QToolBar("Drive Ribbon", parent) {
    setObjectName("DriveBar");
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(16, 16));
}

void CDriveBar::Rebuild() {
    // clear() only removes the buttons; the actions are ours to delete.
    const QList<QAction*> old = actions();
    clear();
    qDeleteAll(old);
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        bool present =
            a ? a->IsDrivePresent(letter) : !platform::DriveMap::Current()->Root(letter).empty();
        bool shown = !a || a->Settings().shownDrives[static_cast<size_t>(letter - 'A')] != '.';
        if (!present || !shown)
            continue;
        app::CDriveType type = a ? a->DriveType(letter) : app::CDriveType(letter, false);
        QAction* action = addAction(DriveIcon(type.Type()), QString("%1:").arg(letter));
        action->setObjectName(QString("drive%1").arg(letter));
        action->setToolTip(QString("%1: %2").arg(letter).arg(type.TypeName()));
        connect(action, &QAction::triggered, this, [this, letter] { emit DriveChosen(letter); });
        if (auto* button = qobject_cast<QToolButton*>(widgetForAction(action))) {
            button->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(button, &QWidget::customContextMenuRequested, this,
                    [this, button, letter](const QPoint& at) {
                        QMenu* menu = MakeDriveMenu(letter);
                        menu->setAttribute(Qt::WA_DeleteOnClose);
                        menu->popup(button->mapToGlobal(at));
                    });
        }
    }
}

QMenu* CDriveBar::MakeDriveMenu(char letter) {
    auto* menu = new QMenu(this);
    menu->addAction("&Relog...\tCtrl+F2", this, [this, letter] { emit RelogRequested(letter); });
    menu->addAction("&Unlog...\tCtrl+F3", this, [this, letter] { emit UnlogRequested(letter); });
    menu->addAction("&Info...\tCtrl+F4", this, [this, letter] { emit InfoRequested(letter); });
    return menu;
}

std::string DriveInfoText(char letter) {
    app::CDriveType type(letter, true);
    std::string text =
        std::string(1, static_cast<char>(type.Letter())) + ": " + type.TypeName() + " drive";
    if (!type.VolumeLabel().empty())
        text += " [" + type.VolumeLabel() + "]";
    text += "\n" + platform::DriveMap::Current()->Root(letter);
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
    if (platform::DiskSpace(letter, &freeBytes, &totalBytes))
        text += "\n" + catalogue::FormatSize(freeBytes, 7, 19) + " free, " +
                catalogue::FormatSize(totalBytes, 7, 19) + " total";
    return text;
}

} // namespace vorlane::gui
