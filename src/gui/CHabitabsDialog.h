// The habitab dialogs (Options, HabiTabs, command 14710, and the tabs' own
// menu):
//
//   CHabitabsDialog     "HabiTabs": the list "Defined Habi&Tabs:" and the
//                       buttons "&New", "&Delete", "&Rename", "&Update";
//                       the last three only for a habitab other than the
//                       first (the "Default" one)
//   CHabitabNameDialog  "New Habitab" and "Rename Habitab": a name of at
//                       most 39 characters that no other habitab has (case
//                       ignored); OK is enabled only for such a name
//
// The dialog works on the application's habitab list and the current
// window's display settings (borrowed). Questions go through
// ui::Current(), the name dialogs through the runner the frame hands in
// (tests answer both). Whoever runs it saves the list and rebuilds every
// window's tabs when Changed() says so; Renames() tells them which names
// other windows must follow.
#pragma once

#include "display/CHabitabArray.h"

#include <QDialog>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vorlane::gui {

class CHabitabNameDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kNewCaption = "New Habitab";
    static constexpr const char* kNewPrompt = "Name for the new HabiTab:";
    static constexpr const char* kNewNote =
        "Note: The new Habitab will use the current view settings.";
    static constexpr const char* kRenameCaption = "Rename Habitab";

    // renamed: the position of the habitab being renamed (-1 for a new
    // one); its own name does not count as taken.
    CHabitabNameDialog(const display::CHabitabArray& habitabs, int renamed,
                       QWidget* parent = nullptr);

    // The name typed, blanks at either end removed.
    std::string Name() const;
    // A name OK takes.
    bool Acceptable() const;
    QLineEdit* NameField() const { return m_name; }
    QLabel* Prompt() const { return m_prompt; }
    QPushButton* OkButton() const { return m_ok; }

  private:
    const display::CHabitabArray& m_habitabs;
    int m_renamed;
    QLabel* m_prompt;
    QLineEdit* m_name;
    QPushButton* m_ok;
};

class CHabitabsDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14710;
    static constexpr const char* kCaption = "HabiTabs";
    static constexpr const char* kDeleteCaption = "Delete Habitab";
    static constexpr const char* kUpdateCaption = "Update Habitab";
    using DialogRunner = std::function<int(QDialog&)>;

    CHabitabsDialog(display::CHabitabArray& habitabs, display::CHabitabItem& windowSettings,
                    DialogRunner run, QWidget* parent = nullptr);

    static std::string DeleteQuestion(const std::string& name);
    static std::string UpdateQuestion(const std::string& name);
    static std::string RenamePrompt(const std::string& name);

    QListWidget* List() const { return m_list; }
    QPushButton* NewButton() const { return m_new; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* RenameButton() const { return m_rename; }
    QPushButton* UpdateButton() const { return m_update; }
    int Selected() const;
    void Select(int index);

    void NewHabitab();
    void DeleteHabitab();
    void RenameHabitab();
    void UpdateHabitab();

    // Something in the list changed while the dialog ran.
    bool Changed() const { return m_changed; }
    // Every rename made, (old name, new name), in order.
    const std::vector<std::pair<std::string, std::string>>& Renames() const { return m_renames; }

  private:
    void Refill(int select);
    void UpdateButtons();

    display::CHabitabArray& m_habitabs;
    display::CHabitabItem& m_settings;
    DialogRunner m_run;
    QListWidget* m_list;
    QPushButton* m_new;
    QPushButton* m_delete;
    QPushButton* m_rename;
    QPushButton* m_update;
    bool m_changed = false;
    std::vector<std::pair<std::string, std::string>> m_renames;
};

} // namespace vorlane::gui
