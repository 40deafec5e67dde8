// The catalogue's file list takes its descriptions from DESCRIPT.ION
// through C4DosDescriptionSource, only while "4DOS Descriptions" is set,
// and reading them changes nothing on disk.
#include "fileops/C4DosDescriptionSource.h"

#include "FileOpsTestSupport.h"
#include "catalogue/CFileManagerSession.h"

#include <map>

namespace vorlane::fileops::testing {
namespace {

struct CountingSource : C4DosDescriptionSource {
    std::unique_ptr<catalogue::CDirectoryDescriptions>
    Open(const std::string& dir, const platform::DriveMap& drives) override {
        ++opened;
        return C4DosDescriptionSource::Open(dir, drives);
    }
    int opened = 0;
};

TEST_F(FileOpsTest, FileListShowsDescriptionsOnlyWhenTheSettingIsOn) {
    Make("C:\\REPORT.TXT", "r");
    Make("C:\\my file.txt", "m");
    Make("C:\\DESCRIPT.ION", "report.txt Sales figures, March\n\"my file.txt\" with a blank\n");
    FileSnapshot before = FileSnapshot::Of(Host("C:\\DESCRIPT.ION"));
    for (bool on : {true, false}) {
        CountingSource source;
        catalogue::CFileManagerSession session;
        session.SetDescriptionSource(&source);
        catalogue::CCatalogueOptions options;
        options.fourDosDescriptions = on;
        session.SetOptions(options);
        ASSERT_TRUE(session.LogDrive('c'));
        std::map<std::string, std::string> shown;
        for (int i = 0; i < session.FileCount(); ++i)
            shown[session.File(i)->Name()] = session.File(i)->Description();
        EXPECT_EQ(shown["REPORT.TXT"], on ? "Sales figures, March" : "");
        EXPECT_EQ(shown["my file.txt"], on ? "with a blank" : "");
        EXPECT_EQ(source.opened > 0, on);
    }
    EXPECT_TRUE(FileSnapshot::Of(Host("C:\\DESCRIPT.ION")) == before);
    ::unlink(Host("C:\\DESCRIPT.ION").c_str());
    ::mkdir(Host("C:\\DESCRIPT.ION").c_str(), 0755); // unreadable: no descriptions
    C4DosDescriptionSource source;
    EXPECT_EQ(source.Open("C:\\", context.Drives()), nullptr);
    EXPECT_EQ(source.Open("Q:\\", context.Drives()), nullptr);
}

} // namespace
} // namespace vorlane::fileops::testing
