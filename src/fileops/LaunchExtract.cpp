#include "fileops/LaunchExtract.h"

#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/ProgramDirs.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

// The one regular file the extraction left in dir ("" when there is none:
// the member was left out, or came out as something else).
std::string OnlyFileIn(const std::string& dir) {
    std::vector<std::string> names;
    platform::ListDirectory(dir, platform::ListDetail::Names, [&](const platform::ListedEntry& e) {
        names.emplace_back(e.name);
        return names.size() < 2;
    });
    if (names.size() != 1)
        return "";
    const std::string path = platform::JoinHostPath(dir, names[0]);
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? path : "";
}

std::string Format(const std::string& name, const std::string& dir) {
    return ui::FormatText(kLaunchExtractFormat, name.c_str(), dir.c_str());
}

} // namespace

std::string LaunchTempDirectories::Make(const std::string& parent, platform::SysError* err) {
    std::string pattern =
        platform::JoinHostPath(parent, std::string(kLaunchDirectoryPrefix) + "XXXXXX");
    // mkdtemp makes the directory exclusively with mode 0700.
    if (::mkdtemp(pattern.data()) == nullptr) {
        platform::SetError(err, errno, "Cannot make a directory in", parent);
        return "";
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dirs.push_back(pattern);
    return pattern;
}

void LaunchTempDirectories::Remove(const std::string& dir) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = std::find(m_dirs.begin(), m_dirs.end(), dir);
        if (it == m_dirs.end())
            return;
        m_dirs.erase(it);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec); // removes links, never what they point to
}

void LaunchTempDirectories::RemoveAll() {
    std::vector<std::string> dirs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dirs.swap(m_dirs);
    }
    for (const std::string& dir : dirs) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

std::vector<std::string> LaunchTempDirectories::Directories() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dirs;
}

std::string LaunchExtractParent(const LaunchExtractRequest& request,
                                const ui::OperationContext& context) {
    const std::string& work = request.zipTempPath;
    if (request.useTempDirForLaunch && !work.empty()) {
        std::string host;
        if (work[0] == '/')
            return work;
        if (platform::DosToHost(work, &host, nullptr, context.Drives()))
            return host;
    }
    return platform::TempDirectory();
}

std::string ExtractForLaunch(const ui::OperationContext& context,
                             const LaunchExtractRequest& request, LaunchTempDirectories& dirs) {
    const std::string parent = LaunchExtractParent(request, context);
    platform::SysError err;
    const std::string dir = dirs.Make(parent, &err);
    if (dir.empty()) {
        context.Ui().Message(Format(request.shownName, parent) + err.message);
        return "";
    }
    zip::CZipFileOperation op(context, nullptr, parent);
    bool ok = op.Open(request.zipPath) == zip::kOpened &&
              op.ExtractMembers({request.memberName}, dir, zip::kStoreNoPaths, false, false, false);
    std::string copy = ok ? OnlyFileIn(dir) : "";
    // A take-out whose job was cancelled (the viewer pane moved on) ends
    // without a message.
    if (copy.empty() && !context.Cancelled()) {
        if (ok && op.SkippedMembers().empty()) {
            context.Ui().Message(Format(request.shownName, dir) +
                                 "The file did not come out of the zip file.");
        } else {
            // The caller's sentence, then the zip engine's reason (and the
            // member it refused or left out).
            op.ReportUnzipError(kLaunchExtractFormat, request.shownName.c_str(), dir.c_str());
        }
    }
    if (copy.empty())
        dirs.Remove(dir);
    return copy;
}

std::string ExtractForViewing(const ui::OperationContext& context, LaunchExtractRequest request,
                              LaunchTempDirectories& dirs) {
    request.useTempDirForLaunch = true;
    const std::string copy = ExtractForLaunch(context, request, dirs);
    if (!copy.empty())
        ::chmod(copy.c_str(), 0600);
    return copy;
}

void RemoveExtractedCopy(const std::string& copy, LaunchTempDirectories& dirs) {
    const size_t slash = copy.rfind('/');
    if (slash != std::string::npos && slash > 0)
        dirs.Remove(copy.substr(0, slash));
}

std::string CLaunchExtractJob::DriveLetters() const {
    const char letter = platform::PathDriveLetter(m_request.zipPath);
    return letter ? std::string(1, letter) : "";
}

std::string CLaunchExtractJob::Extract(const ui::OperationContext& context) {
    return m_purpose == ExtractPurpose::kViewing ? ExtractForViewing(context, m_request, m_dirs)
                                                 : ExtractForLaunch(context, m_request, m_dirs);
}

ui::JobResult CLaunchExtractJob::Run(ui::OperationContext& context) {
    if (m_messages) {
        ui::MessageKeeper keeper;
        *m_result = Extract(context.WithUi(keeper));
        *m_messages = keeper.Messages();
    } else {
        *m_result = Extract(context);
    }
    ui::JobResult result;
    result.ok = !m_result->empty();
    result.cancelled = !result.ok && context.Cancelled();
    result.summary = result.ok ? "1 file extracted" : "nothing extracted";
    return result;
}

} // namespace vorlane::fileops
