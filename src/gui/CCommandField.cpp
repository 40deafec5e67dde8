#include "gui/CCommandField.h"

#include "gui/WindowSettings.h"

#include <QKeyEvent>

namespace vorlane::gui {

CCommandField::CCommandField(QWidget* parent)
    : QLineEdit(parent), m_history(kHistorySection, kHistoryName, kHistoryLimit) {
    connect(this, &QLineEdit::returnPressed, this, [this] {
        m_walk = -1;
        emit LineEntered(text());
    });
    connect(this, &QLineEdit::textEdited, this, [this] { m_walk = -1; });
}

void CCommandField::LoadHistory() {
    m_history.Load([](const std::string& section, const std::string& key) {
        return SettingsStore().Read(section, key);
    });
}

void CCommandField::Remember(const std::string& line) {
    LoadHistory();
    m_history.Add(line);
    m_history.Save([](const std::string& section, const std::string& key,
                      const std::string& value) { SettingsStore().Write(section, key, value); });
    m_walk = -1;
}

void CCommandField::Walk(int step) {
    if (m_walk < 0) {
        LoadHistory();
        m_typed = text();
    }
    const int count = static_cast<int>(m_history.Entries().size());
    const int next = std::clamp(m_walk + step, -1, count - 1);
    if (next == m_walk)
        return;
    m_walk = next;
    setText(m_walk < 0 ? m_typed
                       : QString::fromStdString(m_history.Entries()[static_cast<size_t>(m_walk)]));
}

void CCommandField::Complete() {
    if (!m_complete)
        return;
    // A second Tab that completed nothing steps through the candidates.
    if (!m_cycle.empty() && text() == m_cycleShown) {
        m_cycleAt = (m_cycleAt + 1) % m_cycle.size();
        m_cycleShown = QString::fromStdString(m_cycle[m_cycleAt]);
        setText(m_cycleShown);
        return;
    }
    const std::string line = text().toStdString();
    command::Completion done = m_complete(line);
    m_cycle.clear();
    if (done.line != line) {
        setText(QString::fromStdString(done.line));
        return;
    }
    if (done.lines.size() < 2)
        return;
    m_cycle = std::move(done.lines);
    m_cycleAt = m_cycle.size() - 1;
    m_cycleShown = text();
}

bool CCommandField::event(QEvent* event) {
    // Tab completes here instead of moving the focus on.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            Complete();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CCommandField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        Walk(1);
        return;
    case Qt::Key_Down:
        Walk(-1);
        return;
    case Qt::Key_Escape:
        emit LeaveRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

} // namespace vorlane::gui
