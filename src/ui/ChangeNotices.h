// Change notices: every change a job makes to files and directories is
// announced once, by DOS path, to whoever listens. The catalogue windows,
// the descriptions and the thumbnails follow the disk through them;
// the job itself never calls those modules.
//
// A job announces through the ChangeSink of its operation context. The sink
// a front end hands out decides where the notices go: the GUI's carries
// them to the GUI thread and every open window; the console's keeps them
// and applies them after each command; a test records them (ChangeRecorder).
//
// Thread rules: a sink is called on the job's thread. ChangeFanOut and
// ChangeRecorder may be called from any thread at once.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vorlane::ui {

enum class ChangeKind {
    Added,   // path now exists (a copy, a new directory, an extracted file)
    Removed, // path no longer exists
    Renamed, // path became newPath (a move or a rename)
    Changed, // path exists and its contents or attributes changed
};

struct ChangeNotice {
    ChangeKind kind = ChangeKind::Changed;
    std::string path;    // full DOS path ("C:\DOCS\A.TXT")
    std::string newPath; // Renamed only: the new full DOS path
    bool directory = false;
    // Added or Changed by a copy: the full DOS path of the file it was
    // copied from ("" otherwise). What follows a file (its thumbnail) is
    // copied with it.
    std::string copiedFrom;

    bool operator==(const ChangeNotice&) const = default;
};

// "Added C:\DOCS\A.TXT", "Renamed C:\A -> C:\B": for tests and logs.
std::string DescribeNotice(const ChangeNotice& notice);

class ChangeSink {
  public:
    virtual ~ChangeSink() = default;
    virtual void Notify(const ChangeNotice& notice) = 0;
};

// A sink that drops every notice: the default of a context without one.
ChangeSink& SilentChangeSink();

// Hands every notice to each subscriber, in the order they subscribed.
// Subscribers are called on the notifying thread, outside the lock.
class ChangeFanOut : public ChangeSink {
  public:
    using Subscriber = std::function<void(const ChangeNotice&)>;
    // The id to unsubscribe with.
    int Subscribe(Subscriber subscriber);
    void Unsubscribe(int id);
    void Notify(const ChangeNotice& notice) override;

  private:
    std::mutex m_mutex;
    std::vector<std::pair<int, Subscriber>> m_subscribers;
    int m_nextId = 1;
};

// Keeps every notice, for tests and for a job's own record of its steps.
class ChangeRecorder : public ChangeSink {
  public:
    void Notify(const ChangeNotice& notice) override;
    std::vector<ChangeNotice> Notices() const;
    // DescribeNotice of each, in order.
    std::vector<std::string> Descriptions() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<ChangeNotice> m_notices;
};

} // namespace vorlane::ui
