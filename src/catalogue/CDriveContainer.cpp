#include "catalogue/CDriveContainer.h"

#include "catalogue/CDisplaySettings.h"
#include "catalogue/CatalogueServices.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace vorlane::catalogue {

namespace {

CCatalogueEnvironment& DefaultEnvironment() {
    static CCatalogueEnvironment env;
    return env;
}

// Component number `index` of a path ("C:" is number 0); "" past the end.
std::string_view ComponentAt(std::string_view path, int index) {
    size_t pos = 0;
    for (int i = 0; pos < path.size(); ++i) {
        size_t end = path.find('\\', pos);
        if (end == std::string_view::npos)
            end = path.size();
        if (i == index)
            return path.substr(pos, end - pos);
        pos = end + 1;
    }
    return {};
}

int ComponentCount(std::string_view path) {
    return platform::IsRootPath(path) ? 1 : platform::PathLevel(path) + 1;
}

bool PathLess(const std::unique_ptr<CDirectoryContainer>& a,
              const std::unique_ptr<CDirectoryContainer>& b) {
    return platform::ComparePaths(a->Path(), b->Path()) < 0;
}

// A status window that shows a percentage only when it changes, so a drive
// of a hundred thousand directories does not redraw it for each.
class Progress {
  public:
    Progress(ui::UserInterface& ui, const std::string& text, size_t total)
        : m_window(ui.MakeStatusWindow(ui::StatusKind::Message, "Vorlane")), m_total(total) {
        m_window->SetCurrentMessage(text);
    }
    void Step(size_t done) {
        int percent = m_total == 0 ? 100 : static_cast<int>(done * 100 / m_total);
        if (percent != m_last) {
            m_last = percent;
            m_window->SetCurrentPercent(percent);
        }
    }

  private:
    std::unique_ptr<ui::StatusWindow> m_window;
    size_t m_total;
    int m_last = -1;
};

} // namespace

CDriveContainer::CDriveContainer(CCatalogueEnvironment* env) : m_env(env) {}

CDriveContainer::~CDriveContainer() = default;

void CDriveContainer::Reset() {
    m_letter = 0;
    m_volumeLabel.clear();
    m_driveType = app::CDriveType();
    FreeDirectories();
}

void CDriveContainer::FreeDirectories() {
    m_current = nullptr;
    m_currentPath.clear();
    m_directories.clear();
}

std::string CDriveContainer::Name() const {
    return std::string(1, m_letter) + ":";
}

std::string CDriveContainer::DisplayName() const {
    return std::string(1, m_letter) + ":[" + m_volumeLabel + "]";
}

std::string CDriveContainer::RootPath() const {
    return std::string(1, m_letter) + ":\\";
}

void CDriveContainer::ReReadVolumeLabel() {
    m_driveType.ReadVolumeLabel(*Environment().Drives());
    m_volumeLabel = m_driveType.VolumeLabel();
}

bool CDriveContainer::IsReadOnly() const {
    return m_driveType.Type() == app::CDriveType::kNone ||
           m_driveType.Type() == app::CDriveType::kCdrom;
}

CCatalogueEnvironment& CDriveContainer::Environment() const {
    return m_env ? *m_env : DefaultEnvironment();
}

CDirectoryContainer* CDriveContainer::DirectoryAt(int index) const {
    if (index < 0 || index >= DirectoryCount())
        return nullptr;
    return m_directories[static_cast<size_t>(index)].get();
}

int CDriveContainer::LevelOfPath(const std::string& path) {
    return platform::PathLevel(path);
}

