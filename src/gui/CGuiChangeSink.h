// CGuiChangeSink: where the jobs started from the windows announce their
// changes. Notices may come from any thread; they are collected and handed,
// on the GUI thread, to every open file manager window
// (BroadcastCatalogueChange), which brings its tree and list up to date.
//
// Notices that arrive while earlier ones wait are delivered together, one
// per changed directory (the first path changed there), so a job copying a
// thousand files into one directory makes the windows read it again a few
// times, not a thousand. A notice made on the GUI thread itself (a job run
// at once there) is delivered before Notify returns.
//
// Lives on the GUI thread.
#pragma once

#include "ui/ChangeNotices.h"

#include <QObject>

#include <mutex>
#include <vector>

namespace vorlane::gui {

class CGuiChangeSink : public QObject, public ui::ChangeSink {
    Q_OBJECT
  public:
    explicit CGuiChangeSink(QObject* parent = nullptr) : QObject(parent) {}
    void Notify(const ui::ChangeNotice& notice) override;
    // Delivers what is waiting now (GUI thread).
    void Flush();

  private:
    std::mutex m_mutex;
    std::vector<ui::ChangeNotice> m_pending;
    bool m_scheduled = false;
};

} // namespace vorlane::gui
