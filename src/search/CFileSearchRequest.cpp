#include "search/CFileSearchRequest.h"

#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/ProgramDirs.h"

#include <algorithm>
#include <climits>

namespace vorlane::search {

namespace {

constexpr const char* kFieldNames[] = {"", "Filename", "Date", "Size", "Attributes"};
constexpr const char* kOperatorNames[] = {
    "",          "=  (Equal)",        "<> (Not equal)", ">  (Greater)", ">= (Greater or Equal)",
    "<  (Less)", "<= (Less or Equal)"};
// Request files larger than this are not read at all: a full request is
// 4 + 40 * 265 bytes.
constexpr uint64_t kMaxRequestFileSize = 64 * 1024;

// Leading digits of text (no sign) as a number; 0 when there are none.
int Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min(value * 10 + (c - '0'), 100000);
    }
    return value;
}

// Blanks, a sign and digits, clamped to the range of int32.
bool LeadingInt(std::string_view text, size_t* pos, int32_t* out) {
    size_t i = *pos;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    size_t first = i;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
        ++i;
    }
    if (i == first)
        return false;
    value = negative ? -value : std::min<int64_t>(value, INT32_MAX);
    *out = static_cast<int32_t>(value);
    *pos = i;
    return true;
}

bool Compare(int32_t op, int64_t difference) {
    switch (op) {
    case kOpEqual:
        return difference == 0;
    case kOpNotEqual:
        return difference != 0;
    case kOpGreater:
        return difference > 0;
    case kOpGreaterEqual:
        return difference >= 0;
    case kOpLess:
        return difference < 0;
    case kOpLessEqual:
        return difference <= 0;
    default:
        return false;
    }
}

void PutLittleEndian(std::string* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLittleEndian(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)])} << (8 * i);
    return value;
}

} // namespace

std::string FieldName(int32_t field) {
    if (field >= 0 && field <= 4)
        return kFieldNames[field];
    return field == 7 ? "Date" : "Unknown";
}

int32_t FieldNumber(std::string_view name) {
    for (int32_t i = 1; i <= 4; ++i)
        if (platform::CompareNoCase(name, kFieldNames[i]) == 0)
            return i;
    return 0;
}

std::string OperatorName(int32_t op) {
    if (op >= 0 && op <= 6)
        return kOperatorNames[op];
    return "Unknown";
}

int32_t OperatorNumber(std::string_view name) {
    for (int32_t i = 1; i <= 6; ++i)
        if (platform::CompareNoCase(name, kOperatorNames[i]) == 0)
            return i;
    return 0;
}

uint16_t ParseOperandDate(std::string_view operand) {
    auto part = [&](size_t at, size_t length) {
        return at < operand.size() ? Digits(operand.substr(at, length)) : 0;
    };
    int month = std::min(part(0, 2), 15);
    int day = std::min(part(3, 2), 31);
    int year = part(6, 4);
    if (year < 80)
        year += 2000;
    else if (year < 100)
        year += 1900;
    year = std::clamp(year, 1980, 2107);
    return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

std::string FormatOperandDate(uint16_t dosDate) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", (dosDate >> 5) & 15, dosDate & 31,
                  (dosDate >> 9) + 1980);
    return text;
}

uint32_t ParseOperandAttributes(std::string_view operand) {
    uint32_t mask = 0;
    for (char c : operand) {
        if (c == 'A')
            mask |= platform::kAttrArchive;
        else if (c == 'H')
            mask |= platform::kAttrHidden;
        else if (c == 'R')
            mask |= platform::kAttrReadOnly;
        else if (c == 'S')
            mask |= platform::kAttrSystem;
    }
    return mask;
}

int32_t ParseOperandSize(std::string_view operand) {
    size_t pos = 0;
    int32_t value = 0;
    return LeadingInt(operand, &pos, &value) ? value : 0;
}

SearchFileFacts FactsOf(const platform::FileEntry& entry) {
    return {entry.name, entry.size, entry.dosTime.date, entry.attributes};
}

// --- conditions --------------------------------------------------------------------

CFileSearchCondition::CFileSearchCondition(int32_t field, int32_t op, std::string operand,
                                           const CFileSetLookup* sets)
    : m_operator(op), m_operand(std::move(operand)) {
    SetField(field, sets);
}

