#include "platform/MimeTypes.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace vorlane::platform {

namespace {

// Descriptions by MIME type name, most recently used first.
class DescriptionCache {
  public:
    using Text = std::shared_ptr<const std::string>;

    // The kept description of type; null when it is not kept.
    Text Find(const std::string& type) {
        auto it = m_index.find(type);
        if (it == m_index.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return it->second->second;
    }

    Text Keep(const std::string& type, std::string description) {
        if (m_index.size() >= kTypeNameCacheLimit) {
            m_index.erase(m_order.back().first);
            m_order.pop_back();
        }
        m_order.emplace_front(type, std::make_shared<const std::string>(std::move(description)));
        m_index.emplace(type, m_order.begin());
        return m_order.front().second;
    }

    size_t Size() const { return m_index.size(); }

  private:
    std::list<std::pair<std::string, Text>> m_order;
    std::unordered_map<std::string, std::list<std::pair<std::string, Text>>::iterator> m_index;
};

std::mutex g_mutex;
DescriptionCache g_cache; // guarded by g_mutex

} // namespace

std::string ExtensionTypeName(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == fileName.size())
        return "File";
    std::string ext(fileName.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext + " File";
}

std::shared_ptr<const std::string> FileTypeName(std::string_view fileName) {
    // QMimeDatabase objects are cheap handles on one shared, locked database.
    QMimeDatabase database;
    QMimeType type = database.mimeTypeForFile(
        QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size())),
        QMimeDatabase::MatchExtension);
    // No pattern matched: the database's default type, which says nothing.
    if (!type.isValid() || type.isDefault())
        return std::make_shared<const std::string>(ExtensionTypeName(fileName));
    std::string name = type.name().toStdString();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (auto kept = g_cache.Find(name))
            return kept;
    }
    // A type without a description gives its own name back as its comment.
    QString comment = type.comment();
    if (comment.isEmpty() || comment == type.name())
        return std::make_shared<const std::string>(ExtensionTypeName(fileName));
    std::lock_guard<std::mutex> lock(g_mutex);
    if (auto kept = g_cache.Find(name))
        return kept;
    return g_cache.Keep(name, comment.toStdString());
}

size_t CachedTypeNames() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_cache.Size();
}

} // namespace vorlane::platform
