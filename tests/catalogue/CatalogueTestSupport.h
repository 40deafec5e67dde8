// Fixtures of the catalogue tests: a drive letter mapped onto a temporary
// directory, the scripted user interface, a view that records what the
// catalogue shows, and an in-memory directory for the algorithms that need
// no disk.
#pragma once

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDriveContainer.h"
#include "catalogue/CFileInfo.h"
#include "catalogue/CatalogueServices.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::catalogue::testing {

// Installs a drive map for the lifetime of the object.
class ScopedDriveMap {
  public:
    explicit ScopedDriveMap(const std::string& spec) : m_old(*platform::DriveMap::Current()) {
        platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec(spec));
    }
    ~ScopedDriveMap() { platform::DriveMap::SetCurrent(m_old); }

  private:
    platform::DriveMap m_old;
};

class RecordingView : public CCatalogueView {
  public:
    void SetStatusText(int field, const std::string& text, bool repaint) override {
        fields[field] = text;
        (void)repaint;
    }
    void FileListChanged() override { ++fileListChanges; }
    void TreeChanged() override { ++treeChanges; }

    std::map<int, std::string> fields;
    int fileListChanges = 0;
    int treeChanges = 0;
};

// A directory whose records a test adds by hand.
class MemoryDirectory : public CDirectoryContainer {
  public:
    explicit MemoryDirectory(std::string path = "C:\\MEM") : CDirectoryContainer(nullptr, path) {}
    int Kind() const override { return kDirectoryPlain; }
    bool ReadFileList(const CCatalogueEnvironment&) override { return true; }

    // Adds a file with known attributes; returns it.
    CFileInfo* Add(const std::string& name, uint64_t size = 0, uint16_t date = 0, uint16_t time = 0,
                   uint32_t attributes = 0x20) {
        auto file = std::make_unique<CFileInfo>(name, size, platform::DosDateTime{date, time}, 0644,
                                                EntryCount());
        file->SetAttributes(attributes);
        return static_cast<CFileInfo*>(AddFile(std::move(file)));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& file : Files())
            names.push_back(file->Name());
        return names;
    }
};

// A temporary directory mapped as drive C:, the scripted user interface
// installed, and helpers that build trees below the drive.
class DriveTest : public ::testing::Test {
  protected:
    DriveTest() : m_drive(m_temp / "c"), m_map(MakeRoot(m_temp / "c")), m_scoped(&m_ui) {
        m_ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << what; });
        m_env.view = &m_view;
        m_env.SetOptions(CCatalogueOptions{});
    }

    // Host path of a path relative to the drive's root ("A/B").
    std::string Host(const std::string& relative) const { return m_drive + "/" + relative; }
    void MakeDir(const std::string& relative);
    void MakeFile(const std::string& relative, const std::string& content = "");
    void MakeLink(const std::string& target, const std::string& relative);
    // Every directory path of a drive, in vector order.
    static std::vector<std::string> Paths(const CDriveContainer& drive);

    test::TempDir m_temp;
    std::string m_drive;
    ScopedDriveMap m_map;
    ui::ScriptedUserInterface m_ui;
    ui::ScopedUserInterface m_scoped;
    RecordingView m_view;
    CCatalogueEnvironment m_env;

  private:
    static std::string MakeRoot(const std::string& dir);
};

} // namespace vorlane::catalogue::testing
