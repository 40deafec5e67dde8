// QtUserInterface: the user interface of the windowed front end. Core code
// reaches it through ui::Current(); the GUI installs it at start-up.
//
// Message dialogs and questions are modal QMessageBoxes owned by the main
// frame (or the active window); afterwards the keyboard focus goes back to
// the widget that had it. The status windows (COperationStatusDialog,
// CStatusMessageWindow) are modeless, repaint on every setter, and take
// pending input when the operation polls Cancelled(), so their Cancel
// button is seen by the run that owns them. A catalogue change notice is
// handed to every open file manager window.
//
// One thread (the GUI thread); not copyable.
#pragma once

#include "ui/UserInterface.h"

class QWidget;

namespace vorlane::gui {

class QtUserInterface : public ui::UserInterface {
  public:
    // parent (borrowed, may be null) owns the dialogs; usually the main frame.
    explicit QtUserInterface(QWidget* parent = nullptr) : m_parent(parent) {}
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;

    void SetParent(QWidget* parent) { m_parent = parent; }

    ui::Answer Message(const std::string& text, const std::string& caption, ui::Buttons buttons,
                       ui::Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    ui::Answer AskYesNoAllCancel(const std::string& text, const std::string& caption) override;
    std::unique_ptr<ui::StatusWindow> MakeStatusWindow(ui::StatusKind kind,
                                                       const std::string& caption) override;
    std::unique_ptr<ui::StatusWindow>
    MakeBackgroundStatusWindow(ui::StatusKind kind, const std::string& caption) override;
    void BeginWait() override;
    void EndWait() override;
    std::optional<std::string> PickOpenFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override;
    std::optional<std::string> PickSaveFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override;
    std::optional<std::string> PickDirectory(const std::string& caption,
                                             const std::string& initialDir) override;
    void RequestRepaint() override;
    void CatalogueChanged(char driveLetter, const std::string& dosPath) override;

  private:
    QWidget* m_parent;
    int m_waitDepth = 0;
};

// "Label|*.EXT;*.EXT|Label|*.*" as a Qt name filter list
// ("Label (*.EXT *.EXT);;Label (*.*)").
std::string QtNameFilters(const std::string& filter);

} // namespace vorlane::gui
