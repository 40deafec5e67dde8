// What the catalogue asks of the modules built around it, as interfaces
// they implement, and the options it follows. The catalogue itself never
// depends on those modules:
//
//   CFileCriteria        a search request: does a file pass? (Custom Tag
//                        tags by it; the window's own search conditions
//                        are in its display settings)
//   CCustomTagSource     asks the user for the Custom Tag criteria (the
//                        "File Search Details" dialog captioned "Custom Tag")
//   CDescriptionSource   the 4DOS descriptions of a directory's files
//   CCatalogueView       the window that shows a session: status bar
//                        fields, file list and tree redraws
//   CCatalogueOptions    "Preserve Tags" and "4DOS Descriptions"
//
// A CCatalogueEnvironment bundles them with the operation context of the
// catalogue's own disk work; a CFileManagerSession owns one and hands it to
// its drives. Every pointer in it is borrowed: the owner of the session
// keeps the services alive for the session's lifetime.
//
// Threads: the catalogue has one owner thread, the GUI thread (the
// console's thread in a console run). Every session, drive, directory and
// file record is read and changed on it only, and nothing in the catalogue
// takes a lock. Jobs on worker threads never touch it: they announce their
// changes through the context's change sink, and the owner thread applies
// them.
#pragma once

#include "ui/OperationContext.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::catalogue {

class CFileContainer;

// A search request as the catalogue sees it.
class CFileCriteria {
  public:
    virtual ~CFileCriteria() = default;
    virtual bool Matches(const CFileContainer& file) const = 0;
};

// Shows the Custom Tag dialog (caption "Custom Tag", help context 14435);
// the criteria entered, or null when the user cancelled.
class CCustomTagSource {
  public:
    virtual ~CCustomTagSource() = default;
    virtual std::shared_ptr<const CFileCriteria> AskCustomTag() = 0;
};

// The descriptions of one directory, open while its file list is read.
class CDirectoryDescriptions {
  public:
    virtual ~CDirectoryDescriptions() = default;
    // The description of a file (DOS name), or nothing.
    virtual std::optional<std::string> Find(const std::string& name) = 0;
};

// Opens the descriptions of a directory (DOS path, translated through
// drives) for one read; null when it has none. Asked only while "4DOS
// Descriptions" is set.
class CDescriptionSource {
  public:
    virtual ~CDescriptionSource() = default;
    virtual std::unique_ptr<CDirectoryDescriptions> Open(const std::string& directory,
                                                         const platform::DriveMap& drives) = 0;
};

// The window (or console) that shows a session. Every call has a default
// that does nothing.
class CCatalogueView {
  public:
    virtual ~CCatalogueView() = default;
    // Status bar field 1 to 4 shows text; repaint shows it at once.
    virtual void SetStatusText(int /*field*/, const std::string& /*text*/, bool /*repaint*/) {}
    // Work in progress (a drive scan's count, a zip file being read) shows
    // in field 1 at once; ProgressEnded() follows when the work is over, and
    // the field shows again what it showed before (the drive's free space),
    // never a count that stopped.
    virtual void ShowProgress(const std::string& text) { SetStatusText(1, text, true); }
    virtual void ProgressEnded() {}
    // The file list of the current directory must be drawn again.
    virtual void FileListChanged() {}
    // The drive's directory vector changed (a scan, a removal): rebuild
    // the tree from it.
    virtual void TreeChanged() {}
};

struct CCatalogueOptions {
    bool preserveTags = true;         // "Preserve Tags"
    bool fourDosDescriptions = false; // "4DOS Descriptions"
};

class CCatalogueEnvironment {
  public:
    // The context of the catalogue's own disk work (logging drives,
    // reading directories and zip files, and the questions and messages on
    // the way): the user interface, the drive map snapshot, the options.
    // The front end that owns the session gives its source of contexts,
    // asked afresh for each piece of work, so a changed setting or drive
    // map takes effect at the next one. Without a source, the
    // application's default context is used
    // (app::VorlaneApp::DefaultContext()).
    using ContextSource = std::function<ui::OperationContext()>;
    void SetContextSource(ContextSource source) { m_contextSource = std::move(source); }
    ui::OperationContext Context() const;
    // The context's user interface and drive map snapshot.
    ui::UserInterface& Ui() const;
    std::shared_ptr<const platform::DriveMap> Drives() const;

    // The options in force: the ones set here, else the context's.
    CCatalogueOptions Options() const;
    void SetOptions(std::optional<CCatalogueOptions> options) { m_options = options; }

    CDescriptionSource* descriptions = nullptr;
    CCatalogueView* view = nullptr;

    // The view to call (a silent one when none is set).
    CCatalogueView& View() const;

  private:
    std::optional<CCatalogueOptions> m_options;
    ContextSource m_contextSource;
};

} // namespace vorlane::catalogue
