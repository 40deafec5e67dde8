#include "platform/Launcher.h"

#include "platform/ProgramDirs.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorlane::platform {

namespace {

// Where a launch failed: before the program was found, or in the child.
enum Stage : int { kStageFork = 1, kStageChdir = 2, kStageExec = 3 };

struct ChildReport {
    int stage = 0;
    int error = 0;
};

// The working directory, "/" when it cannot be read.
std::string WorkingDirectory() {
    std::string dir = CurrentDirectory();
    return dir.empty() ? "/" : dir;
}

std::string Absolute(const std::string& path, const std::string& workDir) {
    if (!path.empty() && path[0] == '/')
        return path;
    std::string base = workDir.empty() ? WorkingDirectory() : workDir;
    if (base.empty() || base[0] != '/')
        base = JoinHostPath(WorkingDirectory(), base);
    return JoinHostPath(base, path);
}

bool ParentExists(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    struct stat st;
    return ::stat(path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int ResultFromErrno(int error, const std::string& path) {
    switch (error) {
    case ENOENT:
        return ParentExists(path) ? kLaunchFileNotFound : kLaunchPathNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return kLaunchPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
        return kLaunchAccessDenied;
    case ENOMEM:
    case EAGAIN:
    case E2BIG:
        return kLaunchOutOfMemory;
    case ENOEXEC:
        return kLaunchBadFormat;
    default:
        return kLaunchNoAssociation;
    }
}

int Fail(SysError* err, int result, int error, const std::string& what, const std::string& path) {
    SetError(err, error, what, path);
    return result;
}

// errno of checking that path names a program we may run, 0 when it does.
int CheckProgram(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EACCES;
    if (::access(path.c_str(), X_OK) != 0)
        return errno;
    return 0;
}

// Finds a program: a name holding "/" is a path (relative ones against
// workDir); a bare name is looked up in $PATH, then in workDir. Returns the
// errno of the best failure (EACCES beats ENOENT) or 0 with *path filled.
int FindProgram(const std::string& name, const std::string& workDir, std::string* path,
                const std::string& searchPath = "") {
    if (name.find('/') != std::string::npos) {
        *path = Absolute(name, workDir);
        return CheckProgram(*path);
    }
    const char* pathVar = std::getenv("PATH");
    std::string dirs = !searchPath.empty()   ? searchPath
                       : pathVar && *pathVar ? pathVar
                                             : "/usr/local/bin:/usr/bin:/bin";
    int best = ENOENT;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        start = end + 1;
        if (dir.empty() || dir[0] != '/')
            continue; // never the current directory by accident
        std::string candidate = JoinHostPath(dir, name);
        int error = CheckProgram(candidate);
        if (error == 0) {
            *path = candidate;
            return 0;
        }
        if (error != ENOENT && error != ENOTDIR)
            best = error;
    }
    if (!workDir.empty()) {
        std::string candidate = Absolute(name, workDir);
        int error = CheckProgram(candidate);
        if (error == 0 || error != ENOENT) {
            *path = candidate;
            return error;
        }
    }
    *path = name;
    return best;
}

void WriteReport(int fd, Stage stage, int error) {
    ChildReport report{stage, error};
    ssize_t ignored = ::write(fd, &report, sizeof report);
    (void)ignored;
}

// Waits for child to end (its status in *status when asked) and reads the
// report fd may carry, closing fd. The write end closes when the program's
// exec succeeds (close on exec) or after the child has reported why it
// failed: true with *report filled in the second case.
bool ReapAndReadReport(pid_t child, int fd, int* status, ChildReport* report) {
    int ended = 0;
    while (::waitpid(child, &ended, 0) < 0 && errno == EINTR) {
    }
    if (status)
        *status = ended;
    ChildReport received;
    ssize_t got;
    do {
        got = ::read(fd, &received, sizeof received);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof received))
        return false;
    *report = received;
    return true;
}

// Starts path with argv in workDir without waiting for it (see the header:
// a double fork). Fills *report with the failing stage and errno; returns
// true when the exec succeeded.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args,
                   const std::string& workDir, ChildReport* report) {
    // Everything the children need is made before fork: between fork and
    // exec only async-signal-safe calls are made.
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const char* program = path.c_str();
    const char* dir = workDir.empty() ? nullptr : workDir.c_str();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *report = {kStageFork, errno};
        return false;
    }
    pid_t middle = ::fork();
    if (middle < 0) {
        *report = {kStageFork, errno};
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (middle == 0) {
        ::close(fds[0]);
        pid_t child = ::fork();
        if (child < 0) {
            WriteReport(fds[1], kStageFork, errno);
            ::_exit(1);
        }
        if (child == 0) {
            ::setsid();
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            struct sigaction dfl;
            std::memset(&dfl, 0, sizeof dfl);
            dfl.sa_handler = SIG_DFL;
            for (int sig = 1; sig < NSIG; ++sig)
                if (sig != SIGKILL && sig != SIGSTOP)
                    ::sigaction(sig, &dfl, nullptr);
            if (dir != nullptr && ::chdir(dir) != 0) {
                WriteReport(fds[1], kStageChdir, errno);
                ::_exit(127);
            }
            ::execve(program, argv.data(), environ);
            WriteReport(fds[1], kStageExec, errno);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    if (ReapAndReadReport(middle, fds[0], nullptr, report))
        return false;
    return true;
}

bool LooksRunnable(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), X_OK))
        return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char magic[4] = {};
    ssize_t got = ::read(fd, magic, sizeof magic);
    ::close(fd);
    return (got >= 4 && std::memcmp(magic,
                                    "\x7f"
                                    "ELF",
                                    4) == 0) ||
           (got >= 2 && magic[0] == '#' && magic[1] == '!');
}

