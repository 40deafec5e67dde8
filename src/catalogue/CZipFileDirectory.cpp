#include "catalogue/CZipFileDirectory.h"

#include "catalogue/CDriveContainer.h"
#include "catalogue/CatalogueServices.h"
#include "platform/DosPathText.h"
#include "ui/UserInterface.h"

#include <unordered_set>

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
    return name.size() >= 4 && platform::CompareNoCase(name.substr(name.size() - 4), ".zip") == 0;
}

std::string CZipFileDirectory::DisplayName() const {
    size_t slash = m_path.rfind('\\');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

void CZipFileDirectory::FreeFileList() {
    if (!m_files.empty()) {
        m_taggedPaths.clear();
        for (const auto& file : m_files)
            if (file->Tagged())
                m_taggedPaths.push_back(file->FullPath());
    }
    CDirectoryContainer::FreeFileList();
}

bool CZipFileDirectory::ReadFileList(const CCatalogueEnvironment& /*env*/) {
    m_mustRead = false;
    ui::WaitCursor wait;
    SaveTaggedNames();
    FreeFileList();
    std::vector<std::string> tagged = std::move(m_taggedPaths);
    m_taggedPaths.clear();
    if (g_reader != nullptr) {
        m_scanState = g_reader->ReadMembers(*this);
        if (m_scanState != kZipRead && m_kind == kDirectoryZip)
            m_kind = kDirectoryZipFailed;
    }
    // The saved names say whether the catalogue keeps the tags; which
    // members get them is told by their full paths.
    if (!SavedNames().empty() && !tagged.empty()) {
        std::unordered_set<std::string> wanted(tagged.begin(), tagged.end());
        for (const auto& file : m_files)
            if (wanted.count(file->FullPath()) != 0)
                file->SetTagged(true);
        ClearSavedNames();
        Count();
    } else {
        FinishRead();
    }
    return m_scanState == kZipRead;
}

const CCatalogueEnvironment& CZipFileDirectory::ScanEnvironment() const {
    static const CCatalogueEnvironment none;
    return m_drive != nullptr ? m_drive->Environment() : none;
}

int CZipFileDirectory::Scan() {
    ReadFileList(ScanEnvironment());
    return m_scanState;
}

int CZipFileDirectory::Rescan() {
    ui::WaitCursor wait;
    CCatalogueView& view = ScanEnvironment().View();
    view.FileListChanged();
    int state = Scan();
    view.FileListChanged();
    return state;
}

} // namespace vorlane::catalogue
