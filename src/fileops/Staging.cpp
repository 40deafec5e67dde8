#include "fileops/private/Staging.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/ProgramDirs.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace vorlane::fileops {

bool Staging::Make(const ui::OperationContext& context, const std::string& nearZip,
                   const char* prefix) {
    Remove();
    const std::string& work = context.Options().zipTempPath;
    std::vector<std::string> bases;
    if (!work.empty()) {
        std::string host = work;
        if (work[0] == '/' || platform::DosToHost(work, &host, nullptr, context.Drives()))
            bases.push_back(host);
    }
    bases.push_back(platform::TempDirectory());
    std::string zipDirHost;
    if (platform::DosToHost(platform::ParentDosPath(nearZip), &zipDirHost, nullptr,
                            context.Drives()))
        bases.push_back(zipDirHost);
    for (const std::string& base : bases) {
        std::string dos;
        if (!platform::HostToDos(base, &dos, nullptr, context.Drives()))
            continue;
        std::string pattern = platform::JoinHostPath(base, std::string(prefix) + "XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr)
            continue;
        path = {platform::JoinDosPath(dos, platform::HostBaseName(pattern)), pattern};
        return true;
    }
    return false;
}

void Staging::Remove() {
    if (path.host.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path.host, ec);
    path = {};
}

} // namespace vorlane::fileops
