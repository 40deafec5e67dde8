#include "catalogue/CZipFileDirectory.h"

#include "catalogue/NameOrder.h"
#include "ui/UserInterface.h"

namespace vorlane::catalogue {

namespace {
CZipDirectoryReader* g_reader = nullptr;
}

void CZipFileDirectory::SetReader(CZipDirectoryReader* reader) {
    g_reader = reader;
}

CZipDirectoryReader* CZipFileDirectory::Reader() {
    return g_reader;
}

bool CZipFileDirectory::IsZipFileName(std::string_view name) {
    return name.size() >= 4 && CompareNoCase(name.substr(name.size() - 4), ".zip") == 0;
}

bool CZipFileDirectory::ReadFileList(const CCatalogueEnvironment& /*env*/) {
    m_mustRead = false;
    ui::WaitCursor wait;
    SaveTaggedNames();
    FreeFileList();
    if (g_reader != nullptr) {
        m_scanState = g_reader->ReadMembers(*this);
        if (m_scanState != kZipRead && m_kind == kDirectoryZip)
            m_kind = kDirectoryZipFailed;
    }
    FinishRead();
    return m_scanState == kZipRead;
}

} // namespace vorlane::catalogue
