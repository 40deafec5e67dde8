// CFileViewer: decides how the selected file of a file manager window is
// shown in its viewer pane, and owns the temporary view file (the copy of
// a zip member taken out for viewing).
//
// The window fills a ViewEntry from its catalogue entry and asks Show();
// the answer is a ViewShow for the viewer control bar: a path to show (a
// plain file's host path), or a message shown in place of a viewer, or
// neither (an empty pane). Messages, in the order the rules are tried, all
// begin with "File '" and the member's name:
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
// A member that may be shown is taken out in two phases, so that the disk
// work runs as a job while the window keeps answering:
//   1. Show() answers a pending ViewShow (an empty pane; the pane stays
//      empty while the member comes out) and remembers the request under a
//      new ticket (every Show() takes one).
//   2. NextTakeOut() hands the window the request to run (at most one runs
//      at a time: a burst of caret moves over members runs the first and
//      then only the newest, never a queue of stale ones).
//   3. The take-out's Landing hands the copy ("" when it failed) back with
//      its ticket; MemberTakenOut() answers the final ViewShow (the JPEG
//      rule by content applied) when the ticket is still the newest. A
//      stale ticket (the caret moved, another Show() came, the viewer was
//      cleared by Show(nullptr)) deletes the copy at once and shows nothing;
//      so does a landing after the viewer has gone.
//
// The temporary view file is deleted before anything else whenever
// another file is shown, and when the viewer goes (window close, program
// exit). A failed take-out leaves none, and no copy is ever left behind.
//
// One thread (the GUI's): every member, and a Landing, is called there.
// The take-out itself is the window's (fileops::ExtractForViewing in a
// job); the Remover deletes what it made.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
    // A member is being taken out: the pane shows the final ViewShow when
    // the take-out lands (path and message are empty meanwhile).
    bool pending = false;
};

// Hands the end of a take-out back: the copy's host path, "" when it
// failed (the take-out told the user why). The ViewShow to put in the
// pane, or nothing when the take-out is stale or its viewer has gone (the
// copy is deleted then).
using Landing = std::function<std::optional<ViewShow>(const std::string& copy)>;

// A take-out for the window to run.
struct TakeOut {
    uint64_t ticket = 0;
    ViewEntry member;
    // Where the private directory of the copy goes: the zip temp path (DOS
    // or host) or else the system's temporary directory.
    std::string parentDir;
    Landing land; // call once, on the viewer's thread
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
    // The image format code of a file on disk, -1 when it is no picture.
    using FormatProbe = std::function<int(const std::string& hostPath)>;
    // Deletes a copy a take-out made (and what it made for it). A landing
    // that outlives the viewer keeps a copy of it: it must not depend on
    // the viewer's owner being alive.
    using Remover = std::function<void(const std::string& copy)>;

    CFileViewer(FormatProbe probe, Remover remove)
        : m_probe(std::move(probe)), m_remove(std::move(remove)) {}
    ~CFileViewer() { DeleteTemporaryViewFile(); }
    CFileViewer(const CFileViewer&) = delete;
    CFileViewer& operator=(const CFileViewer&) = delete;

    // What to show for entry (null: nothing selected). Deletes the previous
    // temporary view file first and makes every earlier ticket stale. A
    // member to be taken out gives a pending ViewShow. systemTemp as for
    // ZipMemberViewMessage.
    ViewShow Show(const ViewEntry* entry, const ViewSettings& settings,
                  const std::string& systemTemp);

    // The take-out to start now: the newest pending one when none runs.
    std::optional<TakeOut> NextTakeOut();
    // The take-out of ticket ended with copy ("" failed). The final
    // ViewShow for the newest ticket; nothing for a stale one, whose copy
    // is deleted.
    std::optional<ViewShow> MemberTakenOut(uint64_t ticket, const std::string& copy);
    // A take-out was handed out and has not landed yet.
    bool TakingOut() const { return m_running != 0; }

    // The copy taken out for the file shown now ("" when none).
    const std::string& TemporaryViewFile() const { return m_tempFile; }
    // Deletes the copy (and the private directory it was made in).
    void DeleteTemporaryViewFile();

  private:
    // The JPEG rule on a file on disk: true (and show refused) when JPEG
    // viewing is off and the probe or the name says JPEG.
    bool RefusesJpegFile(ViewShow& show, const std::string& name) const;
    void Remove(const std::string& copy) const;

    FormatProbe m_probe;
    Remover m_remove;
    std::string m_tempFile;
    uint64_t m_ticket = 0;           // the newest Show()'s
    uint64_t m_running = 0;          // the take-out handed out (0: none)
    std::optional<TakeOut> m_wanted; // the newest Show()'s take-out, not started
    std::string m_name;              // the newest Show()'s entry name
    bool m_viewJpegFiles = false;    // of the newest Show()'s settings
    // Expires with the viewer: a landing after that only deletes its copy.
    std::shared_ptr<CFileViewer*> m_self = std::make_shared<CFileViewer*>(this);
};

} // namespace vorlane::viewers