int CheckWorkDir(const std::string& workDir, SysError* err) {
    if (workDir.empty())
        return 0;
    struct stat st;
    if (::stat(workDir.c_str(), &st) != 0)
        return Fail(err, errno == EACCES ? kLaunchAccessDenied : kLaunchPathNotFound, errno,
                    "Cannot use the working directory", workDir);
    if (!S_ISDIR(st.st_mode))
        return Fail(err, kLaunchPathNotFound, ENOTDIR, "Cannot use the working directory", workDir);
    return 0;
}

// Runs path with argv as our child, stdin from /dev/null, stdout and
// stderr into one pipe; collects up to kOutputLimit bytes (reading on to
// the end so the child never blocks) and waits for it.
constexpr size_t kOutputLimit = 64 * 1024;

bool RunAndWait(const std::string& path, const std::vector<std::string>& args, ProgramRun* run,
                SysError* err) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const char* program = path.c_str();
    int output[2];
    int report[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return SetError(err, errno, "Cannot start", path);
    if (::pipe2(report, O_CLOEXEC) != 0) {
        const int e = errno;
        ::close(output[0]);
        ::close(output[1]);
        return SetError(err, e, "Cannot start", path);
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int e = errno;
        for (int fd : {output[0], output[1], report[0], report[1]})
            ::close(fd);
        return SetError(err, e, "Cannot start", path);
    }
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null >= 0)
            ::dup2(null, 0);
        ::dup2(output[1], 1);
        ::dup2(output[1], 2);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(program, argv.data(), environ);
        WriteReport(report[1], kStageExec, errno);
        ::_exit(127);
    }
    ::close(output[1]);
    ::close(report[1]);
    run->output.clear();
    run->exitCode = -1;
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        const size_t room = kOutputLimit - std::min(kOutputLimit, run->output.size());
        run->output.append(buffer, std::min(room, static_cast<size_t>(got)));
    }
    ::close(output[0]);
    int status = 0;
    ChildReport received;
    if (ReapAndReadReport(child, report[0], &status, &received))
        return SetError(err, received.error, "Cannot start", path);
    if (WIFEXITED(status))
        run->exitCode = WEXITSTATUS(status);
    return err ? err->Clear() : true;
}

} // namespace

