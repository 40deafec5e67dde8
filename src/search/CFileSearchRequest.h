// Search requests: a named list of conditions a file must all meet. The
// program picks files by them: tagging by criteria, hiding and showing the
// files of a window, the thumbnail scan filter, the Find window.
//
//   CFileSearchCondition  one test of one property of a file: its name
//                         against file types, its date, its size (KB) or
//                         its attributes, with an operator. The operand is
//                         kept as given and parsed when the field is set.
//   CFileSearchRequest    at most kMaxConditions conditions in the order
//                         added and a name; Matches() asks them in turn.
//   SearchFileFacts       what a condition looks at, filled from a
//                         catalogue record or from a stat of a host file.
//
// Kept in two forms: the settings form ("%d,%d,%s" per condition, for the
// habitabs of the settings file) and the request file, one file per
// request in the program's request directory
// (docs/formats/search-request.md).
//
// Threads: a request is a value. Building one expands file sets through
// the object database (CFileSetLookup), so it is built on the thread that
// owns the database; once built it holds the expanded, compiled entries and
// may be matched on any thread, by many at once (Matches is const and
// touches nothing else).
#pragma once

#include "search/FileSets.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::platform {
struct FileEntry;
}

namespace vorlane::search {

enum SearchField : int32_t {
    kFieldNone = 0,
    kFieldFilename = 1,   // "Filename": a file-types string
    kFieldDate = 2,       // "Date": MM/DD/YYYY
    kFieldSize = 3,       // "Size": kilobytes
    kFieldAttributes = 4, // "Attributes": letters A, H, R, S
    kFieldLast = 8,       // fields above this cannot be set
};

enum SearchOperator : int32_t {
    kOpNone = 0,
    kOpEqual = 1,
    kOpNotEqual = 2,
    kOpGreater = 3,
    kOpGreaterEqual = 4,
    kOpLess = 5,
    kOpLessEqual = 6,
};

// "" for 0, "Filename", "Date", "Size", "Attributes" for 1 to 4, "Date"
// for 7 too, "Unknown" for anything else.
std::string FieldName(int32_t field);
// The number of a name, letters compared without case; 0 for no match.
int32_t FieldNumber(std::string_view name);
// "" for 0, "=  (Equal)" ... "<= (Less or Equal)" for 1 to 6, else "Unknown".
std::string OperatorName(int32_t op);
int32_t OperatorNumber(std::string_view name);

// A Date operand as a DOS date: characters 0-1 the month, 3-4 the day, 6-9
// the year, each read as a decimal number. A year of 100 or more is a
// year; 80 to 99 mean 1980 to 1999 and 0 to 79 mean 2000 to 2079. Years
// outside 1980 to 2107 are clamped to them.
uint16_t ParseOperandDate(std::string_view operand);
// "%02d/%02d/%04d" of a DOS date (month, day, year).
std::string FormatOperandDate(uint16_t dosDate);
// An Attributes operand as a mask: A 0x20, H 0x02, R 0x01, S 0x04; other
// characters are ignored.
uint32_t ParseOperandAttributes(std::string_view operand);
// A Size operand: leading blanks, a sign and digits, clamped to 32 bits.
int32_t ParseOperandSize(std::string_view operand);

// What the conditions test. name is borrowed and must outlive the call.
struct SearchFileFacts {
    std::string_view name;
    uint64_t size = 0;       // bytes
    uint16_t date = 0;       // DOS date of the last write
    uint32_t attributes = 0; // DOS attribute bits; read only when AttributesWanted()
};

// The facts of a host file as the platform enumerates it; the name is
// entry.name.
SearchFileFacts FactsOf(const platform::FileEntry& entry);

class CFileSearchCondition {
  public:
    CFileSearchCondition() = default;
    // Operator and operand first, then the field, so the operand is parsed.
    CFileSearchCondition(int32_t field, int32_t op, std::string operand,
                         const CFileSetLookup* sets = nullptr);

    // Sets the field (0 to kFieldLast) and parses the operand for it; file
    // sets of a Filename operand are read through sets (null: none). Any
    // other number leaves the condition without a field and fails.
    bool SetField(int32_t field, const CFileSetLookup* sets = nullptr);
    void SetOperator(int32_t op) { m_operator = op; }
    // REQUIRES: SetField follows before the parsed values are used.
    void SetOperand(std::string operand) { m_operand = std::move(operand); }

