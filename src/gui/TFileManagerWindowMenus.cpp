// The context menus of a file manager window: the commands that apply where
// the user clicked, with the texts and keys of the frame's menus, run
// through the frame exactly as if chosen there.
#include "gui/TFileManagerWindow.h"

#include "catalogue/CatalogueTypes.h"
#include "gui/Commands.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QTreeView>

namespace vorlane::gui {

namespace {

constexpr int kSeparator = 0;

// Command ids a context menu offers, in order; 0 draws a separator.
const std::vector<int>& FileListCommands() {
    static const std::vector<int> ids = {kCmdOpenFile,
                                         14165 /* View */,
                                         14125 /* Edit */,
                                         kSeparator,
                                         14115 /* Copy */,
                                         14135 /* Move */,
                                         14120 /* Delete */,
                                         14150 /* Rename */,
                                         14110 /* Attributes */,
                                         14160 /* Touch */,
                                         kSeparator,
                                         catalogue::kCmdTagFile,
                                         catalogue::kCmdInvertFile,
                                         catalogue::kCmdTagEvery,
                                         kSeparator,
                                         14145 /* Properties */};
    return ids;
}

const std::vector<int>& TreeCommands() {
    static const std::vector<int> ids = {catalogue::kCmdExpandOneLevel,
                                         catalogue::kCmdExpandBranch,
                                         catalogue::kCmdCollapseBranch,
                                         kSeparator,
                                         kCmdMakeDirectory,
                                         14115 /* Copy */,
                                         14135 /* Move */,
                                         14120 /* Delete */,
                                         14150 /* Rename */,
                                         kSeparator,
                                         kCmdDirectoryStatistics,
                                         14145 /* Properties */};
    return ids;
}

} // namespace

std::vector<int> TFileManagerWindow::ContextMenuCommands(bool inTree) const {
    return inTree ? TreeCommands() : FileListCommands();
}

QMenu* TFileManagerWindow::MakeContextMenu(bool inTree, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(inTree ? "treeContextMenu" : "fileContextMenu");
    for (int id : ContextMenuCommands(inTree)) {
        const CommandInfo* command = id == kSeparator ? nullptr : FindCommand(id);
        if (command == nullptr) {
            menu->addSeparator();
            continue;
        }
        QString text = QString::fromLatin1(command->text);
        if (text.startsWith('-'))
            text = text.mid(1);
        QAction* action = menu->addAction(text);
        action->setData(id);
        if (*command->keys)
            action->setShortcut(QKeySequence(QString::fromLatin1(command->keys)));
        connect(action, &QAction::triggered, this, [this, id, inTree] {
            if (inTree)
                m_tree->setFocus(Qt::PopupFocusReason); // tree commands act on the tree
            emit CommandRequested(id);
        });
    }
    return menu;
}

void TFileManagerWindow::ShowContextMenu(bool inTree, const QPoint& globalPosition) {
    QMenu* menu = MakeContextMenu(inTree, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

} // namespace vorlane::gui
