#include "platform/PathAbbreviation.h"

#include <cstring>

namespace vorlane::platform {

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

size_t CountCharacters(std::string_view text) {
    size_t count = 0;
    for (char c : text)
        if (!IsContinuation(c))
            ++count;
    return count;
}

std::string AbbreviatePath(const std::string& path, size_t limit) {
    if (CountCharacters(path) <= limit)
        return path;
    const size_t markLength = 1 + std::strlen(kAbbreviationMark);
    size_t tailCharacters = limit > markLength ? limit - markLength : 0;

    // The first character (the drive letter), whole.
    size_t firstEnd = 1;
    while (firstEnd < path.size() && IsContinuation(path[firstEnd]))
        ++firstEnd;

    // Walk back from the end over tailCharacters characters.
    size_t tailStart = path.size();
    for (size_t taken = 0; taken < tailCharacters && tailStart > firstEnd; ++taken) {
        --tailStart;
        while (tailStart > firstEnd && IsContinuation(path[tailStart]))
            --tailStart;
    }
    return path.substr(0, firstEnd) + kAbbreviationMark + path.substr(tailStart);
}

} // namespace vorlane::platform
