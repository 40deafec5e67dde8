#include "command/CCommandArgument.h"

#include "catalogue/CZipFileDirectory.h"
#include "catalogue/FileGroups.h"
#include "fileops/DosZipPath.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "zip/ZipCentralDirectory.h"
#include "zip/ZipEngine.h"

#include <algorithm>

namespace vorlane::command {

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        c = Upper(c);
    return text;
}

// Whether a path may lead into a zip file: some component ends in ".zip".
// Splitting a path looks at the disk for each leading part, so paths that
// cannot hold one skip it.
bool MayHoldZip(const std::string& path) {
    return UpperAscii(path).find(".ZIP") != std::string::npos;
}

bool SplitZip(const std::string& path, const platform::DriveMap& drives,
              fileops::ZipPathParts* parts) {
    return MayHoldZip(path) && fileops::SplitZipPath(path, drives, parts);
}

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

// The members of a zip file's directory inner ('\' separated, "" for the
// root): the files and the directories directly in it, by DOS name.
struct ZipListing {
    bool readable = false;
    std::vector<std::string> files;
    std::vector<std::string> directories;
};

ZipListing ListZipDirectory(const std::string& hostZip, const std::string& inner) {
    ZipListing listing;
    std::vector<fileops::ZipDirectoryEntry> entries;
    listing.readable = fileops::ListZipDirectory(hostZip, inner, &entries);
    for (fileops::ZipDirectoryEntry& entry : entries)
        (entry.directory ? listing.directories : listing.files).push_back(std::move(entry.name));
    return listing;
}

bool ContainsName(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return platform::NamesEqual(n, name); });
}

// What a full path names inside a zip file (parts from SplitZipPath).
int ClassifyInZip(const fileops::ZipPathParts& parts, const platform::DriveMap& drives,
                  bool* exists) {
    *exists = false;
    std::string hostZip;
    if (!platform::DosToHost(parts.zipFile, &hostZip, nullptr, drives))
        return kArgInvalid;
    if (parts.inner.empty()) {
        *exists = true;
        zip::ZipArchiveIndex index;
        return zip::ReadZipIndexFile(hostZip, &index) == zip::kUnzipOk ? kArgZipFile
                                                                       : kArgDamagedZip;
    }
    size_t cut = parts.inner.rfind('\\');
    std::string parent = cut == std::string::npos ? "" : parts.inner.substr(0, cut);
    std::string name = cut == std::string::npos ? parts.inner : parts.inner.substr(cut + 1);
    ZipListing listing = ListZipDirectory(hostZip, parent);
    if (!listing.readable) {
        *exists = true;
        return kArgDamagedZip;
    }
    if (ContainsName(listing.directories, name)) {
        *exists = true;
        return kArgDirectory;
    }
    if (ContainsName(listing.files, name)) {
        *exists = true;
        return kArgFile;
    }
    return kArgInvalid;
}

} // namespace

int CCommandArgument::Group() const {
    switch (cls) {
    case kArgGroupEvery:
        return 1;
    case kArgGroupTagged:
        return 2;
    case kArgGroupUntagged:
        return 3;
    case kArgGroupCurrent:
        return 4;
    default:
        return 0;
    }
}

std::string MakeFullDosPath(const std::string& typed, const std::string& currentDirectory) {
    std::string text = typed;
    std::replace(text.begin(), text.end(), '/', '\\');
    std::string base;
    std::string rest;
    if (text.size() >= 2 && text[1] == ':') {
        if (!IsLetter(text[0]))
            return "";
        // "D:NAME" without a backslash is taken against D:'s root, unless D:
        // is the working directory's drive.
        bool sameDrive = !currentDirectory.empty() && Upper(currentDirectory[0]) == Upper(text[0]);
        base = std::string(1, Upper(text[0])) + ":\\";
        if (text.size() > 2 && text[2] != '\\' && sameDrive)
            base = currentDirectory;
        rest = text.substr(2);
    } else if (!text.empty() && text[0] == '\\') {
        if (currentDirectory.size() < 2)
            return "";
        base = std::string(1, Upper(currentDirectory[0])) + ":\\";
        rest = text;
    } else {
        if (currentDirectory.size() < 2)
            return "";
        base = currentDirectory;
        rest = text;
    }
    // The components of the base, then those typed, folded.
    std::vector<std::string> parts;
    auto add = [&parts](const std::string& path) {
        size_t i = 0;
        while (i <= path.size()) {
            size_t j = path.find('\\', i);
            if (j == std::string::npos)
                j = path.size();
            std::string part = path.substr(i, j - i);
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(std::move(part));
            }
            i = j + 1;
        }
    };
    add(base.substr(2));
    add(rest);
    std::string full = base.substr(0, 2);
    if (parts.empty())
        return full + "\\";
    for (const std::string& part : parts)
        full += "\\" + part;
    return full;
}

