#include "fileops/C4DosDescriptionSource.h"

#include "descriptions/C4DosFileDescription.h"
#include "platform/DosPath.h"

#include <vector>

namespace vorlane::fileops {

namespace {

// The entries of one description file, looked up by DOS name.
class FileDescriptions : public catalogue::CDirectoryDescriptions {
  public:
    explicit FileDescriptions(std::vector<descriptions::C4DosFileDescription> entries)
        : m_entries(std::move(entries)) {}

    std::optional<std::string> Find(const std::string& name) override {
        size_t at = descriptions::FindDescription(m_entries, platform::DosNameToHost(name));
        if (at == m_entries.size())
            return std::nullopt;
        return m_entries[at].description;
    }

  private:
    std::vector<descriptions::C4DosFileDescription> m_entries;
};

} // namespace

std::unique_ptr<catalogue::CDirectoryDescriptions>
C4DosDescriptionSource::Open(const std::string& directory, const platform::DriveMap& drives) {
    std::vector<descriptions::C4DosFileDescription> entries;
    if (!descriptions::ReadDescriptionFile(drives, directory, &entries) || entries.empty())
        return nullptr;
    return std::make_unique<FileDescriptions>(std::move(entries));
}

} // namespace vorlane::fileops
