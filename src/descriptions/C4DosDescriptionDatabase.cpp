#include "descriptions/C4DosDescriptionDatabase.h"

#include "platform/DosPath.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <sys/stat.h>

namespace vorlane::descriptions {

using platform::SysError;

namespace {

// Errors of a file system that cannot give a file a second name.
bool NoHardLinks(int e) {
    return e == EPERM || e == ENOTSUP || e == ENOSYS || e == EMLINK;
}

} // namespace

C4DosDescriptionDatabase::C4DosDescriptionDatabase(std::shared_ptr<const platform::DriveMap> drives)
    : m_drives(std::move(drives)) {}

C4DosDescriptionDatabase::~C4DosDescriptionDatabase() {
    Release();
}

bool C4DosDescriptionDatabase::SetDirectory(const std::string& dosDirectory) {
    if (!m_directory.empty() && platform::NamesEqual(m_directory, dosDirectory))
        return !m_readFailed;
    Release();
    if (dosDirectory.empty())
        return true;
    m_directory = dosDirectory;
    m_filePath = dosDirectory;
    if (m_filePath.back() != '\\')
        m_filePath += '\\';
    m_filePath += kDescriptionFileName;
    m_error.Clear();
    if (!DescriptionFileOf(*m_drives, dosDirectory, &m_hostFile, &m_error))
        return true; // not a directory on any drive: nothing to read, and a save will say why
    std::vector<C4DosFileDescription> entries;
    if (!ReadDescriptionFile(*m_drives, dosDirectory, &entries, &m_error)) {
        m_readFailed = true;
        m_readError = m_error;
        return false;
    }
    m_entries = std::move(entries);
    return true;
}

bool C4DosDescriptionDatabase::Get(const std::string& name, std::string* description) const {
    size_t at = FindDescription(m_entries, platform::DosNameToHost(name));
    if (at == m_entries.size()) {
        description->clear();
        return false;
    }
    *description = m_entries[at].description;
    return true;
}

bool C4DosDescriptionDatabase::CanChange() {
    if (m_readFailed) {
        m_error = m_readError;
        return false;
    }
    if (m_directory.empty())
        return platform::SetDosError(&m_error, platform::kDosInvalidHandle,
                                     "No directory is open for descriptions");
    if (m_hostFile.empty() && !DescriptionFileOf(*m_drives, m_directory, &m_hostFile, &m_error))
        return false;
    return true;
}

bool C4DosDescriptionDatabase::Set(const std::string& name, const std::string& description) {
    std::string host = platform::DosNameToHost(name);
    if (!CanDescribe(host))
        return platform::SetDosError(&m_error, platform::kDosInvalidName,
                                     "The name '" + name + "' cannot have a description");
    if (!CanChange())
        return false;
    std::vector<C4DosFileDescription> next = m_entries;
    size_t at = FindDescription(next, host);
    if (at < next.size())
        next[at].description = WithoutLineBreaks(description);
    else
        InsertDescription(&next, {host, WithoutLineBreaks(description)});
    return Commit(std::move(next));
}

bool C4DosDescriptionDatabase::Add(const std::string& name, const std::string& description) {
    return Set(name, description);
}

bool C4DosDescriptionDatabase::Remove(const std::string& name) {
    if (!CanChange())
        return false;
    size_t at = FindDescription(m_entries, platform::DosNameToHost(name));
    if (at == m_entries.size())
        return true;
    std::vector<C4DosFileDescription> next = m_entries;
    next.erase(next.begin() + static_cast<long>(at));
    return Commit(std::move(next));
}

bool C4DosDescriptionDatabase::Rename(const std::string& oldName, const std::string& newName) {
    if (!CanChange())
        return false;
    std::string oldHost = platform::DosNameToHost(oldName);
    std::string newHost = platform::DosNameToHost(newName);
    std::vector<C4DosFileDescription> next = m_entries;
    size_t at = FindDescription(next, oldHost);
    bool hadEntry = at < next.size();
    std::string text = hadEntry ? next[at].description : std::string();
    if (hadEntry)
        next.erase(next.begin() + static_cast<long>(at));
    // The target name's own entry goes: the file it described is replaced.
    // (A change of case alone has just taken the one entry out above.)
    if (CompareNames(oldHost, newHost) != 0) {
        size_t target = FindDescription(next, newHost);
        if (target < next.size())
            next.erase(next.begin() + static_cast<long>(target));
    }
    bool describable = CanDescribe(newHost);
    if (hadEntry && describable)
        InsertDescription(&next, {newHost, text});
    if (next != m_entries && !Commit(std::move(next)))
        return false;
    if (hadEntry && !describable)
        return platform::SetDosError(&m_error, platform::kDosInvalidName,
                                     "The name '" + newName + "' cannot have a description");
    return true;
}

bool C4DosDescriptionDatabase::Commit(std::vector<C4DosFileDescription> entries) {
    if (!Save(FormatDescriptions(entries)))
        return false;
    m_entries = std::move(entries);
    return true;
}

// Writes text as the description file. False only when the file still
// holds what it held before; once the new file has its name the save has
// happened, whatever the clean-up after it meets.
bool C4DosDescriptionDatabase::Save(const std::string& text) {
    m_error.Clear();
    const std::string& file = m_hostFile;
    std::string dir = platform::HostDirName(file);
    struct stat st;
    bool exists = ::lstat(file.c_str(), &st) == 0;

    std::string backup;
    bool backedUp = false;
    if (exists) {
        if (!platform::DosToHost(m_directory + "\\" + kDescriptionBackupName, &backup, nullptr,
                                 *m_drives))
            backup = dir + "/" + kDescriptionBackupName;
        struct stat old;
        if (::lstat(backup.c_str(), &old) == 0 && !platform::DeleteFile(backup, &m_error))
            return false;
        SysError linkErr;
        if (platform::LinkFile(file, backup, &linkErr))
            backedUp = true;
        else if (!NoHardLinks(linkErr.sysErrno)) {
            m_error = linkErr;
            return false;
        }
    }
    auto dropBackup = [&]() {
        if (backedUp)
            platform::DeleteFile(backup, nullptr);
    };

    platform::TempFile temp;
    mode_t mode = exists ? (st.st_mode & 0777) : 0644;
    if (!temp.Create(file, &m_error, mode) || !temp.file().Write(text, &m_error) ||
        !temp.file().Sync(&m_error) || !temp.Commit(&m_error, exists, false)) {
        temp.Discard();
        dropBackup();
        return false;
    }
    // The new file has its name. A failed flush of the directory or a
    // backup name that will not go is no reason to undo anything.
    platform::SyncDirectory(dir, nullptr);
    dropBackup();
    return true;
}

void C4DosDescriptionDatabase::Release() {
    // A file that could not be read is left exactly as it is.
    if (!m_hostFile.empty() && !m_readFailed) {
        uint32_t attributes = 0;
        if (platform::GetAttributes(m_hostFile, &attributes, nullptr) &&
            !(attributes & platform::kAttrDirectory) && attributes != platform::kAttrHidden)
            platform::SetAttributes(m_hostFile, platform::kAttrHidden, nullptr);
    }
    m_entries.clear();
    m_directory.clear();
    m_filePath.clear();
    m_hostFile.clear();
    m_readFailed = false;
    m_readError.Clear();
}

} // namespace vorlane::descriptions
