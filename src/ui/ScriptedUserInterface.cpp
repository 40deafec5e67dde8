#include "ui/ScriptedUserInterface.h"

namespace vorlane::ui {

namespace {

const char* KindName(PromptKind kind) {
    switch (kind) {
    case PromptKind::Message:
        return "message";
    case PromptKind::YesNo:
        return "Yes/No question";
    case PromptKind::YesNoAllCancel:
        return "Yes/No/Yes To All/Cancel question";
    case PromptKind::OpenFile:
        return "open-file picker";
    case PromptKind::SaveFile:
        return "save-file picker";
    case PromptKind::Directory:
        return "directory picker";
    }
    return "prompt";
}

// The answer that closes a dialog of these buttons without agreeing.
Answer DeclineAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    default:
        return Answer::Cancel;
    }
}

// Records what one status window is told.
class ScriptedStatusWindow : public StatusWindow {
  public:
    explicit ScriptedStatusWindow(std::shared_ptr<StatusLog> log) : m_log(std::move(log)) {}
    ~ScriptedStatusWindow() override { m_log->destroyed = true; }

    void SetCurrentMessage(const std::string& text) override {
        m_log->entries.push_back({StatusLog::Call::CurrentMessage, text, 0});
    }
    void SetCurrentPercent(int percent) override {
        m_log->entries.push_back({StatusLog::Call::CurrentPercent, "", percent});
    }
    void SetOverallLabel(const std::string& text) override {
        m_log->entries.push_back({StatusLog::Call::OverallLabel, text, 0});
    }
    void SetOverallPercent(int percent) override {
        m_log->entries.push_back({StatusLog::Call::OverallPercent, "", percent});
    }
    void SetArchive(const std::string& text) override {
        m_log->entries.push_back({StatusLog::Call::Archive, text, 0});
    }
    void SetCompression(const std::string& text) override {
        m_log->entries.push_back({StatusLog::Call::Compression, text, 0});
    }
    void AddError(const std::string& text) override {
        m_log->entries.push_back({StatusLog::Call::Error, text, 0});
    }
    void SetField(StatusField field, const std::string& text) override {
        m_log->entries.push_back({StatusLog::Call::Field, text, static_cast<int>(field)});
    }
    bool Cancelled() override {
        ++m_log->checks;
        bool cancelled = m_log->cancelAtCheck > 0 && m_log->checks >= m_log->cancelAtCheck;
        m_log->entries.push_back({StatusLog::Call::Cancelled, "", cancelled ? 1 : 0});
        return cancelled;
    }

  private:
    std::shared_ptr<StatusLog> m_log;
};

} // namespace

std::vector<int> StatusLog::Percents(Call call) const {
    std::vector<int> values;
    for (const Entry& e : entries)
        if (e.call == call)
            values.push_back(e.value);
    return values;
}

std::vector<std::string> StatusLog::Texts(Call call) const {
    std::vector<std::string> texts;
    for (const Entry& e : entries)
        if (e.call == call)
            texts.push_back(e.text);
    return texts;
}

std::vector<std::string> StatusLog::FieldTexts(StatusField field) const {
    std::vector<std::string> texts;
    for (const Entry& e : entries)
        if (e.call == Call::Field && e.value == static_cast<int>(field))
            texts.push_back(e.text);
    return texts;
}

void ScriptedUserInterface::QueueMessageAnswer(Answer answer) {
    m_messageAnswers.push_back(answer);
}
void ScriptedUserInterface::QueueYesNo(bool yes) {
    m_yesNo.push_back(yes);
}
void ScriptedUserInterface::QueueYesNoAllCancel(Answer answer) {
    m_yesNoAllCancel.push_back(answer);
}
void ScriptedUserInterface::QueueOpenFile(std::optional<std::string> path) {
    m_openFiles.push_back(std::move(path));
}
void ScriptedUserInterface::QueueSaveFile(std::optional<std::string> path) {
    m_saveFiles.push_back(std::move(path));
}
void ScriptedUserInterface::QueueDirectory(std::optional<std::string> path) {
    m_directories.push_back(std::move(path));
}
void ScriptedUserInterface::CancelNextStatusWindowAt(int nthCheck) {
    m_nextCancelAt = nthCheck;
}

std::vector<std::string> ScriptedUserInterface::Texts() const {
    std::vector<std::string> texts;
    for (const ShownText& s : m_shown)
        texts.push_back(s.text);
    return texts;
}

