#include "objdb/CObjectDatabaseUserParameters.h"

namespace vorlane::objdb {

bool CObjectDatabaseUserParameters::Open(const std::string& hostPath, bool createIfMissing,
                                         int maxRecordSize) {
    return m_database.Open(hostPath, createIfMissing, maxRecordSize);
}

bool CObjectDatabaseUserParameters::GetParameter(const std::string& name,
                                                 std::vector<uint8_t>* bytes) {
    return m_database.GetObjectAllocated(kObjectKindSettings, name, bytes);
}

bool CObjectDatabaseUserParameters::PutParameter(const std::string& name,
                                                 const std::vector<uint8_t>& bytes) {
    return m_database.PutObject(kObjectKindSettings, name, bytes.data(), bytes.size());
}

bool CObjectDatabaseUserParameters::Flush() {
    return m_database.Flush();
}

void CObjectDatabaseUserParameters::Close() {
    m_database.Close();
}

} // namespace vorlane::objdb
