#include "CatalogueTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::catalogue::testing {

std::string DriveTest::MakeRoot(const std::string& dir) {
    ::mkdir(dir.c_str(), 0700);
    return "C=" + dir;
}

void DriveTest::MakeDir(const std::string& relative) {
    std::string path = Host(relative);
    // Parents first, as mkdir -p does.
    for (size_t slash = path.find('/', m_drive.size() + 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0) << path;
}

void DriveTest::MakeFile(const std::string& relative, const std::string& content) {
    test::WriteFile(Host(relative), content);
}

void DriveTest::MakeLink(const std::string& target, const std::string& relative) {
    ASSERT_EQ(::symlink(target.c_str(), Host(relative).c_str()), 0) << relative;
}

std::vector<std::string> DriveTest::Paths(const CDriveContainer& drive) {
    std::vector<std::string> paths;
    for (const auto& directory : drive.Directories())
        paths.push_back(directory->Path());
    return paths;
}

} // namespace vorlane::catalogue::testing
