// The object database as the application object sees it: VORLN32.DAT
// opened for exclusive use at start-up, its user parameters (object kind
// 7: the list fonts, "Thumbnail Settings") read and written by name, and a
// commit at close.
//
// Front ends hand MakeAppDatabase to VorlaneApp through AppServices; the
// application owns the object for the whole run.
//
// Threads: like the database inside it (CObjectDatabase.h), it is opened,
// used and closed by the thread that runs the application: the GUI thread,
// the console's one thread in a console run, a test's thread in tests. It
// takes no lock; worker threads never call it, not even for a user
// parameter.
#pragma once

#include "app/IAppDatabase.h"
#include "app/IUserParameterStore.h"
#include "objdb/CObjectDatabaseUserParameters.h"

#include <memory>

namespace vorlane::objdb {

class CAppObjectDatabase : public app::IAppDatabase, public app::IUserParameterStore {
  public:
    ~CAppObjectDatabase() override;

    // Fails when the file cannot be made or read, or another instance holds
    // it; *error gets the reason in one line for the user: "Another Vorlane
    // is running: ...", "The file is damaged: ...", or the system's error.
    bool Open(const std::string& hostPath, int maxRecordSize, std::string* error) override;
    void Close() override;
    app::IUserParameterStore* UserParameters() override { return this; }

    bool GetUserParameter(const std::string& name, std::vector<uint8_t>* data) override;
    // Stores and commits, so a parameter saved is kept even if the run ends badly.
    bool PutUserParameter(const std::string& name, const std::vector<uint8_t>& data) override;

    CObjectDatabaseUserParameters& Database() { return m_db; }

  private:
    CObjectDatabaseUserParameters m_db;
};

std::unique_ptr<app::IAppDatabase> MakeAppDatabase();

} // namespace vorlane::objdb