int CDriveContainer::IndexOfPath(const std::string& rawPath) const {
    const std::string path = platform::NormalizeDosPath(rawPath);
    auto exact =
        std::lower_bound(m_directories.begin(), m_directories.end(), path,
                         [](const std::unique_ptr<CDirectoryContainer>& d, const std::string& p) {
                             return platform::ComparePaths(d->Path(), p) < 0;
                         });
    if (exact != m_directories.end() && platform::ComparePaths((*exact)->Path(), path) == 0)
        return static_cast<int>(exact - m_directories.begin());

    // Without regard to case, one component at a time: within the run of
    // entries that share the components chosen so far, the entries are
    // ordered by their next component, so each step is a binary search.
    // The exact name wins, else the first one equal ignoring case.
    const int parts = ComponentCount(path);
    auto lo = m_directories.begin();
    auto hi = m_directories.end();
    for (int d = 0; d < parts; ++d) {
        std::string_view want = ComponentAt(path, d);
        auto byName = [d](const std::unique_ptr<CDirectoryContainer>& entry,
                          std::string_view name) {
            return platform::CompareNames(ComponentAt(entry->Path(), d), name) < 0;
        };
        auto found = std::lower_bound(lo, hi, want, byName);
        if (found == hi || ComponentAt((*found)->Path(), d) != want) {
            found = std::lower_bound(
                lo, hi, want,
                [d](const std::unique_ptr<CDirectoryContainer>& entry, std::string_view name) {
                    return platform::CompareNoCase(ComponentAt(entry->Path(), d), name) < 0;
                });
            if (found == hi || platform::CompareNoCase(ComponentAt((*found)->Path(), d), want) != 0)
                return -1;
        }
        std::string_view chosen = ComponentAt((*found)->Path(), d);
        lo = found;
        hi = std::upper_bound(
            lo, hi, chosen,
            [d](std::string_view name, const std::unique_ptr<CDirectoryContainer>& entry) {
                return platform::CompareNames(name, ComponentAt(entry->Path(), d)) < 0;
            });
    }
    // The directory itself sorts before its descendants.
    if (ComponentCount((*lo)->Path()) != parts)
        return -1;
    return static_cast<int>(lo - m_directories.begin());
}

CDirectoryContainer* CDriveContainer::FindDirectory(const std::string& path) const {
    return DirectoryAt(IndexOfPath(path));
}

CDirectoryContainer* CDriveContainer::AddDirectory(std::unique_ptr<CDirectoryContainer> directory) {
    auto at = std::lower_bound(m_directories.begin(), m_directories.end(), directory, PathLess);
    if (at != m_directories.end() && platform::ComparePaths((*at)->Path(), directory->Path()) == 0)
        return at->get();
    directory->SetDrive(this);
    return m_directories.insert(at, std::move(directory))->get();
}

void CDriveContainer::AddDirectories(DirectoryList batch, bool sorted) {
    if (batch.empty())
        return;
    if (!sorted)
        std::sort(batch.begin(), batch.end(), PathLess);
    assert(std::is_sorted(batch.begin(), batch.end(), PathLess));
    DirectoryList merged;
    merged.reserve(m_directories.size() + batch.size());
    auto old = m_directories.begin();
    for (auto& added : batch) {
        while (old != m_directories.end() && PathLess(*old, added))
            merged.push_back(std::move(*old++));
        bool duplicate =
            (old != m_directories.end() &&
             platform::ComparePaths((*old)->Path(), added->Path()) == 0) ||
            (!merged.empty() && platform::ComparePaths(merged.back()->Path(), added->Path()) == 0);
        if (duplicate)
            continue; // the directory already logged stays
        added->SetDrive(this);
        merged.push_back(std::move(added));
    }
    while (old != m_directories.end())
        merged.push_back(std::move(*old++));
    m_directories = std::move(merged);
}

bool CDriveContainer::RemoveDirectory(const std::string& path) {
    int index = IndexOfPath(path);
    if (index < 0)
        return false;
    auto first = m_directories.begin() + index;
    const int level = (*first)->Level();
    auto last = first + 1;
    while (last != m_directories.end() && (*last)->Level() > level)
        ++last;
    bool currentGone = false;
    for (auto it = first; it != last; ++it)
        currentGone = currentGone || it->get() == m_current;
    m_directories.erase(first, last);
    if (currentGone) {
        m_current = nullptr;
        m_currentPath.clear();
        if (!m_directories.empty())
            SetCurrentDirectoryByIndex(0);
    }
    Environment().View().TreeChanged();
    return true;
}

int CDriveContainer::CurrentDirectoryIndex() const {
    return m_current ? IndexOfPath(m_current->Path()) : -1;
}

bool CDriveContainer::IsCurrentRoot() const {
    return m_current != nullptr && !m_directories.empty() &&
           m_current == m_directories.front().get();
}

bool CDriveContainer::IsCurrentZip() const {
    return m_current != nullptr && m_current->IsZip();
}

bool CDriveContainer::SetCurrentDirectory(const std::string& path) {
    if (m_directories.empty())
        return false;
    CDirectoryContainer* target = FindDirectory(path);
    if (target == nullptr)
        target = m_directories.front().get();
    if (target != m_current) {
        if (m_current != nullptr) {
            if (Environment().Options().preserveTags)
                m_current->SaveTaggedNames();
            else
                m_current->ClearSavedNames();
            m_current->FreeFileList();
            m_current->SetMustRead(false);
        }
        m_current = target;
        m_current->SetMustRead(true);
    }
    m_currentPath = m_current->Path();
    return true;
}

