// CZipFileInfo: one member of a zip archive as an entry of the catalogue,
// made only from the engine's member record (ZipItemRecord) and owned by
// the archive's CZipFileDirectory, like a plain file by its directory.
//
// What the catalogue sees:
//   Name()      the base name (FILE.TXT of DIR\SUB\FILE.TXT): the file
//               list's name column, the name sorting, the extension and
//               the type name go by it;
//   FullPath()  the archive's path joined with the member's path name
//               (C:\A.ZIP\DIR\SUB\FILE.TXT), unique within the archive;
//               the zip directory keeps tags across reads by it;
//   Size()      the uncompressed size (64-bit);
//   Date()/Time() the DOS date and time decoded from the engine's texts;
//   Attributes() the whole attribute word (0x8000 marks an encrypted
//               member); Index() the member number.
// The member's real name (RealName(): as stored, case kept, '/' between
// components, whole however long) is what operations address it by; the
// upper-cased path name is what the list shows. A '\' inside a name (an
// archive from a Unix host) is part of the name, not a separator: the base
// name and the relative directory split at the real name's '/' only.
// The member's own texts (method, ratio, attribute letters, listing line)
// are here too. Immutable after construction apart from the catalogue's
// flags (tag, shown, state). One thread.
#pragma once

#include "catalogue/CFileContainer.h"
#include "zip/ZipEngine.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane::catalogue {
class CZipFileDirectory;
}

namespace vorlane::zip {

// Bits of the listing line (and of the zip display details that choose
// the file list's columns), appended in this order: 0x001, 0x002, 0x008,
// 0x040, 0x080, 0x100, 0x400, 0x200.
enum ZipListingFlag : uint32_t {
    kZipListName = 0x001,         // the path name ("Filename (ALWAYS)")
    kZipListSize = 0x002,         // " %8luk", kilobytes rounded up ("File &Size")
    kZipListDateTime = 0x008,     // " date time" ("Creation &Date/Time")
    kZipListAttributes = 0x040,   // " R.H.S.A.E" ("&Attributes")
    kZipListRatio = 0x080,        // " %3d" ("ZIP &Ratio")
    kZipListMethod = 0x100,       // " %-15s" ("ZIP &Method")
    kZipListRelativePath = 0x200, // " relative directory" ("&Path (Relative Path)")
    kZipListArchivePath = 0x400,  // " the archive's path"
};

class CZipFileInfo : public catalogue::CFileContainer {
  public:
    // realName: the member's whole name as the engine lists it
    // (UnzipCommandRecord::memberName); "" takes the record's name field.
    explicit CZipFileInfo(const ZipItemRecord& record, std::string realName = {});

    bool IsArchiveMember() const override { return true; }
    // The archive's path joined with the path name.
    std::string FullPath() const override;
    // The listing line (flags as ZipListingFlag); printed lists use it.
    std::string LineText(uint32_t flags) const override { return ListingLine(flags); }

    // The record as the engine gave it.
    const ZipItemRecord& Record() const { return m_record; }
    // The archive holding the member (null before it is added to one).
    catalogue::CZipFileDirectory* ZipDirectory() const;

    // The member's name as stored: case kept, '/' between components. The
    // name to address the member by (delete, move, extract by name).
    const std::string& RealName() const { return m_realName; }
    // The member's name, upper-cased, with '\' between components.
    const std::string& PathName() const { return m_pathName; }
    // The part after the last separator (all of it without one).
    std::string_view BaseName() const;
    // The part before the last separator; "" without one.
    std::string_view RelativeDirectory() const;
    // The archive's path joined with the path name.
    std::string FullName() const { return FullPath(); }

    uint32_t AttributeWord() const { return m_record.attributes; }
    bool Encrypted() const { return (m_record.attributes & kZipItemEncrypted) != 0; }
    // "R.H.S.A.E" with '.' for each bit that is clear.
    std::string AttributeLetters() const { return AttributeLetters(m_record.attributes); }
    static std::string AttributeLetters(uint32_t attributes);

    uint16_t DosDate() const { return Date(); }
    uint16_t DosTime() const { return Time(); }
    std::string DateText() const { return CFileContainer::DateText(Date()); }
    std::string TimeText() const { return CFileContainer::TimeText(Time()); }

    uint64_t CompressedSize() const { return m_compressedSize; }
    uint64_t UncompressedSize() const { return Size(); }
    // Whole percent saved: 100 - compressed * 100 / uncompressed, truncated
    // toward zero; 0 for an empty member; negative for one that grew.
    int Ratio() const { return m_ratio; }
    int Method() const { return m_record.method; }
    const char* MethodName() const { return MethodName(m_record.method); }
    // The engine's index of the member (the whole 32-bit one).
    uint32_t MemberNumber() const { return m_record.memberIndex; }

    // The listing line: the parts chosen by flags, lower-cased.
    std::string ListingLine(uint32_t flags) const;
    // The text of one column of the file list (one ZipListingFlag), as
    // the member holds it: kZipListName the base name, kZipListSize
    // "12k", kZipListDateTime date and time, kZipListAttributes the
    // letters, kZipListRatio "40", kZipListMethod the method name,
    // kZipListRelativePath the relative directory, kZipListArchivePath the
    // archive's path; "" for any other value.
    std::string ColumnText(uint32_t column) const;
    // The size column: the uncompressed size in kilobytes rounded up.
    uint64_t Kilobytes() const { return KilobytesRoundedUp(Size()); }

    // --- the rules, for anyone who shows zip texts ----------------------------
    static const char* MethodName(int method);
    static int Ratio(uint64_t compressed, uint64_t uncompressed);
    static uint64_t KilobytesRoundedUp(uint64_t bytes);
    // "MM-DD-YY" or "MM-DD-YYYY" to a DOS date (years before 1980 give
    // 1980, after 2107 give 2107); unreadable numbers read as 0.
    static uint16_t DecodeDate(const char* text, size_t size);
    // "HH:MM" (24-hour), or "HH:MMa" / "HH:MMp" (12-hour) to a DOS time.
    static uint16_t DecodeTime(const char* text, size_t size);

  private:
    ZipItemRecord m_record;
    std::string m_realName;
    std::string m_pathName;
    // Where the base name starts in both names (after the real name's last
    // '/'; 0 without one).
    uint32_t m_baseStart = 0;
    uint64_t m_compressedSize = 0;
    int m_ratio = 0;
};

} // namespace vorlane::zip
