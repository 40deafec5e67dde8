#include "platform/Profile.h"

#include "platform/DosPath.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>

namespace vorlane::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// What a line says: the text before its first NUL byte, as a reader that
// sees C strings takes it.
std::string Readable(const std::string& raw) {
    return raw.substr(0, raw.find('\0'));
}

// The value of a key line: the text after the first "=", trimmed, with one
// pair of surrounding quotes removed.
std::string ValueOf(const std::string& raw) {
    std::string text = Readable(raw);
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        return "";
    std::string value = Trim(text.substr(eq + 1));
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

// Cuts text to at most maxLength bytes without splitting a UTF-8 sequence.
std::string Truncate(std::string text, size_t maxLength) {
    if (maxLength == 0 || text.size() <= maxLength)
        return text;
    size_t cut = maxLength;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

bool HasLineBreakOrNul(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

} // namespace

ProfileFile::ProfileFile(std::string hostPath) : m_path(std::move(hostPath)) {}

ProfileFile::Line ProfileFile::ParseLine(std::string raw, const std::string& currentSection) {
    Line line;
    line.section = currentSection;
    line.raw = std::move(raw);
    std::string text = Trim(Readable(line.raw));
    if (text.empty() || text[0] == ';')
        return line;
    if (text[0] == '[') {
        size_t close = text.find(']');
        if (close != std::string::npos) {
            line.isSection = true;
            line.section = Trim(text.substr(1, close - 1));
        }
        return line;
    }
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        return line;
    line.key = Trim(text.substr(0, eq));
    line.isKey = !line.key.empty();
    return line;
}

bool ProfileFile::Load(SysError* err) {
    m_lines.clear();
    m_dirty = false;
    m_crlf = false;
    m_bom = false;
    std::string data;
    SysError readError;
    if (!ReadWholeFile(m_path, &data, &readError)) {
        if (readError.sysErrno == ENOENT)
            return err ? err->Clear() : true;
        if (err)
            *err = readError;
        return false;
    }
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_bom = true;
        data.erase(0, 3);
    }
    size_t firstBreak = data.find('\n');
    m_crlf = firstBreak != std::string::npos && firstBreak > 0 && data[firstBreak - 1] == '\r';

    std::string section;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos)
            end = data.size();
        std::string raw = data.substr(start, end - start);
        if (m_crlf && !raw.empty() && raw.back() == '\r')
            raw.pop_back();
        start = end + 1;
        Line line = ParseLine(std::move(raw), section);
        if (line.isSection)
            section = line.section;
        m_lines.push_back(std::move(line));
    }
    return err ? err->Clear() : true;
}

int ProfileFile::FindKey(const std::string& section, const std::string& key) const {
    const std::string wantSection = Trim(section);
    const std::string wantKey = Trim(key);
    if (wantSection.empty() || wantKey.empty())
        return -1;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.isKey && NamesEqual(line.section, wantSection) && NamesEqual(line.key, wantKey))
            return static_cast<int>(i);
    }
    return -1;
}

