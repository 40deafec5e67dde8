#include "objdb/CAppObjectDatabase.h"

namespace vorlane::objdb {

CAppObjectDatabase::~CAppObjectDatabase() {
    Close();
}

bool CAppObjectDatabase::Open(const std::string& hostPath, int maxRecordSize, std::string* error) {
    if (m_db.Open(hostPath, /*createIfMissing=*/true, maxRecordSize))
        return true;
    if (error == nullptr)
        return false;
    const std::string detail = m_db.LastErrorDetail();
    switch (m_db.LastOpenStatus()) {
    case kKfInUse:
        // Only a running Vorlane holds the file's lock.
        *error = "Another Vorlane is running: '" + hostPath + "' is in use.";
        break;
    case kKfBadMagic:
    case kKfDamaged:
    case kKfBadByteOrder:
    case kKfBadKeyType:
        *error = "The file is damaged: " + detail;
        break;
    default:
        // The engine's sentence names the system's error (permission, a
        // read-only or full disk, a file that is not a regular one).
        *error = detail.empty() ? m_db.LastErrorText() : detail;
        break;
    }
    return false;
}

void CAppObjectDatabase::Close() {
    if (m_db.IsOpen())
        m_db.Close();
}

bool CAppObjectDatabase::GetUserParameter(const std::string& name, std::vector<uint8_t>* data) {
    return m_db.IsOpen() && m_db.GetParameter(name, data);
}

bool CAppObjectDatabase::PutUserParameter(const std::string& name,
                                          const std::vector<uint8_t>& data) {
    return m_db.IsOpen() && m_db.PutParameter(name, data) && m_db.Flush();
}

std::unique_ptr<app::IAppDatabase> MakeAppDatabase() {
    return std::make_unique<CAppObjectDatabase>();
}

} // namespace vorlane::objdb
