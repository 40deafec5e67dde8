#include "catalogue/CFileInfo.h"

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/private/RecordPool.h"
#include "platform/DosPath.h"

#include <sys/stat.h>

namespace vorlane::catalogue {

namespace {

detail::RecordPool& Pool() {
    // Never destroyed: a record freed during the program's exit still finds it.
    static detail::RecordPool* pool = new detail::RecordPool(sizeof(CFileInfo));
    return *pool;
}

} // namespace

void* CFileInfo::operator new(std::size_t size) {
    if (size == sizeof(CFileInfo))
        return Pool().Allocate();
    return ::operator new(size);
}

void CFileInfo::operator delete(void* p, std::size_t size) {
    if (size == sizeof(CFileInfo))
        Pool().Free(p);
    else
        ::operator delete(p);
}

CFileInfo::CFileInfo(std::string name, uint64_t size, platform::DosDateTime when, uint32_t mode,
                     int32_t index) {
    m_name = std::move(name);
    m_size = size;
    m_date = when.date;
    m_time = when.time;
    m_index = index;
    uint32_t attributes = platform::kAttrArchive;
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= platform::kAttrReadOnly;
    if (!m_name.empty() && m_name[0] == '.')
        attributes |= platform::kAttrHidden;
    m_attributes = attributes;
    m_attributesPending = true;
}

CFileInfo::CFileInfo(const platform::FileEntry& entry, int32_t index) {
    m_name = platform::HostNameToDos(entry.name);
    m_size = entry.size;
    m_date = entry.dosTime.date;
    m_time = entry.dosTime.time;
    m_attributes = entry.attributes & ~static_cast<uint32_t>(platform::kAttrDirectory);
    m_index = index;
}

std::string CFileInfo::HostPath() const {
    if (m_parent == nullptr)
        return "";
    std::string dir = m_parent->HostPath();
    if (dir.empty())
        return "";
    if (dir.back() != '/')
        dir.push_back('/');
    return dir + platform::DosNameToHost(m_name);
}

uint32_t CFileInfo::Attributes() const {
    if (m_attributesPending) {
        m_attributesPending = false;
        uint32_t bits = 0;
        std::string host = HostPath();
        if (!host.empty() && platform::GetAttributes(host, &bits))
            m_attributes = bits & ~static_cast<uint32_t>(platform::kAttrDirectory);
    }
    return m_attributes;
}

void CFileInfo::SetAttributes(uint32_t attributes) {
    m_attributes = attributes;
    m_attributesPending = false;
}

bool CFileInfo::RefreshFromDisk() {
    std::string host = HostPath();
    platform::FileEntry entry;
    if (host.empty() || !platform::StatEntry(host, &entry) || entry.isDirectory)
        return false;
    uint32_t bits = 0;
    if (platform::GetAttributes(host, &bits))
        SetAttributes(bits & ~static_cast<uint32_t>(platform::kAttrDirectory));
    m_size = entry.size;
    m_date = entry.dosTime.date;
    m_time = entry.dosTime.time;
    return true;
}

} // namespace vorlane::catalogue
