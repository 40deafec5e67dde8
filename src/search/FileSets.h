// File sets: named lists of signed wildcards ("+*.BMP" includes, "-TEMP*.*"
// excludes) kept in the object database as objects of kind 3, and the
// file-types strings ("*.TXT;[Pictures];-*.BAK") that mix wildcards with
// references to them.
//
//   ParseFileSetDefinition / FormatFileSetDefinition
//                        the stored form: "~Wildcards~" then the entries
//                        separated by "~" (docs/formats/VORLN32.DAT.md)
//   CWildcardList        the editor's list: unique wildcards, sorted, each
//                        Include or Exclude, with the Add checks
//   ExpandFileTypes      a file-types string to signed entries, following
//                        set references through a CFileSetLookup
//   CFileSelector        signed entries compiled once, then "does this name
//                        pass?" (the first entry that matches decides)
//
// Set references. In a file-types string an item "[name]" stands for the
// entries of the set of that name (a missing set adds nothing). A stored
// entry whose wildcard is wholly "[name]" is a reference too: "+[name]"
// adds that set's entries as they are, "-[name]" adds them all as
// Excludes. A set that refers to itself, directly or through others, makes
// the expansion fail with "File set '%s' refers to itself." instead of
// looping; an expansion past kMaxExpandedEntries entries or
// kMaxSetReferences references fails too, so a stored chain of sets cannot
// make it run without end.
//
// Everything here is plain data and functions; the selector may be used on
// any thread once built. Lookups happen only while expanding, on the thread
// that owns the object database.
#pragma once

#include "platform/Wildcard.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::search {

constexpr const char* kFileSetLabel = "Wildcards";
// Bounds of one expansion (see above).
constexpr size_t kMaxExpandedEntries = 4096;
constexpr size_t kMaxSetReferences = 256;

// Texts of the file set editor and list.
constexpr const char* kFileSetIntro =
    "File sets are a convienent way to name a group of file types for use throughout Vorlane.";
std::string InvalidWildcardText(const std::string& typed);  // "'%s' is NOT a valid wildcard!"
std::string DeleteFileSetQuestion(const std::string& name); // "Do you wish to delete ..."
std::string ClearWildcardsQuestion(size_t count);           // "Do you wish to clear ..."
std::string FileSetExistsQuestion(const std::string& name); // "File Set '%s' already ..."
std::string RenameFileSetPrompt(const std::string& name);   // "Enter a new name for ..."
std::string InvalidFileSpecificationText(const std::string& item); // "The file specification ..."
constexpr const char* kDeleteFileSetCaption = "Delete File Set";
constexpr const char* kClearWildcardsCaption = "Clear Wildcards List";
constexpr const char* kFileSetCaption = "File Set";
constexpr const char* kNewFileSetCaption = "New File Set";
constexpr const char* kModifyFileSetCaption = "Modify File Set";
constexpr const char* kRenameFileSetCaption = "File Set Rename";

struct WildcardEntry {
    bool include = true;
    std::string wildcard; // without its sign

    // "+" or "-" followed by the wildcard.
    std::string Signed() const { return (include ? "+" : "-") + wildcard; }
    friend bool operator==(const WildcardEntry&, const WildcardEntry&) = default;
};

// The items of the section labelled label in a "~label~item~item" string:
// the first "~label~" anywhere in text starts it; each item runs to the
// next "~"; a "~" as the last character or two "~" in a row end it. False
// (and *items empty) when the label is not there.
bool ParseLabelledList(std::string_view text, std::string_view label,
                       std::vector<std::string>* items);

// A stored definition to entries in stored order: "+" Include, any other
// first character Exclude. False with *error set when the string holds no
// "~Wildcards~" label (a damaged set); name is the set's name for the text.
bool ParseFileSetDefinition(std::string_view definition, const std::string& name,
                            std::vector<WildcardEntry>* entries, std::string* error);
// "~Wildcards~" followed by the signed entries joined by "~".
std::string FormatFileSetDefinition(const std::vector<WildcardEntry>& entries);

// Where expansion reads sets: the stored definition of a set, or nothing.
class CFileSetLookup {
  public:
    virtual ~CFileSetLookup() = default;
    virtual std::optional<std::string> Definition(const std::string& name) const = 0;
};

// What the user typed as a wildcard, made ready for a list: blanks trimmed
// at both ends and ASCII letters upper-cased. Nothing when it is empty,
// holds "\" or "~" (the stored form's separator), or fails the syntax check.
std::optional<std::string> NormaliseWildcard(const std::string& typed);

// The editor's grid: unique wildcards kept sorted by their text.
class CWildcardList {
  public:
    enum class AddResult { Refused, Added, AlreadyThere };
    // Adds typed (normalised) with its operator. *row receives the row of
    // the new or existing wildcard; an existing one keeps its operator.
    AddResult Add(const std::string& typed, bool include, size_t* row);
    // Removes row; false when there is no such row.
    bool Remove(size_t row);
    void Clear() { m_entries.clear(); }
    // Fills from stored entries (kept in stored order; they were sorted
    // when saved).
    void Assign(std::vector<WildcardEntry> entries) { m_entries = std::move(entries); }
    const std::vector<WildcardEntry>& Entries() const { return m_entries; }
    size_t Size() const { return m_entries.size(); }

  private:
    std::vector<WildcardEntry> m_entries;
};

// Expands a file-types string into signed entries (see the header). False
// at the first empty or invalid item (which is appended as written; *badItem
// is it and *error the "file specification" text) or when a set reference
// fails (*error says why, *badItem is the top-level item). sets may be null:
// references then add nothing.
bool ExpandFileTypes(std::string_view fileTypes, const CFileSetLookup* sets,
                     std::vector<std::string>* entries, std::string* badItem, std::string* error);

// Whether one wildcard matches a name: "*.*" matches every name; any other
// wildcard is upper-cased and matched against the name as it is.
bool WildcardSelects(std::string_view wildcard, std::string_view name);

// Signed entries compiled for matching many names.
class CFileSelector {
  public:
    CFileSelector() = default;
    explicit CFileSelector(const std::vector<std::string>& entries) { Assign(entries); }
    void Assign(const std::vector<std::string>& entries);
    // The first entry whose wildcard matches decides: an Exclude ("-")
    // rejects, anything else selects. No entry matching rejects.
    bool Selects(std::string_view name) const;

  private:
    struct Compiled {
        bool include;
        bool everything; // "*.*"
        platform::Wildcard pattern;
    };
    std::vector<Compiled> m_entries;
};

} // namespace vorlane::search
