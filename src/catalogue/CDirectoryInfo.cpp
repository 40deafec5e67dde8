#include "catalogue/CDirectoryInfo.h"

#include "catalogue/CFileInfo.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CatalogueServices.h"
#include "catalogue/private/DosNames.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"

#include <cstring>

namespace vorlane::catalogue {

std::string CDirectoryInfo::HostPath() const {
    return m_hostPath ? *m_hostPath : CDirectoryContainer::HostPath();
}

void CDirectoryInfo::FreeFileList() {
    CDirectoryContainer::FreeFileList();
    m_hostPath.reset();
}

bool CDirectoryInfo::ReadFileList(const CCatalogueEnvironment& env) {
    m_mustRead = false;
    ui::WaitCursor wait(env.Ui());
    SaveTaggedNames();
    FreeFileList();

    std::unique_ptr<CDirectoryDescriptions> descriptions;
    if (env.descriptions != nullptr && env.Options().fourDosDescriptions)
        descriptions = env.descriptions->Open(m_path, *env.Drives());

    std::string host;
    platform::SysError err;
    bool ok = platform::DosToHost(m_path, &host, &err, *env.Drives());
    int32_t index = 0;
    if (ok) {
        ok = platform::ListDirectory(
            host, platform::ListDetail::Stat,
            [&](const platform::ListedEntry& entry) {
                if (entry.isDirectory || CZipFileDirectory::IsZipFileName(entry.name))
                    return true;
                auto file = std::make_unique<CFileInfo>(
                    detail::DosNameOf(entry.name), entry.size,
                    platform::ToDosDateTime(entry.lastWriteTime), entry.mode, index++);
                if (descriptions) {
                    if (std::optional<std::string> text = descriptions->Find(file->Name()))
                        file->SetDescription(std::move(*text));
                }
                AddFile(std::move(file));
                return true;
            },
            &err);
    }
    // The reason in the system's words (the message names the host path).
    SetReadProblem(ok ? ""
                      : "Cannot read '" + m_path + "': " +
                            (err.sysErrno != 0 ? std::strerror(err.sysErrno) : err.message));
    if (ok)
        m_hostPath = std::make_unique<std::string>(std::move(host));
    descriptions.reset();
    FinishRead();
    return ok;
}

} // namespace vorlane::catalogue
