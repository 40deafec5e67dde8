// The context menus of a file manager window: the commands that apply where
// the user clicked, with the texts and keys of the frame's menus, run
// through the frame exactly as if chosen there.
#include "gui/TFileManagerWindow.h"

#include "catalogue/CDisplaySettings.h"
#include "catalogue/CZipFileInfo.h"
#include "catalogue/CatalogueTypes.h"
#include "gui/Commands.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QTreeView>

#include <iterator>
#include <vector>

namespace vorlane::gui {

namespace {

constexpr int kSeparator = 0;

// Command ids a context menu offers, in order; 0 draws a separator.
const std::vector<int>& FileListCommands() {
    static const std::vector<int> ids = {kCmdOpenFile,
                                         kCmdViewFile,
                                         14125 /* Edit */,
                                         kSeparator,
                                         kCmdCopy,
                                         kCmdMove,
                                         kCmdDelete,
                                         kCmdRename,
                                         kCmdAttributes,
                                         kCmdTouch,
                                         kCmdZipAddFiles,
                                         kCmdZipComment,
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
                                         kCmdCopy,
                                         kCmdMove,
                                         kCmdDelete,
                                         kCmdRename,
                                         kSeparator,
                                         kCmdDirectoryStatistics,
                                         kCmdZipAddFiles,
                                         kCmdZipComment,
                                         14145 /* Properties */};
    return ids;
}

} // namespace

std::vector<int> TFileManagerWindow::ContextMenuCommands(bool inTree) const {
    // The zip directory's commands show only on a zip directory.
    std::vector<int> ids;
    for (int id : inTree ? TreeCommands() : FileListCommands())
        if ((id != kCmdZipAddFiles && id != kCmdZipComment) || CarriesCommand(id))
            ids.push_back(id);
    return ids;
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
            // The command acts where the menu was opened (Copy: the tree's
            // directory or the list's files).
            (inTree ? static_cast<QWidget*>(m_tree) : FileView())->setFocus(Qt::PopupFocusReason);
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

QMenu* TFileManagerWindow::MakeHeaderMenu(QWidget* parent) {
    struct Choice {
        const char* text;
        uint32_t bit;
    };
    // The name always shows; the rest follow the detail bits of the list.
    static const Choice plain[] = {
        {"&Size", catalogue::kLineSize},
        {"&Date and Time", catalogue::kLineDateTime},
        {"&Attributes", catalogue::kLineAttributes},
        {"&Type", catalogue::kLineTypeName},
        {"&Path", catalogue::kLinePath},
        {"D&escription", catalogue::kLineDescription},
    };
    static const Choice zip[] = {
        {"&Size", catalogue::kZipListSize},
        {"&Date and Time", catalogue::kZipListDateTime},
        {"&Attributes", catalogue::kZipListAttributes},
        {"&Ratio", catalogue::kZipListRatio},
        {"&Method", catalogue::kZipListMethod},
        {"&Path", catalogue::kZipListRelativePath},
    };
    const bool inZip = ShowsZipList();
    auto* menu = new QMenu(parent);
    menu->setObjectName("headerContextMenu");
    for (const Choice& choice : inZip ? std::vector<Choice>(std::begin(zip), std::end(zip))
                                      : std::vector<Choice>(std::begin(plain), std::end(plain))) {
        uint32_t& details = inZip ? m_session.DisplaySettings().zipDisplayDetails
                                  : m_session.DisplaySettings().fileDisplayDetails;
        QAction* action = menu->addAction(QString::fromLatin1(choice.text));
        action->setCheckable(true);
        action->setChecked((details & choice.bit) != 0);
        const uint32_t bit = choice.bit;
        connect(action, &QAction::toggled, this, [this, inZip, bit](bool shown) {
            uint32_t& bits = inZip ? m_session.DisplaySettings().zipDisplayDetails
                                   : m_session.DisplaySettings().fileDisplayDetails;
            bits = shown ? bits | bit : bits & ~bit;
            ApplyColumns();
            ShowSortIndicator();
        });
    }
    return menu;
}

} // namespace vorlane::gui
