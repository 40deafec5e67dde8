#include "console/ConsoleUserInterface.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace vorlane::console {

namespace {

// Set by an interrupt while a status window is open.
volatile std::sig_atomic_t g_interrupted = 0;
// The running job's cancel flag (lock-free, so the handler may set it).
std::atomic<std::atomic<bool>*> g_cancelFlag{nullptr};
int g_openStatusWindows = 0;
struct sigaction g_previousInterrupt;

extern "C" void OnInterrupt(int) {
    // The first interrupt cancels; a second one, the operation still
    // running, leaves.
    if (g_interrupted) {
        static const char kLeaving[] = "\nInterrupted twice: Vorlane ends.\n";
        ssize_t written = ::write(STDERR_FILENO, kLeaving, sizeof kLeaving - 1);
        (void)written;
        ::_exit(130);
    }
    g_interrupted = 1;
    if (std::atomic<bool>* flag = g_cancelFlag.load())
        flag->store(true);
}

void CatchInterrupts() {
    if (g_openStatusWindows++ > 0)
        return;
    g_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previousInterrupt);
}

void ReleaseInterrupts() {
    if (--g_openStatusWindows > 0)
        return;
    sigaction(SIGINT, &g_previousInterrupt, nullptr);
}

int Clamp(int percent) {
    return std::clamp(percent, 0, 100);
}

// A status window as one line on the error stream, redrawn in place.
class ConsoleStatusWindow : public ui::StatusWindow {
  public:
    ConsoleStatusWindow(std::ostream& err, bool draw, ui::StatusKind kind,
                        const std::string& caption)
        : m_err(err), m_draw(draw), m_kind(kind), m_caption(caption) {
        CatchInterrupts();
    }
    ~ConsoleStatusWindow() override {
        if (m_drawn)
            m_err << '\n' << std::flush;
        ReleaseInterrupts();
    }

    void SetCurrentMessage(const std::string& text) override {
        m_current = text;
        Draw();
    }
    void SetCurrentPercent(int percent) override {
        m_currentPercent = Clamp(percent);
        Draw();
    }
    void SetOverallLabel(const std::string& text) override {
        if (m_kind == ui::StatusKind::Operation) {
            m_overall = text;
            Draw();
        }
    }
    void SetOverallPercent(int percent) override {
        if (m_kind == ui::StatusKind::Operation) {
            m_overallPercent = Clamp(percent);
            Draw();
        }
    }
    bool Cancelled() override {
        if (g_interrupted)
            m_cancelled = true;
        return m_cancelled;
    }

  private:
    void Draw() {
        if (!m_draw)
            return;
        // The overall gauge leads when there is one; the current item's
        // text follows it.
        bool overall = m_kind == ui::StatusKind::Operation && m_overallPercent >= 0;
        int percent = overall ? m_overallPercent : m_currentPercent;
        std::string text = !m_current.empty()   ? m_current
                           : !m_overall.empty() ? m_overall
                                                : m_caption;
        m_err << '\r' << ProgressLine(percent < 0 ? 0 : percent, text, 79) << "\x1b[K"
              << std::flush;
        m_drawn = true;
    }

    std::ostream& m_err;
    bool m_draw;
    ui::StatusKind m_kind;
    std::string m_caption;
    std::string m_current;
    std::string m_overall;
    int m_currentPercent = 0;
    int m_overallPercent = -1;
    bool m_drawn = false;
    bool m_cancelled = false;
};

char FirstLetterUpper(const std::string& line) {
    for (char c : line) {
        if (c == ' ' || c == '\t')
            continue;
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return 0;
}

std::string Trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

} // namespace

InterruptScope::InterruptScope() {
    CatchInterrupts();
}

InterruptScope::~InterruptScope() {
    ReleaseInterrupts();
}

bool InterruptScope::Interrupted() {
    return g_interrupted != 0;
}

void InterruptScope::SetCancelFlag(std::atomic<bool>* flag) {
    g_cancelFlag.store(flag);
}

void YesToAllUserInterface::Answered(const std::string& caption, const std::string& text,
                                     const char* answer) {
    m_out << caption << ": " << ui::LimitMessageText(text) << "\n  " << answer << " (--yes)\n"
          << std::flush;
}

ui::Answer YesToAllUserInterface::Message(const std::string& text, const std::string& caption,
                                          ui::Buttons buttons, ui::Icon icon) {
    switch (buttons) {
    case ui::Buttons::Ok:
        return m_inner.Message(text, caption, buttons, icon);
    case ui::Buttons::OkCancel:
        Answered(caption, text, "OK");
        return ui::Answer::Ok;
    case ui::Buttons::YesNo:
    case ui::Buttons::YesNoCancel:
        Answered(caption, text, "Yes");
        return ui::Answer::Yes;
    case ui::Buttons::RetryCancel:
        Answered(caption, text, "Cancel");
        return ui::Answer::Cancel;
    case ui::Buttons::AbortRetryIgnore:
        Answered(caption, text, "Abort");
        return ui::Answer::Abort;
    }
    return ui::Answer::Cancel;
}

bool YesToAllUserInterface::AskYesNo(const std::string& text, const std::string& caption) {
    Answered(caption, text, "Yes");
    return true;
}

ui::Answer YesToAllUserInterface::AskYesNoAllCancel(const std::string& text,
                                                    const std::string& caption) {
    Answered(caption, text, "Yes to all");
    return ui::Answer::YesToAll;
}

