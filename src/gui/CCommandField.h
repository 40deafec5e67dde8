// CCommandField: the "Command:" field of a file manager window, a line
// editor with what users of shells expect:
//   - Enter hands the line to the window (LineEntered); the window clears
//     the field when the line succeeded and keeps it for mending when not.
//   - Up and Down walk the lines typed before, newest first, kept in the
//     settings file (section "Command Line", "History####" and
//     "History0000"...); Down past the newest brings back what was being
//     typed.
//   - Tab completes the last word (command/CommandCompletion.h: command
//     words, "[tagged]" and the other file group words, paths); a second
//     Tab with nothing more in common steps through the candidates. So Tab
//     never leaves the field.
//   - Esc leaves it: LeaveRequested, and the window puts the focus back on
//     its file list.
// The history is read again before each walk, so every window's field
// sees the lines typed in the others.
#pragma once

#include "command/CommandCompletion.h"
#include "gui/CFieldHistory.h"

#include <QLineEdit>

#include <functional>
#include <string>

namespace vorlane::gui {

class CCommandField : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr const char* kHistorySection = "Command Line";
    static constexpr const char* kHistoryName = "History";
    static constexpr size_t kHistoryLimit = 50;

    // What Tab completes a line to.
    using Completer = std::function<command::Completion(const std::string& line)>;

    explicit CCommandField(QWidget* parent = nullptr);
    void SetCompleter(Completer completer) { m_complete = std::move(completer); }

    // Puts a run line first in the history (and in the settings file).
    void Remember(const std::string& line);
    // Tab's work, also for tests: completes the text, or steps on.
    void Complete();

  signals:
    void LineEntered(const QString& line);
    void LeaveRequested();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Walk(int step);
    void LoadHistory();

    Completer m_complete;
    CFieldHistory m_history;
    int m_walk = -1;                  // the history entry shown, -1: the typed text
    QString m_typed;                  // what was typed before the walk began
    QString m_cycleShown;             // the text a step through candidates put there
    std::vector<std::string> m_cycle; // the lines a step goes through
    size_t m_cycleAt = 0;
};

} // namespace vorlane::gui
