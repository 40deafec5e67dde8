#include "ui/ChangeNotices.h"

#include <algorithm>

namespace vorlane::ui {

std::string DescribeNotice(const ChangeNotice& notice) {
    switch (notice.kind) {
    case ChangeKind::Added:
        return "Added " + notice.path;
    case ChangeKind::Removed:
        return "Removed " + notice.path;
    case ChangeKind::Renamed:
        return "Renamed " + notice.path + " -> " + notice.newPath;
    case ChangeKind::Changed:
        break;
    }
    return "Changed " + notice.path;
}

namespace {

class Silent : public ChangeSink {
  public:
    void Notify(const ChangeNotice&) override {}
};

} // namespace

ChangeSink& SilentChangeSink() {
    static Silent silent;
    return silent;
}

int ChangeFanOut::Subscribe(Subscriber subscriber) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int id = m_nextId++;
    m_subscribers.emplace_back(id, std::move(subscriber));
    return id;
}

void ChangeFanOut::Unsubscribe(int id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_subscribers, [id](const auto& entry) { return entry.first == id; });
}

void ChangeFanOut::Notify(const ChangeNotice& notice) {
    std::vector<Subscriber> subscribers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& entry : m_subscribers)
            subscribers.push_back(entry.second);
    }
    for (const Subscriber& subscriber : subscribers)
        subscriber(notice);
}

void ChangeRecorder::Notify(const ChangeNotice& notice) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_notices.push_back(notice);
}

std::vector<ChangeNotice> ChangeRecorder::Notices() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_notices;
}

std::vector<std::string> ChangeRecorder::Descriptions() const {
    std::vector<std::string> texts;
    for (const ChangeNotice& notice : Notices())
        texts.push_back(DescribeNotice(notice));
    return texts;
}

} // namespace vorlane::ui