bool CFileSearchCondition::SetField(int32_t field, const CFileSetLookup* sets) {
    m_parseError.clear();
    m_fileTypes.clear();
    m_selector.Assign({});
    if (field < 0 || field > kFieldLast) {
        m_field = kFieldNone;
        return false;
    }
    m_field = field;
    switch (field) {
    case kFieldFilename: {
        std::string bad;
        ExpandFileTypes(m_operand, sets, &m_fileTypes, &bad, &m_parseError);
        m_selector.Assign(m_fileTypes);
        break;
    }
    case kFieldDate:
    case 7: // prints as "Date"
        m_date = ParseOperandDate(m_operand);
        break;
    case kFieldSize:
        m_sizeKb = ParseOperandSize(m_operand);
        break;
    case kFieldAttributes:
        m_attributes = ParseOperandAttributes(m_operand);
        break;
    default:
        break;
    }
    return true;
}

bool CFileSearchCondition::Matches(const SearchFileFacts& file) const {
    switch (m_field) {
    case kFieldFilename: {
        bool selected = m_selector.Selects(file.name);
        return m_operator == kOpEqual ? selected : m_operator == kOpNotEqual ? !selected : false;
    }
    case kFieldDate:
        return Compare(m_operator, int64_t{file.date} - int64_t{m_date});
    case kFieldSize: {
        int64_t kb = static_cast<int64_t>(file.size / 1024 + (file.size % 1024 != 0 ? 1 : 0));
        return Compare(m_operator, kb - int64_t{m_sizeKb});
    }
    case kFieldAttributes: {
        bool hasAll = (file.attributes & m_attributes) == m_attributes;
        return m_operator == kOpEqual ? hasAll : m_operator == kOpNotEqual ? !hasAll : true;
    }
    default:
        return false;
    }
}

std::string FormatConditionSetting(const CFileSearchCondition& condition) {
    return std::to_string(condition.Field()) + "," + std::to_string(condition.Operator()) + "," +
           condition.Operand();
}

bool ParseConditionSetting(std::string_view value, const CFileSetLookup* sets,
                           CFileSearchCondition* condition) {
    size_t pos = 0;
    int32_t field = 0;
    int32_t op = 0;
    if (!LeadingInt(value, &pos, &field) || pos >= value.size() || value[pos] != ',')
        return false;
    ++pos;
    if (!LeadingInt(value, &pos, &op))
        return false;
    std::string operand;
    if (pos < value.size() && value[pos] == ',') {
        std::string_view rest = value.substr(pos + 1);
        operand =
            std::string(rest.substr(0, std::min({rest.find('\n'), rest.size(), size_t{255}})));
    }
    condition->SetOperator(op);
    condition->SetOperand(std::move(operand));
    return condition->SetField(field, sets);
}

// --- requests ---------------------------------------------------------------------

bool CFileSearchRequest::AddCondition(CFileSearchCondition condition) {
    if (m_conditions.size() >= kMaxConditions)
        return false;
    m_conditions.push_back(std::move(condition));
    return true;
}

bool CFileSearchRequest::Matches(const SearchFileFacts& file) const {
    for (const CFileSearchCondition& condition : m_conditions)
        if (!condition.Matches(file))
            return false;
    return true;
}

bool CFileSearchRequest::AttributesWanted() const {
    return std::any_of(m_conditions.begin(), m_conditions.end(),
                       [](const auto& c) { return c.Field() == kFieldAttributes; });
}

bool EncodeSearchRequest(const CFileSearchRequest& request, std::string* bytes, size_t* failed) {
    bytes->clear();
    const auto& conditions = request.Conditions();
    PutLittleEndian(bytes, static_cast<uint32_t>(conditions.size()));
    for (size_t i = 0; i < conditions.size(); ++i) {
        const std::string& operand = conditions[i].Operand();
        if (operand.size() >= kRequestOperandArea || operand.find('\0') != std::string::npos) {
            *failed = i;
            return false;
        }
        PutLittleEndian(bytes, static_cast<uint32_t>(conditions[i].Field()));
        PutLittleEndian(bytes, static_cast<uint32_t>(conditions[i].Operator()));
        std::string area = operand;
        area.resize(kRequestOperandArea, '\0');
        *bytes += area;
    }
    return true;
}

