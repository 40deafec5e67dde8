// The frame's commands on the zip directory of the active window: Add
// File(s) To ZIP File and Zip File Comments.
#include "gui/CVorlaneFrame.h"

#include "fileops/CZipAdd.h"
#include "fileops/ZipArchiveCommands.h"
#include "gui/CJobManager.h"
#include "gui/CZipDialogs.h"
#include "gui/TFileManagerWindow.h"
#include "gui/WindowSettings.h"

#include <QPointer>

#include <cstdlib>

namespace vorlane::gui {

namespace {

// The add dialog's settings through the settings store the windows use.
fileops::CZipAddParameters ReadAddSettings() {
    auto readString = [](const std::string& section, const std::string& key) {
        return SettingsStore().Read(section, key);
    };
    auto readInt = [readString](const std::string& section, const std::string& key, int def) {
        const std::string text = readString(section, key);
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        return text.empty() || *end != '\0' ? def : static_cast<int>(value);
    };
    return fileops::ReadZipAddSettings(readInt, readString);
}

void WriteAddSettings(const fileops::CZipAddParameters& p) {
    fileops::WriteZipAddSettings(
        p, [](const std::string& section, const std::string& key, const std::string& value) {
            SettingsStore().Write(section, key, value);
        });
}

// The active window when it shows a zip directory, and its zip file.
QPointer<TFileManagerWindow> ZipWindow(const CVorlaneFrame& frame, std::string* zipFile) {
    TFileManagerWindow* fm = frame.ActiveFileManager();
    *zipFile = fm ? fm->CurrentZipFile() : "";
    return zipFile->empty() ? nullptr : fm;
}

} // namespace

void CVorlaneFrame::RunZipAddCommand() {
    std::string zipFile;
    QPointer<TFileManagerWindow> fm = ZipWindow(*this, &zipFile);
    if (!fm)
        return;
    CZipAddDialog dialog(ReadAddSettings(), this);
    const int result = RunDialog(dialog, CZipAddDialog::kHelpContext);
    if (result != QDialog::Accepted || !fm)
        return;
    std::optional<fileops::CZipAddParameters> p = dialog.Parameters();
    if (!p)
        return;
    WriteAddSettings(*p);
    if (p->files.empty())
        return;
    p->zipPath = zipFile;
    fm->StartZipAdd(std::move(*p));
}

void CVorlaneFrame::RunZipCommentCommand() {
    std::string zipFile;
    QPointer<TFileManagerWindow> fm = ZipWindow(*this, &zipFile);
    if (!fm)
        return;
    // Reading the comment takes the end of the archive only: done here.
    std::optional<std::string> comment = fileops::ReadZipComment(Jobs().NewContext(), zipFile);
    if (!comment)
        return;
    CZipCommentDialog dialog(zipFile, *comment, this);
    const int result = RunDialog(dialog, CZipCommentDialog::kHelpContext);
    // Written back on OK, edited or not.
    if (result == QDialog::Accepted && fm)
        fm->StartZipComment(zipFile, dialog.Comment());
}

} // namespace vorlane::gui
