#include "zip/ZipSupport.h"

#include "catalogue/CDriveContainer.h"
#include "catalogue/CDriveItemList.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CatalogueServices.h"
#include "zip/CDriveZip.h"
#include "zip/CZipFileOperation.h"
#include "zip/private/ZipDirectoryRead.h"

#include <cstdio>
#include <new>

namespace vorlane::zip {

namespace detail {

namespace {
ZipReadOutcome g_lastOutcome;
}

int ReadZipMembers(catalogue::CZipFileDirectory& directory) {
    static const catalogue::CCatalogueEnvironment none;
    const catalogue::CCatalogueEnvironment& env =
        directory.Drive() != nullptr ? directory.Drive()->Environment() : none;
    catalogue::CCatalogueView& view = env.View();
    g_lastOutcome = ZipReadOutcome();
    try {
        char text[512];
        std::snprintf(text, sizeof text, "Scanning zip '%s'...", directory.DisplayName().c_str());
        view.SetStatusText(1, text, true);
        view.FileListChanged();
        CZipFileOperation op(nullptr, "", true);
        op.SetCompressionLevel(0);
        const int state = op.ReadDirectory(directory.Path(), directory,
                                           directory.Kind() == catalogue::kDirectoryZipMultiVolume);
        g_lastOutcome = {op.DeferredError(), op.UnzipResultCode(), op.SystemError()};
        view.FileListChanged();
        return state;
    } catch (const std::bad_alloc&) {
        directory.FreeFileList();
        g_lastOutcome.unzipResult = kUnzipOutOfMemory;
        return catalogue::kZipDamaged;
    }
}

ZipReadOutcome LastReadOutcome() {
    return g_lastOutcome;
}

} // namespace detail

namespace {

class CZipArchiveReader : public catalogue::CZipDirectoryReader {
  public:
    int ReadMembers(catalogue::CZipFileDirectory& directory) override {
        return detail::ReadZipMembers(directory);
    }
};

} // namespace

void InstallZipSupport() {
    // Installing again puts the same reader and makers in place.
    static CZipArchiveReader reader;
    catalogue::CZipFileDirectory::SetReader(&reader);
    catalogue::CDriveItemList::RegisterKind(
        catalogue::kDriveZip,
        [](catalogue::CCatalogueEnvironment* env) -> std::unique_ptr<catalogue::CDriveContainer> {
            return std::make_unique<CDriveZip>(env);
        });
    catalogue::CDriveItemList::RegisterKind(
        catalogue::kDriveMultiVolumeZip,
        [](catalogue::CCatalogueEnvironment* env) -> std::unique_ptr<catalogue::CDriveContainer> {
            return std::make_unique<CDriveMultiVolumeZip>(env);
        });
}

} // namespace vorlane::zip
