#include "platform/DesktopApps.h"

#include "platform/DirectoryListing.h"

#include "platform/ProgramDirs.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>

namespace vorlane::platform {

namespace {

std::vector<std::string> SplitList(const char* value, const char* fallback) {
    std::string text = value && *value ? value : fallback;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(':', start);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(start, end - start);
        // Only absolute directories count (the rules ignore relative ones).
        if (!part.empty() && part[0] == '/')
            parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

std::string HomeRelative(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? JoinHostPath(home, underHome) : std::string();
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The groups of a key file (desktop entry or mimeapps.list): group name ->
// key -> value. Keys keep their case (the rules compare them exactly) and
// values their quotes, which is why the profile reader of the settings file
// (case-blind keys, one pair of quotes removed) does not fit here.
using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

bool ReadKeyFile(const std::string& path, KeyFile* file) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    std::string group;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || group.empty())
            continue;
        std::string key = Trim(line.substr(0, eq));
        // The first occurrence of a key wins, as in the reference readers.
        (*file)[group].emplace(key, Trim(line.substr(eq + 1)));
    }
    return true;
}

// Key-level escapes of a string value: \s \n \t \r \\ .
std::string UnescapeValue(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char next = value[++i];
        switch (next) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
        }
    }
    return out;
}

// A ';'-separated list value (MimeType, mimeapps.list entries).
std::vector<std::string> ListValue(const std::string& value) {
    std::vector<std::string> items;
    std::string item;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || value[i] == ';') {
            item = Trim(item);
            if (!item.empty())
                items.push_back(item);
            item.clear();
        } else if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            item += ';';
            ++i;
        } else {
            item += value[i];
        }
    }
    return items;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Every desktop file under dir, by id (subdirectories joined with '-').
void CollectDesktopFiles(const std::string& dir, const std::string& prefix,
                         std::map<std::string, std::string>* byId, int depth = 0) {
    if (depth > 8)
        return;
    std::vector<std::string> names;
    ListDirectory(dir, ListDetail::Names, [&](const ListedEntry& e) {
        names.emplace_back(e.name);
        return true;
    });
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = JoinHostPath(dir, name);
        if (IsDirectory(path))
            CollectDesktopFiles(path, prefix + name + "-", byId, depth + 1);
        else if (name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0)
            byId->emplace(prefix + name, path);
    }
}

// The installed applications, by id: the first data directory that has an
// id wins (a user's own entry hides the system's).
std::map<std::string, std::string> InstalledApps(const XdgDirectories& dirs) {
    std::map<std::string, std::string> byId;
    for (const std::string& data : dirs.dataDirs)
        CollectDesktopFiles(JoinHostPath(data, "applications"), "", &byId);
    return byId;
}

// The mimeapps.list files in precedence order.
std::vector<std::string> MimeAppsLists(const XdgDirectories& dirs) {
    std::vector<std::string> lists;
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    std::vector<std::string> desktops;
    if (desktop && *desktop) {
        std::string text = desktop;
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find(':', start);
            if (end == std::string::npos)
                end = text.size();
            std::string name = text.substr(start, end - start);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (!name.empty())
                desktops.push_back(name);
            start = end + 1;
        }
    }
    auto add = [&](const std::string& dir) {
        for (const std::string& d : desktops)
            lists.push_back(JoinHostPath(dir, d + "-mimeapps.list"));
        lists.push_back(JoinHostPath(dir, "mimeapps.list"));
    };
    for (const std::string& config : dirs.configDirs)
        add(config);
    for (const std::string& data : dirs.dataDirs)
        add(JoinHostPath(data, "applications"));
    return lists;
}

void AddOnce(std::vector<DesktopApp>* apps, std::set<std::string>* seen, DesktopApp app) {
    if (seen->insert(app.id).second)
        apps->push_back(std::move(app));
}

bool IsFieldCode(const std::string& word, size_t at) {
    return word[at] == '%' && at + 1 < word.size();
}

} // namespace

