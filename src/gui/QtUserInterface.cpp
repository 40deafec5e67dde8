#include "gui/QtUserInterface.h"

#include "gui/StatusWindows.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPath.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

namespace vorlane::gui {

namespace {

QMessageBox::Icon ToQtIcon(ui::Icon icon) {
    switch (icon) {
    case ui::Icon::Error:
        return QMessageBox::Critical;
    case ui::Icon::Warning:
        return QMessageBox::Warning;
    case ui::Icon::Information:
        return QMessageBox::Information;
    case ui::Icon::Question:
        return QMessageBox::Question;
    case ui::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(ui::Buttons buttons) {
    switch (buttons) {
    case ui::Buttons::Ok:
        return QMessageBox::Ok;
    case ui::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case ui::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case ui::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case ui::Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case ui::Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

ui::Answer FromQtButton(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return ui::Answer::Ok;
    case QMessageBox::Yes:
        return ui::Answer::Yes;
    case QMessageBox::No:
        return ui::Answer::No;
    case QMessageBox::YesToAll:
        return ui::Answer::YesToAll;
    case QMessageBox::Retry:
        return ui::Answer::Retry;
    case QMessageBox::Ignore:
        return ui::Answer::Ignore;
    case QMessageBox::Abort:
        return ui::Answer::Abort;
    default:
        return ui::Answer::Cancel;
    }
}

// Runs a modal box and gives the keyboard focus back to the widget that
// had it before.
int RunModal(QMessageBox& box) {
    QPointer<QWidget> focus = QApplication::focusWidget();
    int result = box.exec();
    if (focus)
        focus->setFocus();
    return result;
}

QString HostDir(const std::string& dosDir) {
    std::string host;
    if (!dosDir.empty() && platform::DosToHost(dosDir, &host))
        return QString::fromStdString(host);
    return {};
}

std::optional<std::string> ToDos(const QString& hostPath) {
    if (hostPath.isEmpty())
        return std::nullopt;
    std::string dos;
    if (!platform::HostToDos(hostPath.toStdString(), &dos))
        return std::nullopt;
    return dos;
}

} // namespace

std::string QtNameFilters(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << parts[i] + " (" + patterns + ")";
    }
    return filters.join(";;").toStdString();
}

ui::Answer QtUserInterface::Message(const std::string& text, const std::string& caption,
                                    ui::Buttons buttons, ui::Icon icon) {
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption),
                    QString::fromStdString(ui::LimitMessageText(text)), ToQtButtons(buttons),
                    m_parent);
    return FromQtButton(RunModal(box));
}

bool QtUserInterface::AskYesNo(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                    QString::fromStdString(ui::LimitMessageText(text)),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    return RunModal(box) == QMessageBox::Yes;
}

ui::Answer QtUserInterface::AskYesNoAllCancel(const std::string& text, const std::string& caption) {
    QMessageBox box(
        QMessageBox::Question, QString::fromStdString(caption),
        QString::fromStdString(ui::LimitMessageText(text)),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::Cancel, m_parent);
    box.button(QMessageBox::YesToAll)->setText("Yes To &All");
    return FromQtButton(RunModal(box));
}

std::unique_ptr<ui::StatusWindow> QtUserInterface::MakeStatusWindow(ui::StatusKind kind,
                                                                    const std::string& caption) {
    return MakeQtStatusWindow(m_parent, kind, caption);
}

std::unique_ptr<ui::StatusWindow>
QtUserInterface::MakeBackgroundStatusWindow(ui::StatusKind kind, const std::string& caption) {
    return MakeQtStatusWindow(m_parent, kind, caption, false);
}

void QtUserInterface::BeginWait() {
    if (m_waitDepth++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserInterface::EndWait() {
    if (m_waitDepth > 0 && --m_waitDepth == 0)
        QApplication::restoreOverrideCursor();
}

std::optional<std::string> QtUserInterface::PickOpenFile(const std::string& caption,
                                                         const std::string& filter,
                                                         const std::string& initialDir) {
    return ToDos(QFileDialog::getOpenFileName(m_parent, QString::fromStdString(caption),
                                              HostDir(initialDir),
                                              QString::fromStdString(QtNameFilters(filter))));
}

std::optional<std::string> QtUserInterface::PickSaveFile(const std::string& caption,
                                                         const std::string& filter,
                                                         const std::string& initialDir) {
    return ToDos(QFileDialog::getSaveFileName(m_parent, QString::fromStdString(caption),
                                              HostDir(initialDir),
                                              QString::fromStdString(QtNameFilters(filter))));
}

std::optional<std::string> QtUserInterface::PickDirectory(const std::string& caption,
                                                          const std::string& initialDir) {
    return ToDos(QFileDialog::getExistingDirectory(m_parent, QString::fromStdString(caption),
                                                   HostDir(initialDir)));
}

void QtUserInterface::RequestRepaint() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->update();
}

void QtUserInterface::CatalogueChanged(char driveLetter, const std::string& dosPath) {
    // Every file manager window brings its tree and list up to date.
    BroadcastCatalogueChange(driveLetter, dosPath);
    RequestRepaint();
}

} // namespace vorlane::gui
