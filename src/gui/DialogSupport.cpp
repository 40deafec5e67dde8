#include "gui/DialogSupport.h"

#include "app/VorlaneApp.h"
#include "catalogue/SizeFormat.h"
#include "gui/CHelpWindow.h"
#include "platform/Drives.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>

#include <iterator>
#include <thread>

namespace vorlane::gui {

namespace {

struct GroupEntry {
    const char* text;
    int group;
};
constexpr GroupEntry kGroups[] = {
    {"Current file", kCopyGroupCurrent},
    {"Every file", kCopyGroupEvery},
    {"Tagged files", kCopyGroupTagged},
    {"Untagged files", kCopyGroupUntagged},
};

} // namespace

void AddDriveLetters(QComboBox* box, const std::vector<char>& letters) {
    for (char letter : letters)
        box->addItem(QString("%1:").arg(QChar(letter)), QVariant(static_cast<int>(letter)));
}

void FillGroupChoice(QComboBox* box, int group) {
    for (const GroupEntry& entry : kGroups)
        box->addItem(QString::fromLatin1(entry.text), entry.group);
    box->setCurrentIndex(std::max(0, box->findData(group)));
}

QLabel* BuddyLabel(const char* text, QWidget* buddy) {
    auto* label = new QLabel(QString::fromLatin1(text));
    label->setBuddy(buddy);
    return label;
}

QString FileCountText(size_t count) {
    return QString::asprintf("%ld files", static_cast<long>(count));
}

QDialogButtonBox* MakeDialogButtons(QDialog* dialog, int helpContext) {
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog, [dialog, helpContext] {
        if (app::VorlaneApp* a = app::VorlaneApp::Current())
            a->ShowHelp(helpContext);
        else
            CHelpWindow::Show(dialog, helpContext);
    });
    return buttons;
}

fileops::SettingsIntReader AppIntReader() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    return [a](const std::string& section, const std::string& key, int def) {
        return a ? a->ReadInt(section, key, def) : def;
    };
}

fileops::SettingsWriter AppWriter() {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return {};
    return [a](const std::string& section, const std::string& key, const std::string& value) {
        a->WriteString(section, key, value);
    };
}

std::shared_ptr<const platform::DriveMap> CurrentDrives() {
    if (const app::VorlaneApp* a = app::VorlaneApp::Current())
        return a->Drives();
    return platform::DriveMap::Current();
}

std::shared_ptr<std::atomic<bool>>
StartTreeCount(const std::string& dosDirectory, TreeCounter counter,
               std::function<void(fileops::TreeCount)> onResult) {
    if (!counter)
        counter = [](const std::string& directory, const platform::DriveMap& drives,
                     const std::atomic<bool>* cancel) {
            return fileops::CountTree(directory, drives, cancel);
        };
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    // The worker owns what it reads (the drive map snapshot, the flag). The
    // owner sets the flag on the GUI thread before it goes, so a result
    // that finds the flag clear there finds the owner alive.
    std::thread([counter = std::move(counter), cancel, drives = CurrentDrives(),
                 directory = dosDirectory, onResult = std::move(onResult)]() {
        const fileops::TreeCount count = counter(directory, *drives, cancel.get());
        QCoreApplication* application = QCoreApplication::instance();
        if (cancel->load() || !application)
            return;
        QMetaObject::invokeMethod(
            application,
            [cancel, count, onResult] {
                if (!cancel->load())
                    onResult(count);
            },
            Qt::QueuedConnection);
    }).detach();
    return cancel;
}

QString TreeCountText(const fileops::TreeCount& count) {
    if (!count.known)
        return kCountUnknown;
    return QString::asprintf("%s dirs and %s files",
                             catalogue::FormatCount(count.directories, 32).c_str(),
                             catalogue::FormatCount(count.files, 32).c_str());
}

} // namespace vorlane::gui
