#include "gui/CZipDialogs.h"

#include "gui/DialogSupport.h"
#include "gui/QtUserInterface.h"
#include "platform/DosPath.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlane::gui {

namespace {

constexpr const char* kPathModeTexts[] = {"Store &No Paths", "Store &Relative Path",
                                          "Store F&ull Paths"};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// --- add files ---------------------------------------------------------------------

CZipAddDialog::CZipAddDialog(const fileops::CZipAddParameters& p, QWidget* parent)
    : QFileDialog(parent, fileops::kZipAddCaption) {
    // The add options live below the file list, which a native dialog
    // cannot host.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilter(Text(QtNameFilters(fileops::kZipAddFilter)));
    std::string host;
    if (!p.startDirectory.empty() &&
        platform::DosToHost(p.startDirectory, &host, nullptr, *CurrentDrives()))
        setDirectory(Text(host));

    auto* options = new QWidget;
    options->setObjectName("zipAddOptions");
    auto* grid = new QGridLayout(options);
    grid->setContentsMargins(0, 0, 0, 0);
    m_action = new QComboBox;
    for (const char* action : fileops::ZipActionTexts())
        m_action->addItem(QString::fromLatin1(action));
    m_action->setCurrentIndex(p.action);
    grid->addWidget(BuddyLabel("&ZIP Action:", m_action), 0, 0);
    grid->addWidget(m_action, 0, 1);
    m_compression = new QComboBox;
    for (const fileops::CompressionFactor& factor : fileops::CompressionFactors())
        m_compression->addItem(QString::fromLatin1(factor.name), factor.value);
    m_compression->setCurrentIndex(fileops::CompressionFactorIndex(p.compressionFactor));
    grid->addWidget(BuddyLabel("&Compression Type:", m_compression), 1, 0);
    grid->addWidget(m_compression, 1, 1);

    auto* paths = new QGroupBox;
    auto* pathList = new QVBoxLayout(paths);
    for (int mode = 0; mode < 3; ++mode) {
        m_paths[mode] = new QRadioButton(QString::fromLatin1(kPathModeTexts[mode]));
        pathList->addWidget(m_paths[mode]);
    }
    m_paths[p.pathMode >= 0 && p.pathMode < 3 ? p.pathMode : 0]->setChecked(true);
    grid->addWidget(BuddyLabel("&Path:", m_paths[0]), 0, 2);
    grid->addWidget(paths, 0, 3, 3, 1);

    auto* boxes = new QGroupBox;
    auto* boxList = new QVBoxLayout(boxes);
    m_recurse = new QCheckBox("&Recurse Subdirectories");
    m_recurse->setChecked(p.recurse);
    m_shortNames = new QCheckBox("Store Filenames In DOS &8.3\nFormat");
    m_shortNames->setChecked(p.dos83Names);
    boxList->addWidget(m_recurse);
    boxList->addWidget(m_shortNames);
    grid->addWidget(BuddyLabel("&Options:", m_recurse), 0, 4);
    grid->addWidget(boxes, 0, 5, 3, 1);

    m_password = new QLineEdit;
    m_password->setMaxLength(static_cast<int>(fileops::kZipAddPasswordLimit));
    m_password->setEchoMode(QLineEdit::Password);
    grid->addWidget(BuddyLabel("Pass&word:", m_password), 2, 0);
    grid->addWidget(m_password, 2, 1);

    // The non-native dialog lays itself out in a grid: the options take a
    // row of their own below everything it has.
    if (auto* own = qobject_cast<QGridLayout*>(layout()))
        own->addWidget(options, own->rowCount(), 0, 1, own->columnCount());
    else
        layout()->addWidget(options);
}

std::optional<fileops::CZipAddParameters> CZipAddDialog::Parameters() const {
    fileops::CZipAddParameters p;
    p.action = m_action->currentIndex();
    p.compressionFactor = m_compression->currentData().toInt();
    for (int mode = 0; mode < 3; ++mode)
        if (m_paths[mode]->isChecked())
            p.pathMode = mode;
    p.recurse = m_recurse->isChecked();
    p.dos83Names = m_shortNames->isChecked();
    p.password = m_password->text().toStdString();
    const auto& drives = *CurrentDrives();
    for (const QString& file : selectedFiles()) {
        std::string dos;
        if (!platform::HostToDos(file.toStdString(), &dos, nullptr, drives)) {
            ui::Current().Message("'" + file.toStdString() +
                                  "' is not on a drive that Vorlane shows!");
            return std::nullopt;
        }
        p.files.push_back(dos);
    }
    std::string start;
    if (platform::HostToDos(directory().absolutePath().toStdString(), &start, nullptr, drives))
        p.startDirectory = start;
    return p;
}

// --- comment -----------------------------------------------------------------------------

CZipCommentDialog::CZipCommentDialog(const std::string& zipPath, const std::string& comment,
                                     QWidget* parent)
    : QDialog(parent), m_original(comment),
      m_limit(static_cast<int>(std::max(fileops::kZipCommentLimit, comment.size()))) {
    setWindowTitle(fileops::kZipCommentCaption);
    const size_t slash = zipPath.rfind('\\');
    std::string directory = slash == std::string::npos ? "" : zipPath.substr(0, slash);
    if (directory.size() == 2 && directory[1] == ':')
        directory += '\\';
    const std::string name = slash == std::string::npos ? zipPath : zipPath.substr(slash + 1);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->addWidget(new QLabel("Path:"), 0, 0);
    m_path = new QLabel(Text(platform::AbbreviatePath(directory, fileops::kZipCommentPathLength)));
    grid->addWidget(m_path, 0, 1);
    grid->addWidget(new QLabel("Filename:"), 1, 0);
    m_name = new QLabel(Text(name));
    grid->addWidget(m_name, 1, 1);
    layout->addLayout(grid);
    m_comment = new QPlainTextEdit;
    m_comment->setPlainText(Text(comment));
    m_shown = m_comment->toPlainText();
    m_comment->setMinimumWidth(m_comment->fontMetrics().averageCharWidth() * 60);
    layout->addWidget(BuddyLabel("&Comments:", m_comment));
    layout->addWidget(m_comment);
    // A plain text field has no length limit of its own: what is typed past
    // it is taken back.
    connect(m_comment, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_comment->toPlainText();
        if (text.size() <= m_limit)
            return;
        QTextCursor cursor = m_comment->textCursor();
        const int position = std::min(cursor.position(), m_limit);
        m_comment->setPlainText(text.left(m_limit));
        cursor = m_comment->textCursor();
        cursor.setPosition(position);
        m_comment->setTextCursor(cursor);
    });
    layout->addWidget(MakeDialogButtons(this, kHelpContext));
    m_comment->setFocus();
}

std::string CZipCommentDialog::Comment() const {
    if (m_comment->toPlainText() == m_shown)
        return m_original;
    std::string text = m_comment->toPlainText().toStdString();
    // The field shows line breaks as '\n': a comment written with CR LF
    // keeps that form.
    if (m_original.find("\r\n") == std::string::npos)
        return text;
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

QString CZipCommentDialog::PathText() const {
    return m_path->text();
}

QString CZipCommentDialog::NameText() const {
    return m_name->text();
}

} // namespace vorlane::gui
