#include "gui/CFrameStatusBar.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>

namespace vorlane::gui {

const std::array<const char*, CFrameStatusBar::kFieldCount> CFrameStatusBar::kTemplates = {
    " :   0MB free,  MB total",
    "Total        file(s) (      MB)",
    "Tagged        files (       k)",
    "",
};

CFrameStatusBar::CFrameStatusBar(QWidget* parent) : QStatusBar(parent) {
    QFont font("Arial");
    font.setPixelSize(14);
    font.setWeight(QFont::Normal);
    setFont(font);
    setSizeGripEnabled(true);
    QFontMetrics metrics(font);
    for (int i = 0; i < kFieldCount; ++i) {
        auto* label = new QLabel(this);
        label->setFont(font);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        int width =
            metrics.horizontalAdvance(QString::fromLatin1(kTemplates[static_cast<size_t>(i)])) + 12;
        label->setMinimumWidth(i == kFieldCount - 1 ? 40 : width);
        m_fields[static_cast<size_t>(i)] = label;
        addPermanentWidget(label, i == kFieldCount - 1 ? 1 : 0);
    }
    m_jobs = new QLabel(this);
    m_jobs->setFont(font);
    m_jobs->setObjectName("jobs");
    m_jobs->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_jobs->hide();
    addPermanentWidget(m_jobs);
}

void CFrameStatusBar::SetJobs(const QString& summary, const QString& titles) {
    m_jobs->setText(summary);
    m_jobs->setToolTip(titles);
    m_jobs->setVisible(!summary.isEmpty());
}

QLabel* CFrameStatusBar::Label(int field) const {
    return field >= 1 && field <= kFieldCount ? m_fields[static_cast<size_t>(field - 1)] : nullptr;
}

void CFrameStatusBar::SetField(int field, const QString& text, bool repaint) {
    QLabel* label = Label(field);
    if (!label)
        return;
    label->setText(text);
    if (repaint)
        label->repaint();
}

QString CFrameStatusBar::Field(int field) const {
    QLabel* label = Label(field);
    return label ? label->text() : QString();
}

void CFrameStatusBar::ResetFields() {
    for (QLabel* label : m_fields)
        label->clear();
}

} // namespace vorlane::gui
