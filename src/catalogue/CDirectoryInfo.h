// CDirectoryInfo: a plain directory of a logged drive. Its file list is
// read from the disk when it becomes current: every entry that is not a
// directory (or a link to one) and not a zip file (zip files are directory
// containers of their own) becomes a CFileInfo, numbered in listing order.
#pragma once

#include "catalogue/CDirectoryContainer.h"

#include <memory>
#include <string>

namespace vorlane::catalogue {

class CDirectoryInfo : public CDirectoryContainer {
  public:
    CDirectoryInfo(CDriveContainer* drive, std::string path)
        : CDirectoryContainer(drive, std::move(path)) {}

    int Kind() const override { return kDirectoryPlain; }
    // While the list is held, the host directory it was read from.
    std::string HostPath() const override;
    bool ReadFileList(const CCatalogueEnvironment& env) override;
    void FreeFileList() override;

  private:
    std::unique_ptr<std::string> m_hostPath; // set while the list is held
};

} // namespace vorlane::catalogue
