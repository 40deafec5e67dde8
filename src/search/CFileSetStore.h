// CFileSetStore: the file sets of the object database (objects of kind 3,
// each a NUL-terminated definition string, FileSets.h) listed, read,
// saved, deleted and renamed with the texts the file set dialogs show.
//
// It borrows the database and, like the database, belongs to the thread
// that owns it (the GUI thread, the console's thread, a test's thread).
// It is also the CFileSetLookup that file-types strings are expanded
// through, so expansion happens on that thread and the entries it yields
// are handed to whoever matches names elsewhere.
//
// Every operation returning false has put the text for the user into
// *error; nothing stored changes on a failure.
#pragma once

#include "objdb/CObjectDatabase.h"
#include "search/FileSets.h"

#include <string>
#include <vector>

namespace vorlane::search {

class CFileSetStore : public CFileSetLookup {
  public:
    explicit CFileSetStore(objdb::CObjectDatabase& database) : m_db(database) {}

    // The names of every file set, in key order (by name, letters without case).
    std::vector<std::string> Names();
    bool Exists(const std::string& name);
    // "Unable to load file set '%s' from Vorlane's object database." when
    // the set cannot be read; the damaged-set text when its string is bad.
    bool Load(const std::string& name, std::vector<WildcardEntry>* entries, std::string* error);
    // Adds a new set or updates one of that name; "Unable to add/update
    // search '%s' to Vorlane's object database!" when the database refuses.
    // An empty name, or one holding ";" (a file-types string could not name
    // it) is refused with its own text.
    bool Save(const std::string& name, const std::vector<WildcardEntry>& entries,
              std::string* error);
    bool Delete(const std::string& name, std::string* error);
    // "Unable to rename file set '%s' to '%s'.\n\n" followed by the
    // database's last error ("Specified key already exists!").
    bool Rename(const std::string& oldName, const std::string& newName, std::string* error);

    std::optional<std::string> Definition(const std::string& name) const override;

  private:
    objdb::CObjectDatabase& m_db;
};

} // namespace vorlane::search
