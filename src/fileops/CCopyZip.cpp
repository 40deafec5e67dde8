// The zip sides of a copy or move, each through CZipFileOperation:
//  - plain to a zip file: the files (or the tree) are added with the run's
//    compression factor, path mode, 8.3 setting and password; into a
//    directory inside the zip file they are first linked into a staging
//    directory that holds that path, and added from there;
//  - a zip file to plain: the chosen members are extracted into a staging
//    directory, and the plain steps (questions, per-file decision, notices)
//    move them from there to the target; a move then deletes from the zip
//    file exactly the members that reached the target;
//  - zip to zip: extracted into staging, then added to the target as
//    above; a move deletes the members once the add is done.
// The staging directory lies under the zip work path (else the system
// temporary directory, else the zip file's own directory) and is removed
// at the end.
#include "fileops/private/CopyRun.h"
#include "fileops/private/Staging.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "zip/CZipFileOperation.h"

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

using platform::JoinDosPath;

// "A\B" -> {"A", "B"}.
std::vector<std::string> Components(const std::string& inner) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < inner.size()) {
        size_t end = inner.find('\\', start);
        if (end == std::string::npos)
            end = inner.size();
        if (end > start)
            parts.push_back(inner.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The DOS path of a host path relative to a DOS directory ("A/B").
std::string DosBelow(std::string dos, const std::string& relative) {
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        dos = JoinDosPath(dos, platform::HostNameToDos(relative.substr(start, end - start)));
        start = end + 1;
    }
    return dos;
}

std::string SpecName(const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           platform::CompareNoCase(std::string_view(text).substr(0, prefix.size()), prefix) == 0;
}

} // namespace

