// Fixture of the copy and move driver tests: trees made and read back as
// text lines, a run with its change notices recorded.
#pragma once

#include "FileOpsTestSupport.h"

#include "fileops/CCopyDirectory.h"
#include "ui/ChangeNotices.h"

#include <filesystem>
#include <functional>
#include <unistd.h>

namespace vorlane::fileops::testing {

using Strings = std::vector<std::string>;

// Makes a tree below a host directory from lines: "A/B/" a directory,
// "A/F.TXT=bytes" a file, "A/L->text" a symbolic link (parents made).
inline void MakeTree(const std::string& root, const Strings& lines) {
    for (const std::string& line : lines) {
        size_t eq = line.find('='), arrow = line.find("->");
        std::string rel = line.substr(0, std::min(eq, arrow));
        std::filesystem::path path = std::filesystem::path(root) / rel;
        std::filesystem::create_directories(rel.back() == '/' ? path : path.parent_path());
        if (arrow != std::string::npos && (eq == std::string::npos || arrow < eq))
            EXPECT_EQ(::symlink(line.substr(arrow + 2).c_str(), path.c_str()), 0) << line;
        else if (eq != std::string::npos)
            test::WriteFile(path.string(), line.substr(eq + 1));
    }
}

// The tree below a host directory in the same lines, sorted; links never
// followed. Temporary files show too (none may be left).
inline Strings ReadTree(const std::string& root) {
    Strings lines;
    if (!std::filesystem::exists(std::filesystem::symlink_status(root)))
        return lines;
    for (auto it = std::filesystem::recursive_directory_iterator(root);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        std::string rel = it->path().lexically_relative(root).string();
        if (it->is_symlink())
            lines.push_back(rel + "->" + std::filesystem::read_symlink(it->path()).string());
        else if (it->is_directory())
            lines.push_back(rel + "/");
        else
            lines.push_back(rel + "=" + test::ReadFile(it->path().string()));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CopyTest : public FileOpsTest {
  protected:
    static CCopyParameters Params(int kind, const std::string& source, Strings files,
                                  const std::string& target, uint32_t flags = 0) {
        CCopyParameters p;
        p.operation = kind;
        p.flags = flags;
        p.sourceDirectory = source;
        p.files = std::move(files);
        p.targetPath = target;
        return p;
    }
    // Runs at once; the notices land in recorder. A tree run asks before
    // each directory it makes: give the answers first (YesToAll once).
    CCopyOutcome Run(const CCopyParameters& p) {
        ui::OperationContext runContext = context.WithNotices(*recorder);
        return RunCopy(p, runContext);
    }
    Strings Notices() const { return recorder->Descriptions(); }
    void ForgetNotices() { recorder = std::make_unique<ui::ChangeRecorder>(); }
    const ui::StatusLog& Status() const { return *ui.StatusWindows().back(); }
    Strings StatusTexts() const { return Status().Texts(ui::StatusLog::Call::CurrentMessage); }
    // Messages and questions shown, in order.
    Strings Shown() const { return ui.Texts(); }

    std::unique_ptr<ui::ChangeRecorder> recorder = std::make_unique<ui::ChangeRecorder>();
};

} // namespace vorlane::fileops::testing
