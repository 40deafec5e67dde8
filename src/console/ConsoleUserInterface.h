// ConsoleUserInterface: the user interface on a terminal. Messages and
// questions are written to the output stream and answered by a line read
// from the input stream; the end of input declines every question (No,
// Cancel, no file). A status window draws a progress bar on the error
// stream, and only when that stream is a terminal, so piped output stays
// clean; an interrupt (Ctrl-C) while a status window is open cancels it.
//
// The streams are not owned and must outlive the object. One thread.
#pragma once

#include "ui/UserInterface.h"

#include <atomic>
#include <iosfwd>
#include <optional>
#include <string>

namespace vorlane::console {

class ConsoleUserInterface : public ui::UserInterface {
  public:
    // progressBars: draw status windows on err (pass whether err is a terminal).
    ConsoleUserInterface(std::istream& in, std::ostream& out, std::ostream& err, bool progressBars);
    // The console runs every job at once, in step with its prompt.
    bool RunsJobsInline() const override { return true; }

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
    void RequestRepaint() override {}
    void CatalogueChanged(char, const std::string&) override {}

    // Reads one line of input; false at the end of input.
    bool ReadLine(std::string* line);
    bool AtEnd() const { return m_atEnd; }

  private:
    // Shows the text and the choices; returns the first letter of the
    // answer (upper case) among choices, or 0 at the end of input.
    char Ask(const std::string& caption, const std::string& text, const std::string& choices,
             const std::string& hint);
    std::optional<std::string> AskPath(const std::string& caption, const std::string& detail);

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_progressBars;
    bool m_atEnd = false;
};

// The console's "--yes": every question a run asks is answered as Yes To
// All would answer it (Yes, Yes To All, OK), and written to the output
// with that answer, so a script runs unattended. Errors offering Retry or
// Abort take the way out (Cancel, Abort), never a loop. Everything else
// (messages, status windows, pickers) goes to the console's interface.
class YesToAllUserInterface : public ui::UserInterface {
  public:
    YesToAllUserInterface(ui::UserInterface& inner, std::ostream& out)
        : m_inner(inner), m_out(out) {}
    bool RunsJobsInline() const override { return true; }

    ui::Answer Message(const std::string& text, const std::string& caption, ui::Buttons buttons,
                       ui::Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    ui::Answer AskYesNoAllCancel(const std::string& text, const std::string& caption) override;
    std::unique_ptr<ui::StatusWindow> MakeStatusWindow(ui::StatusKind kind,
                                                       const std::string& caption) override {
        return m_inner.MakeStatusWindow(kind, caption);
    }
    void BeginWait() override {}
    void EndWait() override {}
    std::optional<std::string> PickOpenFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override {
        return m_inner.PickOpenFile(caption, filter, initialDir);
    }
    std::optional<std::string> PickSaveFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override {
        return m_inner.PickSaveFile(caption, filter, initialDir);
    }
    std::optional<std::string> PickDirectory(const std::string& caption,
                                             const std::string& initialDir) override {
        return m_inner.PickDirectory(caption, initialDir);
    }
    void RequestRepaint() override {}
    void CatalogueChanged(char, const std::string&) override {}

  private:
    void Answered(const std::string& caption, const std::string& text, const char* answer);
    ui::UserInterface& m_inner;
    std::ostream& m_out;
};

// While one lives, an interrupt (Ctrl-C) cancels the running operation (the
// status windows' "cancelled?" says yes from then on) and a second one
// ends the program at once with status 130. Scopes nest.
class InterruptScope {
  public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
    // An interrupt arrived since the outermost scope began.
    static bool Interrupted();
    // The cancel flag of the job running now (null: none); an interrupt
    // sets it too, for a job that polls its context rather than a status
    // window.
    static void SetCancelFlag(std::atomic<bool>* flag);
};

// Renders a progress bar line: "[#####.....]  50% text", the text cut so
// the line fits width columns.
std::string ProgressLine(int percent, const std::string& text, size_t width);

} // namespace vorlane::console
