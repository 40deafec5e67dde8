#include "catalogue/ZipDirectoryMembers.h"

#include "platform/DosPathText.h"

namespace vorlane::catalogue {

CZipFileInfo* ZipMember(const CZipFileDirectory& directory, int index) {
    return dynamic_cast<CZipFileInfo*>(directory.File(index));
}

CZipFileInfo* ZipMemberByName(const CZipFileDirectory& directory, std::string_view name) {
    for (const auto& file : directory.Files()) {
        auto* member = dynamic_cast<CZipFileInfo*>(file.get());
        if (member != nullptr && platform::CompareNoCase(member->BaseName(), name) == 0)
            return member;
    }
    return nullptr;
}

ZipDirectoryTotals RecountZipTotals(CZipFileDirectory& directory) {
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
    totals.ratio = zip::ZipMemberEntry::Ratio(totals.compressed, totals.uncompressed);
    return totals;
}

std::vector<std::string> ZipRealNames(const std::vector<const CZipFileInfo*>& members) {
    std::vector<std::string> names;
    names.reserve(members.size());
    for (const CZipFileInfo* member : members)
        if (member != nullptr)
            names.emplace_back(member->RealName());
    return names;
}

} // namespace vorlane::catalogue
