// The "Open With" dialog of File, Associate: the applications the desktop
// lists for the caret file's type (its default marked "(default)" and
// chosen at first), "&Open" to open the file with the chosen one and
// "Set as &Default" to make it the type's default, Cancel and Help. The
// dialog only records the choice; the frame acts on it.
#pragma once

#include "platform/DesktopApps.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace vorlane::gui {

class COpenWithDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14105;
    static constexpr const char* kCaption = "Open With";
    enum Action { kNone, kOpen, kSetDefault };

    // fileName: the name shown; mimeType: the type the list is for.
    COpenWithDialog(const std::string& fileName, const std::string& mimeType,
                    std::vector<platform::DesktopApp> apps, const std::string& defaultId,
                    QWidget* parent = nullptr);

    Action ChosenAction() const { return m_action; }
    // The chosen application; null when there is none.
    const platform::DesktopApp* Chosen() const;
    QListWidget* List() const { return m_list; }
    QLabel* Prompt() const { return m_prompt; }
    QPushButton* OpenButton() const { return m_open; }
    QPushButton* DefaultButton() const { return m_default; }

    // Open, or Set as Default when that button was pressed; nothing
    // without a chosen application.
    void accept() override;

  private:
    std::vector<platform::DesktopApp> m_apps;
    QLabel* m_prompt;
    QListWidget* m_list;
    QPushButton* m_open;
    QPushButton* m_default;
    Action m_action = kNone;
};

} // namespace vorlane::gui
