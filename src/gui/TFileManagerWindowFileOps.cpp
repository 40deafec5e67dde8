// Delete, Rename, Attributes, Touch and Make Directory of a file manager
// window: the dialog for where the focus is, and the job that does the work;
// and the jobs of the commands on a zip directory.
#include "gui/TFileManagerWindow.h"

#include "catalogue/CDirectoryContainer.h"
#include "fileops/DosZipPath.h"
#include "fileops/ZipArchiveCommands.h"
#include "gui/CFileOpDialogs.h"
#include "gui/Commands.h"
#include "gui/DialogSupport.h"
#include "platform/DosPathText.h"

namespace vorlane::gui {

std::unique_ptr<QDialog> TFileManagerWindow::MakeFileOpDialog(int id, bool skipRecycle,
                                                              QWidget* parent) {
    if (!m_session.CurrentDirectory())
        return nullptr;
    const std::string path = m_session.CurrentDirectoryPath();
    const bool onDirectory = TreeHasFocus() && MenuResource() == 200;
    switch (id) {
    case kCmdDelete:
        if (onDirectory)
            return CDeleteDialog::ForDirectory(path, skipRecycle, parent);
        return CDeleteDialog::ForFiles(path, ListGroupFiles(), PreselectedGroup(), skipRecycle,
                                       parent);
    case kCmdRename: {
        if (onDirectory)
            return std::make_unique<CFileRenameDialog>(path, true, parent);
        const catalogue::CFileContainer* caret = m_session.CaretFile();
        if (PreselectedGroup() == kCopyGroupCurrent && caret)
            return std::make_unique<CFileRenameDialog>(platform::JoinDosPath(path, caret->Name()),
                                                       false, parent);
        return std::make_unique<CRenameDialog>(path, ListGroupFiles(), PreselectedGroup(), parent);
    }
    case kCmdAttributes:
        return std::make_unique<CAttributesDialog>(path, ListGroupFiles(), PreselectedGroup(),
                                                   parent);
    case kCmdTouch:
        return std::make_unique<CTouchDialog>(path, ListGroupFiles(), PreselectedGroup(), parent);
    case kCmdMakeDirectory:
        return std::make_unique<CMakeDirectoryDialog>(path, parent);
    default:
        return nullptr;
    }
}

void TFileManagerWindow::StartFileOp(const QDialog& dialog) {
    const bool descriptions = m_session.Environment().Options().fourDosDescriptions;
    std::unique_ptr<ui::Job> job;
    FileOpStart start;
    if (const auto* d = dynamic_cast<const CDeleteDialog*>(&dialog)) {
        if (d->IsDirectoryDialog()) {
            fileops::CRemoveDirectoryParameters p = d->DirectoryParameters();
            p.descriptions = descriptions;
            start = p;
            job = std::make_unique<fileops::CRemoveDirectoryJob>(p);
        } else {
            fileops::CDeleteParameters p = d->Parameters();
            p.descriptions = descriptions;
            start = p;
            job = std::make_unique<fileops::CDeleteJob>(p);
        }
    } else if (const auto* r = dynamic_cast<const CRenameDialog*>(&dialog)) {
        fileops::CRenameParameters p = r->Parameters();
        p.descriptions = descriptions;
        start = p;
        job = std::make_unique<fileops::CRenameJob>(p);
    } else if (const auto* one = dynamic_cast<const CFileRenameDialog*>(&dialog)) {
        start = RenameOneRequest{one->Path(), one->NewName(), descriptions};
        job = std::make_unique<fileops::CRenameOneJob>(one->Path(), one->NewName(), descriptions);
    } else if (const auto* a = dynamic_cast<const CAttributesDialog*>(&dialog)) {
        start = a->Parameters();
        job = std::make_unique<fileops::CSetFileAttributes>(a->Parameters());
    } else if (const auto* t = dynamic_cast<const CTouchDialog*>(&dialog)) {
        start = t->Parameters();
        job = std::make_unique<fileops::CFileTouch>(t->Parameters());
    } else if (const auto* m = dynamic_cast<const CMakeDirectoryDialog*>(&dialog)) {
        start = m->Parameters();
        job = std::make_unique<fileops::CMakeDirectoryJob>(m->Parameters());
    } else {
        return;
    }
    NotifyFileOpStart(start);
    StartJob(std::move(job));
}

bool TFileManagerWindow::RenameInPlace(int row, const std::string& newName) {
    const catalogue::CFileContainer* file = m_session.File(row);
    if (!file || newName.empty() || newName == file->Name())
        return false;
    RenameOneRequest request{platform::JoinDosPath(m_session.CurrentDirectoryPath(), file->Name()),
                             newName, m_session.Environment().Options().fourDosDescriptions};
    NotifyFileOpStart(request);
    StartJob(std::make_unique<fileops::CRenameOneJob>(request.path, request.newName,
                                                      request.descriptions));
    return true;
}

std::string TFileManagerWindow::CurrentZipFile() const {
    if (!m_session.CurrentDirectory())
        return "";
    fileops::ZipPathParts parts;
    if (!fileops::SplitZipPath(m_session.CurrentDirectoryPath(), *CurrentDrives(), &parts))
        return "";
    return parts.zipFile;
}

void TFileManagerWindow::StartZipAdd(fileops::CZipAddParameters parameters) {
    StartJob(std::make_unique<fileops::CZipAddJob>(std::move(parameters)));
}

void TFileManagerWindow::StartZipComment(const std::string& zipPath, const std::string& comment) {
    StartJob(std::make_unique<fileops::CZipCommentJob>(zipPath, comment));
}

} // namespace vorlane::gui
