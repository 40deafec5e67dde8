#include "console/ConsoleDirectory.h"

#include "fileops/C4DosDescriptionSource.h"
#include "fileops/DosZipPath.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "platform/Wildcard.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

namespace vorlane::console {

namespace {

struct Row {
    std::string name; // DOS name
    bool directory = false;
    uint64_t size = 0;
    platform::DosDateTime written;
};

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// "3-12-24  10:15a": the 4DOS date and time columns.
std::string DateTime(const platform::DosDateTime& dos) {
    int year = 1980 + (dos.date >> 9), month = (dos.date >> 5) & 15, day = dos.date & 31;
    int hour = dos.time >> 11, minute = (dos.time >> 5) & 63;
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%2d-%02d-%02d  %2d:%02d%c", month, day, year % 100, hour12,
                  minute, hour < 12 ? 'a' : 'p');
    return text;
}

} // namespace

std::string GroupedNumber(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

bool PrintDirectory(std::ostream& out, const std::string& dosDirectory, const std::string& pattern,
                    const platform::DriveMap& drives) {
    const bool all = pattern == "*.*";
    platform::Wildcard matcher(Upper(pattern));
    std::vector<Row> rows;
    fileops::ZipPathParts zipParts;
    if (fileops::SplitZipPath(dosDirectory, drives, &zipParts)) {
        // Inside a zip file: the members' own sizes and stamps.
        std::string hostZip;
        std::vector<fileops::ZipDirectoryEntry> entries;
        if (!platform::DosToHost(zipParts.zipFile, &hostZip, nullptr, drives) ||
            !fileops::ListZipDirectory(hostZip, zipParts.inner, &entries)) {
            out << "Unable to read the directory '" << dosDirectory << "'.\n";
            return false;
        }
        for (fileops::ZipDirectoryEntry& entry : entries) {
            std::string name = platform::HostNameToDos(entry.name);
            if (all || matcher.Match(Upper(name)))
                rows.push_back(
                    {std::move(name), entry.directory, entry.size, {entry.dosDate, entry.dosTime}});
        }
    } else {
        std::string host;
        platform::SysError err;
        bool listed = platform::DosToHost(dosDirectory, &host, &err, drives) &&
                      platform::ListDirectory(
                          host, platform::ListDetail::Stat,
                          [&](const platform::ListedEntry& e) {
                              std::string name = platform::HostNameToDos(std::string(e.name));
                              if (all || matcher.Match(Upper(name)))
                                  rows.push_back({std::move(name), e.isDirectory, e.size,
                                                  platform::ToDosDateTime(e.lastWriteTime)});
                              return true;
                          },
                          &err);
        if (!listed) {
            out << "Unable to read the directory '" << dosDirectory << "'.\n";
            return false;
        }
        // Directories have no time from the listing: read it for them.
        for (Row& row : rows)
            if (row.directory) {
                platform::FileEntry entry;
                if (platform::StatEntry(host + "/" + platform::DosNameToHost(row.name), &entry))
                    row.written = platform::ToDosDateTime(entry.lastWriteTime);
            }
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.directory != b.directory)
            return a.directory;
        return platform::CompareNames(a.name, b.name) < 0;
    });

    fileops::C4DosDescriptionSource source;
    std::unique_ptr<catalogue::CDirectoryDescriptions> descriptions =
        source.Open(dosDirectory, drives);
    size_t width = 12;
    for (const Row& row : rows)
        width = std::max(width, std::min<size_t>(platform::CountCharacters(row.name), 40));

    out << "\n Directory of  " << platform::JoinDosPath(dosDirectory, pattern) << "\n\n";
    uint64_t files = 0, directories = 0, bytes = 0;
    for (const Row& row : rows) {
        std::string size = row.directory ? "<DIR>" : GroupedNumber(row.size);
        const size_t shown = platform::CountCharacters(row.name);
        out << row.name << std::string(shown < width ? width - shown : 0, ' ')
            << std::string(size.size() < 14 ? 14 - size.size() : 0, ' ') << size << "  "
            << DateTime(row.written);
        if (descriptions)
            if (std::optional<std::string> text = descriptions->Find(row.name))
                out << "  " << *text;
        out << '\n';
        if (row.directory) {
            ++directories;
        } else {
            ++files;
            bytes += row.size;
        }
    }
    out << "  " << GroupedNumber(bytes) << " bytes in " << files << " file(s) and " << directories
        << " dir(s)\n";
    return true;
}

} // namespace vorlane::console
