// CThumbnailMaintenance: makes, scans for, and removes the thumbnails of
// the object database (ThumbnailStore.h). Used once per command, by the
// thumbnail job (CThumbnailJob) on its thread, or at once by a console or
// a test:
//
//   MakeThumbnail  one picture: load it shrunk to 128 by 96 at most by the
//                  fit rule, encode it as an 8-bit palette PNG, store it
//                  under the lower-cased path with the exact path inside;
//   Scan           a directory, breadth first, optionally with every
//                  directory below it: each file whose name passes the
//                  scan filter (the wildcards of the chosen image types, as
//                  one condition of a search request) becomes a thumbnail;
//   RemoveAll, RemoveOrphans  (with their questions and texts).
//
// The scan decodes on every core: a pool of workers loads and encodes,
// while the calling thread walks the directories, fills the status window
// and stores each result, so the store is only ever called on the caller's
// thread. It never enters a directory through a symbolic link, takes a
// linked picture only when the link stays inside the scanned tree, and
// skips FIFOs, sockets and devices. Cancel (the status window's or the
// context's) is seen before every directory and file and while results are
// awaited; the scan then ends after the pictures being decoded.
//
// The directories where thumbnails were made are announced when the scan
// ends, as Changed notices of the directory, so the windows showing them
// draw the new thumbnails.
#pragma once

#include "search/CFileSearchRequest.h"
#include "ui/OperationContext.h"
#include "ui/UserInterface.h"
#include "viewers/ThumbnailStore.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlane::viewers {

// The box every thumbnail is stored in.
inline constexpr int kThumbnailWidth = 128;
inline constexpr int kThumbnailHeight = 96;
// Paths in the scan window are shortened to this many characters.
inline constexpr size_t kThumbnailPathLimit = 40;

// The scan filter: the wildcard lists of the chosen format codes joined with
// ";" in the order given ("*.PNG;*.BMP" for the default types); codes
// without a row are left out.
std::string ThumbnailScanFilter(const std::vector<int32_t>& types);
// The request the scan picks files with: one Filename "=" condition whose
// operand is the filter. False when no type is chosen.
bool ThumbnailScanRequest(const std::vector<int32_t>& types, search::CFileSearchRequest* request);

struct ThumbnailScanCounts {
    int directories = 0; // directories scanned
    int files = 0;       // files examined
    int thumbnails = 0;  // thumbnails created
    int failures = 0;    // pictures that could not be made into one
};

class CThumbnailMaintenance {
  public:
    // types: the image format codes to scan; workers: decoding threads (0:
    // one per core). REQUIRES: context and store outlive the object.
    CThumbnailMaintenance(const ui::OperationContext& context, IThumbnailStore& store,
                          std::vector<int32_t> types, unsigned workers = 0);

    // Asks "Do you wish to remove all %d thumbnails from Vorlane's object
    // database?" and deletes them; the number deleted (0 when there were
    // none, with "There are no thumbnails in Vorlane's object database!").
    int RemoveAll();
    // Deletes every thumbnail whose name is not the path of an existing file
    // (a file found under the name in another case counts); the number
    // deleted.
    int RemoveOrphans();
    // One picture; true when its thumbnail was stored. status (may be null)
    // shows the file and each step.
    bool MakeThumbnail(const std::string& dosPath, ui::StatusWindow* status);
    // True when at least one thumbnail was created.
    bool Scan(const std::string& dosDirectory, bool recurse);
    // The scan of the drive's root with recursion, when the drive is mapped.
    bool ScanDrive(char letter);

    const ThumbnailScanCounts& Counts() const { return m_counts; }
    bool Cancelled() const { return m_cancelled; }

  private:
    // Deletes the names remove picks, showing text in a status window;
    // the number deleted.
    int RemoveWhere(const std::vector<std::string>& names, const char* caption, const char* text,
                    const std::function<bool(const std::string&)>& remove);
    bool Store(const std::string& dosPath, const std::vector<uint8_t>& png,
               ui::StatusWindow* status);

    const ui::OperationContext& m_context;
    IThumbnailStore& m_store;
    std::vector<int32_t> m_types;
    unsigned m_workers;
    ThumbnailScanCounts m_counts;
    bool m_cancelled = false;
};

// Loads the picture at hostPath and makes its thumbnail's PNG bytes (not yet
// carrying the path). step (may be null) is told "Loading...",
// "Resizing..." (when the picture is bigger than the box) and "Converting
// to Compuserve PNG format...". False with *error set on failure. Any
// thread.
bool MakeThumbnailPng(const std::string& hostPath, std::vector<uint8_t>* png, std::string* error,
                      const std::function<void(const char*)>& step = {});

} // namespace vorlane::viewers
