// Access keys over every menu and every dialog the menus open: each label
// with an access key names its buddy (without one the key does nothing and
// the label draws its '&'), and no menu gives one access letter to two
// items (the key would only cycle between them). Commands added later are
// walked too.
#include "AppFrameTest.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <map>
#include <set>

namespace vorlane::gui::test {

namespace {

// The access letter of a text ("E&xit" gives 'X'); 0 when it has none.
QChar AccessLetter(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return text[i + 1].toUpper();
        ++i; // "&&" is a literal ampersand
    }
    return QChar();
}

// "File: To&uch... and R&un... share 'U'" for each letter used twice in
// the menu (and its submenus, each on its own).
void CollectClashes(const QString& name, const QList<QAction*>& actions, QStringList& clashes) {
    std::map<QChar, QStringList> users;
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        QChar letter = AccessLetter(action->text());
        if (!letter.isNull())
            users[letter] << action->text();
        if (QMenu* sub = action->menu())
            CollectClashes(name + "/" + action->text(), sub->actions(), clashes);
    }
    for (const auto& [letter, texts] : users)
        if (texts.size() > 1)
            clashes << name + ": " + texts.join(" and ") + " share '" + letter + "'";
}

// The labels of a dialog that show an access key but name no buddy.
QStringList LabelsWithoutBuddy(QDialog& dialog) {
    QStringList missing;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (!AccessLetter(label->text()).isNull() && label->buddy() == nullptr)
            missing << dialog.windowTitle() + ": " + label->text();
    return missing;
}

class AccessKeysTest : public AppFrameTest {};

} // namespace

TEST_F(AccessKeysTest, EveryMenuGivesEachAccessLetterToOneItem) {
    Start();
    ASSERT_NE(m_appFrame->OpenFileManager("C:", 1, false), nullptr);
    QStringList clashes;
    CollectClashes("menu bar", m_appFrame->menuBar()->actions(), clashes);
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join("\n").toStdString();
}

TEST_F(AccessKeysTest, EveryLabelWithAnAccessKeyInEveryDialogHasItsBuddy) {
    Start();
    ASSERT_NE(m_appFrame->OpenFileManager("C:", 1, false), nullptr);
    // Prompts on the way (pickers, "not available yet") are declined.
    m_ui.OnUnexpected([](const std::string&) {});
    std::set<QString> dialogs;
    QStringList missing;
    OnDialog = [&](QDialog& dialog) {
        dialogs.insert(dialog.windowTitle());
        missing << LabelsWithoutBuddy(dialog);
        return static_cast<int>(QDialog::Rejected);
    };
    // Every command but those that end the program or close its windows,
    // and View, whose viewer window would take the place of the file
    // manager window that the later commands act on.
    const std::set<int> skipped = {kCmdExit, kCmdCloseAllWindows, kCmdCloseAllFileManagers,
                                   kCmdCloseAllViewers, kCmdViewFile};
    for (const CommandInfo& command : CommandTable())
        if (!skipped.count(command.id))
            m_appFrame->RunCommand(command.id);
    Pump();
    for (const char* title : {"Custom Tag", "Custom Sort", "General Settings", "Log Drive",
                              "Copy / Move Directory", "Remove Directory", "File Rename",
                              "File Attributes", "File Touch", "Make Directory", "HabiTabs"})
        EXPECT_TRUE(dialogs.count(title)) << title << " was not reached";
    EXPECT_TRUE(missing.isEmpty()) << missing.join("\n").toStdString();
}

} // namespace vorlane::gui::test
