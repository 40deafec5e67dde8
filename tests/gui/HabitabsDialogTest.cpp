// The HabiTabs dialog and its name dialogs: texts, the name rules, which
// buttons are enabled, and New, Delete, Rename and Update run through the
// frame, so that every window's tabs follow a change.
#include "HabitabTestSupport.h"

#include "gui/CHabitabsDialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace vorlane::gui::test {

class HabitabsDialogTest : public HabitabTest {
  protected:
    // Runs the HabiTabs command of the frame; script gets the dialog.
    void RunDialog(const std::function<void(CHabitabsDialog&)>& script) {
        Frame().SetDialogRunner([&](QDialog& dialog) {
            if (auto* habitabs = dynamic_cast<CHabitabsDialog*>(&dialog)) {
                Shot(*habitabs, "habitabs-dialog.png");
                script(*habitabs);
                return static_cast<int>(QDialog::Accepted);
            }
            return m_onName ? m_onName(dynamic_cast<CHabitabNameDialog&>(dialog))
                            : static_cast<int>(QDialog::Rejected);
        });
        Frame().RunCommand(kCmdHabiTabs);
        Pump();
    }

    std::function<int(CHabitabNameDialog&)> m_onName;
};

TEST_F(HabitabsDialogTest, NameDialogsEnableOkOnlyForAFreeNameThatFits) {
    m_habitabs.Add(Habitab("\xc3\x84pfel", 1, FileViewMode::Details, true, false));
    CHabitabNameDialog ask(m_habitabs, -1);
    EXPECT_EQ(ask.windowTitle(), "New Habitab");
    EXPECT_EQ(ask.Prompt()->text(), "Name for the new HabiTab:");
    QStringList labels;
    for (QLabel* label : ask.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Note: The new Habitab will use the current view settings."));
    struct Case {
        QString typed;
        bool ok;
    } cases[] = {
        {"", false},
        {"   ", false},
        {"big FIRST", false}, // taken, case ignored
        {"\xc3\x84pfel", false},
        {"\xc3\xa4pfel", true}, // only ASCII letters fold
        {QString(39, 'x'), true},
        {" Work ", true},
    };
    for (const Case& c : cases) {
        ask.NameField()->setText(c.typed);
        EXPECT_EQ(ask.OkButton()->isEnabled(), c.ok) << c.typed.toStdString();
    }
    ask.NameField()->setText(QString(45, 'y'));
    EXPECT_EQ(ask.NameField()->text().size(), 39) << "a 40th character is not taken";

    CHabitabNameDialog rename(m_habitabs, m_habitabs.IndexOf("Big first"));
    EXPECT_EQ(rename.windowTitle(), "Rename Habitab");
    EXPECT_EQ(rename.Prompt()->text(), "Rename habitab 'Big first' to:");
    EXPECT_FALSE(rename.OkButton()->isEnabled()) << "its own name unchanged";
    rename.NameField()->setText("BIG FIRST");
    EXPECT_TRUE(rename.OkButton()->isEnabled()) << "a change of case only";
    rename.NameField()->setText("no text");
    EXPECT_FALSE(rename.OkButton()->isEnabled());
}

TEST_F(HabitabsDialogTest, NewCopiesTheWindowsSettingsAndEveryWindowShowsIt) {
    TFileManagerWindow& first = Open();
    TFileManagerWindow& second = Open();
    ClickTab(*second.HabitabTabs(), 2); // "No text", with its conditions
    second.RunCommand(kCmdViewSmallIcons);
    m_onName = [](CHabitabNameDialog& ask) {
        ask.NameField()->setText(QString::fromUtf8("\xc3\xa9t\xc3\xa9 & more"));
        return static_cast<int>(QDialog::Accepted);
    };
    RunDialog([](CHabitabsDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "HabiTabs");
        EXPECT_EQ(dialog.Selected(), 2) << "the window's habitab";
        dialog.NewHabitab();
    });
    const int made = m_habitabs.IndexOf("\xc3\xa9t\xc3\xa9 & more");
    ASSERT_EQ(made, 3) << "sorted after the ASCII names";
    const display::CHabitabItem& copy = *m_habitabs.Item(made);
    EXPECT_EQ(copy.fileDisplayMode, static_cast<int>(FileViewMode::SmallIcons));
    EXPECT_EQ(copy.conditions.Conditions().size(), 1u);
    EXPECT_EQ(second.Session().DisplaySettings().name, "No text") << "the window keeps its tab";
    for (TFileManagerWindow* w : {&first, &second})
        EXPECT_EQ(TabTexts(*w->HabitabTabs()),
                  (QStringList{"Default", "Big first", "No text",
                               QString::fromUtf8("\xc3\xa9t\xc3\xa9 & more")}));

    m_onName = [](CHabitabNameDialog&) { return static_cast<int>(QDialog::Rejected); };
    RunDialog([](CHabitabsDialog& dialog) { dialog.NewHabitab(); });
    EXPECT_EQ(m_habitabs.Count(), 4) << "cancelled";

    // The row's own menu reaches the same dialog.
    bool reached = false;
    Frame().SetDialogRunner([&](QDialog& dialog) {
        reached = dynamic_cast<CHabitabsDialog*>(&dialog) != nullptr;
        return static_cast<int>(QDialog::Rejected);
    });
    emit first.HabitabTabs()->DialogRequested();
    EXPECT_TRUE(reached);
}

