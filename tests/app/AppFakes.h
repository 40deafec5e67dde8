// Stand-ins for the pieces the application object is plugged into: an
// object database with an in-memory user-parameter store, a main frame, the
// start-up actions and the habitab hook. Each records what it was asked.
#pragma once

#include "app/FrameSettings.h"
#include "app/IAppDatabase.h"
#include "app/IHabitabSettings.h"
#include "app/IMainFrame.h"
#include "app/IUserParameterStore.h"
#include "app/VorlaneApp.h"
#include "platform/Profile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::test {

class FakeParameterStore : public app::IUserParameterStore {
  public:
    bool GetUserParameter(const std::string& name, std::vector<uint8_t>* data) override {
        auto it = records.find(name);
        if (it == records.end())
            return false;
        *data = it->second;
        return true;
    }
    bool PutUserParameter(const std::string& name, const std::vector<uint8_t>& data) override {
        if (refusePuts)
            return false;
        records[name] = data;
        return true;
    }
    std::map<std::string, std::vector<uint8_t>> records;
    bool refusePuts = false;
};

// What a FakeDatabase did, shared with the test after the application owns it.
struct DatabaseLog {
    std::string openedPath;
    int maxRecordSize = 0;
    bool closed = false;
    FakeParameterStore store;
};

class FakeDatabase : public app::IAppDatabase {
  public:
    FakeDatabase(std::shared_ptr<DatabaseLog> log, bool failOpen)
        : m_log(std::move(log)), m_failOpen(failOpen) {}
    bool Open(const std::string& hostPath, int maxRecordSize, std::string* error) override {
        m_log->openedPath = hostPath;
        m_log->maxRecordSize = maxRecordSize;
        if (m_failOpen)
            *error = "locked by another instance";
        return !m_failOpen;
    }
    void Close() override { m_log->closed = true; }
    app::IUserParameterStore* UserParameters() override { return &m_log->store; }

  private:
    std::shared_ptr<DatabaseLog> m_log;
    bool m_failOpen;
};

inline app::AppServices DatabaseServices(std::shared_ptr<DatabaseLog> log, bool failOpen = false) {
    app::AppServices services;
    services.makeDatabase = [log, failOpen] {
        return std::make_unique<FakeDatabase>(log, failOpen);
    };
    return services;
}

class FakeFrame : public app::IMainFrame {
  public:
    void Create(const platform::ProfileFile& settings) override {
        created = true;
        frame = app::FrameSettings::Read(settings);
    }
    void ShowStartupNotice(const std::string& name, const std::string& version,
                           const std::string& problem) override {
        notice = name + " " + version;
        noticeProblem = problem;
    }
    bool CanCloseAllWindows() override { return canClose; }
    bool HasFileManagerWindows() const override { return hasWindows; }
    std::vector<app::OpenWindowInfo> OpenFileManagerWindows() const override { return windows; }
    void CleanUp(platform::ProfileFile& settings) override {
        ++cleanUps;
        frame.Write(settings);
    }

    bool created = false;
    std::string notice;
    std::string noticeProblem;
    bool canClose = true;
    bool hasWindows = true;
    int cleanUps = 0;
    app::FrameSettings frame;
    std::vector<app::OpenWindowInfo> windows;
};

class FakeActions : public app::IStartupActions {
  public:
    void ShowLogDriveDialog() override { calls.push_back("log drive dialog"); }
    void LogCurrentDrive() override { calls.push_back("log current drive"); }
    void NewArchive() override { calls.push_back("new archive"); }
    void OpenArchive() override { calls.push_back("open archive"); }
    void OpenSavedWindow(const app::SavedWindow& w) override {
        calls.push_back("window " + w.driveName);
        opened.push_back(w);
    }
    std::vector<std::string> calls;
    std::vector<app::SavedWindow> opened;
};

// Writes one marker key on save and remembers that it was loaded.
class FakeHabitabs : public app::IHabitabSettings {
  public:
    void Load(const platform::ProfileFile& settings) override {
        ++loads;
        loadedCount = settings.GetInt("General", "# of Habitabs", 0);
    }
    void Save(platform::ProfileFile& settings) override {
        ++saves;
        settings.WriteInt("General", "# of Habitabs", 1);
        settings.WriteString("Habitab 00 Settings", "Name", "Default");
    }
    int loads = 0;
    int saves = 0;
    int loadedCount = -1;
};

} // namespace vorlane::test
