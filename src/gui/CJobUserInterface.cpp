#include "gui/CJobUserInterface.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::gui {

namespace {

bool OnGuiThread() {
    return QCoreApplication::instance() == nullptr ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

// What a job's setters left for the GUI thread to show, newest values only.
struct StatusState {
    std::mutex mutex;
    std::optional<std::string> currentMessage;
    std::optional<int> currentPercent;
    std::optional<std::string> overallLabel;
    std::optional<int> overallPercent;
    std::optional<std::string> archive;
    std::optional<std::string> compression;
    std::vector<std::string> errors; // every line, in order: a list is never coalesced
    std::map<ui::StatusField, std::string> fields; // the newest text of each
    std::atomic<bool> cancelled{false};
};

// GUI-thread side of a job's status window: owns the front end's window and
// shows the newest values on a timer.
class StatusPump : public QObject {
  public:
    StatusPump(std::unique_ptr<ui::StatusWindow> window, std::shared_ptr<StatusState> state,
               QObject* parent)
        : QObject(parent), m_window(std::move(window)), m_state(std::move(state)) {
        auto* timer = new QTimer(this);
        timer->setInterval(CJobUserInterface::kStatusRefreshMs);
        connect(timer, &QTimer::timeout, this, &StatusPump::Flush);
        timer->start();
    }

    void Flush() {
        StatusState pending;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            pending.currentMessage = std::exchange(m_state->currentMessage, std::nullopt);
            pending.currentPercent = std::exchange(m_state->currentPercent, std::nullopt);
            pending.overallLabel = std::exchange(m_state->overallLabel, std::nullopt);
            pending.overallPercent = std::exchange(m_state->overallPercent, std::nullopt);
            pending.archive = std::exchange(m_state->archive, std::nullopt);
            pending.compression = std::exchange(m_state->compression, std::nullopt);
            pending.errors.swap(m_state->errors);
            pending.fields.swap(m_state->fields);
        }
        if (!m_window)
            return;
        if (pending.currentMessage)
            m_window->SetCurrentMessage(*pending.currentMessage);
        if (pending.currentPercent)
            m_window->SetCurrentPercent(*pending.currentPercent);
        if (pending.overallLabel)
            m_window->SetOverallLabel(*pending.overallLabel);
        if (pending.overallPercent)
            m_window->SetOverallPercent(*pending.overallPercent);
        if (pending.archive)
            m_window->SetArchive(*pending.archive);
        if (pending.compression)
            m_window->SetCompression(*pending.compression);
        for (const auto& [field, text] : pending.fields)
            m_window->SetField(field, text);
        for (const std::string& line : pending.errors)
            m_window->AddError(line);
        if (m_window->CancelRequested())
            m_state->cancelled = true;
    }

  private:
    std::unique_ptr<ui::StatusWindow> m_window;
    std::shared_ptr<StatusState> m_state;
};

// Job-thread side: stores values, reads the cancel flags.
class JobStatusWindow : public ui::StatusWindow {
  public:
    JobStatusWindow(QObject* anchor, std::shared_ptr<StatusState> state, QPointer<StatusPump> pump,
                    std::shared_ptr<std::atomic<bool>> jobCancel)
        : m_anchor(anchor), m_state(std::move(state)), m_pump(std::move(pump)),
          m_jobCancel(std::move(jobCancel)) {}

    ~JobStatusWindow() override {
        // The last values are shown, then the window goes; posted in order
        // with any message the job shows afterwards.
        QPointer<StatusPump> pump = m_pump;
        QMetaObject::invokeMethod(
            m_anchor,
            [pump] {
                if (pump) {
                    pump->Flush();
                    delete pump.data();
                }
            },
            Qt::QueuedConnection);
    }

    void SetCurrentMessage(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->currentMessage = text;
    }
    void SetCurrentPercent(int percent) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->currentPercent = percent;
    }
    void SetOverallLabel(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->overallLabel = text;
    }
    void SetOverallPercent(int percent) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->overallPercent = percent;
    }
    void SetArchive(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->archive = text;
    }
    void SetCompression(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->compression = text;
    }
    void AddError(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->errors.push_back(text);
    }
    void SetField(ui::StatusField field, const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->fields[field] = text;
    }
    bool Cancelled() override { return CancelRequested(); }
    bool CancelRequested() override {
        return m_state->cancelled.load() || (m_jobCancel && m_jobCancel->load());
    }

  private:
    QObject* m_anchor;
    std::shared_ptr<StatusState> m_state;
    QPointer<StatusPump> m_pump;
    std::shared_ptr<std::atomic<bool>> m_jobCancel;
};

} // namespace

