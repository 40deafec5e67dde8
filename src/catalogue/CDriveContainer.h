// CDriveContainer: one logged drive of a file manager window: a plain drive
// (CDriveIncremental), a zip file opened as an archive (CDriveZip) or a
// multi-volume zip file (CDriveMultiVolumeZip). The window's CDriveItemList
// owns it; it owns its directory containers.
//
// The directories are one vector, the tree flattened. Invariants:
//   1. The vector is ordered by ComparePaths (platform/DosPathText.h), so a
//      directory's descendants follow it directly and the root (of a plain
//      drive) is index 0.
//   2. No two entries have the same path.
//   3. Only the current directory holds file records.
// New directories of a scan are added in one batch (AddDirectories): sorted
// among themselves and merged, never inserted one by one.
//
// The display settings a drive sorts and matches by belong to the window;
// the drive only points at them. The environment (options, descriptions,
// view) is the session's, borrowed too.
#pragma once

#include "app/CDriveType.h"
#include "catalogue/CDirectoryContainer.h"

#include <memory>
#include <string>
#include <vector>

namespace vorlane::catalogue {

class CCatalogueEnvironment;

class CDriveContainer {
  public:
    using DirectoryList = std::vector<std::unique_ptr<CDirectoryContainer>>;

    // env may be null (a silent environment with default options is used).
    explicit CDriveContainer(CCatalogueEnvironment* env = nullptr);
    virtual ~CDriveContainer();
    CDriveContainer(const CDriveContainer&) = delete;
    CDriveContainer& operator=(const CDriveContainer&) = delete;

    // 1, 99 or 100 (DriveKind).
    virtual int Kind() const = 0;
    // Letter 0, no label, no type, no directories.
    virtual void Reset();
    // Reads the drive (Drive logging); false when it cannot be logged (the
    // user has been told).
    virtual bool Log(const std::string& name) = 0;

    // --- identity -----------------------------------------------------------
    char DriveLetter() const { return m_letter; }
    // "C:" for a plain drive; an archive's drive is named by its zip path.
    virtual std::string Name() const;
    // "C:[label]".
    std::string DisplayName() const;
    const app::CDriveType& DriveType() const { return m_driveType; }
    // "C:\".
    std::string RootPath() const;
    const std::string& VolumeLabel() const { return m_volumeLabel; }
    void ReReadVolumeLabel();
    // True when the type is 0 or CD-ROM.
    bool IsReadOnly() const;

    // --- settings and services -------------------------------------------
    CDisplaySettings* DisplaySettings() const { return m_settings; }
    void SetDisplaySettings(CDisplaySettings* settings) { m_settings = settings; }
    CCatalogueEnvironment& Environment() const;
    void SetEnvironment(CCatalogueEnvironment* env) { m_env = env; }
    // The depth last asked for by a tree command; -1 at creation.
    int ExpandLevel() const { return m_expandLevel; }
    void SetExpandLevel(int level) { m_expandLevel = level; }

    // --- directories ------------------------------------------------------
    const DirectoryList& Directories() const { return m_directories; }
    int DirectoryCount() const { return static_cast<int>(m_directories.size()); }
    // Null outside 0 to DirectoryCount() - 1.
    CDirectoryContainer* DirectoryAt(int index) const;
    // Index of a path: the exact path, else the one equal without regard to
    // case (component by component, the exact name first); -1 when absent.
    int IndexOfPath(const std::string& path) const;
    CDirectoryContainer* FindDirectory(const std::string& path) const;
    bool IsDirectoryLogged(const std::string& path) const { return IndexOfPath(path) >= 0; }
    static int LevelOfPath(const std::string& path);
    // Adds one directory at its place; returns the one of that path when it
    // was already there (the new one is dropped).
    CDirectoryContainer* AddDirectory(std::unique_ptr<CDirectoryContainer> directory);
    // Adds many at once: sorts the batch (unless the caller says it is in
    // path order already) and merges it into the vector in one pass. Paths
    // already present keep their old directory.
    void AddDirectories(DirectoryList batch, bool sorted = false);
    // Removes the directory of that path and its whole subtree; false when
    // the path is not logged. The current directory falls back to the root
    // when it was removed.
    bool RemoveDirectory(const std::string& path);

    // --- the current directory ------------------------------------------
    const std::string& CurrentDirectoryPath() const { return m_currentPath; }
    CDirectoryContainer* CurrentDirectory() const { return m_current; }
    int CurrentDirectoryIndex() const;
    bool IsCurrentRoot() const;
    bool IsCurrentZip() const;
    // Makes path current: when it differs from the current one, the old
    // directory's file list is freed (its tagged names saved first under
    // "Preserve Tags") and the new one must be read. A path that is not in
    // the catalogue falls back to the root. False when there is no
    // directory at all.
    bool SetCurrentDirectory(const std::string& path);
    bool SetCurrentDirectoryByIndex(int index);

    // The current directory's records and counts (0 without one).
    CFileContainer* CurrentFile(int index) const;
    int LastIndex() const;
    int FileCount() const;
    int TaggedCount() const;
    int ShownCount() const;
    uint64_t TotalSize() const;
    uint64_t ShownSize() const;
    uint64_t TaggedSize() const;

    // --- reading, matching, sorting ------------------------------------
    // Reads the current directory when it must be read, matches and sorts it.
    void ApplyDisplaySettings();
    // Sets the descriptions of the current directory's records again.
    void ApplyDescriptions();
    // With a status window "Sorting <name>": every directory that must be
    // read is read, matched and sorted; one that must be sorted (every one
    // when forced) is matched and sorted. Then the settings are applied to
    // the current directory. settings may be null (the drive's own).
    void Sort(CDisplaySettings* settings, bool force);
    // With a status window "Rematching Drive <letter>": every directory's
    // records are matched again, removed directories are dropped, then the
    // drive is sorted with force.
    void MatchAndSortAll(CDisplaySettings* settings);
    // A tag of a record changed; the plain and zip drives do nothing.
    virtual void TagChanged(CFileContainer* /*file*/, bool /*tagged*/) {}

  protected:
    // Reads, matches and sorts one directory as the sort asks.
    void MatchAndSortDirectory(CDirectoryContainer& directory, bool read);
    void FreeDirectories();

    CCatalogueEnvironment* m_env;
    CDisplaySettings* m_settings = nullptr;
    int m_expandLevel = -1;
    char m_letter = 0;
    app::CDriveType m_driveType;
    std::string m_volumeLabel;
    DirectoryList m_directories;
    CDirectoryContainer* m_current = nullptr;
    std::string m_currentPath;
};

} // namespace vorlane::catalogue
