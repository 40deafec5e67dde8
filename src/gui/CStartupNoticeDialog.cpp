#include "gui/CStartupNoticeDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace vorlane::gui {

CStartupNoticeDialog::CStartupNoticeDialog(const QString& name, const QString& version,
                                           const QString& problem, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(name);
    setObjectName("startupNotice");
    auto* icon = new QLabel;
    icon->setPixmap(
        QIcon::fromTheme("system-file-manager", style()->standardIcon(QStyle::SP_DirHomeIcon))
            .pixmap(48, 48));
    m_product = new QLabel(name);
    QFont big = m_product->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    m_product->setFont(big);
    m_version = new QLabel("Version " + version);
    auto* tagline = new QLabel("A classic two-pane file manager");

    auto* text = new QVBoxLayout;
    text->addWidget(m_product);
    text->addWidget(m_version);
    text->addWidget(tagline);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    if (!problem.isEmpty()) {
        m_problem = new QLabel(problem);
        m_problem->setObjectName("startupProblem");
        m_problem->setWordWrap(true);
        m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_problem->setMinimumWidth(420);
        layout->addSpacing(8);
        layout->addWidget(m_problem);
    }
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
    if (m_problem != nullptr)
        return; // stays until the user has read it

    // Closes itself once shown for a while; the timer is a child, so it
    // goes with the dialog.
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(kShowMilliseconds);
    connect(timer, &QTimer::timeout, this, &QDialog::accept);
    connect(this, &QDialog::finished, timer, &QTimer::stop);
    QTimer::singleShot(0, timer, qOverload<>(&QTimer::start));
}

QString CStartupNoticeDialog::ProductLine() const {
    return m_product->text();
}

QString CStartupNoticeDialog::VersionLine() const {
    return m_version->text();
}

QString CStartupNoticeDialog::ProblemText() const {
    return m_problem ? m_problem->text() : QString();
}

} // namespace vorlane::gui
