// The panes of a file manager window: the command line and the viewer
// pane, which shows the caret file's first bytes as text.
#include "gui/TFileManagerWindow.h"

#include "catalogue/CFileContainer.h"
#include "catalogue/SizeFormat.h"
#include "gui/Commands.h"
#include "platform/DosPath.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "ui/UserInterface.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace vorlane::gui {

namespace {

constexpr const char* kCommandLineNotAvailable =
    "The command line is not available yet: it will come in a later version of Vorlane.";

} // namespace

void TFileManagerWindow::ShowCommandLine(bool show) {
    m_session.DisplaySettings().displayCommandLine = show;
    m_commandPane->setVisible(show);
    if (show)
        m_commandLine->setFocus();
}

void TFileManagerWindow::ShowViewerPane(bool show) {
    m_session.DisplaySettings().displayViewerWindow = show;
    m_viewer->setVisible(show);
    UpdateViewerPane();
}

bool TFileManagerWindow::CommandLineShown() const {
    return m_session.DisplaySettings().displayCommandLine;
}

bool TFileManagerWindow::ViewerPaneShown() const {
    return m_session.DisplaySettings().displayViewerWindow;
}

void TFileManagerWindow::OnCommandLineEntered() {
    QString line = m_commandLine->text().trimmed();
    if (line.isEmpty())
        return;
    // The command language comes with the command parser; until then the
    // line is kept for the user to copy and nothing runs.
    ui::Current().Message(kCommandLineNotAvailable, kNotAvailableCaption, ui::Buttons::Ok,
                          ui::Icon::Information);
}

void TFileManagerWindow::UpdateViewerPane() {
    if (!ViewerPaneShown())
        return;
    const catalogue::CFileContainer* file = m_session.CaretFile();
    if (!file) {
        m_viewer->clear();
        return;
    }
    QString name = QString::fromStdString(file->Name());
    QString sizeLine = QString::fromStdString(catalogue::FormatCount(file->Size(), 27)) + " bytes";
    std::string host;
    QByteArray bytes;
    bool read = false;
    // Only regular files, decided on the opened file itself: a pipe or a
    // device swapped in under the name is refused, never opened blocking.
    platform::File in;
    if (!file->IsArchiveMember() && platform::DosToHost(file->FullPath(), &host) &&
        platform::OpenRegularFile(host, platform::kOpenRead, &in, nullptr)) {
        // Up to the limit whatever the size said: a file may grow, and some
        // (those of /proc) report no size at all.
        bytes.resize(kViewerPaneBytes);
        qsizetype filled = 0;
        size_t got = 0;
        read = true;
        while (filled < bytes.size() &&
               (read = in.Read(bytes.data() + filled, static_cast<size_t>(bytes.size() - filled),
                               &got)) &&
               got > 0)
            filled += static_cast<qsizetype>(got);
        bytes.truncate(filled);
    }
    if (!read || bytes.contains('\0')) {
        // A binary file, a zip member or one that cannot be read: what it is.
        m_viewer->setPlainText(name + "\n" + sizeLine);
        return;
    }
    m_viewer->setPlainText(QString::fromUtf8(bytes));
}

} // namespace vorlane::gui
