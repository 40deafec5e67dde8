#include "platform/DosPath.h"

#include "platform/DirectoryListing.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace vorlane::platform {

namespace {

constexpr uint32_t kPrivateBase = 0xF000;

int LetterIndex(char letter) {
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A';
    return -1;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII characters a DOS name cannot hold ('/' never occurs in a host name).
bool IsDosForbidden(unsigned char c) {
    return (c >= 0x01 && c < 0x20) || std::strchr("\\:*?\"<>|", c) != nullptr;
}

// Bytes that HostNameToDos shows as U+F000 + byte, so the only ones
// DosNameToHost turns back into bytes: never '/', '.', NUL or a letter, so a
// DOS name can never smuggle a separator or a ".." into a host path.
bool IsEscapedByte(unsigned char c) {
    return c >= 0x80 || (c != 0 && IsDosForbidden(c));
}

void AppendPrivate(std::string* out, unsigned char byte) {
    uint32_t cp = kPrivateBase + byte;
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
}

// Length of the well-formed UTF-8 sequence at text[i] (not overlong, no
// surrogate, at most U+10FFFF) and its code point; 0 when there is none.
size_t DecodeUtf8(const std::string& text, size_t i, uint32_t* cp) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length;
    uint32_t value;
    uint32_t minimum;
    if (lead < 0x80) {
        *cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *cp = value;
    return length;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsUnderOrAt(const std::string& path, const std::string& dir) {
    if (dir == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, dir.size(), dir) == 0 &&
           (path.size() == dir.size() || path[dir.size()] == '/');
}

std::optional<std::string> RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string JoinComponent(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// The entry of hostDir that a DOS component names: the exact name when it
// exists, else the first entry (in byte order, so the answer does not
// depend on the file system's order) equal to it ignoring case. Empty when
// there is none or the directory cannot be read.
std::string LookUpEntry(const std::string& hostDir, const std::string& name) {
    struct stat st;
    if (::lstat(JoinComponent(hostDir, name).c_str(), &st) == 0)
        return name;
    std::string best;
    ListDirectory(hostDir, ListDetail::Names, [&](const ListedEntry& entry) {
        std::string candidate(entry.name);
        if (NamesEqual(candidate, name) && (best.empty() || candidate < best))
            best = std::move(candidate);
        return true;
    });
    return best;
}

bool TooLong(const std::string& hostPath, SysError* err) {
    if (hostPath.size() <= kMaxHostPath)
        return false;
    SetDosError(err, kDosFilenameExceedRange,
                "The path '" + hostPath.substr(0, 64) + "...' is longer than " +
                    std::to_string(kMaxHostPath) + " bytes");
    return true;
}

} // namespace

std::string HostNameToDos(const std::string& hostName) {
    std::string out;
    out.reserve(hostName.size());
    size_t i = 0;
    while (i < hostName.size()) {
        unsigned char c = static_cast<unsigned char>(hostName[i]);
        if (c < 0x80) {
            if (IsDosForbidden(c))
                AppendPrivate(&out, c);
            else
                out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t length = DecodeUtf8(hostName, i, &cp);
        if (length == 0) {
            // A byte that is not UTF-8 (a Latin-1 name, say): shown escaped
            // so the DOS name is valid text and maps back to the same byte.
            AppendPrivate(&out, c);
            ++i;
        } else if (cp >= kPrivateBase && cp <= kPrivateBase + 0xFF) {
            // A host name that already holds one of the escape characters:
            // escape its bytes too, so the way back is exact.
            for (size_t k = 0; k < length; ++k)
                AppendPrivate(&out, static_cast<unsigned char>(hostName[i + k]));
            i += length;
        } else {
            out.append(hostName, i, length);
            i += length;
        }
    }
    return out;
}

std::string DosNameToHost(const std::string& dosName) {
    std::string out;
    out.reserve(dosName.size());
    size_t i = 0;
    while (i < dosName.size()) {
        uint32_t cp = 0;
        size_t length = DecodeUtf8(dosName, i, &cp);
        if (length == 3 && cp >= kPrivateBase && cp <= kPrivateBase + 0xFF &&
            IsEscapedByte(static_cast<unsigned char>(cp - kPrivateBase))) {
            out.push_back(static_cast<char>(cp - kPrivateBase));
            i += 3;
        } else {
            size_t take = length == 0 ? 1 : length;
            out.append(dosName, i, take);
            i += take;
        }
    }
    return out;
}

bool NamesEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

bool DosToHost(const std::string& dosPath, std::string* hostPath, SysError* err,
               const DriveMap& map) {
    if (dosPath.size() < 2 || LetterIndex(dosPath[0]) < 0 || dosPath[1] != ':' ||
        (dosPath.size() > 2 && !IsSeparator(dosPath[2])))
        return SetDosError(err, kDosInvalidName,
                           "'" + dosPath.substr(0, 260) +
                               "' is not a full path (a drive letter, a colon and a backslash)");
    const char letter = static_cast<char>('A' + LetterIndex(dosPath[0]));
    const std::string& root = map.Root(letter);
    if (root.empty())
        return SetDosError(err, kDosInvalidDrive,
                           std::string("Drive ") + letter + ": does not exist");

    // Components with "." and ".." folded; ".." at the root stays at the
    // root. Empty components ("C:\A\\B") are skipped, as DOS does.
    std::vector<std::string> components;
    size_t start = 3;
    while (start < dosPath.size()) {
        size_t end = start;
        while (end < dosPath.size() && !IsSeparator(dosPath[end]))
            ++end;
        std::string component = dosPath.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (!components.empty())
                components.pop_back();
            continue;
        }
        for (char c : component) {
            if (IsDosForbidden(static_cast<unsigned char>(c)))
                return SetDosError(err, kDosInvalidName,
                                   "The name '" + component.substr(0, 260) +
                                       "' holds a character a file name cannot hold");
        }
        components.push_back(std::move(component));
    }

    std::string host = root;
    bool lookUp = true;
    for (const std::string& component : components) {
        std::string name = DosNameToHost(component);
        if (lookUp) {
            std::string found = LookUpEntry(host, name);
            if (found.empty())
                lookUp = false; // nothing below a missing entry exists
            else
                name = found;
        }
        host = JoinComponent(host, name);
        if (TooLong(host, err))
            return false;
    }
    if (TooLong(host, err))
        return false;
    *hostPath = std::move(host);
    return err ? err->Clear() : true;
}

bool DiskCaseDosPath(const std::string& dosPath, std::string* diskPath, SysError* err,
                     const DriveMap& map) {
    std::string host;
    if (!DosToHost(dosPath, &host, err, map))
        return false;
    // The host path is the drive's root and the components found or typed.
    const char letter = static_cast<char>('A' + LetterIndex(dosPath[0]));
    const std::string& root = map.Root(letter);
    std::string dos = std::string(1, letter) + ":\\";
    size_t start = root.size();
    while (start < host.size()) {
        if (host[start] == '/') {
            ++start;
            continue;
        }
        const size_t end = std::min(host.find('/', start), host.size());
        if (dos.size() > 3)
            dos += '\\';
        dos += HostNameToDos(host.substr(start, end - start));
        start = end;
    }
    *diskPath = std::move(dos);
    return true;
}

bool HostToDos(const std::string& hostPath, std::string* dosPath, SysError* err,
               const DriveMap& map) {
    if (hostPath.empty() || hostPath[0] != '/')
        return SetDosError(err, kDosInvalidName,
                           "'" + hostPath.substr(0, 260) + "' is not an absolute host path");
    if (TooLong(hostPath, err))
        return false;

    std::vector<std::string> parts;
    size_t start = 1;
    while (start <= hostPath.size()) {
        size_t end = hostPath.find('/', start);
        if (end == std::string::npos)
            end = hostPath.size();
        std::string part = hostPath.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    std::string normal;
    for (const std::string& part : parts)
        normal += "/" + part;
    if (normal.empty())
        normal = "/";

    auto bestDrive = [&](const std::string& path, bool resolveRoots, std::string* rootOut) {
        char best = 0;
        for (char letter : map.Letters()) {
            std::string root = map.Root(letter);
            if (resolveRoots)
                root = RealPath(root).value_or(root);
            if (IsUnderOrAt(path, root) && (best == 0 || root.size() > rootOut->size())) {
                best = letter;
                *rootOut = root;
            }
        }
        return best;
    };

    std::string root;
    char letter = bestDrive(normal, false, &root);
    if (letter == 0) {
        // The path may reach a drive through a link (a root given as
        // /home/ann when the path says /var/home/ann): compare real paths.
        std::optional<std::string> real = RealPath(normal);
        if (!real && parts.size() > 0) {
            std::string parent = normal.substr(0, normal.rfind('/'));
            if (std::optional<std::string> realParent = RealPath(parent.empty() ? "/" : parent))
                real = JoinComponent(*realParent, parts.back());
        }
        if (real) {
            letter = bestDrive(*real, true, &root);
            if (letter != 0)
                normal = *real;
        }
    }
    if (letter == 0)
        return SetDosError(err, kDosInvalidDrive,
                           "No drive holds the host path '" + hostPath.substr(0, 260) + "'");

    std::string dos = std::string(1, letter) + ":\\";
    std::string rest = root == "/" ? normal.substr(1) : normal.substr(root.size());
    bool first = true;
    size_t pos = 0;
    while (pos < rest.size()) {
        if (rest[pos] == '/') {
            ++pos;
            continue;
        }
        size_t end = rest.find('/', pos);
        if (end == std::string::npos)
            end = rest.size();
        if (!first)
            dos += '\\';
        dos += HostNameToDos(rest.substr(pos, end - pos));
        first = false;
        pos = end;
    }
    *dosPath = std::move(dos);
    return err ? err->Clear() : true;
}

} // namespace vorlane::platform