CJobUserInterface::CJobUserInterface(ui::UserInterface& gui, QObject* anchor,
                                     std::shared_ptr<std::atomic<bool>> jobCancel,
                                     std::shared_ptr<std::atomic<bool>> closing)
    : m_gui(gui), m_anchor(anchor), m_jobCancel(std::move(jobCancel)),
      m_closing(std::move(closing)) {}

template <typename T, typename F> T CJobUserInterface::OnGui(F call, T declined) {
    if (OnGuiThread())
        return call();
    if (m_closing && m_closing->load())
        return declined;
    T result = declined;
    std::shared_ptr<std::atomic<bool>> closing = m_closing;
    QMetaObject::invokeMethod(
        m_anchor,
        [&] {
            if (!(closing && closing->load()))
                result = call();
        },
        Qt::BlockingQueuedConnection);
    return result;
}

ui::Answer CJobUserInterface::Message(const std::string& text, const std::string& caption,
                                      ui::Buttons buttons, ui::Icon icon) {
    return OnGui([&] { return m_gui.Message(text, caption, buttons, icon); }, ui::Answer::Cancel);
}

bool CJobUserInterface::AskYesNo(const std::string& text, const std::string& caption) {
    return OnGui([&] { return m_gui.AskYesNo(text, caption); }, false);
}

ui::Answer CJobUserInterface::AskYesNoAllCancel(const std::string& text,
                                                const std::string& caption) {
    return OnGui([&] { return m_gui.AskYesNoAllCancel(text, caption); }, ui::Answer::Cancel);
}

std::unique_ptr<ui::StatusWindow> CJobUserInterface::MakeStatusWindow(ui::StatusKind kind,
                                                                      const std::string& caption) {
    if (OnGuiThread())
        return m_gui.MakeStatusWindow(kind, caption);
    auto state = std::make_shared<StatusState>();
    QPointer<StatusPump> pump = OnGui(
        [&] {
            return QPointer<StatusPump>(
                new StatusPump(m_gui.MakeBackgroundStatusWindow(kind, caption), state, m_anchor));
        },
        QPointer<StatusPump>());
    return std::make_unique<JobStatusWindow>(m_anchor, state, pump, m_jobCancel);
}

std::optional<std::string> CJobUserInterface::PickOpenFile(const std::string& caption,
                                                           const std::string& filter,
                                                           const std::string& initialDir) {
    return OnGui([&] { return m_gui.PickOpenFile(caption, filter, initialDir); },
                 std::optional<std::string>());
}

std::optional<std::string> CJobUserInterface::PickSaveFile(const std::string& caption,
                                                           const std::string& filter,
                                                           const std::string& initialDir) {
    return OnGui([&] { return m_gui.PickSaveFile(caption, filter, initialDir); },
                 std::optional<std::string>());
}

std::optional<std::string> CJobUserInterface::PickDirectory(const std::string& caption,
                                                            const std::string& initialDir) {
    return OnGui([&] { return m_gui.PickDirectory(caption, initialDir); },
                 std::optional<std::string>());
}

void CJobUserInterface::RequestRepaint() {
    if (OnGuiThread()) {
        m_gui.RequestRepaint();
        return;
    }
    ui::UserInterface* gui = &m_gui;
    QMetaObject::invokeMethod(
        m_anchor, [gui] { gui->RequestRepaint(); }, Qt::QueuedConnection);
}

void CJobUserInterface::CatalogueChanged(char driveLetter, const std::string& dosPath) {
    if (OnGuiThread()) {
        m_gui.CatalogueChanged(driveLetter, dosPath);
        return;
    }
    ui::UserInterface* gui = &m_gui;
    QMetaObject::invokeMethod(
        m_anchor, [gui, driveLetter, dosPath] { gui->CatalogueChanged(driveLetter, dosPath); },
        Qt::QueuedConnection);
}

} // namespace vorlane::gui
