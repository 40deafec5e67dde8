// Fixture of the file operation tests: drives C: and D: mapped onto two
// directories of one temporary directory (so a move between them takes
// the copy-and-delete path on one file system), the scripted user
// interface installed, the fault-injection seam reset around every test.
#pragma once

#include "fileops/CFileOperation.h"
#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <vector>

namespace vorlane::fileops::testing {

// Bytes that differ from block to block (fixed seed).
inline std::string PatternBytes(size_t size, uint32_t seed = 7) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Names in a host directory, sorted (hidden temporary files included).
inline std::vector<std::string> Listing(const std::string& hostDir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(hostDir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What a test remembers of a file to prove later that it is untouched.
struct FileSnapshot {
    bool exists = false;
    std::string bytes;
    uint32_t attributes = 0;
    mode_t mode = 0;
    platform::FileTime lastWrite;

    static FileSnapshot Of(const std::string& hostPath) {
        FileSnapshot s;
        struct stat st;
        if (::lstat(hostPath.c_str(), &st) != 0)
            return s;
        s.exists = true;
        s.mode = st.st_mode & 07777;
        s.bytes = test::ReadFile(hostPath);
        platform::GetAttributes(hostPath, &s.attributes);
        platform::GetFileTimes(hostPath, nullptr, nullptr, &s.lastWrite);
        return s;
    }
    friend bool operator==(const FileSnapshot&, const FileSnapshot&) = default;
};

class FileOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::fault::Reset();
        m_oldUmask = ::umask(022);
        ::mkdir(cRoot.c_str(), 0755);
        ::mkdir(dRoot.c_str(), 0755);
        m_oldMap = *platform::DriveMap::Current();
        platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + cRoot + ";D=" + dRoot));
        ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << "unexpected: " << what; });
    }
    void TearDown() override {
        platform::fault::Reset();
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            ::umount2(it->c_str(), MNT_DETACH);
        platform::DriveMap::SetCurrent(m_oldMap);
        ::umask(m_oldUmask);
        EXPECT_TRUE(ui.AllAnswersUsed());
    }

    // The host path of a DOS path on C: or D: ("C:\A\B.TXT" -> <c>/A/B.TXT).
    std::string Host(std::string dosPath) const {
        std::replace(dosPath.begin(), dosPath.end(), '\\', '/');
        return ((dosPath[0] & ~0x20) == 'C' ? cRoot : dRoot) + dosPath.substr(2);
    }
    void Make(const std::string& dosPath, const std::string& bytes) {
        test::WriteFile(Host(dosPath), bytes);
    }
    std::string Bytes(const std::string& dosPath) { return test::ReadFile(Host(dosPath)); }
    bool Exists(const std::string& dosPath) const { return test::FileExists(Host(dosPath)); }

    // Mounts a file system of its own (a tmpfs of size bytes) on an empty
    // host directory, for moves between file systems and a full disk; the
    // tests run as root. False when the system refuses (the caller skips).
    // Unmounted when the test ends.
    bool MountTmpfs(const std::string& hostDir, const std::string& size = "64m") {
        ::mkdir(hostDir.c_str(), 0755);
        std::string options = "size=" + size + ",mode=0755";
        if (::mount("tmpfs", hostDir.c_str(), "tmpfs", 0, options.c_str()) != 0)
            return false;
        m_mounts.push_back(hostDir);
        return true;
    }

    // A context of the scripted interface with C:, D: and E: (E: a third
    // directory of the temporary directory, on C:'s file system).
    ui::OperationContext ContextWithDriveE() {
        const std::string eRoot = dir / "e";
        ::mkdir(eRoot.c_str(), 0755);
        return ui::OperationContext{
            ui, std::make_shared<platform::DriveMap>(
                    platform::DriveMap::FromSpec("C=" + cRoot + ";D=" + dRoot + ";E=" + eRoot))};
    }

    // A status window of the scripted interface (cancelling from the given
    // check on, when not 0) and the record of the last one made.
    ui::StatusWindow* NewStatus(int cancelAtCheck = 0) {
        if (cancelAtCheck > 0)
            ui.CancelNextStatusWindowAt(cancelAtCheck);
        m_windows.push_back(ui.MakeStatusWindow(ui::StatusKind::Operation, "Test"));
        return m_windows.back().get();
    }
    const ui::StatusLog& LastLog() const { return *ui.StatusWindows().back(); }
    std::vector<std::string> Texts() const {
        return LastLog().Texts(ui::StatusLog::Call::CurrentMessage);
    }
    std::vector<int> Percents() const {
        return LastLog().Percents(ui::StatusLog::Call::CurrentPercent);
    }

    test::TempDir dir;
    std::string cRoot = dir / "c", dRoot = dir / "d";
    ui::ScriptedUserInterface ui;
    ui::ScopedUserInterface scoped{&ui};
    // What an operation of the tests works in: the scripted interface and
    // drives C: and D: on the two directories.
    ui::OperationContext context{ui,
                                 std::make_shared<platform::DriveMap>(
                                     platform::DriveMap::FromSpec("C=" + cRoot + ";D=" + dRoot))};

  private:
    platform::DriveMap m_oldMap;
    mode_t m_oldUmask = 0;
    std::vector<std::unique_ptr<ui::StatusWindow>> m_windows;
    std::vector<std::string> m_mounts;
};

// Tuning that shows every block.
inline CFileOperation::Tuning BlockByBlock(bool kernelCopy = true) {
    CFileOperation::Tuning tuning;
    tuning.blocksPerStep = 1;
    tuning.kernelCopy = kernelCopy;
    return tuning;
}

} // namespace vorlane::fileops::testing
