#include "platform/MimeTypes.h"

#include <cstdlib>
#include <fnmatch.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace vorlane::platform {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool HasGlobCharacters(std::string_view text) {
    return text.find_first_of("*?[") != std::string_view::npos;
}

// Replaces the five predefined XML entities.
std::string UnescapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        static const std::pair<const char*, char> entities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        bool replaced = false;
        for (const auto& [entity, ch] : entities) {
            std::string_view e(entity);
            if (text.substr(i, e.size()) == e) {
                out.push_back(ch);
                i += e.size() - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out.push_back('&');
    }
    return out;
}

} // namespace

struct MimeDatabase::Impl {
    struct Glob {
        std::string pattern;
        std::string type;
        bool caseSensitive;
    };
    std::vector<std::string> dirs;
    std::unordered_map<std::string, std::string> literalExact; // case-sensitive names
    std::unordered_map<std::string, std::string> literalLower; // lower-cased names
    std::unordered_map<std::string, std::string> suffixExact;  // ".C" -> type
    std::unordered_map<std::string, std::string> suffixLower;  // ".tar.gz" -> type
    std::vector<Glob> others;
    std::unordered_set<std::string> seenPatterns;

    std::string LiteralType(std::string_view name, const std::string& lower) const;
    std::string SuffixType(std::string_view name, const std::string& lower) const;
    std::string OtherType(std::string_view name, const std::string& lower) const;

    void Load(const std::string& dir) {
        std::ifstream in(dir + "/globs2");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            // weight:type:pattern[:flags[:...]]
            size_t c1 = line.find(':');
            size_t c2 = c1 == std::string::npos ? c1 : line.find(':', c1 + 1);
            if (c2 == std::string::npos)
                continue;
            size_t c3 = line.find(':', c2 + 1);
            std::string type = line.substr(c1 + 1, c2 - c1 - 1);
            std::string pattern = line.substr(c2 + 1, c3 == std::string::npos ? c3 : c3 - c2 - 1);
            std::string flags = c3 == std::string::npos ? "" : line.substr(c3 + 1);
            bool caseSensitive = flags.find("cs") != std::string::npos;
            if (type.empty() || pattern.empty())
                continue;
            // The first (heaviest, earliest directory) entry of a pattern wins.
            if (!seenPatterns.insert((caseSensitive ? "1" : "0") + pattern).second)
                continue;
            if (!HasGlobCharacters(pattern)) {
                if (caseSensitive)
                    literalExact.emplace(pattern, type);
                else
                    literalLower.emplace(Lower(pattern), type);
            } else if (pattern.size() > 2 && pattern[0] == '*' && pattern[1] == '.' &&
                       !HasGlobCharacters(std::string_view(pattern).substr(1))) {
                if (caseSensitive)
                    suffixExact.emplace(pattern.substr(1), type);
                else
                    suffixLower.emplace(Lower(pattern.substr(1)), type);
            } else {
                others.push_back({pattern, type, caseSensitive});
            }
        }
    }
};

MimeDatabase::MimeDatabase(std::vector<std::string> mimeDirs) : m_impl(std::make_unique<Impl>()) {
    m_impl->dirs = std::move(mimeDirs);
    for (const std::string& dir : m_impl->dirs)
        m_impl->Load(dir);
}

MimeDatabase::~MimeDatabase() = default;

std::vector<std::string> MimeDatabase::SystemDirs() {
    std::vector<std::string> dirs;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome)
        dirs.push_back(std::string(dataHome) + "/mime");
    else if (home && *home)
        dirs.push_back(std::string(home) + "/.local/share/mime");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    std::stringstream parts(list);
    std::string part;
    while (std::getline(parts, part, ':'))
        if (!part.empty())
            dirs.push_back(part + "/mime");
    return dirs;
}

std::string MimeDatabase::Impl::LiteralType(std::string_view name, const std::string& lower) const {
    if (auto it = literalExact.find(std::string(name)); it != literalExact.end())
        return it->second;
    if (auto it = literalLower.find(lower); it != literalLower.end())
        return it->second;
    return "";
}

