#include "gui/FileDrop.h"

#include "platform/DosPathText.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace vorlane::gui {

namespace {

DropChooser& Chooser() {
    static DropChooser chooser; // GUI thread only
    return chooser;
}

// The menu at the mouse: the suggested action first and the default, so
// Enter takes it; Esc or a click elsewhere cancels.
std::optional<DropAction> AskWithMenu(QWidget* over, DropAction suggested) {
    QMenu menu(over);
    QAction* copy = menu.addAction(QMenu::tr("&Copy Here"));
    QAction* move = menu.addAction(QMenu::tr("&Move Here"));
    if (suggested == DropAction::Move)
        menu.insertAction(copy, move);
    menu.addSeparator();
    menu.addAction(QMenu::tr("Cancel"));
    QAction* first = suggested == DropAction::Move ? move : copy;
    menu.setDefaultAction(first);
    menu.setActiveAction(first);
    QAction* chosen = menu.exec(QCursor::pos(), first);
    if (chosen == copy)
        return DropAction::Copy;
    if (chosen == move)
        return DropAction::Move;
    return std::nullopt;
}

} // namespace

bool KeysChooseDropAction(Qt::KeyboardModifiers modifiers) {
    return (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) != 0;
}

std::optional<DropAction> AskDropAction(QWidget* over, DropAction suggested) {
    if (Chooser())
        return Chooser()(over, suggested);
    return AskWithMenu(over, suggested);
}

void SetDropChooser(DropChooser chooser) {
    Chooser() = std::move(chooser);
}

DropAction ChooseDropAction(const std::string& sourcePath, const std::string& targetDirectory,
                            Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier)
        return DropAction::Copy;
    if (modifiers & Qt::ShiftModifier)
        return DropAction::Move;
    char from = platform::PathDriveLetter(sourcePath);
    return from != 0 && from == platform::PathDriveLetter(targetDirectory) ? DropAction::Move
                                                                           : DropAction::Copy;
}

} // namespace vorlane::gui