XdgDirectories XdgDirectories::FromEnvironment() {
    XdgDirectories dirs;
    std::string dataHome = HomeRelative("XDG_DATA_HOME", ".local/share");
    if (!dataHome.empty())
        dirs.dataDirs.push_back(dataHome);
    for (std::string& dir : SplitList(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share"))
        dirs.dataDirs.push_back(std::move(dir));
    std::string configHome = HomeRelative("XDG_CONFIG_HOME", ".config");
    if (!configHome.empty())
        dirs.configDirs.push_back(configHome);
    for (std::string& dir : SplitList(std::getenv("XDG_CONFIG_DIRS"), "/etc/xdg"))
        dirs.configDirs.push_back(std::move(dir));
    return dirs;
}

std::vector<std::string> MimeTypeChain(const std::string& hostPath) {
    QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QString::fromStdString(hostPath));
    std::vector<std::string> chain{type.name().toStdString()};
    for (const QString& parent : type.allAncestors())
        if (std::find(chain.begin(), chain.end(), parent.toStdString()) == chain.end())
            chain.push_back(parent.toStdString());
    return chain;
}

bool ReadDesktopApp(const std::string& filePath, const std::string& id, DesktopApp* app) {
    KeyFile file;
    if (!ReadKeyFile(filePath, &file))
        return false;
    auto group = file.find("Desktop Entry");
    if (group == file.end())
        return false;
    const auto& keys = group->second;
    auto value = [&keys](const char* key) {
        auto it = keys.find(key);
        return it == keys.end() ? std::string() : it->second;
    };
    if (value("Type") != "Application" || value("Hidden") == "true" || value("Exec").empty())
        return false;
    app->id = id;
    app->name = UnescapeValue(value("Name"));
    if (app->name.empty())
        app->name = id;
    app->exec = UnescapeValue(value("Exec"));
    app->filePath = filePath;
    app->mimeTypes = ListValue(value("MimeType"));
    return true;
}

bool FindApplication(const std::string& id, const XdgDirectories& dirs, DesktopApp* app) {
    const std::map<std::string, std::string> installed = InstalledApps(dirs);
    auto it = installed.find(id);
    return it != installed.end() && ReadDesktopApp(it->second, id, app);
}

std::string DefaultApplicationId(const std::string& mimeType, const XdgDirectories& dirs) {
    const std::map<std::string, std::string> installed = InstalledApps(dirs);
    DesktopApp app;
    for (const std::string& list : MimeAppsLists(dirs)) {
        KeyFile file;
        if (!ReadKeyFile(list, &file))
            continue;
        auto group = file.find("Default Applications");
        if (group == file.end())
            continue;
        auto entry = group->second.find(mimeType);
        if (entry == group->second.end())
            continue;
        for (const std::string& id : ListValue(entry->second)) {
            auto found = installed.find(id);
            if (found != installed.end() && ReadDesktopApp(found->second, id, &app))
                return id;
        }
    }
    return "";
}

std::vector<DesktopApp> ApplicationsForType(const std::string& mimeType,
                                            const XdgDirectories& dirs) {
    return ApplicationsForTypes({mimeType}, dirs);
}

std::vector<DesktopApp> ApplicationsForTypes(const std::vector<std::string>& types,
                                             const XdgDirectories& dirs) {
    const std::map<std::string, std::string> installed = InstalledApps(dirs);
    std::vector<DesktopApp> apps;
    std::set<std::string> seen;
    for (const std::string& type : types) {
        // The associations the lists add and remove for this type.
        std::vector<std::string> added;
        std::set<std::string> removed;
        for (const std::string& list : MimeAppsLists(dirs)) {
            KeyFile file;
            if (!ReadKeyFile(list, &file))
                continue;
            auto addedGroup = file.find("Added Associations");
            if (addedGroup != file.end()) {
                auto entry = addedGroup->second.find(type);
                if (entry != addedGroup->second.end())
                    for (const std::string& id : ListValue(entry->second))
                        if (!removed.count(id))
                            added.push_back(id);
            }
            auto removedGroup = file.find("Removed Associations");
            if (removedGroup != file.end()) {
                auto entry = removedGroup->second.find(type);
                if (entry != removedGroup->second.end())
                    for (const std::string& id : ListValue(entry->second))
                        removed.insert(id);
            }
        }
        std::vector<std::string> ids;
        const std::string defaultId = DefaultApplicationId(type, dirs);
        if (!defaultId.empty())
            ids.push_back(defaultId);
        ids.insert(ids.end(), added.begin(), added.end());
        for (const auto& [id, path] : installed) {
            DesktopApp app;
            if (ReadDesktopApp(path, id, &app) &&
                std::find(app.mimeTypes.begin(), app.mimeTypes.end(), type) !=
                    app.mimeTypes.end() &&
                !removed.count(id))
                ids.push_back(id);
        }
        for (const std::string& id : ids) {
            auto found = installed.find(id);
            DesktopApp app;
            if (found != installed.end() && !seen.count(id) &&
                ReadDesktopApp(found->second, id, &app))
                AddOnce(&apps, &seen, std::move(app));
        }
    }
    return apps;
}

bool SplitExecLine(const std::string& exec, std::vector<std::string>* words) {
    words->clear();
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() && std::strchr("\"`$\\", exec[i + 1])) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words->push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return false;
    if (inWord)
        words->push_back(word);
    return true;
}

std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file) {
    std::vector<std::string> words;
    if (!SplitExecLine(exec, &words) || words.empty())
        return {};
    std::vector<std::string> argv;
    bool fileGiven = false;
    for (const std::string& word : words) {
        std::string out;
        bool dropped = false;
        for (size_t i = 0; i < word.size(); ++i) {
            if (!IsFieldCode(word, i)) {
                out += word[i];
                continue;
            }
            char code = word[++i];
            if (code == '%') {
                out += '%';
            } else if (std::strchr("fFuU", code) && !fileGiven) {
                out += file;
                fileGiven = true;
            } else if (out.empty() && i + 1 == word.size()) {
                dropped = true; // the word was only a field code
            }
        }
        if (!dropped)
            argv.push_back(out);
    }
    if (!fileGiven)
        argv.push_back(file);
    return argv;
}

std::vector<std::string> ExecProgramWords(const std::string& exec) {
    std::vector<std::string> words;
    if (!SplitExecLine(exec, &words))
        return {};
    std::vector<std::string> kept;
    for (const std::string& word : words) {
        std::string out;
        for (size_t i = 0; i < word.size(); ++i) {
            if (!IsFieldCode(word, i)) {
                out += word[i];
                continue;
            }
            if (word[++i] == '%')
                out += '%';
        }
        if (!out.empty())
            kept.push_back(out);
    }
    return kept;
}

std::vector<std::string> FallbackTextEditor(const XdgDirectories& dirs, std::string* source) {
    const char* visual = std::getenv("VISUAL");
    if (visual && *visual) {
        std::vector<std::string> words;
        if (SplitExecLine(visual, &words) && !words.empty()) {
            *source = "$VISUAL";
            return words;
        }
    }
    std::vector<DesktopApp> apps = ApplicationsForType("text/plain", dirs);
    if (!apps.empty()) {
        std::vector<std::string> words = ExecProgramWords(apps.front().exec);
        if (!words.empty()) {
            *source = apps.front().id;
            return words;
        }
    }
    source->clear();
    return {};
}

} // namespace vorlane::platform