std::string MimeDatabase::Impl::SuffixType(std::string_view name, const std::string& lower) const {
    // The longest suffix wins: try from the first "." on.
    for (size_t dot = name.find('.'); dot != std::string_view::npos;
         dot = name.find('.', dot + 1)) {
        if (auto it = suffixExact.find(std::string(name.substr(dot))); it != suffixExact.end())
            return it->second;
        if (auto it = suffixLower.find(lower.substr(dot)); it != suffixLower.end())
            return it->second;
    }
    return "";
}

std::string MimeDatabase::Impl::OtherType(std::string_view name, const std::string& lower) const {
    std::string exact(name);
    for (const Glob& glob : others) {
        const std::string& subject = glob.caseSensitive ? exact : lower;
        int flags = glob.caseSensitive ? 0 : FNM_CASEFOLD;
        if (::fnmatch(glob.pattern.c_str(), subject.c_str(), flags) == 0)
            return glob.type;
    }
    return "";
}

std::string MimeDatabase::TypeOfName(std::string_view name) const {
    if (name.empty())
        return "";
    std::string lower = Lower(name);
    std::string type = m_impl->LiteralType(name, lower);
    if (type.empty())
        type = m_impl->SuffixType(name, lower);
    if (type.empty())
        type = m_impl->OtherType(name, lower);
    return type;
}

std::string MimeDatabase::Description(const std::string& type) const {
    if (type.empty() || type.find("..") != std::string::npos)
        return "";
    for (const std::string& dir : m_impl->dirs) {
        std::ifstream in(dir + "/" + type + ".xml");
        if (!in)
            continue;
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string xml = buffer.str();
        // The first <comment> without an xml:lang attribute is the English one.
        static const std::string open = "<comment>";
        size_t start = xml.find(open);
        if (start == std::string::npos)
            continue;
        start += open.size();
        size_t end = xml.find("</comment>", start);
        if (end == std::string::npos)
            continue;
        return UnescapeXml(std::string_view(xml).substr(start, end - start));
    }
    return "";
}

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

const std::string& InternText(std::string_view text) {
    static std::mutex mutex;
    static std::unordered_set<std::string> texts;
    std::lock_guard<std::mutex> lock(mutex);
    return *texts.emplace(text).first;
}

const std::string& FileTypeName(std::string_view fileName) {
    static std::mutex mutex;
    static MimeDatabase* database = nullptr;
    // Descriptions by type, and the type a suffix decides by the lower-cased
    // text from the first "." (empty: no suffix pattern matches).
    static std::unordered_map<std::string, const std::string*> byType;
    static std::unordered_map<std::string, std::string> typeOfSuffix;
    std::lock_guard<std::mutex> lock(mutex);
    if (database == nullptr)
        database = new MimeDatabase(MimeDatabase::SystemDirs()); // lives with the process
    const MimeDatabase::Impl& impl = *database->m_impl;
    std::string lower = Lower(fileName);
    std::string type = impl.LiteralType(fileName, lower);
    if (type.empty()) {
        size_t dot = fileName.find('.');
        if (dot != std::string_view::npos) {
            std::string key = lower.substr(dot);
            auto it = typeOfSuffix.find(key);
            if (it == typeOfSuffix.end()) {
                // Case-sensitive suffixes ("*.C") depend on more than the key.
                std::string suffix = impl.SuffixType(fileName, lower);
                if (suffix == impl.SuffixType(lower, lower) &&
                    suffix == impl.SuffixType(Upper(lower), lower))
                    it = typeOfSuffix.emplace(key, suffix).first;
                else
                    type = suffix;
            }
            if (it != typeOfSuffix.end())
                type = it->second;
        }
    }
    if (type.empty())
        type = impl.OtherType(fileName, lower);
    if (type.empty())
        return InternText(ExtensionTypeName(fileName));
    auto found = byType.find(type);
    if (found == byType.end()) {
        std::string description = database->Description(type);
        if (description.empty())
            return InternText(ExtensionTypeName(fileName));
        found = byType.emplace(type, &InternText(description)).first;
    }
    return *found->second;
}

} // namespace vorlane::platform
