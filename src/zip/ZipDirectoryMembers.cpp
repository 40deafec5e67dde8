#include "zip/ZipDirectoryMembers.h"

#include "platform/DosPathText.h"

namespace vorlane::zip {

CZipFileInfo* ZipMember(const catalogue::CZipFileDirectory& directory, int index) {
    return dynamic_cast<CZipFileInfo*>(directory.File(index));
}

CZipFileInfo* ZipMemberByName(const catalogue::CZipFileDirectory& directory,
                              std::string_view name) {
    for (const auto& file : directory.Files()) {
        auto* member = dynamic_cast<CZipFileInfo*>(file.get());
        if (member != nullptr && platform::CompareNoCase(member->BaseName(), name) == 0)
            return member;
    }
    return nullptr;
}

ZipDirectoryTotals RecountZipTotals(catalogue::CZipFileDirectory& directory) {
    directory.Count();
    ZipDirectoryTotals totals;
    totals.members = static_cast<uint32_t>(directory.FileCount());
    totals.uncompressed = directory.TotalSize();
    totals.shownCount = static_cast<uint32_t>(directory.ShownCount());
    totals.shownSize = directory.ShownSize();
    totals.taggedCount = static_cast<uint32_t>(directory.TaggedCount());
    totals.taggedSize = directory.TaggedSize();
    for (const auto& file : directory.Files())
        if (const auto* member = dynamic_cast<const CZipFileInfo*>(file.get()))
            totals.compressed += member->CompressedSize();
    totals.ratio = CZipFileInfo::Ratio(totals.compressed, totals.uncompressed);
    return totals;
}

} // namespace vorlane::zip
