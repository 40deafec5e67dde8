// CJobUserInterface: the user interface a job sees when it runs on a worker
// thread. Every call is carried to the GUI thread and answered there by the
// GUI's own user interface:
//
//   questions, messages, pickers  block the job until the user answers;
//                                 while the program closes they are
//                                 declined (Cancel, No, no file) at once;
//   status windows                made on the GUI thread; the job's setters
//                                 only store the newest values, which a
//                                 GUI-thread timer shows about 30 times a
//                                 second; Cancelled() reads an atomic flag
//                                 that the window's Cancel and the job's own
//                                 cancel flag set, so the job never waits
//                                 for a repaint or runs an event loop;
//   repaint and change notices    posted, not waited for;
//   wait cursor                   ignored (the windows stay usable).
//
// Called on the GUI thread itself, each call goes straight through.
// One job uses one instance; it must not outlive the GUI's user interface
// or the QObject it posts to.
#pragma once

#include "ui/UserInterface.h"

#include <atomic>
#include <memory>

class QObject;

namespace vorlane::gui {

class CJobUserInterface : public ui::UserInterface {
  public:
    // gui: the GUI thread's interface; anchor: a QObject living on the GUI
    // thread the calls are posted to; jobCancel: the job's own flag;
    // closing: set when the program closes.
    CJobUserInterface(ui::UserInterface& gui, QObject* anchor,
                      std::shared_ptr<std::atomic<bool>> jobCancel,
                      std::shared_ptr<std::atomic<bool>> closing);

    ui::Answer Message(const std::string& text, const std::string& caption, ui::Buttons buttons,
                       ui::Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    ui::Answer AskYesNoAllCancel(const std::string& text, const std::string& caption) override;
    std::unique_ptr<ui::StatusWindow> MakeStatusWindow(ui::StatusKind kind,
                                                       const std::string& caption) override;
    void BeginWait() override {}
    void EndWait() override {}
    std::optional<std::string> PickOpenFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override;
    std::optional<std::string> PickSaveFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override;
    std::optional<std::string> PickDirectory(const std::string& caption,
                                             const std::string& initialDir) override;
    void RequestRepaint() override;
    void CatalogueChanged(char driveLetter, const std::string& dosPath) override;

    // How often a status window shows the newest values, in milliseconds.
    static constexpr int kStatusRefreshMs = 33;

  private:
    // Runs call on the GUI thread and waits for it; declined (returns
    // declined) while the program closes.
    template <typename T, typename F> T OnGui(F call, T declined);

    ui::UserInterface& m_gui;
    QObject* m_anchor;
    std::shared_ptr<std::atomic<bool>> m_jobCancel;
    std::shared_ptr<std::atomic<bool>> m_closing;
};

} // namespace vorlane::gui
