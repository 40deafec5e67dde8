#include "search/CFileSetStore.h"

namespace vorlane::search {

using objdb::kObjectKindFileSet;

std::vector<std::string> CFileSetStore::Names() {
    std::vector<std::string> names;
    m_db.ListObjectNames(kObjectKindFileSet, &names);
    return names;
}

bool CFileSetStore::Exists(const std::string& name) {
    return m_db.GetObjectSize(kObjectKindFileSet, name) >= 0;
}

bool CFileSetStore::Load(const std::string& name, std::vector<WildcardEntry>* entries,
                         std::string* error) {
    entries->clear();
    std::string definition;
    if (!m_db.GetString(kObjectKindFileSet, name, &definition)) {
        *error = "Unable to load file set '" + name + "' from Vorlane's object database.";
        return false;
    }
    return ParseFileSetDefinition(definition, name, entries, error);
}

bool CFileSetStore::Save(const std::string& name, const std::vector<WildcardEntry>& entries,
                         std::string* error) {
    if (name.empty()) {
        *error = "A file set needs a name!";
        return false;
    }
    if (name.find(';') != std::string::npos) {
        *error = "A file set name cannot hold ';': '" + name + "'.";
        return false;
    }
    if (!m_db.PutString(kObjectKindFileSet, name, FormatFileSetDefinition(entries))) {
        *error = "Unable to add/update search '" + name + "' to Vorlane's object database!";
        return false;
    }
    return true;
}

bool CFileSetStore::Delete(const std::string& name, std::string* error) {
    if (!m_db.DeleteObject(kObjectKindFileSet, name)) {
        *error = m_db.LastErrorMessage();
        return false;
    }
    return true;
}

bool CFileSetStore::Rename(const std::string& oldName, const std::string& newName,
                           std::string* error) {
    bool refused = newName.empty() || newName.find(';') != std::string::npos;
    if (refused || !m_db.RenameObject(kObjectKindFileSet, oldName, newName)) {
        *error = "Unable to rename file set '" + oldName + "' to '" + newName + "'.\n\n" +
                 (refused ? std::string("A file set name cannot be empty or hold ';'.")
                          : m_db.LastErrorMessage());
        return false;
    }
    return true;
}

std::optional<std::string> CFileSetStore::Definition(const std::string& name) const {
    std::string definition;
    if (!m_db.GetString(kObjectKindFileSet, name, &definition))
        return std::nullopt;
    return definition;
}

} // namespace vorlane::search
