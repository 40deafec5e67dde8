#include "catalogue/CDirectoryContainer.h"

#include "catalogue/CDriveContainer.h"
#include "catalogue/CatalogueServices.h"
#include "catalogue/FileSort.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"

#include <algorithm>
#include <unordered_map>

namespace vorlane::catalogue {

CDirectoryContainer::CDirectoryContainer(CDriveContainer* drive, std::string path)
    : m_drive(drive), m_path(std::move(path)) {
    m_level = platform::PathLevel(m_path);
}

CDirectoryContainer::~CDirectoryContainer() = default;

std::string CDirectoryContainer::Name() const {
    return std::string(platform::LastComponent(m_path));
}

void CDirectoryContainer::SetPath(std::string path) {
    m_path = std::move(path);
    m_level = platform::PathLevel(m_path);
}

char CDirectoryContainer::DriveLetter() const {
    return platform::PathDriveLetter(m_path);
}

std::string CDirectoryContainer::HostPath() const {
    static const CCatalogueEnvironment kNoDrive;
    const CCatalogueEnvironment& env = m_drive != nullptr ? m_drive->Environment() : kNoDrive;
    std::string host;
    if (!platform::DosToHost(m_path, &host, nullptr, *env.Drives()))
        return "";
    return host;
}

const std::string& CDirectoryContainer::ReadProblem() const {
    static const std::string none;
    return m_readProblem ? *m_readProblem : none;
}

void CDirectoryContainer::SetReadProblem(const std::string& problem) {
    if (problem.empty())
        m_readProblem.reset();
    else
        m_readProblem = std::make_unique<std::string>(problem);
}

CFileContainer* CDirectoryContainer::File(int index) const {
    if (index < 0 || index >= EntryCount())
        return nullptr;
    return m_files[static_cast<size_t>(index)].get();
}

CFileContainer* CDirectoryContainer::AddFile(std::unique_ptr<CFileContainer> file) {
    file->SetParent(this);
    m_files.push_back(std::move(file));
    return m_files.back().get();
}

void CDirectoryContainer::AddFileIntoCounts(const CFileContainer& file) {
    ++m_fileCount;
    m_totalSize += file.Size();
    if (file.Shown()) {
        ++m_shownCount;
        m_shownSize += file.Size();
    }
    if (file.Tagged()) {
        ++m_taggedCount;
        m_taggedSize += file.Size();
    }
}

CFileContainer* CDirectoryContainer::FindFile(std::string_view name) const {
    CFileContainer* caseless = nullptr;
    for (const auto& file : m_files) {
        if (file->Name() == name)
            return file.get();
        if (caseless == nullptr && platform::CompareNoCase(file->Name(), name) == 0)
            caseless = file.get();
    }
    return caseless;
}

int CDirectoryContainer::IndexOf(const CFileContainer* file) const {
    for (size_t i = 0; i < m_files.size(); ++i)
        if (m_files[i].get() == file)
            return static_cast<int>(i);
    return -1;
}

void CDirectoryContainer::SwapFiles(int a, int b) {
    if (File(a) && File(b))
        std::swap(m_files[static_cast<size_t>(a)], m_files[static_cast<size_t>(b)]);
}

void CDirectoryContainer::FreeFileList() {
    m_files.clear();
    m_files.shrink_to_fit();
    m_fileCount = m_shownCount = m_taggedCount = 0;
    m_totalSize = m_shownSize = m_taggedSize = 0;
}

void CDirectoryContainer::Count() {
    // One pass that drops the records of vanished files (not one shift of
    // the list per dropped file).
    m_files.erase(std::remove_if(m_files.begin(), m_files.end(),
                                 [](const std::unique_ptr<CFileContainer>& file) {
                                     return file->State() == kFileGone;
                                 }),
                  m_files.end());
    m_fileCount = m_shownCount = m_taggedCount = 0;
    m_totalSize = m_shownSize = m_taggedSize = 0;
    for (const auto& file : m_files)
        AddFileIntoCounts(*file);
}

void CDirectoryContainer::ChangeTagged(const CFileContainer& file, bool tagged) {
    if (tagged) {
        ++m_taggedCount;
        m_taggedSize += file.Size();
    } else {
        if (m_taggedCount > 0)
            --m_taggedCount;
        m_taggedSize = m_taggedSize >= file.Size() ? m_taggedSize - file.Size() : 0;
    }
}

void CDirectoryContainer::SaveTaggedNames() {
    if (m_files.empty())
        return;
    m_savedNames.reset();
    for (const auto& file : m_files) {
        if (!file->Tagged())
            continue;
        if (!m_savedNames)
            m_savedNames = std::make_unique<std::vector<std::string>>();
        m_savedNames->push_back(file->Name());
    }
}

void CDirectoryContainer::RestoreTags() {
    if (!m_savedNames)
        return;
    std::unique_ptr<std::vector<std::string>> names = std::move(m_savedNames);
    if (names->size() <= 8) {
        for (const std::string& name : *names) {
            for (const auto& file : m_files) {
                if (file->Name() == name) {
                    file->SetTagged(true);
                    break;
                }
            }
        }
        return;
    }
    // Many names: one index over the list instead of a search per name.
    std::unordered_map<std::string_view, CFileContainer*> byName;
    byName.reserve(m_files.size());
    for (const auto& file : m_files)
        byName.emplace(file->Name(), file.get());
    for (const std::string& name : *names) {
        auto it = byName.find(name);
        if (it != byName.end())
            it->second->SetTagged(true);
    }
}

std::vector<std::string> CDirectoryContainer::SavedNames() const {
    return m_savedNames ? *m_savedNames : std::vector<std::string>();
}

void CDirectoryContainer::Match(const search::CFileSearchRequest& conditions) {
    const bool all = conditions.Empty();
    for (const auto& file : m_files)
        file->SetShown(all || FileMatches(conditions, *file));
    Count();
}

void CDirectoryContainer::Sort(const CDisplaySettings& settings) {
    SortFiles(m_files, settings);
}

void CDirectoryContainer::FinishRead() {
    RestoreTags();
    Count();
}

} // namespace vorlane::catalogue
