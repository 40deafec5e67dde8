#include "gui/CPropertiesDialog.h"

#include "app/VorlaneApp.h"
#include "gui/CHelpWindow.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vorlane::gui {

CPropertiesDialog::CPropertiesDialog(PropertiesInput input, QWidget* parent)
    : QDialog(parent), m_input(std::move(input)) {
    const fileops::FileProperties& f = m_input.file;
    setWindowTitle(QString::fromStdString("Properties of " + f.name));
    // Wide enough for a usual path on one line; longer ones wrap.
    setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    AddRow(form, "Name:", QString::fromStdString(f.name), "name");
    AddRow(form, "DOS path:", QString::fromStdString(f.dosPath), "dosPath");
    AddRow(form,
           m_input.member ? "Archive host path:" : "Host path:", QString::fromStdString(f.hostPath),
           "hostPath");
    AddRow(form, "Type:", QString::fromStdString(f.typeName), "type");
    if (f.isLink)
        AddRow(form, "Link to:", QString::fromStdString(f.linkTarget), "linkTarget");
    if (!f.isDirectory)
        AddRow(form, "Size:", ByteText(f.size), "size");
    if (f.isDirectory) {
        m_contents = new QLabel("Not counted", this);
        m_contents->setObjectName("contents");
        m_stop = new QPushButton("&Stop Counting", this);
        m_stop->setObjectName("stopCount");
        m_stop->setEnabled(false);
        auto* row = new QHBoxLayout;
        row->addWidget(m_contents, 1);
        row->addWidget(m_stop);
        form->addRow("Contents:", row);
        connect(m_stop, &QPushButton::clicked, this, [this] {
            if (m_cancel)
                m_cancel();
            m_stop->setEnabled(false);
        });
    }
    if (m_input.member) {
        const fileops::ZipMemberProperties& m = *m_input.member;
        AddRow(form, "Packed size:", ByteText(m.packedSize), "packedSize");
        AddRow(form, "Ratio:", QString("%1%").arg(m.ratio), "ratio");
        AddRow(form, "Method:", QString::fromStdString(m.method), "method");
        AddRow(form, "CRC:", QString::fromStdString(fileops::CrcText(m.crc)), "crc");
        AddRow(form, "Comment:", QString::fromStdString(m.comment), "comment");
        if (m.encrypted)
            AddRow(form, "Encrypted:", "Yes", "encrypted");
        AddRow(form, "Date:", TimeText(f.modified), "modified");
        AddRow(form, "Attributes:", AttributeText(f.attributes), "attributes");
    } else {
        AddRow(form, "Modified:", TimeText(f.modified), "modified");
        AddRow(form, "Accessed:", TimeText(f.accessed), "accessed");
        AddRow(form, "Changed:", TimeText(f.changed), "changed");
        AddRow(form, "Attributes:", AttributeText(f.attributes), "attributes");
        AddRow(form, "Permissions:",
               QString::fromStdString(fileops::PermissionText(f.mode) + " (" +
                                      fileops::OctalModeText(f.mode) + ")"),
               "permissions");
        AddRow(form, "Owner:", QString::fromStdString(f.owner + " / " + f.group), "owner");
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        if (app::VorlaneApp* a = app::VorlaneApp::Current())
            a->ShowHelp(kHelpContext);
        else
            CHelpWindow::Show(this, kHelpContext);
    });
    layout->addWidget(buttons);
}

CPropertiesDialog::~CPropertiesDialog() {
    if (m_progress && !m_progress->finished.load() && m_cancel)
        m_cancel();
}

void CPropertiesDialog::AddRow(QFormLayout* form, const char* caption, const QString& value,
                               const char* name) {
    auto* label = new QLabel(value, this);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    form->addRow(caption, label);
}

void CPropertiesDialog::ShowCount(std::shared_ptr<const fileops::DirectorySizeProgress> progress,
                                  std::function<void()> cancel) {
    if (!m_contents)
        return;
    m_progress = std::move(progress);
    m_cancel = std::move(cancel);
    m_stop->setEnabled(true);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CPropertiesDialog::UpdateCount);
    m_timer->start(100);
    UpdateCount();
}

void CPropertiesDialog::UpdateCount() {
    if (!m_progress || !m_contents)
        return;
    const QLocale english(QLocale::English);
    QString text = QString("%1 files, %2 folders, %3")
                       .arg(english.toString(qulonglong(m_progress->files.load())))
                       .arg(english.toString(qulonglong(m_progress->directories.load())))
                       .arg(ByteText(m_progress->bytes.load()));
    if (m_progress->unreadable.load() > 0)
        text += QString(" (%1 folders could not be read)").arg(m_progress->unreadable.load());
    if (m_progress->finished.load()) {
        if (m_progress->cancelled.load())
            text += " (counting stopped)";
        m_stop->setEnabled(false);
        if (m_timer)
            m_timer->stop();
    } else {
        text += " ...";
    }
    m_contents->setText(text);
}

QString CPropertiesDialog::Field(const QString& name) const {
    auto* label = findChild<QLabel*>(name);
    return label ? label->text() : QString();
}

QString CPropertiesDialog::AttributeText(uint32_t attributes) {
    QStringList names;
    if (attributes & platform::kAttrReadOnly)
        names << "Read-only";
    if (attributes & platform::kAttrHidden)
        names << "Hidden";
    if (attributes & platform::kAttrSystem)
        names << "System";
    if (attributes & platform::kAttrDirectory)
        names << "Directory";
    if (attributes & platform::kAttrArchive)
        names << "Archive";
    return names.isEmpty() ? QString("None") : names.join(", ");
}

QString CPropertiesDialog::TimeText(const platform::FileTime& time) {
    return QDateTime::fromSecsSinceEpoch(time.seconds).toString("yyyy-MM-dd HH:mm:ss");
}

QString CPropertiesDialog::ByteText(uint64_t bytes) {
    return QLocale(QLocale::English).toString(qulonglong(bytes)) +
           (bytes == 1 ? " byte" : " bytes");
}

} // namespace vorlane::gui