bool ScriptedUserInterface::Showed(const std::string& fragment) const {
    for (const ShownText& s : m_shown)
        if (s.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

bool ScriptedUserInterface::AllAnswersUsed() const {
    return m_messageAnswers.empty() && m_yesNo.empty() && m_yesNoAllCancel.empty() &&
           m_openFiles.empty() && m_saveFiles.empty() && m_directories.empty() && !m_nextCancelAt;
}

void ScriptedUserInterface::Reset() {
    m_messageAnswers.clear();
    m_yesNo.clear();
    m_yesNoAllCancel.clear();
    m_openFiles.clear();
    m_saveFiles.clear();
    m_directories.clear();
    m_nextCancelAt.reset();
    m_shown.clear();
    m_unexpected.clear();
    m_status.clear();
    m_waitDepth = 0;
    m_waitCalls = 0;
    m_repaints = 0;
    m_catalogueChanges.clear();
}

void ScriptedUserInterface::Record(const ShownText& shown) {
    m_shown.push_back(shown);
}

void ScriptedUserInterface::RecordUnexpected(const ShownText& shown) {
    m_unexpected.push_back(shown);
    if (m_onUnexpected)
        m_onUnexpected(std::string("unexpected ") + KindName(shown.kind) + " \"" + shown.caption +
                       "\": " + shown.text);
}

Answer ScriptedUserInterface::Message(const std::string& text, const std::string& caption,
                                      Buttons buttons, Icon) {
    ShownText shown{PromptKind::Message, LimitMessageText(text), caption, buttons};
    Record(shown);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_messageAnswers.empty()) {
        RecordUnexpected(shown);
        return DeclineAnswer(buttons);
    }
    Answer answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

bool ScriptedUserInterface::AskYesNo(const std::string& text, const std::string& caption) {
    ShownText shown{PromptKind::YesNo, text, caption, Buttons::YesNo};
    Record(shown);
    if (m_yesNo.empty()) {
        RecordUnexpected(shown);
        return false;
    }
    bool yes = m_yesNo.front();
    m_yesNo.pop_front();
    return yes;
}

Answer ScriptedUserInterface::AskYesNoAllCancel(const std::string& text,
                                                const std::string& caption) {
    ShownText shown{PromptKind::YesNoAllCancel, text, caption, Buttons::YesNoCancel};
    Record(shown);
    if (m_yesNoAllCancel.empty()) {
        RecordUnexpected(shown);
        return Answer::Cancel;
    }
    Answer answer = m_yesNoAllCancel.front();
    m_yesNoAllCancel.pop_front();
    return answer;
}

std::unique_ptr<StatusWindow> ScriptedUserInterface::MakeStatusWindow(StatusKind kind,
                                                                      const std::string& caption) {
    auto log = std::make_shared<StatusLog>();
    log->kind = kind;
    log->caption = caption;
    if (m_nextCancelAt) {
        log->cancelAtCheck = *m_nextCancelAt;
        m_nextCancelAt.reset();
    }
    m_status.push_back(log);
    return std::make_unique<ScriptedStatusWindow>(log);
}

void ScriptedUserInterface::BeginWait() {
    ++m_waitDepth;
    ++m_waitCalls;
}

void ScriptedUserInterface::EndWait() {
    if (m_waitDepth > 0)
        --m_waitDepth;
}

std::optional<std::string>
ScriptedUserInterface::Pick(std::deque<std::optional<std::string>>& queue, PromptKind kind,
                            const std::string& caption, const std::string& filter,
                            const std::string& initialDir) {
    ShownText shown{kind, filter + "|" + initialDir, caption, Buttons::OkCancel};
    Record(shown);
    if (queue.empty()) {
        RecordUnexpected(shown);
        return std::nullopt;
    }
    std::optional<std::string> path = queue.front();
    queue.pop_front();
    return path;
}

std::optional<std::string> ScriptedUserInterface::PickOpenFile(const std::string& caption,
                                                               const std::string& filter,
                                                               const std::string& initialDir) {
    return Pick(m_openFiles, PromptKind::OpenFile, caption, filter, initialDir);
}

std::optional<std::string> ScriptedUserInterface::PickSaveFile(const std::string& caption,
                                                               const std::string& filter,
                                                               const std::string& initialDir) {
    return Pick(m_saveFiles, PromptKind::SaveFile, caption, filter, initialDir);
}

std::optional<std::string> ScriptedUserInterface::PickDirectory(const std::string& caption,
                                                                const std::string& initialDir) {
    return Pick(m_directories, PromptKind::Directory, caption, "", initialDir);
}

} // namespace vorlane::ui
