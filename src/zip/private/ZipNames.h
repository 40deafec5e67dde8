// Member names of the zip engine, shared by its reading and writing sides:
// file specifications split into names, specification names matched
// against members, stored names ('/') to DOS form ('\') and back, the
// check that keeps extraction inside its destination, DOS 8.3 names, the
// CP437 names of old archives, and DOS date/time.
//
// Pure functions without state; any part of the zip module may call them.
#pragma once

#include "platform/Wildcard.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::zip {

// --- file specifications ---------------------------------------------------

// Splits a file specification into its names: blanks (spaces and tabs)
// separate names, a name in double quotes may hold blanks (the quotes are
// dropped), empty names are skipped.
std::vector<std::string> SplitFileSpec(std::string_view spec);
// The reverse: names joined by single spaces, a name holding a blank put in
// double quotes.
std::string JoinFileSpec(const std::vector<std::string>& names);

// --- member names ----------------------------------------------------------

// A stored member name ('/' between components) in DOS form: every '/'
// becomes '\'. Case is kept.
std::string MemberNameToDos(std::string_view stored);
// A DOS form name back to the stored form: every '\' becomes '/'.
std::string DosNameToMember(std::string_view dos);
// The part after the last '/' or '\' (the whole name when there is none).
std::string_view MemberBaseName(std::string_view name);
// The components of a member name, split at '/' and (unless
// backslashSeparates is false, for names whose '\' is part of a name) at
// '\'; empty and "." components are dropped. A trailing separator (a
// directory entry) leaves no empty last component.
std::vector<std::string> MemberPathComponents(std::string_view name,
                                              bool backslashSeparates = true);
// True for a name that stands for the archive's root itself: "." or "./"
// and the like (only "." components), as bsdtar writes first. Such an entry
// names nothing to make.
bool IsRootMemberName(std::string_view name);

// True when "version made by" names a DOS or Windows host (MS-DOS, OS/2
// HPFS, NTFS, VFAT): its attributes are DOS bits, '\' separates its names
// and its file system did not tell names apart by case.
bool IsDosHost(uint16_t versionMadeBy);

// True when extracting a member of this name could reach outside the
// destination or cannot name a file at all: empty (or only separators), a
// leading '/' or '\', a drive letter ("C:..."), any ".." component in
// either slash form, or a NUL byte.
bool IsUnsafeMemberName(std::string_view name);

// The names of a file specification, compiled once, matched against many
// members. A name is matched without regard to case, with '*' (any run of
// characters) and '?' (one character) as wildcards and every other
// character literal; '/' and '\' are the same separator. A name holding a
// separator is matched against the member's whole path name, one without
// against its base name. An empty list matches every member.
class MemberMatcher {
  public:
    MemberMatcher() = default;
    explicit MemberMatcher(const std::vector<std::string>& specNames);
    explicit MemberMatcher(std::string_view fileSpec) : MemberMatcher(SplitFileSpec(fileSpec)) {}

    // name: the member's path name, '/' or '\' between components.
    bool Matches(std::string_view name) const;
    bool MatchesEverything() const { return m_entries.empty(); }

  private:
    struct Entry {
        platform::Wildcard pattern; // '/' separators, only '*' and '?' special
        bool wholePath = false;     // the name held a separator
    };
    std::vector<Entry> m_entries;
};

// One specification name against one member name (see MemberMatcher).
bool MatchMemberName(std::string_view specName, std::string_view memberName);

// --- DOS 8.3 names -----------------------------------------------------------

// The DOS 8.3 form of one name: upper-cased, blanks and characters DOS
// refuses dropped or replaced by '_', the part before the last '.' cut to
// 8 characters and the extension to 3. "." and ".." stay as they are; a
// name left empty becomes "_".
std::string DosShortName(std::string_view name);
// Every component of a path ('/' or '\' separators, kept as given) in its
// 8.3 form.
std::string DosShortPath(std::string_view path);

// --- CP437 -------------------------------------------------------------------

// A name in code page 437 (the zip default when the UTF-8 flag is clear)
// as UTF-8. ASCII bytes pass unchanged.
std::string Cp437ToUtf8(std::string_view cp437);
// True when text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);
// text cut to at most maxBytes without splitting a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, size_t maxBytes);

// --- DOS date and time -------------------------------------------------------

// A DOS date and time (local time; date = (year - 1980) << 9 | month << 5 |
// day, time = hour << 11 | minute << 5 | second / 2) as seconds since the
// epoch; fields out of range are clamped.
time_t DosDateTimeToTime(uint16_t dosDate, uint16_t dosTime);
// The reverse; times before 1980 give 1980-01-01 00:00:00, odd seconds
// round down.
void TimeToDosDateTime(time_t t, uint16_t* dosDate, uint16_t* dosTime);

} // namespace vorlane::zip
