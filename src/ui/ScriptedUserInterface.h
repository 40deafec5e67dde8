// A user interface for tests: every answer is queued in advance, every text
// shown is recorded, and a prompt nobody expected is caught.
//
// Answers are queued per kind of prompt (message dialogs with a choice,
// Yes/No questions, the per-file Yes/No/Yes To All/Cancel box, the three
// pickers) and taken first in, first out. A message dialog with only an OK
// button needs no answer: it is recorded and closed with OK. A prompt whose
// queue is empty is recorded in Unexpected(), reported to the handler set
// with OnUnexpected() (a test can fail there), and declined (Cancel, No or
// no file). AllAnswersUsed() tells whether a test queued more than was asked.
//
// Status windows record every call in order; a test can make the next
// status window report Cancelled() from its nth "cancelled?" check on. The
// records outlive the windows (the caller destroys those after each run).
//
// One owner, one thread; install it with ui::ScopedUserInterface.
#pragma once

#include "ui/UserInterface.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::ui {

enum class PromptKind { Message, YesNo, YesNoAllCancel, OpenFile, SaveFile, Directory };

// One text the user was shown: a message, a question or a picker.
struct ShownText {
    PromptKind kind = PromptKind::Message;
    std::string text; // for a picker: its filter and initial directory, "filter|dir"
    std::string caption;
    Buttons buttons = Buttons::Ok; // message dialogs only
};

// Everything one status window was told, in order.
struct StatusLog {
    enum class Call {
        CurrentMessage,
        CurrentPercent,
        OverallLabel,
        OverallPercent,
        Cancelled,
        Archive,
        Compression,
        Error,
        Field, // SetField: value is the StatusField
    };
    struct Entry {
        Call call;
        std::string text; // the messages and labels
        int value = 0;    // the percentages; for Cancelled the answer (0 or 1)
    };
    StatusKind kind = StatusKind::Operation;
    std::string caption;
    std::vector<Entry> entries;
    bool destroyed = false;
    // 0 never; else Cancelled() answers true from this (1-based) check on.
    int cancelAtCheck = 0;
    int checks = 0;

    // The values of one kind of percentage call, in order.
    std::vector<int> Percents(Call call) const;
    // The texts of one kind of message call, in order.
    std::vector<std::string> Texts(Call call) const;
    // The texts one field of the thumbnail scan window was given, in order.
    std::vector<std::string> FieldTexts(StatusField field) const;
};

class ScriptedUserInterface : public UserInterface {
  public:
    ScriptedUserInterface() = default;

    // Queue answers.
    void QueueMessageAnswer(Answer answer); // for message dialogs with more than OK
    void QueueYesNo(bool yes);
    void QueueYesNoAllCancel(Answer answer);
    void QueueOpenFile(std::optional<std::string> path);
    void QueueSaveFile(std::optional<std::string> path);
    void QueueDirectory(std::optional<std::string> path);
    // The next status window made reports cancel from its nth check on
    // (1-based); 0 makes it never cancel.
    void CancelNextStatusWindowAt(int nthCheck);

    // What was shown, in order (messages, questions and pickers).
    const std::vector<ShownText>& Shown() const { return m_shown; }
    // Only the texts, in order.
    std::vector<std::string> Texts() const;
    // True when some text shown contains fragment.
    bool Showed(const std::string& fragment) const;
    // Prompts that found no queued answer.
    const std::vector<ShownText>& Unexpected() const { return m_unexpected; }
    // True when every queued answer (and status cancel point) was used.
    bool AllAnswersUsed() const;
    // Called with a description of each unexpected prompt (e.g. ADD_FAILURE).
    void OnUnexpected(std::function<void(const std::string&)> handler) {
        m_onUnexpected = std::move(handler);
    }
    // Forgets what was shown and every queued answer.
    void Reset();

    const std::vector<std::shared_ptr<StatusLog>>& StatusWindows() const { return m_status; }
    int WaitDepth() const { return m_waitDepth; }
    int WaitCalls() const { return m_waitCalls; }
    int RepaintRequests() const { return m_repaints; }
    // The (letter, path) of every catalogue change notice.
    const std::vector<std::pair<char, std::string>>& CatalogueChanges() const {
        return m_catalogueChanges;
    }

    // UserInterface
    Answer Message(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    Answer AskYesNoAllCancel(const std::string& text, const std::string& caption) override;
    std::unique_ptr<StatusWindow> MakeStatusWindow(StatusKind kind,
                                                   const std::string& caption) override;
    void BeginWait() override;
    void EndWait() override;
    std::optional<std::string> PickOpenFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override;
    std::optional<std::string> PickSaveFile(const std::string& caption, const std::string& filter,
                                            const std::string& initialDir) override;
    std::optional<std::string> PickDirectory(const std::string& caption,
                                             const std::string& initialDir) override;
    void RequestRepaint() override { ++m_repaints; }
    void CatalogueChanged(char driveLetter, const std::string& dosPath) override {
        m_catalogueChanges.emplace_back(driveLetter, dosPath);
    }
    // Jobs run at once, in step with the test, unless a test lets them run
    // on workers (every call then still arrives on the front end's thread).
    bool RunsJobsInline() const override { return m_inlineJobs; }
    void SetRunsJobsInline(bool inlineJobs) { m_inlineJobs = inlineJobs; }

  private:
    void Record(const ShownText& shown);
    void RecordUnexpected(const ShownText& shown);
    std::optional<std::string> Pick(std::deque<std::optional<std::string>>& queue, PromptKind kind,
                                    const std::string& caption, const std::string& filter,
                                    const std::string& initialDir);

    std::deque<Answer> m_messageAnswers;
    std::deque<bool> m_yesNo;
    std::deque<Answer> m_yesNoAllCancel;
    std::deque<std::optional<std::string>> m_openFiles;
    std::deque<std::optional<std::string>> m_saveFiles;
    std::deque<std::optional<std::string>> m_directories;
    std::optional<int> m_nextCancelAt;

    std::vector<ShownText> m_shown;
    std::vector<ShownText> m_unexpected;
    std::function<void(const std::string&)> m_onUnexpected;
    std::vector<std::shared_ptr<StatusLog>> m_status;
    int m_waitDepth = 0;
    int m_waitCalls = 0;
    int m_repaints = 0;
    std::vector<std::pair<char, std::string>> m_catalogueChanges;
    bool m_inlineJobs = true;
};

} // namespace vorlane::ui
