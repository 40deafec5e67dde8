#include "platform/NetworkDrives.h"

#include "platform/Launcher.h"

#include <sstream>

namespace vorlane::platform {

namespace {

constexpr const char* kNoGio =
    "Network locations are mounted through the desktop's 'gio' program, which is not "
    "installed. Give a directory instead (a location you mounted yourself).";

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? "" : text.substr(start);
}

std::string PercentDecoded(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            return (c | 0x20) - 'a' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
            hex(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool RunGio(const std::vector<std::string>& args, ProgramRun* run, SysError* err) {
    const std::string gio = FindProgramPath("gio");
    if (gio.empty())
        return SetDosError(err, kDosFileNotFound, kNoGio);
    SysError started;
    if (!RunProgram(gio, args, run, "", &started))
        return SetDosError(err, kDosGenFailure, "'gio' could not be started: " + started.message);
    return true;
}

} // namespace

bool IsNetworkLocation(const std::string& text) {
    for (const char* scheme : {"smb://", "sftp://", "ftp://", "dav://", "davs://"}) {
        const std::string prefix = scheme;
        if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
            text[prefix.size()] != '/')
            return true;
    }
    return false;
}

std::string LocalPathFromGioInfo(const std::string& output) {
    std::istringstream in(output);
    std::string line;
    std::string fromUri;
    while (std::getline(in, line)) {
        const std::string text = Trimmed(line);
        if (text.rfind("local path:", 0) == 0) {
            std::string path = Trimmed(text.substr(11));
            if (!path.empty() && path[0] == '/')
                return path;
        }
        const std::string key = "standard::target-uri:";
        if (text.rfind(key, 0) == 0) {
            std::string uri = Trimmed(text.substr(key.size()));
            if (uri.rfind("file:///", 0) == 0)
                fromUri = PercentDecoded(uri.substr(7));
        }
    }
    return fromUri;
}

bool MountNetworkLocation(const std::string& location, NetworkMount* mount, SysError* err) {
    *mount = NetworkMount();
    if (!IsNetworkLocation(location))
        return SetDosError(err, kDosInvalidName,
                           "'" + location +
                               "' is not a network location (smb://, sftp://, ftp:// or dav://).");
    ProgramRun run;
    if (!RunGio({"mount", location}, &run, err))
        return false;
    if (run.exitCode == 0) {
        mount->mountedByUs = true;
    } else if (run.output.find("lready mounted") == std::string::npos) {
        std::string said = Trimmed(run.output);
        return SetDosError(err, kDosGenFailure,
                           "Unable to mount '" + location + "':\n" +
                               (said.empty() ? "gio mount failed." : said));
    }
    ProgramRun info;
    if (RunGio({"info", "-a", "standard::target-uri", location}, &info, err) && info.exitCode == 0)
        mount->localPath = LocalPathFromGioInfo(info.output);
    if (mount->localPath.empty()) {
        if (mount->mountedByUs)
            UnmountNetworkLocation(location);
        mount->mountedByUs = false;
        return SetDosError(err, kDosPathNotFound,
                           "'" + location +
                               "' was mounted, but gio gave no local directory for it (is the "
                               "gvfs FUSE daemon running?).");
    }
    return err ? err->Clear() : true;
}

bool UnmountNetworkLocation(const std::string& location, SysError* err) {
    ProgramRun run;
    if (!RunGio({"mount", "-u", location}, &run, err))
        return false;
    if (run.exitCode != 0)
        return SetDosError(err, kDosGenFailure,
                           "Unable to unmount '" + location + "':\n" + Trimmed(run.output));
    return err ? err->Clear() : true;
}

} // namespace vorlane::platform
