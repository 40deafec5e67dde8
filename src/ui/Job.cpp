#include "ui/Job.h"

#include <algorithm>

namespace vorlane::ui {

JobResult RunJobNow(Job& job, OperationContext& context) {
    return job.Run(context);
}

std::string NormalizeDriveLetters(const std::string& text) {
    std::string letters;
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z' && letters.find(c) == std::string::npos)
            letters.push_back(c);
    }
    return letters;
}

bool JobQueue::MayStart(size_t index) const {
    const std::string& mine = m_jobs[index].letters;
    for (size_t i = 0; i < index; ++i) {
        const std::string& earlier = m_jobs[i].letters;
        if (std::any_of(mine.begin(), mine.end(),
                        [&](char c) { return earlier.find(c) != std::string::npos; }))
            return false;
    }
    return true;
}

bool JobQueue::Add(uint64_t id, const std::string& driveLetters) {
    m_jobs.push_back({id, NormalizeDriveLetters(driveLetters), false});
    if (!MayStart(m_jobs.size() - 1))
        return false;
    m_jobs.back().running = true;
    return true;
}

std::vector<uint64_t> JobQueue::Finish(uint64_t id) {
    auto it = std::find_if(m_jobs.begin(), m_jobs.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    if (it != m_jobs.end())
        m_jobs.erase(it);
    std::vector<uint64_t> startable;
    for (size_t i = 0; i < m_jobs.size(); ++i) {
        if (!m_jobs[i].running && MayStart(i)) {
            m_jobs[i].running = true;
            startable.push_back(m_jobs[i].id);
        }
    }
    return startable;
}

bool JobQueue::IsRunning(uint64_t id) const {
    return std::any_of(m_jobs.begin(), m_jobs.end(),
                       [id](const Entry& entry) { return entry.id == id && entry.running; });
}

} // namespace vorlane::ui
