// IAppDatabase: the object database (VORLN32.DAT) as the application
// object sees it. The object database module implements it and is plugged
// in through AppServices::makeDatabase; the application opens it first at
// start-up, keeps it open for the whole run and closes it last.
//
// The open is exclusive: a second instance fails there and the program
// ends with the message of VorlaneApp::kDatabaseOpenFailed and the reason
// on the line after it, before the settings are read.
#pragma once

#include <string>

namespace vorlane::app {

class IUserParameterStore;

class IAppDatabase {
  public:
    virtual ~IAppDatabase() = default;
    // Opens hostPath for exclusive use, creating it when missing, with the
    // given largest record size. False on failure, with *error set to one
    // line saying why as far as it is known (another instance holds the
    // file, the file is damaged, the system's error), for the user.
    virtual bool Open(const std::string& hostPath, int maxRecordSize, std::string* error) = 0;
    virtual void Close() = 0;
    // The user parameters (object kind 7) of the open database.
    virtual IUserParameterStore* UserParameters() = 0;
};

} // namespace vorlane::app