bool CDriveContainer::SetCurrentDirectoryByIndex(int index) {
    CDirectoryContainer* directory = DirectoryAt(index);
    return directory != nullptr && SetCurrentDirectory(directory->Path());
}

CFileContainer* CDriveContainer::CurrentFile(int index) const {
    return m_current ? m_current->File(index) : nullptr;
}

int CDriveContainer::LastIndex() const {
    return m_current ? m_current->EntryCount() - 1 : 0;
}
int CDriveContainer::FileCount() const {
    return m_current ? m_current->FileCount() : 0;
}
int CDriveContainer::TaggedCount() const {
    return m_current ? m_current->TaggedCount() : 0;
}
int CDriveContainer::ShownCount() const {
    return m_current ? m_current->ShownCount() : 0;
}
uint64_t CDriveContainer::TotalSize() const {
    return m_current ? m_current->TotalSize() : 0;
}
uint64_t CDriveContainer::ShownSize() const {
    return m_current ? m_current->ShownSize() : 0;
}
uint64_t CDriveContainer::TaggedSize() const {
    return m_current ? m_current->TaggedSize() : 0;
}

void CDriveContainer::MatchAndSortDirectory(CDirectoryContainer& directory, bool read) {
    // Only the current directory holds records; another one that must be
    // read is read when it becomes current.
    if (&directory != m_current)
        return;
    if (read)
        directory.ReadFileList(Environment());
    static const CDisplaySettings defaults;
    const CDisplaySettings& settings = m_settings ? *m_settings : defaults;
    directory.Match(settings.conditions);
    directory.Sort(settings);
    directory.SetMustSort(false);
}

void CDriveContainer::ApplyDisplaySettings() {
    if (m_current != nullptr)
        MatchAndSortDirectory(*m_current, m_current->MustRead());
}

void CDriveContainer::ApplyDescriptions() {
    if (m_current == nullptr)
        return;
    CCatalogueEnvironment& env = Environment();
    std::unique_ptr<CDirectoryDescriptions> descriptions;
    if (env.descriptions != nullptr && env.Options().fourDosDescriptions)
        descriptions = env.descriptions->Open(m_current->Path(), *env.Drives());
    for (const auto& file : m_current->Files()) {
        std::optional<std::string> text;
        if (descriptions)
            text = descriptions->Find(file->Name());
        file->SetDescription(text ? std::move(*text) : std::string());
    }
}

void CDriveContainer::Sort(CDisplaySettings* settings, bool force) {
    if (settings != nullptr)
        m_settings = settings;
    Progress progress(Environment().Ui(), "Sorting " + Name(), m_directories.size());
    for (size_t i = 0; i < m_directories.size(); ++i) {
        CDirectoryContainer& directory = *m_directories[i];
        if (directory.MustRead())
            MatchAndSortDirectory(directory, true);
        else if (directory.MustSort() || force)
            MatchAndSortDirectory(directory, false);
        directory.SetMustSort(false);
        progress.Step(i + 1);
    }
    ApplyDisplaySettings();
}

void CDriveContainer::MatchAndSortAll(CDisplaySettings* settings) {
    if (settings != nullptr)
        m_settings = settings;
    {
        Progress progress(Environment().Ui(), std::string("Rematching Drive ") + m_letter,
                          m_directories.size());
        bool currentGone = false;
        size_t done = 0;
        // A directory marked removed goes with its whole subtree, so no
        // directory is left without its parent.
        int removedLevel = -1;
        auto removed = [&](std::unique_ptr<CDirectoryContainer>& directory) {
            progress.Step(++done);
            if (removedLevel >= 0 && directory->Level() > removedLevel) {
                currentGone = currentGone || directory.get() == m_current;
                return true;
            }
            removedLevel = -1;
            if (!directory->Removed()) {
                if (directory.get() == m_current)
                    directory->Match(m_settings ? m_settings->conditions
                                                : search::CFileSearchRequest());
                return false;
            }
            removedLevel = directory->Level();
            currentGone = currentGone || directory.get() == m_current;
            return true;
        };
        m_directories.erase(std::remove_if(m_directories.begin(), m_directories.end(), removed),
                            m_directories.end());
        if (currentGone) {
            m_current = nullptr;
            m_currentPath.clear();
            if (!m_directories.empty())
                SetCurrentDirectoryByIndex(0);
        }
    }
    Sort(nullptr, true);
}

} // namespace vorlane::catalogue
