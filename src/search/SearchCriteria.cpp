#include "search/SearchCriteria.h"

#include "platform/Profile.h"

#include <algorithm>
#include <climits>

namespace vorlane::search {

namespace {

constexpr const char* kBoxKeys[kBoxCount] = {"Read Only", "Hidden", "System", "Archive"};
constexpr char kBoxLetters[kBoxCount] = {'R', 'H', 'S', 'A'};
// The order conditions list attribute letters in: A, H, R, S.
constexpr AttributeBox kLetterOrder[kBoxCount] = {kBoxArchive, kBoxHidden, kBoxReadOnly,
                                                  kBoxSystem};

void Add(CFileSearchRequest* request, int32_t field, int32_t op, std::string operand,
         const CFileSetLookup* sets) {
    request->AddCondition(CFileSearchCondition(field, op, std::move(operand), sets));
}

// A date as the settings keep it; nothing when the text is not a date.
uint16_t StoredDate(const std::string& text, uint16_t today) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/')
        return today;
    return ParseOperandDate(text);
}

} // namespace

bool BuildSearchRequest(const CFileSearchCriteriaTransfer& t, const CFileSetLookup* sets,
                        CFileSearchRequest* request, std::string* refusal, CriteriaField* field) {
    request->Clear();
    *field = CriteriaField::None;
    CFileSearchCondition name(kFieldFilename, kOpEqual, t.fileTypes.empty() ? "*.*" : t.fileTypes,
                              sets);
    if (!name.ParseError().empty()) {
        *refusal = name.ParseError();
        *field = CriteriaField::FileTypes;
        return false;
    }
    if (t.dateMode == DateMode::Between && t.date1 > t.date2) {
        *refusal = kBadDatesText;
        *field = CriteriaField::Dates;
        return false;
    }
    request->AddCondition(std::move(name));

    if (t.sizeMode != SizeMode::Any)
        Add(request, kFieldSize, t.sizeMode == SizeMode::LessThan ? kOpLess : kOpGreater,
            std::to_string(std::clamp<int64_t>(t.sizeKb, 0, INT32_MAX)), sets);

    const std::string date1 = FormatOperandDate(t.date1);
    switch (t.dateMode) {
    case DateMode::Any:
        break;
    case DateMode::Before:
        Add(request, kFieldDate, kOpLess, date1, sets);
        break;
    case DateMode::On:
        Add(request, kFieldDate, kOpEqual, date1, sets);
        break;
    case DateMode::After:
        Add(request, kFieldDate, kOpGreater, date1, sets);
        break;
    case DateMode::Between:
        Add(request, kFieldDate, kOpGreaterEqual, date1, sets);
        Add(request, kFieldDate, kOpLessEqual, FormatOperandDate(t.date2), sets);
        break;
    }

    std::string set;
    for (AttributeBox box : kLetterOrder)
        if (t.attributes[box] == AttributeState::Set)
            set += kBoxLetters[box];
    if (!set.empty())
        Add(request, kFieldAttributes, kOpEqual, set, sets);
    for (AttributeBox box : kLetterOrder)
        if (t.attributes[box] == AttributeState::Cleared)
            Add(request, kFieldAttributes, kOpNotEqual, std::string(1, kBoxLetters[box]), sets);
    return true;
}

CFileSearchCriteriaTransfer ReadSearchDetails(const platform::ProfileFile& ini, uint16_t today) {
    const std::string s = kSearchDetailsSection;
    CFileSearchCriteriaTransfer t;
    t.fileTypes = ini.GetString(s, "Filespecs", "", 0);
    t.sizeMode = static_cast<SizeMode>(std::clamp(ini.GetInt(s, "Size Mode", 0), 0, 2));
    t.sizeKb = std::max(0, ini.GetInt(s, "Size", 0));
    t.dateMode = static_cast<DateMode>(std::clamp(ini.GetInt(s, "Date Mode", 0), 0, 4));
    t.date1 = StoredDate(ini.GetString(s, "Date 1"), today);
    t.date2 = StoredDate(ini.GetString(s, "Date 2"), today);
    for (int box = 0; box < kBoxCount; ++box) {
        int state = ini.GetInt(s, kBoxKeys[box], static_cast<int>(AttributeState::Either));
        t.attributes[static_cast<size_t>(box)] =
            static_cast<AttributeState>(std::clamp(state, 0, 2));
    }
    return t;
}

void WriteSearchDetails(platform::ProfileFile& ini, const CFileSearchCriteriaTransfer& t) {
    const std::string s = kSearchDetailsSection;
    ini.WriteString(s, "Filespecs", t.fileTypes);
    ini.WriteInt(s, "Size Mode", static_cast<int>(t.sizeMode));
    ini.WriteInt(s, "Size", static_cast<int>(std::clamp<int64_t>(t.sizeKb, 0, INT32_MAX)));
    ini.WriteInt(s, "Date Mode", static_cast<int>(t.dateMode));
    ini.WriteString(s, "Date 1", FormatOperandDate(t.date1));
    ini.WriteString(s, "Date 2", FormatOperandDate(t.date2));
    for (int box = 0; box < kBoxCount; ++box)
        ini.WriteInt(s, kBoxKeys[box], static_cast<int>(t.attributes[static_cast<size_t>(box)]));
}

} // namespace vorlane::search