CCommandArgument ClassifyArgument(const std::string& token, const ClassifyContext& context) {
    const platform::DriveMap& drives = *context.drives;
    CCommandArgument a;
    a.text = token;
    if (token.empty())
        return a;
    if (token == "/?") {
        a.cls = kArgHelp;
        return a;
    }
    if (token[0] == '/') {
        a.cls = kArgSwitch;
        return a;
    }
    switch (catalogue::GroupFromWord(token)) {
    case 1:
        a.cls = kArgGroupEvery;
        return a;
    case 2:
        a.cls = kArgGroupTagged;
        return a;
    case 3:
        a.cls = kArgGroupUntagged;
        return a;
    case 4:
        a.cls = kArgGroupCurrent;
        return a;
    default:
        break;
    }
    if (token.size() == 2 && token[1] == ':' && IsLetter(token[0])) {
        char letter = Upper(token[0]);
        if (drives.Root(letter).empty())
            return a;
        a.cls = kArgDrive;
        a.drive = letter;
        a.directory = a.fullPath = std::string(1, letter) + ":\\";
        return a;
    }
    // A NUL byte can name nothing on the disk.
    if (token.find('\0') != std::string::npos)
        return a;

    std::string full = MakeFullDosPath(token, context.currentDirectory);
    if (full.empty() || drives.Root(full[0]).empty())
        return a;
    a.drive = full[0];
    a.fullPath = full;
    a.directory = platform::IsRootPath(full) ? full : platform::ParentDosPath(full);
    a.name = platform::IsRootPath(full) ? "" : std::string(platform::LastComponent(full));
    a.pattern = a.name;

    // 6. An existing entry: in a zip file, a zip file, a directory or a file.
    if (!HasWildcard(full)) {
        fileops::ZipPathParts parts;
        if (SplitZip(full, drives, &parts)) {
            bool exists = false;
            int cls = ClassifyInZip(parts, drives, &exists);
            if (exists) {
                a.cls = cls;
                a.inZip = !parts.inner.empty();
                if (cls == kArgDirectory || cls == kArgZipFile)
                    a.directory = full;
                return a;
            }
        } else {
            std::string host;
            platform::FileEntry entry;
            if (platform::DosToHost(full, &host, nullptr, drives) &&
                platform::StatEntry(host, &entry)) {
                // The path as it is on the disk (a case variant found it),
                // so what the command reports and notifies names the file
                // as the windows and the stored thumbnails know it.
                std::string disk;
                if (!platform::IsRootPath(full) &&
                    platform::DiskCaseDosPath(full, &disk, nullptr, drives)) {
                    a.fullPath = disk;
                    a.directory = platform::ParentDosPath(disk);
                    a.name = a.pattern = std::string(platform::LastComponent(disk));
                }
                if (entry.isDirectory) {
                    a.cls = kArgDirectory;
                    a.directory = a.fullPath;
                } else {
                    a.cls = kArgFile;
                }
                return a;
            }
        }
    }

    // 7. A path (a backslash, or a drive) whose last component is new or a pattern.
    bool isPath =
        token.find_first_of("\\/") != std::string::npos || (token.size() >= 2 && token[1] == ':');
    if (isPath) {
        if (platform::IsRootPath(full) || HasWildcard(a.directory))
            return a; // a wildcard before the last backslash
        // The directories that exist as they are spelt on the disk; the new
        // name or pattern as typed.
        std::string disk;
        if (platform::DiskCaseDosPath(a.directory, &disk, nullptr, drives)) {
            a.directory = disk;
            a.fullPath = platform::JoinDosPath(disk, a.name);
        }
        fileops::ZipPathParts parts;
        bool zipDirectory = SplitZip(a.directory, drives, &parts);
        if (zipDirectory) {
            std::string hostZip;
            zip::ZipArchiveIndex index;
            if (!platform::DosToHost(parts.zipFile, &hostZip, nullptr, drives) ||
                zip::ReadZipIndexFile(hostZip, &index) != zip::kUnzipOk) {
                a.cls = kArgDamagedZip;
                return a;
            }
        }
        if (HasWildcard(a.name)) {
            if (!platform::WildcardSyntaxOk(a.name))
                return a;
            if (zipDirectory) {
                a.cls = kArgZipWildcard;
                a.inZip = true;
                return a;
            }
            std::string host;
            platform::FileEntry entry;
            if (platform::DosToHost(a.directory, &host, nullptr, drives) &&
                platform::StatEntry(host, &entry) && entry.isDirectory)
                a.cls = kArgWildcard;
            return a;
        }
        a.cls = zipDirectory ? kArgZipNewName : kArgNewName;
        a.inZip = zipDirectory;
        return a;
    }

    // 8. A bare pattern for the working directory.
    if (platform::WildcardSyntaxOk(token)) {
        a.cls = kArgBareWildcard;
        a.pattern = token;
    }
    return a;
}

bool ExpandWildcard(const std::string& dosDirectory, const std::string& pattern,
                    const platform::DriveMap& drives, std::vector<std::string>* names) {
    names->clear();
    const bool all = pattern == "*.*";
    platform::Wildcard matcher(UpperAscii(pattern));
    auto take = [&](std::string name) {
        if (all || matcher.Match(UpperAscii(name)))
            names->push_back(std::move(name));
    };
    fileops::ZipPathParts parts;
    if (SplitZip(dosDirectory, drives, &parts)) {
        std::string hostZip;
        if (!platform::DosToHost(parts.zipFile, &hostZip, nullptr, drives))
            return false;
        ZipListing listing = ListZipDirectory(hostZip, parts.inner);
        if (!listing.readable)
            return false;
        for (std::string& name : listing.files)
            take(std::move(name));
    } else {
        std::string host;
        if (!platform::DosToHost(dosDirectory, &host, nullptr, drives))
            return false;
        bool listed = platform::ListDirectory(
            host, platform::ListDetail::Kinds, [&](const platform::ListedEntry& e) {
                if (!e.isDirectory)
                    take(platform::HostNameToDos(std::string(e.name)));
                return true;
            });
        if (!listed)
            return false;
    }
    std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        return platform::CompareNames(a, b) < 0;
    });
    return true;
}

} // namespace vorlane::command
