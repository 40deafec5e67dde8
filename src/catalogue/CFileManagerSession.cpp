#include "catalogue/CFileManagerSession.h"

#include "catalogue/CDriveIncremental.h"
#include "catalogue/SizeFormat.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "ui/UserInterface.h"

#include <algorithm>
#include <cstdio>

namespace vorlane::catalogue {

namespace {

constexpr int kTotalsWidth = 19;
constexpr unsigned kTotalsSizeFlags = kSizeSeparators | kSizeScale | kSizeOneDecimal;

std::string PlainDriveName(char letter) {
    return std::string(1, letter) + ":";
}

} // namespace

CFileManagerSession::CFileManagerSession() : m_drives(&m_env) {}

CFileManagerSession::~CFileManagerSession() = default;

// --- display settings --------------------------------------------------------

void CFileManagerSession::ApplyDisplaySettings(const CDisplaySettings& settings) {
    m_settings = settings;
    if (m_drive != nullptr) {
        std::string caretName = CaretFile() ? CaretFile()->Name() : "";
        m_drive->MatchAndSortAll(&m_settings);
        AfterListChanged(caretName);
    }
}

void CFileManagerSession::SetSearchConditions(search::CFileSearchRequest conditions) {
    m_settings.conditions = std::move(conditions);
    if (m_drive != nullptr) {
        std::string caretName = CaretFile() ? CaretFile()->Name() : "";
        m_drive->MatchAndSortAll(&m_settings);
        AfterListChanged(caretName);
    }
}

// --- drives -------------------------------------------------------------------

bool CFileManagerSession::OpenDrive(const std::string& driveName, int kind,
                                    const std::string& initialDirectory) {
    if (kind != kDriveZip && kind != kDriveMultiVolumeZip) {
        kind = kDriveIncremental;
        char letter =
            platform::PathDriveLetter(driveName.size() == 1 ? driveName + ":" : driveName);
        if (letter == 0) {
            letter = driveName.empty() ? '?' : driveName[0];
            char text[80];
            std::snprintf(text, sizeof text, "Cannot log drive '%c' - drive is undefined!", letter);
            m_env.Ui().Message(text);
            return false;
        }
        m_driveName = PlainDriveName(letter);
    } else {
        m_driveName = driveName;
    }
    m_driveKind = kind;
    m_drive = m_drives.Find(m_driveName, kind);
    if (m_drive != nullptr)
        m_drive->SetDisplaySettings(&m_settings);
    std::string target = initialDirectory;
    if (target.empty() && kind == kDriveIncremental)
        target = m_driveName + "\\";
    return GoTo(target);
}

bool CFileManagerSession::LogDrive(char letter) {
    return OpenDrive(std::string(1, letter) + ":", kDriveIncremental, "");
}

void CFileManagerSession::Unlog() {
    if (m_drive == nullptr)
        return;
    m_drives.Remove(m_drive);
    m_drive = nullptr;
    m_caret = -1;
    m_env.View().TreeChanged();
    m_env.View().FileListChanged();
}

CDriveContainer* CFileManagerSession::EnsureDrive() {
    if (m_drive != nullptr)
        return m_drive;
    if (m_driveName.empty())
        return nullptr;
    m_drive = m_drives.LogDrive(m_driveName, m_driveKind, &m_settings);
    if (m_drive != nullptr) {
        if (CDirectoryContainer* root = m_drive->DirectoryAt(0))
            root->SetFlag(1);
        m_env.View().TreeChanged();
    }
    return m_drive;
}

// --- directories ----------------------------------------------------------

bool CFileManagerSession::GoTo(const std::string& rawPath) {
    std::string path = platform::NormalizeDosPath(rawPath);
    // A path on another plain drive shows that drive.
    char letter = platform::PathDriveLetter(path);
    if (m_driveKind == kDriveIncremental && letter != 0 && !m_driveName.empty() &&
        letter != m_driveName[0])
        return OpenDrive(PlainDriveName(letter), kDriveIncremental, path);

    CDriveContainer* drive = EnsureDrive();
    if (drive == nullptr)
        return false;
    if (path.empty())
        path = drive->RootPath();
    if (auto* plain = dynamic_cast<CDriveIncremental*>(drive))
        plain->LogPath(path);

    std::string caretName;
    CDirectoryContainer* before = drive->CurrentDirectory();
    drive->SetCurrentDirectory(path);
    if (drive->CurrentDirectory() == before && before != nullptr && CaretFile() != nullptr)
        caretName = CaretFile()->Name();
    else
        m_caret = -1;
    if (drive->Kind() == kDriveIncremental && !m_settings.conditions.Empty())
        drive->MatchAndSortAll(&m_settings);
    else
        drive->ApplyDisplaySettings();
    AfterListChanged(caretName);
    Totals(true);
    return true;
}

CDirectoryContainer* CFileManagerSession::CurrentDirectory() const {
    return m_drive ? m_drive->CurrentDirectory() : nullptr;
}

std::string CFileManagerSession::CurrentDirectoryPath() const {
    return m_drive ? m_drive->CurrentDirectoryPath() : "";
}

bool CFileManagerSession::Refresh() {
    CDirectoryContainer* directory = CurrentDirectory();
    if (directory == nullptr)
        return false;
    std::string caretName = CaretFile() ? CaretFile()->Name() : "";
    directory->SetMustRead(true);
    m_drive->ApplyDisplaySettings();
    AfterListChanged(caretName);
    Totals(false);
    return true;
}

void CFileManagerSession::CatalogueChanged(const std::string& rawPath) {
    if (m_drive == nullptr)
        return;
    const std::string path = platform::NormalizeDosPath(rawPath);
    if (platform::PathDriveLetter(path) != m_drive->DriveLetter())
        return;
    if (auto* plain = dynamic_cast<CDriveIncremental*>(m_drive)) {
        // The nearest logged directory at or above the parent follows the disk.
        std::string branch = platform::IsRootPath(path) ? path : platform::ParentDosPath(path);
        while (!branch.empty() && !plain->IsDirectoryLogged(branch))
            branch = platform::ParentDosPath(branch);
        if (!branch.empty())
            plain->RefreshBranch(branch);
    }
    CDirectoryContainer* current = CurrentDirectory();
    if (current == nullptr)
        return;
    const std::string parent = platform::ParentDosPath(path);
    if (platform::ComparePaths(current->Path(), path) == 0 ||
        platform::ComparePaths(current->Path(), parent) == 0 || current->IsZip())
        Refresh();
}

// --- tree commands ------------------------------------------------------------

CTreeCommandResult CFileManagerSession::RunTreeCommand(int commandId) {
    CTreeCommandResult result;
    auto* drive = dynamic_cast<CDriveIncremental*>(m_drive);
    if (drive == nullptr)
        return result;
    const std::string current = drive->CurrentDirectoryPath();
    switch (commandId) {
    case kCmdExpandOneLevel:
        result.added = drive->Scan(current, -1);
        result.action = TreeAction::ExpandBranch;
        drive->SetExpandLevel(-1);
        break;
    case kCmdExpandBranch:
        result.added = drive->Scan(current, 255);
        result.action = TreeAction::ExpandBranchFully;
        drive->SetExpandLevel(255);
        break;
    case kCmdExpandAll:
        result.added = drive->Scan(drive->RootPath(), 255);
        result.action = TreeAction::OpenToLevel;
        result.level = 255;
        break;
    case kCmdCollapseBranch:
        result.action = TreeAction::CollapseBranch;
        drive->SetExpandLevel(0);
        break;
    default:
        if (commandId < kCmdOpenToLevel0 || commandId > kCmdOpenToLevel9)
            return result;
        result.level = commandId - kCmdOpenToLevel0;
        if (result.level > 0)
            result.added = drive->Scan(drive->RootPath(), result.level);
        result.action = TreeAction::OpenToLevel;
        break;
    }
    result.done = true;
    m_env.View().TreeChanged();
    Totals(true);
    return result;
}

// --- the file list and the caret --------------------------------------------

int CFileManagerSession::FileCount() const {
    CDirectoryContainer* directory = CurrentDirectory();
    return directory ? directory->EntryCount() : 0;
}

CFileContainer* CFileManagerSession::File(int index) const {
    CDirectoryContainer* directory = CurrentDirectory();
    return directory ? directory->File(index) : nullptr;
}

int CFileManagerSession::Caret() const {
    int count = FileCount();
    if (count == 0)
        return -1;
    return m_caret < 0 ? 0 : m_caret >= count ? count - 1 : m_caret;
}

void CFileManagerSession::SetCaret(int index) {
    m_caret = index;
}

bool CFileManagerSession::SetCaretByName(const std::string& name) {
    CDirectoryContainer* directory = CurrentDirectory();
    CFileContainer* file = directory ? directory->FindFile(name) : nullptr;
    if (file == nullptr)
        return false;
    m_caret = directory->IndexOf(file);
    return true;
}

CFileContainer* CFileManagerSession::CaretFile() const {
    return File(Caret());
}

std::string CFileManagerSession::CurrentPattern() const {
    CFileContainer* file = CaretFile();
    return file ? platform::WildcardEscape(file->Name()) : "";
}

void CFileManagerSession::AfterListChanged(const std::string& caretName) {
    if (caretName.empty() || !SetCaretByName(caretName))
        m_caret = FileCount() > 0 ? 0 : -1;
    m_env.View().FileListChanged();
}

// --- groups and tags ----------------------------------------------------------

CGroupRange CFileManagerSession::GroupRange(int group, const std::string& pattern) const {
    return catalogue::GroupRange(CurrentDirectory(), group,
                                 pattern.empty() ? CurrentPattern() : pattern);
}

bool CFileManagerSession::InGroup(int index, int group, const std::string& pattern) const {
    CFileContainer* file = File(index);
    return file != nullptr &&
           catalogue::InGroup(*file, group, pattern.empty() ? CurrentPattern() : pattern);
}

bool CFileManagerSession::SetTag(int index, int state) {
    CDirectoryContainer* directory = CurrentDirectory();
    return directory != nullptr && catalogue::SetTag(*directory, index, state);
}

int CFileManagerSession::ChangeTags(int first, int last, int state) {
    if (first > last)
        std::swap(first, last);
    int changed = 0;
    for (int index = std::max(first, 0); index <= last && index < FileCount(); ++index)
        changed += SetTag(index, state) ? 1 : 0;
    if (changed > 0) {
        m_env.View().FileListChanged();
        Totals(false);
    }
    return changed;
}

uint16_t CFileManagerSession::TodayDosDate() const {
    std::time_t now = m_clock ? m_clock() : std::time(nullptr);
    struct tm local;
    if (::localtime_r(&now, &local) == nullptr)
        return 0;
    return static_cast<uint16_t>((local.tm_year + 1900 - 1980) * 512 + (local.tm_mon + 1) * 32 +
                                 local.tm_mday);
}

int CFileManagerSession::RunTagCommand(int commandId, bool inTree) {
    CDirectoryContainer* directory = CurrentDirectory();
    if (directory == nullptr)
        return 0;
    const int shown = directory->ShownCount();
    int changed = 0;
    auto overShown = [&](int state, auto&& wanted) {
        const CDirectoryContainer::FileList& files = directory->Files();
        for (int i = 0; i < shown; ++i) {
            // The records lie scattered over the heap in sorted order: ask
            // for the ones ahead early so their loads overlap.
            if (i + 16 < shown)
                __builtin_prefetch(files[static_cast<size_t>(i + 16)].get());
            if (wanted(*files[static_cast<size_t>(i)]) && catalogue::SetTag(*directory, i, state))
                ++changed;
        }
    };
    auto every = [](const CFileContainer&) { return true; };
    switch (commandId) {
    case kCmdTagFile:
        changed = SetTag(Caret(), 1) ? 1 : 0;
        break;
    case kCmdUntagFile:
        changed = SetTag(Caret(), 0) ? 1 : 0;
        break;
    case kCmdInvertFile:
        if (inTree)
            overShown(-1, every);
        else
            changed = SetTag(Caret(), -1) ? 1 : 0;
        break;
    case kCmdTagEvery:
        overShown(1, every);
        break;
    case kCmdInvertAll:
        overShown(-1, every);
        break;
    case kCmdUntagAll:
        overShown(0, every);
        break;
    case kCmdTagModified:
        overShown(1, [](const CFileContainer& file) {
            return (file.Attributes() & platform::kAttrArchive) != 0;
        });
        break;
    case kCmdTagToday: {
        const uint16_t today = TodayDosDate();
        overShown(1, [today](const CFileContainer& file) { return file.Date() == today; });
        break;
    }
    case kCmdCustomTag: {
        std::shared_ptr<const CFileCriteria> criteria =
            m_customTag ? m_customTag->AskCustomTag() : nullptr;
        if (!criteria)
            return -1;
        overShown(1, [&criteria](const CFileContainer& file) { return criteria->Matches(file); });
        break;
    }
    default:
        return -1;
    }
    if (changed > 0) {
        m_env.View().FileListChanged();
        Totals(false);
    }
    return changed;
}

// --- sort commands ----------------------------------------------------------------

bool CFileManagerSession::RunSortCommand(int commandId, bool descending,
                                         const CSortKey* customKeys) {
    int method;
    switch (commandId) {
    case kCmdSortByFilename:
        method = kSortMethodName;
        break;
    case kCmdSortByExtension:
        method = kSortMethodExtension;
        break;
    case kCmdSortBySize:
        method = kSortMethodSize;
        break;
    case kCmdSortByDate:
        method = kSortMethodDate;
        break;
    case kCmdUnsorted:
        method = kSortMethodUnsorted;
        break;
    case kCmdCustomSort:
        method = kSortMethodCustom;
        if (customKeys == nullptr)
            return false;
        if (customKeys[0].field == customKeys[1].field) {
            m_env.Ui().Message("Sort keys must be different!");
            return false;
        }
        break;
    default:
        return false;
    }
    if (descending && method >= kSortMethodName && method <= kSortMethodDate)
        method += kSortMethodNameDescending - kSortMethodName;
    if (method == m_settings.sortMethod && method != kSortMethodCustom)
        return false;
    m_settings.SetSortMethod(method, customKeys);
    if (m_drive != nullptr) {
        std::string caretName = CaretFile() ? CaretFile()->Name() : "";
        m_drive->Sort(&m_settings, true);
        AfterListChanged(caretName);
    }
    return true;
}

// --- totals ---------------------------------------------------------------------

CStatusTexts CFileManagerSession::Totals(bool withDrive) {
    CStatusTexts texts;
    if (m_drive == nullptr || m_drive->DirectoryCount() == 0)
        return texts;
    ui::UserInterface& ui = m_env.Ui();
    ui.RequestRepaint();
    ui::WaitCursor wait(ui);
    CCatalogueView& view = m_env.View();
    if (withDrive) {
        uint64_t freeBytes = 0;
        uint64_t totalBytes = 0;
        if (platform::DiskSpace(m_drive->DriveLetter(), *m_env.Drives(), &freeBytes, &totalBytes)) {
            texts.drive = std::string(1, m_drive->DriveLetter()) + ": " +
                          FormatSize(freeBytes, kTotalsSizeFlags, kTotalsWidth) + " free," +
                          FormatSize(totalBytes, kTotalsSizeFlags, kTotalsWidth) + " total";
            view.SetStatusText(1, texts.drive, false);
        }
    }
    texts.total = "Total " + FormatCount(m_drive->ShownCount(), kTotalsWidth) + " file(s), " +
                  FormatSize(m_drive->ShownSize(), kTotalsSizeFlags, kTotalsWidth);
    texts.tagged = "Tagged " + FormatCount(m_drive->TaggedCount(), kTotalsWidth) + " file(s), " +
                   FormatSize(m_drive->TaggedSize(), kTotalsSizeFlags, kTotalsWidth);
    view.SetStatusText(2, texts.total, false);
    view.SetStatusText(3, texts.tagged, false);
    return texts;
}

} // namespace vorlane::catalogue
