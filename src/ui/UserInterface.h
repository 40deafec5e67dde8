// The user interface as core code sees it. Core modules never include Qt:
// they ask the user, show messages and report progress through these
// interfaces, which the Qt shell, the console front end and the scripted
// test double implement.
//
// The one process-wide UserInterface is reached through ui::Current(); a
// front end installs its implementation at start-up with ui::SetCurrent()
// and tests install a ScriptedUserInterface. Status windows are made by the
// UserInterface and owned by the caller that asked for them (one run).
#pragma once

#include "ui/MessageText.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::ui {

// Buttons that close a message dialog or a question.
enum class Answer { Ok, Cancel, Yes, No, YesToAll, Retry, Ignore, Abort };

// Which buttons a message dialog shows.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class Icon { None, Error, Warning, Information, Question };

// The lines of the thumbnail scan window (StatusKind::ThumbnailScan).
enum class StatusField {
    Directory,          // the directory being scanned (shortened)
    DirectoriesScanned, // count
    FilesExamined,      // count
    ThumbnailsCreated,  // count
    File,               // the file being made into a thumbnail (shortened)
    Step,               // "Loading...", "Resizing...", ...
};

// A window that shows progress of a long operation and can be cancelled.
// The operation status dialog has both lines and gauges; the smaller status
// message window only the current ones (the overall setters do nothing
// there). Every setter shows the new value at once.
class StatusWindow {
  public:
    virtual ~StatusWindow() = default;
    // The one-line text of the current item; "" shows an empty line.
    virtual void SetCurrentMessage(const std::string& text) = 0;
    // 0 to 100, shown as "%d%%".
    virtual void SetCurrentPercent(int percent) = 0;
    virtual void SetOverallLabel(const std::string& text) = 0;
    virtual void SetOverallPercent(int percent) = 0;
    // True once the user has cancelled (closed the window or pressed Cancel).
    // Also the moment a front end may process pending input.
    virtual bool Cancelled() = 0;
    // The same answer asked by the front end itself (a timer on the GUI
    // thread watching the window of a job on another thread): takes no
    // pending input and is not counted as a poll of the operation.
    virtual bool CancelRequested() { return false; }

    // The lines only the recompress window has (the other kinds ignore
    // them): the archive being worked on, the compression chosen, and one
    // more line of its error list (lines are never replaced, only added).
    virtual void SetArchive(const std::string& text) { (void)text; }
    virtual void SetCompression(const std::string& text) { (void)text; }
    virtual void AddError(const std::string& text) { (void)text; }
    // A line of the thumbnail scan window (the other kinds ignore it).
    virtual void SetField(StatusField field, const std::string& text) {
        (void)field;
        (void)text;
    }
};

enum class StatusKind {
    Operation, // "Operation Status": current line and gauge, overall label and gauge, Cancel
    Message,   // a message line and one gauge
    // The recompress window: archive and compression lines, the current
    // status line and gauge, the overall gauge, the error list, Cancel.
    Recompress,
    // The thumbnail scan window: its fields (StatusField), the error list
    // and Cancel.
    ThumbnailScan,
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // The program's message dialog: caption "Error!" unless given; the text
    // is at most 1024 characters (longer texts are cut). Returns the button
    // that closed it.
    virtual Answer Message(const std::string& text, const std::string& caption = "Error!",
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::Error) = 0;

    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;

    // The per-file question box: Yes, No, "Yes To &All" and Cancel.
    virtual Answer AskYesNoAllCancel(const std::string& text, const std::string& caption) = 0;

    // Makes a status window with the given caption; the caller owns it for
    // one run and destroys it at the end.
    virtual std::unique_ptr<StatusWindow> MakeStatusWindow(StatusKind kind,
                                                           const std::string& caption) = 0;
    // The status window of a job that runs in the background: the other
    // windows stay usable while it shows. Called on the front end's own
    // thread. The default is MakeStatusWindow.
    virtual std::unique_ptr<StatusWindow> MakeBackgroundStatusWindow(StatusKind kind,
                                                                     const std::string& caption) {
        return MakeStatusWindow(kind, caption);
    }

    // Wait cursor on (depth counted) and off.
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;

    // File and directory pickers: the chosen DOS path, or nothing when the
    // user cancels. filter is "Label|*.EXT;*.EXT|Label|*.*".
    virtual std::optional<std::string> PickOpenFile(const std::string& caption,
                                                    const std::string& filter,
                                                    const std::string& initialDir) = 0;
    virtual std::optional<std::string> PickSaveFile(const std::string& caption,
                                                    const std::string& filter,
                                                    const std::string& initialDir) = 0;
    virtual std::optional<std::string> PickDirectory(const std::string& caption,
                                                     const std::string& initialDir) = 0;

    // Notices: the windows must be repainted; the catalogue of a drive (or
    // of every drive, letter 0) changed below dosPath.
    virtual void RequestRepaint() = 0;
    virtual void CatalogueChanged(char driveLetter, const std::string& dosPath) = 0;

    // True for an interface that must be called on one thread only and in
    // step with the operation (the scripted one of the tests, the console):
    // a front end then runs its jobs at once on its own thread instead of
    // on workers.
    virtual bool RunsJobsInline() const { return false; }
};

// The installed user interface. Before any front end installs one, a
// silent implementation answers Cancel/No to every question, so core code
// never dereferences null.
// An interface that shows nothing and declines every question: for work
// that has no one to ask (a count on a worker thread, a scan).
UserInterface& SilentInterface();
UserInterface& Current();
// Installs ui (not owned; must outlive its use). Null restores the silent one.
void SetCurrent(UserInterface* ui);

// Shows nothing and declines every question, as SilentInterface() does,
// but keeps the text of every message it is given: for work whose failure
// is shown in place instead of in a dialog (the viewer pane's take-out of
// a zip member). May be called from any thread.
class MessageKeeper : public UserInterface {
  public:
    Answer Message(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        return SilentInterface().AskYesNo(text, caption);
    }
    Answer AskYesNoAllCancel(const std::string& text, const std::string& caption) override {
        return SilentInterface().AskYesNoAllCancel(text, caption);
    }
    std::unique_ptr<StatusWindow> MakeStatusWindow(StatusKind kind,
                                                   const std::string& caption) override {
        return SilentInterface().MakeStatusWindow(kind, caption);
    }
    void BeginWait() override {}
    void EndWait() override {}
    std::optional<std::string> PickOpenFile(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> PickSaveFile(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> PickDirectory(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void RequestRepaint() override {}
    void CatalogueChanged(char, const std::string&) override {}

    // The texts of the messages so far, in order.
    std::vector<std::string> Messages() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

// Installs a user interface for the lifetime of the object and puts the
// previous one back afterwards.
class ScopedUserInterface {
  public:
    explicit ScopedUserInterface(UserInterface* ui) : m_previous(&Current()) { SetCurrent(ui); }
    ~ScopedUserInterface() { SetCurrent(m_previous); }
    ScopedUserInterface(const ScopedUserInterface&) = delete;
    ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

  private:
    UserInterface* m_previous;
};

// Keeps a wait cursor of ui up for the lifetime of the object.
class WaitCursor {
  public:
    explicit WaitCursor(UserInterface& ui) : m_ui(ui) { m_ui.BeginWait(); }
    ~WaitCursor() { m_ui.EndWait(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    UserInterface& m_ui;
};

} // namespace vorlane::ui