int ProfileFile::InsertionPoint(const std::string& section) const {
    int last = -1;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (last < 0) {
            if (line.isSection && NamesEqual(line.section, section))
                last = static_cast<int>(i);
            continue;
        }
        if (line.isSection)
            break;
        if (!Trim(line.raw).empty())
            last = static_cast<int>(i);
    }
    return last;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& def, size_t maxLength) const {
    int index = FindKey(section, key);
    if (index < 0)
        return Truncate(def, maxLength);
    return Truncate(ValueOf(m_lines[index].raw), maxLength);
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int def) const {
    int index = FindKey(section, key);
    if (index < 0)
        return def;
    const std::string value = ValueOf(m_lines[index].raw);
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-'))
        negative = value[i++] == '-';
    if (i >= value.size() || value[i] < '0' || value[i] > '9')
        return def;
    long long number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        number = number * 10 + (value[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            number = static_cast<long long>(INT_MAX) + 1; // saturate, keep reading digits
    }
    if (negative)
        number = -number;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}

bool ProfileFile::HasKey(const std::string& section, const std::string& key) const {
    return FindKey(section, key) >= 0;
}

std::vector<std::string> ProfileFile::Sections() const {
    std::vector<std::string> names;
    for (const Line& line : m_lines) {
        if (!line.isSection)
            continue;
        bool seen = false;
        for (const std::string& name : names)
            seen = seen || NamesEqual(name, line.section);
        if (!seen)
            names.push_back(line.section);
    }
    return names;
}

std::vector<std::string> ProfileFile::Keys(const std::string& section) const {
    const std::string want = Trim(section);
    std::vector<std::string> keys;
    if (want.empty())
        return keys;
    for (const Line& line : m_lines) {
        if (!line.isKey || !NamesEqual(line.section, want))
            continue;
        bool seen = false;
        for (const std::string& key : keys)
            seen = seen || NamesEqual(key, line.key);
        if (!seen)
            keys.push_back(line.key);
    }
    return keys;
}

bool ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
    const std::string wantSection = Trim(section);
    const std::string wantKey = Trim(key);
    if (wantSection.empty() || wantKey.empty() || HasLineBreakOrNul(wantSection) ||
        HasLineBreakOrNul(wantKey) || wantSection.find(']') != std::string::npos ||
        wantKey.find('=') != std::string::npos || wantKey[0] == '[' || wantKey[0] == ';')
        return false;

    std::string text = value.substr(0, value.find('\0'));
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    const bool quote = !text.empty() &&
                       (IsBlank(text.front()) || IsBlank(text.back()) ||
                        (text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front()));
    const std::string stored = quote ? "\"" + text + "\"" : text;

    int index = FindKey(wantSection, wantKey);
    if (index >= 0) {
        Line& line = m_lines[index];
        if (ValueOf(line.raw) == text)
            return true; // unchanged: no rewrite needed
        line.raw = line.key + "=" + stored;
        m_dirty = true;
        return true;
    }

    Line line;
    line.key = wantKey;
    line.isKey = true;
    line.raw = wantKey + "=" + stored;
    int after = InsertionPoint(wantSection);
    if (after >= 0) {
        line.section = m_lines[after].section;
        m_lines.insert(m_lines.begin() + after + 1, std::move(line));
    } else {
        if (!m_lines.empty() && !Trim(m_lines.back().raw).empty()) {
            Line blank;
            blank.section = m_lines.back().section;
            m_lines.push_back(std::move(blank));
        }
        Line header;
        header.raw = "[" + wantSection + "]";
        header.section = wantSection;
        header.isSection = true;
        m_lines.push_back(std::move(header));
        line.section = wantSection;
        m_lines.push_back(std::move(line));
    }
    m_dirty = true;
    return true;
}

bool ProfileFile::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
    for (int index = FindKey(section, key); index >= 0; index = FindKey(section, key)) {
        m_lines.erase(m_lines.begin() + index);
        m_dirty = true;
    }
}

void ProfileFile::DeleteSection(const std::string& section) {
    const std::string want = Trim(section);
    if (want.empty())
        return;
    std::vector<Line> kept;
    bool inside = false;
    for (Line& line : m_lines) {
        if (line.isSection)
            inside = NamesEqual(line.section, want);
        if (inside)
            m_dirty = true;
        else
            kept.push_back(std::move(line));
    }
    m_lines = std::move(kept);
}

std::string ProfileFile::Text() const {
    const char* eol = m_crlf ? "\r\n" : "\n";
    std::string text = m_bom ? "\xEF\xBB\xBF" : "";
    for (const Line& line : m_lines) {
        text += line.raw;
        text += eol;
    }
    return text;
}

bool ProfileFile::Flush(SysError* err) {
    m_readOnly = false;
    if (!m_dirty)
        return err ? err->Clear() : true;
    if (m_path.empty())
        return SetDosError(err, kDosInvalidName, "The profile has no file to be written to");
    // The rename that replaces the file does not need its write permission:
    // ask for it here, so a file the user made read-only stays as it is.
    uint32_t attributes = 0;
    if (GetAttributes(m_path, &attributes) && (attributes & kAttrReadOnly) &&
        !(attributes & kAttrDirectory)) {
        m_readOnly = true;
        SetDosError(err, kDosAccessDenied, "'" + m_path + "' is read-only; it was not changed");
        if (err)
            err->sysErrno = EACCES;
        return false;
    }
    if (!WriteFileAtomically(m_path, Text(), err))
        return false;
    m_dirty = false;
    return true;
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& hostPath) {
    ProfileFile profile(hostPath);
    profile.Load();
    return profile.GetInt(section, key, def);
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& hostPath) {
    ProfileFile profile(hostPath);
    profile.Load();
    return profile.GetString(section, key, def);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& hostPath,
                               SysError* err) {
    ProfileFile profile(hostPath);
    if (!profile.Load(err))
        return false;
    if (!profile.WriteString(section, key, value))
        return SetDosError(err, kDosInvalidParameter,
                           "The section '" + section.substr(0, 260) + "' or key '" +
                               key.substr(0, 260) + "' cannot be stored in '" + hostPath + "'");
    return profile.Flush(err);
}

} // namespace vorlane::platform
