// File groups of a directory and tagging.
//
// A file group is the set of files an operation works on: 1 "[every]"
// every shown file, 2 "[tagged]" the shown tagged ones, 3 "[untagged]" the
// shown untagged ones, 4 "[current]" every file whose name matches the
// current pattern (the caret file's name, or a pattern the caller gives),
// 0 none. Callers run over the indices of GroupRange() and act on each file
// for which InGroup() says yes.
//
// Group 4 upper-cases both the name and the pattern (ASCII letters), so its
// sets match without regard to case.
#pragma once

#include "catalogue/CDirectoryContainer.h"
#include "platform/Wildcard.h"

#include <string>
#include <string_view>

namespace vorlane::catalogue {

struct CGroupRange {
    int first = -1; // first index to visit; -1 when none
    int last = -1;  // last index to visit; -1 when none
    int count = 0;  // number of files in the group
};

// The group of a word ("[every]", "[tagged]", "[untagged]", "[current]",
// without regard to case); 0 when the text is not a group word.
int GroupFromWord(std::string_view word);
// The word of a group ("" for 0 and unknown numbers).
const char* GroupWord(int group);

// The indices and count of a group in directory (null: none). Groups 1 to
// 3 span the shown files (indices 0 to shown count - 1); group 4 spans the
// first to the last matching file of the whole list (none for an empty or
// malformed pattern). Any other number counts as 1.
CGroupRange GroupRange(const CDirectoryContainer* directory, int group, const std::string& pattern);

// Compiles a group-4 pattern the way InGroup matches it (upper-cased).
platform::Wildcard GroupPattern(const std::string& pattern);
// Whether file belongs to the group: 0 and 1 always; 2 when tagged; 3 when
// not; 4 when its upper-cased name matches pattern (from GroupPattern).
bool InGroup(const CFileContainer& file, int group, const platform::Wildcard& pattern);
bool InGroup(const CFileContainer& file, int group, const std::string& pattern);

// Tags (state 1), untags (0) or toggles (-1) the file at index. False when
// there is no such file or it already has the wanted state; otherwise the
// flag is set, the drive is told and the directory's tagged count and size
// follow.
bool SetTag(CDirectoryContainer& directory, int index, int state);

} // namespace vorlane::catalogue
