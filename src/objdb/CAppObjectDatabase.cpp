#include "objdb/CAppObjectDatabase.h"

namespace vorlane::objdb {

CAppObjectDatabase::~CAppObjectDatabase() {
    Close();
}

bool CAppObjectDatabase::Open(const std::string& hostPath, int maxRecordSize, std::string* error) {
    if (m_db.Open(hostPath, /*createIfMissing=*/true, maxRecordSize))
        return true;
    if (error) {
        *error = m_db.LastErrorText();
        const std::string detail = m_db.LastErrorDetail();
        if (!detail.empty())
            *error += " " + detail;
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
