// CObjectDatabaseUserParameters: the application's door to the object
// database at start-up and for its user parameters (the list fonts,
// "Thumbnail Settings", "Image Conversion Settings"): named records of
// object kind 7. The application object owns one for the whole run, opens
// it before anything else and closes it last; a second instance fails at
// Open because the database is held exclusively.
//
// The methods are plain so that a small bridge can present them as the
// application's user-parameter store. Put changes become durable at Flush()
// or Close().
#pragma once

#include "objdb/CObjectDatabase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::objdb {

class CObjectDatabaseUserParameters {
  public:
    // Opens (creating when createIfMissing) the database at hostPath for
    // exclusive use. False when it cannot, also when another instance holds
    // it; LastErrorText() then reads "Unable to create/open object database
    // '<hostPath>'." and LastErrorDetail() says why.
    bool Open(const std::string& hostPath, bool createIfMissing, int maxRecordSize);
    // The record named name, of any length (callers check lengths: a font
    // record counts only at exactly 60 bytes). False when there is none or it
    // cannot be read.
    bool GetParameter(const std::string& name, std::vector<uint8_t>* bytes);
    // Stores bytes under name, replacing a record of that name.
    bool PutParameter(const std::string& name, const std::vector<uint8_t>& bytes);
    bool Flush();
    void Close();
    bool IsOpen() const { return m_database.IsOpen(); }
    std::string LastErrorText() const { return m_database.LastErrorMessage(); }
    std::string LastErrorDetail() const { return m_database.LastErrorDetail(); }
    int32_t LastOpenStatus() const { return m_database.LastOpenStatus(); }
    // The whole database, for the parts that keep other kinds in it.
    CObjectDatabase& Database() { return m_database; }

  private:
    CObjectDatabase m_database;
};

} // namespace vorlane::objdb
