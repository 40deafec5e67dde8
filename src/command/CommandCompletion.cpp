#include "command/CommandCompletion.h"

#include "command/CCommandArgument.h"
#include "command/CCommandLine.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"

#include <algorithm>

namespace vorlane::command {

namespace {

char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (UpperChar(text[i]) != UpperChar(prefix[i]))
            return false;
    return true;
}

// Where the last word of line begins: after the last blank outside double
// quotes (the tokenizer's rule). *first tells whether it is the command word.
size_t LastWordStart(const std::string& line, bool* first) {
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (!quoted && (line[i] == ' ' || line[i] == '\t'))
            start = i + 1;
    }
    *first = line.find_first_not_of(" \t") >= start;
    return start;
}

// The entries of the directory that a typed path's directory part names,
// whose names begin with prefix; directories end in "\".
std::vector<std::string> PathCandidates(const std::string& directoryPart, const std::string& prefix,
                                        const std::string& currentDirectory,
                                        const platform::DriveMap& drives) {
    std::vector<std::string> names;
    const std::string full =
        directoryPart.empty() ? currentDirectory : MakeFullDosPath(directoryPart, currentDirectory);
    std::string host;
    if (full.empty() || !platform::DosToHost(full, &host, nullptr, drives))
        return names;
    platform::ListDirectory(host, platform::ListDetail::Kinds,
                            [&](const platform::ListedEntry& entry) {
                                std::string name = platform::HostNameToDos(std::string(entry.name));
                                if (StartsWithNoCase(name, prefix))
                                    names.push_back(name + (entry.isDirectory ? "\\" : ""));
                                return true;
                            });
    std::sort(names.begin(), names.end());
    return names;
}

// What every candidate begins with, compared without regard to case, in
// the first candidate's spelling.
std::string CommonPrefix(const std::vector<std::string>& candidates) {
    std::string common = candidates.front();
    for (const std::string& c : candidates) {
        size_t n = 0;
        while (n < common.size() && n < c.size() && UpperChar(common[n]) == UpperChar(c[n]))
            ++n;
        common.resize(n);
    }
    return common;
}

} // namespace

Completion CompleteLine(const std::string& line, const std::string& currentDirectory,
                        const platform::DriveMap& drives) {
    Completion result{line, {}};
    bool first = false;
    const size_t start = LastWordStart(line, &first);
    std::string word = line.substr(start);
    if (!word.empty() && word.front() == '"')
        word.erase(0, 1);
    if (word.find('"') != std::string::npos)
        return result; // a closed quoted word is complete

    std::string directoryPart; // kept as typed before the completed name
    const size_t separator = word.find_last_of("\\/");
    if (!word.empty() && word.front() == '[') {
        for (const char* group : {"[current]", "[every]", "[tagged]", "[untagged]"})
            if (StartsWithNoCase(group, word))
                result.candidates.push_back(group);
    } else if (first && separator == std::string::npos && !(word.size() >= 2 && word[1] == ':')) {
        for (const CommandEntry& entry : CommandTable())
            if (StartsWithNoCase(entry.word, word))
                result.candidates.push_back(entry.word);
        std::sort(result.candidates.begin(), result.candidates.end());
    } else {
        size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
        if (separator == std::string::npos && word.size() >= 2 && word[1] == ':')
            nameStart = 2;
        directoryPart = word.substr(0, nameStart);
        for (std::string& name :
             PathCandidates(directoryPart, word.substr(nameStart), currentDirectory, drives))
            result.candidates.push_back(std::move(name));
    }
    if (result.candidates.empty())
        return result;
    // The word in its place: quoted when it holds a blank, the quote left
    // open while the word may still grow.
    auto place = [&](const std::string& name, bool finished) {
        std::string placed = directoryPart + name;
        if (placed.find_first_of(" \t") != std::string::npos)
            placed = "\"" + placed + (finished ? "\"" : "");
        return line.substr(0, start) + placed;
    };
    for (const std::string& c : result.candidates)
        result.lines.push_back(place(c, c.back() != '\\'));
    const std::string common = CommonPrefix(result.candidates);
    if (common.size() < word.size() - directoryPart.size())
        return result; // never shorter than typed
    result.line =
        place(common, result.candidates.size() == 1 && !common.empty() && common.back() != '\\');
    return result;
}

} // namespace vorlane::command
