// Copy and Move of a file manager window: the dialog for the tree's
// directory or the list's file group, and the job that does the work.
#include "gui/TFileManagerWindow.h"

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CZipFileInfo.h"
#include "gui/CCopyDialog.h"

#include <QPointer>

namespace vorlane::gui {

namespace {

// The name a run addresses a file by: a zip member by its name as stored
// (its folders included), a plain file by its name.
std::string RunName(const catalogue::CFileContainer& file) {
    if (const auto* member = dynamic_cast<const catalogue::CZipFileInfo*>(&file))
        return std::string(member->RealName());
    return file.Name();
}

} // namespace

std::unique_ptr<CCopyDialog> TFileManagerWindow::MakeCopyDialog(bool move, QWidget* parent) {
    catalogue::CDirectoryContainer* directory = m_session.CurrentDirectory();
    if (!directory)
        return nullptr;
    const std::string path = m_session.CurrentDirectoryPath();
    if (TreeHasFocus() && MenuResource() == 200)
        return CCopyDialog::ForDirectory(path, move, parent);
    return CCopyDialog::ForFiles(path, ListGroupFiles(), PreselectedGroup(), move, parent);
}

std::function<std::vector<std::string>(int group)> TFileManagerWindow::ListGroupFiles() {
    QPointer<TFileManagerWindow> self(this);
    return [self](int group) {
        std::vector<std::string> names;
        if (!self)
            return names;
        const catalogue::CFileManagerSession& session = self->m_session;
        const catalogue::CGroupRange range = session.GroupRange(group);
        for (int index = range.first; index >= 0 && index <= range.last; ++index)
            if (session.InGroup(index, group))
                names.push_back(RunName(*session.File(index)));
        return names;
    };
}

int TFileManagerWindow::PreselectedGroup() const {
    const catalogue::CDirectoryContainer* directory = m_session.CurrentDirectory();
    return directory && directory->TaggedCount() > 0 ? kCopyGroupTagged : kCopyGroupCurrent;
}

void TFileManagerWindow::StartCopy(fileops::CCopyParameters parameters) {
    parameters.descriptions = m_session.Environment().Options().fourDosDescriptions;
    NotifyCopyStart(parameters);
    StartJob(std::make_unique<fileops::CCopyJob>(std::move(parameters)));
}

} // namespace vorlane::gui