std::string ProgressLine(int percent, const std::string& text, size_t width) {
    constexpr int kBar = 20;
    percent = Clamp(percent);
    int filled = percent * kBar / 100;
    std::string line = "[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(kBar - filled), '.');
    line += "] ";
    char number[8];
    std::snprintf(number, sizeof number, "%3d%% ", percent);
    line += number;
    size_t room = width > line.size() ? width - line.size() : 0;
    if (text.size() <= room)
        return line + text;
    // Keep the end of the text (the file name) and mark the cut.
    if (room <= 3)
        return line + text.substr(0, room);
    size_t keep = room - 3;
    size_t from = text.size() - keep;
    while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80)
        ++from;
    return line + "..." + text.substr(from);
}

ConsoleUserInterface::ConsoleUserInterface(std::istream& in, std::ostream& out, std::ostream& err,
                                           bool progressBars)
    : m_in(in), m_out(out), m_err(err), m_progressBars(progressBars) {}

bool ConsoleUserInterface::ReadLine(std::string* line) {
    if (m_atEnd || !std::getline(m_in, *line)) {
        m_atEnd = true;
        return false;
    }
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return true;
}

char ConsoleUserInterface::Ask(const std::string& caption, const std::string& text,
                               const std::string& choices, const std::string& hint) {
    m_out << caption << ": " << ui::LimitMessageText(text) << '\n';
    for (;;) {
        m_out << hint << " " << std::flush;
        std::string line;
        if (!ReadLine(&line)) {
            m_out << '\n';
            return 0;
        }
        char c = FirstLetterUpper(line);
        if (c != 0 && choices.find(c) != std::string::npos)
            return c;
        m_out << "Please answer with one of: " << hint << '\n';
    }
}

ui::Answer ConsoleUserInterface::Message(const std::string& text, const std::string& caption,
                                         ui::Buttons buttons, ui::Icon) {
    switch (buttons) {
    case ui::Buttons::Ok:
        m_out << caption << ": " << ui::LimitMessageText(text) << '\n' << std::flush;
        return ui::Answer::Ok;
    case ui::Buttons::OkCancel:
        return Ask(caption, text, "OC", "(o)k, (c)ancel?") == 'O' ? ui::Answer::Ok
                                                                  : ui::Answer::Cancel;
    case ui::Buttons::YesNo:
        return Ask(caption, text, "YN", "(y)es, (n)o?") == 'Y' ? ui::Answer::Yes : ui::Answer::No;
    case ui::Buttons::YesNoCancel:
        switch (Ask(caption, text, "YNC", "(y)es, (n)o, (c)ancel?")) {
        case 'Y':
            return ui::Answer::Yes;
        case 'N':
            return ui::Answer::No;
        default:
            return ui::Answer::Cancel;
        }
    case ui::Buttons::RetryCancel:
        return Ask(caption, text, "RC", "(r)etry, (c)ancel?") == 'R' ? ui::Answer::Retry
                                                                     : ui::Answer::Cancel;
    case ui::Buttons::AbortRetryIgnore:
        switch (Ask(caption, text, "ARI", "(a)bort, (r)etry, (i)gnore?")) {
        case 'R':
            return ui::Answer::Retry;
        case 'I':
            return ui::Answer::Ignore;
        default:
            return ui::Answer::Abort;
        }
    }
    return ui::Answer::Cancel;
}

bool ConsoleUserInterface::AskYesNo(const std::string& text, const std::string& caption) {
    return Ask(caption, text, "YN", "(y)es, (n)o?") == 'Y';
}

ui::Answer ConsoleUserInterface::AskYesNoAllCancel(const std::string& text,
                                                   const std::string& caption) {
    switch (Ask(caption, text, "YNAC", "(y)es, (n)o, yes to (a)ll, (c)ancel?")) {
    case 'Y':
        return ui::Answer::Yes;
    case 'N':
        return ui::Answer::No;
    case 'A':
        return ui::Answer::YesToAll;
    default:
        return ui::Answer::Cancel;
    }
}

std::unique_ptr<ui::StatusWindow>
ConsoleUserInterface::MakeStatusWindow(ui::StatusKind kind, const std::string& caption) {
    return std::make_unique<ConsoleStatusWindow>(m_err, m_progressBars, kind, caption);
}

std::optional<std::string> ConsoleUserInterface::AskPath(const std::string& caption,
                                                         const std::string& detail) {
    m_out << caption << detail << '\n' << "Path (empty to cancel): " << std::flush;
    std::string line;
    if (!ReadLine(&line)) {
        m_out << '\n';
        return std::nullopt;
    }
    line = Trimmed(line);
    if (line.empty())
        return std::nullopt;
    return line;
}

std::optional<std::string> ConsoleUserInterface::PickOpenFile(const std::string& caption,
                                                              const std::string& filter,
                                                              const std::string& initialDir) {
    return AskPath(caption, " [" + filter + "] in " + initialDir);
}

std::optional<std::string> ConsoleUserInterface::PickSaveFile(const std::string& caption,
                                                              const std::string& filter,
                                                              const std::string& initialDir) {
    return AskPath(caption, " [" + filter + "] in " + initialDir);
}

std::optional<std::string> ConsoleUserInterface::PickDirectory(const std::string& caption,
                                                               const std::string& initialDir) {
    return AskPath(caption, " from " + initialDir);
}

} // namespace vorlane::console
