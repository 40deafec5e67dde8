// The file search criteria as the criteria dialogs collect them, the
// search request built from them, and the section "File Search Details"
// of VORLANE.INI that keeps the last values.
//
// Dialogs fill a CFileSearchCriteriaTransfer and call BuildSearchRequest;
// they never build conditions themselves, so the same rules serve Custom
// Tag, the window's criteria and the console.
//
// Conditions, in order: Filename "=" with the file types ("*.*" when
// empty); Size "<" or ">" with the size in KB; Date "<", "=", ">" with one
// date, or ">=" and "<=" with two ("between", both days included);
// Attributes "=" with the letters of the set boxes (order A, H, R, S); then
// one Attributes "<>" per cleared box, so that each cleared attribute must
// be absent (one condition holding every cleared letter would let a file
// with only some of them through). Grey boxes add nothing.
#pragma once

#include "search/CFileSearchRequest.h"

#include <array>
#include <cstdint>
#include <string>

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::search {

constexpr const char* kSearchDetailsSection = "File Search Details";
constexpr const char* kBadDatesText = "The BEFORE date is greater than the AFTER date!";

enum class SizeMode { Any, LessThan, GreaterThan };
enum class DateMode { Any, Before, On, After, Between };
// Numbered as the dialogs' three-state boxes number their states.
enum class AttributeState { Cleared = 0, Either = 1, Set = 2 };
// The attribute boxes in dialog order.
enum AttributeBox { kBoxReadOnly, kBoxHidden, kBoxSystem, kBoxArchive, kBoxCount };

struct CFileSearchCriteriaTransfer {
    std::string fileTypes; // "*.TXT;[Pictures];-*.BAK"; empty means "*.*"
    SizeMode sizeMode = SizeMode::Any;
    int64_t sizeKb = 0;
    DateMode dateMode = DateMode::Any;
    uint16_t date1 = 0; // DOS dates
    uint16_t date2 = 0;
    std::array<AttributeState, kBoxCount> attributes{AttributeState::Either, AttributeState::Either,
                                                     AttributeState::Either,
                                                     AttributeState::Either};
    friend bool operator==(const CFileSearchCriteriaTransfer&,
                           const CFileSearchCriteriaTransfer&) = default;
};

// Which field a refusal concerns, so the dialog can put the focus there.
enum class CriteriaField { None, FileTypes, Dates };

// Builds *request (cleared first) from the transfer; file sets are read
// through sets. False with *refusal the message (the "file specification"
// text, a set that refers to itself, kBadDatesText) and *field where it
// applies.
bool BuildSearchRequest(const CFileSearchCriteriaTransfer& transfer, const CFileSetLookup* sets,
                        CFileSearchRequest* request, std::string* refusal, CriteriaField* field);

// "File Search Details": "Filespecs", "Size Mode", "Size", "Date Mode",
// "Date 1", "Date 2" (MM/DD/YYYY), "Read Only", "Hidden", "System",
// "Archive" (0 cleared, 1 either, 2 set). What is missing takes its
// default, numbers out of range are clamped into it, and a date that is
// missing or not MM/DD/YYYY is today's, given as a DOS date.
CFileSearchCriteriaTransfer ReadSearchDetails(const platform::ProfileFile& ini, uint16_t today);
// Writes the keys (memory only; the caller flushes).
void WriteSearchDetails(platform::ProfileFile& ini, const CFileSearchCriteriaTransfer& transfer);

} // namespace vorlane::search
