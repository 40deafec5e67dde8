// CDirectoryContainer: one directory of a drive's tree, a plain directory
// (CDirectoryInfo) or a zip file seen as a directory (CZipFileDirectory).
// The drive container owns its directories; a directory owns the file
// records of its file list, which exist only while it is the drive's
// current directory.
//
// Invariants, true after every Count():
//   1. FileCount() is the number of records in the list; no record has
//      state kFileGone.
//   2. ShownCount()/ShownSize() and TaggedCount()/TaggedSize() are the
//      counts and byte sums of the records whose shown / tagged flag is set;
//      TotalSize() is the byte sum of all records.
//   3. After Sort() the shown records come first (indices 0 to
//      ShownCount() - 1).
// SetTag (FileGroups.h) keeps 2 between counts.
//
// Tags survive a new read of the list: the names of the tagged files are
// saved before the list is freed and restored by name after it is read.
//
// One thread; not copyable.
#pragma once

#include "catalogue/CDisplaySettings.h"
#include "catalogue/CFileContainer.h"
#include "catalogue/CatalogueTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::catalogue {

class CCatalogueEnvironment;
class CDriveContainer;
class CFileCriteria;

class CDirectoryContainer {
  public:
    using FileList = std::vector<std::unique_ptr<CFileContainer>>;

    // REQUIRES: path is a normalized DOS path (NormalizeDosPath).
    CDirectoryContainer(CDriveContainer* drive, std::string path);
    virtual ~CDirectoryContainer();
    CDirectoryContainer(const CDirectoryContainer&) = delete;
    CDirectoryContainer& operator=(const CDirectoryContainer&) = delete;

    // 1 for a plain directory; a zip directory kind (CatalogueTypes.h) else.
    virtual int Kind() const = 0;
    bool IsZip() const { return IsZipDirectoryKind(Kind()); }

    // --- identity -----------------------------------------------------------
    const std::string& Path() const { return m_path; }
    // Short names do not exist on this system: the same as Path().
    const std::string& ShortPath() const { return m_path; }
    // The last component; a root is its own name ("C:\").
    std::string Name() const;
    // 0 for a root, else the number of backslashes in the path.
    int Level() const { return m_level; }
    void SetPath(std::string path);
    char DriveLetter() const;
    CDriveContainer* Drive() const { return m_drive; }
    void SetDrive(CDriveContainer* drive) { m_drive = drive; }
    // The host directory of the files (for reading them); "" when the path
    // cannot be mapped.
    virtual std::string HostPath() const;

    uint8_t Flag() const { return m_flag; }
    void SetFlag(uint8_t flag) { m_flag = flag; }
    bool Removed() const { return m_removed; }
    void SetRemoved(bool removed) { m_removed = removed; }
    bool MustRead() const { return m_mustRead; }
    void SetMustRead(bool mustRead) { m_mustRead = mustRead; }
    bool MustSort() const { return m_mustSort; }
    void SetMustSort(bool mustSort) { m_mustSort = mustSort; }
    bool ExtraFlag() const { return m_extraFlag; }
    void SetExtraFlag(bool flag) { m_extraFlag = flag; }
    // Why the last read of the file list failed ("" when it did not): a
    // window says so over the list instead of showing it empty.
    const std::string& ReadProblem() const;

    // --- the file list ------------------------------------------------------
    // Number of records now in the list.
    int EntryCount() const { return static_cast<int>(m_files.size()); }
    // The record at index; null outside 0 to EntryCount() - 1.
    CFileContainer* File(int index) const;
    const FileList& Files() const { return m_files; }
    // Appends a record and makes this directory its parent.
    CFileContainer* AddFile(std::unique_ptr<CFileContainer> file);
    // Adds one record's size and flags to the counts.
    void AddFileIntoCounts(const CFileContainer& file);
    // The record of that name: the exact name first, else the first equal
    // without regard to case; null when none.
    CFileContainer* FindFile(std::string_view name) const;
    // Position of a record in the list; -1 when it is not there.
    int IndexOf(const CFileContainer* file) const;
    void SwapFiles(int a, int b);
    // Frees every record (their tags go unless saved first).
    virtual void FreeFileList();

    // --- counts ---------------------------------------------------------------
    int FileCount() const { return static_cast<int>(m_fileCount); }
    int ShownCount() const { return static_cast<int>(m_shownCount); }
    int TaggedCount() const { return static_cast<int>(m_taggedCount); }
    // The shown count less one.
    int LastShownIndex() const { return ShownCount() - 1; }
    uint64_t TotalSize() const { return m_totalSize; }
    uint64_t ShownSize() const { return m_shownSize; }
    uint64_t TaggedSize() const { return m_taggedSize; }
    // Drops the records of state kFileGone and makes every count again.
    void Count();
    // Adds one to the tagged count and returns it.
    int NextTagNumber() { return static_cast<int>(++m_taggedCount); }
    // Moves one record's size into or out of the tagged count and size.
    void ChangeTagged(const CFileContainer& file, bool tagged);

    // --- reading, matching, sorting ------------------------------------------
    // Reads the list from disk (a zip directory from its archive): saves the
    // tagged names, frees the list, reads, restores the tags and counts.
    // False when the directory could not be read (the list is then empty).
    virtual bool ReadFileList(const CCatalogueEnvironment& env) = 0;
    // Empties the saved names and saves the names of the tagged records;
    // does nothing while the list is empty (names saved earlier stay).
    void SaveTaggedNames();
    // Tags each record named in the saved list and empties the list.
    void RestoreTags();
    // Forgets the saved names.
    void ClearSavedNames() { m_savedNames.reset(); }
    // The names waiting to be restored.
    std::vector<std::string> SavedNames() const;
    // Sets every record's shown flag from the search conditions (none:
    // all shown) and counts.
    void Match(const search::CFileSearchRequest& conditions);
    // Sorts the list by the settings (see FileSort.h).
    void Sort(const CDisplaySettings& settings);

  protected:
    // Common tail of ReadFileList: restore the saved tags and count.
    void FinishRead();
    // Sets (or with "" clears) the reason the read failed.
    void SetReadProblem(const std::string& problem);

    CDriveContainer* m_drive;
    std::string m_path;
    FileList m_files;
    std::unique_ptr<std::vector<std::string>> m_savedNames;
    int32_t m_level = 0;
    uint32_t m_fileCount = 0;
    uint32_t m_shownCount = 0;
    uint32_t m_taggedCount = 0;
    uint64_t m_totalSize = 0;
    uint64_t m_shownSize = 0;
    uint64_t m_taggedSize = 0;
    uint8_t m_flag = 0;
    bool m_removed = false;
    bool m_mustRead = false;
    bool m_mustSort = false;
    bool m_extraFlag = false;
    // Kept apart: most directories never have one.
    std::unique_ptr<std::string> m_readProblem;
};

} // namespace vorlane::catalogue
