// CFileInfo: a plain file of a directory's file list, built from the
// directory listing.
//
// The listing gives name, size and last write time at the cost of one stat
// per file. The DOS attributes need one more call per file (the stored
// attribute), which a list of a hundred thousand files should not pay for
// before anyone looks: until Attributes() is first asked, the record holds
// what the stat told (read-only from the permission bits, hidden from a
// leading ".", archive), and the first call reads the real bits from disk.
#pragma once

#include "catalogue/CFileContainer.h"
#include "platform/FileSystem.h"

namespace vorlane::catalogue {

class CFileInfo : public CFileContainer {
  public:
    CFileInfo() = default;
    // From a listing: name is the DOS name; mode the stat mode bits (for
    // the attributes until the real ones are read).
    CFileInfo(std::string name, uint64_t size, platform::DosDateTime when, uint32_t mode,
              int32_t index);
    // From a find-first/find-next entry (attributes known).
    CFileInfo(const platform::FileEntry& entry, int32_t index);

    uint32_t Attributes() const override;
    void SetAttributes(uint32_t attributes) override;
    bool IsArchiveMember() const override { return false; }
    bool RefreshFromDisk() override;

    // The host path of the file; "" when its directory cannot be mapped.
    std::string HostPath() const;

    // Records come from a pool of slots of their size (a derived class of
    // another size uses the general heap).
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);
};

} // namespace vorlane::catalogue
