#include "gui/CHelpWindow.h"

#include "command/CCommandLine.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace vorlane::gui {

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Vorlane Help");
    setModal(false);
    resize(560, 480);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    auto* contents = new QPushButton("&Contents", this);
    auto* back = new QPushButton("&Back", this);
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch(1);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenLinks(true);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(contents, &QPushButton::clicked, this,
            [this] { m_browser->setSource(QUrl(PageFor(kContentsContext))); });
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(m_browser->documentTitle()); });
}

QString CHelpWindow::PageFor(int context) {
    InitHelpResources();
    // The commands of the command line share one page, each at its anchor.
    for (const command::CommandEntry& entry : command::CommandTable())
        if (entry.helpContext == context)
            return QString("qrc:/help/%1.html#%2")
                .arg(kCommandLineContext)
                .arg(QString::fromUtf8(entry.word).toLower());
    QString page = QString(":/help/%1.html").arg(context);
    if (context <= 0 || !QFile::exists(page))
        page = QString(":/help/%1.html").arg(kContentsContext);
    return "qrc" + page;
}

CHelpWindow* CHelpWindow::Show(QWidget* parent, int context) {
    static QPointer<CHelpWindow> window;
    if (!window || window->parentWidget() != parent) {
        delete window;
        window = new CHelpWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->m_browser->setSource(QUrl(PageFor(context)));
    window->show();
    window->raise();
    return window;
}

} // namespace vorlane::gui
