// Completion of a command line being typed (the frame's "Command:" field
// completes on Tab): the last word of the line is completed as
//   - a command word of the table, when it is the line's first word and
//     holds no path separator;
//   - a file group word ("[ta" becomes "[tagged]"), when it begins with "[";
//   - otherwise a path: the entries of the directory the word names (taken
//     against the working directory), compared without regard to case; a
//     directory gets its "\" so the next Tab goes on inside it.
// With several candidates the word grows to what they have in common; a
// completed word that holds a blank is put in double quotes (the quote is
// left open while the word may still grow: a directory or several
// candidates). Reads the disk; no catalogue.
#pragma once

#include "platform/Drives.h"

#include <string>
#include <vector>

namespace vorlane::command {

struct Completion {
    std::string line;                    // the line with its last word completed
    std::vector<std::string> candidates; // every word that fits, in name order
    std::vector<std::string> lines;      // the line with each candidate in its place
};

Completion CompleteLine(const std::string& line, const std::string& currentDirectory,
                        const platform::DriveMap& drives);

} // namespace vorlane::command