    int32_t Field() const { return m_field; }
    int32_t Operator() const { return m_operator; }
    const std::string& Operand() const { return m_operand; }
    uint32_t AttributeMask() const { return m_attributes; }
    uint16_t Date() const { return m_date; }
    int32_t SizeKb() const { return m_sizeKb; }
    // The signed entries of a Filename operand.
    const std::vector<std::string>& FileTypes() const { return m_fileTypes; }
    // Why a Filename operand did not expand ("" when it did).
    const std::string& ParseError() const { return m_parseError; }

    bool Matches(const SearchFileFacts& file) const;

    // Equal when field, operator and operand text are.
    friend bool operator==(const CFileSearchCondition& a, const CFileSearchCondition& b) {
        return a.m_field == b.m_field && a.m_operator == b.m_operator && a.m_operand == b.m_operand;
    }

  private:
    int32_t m_field = kFieldNone;
    int32_t m_operator = kOpNone;
    std::string m_operand;
    uint32_t m_attributes = 0;
    uint16_t m_date = 0;
    int32_t m_sizeKb = 0;
    std::vector<std::string> m_fileTypes;
    CFileSelector m_selector;
    std::string m_parseError;
};

// The settings form of a condition: "%d,%d,%s" (field, operator, operand).
std::string FormatConditionSetting(const CFileSearchCondition& condition);
// Reads "%d,%d,%[^\n]": two numbers and commas, then the operand up to a
// line end, at most 255 characters (an operand may be missing). False when
// the two numbers are not there or the field cannot be set.
bool ParseConditionSetting(std::string_view value, const CFileSetLookup* sets,
                           CFileSearchCondition* condition);

class CFileSearchRequest {
  public:
    static constexpr size_t kMaxConditions = 40;

    // Appends; false (nothing added) when the request holds kMaxConditions.
    bool AddCondition(CFileSearchCondition condition);
    // True when every condition holds, tested in order up to the first
    // that does not; a request without conditions matches every file.
    bool Matches(const SearchFileFacts& file) const;
    // Whether some condition looks at the attributes: a caller for whom
    // they cost a read fills them only then.
    bool AttributesWanted() const;

    void Clear() { m_conditions.clear(); }
    void SetName(std::string name) { m_name = std::move(name); }
    const std::string& Name() const { return m_name; }
    const std::vector<CFileSearchCondition>& Conditions() const { return m_conditions; }
    bool Empty() const { return m_conditions.empty(); }

    // The request file named fileName ("" : the request's name) in the
    // directory: a request without conditions deletes it. Errors (in
    // *error): "Search Request does not have a name!", a name that would
    // leave the directory, "Unable to save condition #%d" (zero-based: its
    // operand is longer than 256 bytes or holds a NUL), "Unable to create
    // Search Request file!". The file is replaced whole or not at all. On
    // success the name becomes fileName.
    bool Write(const std::string& directory, const std::string& fileName, std::string* error);
    // Reads the request file: "No Search Request specified!", a name that
    // would leave the directory, "Unable to open Search Request file!",
    // "Unable to load condition #%d" (the conditions before it are kept). A
    // count of 0 deletes the file and gives an empty request.
    bool Read(const std::string& directory, const std::string& fileName, const CFileSetLookup* sets,
              std::string* error);

  private:
    std::vector<CFileSearchCondition> m_conditions;
    std::string m_name;
};

// Request file bytes: a 32-bit little-endian count, then per condition
// field and operator (32-bit little-endian) and the operand in a 257-byte
// NUL-terminated area.
constexpr size_t kRequestRecordSize = 265;
constexpr size_t kRequestOperandArea = 257;
// The bytes of a request's file; false with *failed the first condition
// that cannot be stored.
bool EncodeSearchRequest(const CFileSearchRequest& request, std::string* bytes, size_t* failed);
// Reads request file bytes into *request (cleared first). False at the
// first record that is short or damaged (a count above kMaxConditions, an
// operand area without its NUL, a field that cannot be set); *failed is its
// number and the records before it are kept.
bool DecodeSearchRequest(std::string_view bytes, const CFileSetLookup* sets,
                         CFileSearchRequest* request, size_t* failed);

// Whether name may name a request file: not empty, no "/", "\", NUL or
// "..", and not ".". *error receives the refusal.
bool ValidRequestName(const std::string& name, std::string* error);
// The directory of request files under the program's directory.
std::string SearchRequestDirectory(const std::string& windowsDirectory);

} // namespace vorlane::search