bool DecodeSearchRequest(std::string_view bytes, const CFileSetLookup* sets,
                         CFileSearchRequest* request, size_t* failed) {
    request->Clear();
    *failed = 0;
    if (bytes.size() < 4)
        return false;
    const uint32_t count = GetLittleEndian(bytes, 0);
    for (uint32_t i = 0; i < count; ++i) {
        *failed = i;
        size_t at = 4 + size_t{i} * kRequestRecordSize;
        if (i >= CFileSearchRequest::kMaxConditions ||
            bytes.size() - 4 < size_t{i + 1} * kRequestRecordSize)
            return false;
        std::string_view area = bytes.substr(at + 8, kRequestOperandArea);
        size_t end = area.find('\0');
        if (end == std::string_view::npos)
            return false;
        CFileSearchCondition condition;
        condition.SetOperator(static_cast<int32_t>(GetLittleEndian(bytes, at + 4)));
        condition.SetOperand(std::string(area.substr(0, end)));
        if (!condition.SetField(static_cast<int32_t>(GetLittleEndian(bytes, at)), sets))
            return false;
        request->AddCondition(std::move(condition));
    }
    return true;
}

bool ValidRequestName(const std::string& name, std::string* error) {
    if (name.empty() || name == "." ||
        name.find_first_of(std::string("/\\\0", 3)) != std::string::npos ||
        name.find("..") != std::string::npos) {
        *error = "The Search Request name '" + name +
                 "' is not allowed: it must not be empty or hold '/', '\\' or '..'.";
        return false;
    }
    return true;
}

std::string SearchRequestDirectory(const std::string& windowsDirectory) {
    return platform::JoinHostPath(windowsDirectory, "Search Requests");
}

bool CFileSearchRequest::Write(const std::string& directory, const std::string& fileName,
                               std::string* error) {
    const std::string name = fileName.empty() ? m_name : fileName;
    if (name.empty()) {
        *error = "Search Request does not have a name!";
        return false;
    }
    if (!ValidRequestName(name, error))
        return false;
    const std::string path = platform::JoinHostPath(directory, name);
    if (m_conditions.empty()) {
        platform::SysError err;
        if (!platform::DeleteFile(path, &err) && err.dosCode != 2 && err.dosCode != 3) {
            *error = "Unable to delete Search Request file!\n\n" + err.message;
            return false;
        }
        m_name = name;
        return true;
    }
    std::string bytes;
    size_t failed = 0;
    if (!EncodeSearchRequest(*this, &bytes, &failed)) {
        *error = "Unable to save condition #" + std::to_string(failed);
        return false;
    }
    platform::SysError err;
    platform::FileEntry dir;
    if (!platform::StatEntry(directory, &dir) && !platform::MakeDirectory(directory, &err)) {
        *error = "Unable to create Search Request file!\n\n" + err.message;
        return false;
    }
    if (!platform::WriteFileAtomically(path, bytes, &err)) {
        *error = "Unable to create Search Request file!\n\n" + err.message;
        return false;
    }
    m_name = name;
    return true;
}

bool CFileSearchRequest::Read(const std::string& directory, const std::string& fileName,
                              const CFileSetLookup* sets, std::string* error) {
    if (fileName.empty()) {
        *error = "No Search Request specified!";
        return false;
    }
    if (!ValidRequestName(fileName, error))
        return false;
    const std::string path = platform::JoinHostPath(directory, fileName);
    platform::FileEntry entry;
    std::string bytes;
    if (!platform::StatEntry(path, &entry) || entry.isDirectory ||
        entry.size > kMaxRequestFileSize || !platform::ReadWholeFile(path, &bytes)) {
        *error = "Unable to open Search Request file!";
        return false;
    }
    size_t failed = 0;
    if (!DecodeSearchRequest(bytes, sets, this, &failed)) {
        *error = "Unable to load condition #" + std::to_string(failed);
        return false;
    }
    if (m_conditions.empty())
        platform::DeleteFile(path);
    m_name = fileName;
    return true;
}

} // namespace vorlane::search
