#include "descriptions/C4DosFileDescription.h"

#include "platform/DosPath.h"
#include "platform/File.h"

#include <algorithm>
#include <cerrno>

namespace vorlane::descriptions {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameLess(const C4DosFileDescription& a, const C4DosFileDescription& b) {
    return CompareNames(a.name, b.name) < 0;
}

// One line (without its "\n" and CR characters) as an entry; false for a
// line that names nothing.
bool ParseLine(std::string_view line, C4DosFileDescription* entry) {
    std::string_view name, rest;
    size_t close = line.size() > 1 && line[0] == '"' ? line.find('"', 1) : std::string_view::npos;
    if (close != std::string_view::npos) {
        name = line.substr(1, close - 1);
        rest = line.substr(close + 1);
        if (!rest.empty() && rest[0] == ' ')
            rest.remove_prefix(1);
    } else {
        size_t blank = line.find(' ');
        name = line.substr(0, blank);
        rest = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    }
    if (name.empty())
        return false;
    entry->name = std::string(name);
    entry->description = WithoutLineBreaks(rest);
    return true;
}

} // namespace

int CompareNames(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool CanDescribe(std::string_view hostName) {
    if (hostName.empty() || hostName.find_first_of("\r\n") != std::string_view::npos)
        return false;
    if (hostName[0] == '"')
        return false;
    return hostName.find(' ') == std::string_view::npos ||
           hostName.find('"') == std::string_view::npos;
}

std::string WithoutLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n')
            out.push_back(c);
    return out;
}

std::vector<C4DosFileDescription> ParseDescriptions(std::string_view text) {
    std::vector<C4DosFileDescription> entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line = WithoutLineBreaks(text.substr(start, end - start));
        C4DosFileDescription entry;
        if (ParseLine(line, &entry))
            entries.push_back(std::move(entry));
        start = end + 1;
    }
    std::stable_sort(entries.begin(), entries.end(), NameLess);
    return entries;
}

std::string FormatDescriptionLine(const C4DosFileDescription& entry) {
    bool quote = entry.name.find(' ') != std::string::npos;
    std::string line;
    line.reserve(entry.name.size() + entry.description.size() + 4);
    if (quote)
        line += '"';
    line += entry.name;
    if (quote)
        line += '"';
    line += ' ';
    line += entry.description;
    line += '\n';
    return line;
}

std::string FormatDescriptions(const std::vector<C4DosFileDescription>& entries) {
    std::string text;
    for (const C4DosFileDescription& entry : entries)
        text += FormatDescriptionLine(entry);
    return text;
}

size_t FindDescription(const std::vector<C4DosFileDescription>& entries, std::string_view name) {
    auto first = std::lower_bound(entries.begin(), entries.end(), name,
                                  [](const C4DosFileDescription& e, std::string_view n) {
                                      return CompareNames(e.name, n) < 0;
                                  });
    size_t found = entries.size();
    for (auto it = first; it != entries.end() && CompareNames(it->name, name) == 0; ++it) {
        if (it->name == name)
            return static_cast<size_t>(it - entries.begin());
        if (found == entries.size())
            found = static_cast<size_t>(it - entries.begin());
    }
    return found;
}

void InsertDescription(std::vector<C4DosFileDescription>* entries, C4DosFileDescription entry) {
    auto at = std::upper_bound(entries->begin(), entries->end(), entry, NameLess);
    entries->insert(at, std::move(entry));
}

bool DescriptionFileOf(const platform::DriveMap& drives, const std::string& dosDirectory,
                       std::string* hostPath, platform::SysError* err) {
    std::string path = dosDirectory;
    if (path.empty() || (path.back() != '\\' && path.back() != '/'))
        path += '\\';
    return platform::DosToHost(path + kDescriptionFileName, hostPath, err, drives);
}

bool ReadDescriptionFile(const platform::DriveMap& drives, const std::string& dosDirectory,
                         std::vector<C4DosFileDescription>* entries, platform::SysError* err) {
    entries->clear();
    std::string host;
    if (!DescriptionFileOf(drives, dosDirectory, &host, err))
        return false;
    std::string text;
    platform::SysError readErr;
    if (!platform::ReadWholeFile(host, &text, &readErr)) {
        if (readErr.sysErrno == ENOENT || readErr.sysErrno == ENOTDIR)
            return true; // no description file: no descriptions
        if (err)
            *err = readErr;
        return false;
    }
    *entries = ParseDescriptions(text);
    return true;
}

} // namespace vorlane::descriptions
