// CFileViewer: decides how the selected file of a file manager window is
// shown in its viewer pane, and owns the temporary view file (the copy of
// a zip member taken out for viewing).
//
// The window fills a ViewEntry from its catalogue entry and asks Show();
// the answer is a ViewShow for the viewer control bar: a path to show (a
// plain file's host path or the taken-out copy), or a message shown in
// place of a viewer, or neither (an empty pane). Messages, in the order
// the rules are tried, all begin with "File '" and the member's name:
//   1. the archive is multi-volume;
//   2. viewing files in zip files is off;
//   3. the member is encrypted (attribute word 0x8000);
//   4. with a zip temp path set: the member is bigger than the maximum view
//      size (kilobytes, compared as a fraction: 24576 bytes is 24k and is
//      shown, 24577 is not; a maximum of 0 means no limit);
//      without one the system temporary directory is used, and when there
//      is none either the temp path message;
//   5. JPEG viewing is off and the file is a JPEG picture (format codes 5,
//      10 and 11; a member is judged by its name before it is taken out).
//
// The temporary view file is deleted before anything else whenever
// another file is shown, and when the viewer goes (program exit). A
// failed take-out leaves none.
//
// One thread (the GUI's); the take-out itself is handed in (the GUI runs
// it through fileops::ExtractForViewing).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorlane::viewers {

// The viewing settings of the application (app::AppSettings).
struct ViewSettings {
    bool viewFilesInZipFiles = true; // "View Files In Zip Files"
    bool viewJpegFiles = false;      // "View JPEG Files"
    int maxZipViewSizeKb = 24;       // "Max Size Of File In Zip File To View"; 0 = no limit
    std::string zipTempPath;         // "Zip Temp Path" (DOS or host); "" = the system's
};

// What the viewer needs of a catalogue entry.
struct ViewEntry {
    std::string name;     // the name the file list shows (messages)
    std::string hostPath; // a plain file's host path ("" for a member)
    uint64_t size = 0;    // a member's uncompressed size
    bool zipMember = false;
    bool multiVolume = false;   // the member's archive is multi-volume
    uint32_t attributeWord = 0; // a member's attributes (0x8000 encrypted)
    std::string zipPath;        // the archive (DOS path) of a member
    std::string memberName;     // the member's name as stored
};

// What the viewer control bar is to show.
struct ViewShow {
    std::string path;        // host path; "" shows an empty pane
    std::string displayName; // the caption's name
    std::string message;     // shown in place of a viewer when not empty
    bool deleteWhenDone = false;
};

constexpr uint32_t kEncryptedAttribute = 0x8000;

// Image format codes that count as JPEG pictures.
bool IsJpegFormatCode(int code);

// The message rules 1 to 4 for a member; "" when it may be taken out.
// systemTemp is the system temporary directory ("" when there is none).
std::string ZipMemberViewMessage(const ViewEntry& entry, const ViewSettings& settings,
                                 const std::string& systemTemp);

class CFileViewer {
  public:
    // Takes member out into a private place under parentDir (host path);
    // returns the copy's host path or "" (after telling the user why).
    using Extractor =
        std::function<std::string(const ViewEntry& member, const std::string& parentDir)>;
    // The image format code of a file on disk, -1 when it is no picture.
    using FormatProbe = std::function<int(const std::string& hostPath)>;
    // Deletes a copy the extractor made (and what it made for it).
    using Remover = std::function<void(const std::string& copy)>;

    CFileViewer(Extractor extract, FormatProbe probe, Remover remove)
        : m_extract(std::move(extract)), m_probe(std::move(probe)), m_remove(std::move(remove)) {}
    ~CFileViewer() { DeleteTemporaryViewFile(); }
    CFileViewer(const CFileViewer&) = delete;
    CFileViewer& operator=(const CFileViewer&) = delete;

    // What to show for entry (null: nothing selected). Deletes the previous
    // temporary view file first. systemTemp as for ZipMemberViewMessage.
    ViewShow Show(const ViewEntry* entry, const ViewSettings& settings,
                  const std::string& systemTemp);

    // The copy taken out for the file shown now ("" when none).
    const std::string& TemporaryViewFile() const { return m_tempFile; }
    // Deletes the copy (and the private directory it was made in).
    void DeleteTemporaryViewFile();

  private:
    Extractor m_extract;
    FormatProbe m_probe;
    Remover m_remove;
    std::string m_tempFile;
};

} // namespace vorlane::viewers
