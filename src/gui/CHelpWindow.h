// CHelpWindow: the help viewer. It shows the help page of a context id
// from the pages built into the program (resource folder ":/help", one
// page "<id>.html" per context), falling back to the contents page (15)
// for a context without a page of its own; the commands of the command
// line share one page. Links between pages and Back
// work as in a browser. One window is kept and reused.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace vorlane::gui {

class CHelpWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kContentsContext = 15;
    // The command line's page; the help contexts of the commands show it at
    // the command's anchor.
    static constexpr int kCommandLineContext = 14630;

    // Shows the (one) help window at context (0: the contents).
    static CHelpWindow* Show(QWidget* parent, int context);
    // The page shown for a context.
    static QString PageFor(int context);

    QTextBrowser* Browser() const { return m_browser; }

  private:
    explicit CHelpWindow(QWidget* parent);
    QTextBrowser* m_browser;
};

} // namespace vorlane::gui