TEST_F(HabitabsDialogTest, DeleteRenameAndUpdateFollowTheirQuestionsAndTheFirstStaysPut) {
    TFileManagerWindow& other = Open();
    ClickTab(*other.HabitabTabs(), 1); // "Big first"
    TFileManagerWindow& w = Open();
    ClickTab(*w.HabitabTabs(), 1);

    RunDialog([&](CHabitabsDialog& dialog) {
        dialog.Select(0);
        for (QPushButton* b : {dialog.DeleteButton(), dialog.RenameButton(), dialog.UpdateButton()})
            EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
        EXPECT_TRUE(dialog.NewButton()->isEnabled());
        dialog.Select(2);
        for (QPushButton* b : {dialog.DeleteButton(), dialog.RenameButton(), dialog.UpdateButton()})
            EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();

        // Update: "No text" takes the window's settings, not its name.
        m_ui.QueueYesNo(false);
        dialog.UpdateHabitab();
        EXPECT_EQ(m_habitabs.Item(2)->sortMethod, 2) << "answered no";
        m_ui.QueueYesNo(true);
        dialog.UpdateHabitab();
        EXPECT_EQ(m_habitabs.Item(2)->sortMethod, 8);
        EXPECT_TRUE(m_habitabs.Item(2)->conditions.Empty());
        EXPECT_EQ(m_habitabs.Item(2)->name, "No text");

        // Rename the habitab both windows use: they follow.
        dialog.Select(1);
        m_onName = [](CHabitabNameDialog& ask) {
            ask.NameField()->setText("Zoo");
            return static_cast<int>(QDialog::Accepted);
        };
        dialog.RenameHabitab();
        EXPECT_EQ(dialog.Selected(), 2) << "sorted, selected under its new name";
        EXPECT_EQ(w.Session().DisplaySettings().name, "Zoo");
    });
    EXPECT_EQ(m_ui.Texts(),
              (std::vector<std::string>{"Do you wish to save the current display settings into the "
                                        "'No text' habitab?",
                                        "Do you wish to save the current display settings into the "
                                        "'No text' habitab?"}));
    EXPECT_EQ(m_ui.Shown()[0].caption, "Update Habitab");
    EXPECT_EQ(other.Session().DisplaySettings().name, "Zoo");
    EXPECT_EQ(other.HabitabTabs()->TabName(other.HabitabTabs()->currentIndex()), "Zoo");

    // Delete the habitab both use: the windows take the first one's name.
    m_ui.Reset();
    RunDialog([&](CHabitabsDialog& dialog) {
        dialog.Select(2);
        m_ui.QueueYesNo(false);
        dialog.DeleteHabitab();
        EXPECT_EQ(m_habitabs.Count(), 3);
        m_ui.QueueYesNo(true);
        dialog.DeleteHabitab();
        EXPECT_EQ(dialog.Selected(), 1) << "the last one";
        EXPECT_EQ(w.Session().DisplaySettings().name, "Default");
    });
    ASSERT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_EQ(m_ui.Shown()[0].text, "Do you wish to delete the habitab 'Zoo'?");
    EXPECT_EQ(m_ui.Shown()[0].caption, "Delete Habitab");
    for (TFileManagerWindow* window : {&w, &other}) {
        EXPECT_EQ(window->Session().DisplaySettings().name, "Default");
        EXPECT_EQ(TabTexts(*window->HabitabTabs()), (QStringList{"Default", "No text"}));
        EXPECT_EQ(window->HabitabTabs()->currentIndex(), 0);
        EXPECT_EQ(Names(*window), (QStringList{"beta.doc", "alpha.txt", "gamma"}))
            << "the settings stay until a tab is clicked";
    }
}

} // namespace vorlane::gui::test
