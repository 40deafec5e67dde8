#include "platform/ProgramDirs.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane::platform {

namespace {

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// An environment variable that holds an absolute path, else "".
std::string AbsoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return "";
    return StripTrailingSlashes(value);
}

std::string HomeDirectory() {
    std::string home = AbsoluteFromEnv("HOME");
    if (!home.empty())
        return home;
    if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return StripTrailingSlashes(pw->pw_dir);
    return "/";
}

// Makes dir and its missing parents, each with mode 0700 (less the umask),
// as the XDG rules ask for the user's configuration directories.
bool MakeDirectories(const std::string& dir, SysError* err) {
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        return SetError(err, ENOTDIR, "Cannot make the directory", dir);
    }
    std::vector<std::string> missing;
    std::string path = dir;
    while (path.size() > 1 && ::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return SetError(err, errno, "Cannot make the directory", path);
        missing.push_back(path);
        path = path.substr(0, path.rfind('/'));
        if (path.empty())
            path = "/";
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (int injected = fault::Check(fault::Op::Mkdir))
            return SetError(err, injected, "Cannot make the directory", *it);
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST)
            return SetError(err, errno, "Cannot make the directory", *it);
    }
    return true;
}

} // namespace

std::string WindowsDirectory(SysError* err) {
    std::string dir = AbsoluteFromEnv("VORLANE_HOME");
    const char* home = std::getenv("VORLANE_HOME");
    if (dir.empty() && home != nullptr && home[0] != '\0') {
        std::string cwd = CurrentDirectory();
        if (cwd.empty()) {
            SetError(err, errno != 0 ? errno : ENOENT, "Cannot place the relative VORLANE_HOME",
                     home);
            return StripTrailingSlashes(home);
        }
        dir = StripTrailingSlashes(JoinHostPath(cwd, home));
    }
    if (dir.empty()) {
        std::string config = AbsoluteFromEnv("XDG_CONFIG_HOME");
        if (config.empty())
            config = JoinHostPath(HomeDirectory(), ".config");
        dir = JoinHostPath(config, "vorlane");
    }
    if (MakeDirectories(dir, err) && err)
        err->Clear();
    return dir;
}

std::string TempDirectory() {
    std::string dir = AbsoluteFromEnv("TMPDIR");
    return dir.empty() ? "/tmp" : dir;
}

std::string CurrentDirectory() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return "";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string ExecutablePath() {
    std::string buffer(PATH_MAX, '\0');
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
        return "";
    buffer.resize(static_cast<size_t>(length));
    // A program file replaced while it runs reads as "<path> (deleted)";
    // its directory is still where the program's companion files are.
    const std::string deleted = " (deleted)";
    struct stat st;
    if (buffer.size() > deleted.size() &&
        buffer.compare(buffer.size() - deleted.size(), deleted.size(), deleted) == 0 &&
        ::stat(buffer.c_str(), &st) != 0)
        buffer.resize(buffer.size() - deleted.size());
    return buffer;
}

std::string ProgramDirectory() {
    std::string exe = ExecutablePath();
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return "";
    return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string JoinHostPath(const std::string& dir, const std::string& name) {
    size_t skip = 0;
    while (skip < name.size() && name[skip] == '/')
        ++skip;
    std::string base = StripTrailingSlashes(dir);
    if (base.empty())
        return name;
    if (skip == name.size())
        return base;
    return base == "/" ? "/" + name.substr(skip) : base + "/" + name.substr(skip);
}

} // namespace vorlane::platform
