#include "zip/private/ZipNames.h"

#include "platform/CodePage437.h"

#include "platform/FileSystem.h"

#include <cctype>

namespace vorlane::zip {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

void AppendUtf8(std::string* out, uint32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at text[pos], 0 when there is none.
size_t Utf8SequenceLength(std::string_view text, size_t pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = byte(pos);
    if (c < 0x80)
        return 1;
    size_t length;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (byte(pos + i) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

// The pattern text for the wildcard matcher: separators unified to '/',
// '[' and ']' taken literally (only '*' and '?' are wildcards here).
std::string PatternText(std::string_view specName) {
    std::string pattern;
    pattern.reserve(specName.size() + 4);
    for (char c : specName) {
        if (IsSeparator(c)) {
            pattern.push_back('/');
        } else if (c == '[' || c == ']') {
            pattern.push_back('\\');
            pattern.push_back(c);
        } else {
            pattern.push_back(c);
        }
    }
    return pattern;
}

} // namespace

std::vector<std::string> SplitFileSpec(std::string_view spec) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < spec.size()) {
        while (i < spec.size() && IsBlank(spec[i]))
            ++i;
        if (i >= spec.size())
            break;
        std::string name;
        if (spec[i] == '"') {
            size_t end = spec.find('"', i + 1);
            if (end == std::string_view::npos)
                end = spec.size();
            name.assign(spec.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = i;
            while (end < spec.size() && !IsBlank(spec[end]))
                ++end;
            name.assign(spec.substr(i, end - i));
            i = end;
        }
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

std::string JoinFileSpec(const std::vector<std::string>& names) {
    std::string spec;
    for (const std::string& name : names) {
        if (name.empty())
            continue;
        if (!spec.empty())
            spec.push_back(' ');
        bool quote = false;
        for (char c : name)
            quote = quote || IsBlank(c);
        if (quote)
            spec += '"' + name + '"';
        else
            spec += name;
    }
    return spec;
}

std::string MemberNameToDos(std::string_view stored) {
    std::string dos(stored);
    for (char& c : dos) {
        if (c == '/')
            c = '\\';
    }
    return dos;
}

std::string DosNameToMember(std::string_view dos) {
    std::string stored(dos);
    for (char& c : stored) {
        if (c == '\\')
            c = '/';
    }
    return stored;
}

std::string_view MemberBaseName(std::string_view name) {
    size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::vector<std::string> MemberPathComponents(std::string_view name, bool backslashSeparates) {
    std::vector<std::string> components;
    size_t i = 0;
    while (i <= name.size()) {
        size_t end = i;
        while (end < name.size() && name[end] != '/' && !(backslashSeparates && name[end] == '\\'))
            ++end;
        std::string_view part = name.substr(i, end - i);
        if (!part.empty() && part != ".")
            components.emplace_back(part);
        i = end + 1;
    }
    return components;
}

bool IsDosHost(uint16_t versionMadeBy) {
    const unsigned host = versionMadeBy >> 8;
    return host == 0 || host == 6 || host == 10 || host == 14;
}

bool IsRootMemberName(std::string_view name) {
    if (name.empty() || IsSeparator(name[0]))
        return false;
    for (char c : name) {
        if (c != '.' && !IsSeparator(c))
            return false;
    }
    // Only dots and separators: every component must be a single dot.
    return MemberPathComponents(name).empty() && name.find("..") == std::string_view::npos;
}

bool IsUnsafeMemberName(std::string_view name) {
    if (name.empty() || IsSeparator(name[0]))
        return true;
    if (name.find('\0') != std::string_view::npos)
        return true;
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        return true;
    size_t i = 0;
    bool any = false;
    while (i <= name.size()) {
        size_t end = i;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        std::string_view part = name.substr(i, end - i);
        if (part == "..")
            return true;
        if (!part.empty() && part != ".")
            any = true;
        i = end + 1;
    }
    return !any;
}

MemberMatcher::MemberMatcher(const std::vector<std::string>& specNames) {
    m_entries.reserve(specNames.size());
    for (const std::string& name : specNames) {
        if (name.empty())
            continue;
        Entry entry;
        entry.pattern.Compile(PatternText(name));
        entry.wholePath = name.find_first_of("/\\") != std::string::npos;
        m_entries.push_back(std::move(entry));
    }
}

bool MemberMatcher::Matches(std::string_view name) const {
    if (m_entries.empty())
        return true;
    std::string path = DosNameToMember(name);
    std::string_view base = MemberBaseName(path);
    for (const Entry& entry : m_entries) {
        if (entry.pattern.Match(entry.wholePath ? std::string_view(path) : base))
            return true;
    }
    return false;
}

bool MatchMemberName(std::string_view specName, std::string_view memberName) {
    if (specName.empty())
        return false;
    return MemberMatcher(std::vector<std::string>{std::string(specName)}).Matches(memberName);
}

std::string DosShortName(std::string_view name) {
    if (name == "." || name == "..")
        return std::string(name);
    // The extension starts after the last '.', unless that is the first
    // character (".profile" has no extension).
    size_t dot = name.rfind('.');
    if (dot == 0)
        dot = std::string_view::npos;
    auto convert = [](std::string_view part, size_t limit) {
        std::string out;
        size_t i = 0;
        while (i < part.size() && out.size() < limit) {
            unsigned char c = static_cast<unsigned char>(part[i]);
            if (c >= 0x80) {
                // One '_' for the whole non-ASCII character.
                size_t length = Utf8SequenceLength(part, i);
                i += length ? length : 1;
                out.push_back('_');
                continue;
            }
            ++i;
            if (c == ' ' || c == '.' || c < 0x20)
                continue;
            if (std::string_view("\"*+,/:;<=>?[\\]|").find(static_cast<char>(c)) !=
                std::string_view::npos)
                out.push_back('_');
            else
                out.push_back(static_cast<char>(std::toupper(c)));
        }
        return out;
    };
    std::string base = convert(name.substr(0, dot), 8);
    std::string extension =
        dot == std::string_view::npos ? std::string() : convert(name.substr(dot + 1), 3);
    if (base.empty())
        base = "_";
    return extension.empty() ? base : base + "." + extension;
}

std::string DosShortPath(std::string_view path) {
    std::string out;
    size_t i = 0;
    while (i <= path.size()) {
        size_t end = i;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        if (end > i)
            out += DosShortName(path.substr(i, end - i));
        if (end < path.size())
            out.push_back(path[end]);
        i = end + 1;
    }
    return out;
}

std::string Cp437ToUtf8(std::string_view cp437) {
    std::string out;
    out.reserve(cp437.size());
    for (char ch : cp437) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else
            AppendUtf8(&out, platform::kCodePage437High[c - 0x80]);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string_view Utf8Prefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t cut = maxBytes;
    // Back up over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

time_t DosDateTimeToTime(uint16_t dosDate, uint16_t dosTime) {
    platform::DosDateTime dt;
    dt.date = dosDate;
    dt.time = dosTime;
    return static_cast<time_t>(platform::FromDosDateTime(dt).seconds);
}

void TimeToDosDateTime(time_t t, uint16_t* dosDate, uint16_t* dosTime) {
    platform::FileTime ft;
    ft.seconds = static_cast<int64_t>(t);
    platform::DosDateTime dt = platform::ToDosDateTime(ft);
    if (dosDate)
        *dosDate = dt.date;
    if (dosTime)
        *dosTime = dt.time;
}

} // namespace vorlane::zip
