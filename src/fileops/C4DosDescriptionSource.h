// The catalogue's source of 4DOS descriptions: when a directory's file
// list is read (and "4DOS Descriptions" is set, which the catalogue checks
// before it asks), Open reads the directory's DESCRIPT.ION and the list
// takes each file's description from it.
//
// Reading for display changes nothing on disk: no attribute is set and no
// file is made (unlike C4DosDescriptionDatabase, which leaves a file it
// held hidden). A description file that is missing or cannot be read gives
// no descriptions and no message.
//
// The owner of a CFileManagerSession (the windowing shell, the console)
// makes one and hands it to SetDescriptionSource; it keeps no state
// between calls and outlives the session.
#pragma once

#include "catalogue/CatalogueServices.h"

#include <memory>
#include <string>

namespace vorlane::fileops {

class C4DosDescriptionSource : public catalogue::CDescriptionSource {
  public:
    // Null when the directory has no descriptions.
    std::unique_ptr<catalogue::CDirectoryDescriptions>
    Open(const std::string& directory, const platform::DriveMap& drives) override;
};

} // namespace vorlane::fileops
