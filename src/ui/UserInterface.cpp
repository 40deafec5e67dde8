// The process-wide user interface and its silent fallback.
#include "ui/UserInterface.h"

namespace vorlane::ui {

namespace {

// A status window that shows nothing and is never cancelled.
class SilentStatusWindow : public StatusWindow {
  public:
    void SetCurrentMessage(const std::string&) override {}
    void SetCurrentPercent(int) override {}
    void SetOverallLabel(const std::string&) override {}
    void SetOverallPercent(int) override {}
    bool Cancelled() override { return false; }
};

// Used until a front end installs its own: shows nothing and declines every
// question, so code that runs before (or without) a front end never acts on
// an answer nobody gave.
class SilentUserInterface : public UserInterface {
  public:
    Answer Message(const std::string&, const std::string&, Buttons buttons, Icon) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    Answer AskYesNoAllCancel(const std::string&, const std::string&) override {
        return Answer::Cancel;
    }
    std::unique_ptr<StatusWindow> MakeStatusWindow(StatusKind, const std::string&) override {
        return std::make_unique<SilentStatusWindow>();
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
};

SilentUserInterface g_silent;
UserInterface* g_current = &g_silent;

} // namespace

UserInterface& SilentInterface() {
    return g_silent;
}

Answer MessageKeeper::Message(const std::string& text, const std::string& caption, Buttons buttons,
                              Icon icon) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(text);
    }
    return g_silent.Message(text, caption, buttons, icon);
}

std::vector<std::string> MessageKeeper::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

UserInterface& Current() {
    return *g_current;
}

void SetCurrent(UserInterface* ui) {
    g_current = ui ? ui : &g_silent;
}

} // namespace vorlane::ui
