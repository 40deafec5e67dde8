#include "GuiTestSupport.h"

#include "platform/Drives.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace vorlane::gui::test {

namespace {

// The one QApplication of the test program, made before the first test
// and destroyed after the last.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "gui_tests";
        static char* argv[] = {name, nullptr};
        // The offscreen platform warns about every top-level window it
        // cannot size; that says nothing about the program.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (!text.contains("This plugin does not support"))
                std::fprintf(stderr, "%s%s\n", type >= QtWarningMsg ? "Qt: " : "",
                             qPrintable(text));
        });
        m_app = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { m_app.reset(); }

  private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

GuiTest::GuiTest() {
    m_ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << "unexpected: " << what; });
    m_installed = std::make_unique<ui::ScopedUserInterface>(&m_ui);
    platform::DriveMap::SetCurrent(
        platform::DriveMap::FromSpec("C=" + m_c.path() + ";D=" + m_d.path()));
    ::mkdir((m_c / "SUB").c_str(), 0700);
    ::mkdir((m_c / "SUB/DEEP").c_str(), 0700);
    ::mkdir((m_c / "SUB/DEEP/DEEPER").c_str(), 0700);
    ::mkdir((m_c / "OTHER").c_str(), 0700);
    MakeFile("alpha.txt", 300);
    MakeFile("beta.doc", 1000);
    MakeFile("gamma", 10);
    MakeFile("SUB/inner.txt", 5);
}

GuiTest::~GuiTest() {
    m_frame.reset();
    platform::DriveMap::SetCurrent(platform::DriveMap());
}

CVorlaneFrame& GuiTest::Frame() {
    if (!m_frame) {
        m_frame = std::make_unique<CVorlaneFrame>();
        m_frame->resize(1000, 700);
        m_frame->show();
        Pump();
    }
    return *m_frame;
}

TFileManagerWindow& GuiTest::Open(const std::string& drive, const std::string& directory) {
    TFileManagerWindow* w = Frame().OpenFileManager(drive, 1, true, directory);
    EXPECT_NE(w, nullptr) << drive;
    Pump();
    return *w;
}

void GuiTest::MakeFile(const std::string& relative, size_t size) {
    std::ofstream out(m_c / relative, std::ios::binary);
    out << std::string(size, 'x');
}

QStringList GuiTest::Names(TFileManagerWindow& window) {
    QStringList names;
    CFileListModel* model = window.FileModel();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->data(model->index(row, 0), Qt::DisplayRole).toString();
    return names;
}

int GuiTest::Row(TFileManagerWindow& window, const QString& name) {
    return static_cast<int>(Names(window).indexOf(name));
}

QStringList GuiTest::Captions(TFileManagerWindow& window) {
    QStringList captions;
    CFileListModel* model = window.FileModel();
    for (int section = 0; section < model->columnCount(); ++section)
        captions << model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
    return captions;
}

bool GuiTest::Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string GuiTest::ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void GuiTest::Pump() {
    QApplication::processEvents();
}

void GuiTest::Shot(QWidget& widget, const char* name) {
    const char* dir = std::getenv("VORLANE_SHOTS");
    if (dir && *dir) {
        widget.adjustSize();
        widget.grab().save(QString::fromStdString(std::string(dir) + "/" + name));
    }
}

bool GuiTest::PumpUntil(const std::function<bool()>& pred) {
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return pred();
}

} // namespace vorlane::gui::test