// Links (or, across file systems, copies) a plain source into dir: each
// file of a group, or the whole tree of a directory. False on a failure,
// which has been recorded in the file operation's error.
bool CopyRun::StageInto(const ResolvedPath& dir, const ResolvedPath& from, bool tree) {
    auto place = [&](const std::string& source, const std::string& target) {
        platform::SysError err;
        struct stat st;
        if (::lstat(source.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            return platform::CopySymbolicLink(source, target, false, &err) ||
                   m_op->Error().Set(err);
        if (platform::LinkFile(source, target, &err))
            return true;
        return m_op->Copy(ResolvedPath{"", source}, ResolvedPath{"", target}, false);
    };
    if (!tree) {
        for (const std::string& name : m_p.files) {
            std::string host;
            platform::SysError err;
            if (!platform::DosToHost(JoinDosPath(from.dos, name), &host, &err, m_context.Drives()))
                return m_op->Error().Set(err);
            if (!place(host, dir.host + "/" + platform::HostBaseName(host)))
                return false;
        }
        return true;
    }
    std::vector<TreeDirectory> listing;
    platform::SysError err;
    if (!ListTree(from.host, &listing, nullptr, &err))
        return m_op->Error().Set(err);
    const std::string root = dir.host + "/" + platform::HostBaseName(from.host);
    for (const TreeDirectory& d : listing) {
        if (!d.readable)
            return m_op->Error().Set(d.error);
        const std::string suffix = d.relative.empty() ? "" : "/" + d.relative;
        if (!platform::MakeDirectory(root + suffix, &err))
            return m_op->Error().Set(err);
        for (const TreeItem& item : d.items)
            if (!place(from.host + suffix + "/" + item.name, root + suffix + "/" + item.name))
                return false;
    }
    return true;
}

void CopyRun::RunZip(const std::string& source, const ZipPathParts* sourceZip,
                     const std::string& target, const ZipPathParts* targetZip) {
    const std::string& workPath = m_context.Options().zipTempPath;
    const bool tree = m_p.IsDirectory();
    Staging staging;
    const std::string nearZip = sourceZip ? sourceZip->zipFile : targetZip->zipFile;
    if (!staging.Make(m_context, nearZip)) {
        platform::SysError err;
        platform::SetError(&err, EACCES, "Cannot make a staging directory", workPath);
        ReportFileFailure(source, target, &err);
        return;
    }

    // The plain side the work starts from: the source itself, or the
    // members extracted from the source zip file.
    ResolvedPath from{source, ""};
    std::string rootName; // the host name a directory source lands under
    std::map<std::string, std::string> memberOfStaged; // staged host path -> real name
    std::unique_ptr<zip::CZipFileOperation> sourceOp;
    if (sourceZip) {
        sourceOp = std::make_unique<zip::CZipFileOperation>(m_context, m_status.get(), workPath);
        std::vector<zip::ZipMemberEntry> members;
        const std::string prefix = sourceZip->inner.empty() ? "" : sourceZip->inner + "\\";
        std::vector<std::string> chosen;
        if (sourceOp->ReadDirectory(sourceZip->zipFile, false, &members) == zip::kOpened &&
            sourceOp->Open(sourceZip->zipFile) == zip::kOpened) {
            sourceOp->SetPassword(m_p.password); // opening forgets it
            for (const zip::ZipMemberEntry& m : members) {
                std::string shown = zip::ZipMemberEntry::PathName(m.StoredName());
                bool take = false;
                if (tree)
                    take = StartsWithNoCase(shown, prefix);
                else
                    for (const std::string& name : m_p.files)
                        take = take || platform::CompareNoCase(shown, prefix + name) == 0;
                if (take)
                    chosen.emplace_back(m.StoredName());
            }
        }
        const ResolvedPath out = {JoinDosPath(staging.path.dos, "X"), staging.path.host + "/X"};
        platform::MakeDirectory(out.host, nullptr);
        if (sourceOp->State() != zip::kOpened ||
            (!chosen.empty() && !sourceOp->ExtractMembers(chosen, out.dos, zip::kStoreRelativePaths,
                                                          false, false, false))) {
            sourceOp->ReportUnzipError("Unable to unzip files from '%s' to %s.\n\n",
                                       Short(sourceZip->zipFile).c_str(), target.c_str());
            m_out.failed += static_cast<int>(tree ? 1 : m_p.files.size());
            return;
        }
        for (const std::string& name : chosen)
            memberOfStaged[out.host + "/" + name] = name;
        from = out;
        for (const std::string& c : Components(sourceZip->inner)) {
            // Stored names keep their own case: the component as extracted.
            from.dos = JoinDosPath(from.dos, c);
            platform::DosToHost(from.dos, &from.host, nullptr, m_context.Drives());
        }
        std::string zipName(platform::LastComponent(sourceZip->zipFile));
        rootName = sourceZip->inner.empty() ? platform::DosNameToHost(zipName)
                                            : platform::HostBaseName(from.host);
        if (tree && !std::filesystem::exists(from.host))
            platform::MakeDirectory(from.host, nullptr); // an empty directory of the zip file
    } else {
        if (!ResolveOrReport(source, &from.host, source, target))
            return;
        rootName = platform::HostBaseName(from.host);
    }

    if (!targetZip) {
        // Zip file to plain: the plain steps, from the staged members.
        ResolvedPath to{target, ""};
        if (!ResolveOrReport(target, &to.host, source, target))
            return;
        std::vector<std::string> placed;
        m_staged = &placed;
        if (tree)
            RunTree(from, to, rootName);
        else
            RunGroup(from, to);
        m_staged = nullptr;
        if (m_move) {
            std::vector<std::string> names;
            for (const std::string& host : placed)
                if (auto it = memberOfStaged.find(host); it != memberOfStaged.end())
                    names.push_back(it->second);
            if (!names.empty() && !sourceOp->DeleteMembers(names))
                sourceOp->ReportZipError("Unable to zip files to '%s'.\n\n",
                                         Short(sourceZip->zipFile).c_str());
            else if (!names.empty())
                Notify(ui::ChangeKind::Changed, sourceZip->zipFile, "", false);
        }
        return;
    }

    // Into a zip file: the sources as a file specification, from a staging
    // directory that holds the path inside the zip file when there is one.
    uint64_t count = 0;
    std::vector<std::string> sources; // DOS paths of the plain files added
    std::vector<TreeDirectory> listing;
    if (tree) {
        platform::SysError err;
        if (ListTree(from.host, &listing, nullptr, &err))
            for (const TreeDirectory& d : listing)
                for (const TreeItem& item : d.items) {
                    ++count;
                    sources.push_back(JoinDosPath(DosBelow(from.dos, d.relative),
                                                  platform::HostNameToDos(item.name)));
                }
    } else {
        count = m_p.files.size();
        for (const std::string& name : m_p.files)
            sources.push_back(JoinDosPath(from.dos, name));
    }
    m_total = count;
    std::string spec;
    int pathMode = m_p.zipPathMode;
    bool recurse = tree;
    const std::vector<std::string> inner = Components(targetZip->inner);
    if (!inner.empty() || sourceZip) {
        ResolvedPath in{JoinDosPath(staging.path.dos, "Z"), staging.path.host + "/Z"};
        bool staged = platform::MakeDirectory(in.host, nullptr);
        for (const std::string& c : inner) {
            in = {JoinDosPath(in.dos, c), in.host + "/" + platform::DosNameToHost(c)};
            staged = staged && platform::MakeDirectory(in.host, nullptr);
        }
        if (!staged || !StageInto(in, from, tree)) {
            m_op->ReportError(nullptr, "Unable to zip files to '%s'.\n\n", Short(target).c_str());
            m_out.failed += static_cast<int>(count);
            return;
        }
        // The staged path inside the zip file is kept whatever the mode.
        const std::string stagedRoot = JoinDosPath(staging.path.dos, "Z");
        if (inner.empty()) {
            if (tree)
                spec = SpecName(JoinDosPath(stagedRoot, platform::HostNameToDos(rootName)));
            else
                for (const std::string& name : m_p.files)
                    spec += (spec.empty() ? "" : " ") + SpecName(JoinDosPath(stagedRoot, name));
            if (pathMode == kZipFullPaths)
                pathMode = kZipRelativePaths;
        } else {
            spec = SpecName(JoinDosPath(stagedRoot, inner.front()));
            pathMode = kZipRelativePaths;
            recurse = true;
        }
    } else if (tree) {
        spec = SpecName(source);
    } else {
        for (const std::string& s : sources)
            spec += (spec.empty() ? "" : " ") + SpecName(s);
    }

    zip::CZipFileOperation targetOp(m_context, m_status.get(), workPath, !m_p.Use83Names());
    targetOp.SetCompressionLevel(m_p.compressionFactor);
    bool added = targetOp.OpenOrCreate(targetZip->zipFile, true) == zip::kOpened;
    if (added) {
        targetOp.SetPassword(m_p.password); // opening forgets it
        added = targetOp.AddFiles(zip::kZipAdd, spec, pathMode, false, recurse);
    }
    if (!added) {
        targetOp.ReportZipError("Unable to zip files to '%s'.\n\n", Short(target).c_str());
        m_out.failed += static_cast<int>(count);
        Handled(count);
        return;
    }
    Notify(ui::ChangeKind::Changed, targetZip->zipFile, "", false);
    m_out.done += static_cast<int>(count);
    Handled(count);
    if (!m_move)
        return;
    if (sourceZip) {
        std::vector<std::string> names;
        for (const auto& [host, real] : memberOfStaged)
            names.push_back(real);
        if (!names.empty() && sourceOp->DeleteMembers(names))
            Notify(ui::ChangeKind::Changed, sourceZip->zipFile, "", false);
        return;
    }
    // A move into a zip file: the sources go once they are in it (those
    // the add left out stay), with their descriptions.
    for (const std::string& dos : sources) {
        bool leftOut = false;
        for (const std::string& skipped : targetOp.SkippedFiles())
            leftOut = leftOut || skipped.find("'" + dos + "'") != std::string::npos;
        if (leftOut || !m_op->Delete(dos))
            continue;
        if (m_p.descriptions && m_fromDescriptions.SetDirectory(platform::ParentDosPath(dos)))
            m_fromDescriptions.Remove(std::string(platform::LastComponent(dos)));
        Notify(ui::ChangeKind::Removed, dos, "", false);
    }
    if (tree) {
        std::vector<ResolvedPath> dirs;
        for (const TreeDirectory& d : listing) {
            dirs.push_back({DosBelow(from.dos, d.relative),
                            d.relative.empty() ? from.host : from.host + "/" + d.relative});
        }
        RemoveSourceDirectories(dirs);
    }
}

} // namespace vorlane::fileops
