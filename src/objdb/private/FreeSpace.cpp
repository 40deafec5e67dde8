#include "objdb/private/FreeSpace.h"

namespace vorlane::objdb::detail {

void FreeSpace::Clear() {
    m_byStart.clear();
    m_bySize.clear();
    m_blocks = 0;
}

void FreeSpace::Insert(uint32_t start, uint32_t count) {
    m_byStart.emplace(start, count);
    m_bySize.emplace(count, start);
}

void FreeSpace::Erase(std::map<uint32_t, uint32_t>::iterator it) {
    m_bySize.erase({it->second, it->first});
    m_byStart.erase(it);
}

void FreeSpace::Release(uint32_t start, uint32_t count) {
    if (count == 0)
        return;
    m_blocks += count;
    auto next = m_byStart.lower_bound(start);
    if (next != m_byStart.begin()) {
        auto prev = std::prev(next);
        if (prev->first + prev->second == start) {
            start = prev->first;
            count += prev->second;
            Erase(prev);
        }
    }
    next = m_byStart.lower_bound(start);
    if (next != m_byStart.end() && start + count == next->first) {
        count += next->second;
        Erase(next);
    }
    Insert(start, count);
}

bool FreeSpace::Take(uint32_t count, uint32_t* start) {
    auto best = m_bySize.lower_bound({count, 0});
    if (best == m_bySize.end())
        return false;
    uint32_t size = best->first, at = best->second;
    Erase(m_byStart.find(at));
    if (size > count)
        Insert(at + count, size - count);
    m_blocks -= count;
    *start = at;
    return true;
}

} // namespace vorlane::objdb::detail
