// CFileContainer: one file of a directory's file list, a plain file
// (CFileInfo) or a zip member (CZipFileInfo). It lives only while its
// directory is current (or while an operation holds the directory's list):
// the directory owns it and frees it when the user leaves.
//
// The facts every kind of file has (name, size, DOS date and time,
// attributes, the tag and shown flags, the state word, the enumeration
// index, the description) live here, so tags, counts and sorting work the
// same over plain files and zip members; derived classes add how a file
// is reached on disk.
//
// Not copyable; one thread.
#pragma once

#include "catalogue/CatalogueTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vorlane::search {
class CFileSearchRequest;
}

namespace vorlane::catalogue {

class CDirectoryContainer;

// A thumbnail image held by a file record; the viewers module derives
// from it.
class CThumbnailImage {
  public:
    virtual ~CThumbnailImage() = default;
};

enum ThumbnailState : int8_t {
    kThumbnailNotLooked = -1,
    kThumbnailNone = 0,
    kThumbnailLoaded = 1,
};

class CFileContainer {
  public:
    CFileContainer() = default;
    virtual ~CFileContainer();
    CFileContainer(const CFileContainer&) = delete;
    CFileContainer& operator=(const CFileContainer&) = delete;

    // DOS attribute bits (platform::FileAttribute).
    virtual uint32_t Attributes() const { return m_attributes; }
    // Nine characters, '.' where a bit is clear: R at 0, H at 2, S at 4, A at 6.
    std::string AttributeText() const { return AttributeText(Attributes()); }
    static std::string AttributeText(uint32_t attributes);
    // DOS packed date (day bits 0-4, month 5-8, years since 1980 9-15) and
    // time (seconds/2 bits 0-4, minutes 5-10, hours 11-15) of the last write.
    uint16_t Date() const { return m_date; }
    uint16_t Time() const { return m_time; }
    // "%2d-%02d-%02d" (month, day, two-digit year), or eight dots for a
    // month of 0 or above 12.
    static std::string DateText(uint16_t date);
    // "%02u:%02u%c" on a 12-hour clock with 'a' or 'p', or six dots for an
    // hour of 25 or more.
    static std::string TimeText(uint16_t time);
    void DateTimeText(std::string* date, std::string* time) const;

    const std::string& Description() const;
    CDirectoryContainer* Parent() const { return m_parent; }
    // The parts chosen by LineTextFlag bits, for printed lists.
    virtual std::string LineText(uint32_t flags) const;
    // Position in the directory listing (the "unsorted" order); -1 before set.
    int32_t Index() const { return m_index; }
    // Asked lazily, then kept.
    virtual const std::string& TypeName() const;
    CThumbnailImage* Thumbnail() const { return m_thumbnail.get(); }
    int ThumbnailState() const { return m_thumbnailState; }
    // Icon handles of the front end's icon cache, made on first use; -1 none.
    int32_t LargeIcon() const { return m_largeIcon; }
    int32_t SmallIcon() const { return m_smallIcon; }
    // The file passes the window's file search criteria.
    bool Shown() const { return m_shown; }
    // The name as the program shows it (a DOS name).
    const std::string& Name() const { return m_name; }
    // The path of the file's directory ("" without one).
    std::string DirectoryPath() const;
    // The full DOS path.
    virtual std::string FullPath() const;
    // Bytes.
    uint64_t Size() const { return m_size; }
    int State() const { return m_state; }
    bool Tagged() const { return m_tagged; }
    virtual int IsFile() const { return 1; }
    virtual bool IsArchiveMember() const = 0;
    // Read-only, hidden or system.
    bool IsProtected() const { return (Attributes() & 0x07) != 0; }

    virtual void SetAttributes(uint32_t attributes) { m_attributes = attributes; }
    void SetDate(uint16_t date) { m_date = date; }
    void SetTime(uint16_t time) { m_time = time; }
    // Null or "" removes the description.
    void SetDescription(const std::string* text);
    void SetDescription(std::string text);
    void SetParent(CDirectoryContainer* parent) { m_parent = parent; }
    void SetTypeName(std::string_view typeName);
    void SetShown(bool shown) { m_shown = shown; }
    void SetName(std::string name) { m_name = std::move(name); }
    void SetState(int state) { m_state = static_cast<int8_t>(state); }
    // The raw flag; tagging through SetTag (FileGroups.h) also keeps the
    // directory's tagged count and size.
    void SetTagged(bool tagged) { m_tagged = tagged; }
    void SetIndex(int32_t index) { m_index = index; }
    void SetSize(uint64_t size) { m_size = size; }
    void SetIcons(int32_t large, int32_t small) {
        m_largeIcon = large;
        m_smallIcon = small;
    }
    void FreeIcons() { SetIcons(-1, -1); }
    void SetThumbnail(std::unique_ptr<CThumbnailImage> image, int state);
    void ReleaseThumbnail();
    // Takes attributes, date, time and size from the disk again; false (and
    // the record unchanged) when the file cannot be found.
    virtual bool RefreshFromDisk() { return false; }

  protected:
    // The fields that tagging, counting and sorting read come first, so a
    // run over a hundred thousand records touches one cache line of each.
    // The flags are bits of one byte: a record is as small as it can be
    // (archives and directories hold hundreds of thousands).
    uint64_t m_size = 0;
    bool m_shown : 1 = true;
    bool m_tagged : 1 = false;
    mutable bool m_attributesPending : 1 = false; // CFileInfo reads them on first use
    int8_t m_state = kFileNormal;
    int8_t m_thumbnailState = kThumbnailNotLooked;
    uint16_t m_date = 0;
    uint16_t m_time = 0;
    int32_t m_index = -1;
    mutable uint32_t m_attributes = 0;
    std::string m_name;
    CDirectoryContainer* m_parent = nullptr;
    mutable std::shared_ptr<const std::string> m_typeName; // shared by files of one type
    std::unique_ptr<std::string> m_description;            // null: none
    std::unique_ptr<CThumbnailImage> m_thumbnail;
    int32_t m_largeIcon = -1;
    int32_t m_smallIcon = -1;
};

// Whether file meets every search condition. The attributes (a disk read
// for a plain file, on first use) are asked only when a condition looks at
// them.
bool FileMatches(const search::CFileSearchRequest& conditions, const CFileContainer& file);

} // namespace vorlane::catalogue
