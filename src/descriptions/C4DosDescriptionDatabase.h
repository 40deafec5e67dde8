// The 4DOS descriptions of one directory at a time: the entries of its
// DESCRIPT.ION file in memory, looked up and changed by file name, and the
// file written back after every change.
//
// A caller (the copy, move, delete and rename drivers, DESCRIBE, the file
// property dialog) keeps one database and points it at a directory before
// each use; pointing it at the directory it already holds does nothing, so
// a run over many files of one directory reads the file once. The callers
// use it only while "4DOS Descriptions" is set. Names in the calls are DOS
// names (as the catalogue shows them); the entries hold host names.
//
// Invariants:
//  1. Memory equals the file: a change whose save fails is undone in
//     memory, and a save either leaves the previous file or the new one.
//  2. The save writes a temporary file beside DESCRIPT.ION, flushes it and
//     renames it over the old one; while it does, DESCRIPT.BAK is a second
//     name (hard link) of the old file, removed when the save is done. At
//     no moment is there no complete DESCRIPT.ION.
//  3. A description file that exists but cannot be read is never written:
//     every change fails with the read error, so its entries are not lost.
//  4. Release (also on destruction and on a change of directory) leaves an
//     existing description file hidden, as 4DOS keeps it.
//
// One thread; not copyable.
#pragma once

#include "descriptions/C4DosFileDescription.h"
#include "platform/SysError.h"

#include <memory>
#include <string>
#include <vector>

namespace vorlane::descriptions {

class C4DosDescriptionDatabase {
  public:
    // drives: the map its DOS directories are translated with (a snapshot
    // the database keeps).
    explicit C4DosDescriptionDatabase(std::shared_ptr<const platform::DriveMap> drives);
    ~C4DosDescriptionDatabase();
    C4DosDescriptionDatabase(const C4DosDescriptionDatabase&) = delete;
    C4DosDescriptionDatabase& operator=(const C4DosDescriptionDatabase&) = delete;

    // Releases the current directory and loads the description file of
    // dosDirectory ("C:\DOCS"); the same directory (compared without regard
    // to case) does nothing, "" only releases. False (with LastError())
    // when a description file exists but cannot be read.
    bool SetDirectory(const std::string& dosDirectory);

    // True and the text when the name has an entry; false and "" otherwise.
    bool Get(const std::string& name, std::string* description) const;
    // Adds or replaces the entry and saves; true when saved. CR and LF are
    // removed from the description; a name that cannot be described (see
    // CanDescribe) gets no entry and fails.
    bool Set(const std::string& name, const std::string& description);
    // Adds when there is no entry; with one, as Set.
    bool Add(const std::string& name, const std::string& description);
    // Removes the entry and saves; true when saved or when there was none.
    bool Remove(const std::string& name);
    // Drops the entry of newName and moves the entry of oldName (if any) to
    // newName, in one save. Without an entry for oldName only the first
    // part happens. A change of case alone renames the entry. When newName
    // cannot be described, the old entry is dropped and the call fails.
    bool Rename(const std::string& oldName, const std::string& newName);

    // Leaves the file hidden, frees the entries, forgets the directory.
    void Release();

    const std::string& Directory() const { return m_directory; }
    // The DOS path of the description file ("" when none).
    const std::string& FilePath() const { return m_filePath; }
    const std::vector<C4DosFileDescription>& Entries() const { return m_entries; }
    // Why the last call failed.
    const platform::SysError& LastError() const { return m_error; }

  private:
    bool CanChange();
    // Writes entries as the new file; on success they become the entries.
    bool Commit(std::vector<C4DosFileDescription> entries);
    bool Save(const std::string& text);

    std::shared_ptr<const platform::DriveMap> m_drives;
    std::vector<C4DosFileDescription> m_entries; // sorted by name
    std::string m_directory;
    std::string m_filePath;
    std::string m_hostFile; // the description file on the host
    bool m_readFailed = false;
    platform::SysError m_readError;
    platform::SysError m_error;
};

} // namespace vorlane::descriptions
