// A command host for tests: drives mapped onto a temporary directory, the
// scripted user interface, and a record of what the line asked of its
// front end (directory changes, help, drive switches, launches).
#pragma once

#include "command/CCommandLine.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/ChangeNotices.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vorlane::command::test {

class TestHost : public CCommandHost {
  public:
    // Drives C: and D: onto c/ and d/ of a fresh temporary directory.
    TestHost() {
        ::mkdir((m_dir / "c").c_str(), 0700);
        ::mkdir((m_dir / "d").c_str(), 0700);
        m_drives = std::make_shared<platform::DriveMap>(
            platform::DriveMap::FromSpec("C=" + m_dir / "c" + ";D=" + m_dir / "d"));
        m_ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << "unexpected " << what; });
    }

    ui::OperationContext Context() override {
        ui::OperationContext context(m_ui, m_drives, m_options, &m_notices);
        context.currentDirectory = currentDirectory;
        return context;
    }
    std::vector<std::string> GroupFiles(int group) override {
        calls.push_back("group " + std::to_string(group));
        return groups[group];
    }
    bool ChangeDirectory(const std::string& dir) override {
        calls.push_back("cd " + dir);
        currentDirectory = dir;
        return true;
    }
    bool ShowDirectory(const std::string& dir, const std::string& pattern) override {
        calls.push_back("dir " + dir + " " + pattern);
        return true;
    }
    void SwitchDrive(char letter) override { calls.push_back(std::string("drive ") + letter); }
    void ShowHelp(int context) override { calls.push_back("help " + std::to_string(context)); }
    bool ConfirmDangerous(const std::string& text, const std::string& caption) override {
        calls.push_back("confirm " + text);
        return m_ui.AskYesNo(text, caption);
    }
    int Launch(const std::string& file, bool existing, const std::vector<std::string>& args,
               const std::string& workDir) override {
        std::string call = std::string(existing ? "open " : "run ") + file;
        for (const std::string& a : args)
            call += " [" + a + "]";
        calls.push_back(call + " in " + workDir);
        return launchResult;
    }
    int ReadSettingInt(const std::string& section, const std::string& key, int def) override {
        auto it = settings.find(section + "/" + key);
        return it == settings.end() ? def : std::stoi(it->second);
    }
    std::string ReadSettingString(const std::string& section, const std::string& key) override {
        auto it = settings.find(section + "/" + key);
        return it == settings.end() ? "" : it->second;
    }

    const platform::MountTable& Mounts() override {
        m_mountTable = std::make_unique<platform::FixedMountTable>(mounts);
        return *m_mountTable;
    }

    // Runs a line; the texts shown are in Ui().
    bool Run(const std::string& line) {
        CCommandLine command(*this);
        return command.Execute(line);
    }
    // The host path of a file on C: ("c/NAME").
    std::string C(const std::string& name) const { return m_dir / ("c/" + name); }
    std::string D(const std::string& name) const { return m_dir / ("d/" + name); }
    ui::ScriptedUserInterface& Ui() { return m_ui; }
    std::vector<std::string> Notices() const { return m_notices.Descriptions(); }

    std::string currentDirectory = "C:\\";
    std::map<int, std::vector<std::string>> groups;
    std::map<std::string, std::string> settings;
    std::vector<std::string> calls;
    int launchResult = 33;
    std::vector<platform::MountEntry> mounts; // none: no drive is a file system's root
    ui::OperationOptions m_options;

  private:
    vorlane::test::TempDir m_dir;
    std::shared_ptr<platform::DriveMap> m_drives;
    ui::ScriptedUserInterface m_ui;
    ui::ChangeRecorder m_notices;
    std::unique_ptr<platform::MountTable> m_mountTable;
};

} // namespace vorlane::command::test
