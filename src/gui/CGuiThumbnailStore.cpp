#include "gui/CGuiThumbnailStore.h"

#include "app/VorlaneApp.h"
#include "objdb/CAppObjectDatabase.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace vorlane::gui {

namespace {

// The database's thumbnails on the GUI thread; none without a database.
class CAppThumbnailStore : public viewers::IThumbnailStore {
  public:
    bool Get(const std::string& key, std::vector<uint8_t>* data) override {
        auto store = Store();
        return store && store->Get(key, data);
    }
    bool Put(const std::string& key, const std::vector<uint8_t>& data) override {
        auto store = Store();
        return store && store->Put(key, data);
    }
    bool Delete(const std::string& key) override {
        auto store = Store();
        return store && store->Delete(key);
    }
    std::vector<std::string> Names() override {
        auto store = Store();
        return store ? store->Names() : std::vector<std::string>();
    }
    std::string LastError() override {
        auto store = Store();
        return store ? store->LastError() : "An object database is NOT opened!";
    }

  private:
    static std::optional<viewers::CObjectDatabaseThumbnailStore> Store() {
        app::VorlaneApp* a = app::VorlaneApp::Current();
        auto* db = a ? dynamic_cast<objdb::CAppObjectDatabase*>(a->Database()) : nullptr;
        if (!db || !db->Database().IsOpen())
            return std::nullopt;
        return std::optional<viewers::CObjectDatabaseThumbnailStore>(std::in_place,
                                                                     db->Database().Database());
    }
};

bool OnGuiThread() {
    return QCoreApplication::instance() == nullptr ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

viewers::IThumbnailStore& AppThumbnailStore() {
    static CAppThumbnailStore store;
    return store;
}

template <typename T, typename F> T CGuiThumbnailStore::OnGui(F call, T failed) {
    if (OnGuiThread())
        return call(AppThumbnailStore());
    struct Waiting {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> result;
    };
    auto waiting = std::make_shared<Waiting>();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [waiting, call] {
            T result = call(AppThumbnailStore());
            std::lock_guard<std::mutex> lock(waiting->mutex);
            waiting->result = std::move(result);
            waiting->done.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(waiting->mutex);
    while (!waiting->result) {
        if (m_giveUp && m_giveUp->load())
            return failed;
        waiting->done.wait_for(lock, std::chrono::milliseconds(50));
    }
    return std::move(*waiting->result);
}

bool CGuiThumbnailStore::Get(const std::string& key, std::vector<uint8_t>* data) {
    auto got = OnGui(
        [key](viewers::IThumbnailStore& s) {
            std::vector<uint8_t> bytes;
            return s.Get(key, &bytes) ? std::optional<std::vector<uint8_t>>(std::move(bytes))
                                      : std::nullopt;
        },
        std::optional<std::vector<uint8_t>>());
    if (!got)
        return false;
    *data = std::move(*got);
    return true;
}

bool CGuiThumbnailStore::Put(const std::string& key, const std::vector<uint8_t>& data) {
    return OnGui([key, data](viewers::IThumbnailStore& s) { return s.Put(key, data); }, false);
}

bool CGuiThumbnailStore::Delete(const std::string& key) {
    return OnGui([key](viewers::IThumbnailStore& s) { return s.Delete(key); }, false);
}

std::vector<std::string> CGuiThumbnailStore::Names() {
    return OnGui([](viewers::IThumbnailStore& s) { return s.Names(); }, std::vector<std::string>());
}

std::string CGuiThumbnailStore::LastError() {
    return OnGui([](viewers::IThumbnailStore& s) { return s.LastError(); }, std::string());
}

} // namespace vorlane::gui
