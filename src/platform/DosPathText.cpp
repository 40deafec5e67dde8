#include "platform/DosPathText.h"

namespace vorlane::platform {

namespace {

inline unsigned char FoldLower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

int CompareBytes(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// The component of path that starts at *pos; moves *pos past it and its
// backslash. An empty view at the end.
std::string_view NextComponent(std::string_view path, size_t* pos) {
    size_t start = *pos;
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) {
        *pos = path.size();
        return path.substr(start);
    }
    *pos = end + 1;
    return path.substr(start, end - start);
}

} // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = FoldLower(static_cast<unsigned char>(a[i]));
        unsigned char cb = FoldLower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareNames(std::string_view a, std::string_view b) {
    int c = CompareNoCase(a, b);
    return c != 0 ? c : CompareBytes(a, b);
}

int ComparePaths(std::string_view a, std::string_view b) {
    size_t pa = 0;
    size_t pb = 0;
    while (true) {
        bool endA = pa >= a.size();
        bool endB = pb >= b.size();
        if (endA || endB)
            return endA && endB ? 0 : endA ? -1 : 1;
        int c = CompareNames(NextComponent(a, &pa), NextComponent(b, &pb));
        if (c != 0)
            return c;
    }
}

int PathLevel(std::string_view path) {
    if (IsRootPath(path))
        return 0;
    int level = 0;
    for (char c : path)
        if (c == '\\')
            ++level;
    return level;
}

bool IsRootPath(std::string_view path) {
    return path.size() == 3 && path[1] == ':';
}

char PathDriveLetter(std::string_view path) {
    if (path.size() < 2 || path[1] != ':')
        return 0;
    char c = path[0];
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? c : 0;
}

std::string NormalizeDosPath(std::string_view path) {
    std::string out;
    out.reserve(path.size() + 1);
    for (char c : path) {
        if (c == '/')
            c = '\\';
        if (c == '\\' && !out.empty() && out.back() == '\\')
            continue;
        out.push_back(c);
    }
    if (PathDriveLetter(out) == 0)
        return out;
    out[0] = PathDriveLetter(out);
    if (out.size() == 2)
        out.push_back('\\');
    while (out.size() > 3 && out.back() == '\\')
        out.pop_back();
    return out;
}

std::string JoinDosPath(std::string_view directory, std::string_view name) {
    std::string out;
    out.reserve(directory.size() + 1 + name.size());
    out.append(directory);
    if (out.empty() || out.back() != '\\')
        out.push_back('\\');
    out.append(name);
    return out;
}

std::string_view LastComponent(std::string_view path) {
    if (IsRootPath(path))
        return path;
    size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ParentDosPath(std::string_view path) {
    if (IsRootPath(path))
        return "";
    size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos)
        return "";
    if (slash == 2)
        return std::string(path.substr(0, 3));
    return std::string(path.substr(0, slash));
}

} // namespace vorlane::platform
