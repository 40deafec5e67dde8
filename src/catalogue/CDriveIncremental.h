// CDriveIncremental: a logged plain drive ("C:"). Logging reads the root
// and the first level of directories; deeper levels are read when the user
// opens them in the tree, asks for a level, or goes to a directory not yet
// in the catalogue. Directories and zip files become directory containers;
// files are read only for the current directory.
//
// The scan reads directories breadth first from a start path down to a
// maximum level. A directory at the deepest level read gets at most one
// child entry (the first directory or zip file its listing returns), so the
// tree can show that it opens without reading it. Zip files are never
// descended into. Symbolic links to directories appear as directories, but
// a scan never descends through one: a link is read only when it is the
// start of a scan (the user opened it), and then one level deep.
// Directories that vanish or refuse listing yield no entries; the scan goes
// on with the next.
//
// Invariant (besides CDriveContainer's): every directory's parent is in the
// vector, up to the root.
#pragma once

#include "catalogue/CDriveContainer.h"

namespace vorlane::catalogue {

class CDriveIncremental : public CDriveContainer {
  public:
    explicit CDriveIncremental(CCatalogueEnvironment* env = nullptr) : CDriveContainer(env) {}

    int Kind() const override { return kDriveIncremental; }

    // Logs the drive named by the first character of name: the root and
    // its first level. Shows "Cannot log drive '%c' - drive is undefined!"
    // and fails when the letter has no drive.
    bool Log(const std::string& name) override;

    // Reads directories below startPath (which must be logged) down to
    // maxLevel; -1 means one level below the start. The root of a drive
    // that already holds two or more directories is not read again for -1.
    // Returns the number of directories added.
    int Scan(const std::string& startPath, int maxLevel);

    // Makes sure path is in the catalogue when it exists on disk: its
    // nearest logged ancestor is scanned down to the path's level (and, for
    // a path reached through a link, each missing step is read in turn).
    // True when the path is logged afterwards.
    bool LogPath(const std::string& path);

    // Brings one directory's children up to date after a change on disk:
    // children that are gone are removed with their subtrees, new ones are
    // added (with their marker children). False when path is not logged.
    bool RefreshBranch(const std::string& path);
};

} // namespace vorlane::catalogue