std::string FindProgramPath(const std::string& hostProgram, const std::string& workDir,
                            const std::string& searchPath) {
    std::string path;
    if (hostProgram.empty() || FindProgram(hostProgram, workDir, &path, searchPath) != 0)
        return "";
    return path;
}

bool RunProgram(const std::string& hostProgram, const std::vector<std::string>& args,
                ProgramRun* run, const std::string& searchPath, SysError* err) {
    std::string path;
    if (hostProgram.empty())
        return SetError(err, ENOENT, "No program named", hostProgram);
    if (int error = FindProgram(hostProgram, "", &path, searchPath))
        return SetError(err, error, "Cannot start", path);
    std::vector<std::string> argv;
    argv.reserve(args.size() + 1);
    argv.push_back(path);
    argv.insert(argv.end(), args.begin(), args.end());
    return RunAndWait(path, argv, run, err);
}

std::string FileArgument(const std::string& hostName, const std::string& workDir) {
    if (hostName.empty() || hostName[0] != '-')
        return hostName;
    return Absolute(hostName, workDir);
}

int LaunchProgram(const std::string& hostProgram, const std::vector<std::string>& args,
                  const std::string& workDir, SysError* err) {
    if (hostProgram.empty())
        return Fail(err, kLaunchFileNotFound, ENOENT, "No program named", hostProgram);
    if (int failed = CheckWorkDir(workDir, err))
        return failed;
    std::string path;
    if (int error = FindProgram(hostProgram, workDir, &path))
        return Fail(err, ResultFromErrno(error, path), error, "Cannot start", path);
    std::vector<std::string> argv;
    argv.reserve(args.size() + 1);
    argv.push_back(path);
    argv.insert(argv.end(), args.begin(), args.end());
    ChildReport report;
    if (!SpawnDetached(path, argv, workDir, &report)) {
        if (report.stage == kStageChdir)
            return Fail(err,
                        ResultFromErrno(report.error, workDir) == kLaunchAccessDenied
                            ? kLaunchAccessDenied
                            : kLaunchPathNotFound,
                        report.error, "Cannot use the working directory", workDir);
        return Fail(err, ResultFromErrno(report.error, path), report.error, "Cannot start", path);
    }
    if (err)
        err->Clear();
    return kLaunchStarted;
}

int LaunchDocument(const std::string& hostPath, const std::string& workDir, SysError* err) {
    if (hostPath.empty())
        return Fail(err, kLaunchFileNotFound, ENOENT, "No document named", hostPath);
    if (int failed = CheckWorkDir(workDir, err))
        return failed;
    const std::string document = Absolute(hostPath, workDir);
    struct stat st;
    if (::stat(document.c_str(), &st) != 0)
        return Fail(err, ResultFromErrno(errno, document), errno, "Cannot open", document);

    const char* opener = std::getenv("VORLANE_OPENER");
    const std::string openerName = opener && *opener ? opener : "xdg-open";
    std::string openerPath;
    if (int error = FindProgram(openerName, "", &openerPath)) {
        SetDosError(err, kDosGenFailure,
                    "No program is set up to open documents ('" + openerName +
                        "' cannot be started: " + std::strerror(error) + ")");
        return kLaunchNoAssociation;
    }
    ChildReport report;
    if (!SpawnDetached(openerPath, {openerPath, document}, workDir, &report)) {
        int result = ResultFromErrno(report.error, openerPath);
        if (report.stage == kStageChdir)
            result = kLaunchPathNotFound;
        else if (result != kLaunchOutOfMemory)
            result = kLaunchNoAssociation;
        return Fail(err, result, report.error, "Cannot start the document opener", openerPath);
    }
    if (err)
        err->Clear();
    return kLaunchStarted;
}

int LaunchFile(const std::string& hostFile, const std::vector<std::string>& args,
               const std::string& workDir, SysError* err) {
    if (hostFile.empty())
        return Fail(err, kLaunchFileNotFound, ENOENT, "No file named", hostFile);
    const std::string path = Absolute(hostFile, workDir);
    if (LooksRunnable(path))
        return LaunchProgram(path, args, workDir, err);
    return LaunchDocument(path, workDir, err);
}

} // namespace vorlane::platform
