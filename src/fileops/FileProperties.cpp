#include "fileops/FileProperties.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/MimeTypes.h"
#include "zip/ZipCentralDirectory.h"
#include "zip/ZipMemberEntry.h"

#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane::fileops {

namespace {

platform::FileTime TimeOf(const struct timespec& ts) {
    return {static_cast<int64_t>(ts.tv_sec), static_cast<int32_t>(ts.tv_nsec)};
}

std::string UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd pw;
    struct passwd* found = nullptr;
    if (::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    struct group gr;
    struct group* found = nullptr;
    if (::getgrgid_r(gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

std::string LastComponent(const std::string& dosPath) {
    const size_t slash = dosPath.find_last_of('\\');
    return slash == std::string::npos ? dosPath : dosPath.substr(slash + 1);
}

// Counts what lies below the open directory reader (host path dir),
// depth first, never entering a link.
void CountBelow(platform::DirectoryReader& reader, const std::string& dir,
                DirectorySizeProgress& progress, const ui::OperationContext& context) {
    platform::FileEntry entry;
    while (!context.Cancelled() && reader.Next(&entry)) {
        if (entry.isSymlink) {
            progress.files.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        if (!entry.isDirectory) {
            progress.files.fetch_add(1, std::memory_order_relaxed);
            progress.bytes.fetch_add(entry.size, std::memory_order_relaxed);
            continue;
        }
        progress.directories.fetch_add(1, std::memory_order_relaxed);
        platform::DirectoryReader child;
        const std::string path = dir + "/" + entry.name;
        if (!child.OpenAt(reader.Descriptor(), entry.name, path)) {
            progress.unreadable.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        CountBelow(child, path, progress, context);
    }
}

} // namespace

bool ReadFileProperties(const std::string& dosPath, const platform::DriveMap& drives,
                        FileProperties* p, platform::SysError* err) {
    *p = FileProperties();
    p->dosPath = platform::NormalizeDosPath(dosPath);
    p->name = LastComponent(p->dosPath);
    if (!platform::DosToHost(p->dosPath, &p->hostPath, err, drives))
        return false;
    struct stat link;
    if (::lstat(p->hostPath.c_str(), &link) != 0)
        return platform::SetError(err, errno, "Cannot read", p->hostPath);
    struct stat st = link;
    if (S_ISLNK(link.st_mode)) {
        p->isLink = true;
        std::vector<char> target(static_cast<size_t>(link.st_size) + 256);
        const ssize_t got = ::readlink(p->hostPath.c_str(), target.data(), target.size());
        if (got >= 0)
            p->linkTarget.assign(target.data(), static_cast<size_t>(got));
        if (::stat(p->hostPath.c_str(), &st) != 0)
            st = link; // dangling: the link itself
    }
    p->isDirectory = S_ISDIR(st.st_mode);
    p->size = p->isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
    p->modified = TimeOf(st.st_mtim);
    p->accessed = TimeOf(st.st_atim);
    p->changed = TimeOf(st.st_ctim);
    p->mode = st.st_mode & 07777;
    p->uid = st.st_uid;
    p->gid = st.st_gid;
    p->owner = UserName(st.st_uid);
    p->group = GroupName(st.st_gid);
    p->typeName = p->isDirectory ? "Folder" : *platform::FileTypeName(p->name);
    if (!platform::GetAttributes(p->hostPath, &p->attributes))
        p->attributes = p->isDirectory ? uint32_t{platform::kAttrDirectory} : 0u;
    return err ? err->Clear() : true;
}

std::string PermissionText(uint32_t mode) {
    std::string text = "---------";
    const char letters[] = "rwx";
    for (int bit = 0; bit < 9; ++bit)
        if (mode & (0400u >> bit))
            text[bit] = letters[bit % 3];
    auto special = [&](uint32_t flag, size_t at, char set, char unset) {
        if (mode & flag)
            text[at] = text[at] == 'x' ? set : unset;
    };
    special(04000, 2, 's', 'S');
    special(02000, 5, 's', 'S');
    special(01000, 8, 't', 'T');
    return text;
}

std::string OctalModeText(uint32_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

bool ReadZipMemberProperties(const std::string& zipDosPath, const std::string& realName,
                             const platform::DriveMap& drives, ZipMemberProperties* p,
                             platform::SysError* err) {
    *p = ZipMemberProperties();
    std::string host;
    if (!platform::DosToHost(platform::NormalizeDosPath(zipDosPath), &host, err, drives))
        return false;
    zip::ZipArchiveIndex index;
    std::string why;
    int systemError = 0;
    if (zip::ReadZipIndexFile(host, &index, &why, &systemError) != zip::kUnzipOk)
        return platform::SetDosError(err, platform::kDosReadFault,
                                     "Cannot read the zip file '" + zipDosPath + "': " + why);
    for (const zip::ZipMemberInfo& member : index.members) {
        if (member.name != realName)
            continue;
        p->name = member.name;
        p->packedSize = member.compressedSize;
        p->size = member.uncompressedSize;
        p->ratio = zip::ZipMemberEntry::Ratio(member.compressedSize, member.uncompressedSize);
        p->method = zip::ZipMemberEntry::MethodName(member.method);
        p->crc = member.crc;
        p->comment = member.comment;
        p->encrypted = member.encrypted;
        return err ? err->Clear() : true;
    }
    return platform::SetDosError(err, platform::kDosFileNotFound,
                                 "The zip file '" + zipDosPath + "' holds no member '" + realName +
                                     "'.");
}

std::string CrcText(uint32_t crc) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

CDirectorySizeJob::CDirectorySizeJob(std::string dosDirectory)
    : m_directory(std::move(dosDirectory)), m_progress(std::make_shared<DirectorySizeProgress>()) {}

ui::JobResult CDirectorySizeJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    std::string host;
    platform::DirectoryReader reader;
    if (!platform::DosToHost(platform::NormalizeDosPath(m_directory), &host, nullptr,
                             context.Drives()) ||
        !reader.Open(host)) {
        m_progress->unreadable.fetch_add(1);
        result.ok = false;
    } else {
        CountBelow(reader, host, *m_progress, context);
    }
    result.cancelled = context.Cancelled();
    m_progress->cancelled.store(result.cancelled);
    m_progress->finished.store(true);
    result.summary = std::to_string(m_progress->files.load()) + " files counted";
    return result;
}

} // namespace vorlane::fileops
