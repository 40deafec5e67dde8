// CZipFileInfo: one member of a zip archive as an entry of the catalogue,
// made from the member entry a directory read lists (zip::ZipMemberEntry)
// and owned by the archive's CZipFileDirectory, like a plain file by its
// directory.
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
//
// An archive may hold hundreds of thousands of members, so an entry keeps
// only what it cannot work out again: beside the catalogue's fields, the
// member's name once (as stored, the entry's own buffer taken over) and
// its compressed size and method in one word. The path name, the relative
// directory and the engine's record are made from them when asked.
#pragma once

#include "catalogue/CFileContainer.h"
#include "zip/ZipEngine.h"
#include "zip/ZipMemberEntry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vorlane::catalogue {

class CZipFileDirectory;

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

class CZipFileInfo : public CFileContainer {
  public:
    // Takes the entry's name buffer over.
    explicit CZipFileInfo(zip::ZipMemberEntry&& entry);
    // realName: the member's whole name as the engine lists it
    // (UnzipCommandRecord::memberName); "" takes the record's name field.
    explicit CZipFileInfo(const zip::ZipItemRecord& record, std::string_view realName = {});

    bool IsArchiveMember() const override { return true; }
    // The archive's path joined with the path name.
    std::string FullPath() const override;
    // The listing line (flags as ZipListingFlag); printed lists use it.
    std::string LineText(uint32_t flags) const override { return ListingLine(flags); }

    // The record as the engine gave it (made again from the entry; a name
    // longer than the record's field is cut there, as the engine cuts it).
    zip::ZipItemRecord Record() const;
    // The archive holding the member (null before it is added to one).
    CZipFileDirectory* ZipDirectory() const;

    // The member's name as stored (whole, however long): case kept, '/'
    // between components; a '\' is part of a name.
    std::string_view StoredName() const { return m_storedName.get(); }
    // The name to address the member by (delete, move, extract by name):
    // the stored name itself, kept once.
    std::string_view RealName() const { return StoredName(); }
    // The member's name, upper-cased, with '\' between components.
    std::string PathName() const;
    // The part after the last '/' of the stored name (all of it without
    // one), upper-cased.
    std::string_view BaseName() const { return m_name; }
    // The part before the last '/' of the stored name in the path name's
    // form; "" without one.
    std::string RelativeDirectory() const;
    // The archive's path joined with the path name.
    std::string FullName() const { return FullPath(); }

    uint32_t AttributeWord() const { return m_attributes; }
    bool Encrypted() const { return (m_attributes & zip::kZipItemEncrypted) != 0; }
    // "R.H.S.A.E" with '.' for each bit that is clear.
    std::string AttributeLetters() const { return AttributeLetters(m_attributes); }
    static std::string AttributeLetters(uint32_t attributes);

    uint16_t DosDate() const { return Date(); }
    uint16_t DosTime() const { return Time(); }
    std::string DateText() const { return CFileContainer::DateText(Date()); }
    std::string TimeText() const { return CFileContainer::TimeText(Time()); }

    // Up to 2^48 - 1 (larger sizes, which no file holds, are kept at that).
    uint64_t CompressedSize() const { return m_compressedAndMethod & kCompressedMask; }
    uint64_t UncompressedSize() const { return Size(); }
    // Whole percent saved: 100 - compressed * 100 / uncompressed, truncated
    // toward zero; 0 for an empty member; negative for one that grew.
    int Ratio() const { return zip::ZipMemberEntry::Ratio(CompressedSize(), Size()); }
    int Method() const { return static_cast<int>(m_compressedAndMethod >> kMethodShift); }
    const char* MethodName() const { return zip::ZipMemberEntry::MethodName(Method()); }
    // The engine's index of the member (kept as the entry's index).
    uint32_t MemberNumber() const { return static_cast<uint32_t>(m_index); }

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
    uint64_t Kilobytes() const { return zip::ZipMemberEntry::KilobytesRoundedUp(Size()); }

  private:
    static constexpr int kMethodShift = 48;
    static constexpr uint64_t kCompressedMask = (uint64_t{1} << kMethodShift) - 1;

    // The name as stored, NUL-terminated.
    std::unique_ptr<char[]> m_storedName;
    // The compressed size in the low 48 bits, the method number above.
    uint64_t m_compressedAndMethod = 0;
};

} // namespace vorlane::catalogue
