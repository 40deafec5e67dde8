// Touch and Make Directory: the field mask on real files (read-only files
// and links included), the checks and settings; plain directories and
// empty zip files made without replacing anything.
#include "CopyTestSupport.h"

#include "fileops/CFileTouch.h"
#include "fileops/CMakeDirectory.h"
#include "zip/CZipFileOperation.h"

#include <sys/stat.h>

namespace vorlane::fileops::testing {
namespace {

class TouchTest : public CopyTest {
  protected:
    CTouchOutcome Touch(Strings files, unsigned fields, const std::string& dir = "C:\\D") {
        CTouchParameters p;
        p.directory = dir;
        p.files = std::move(files);
        p.fields = fields;
        p.time = kTime;
        CFileTouch job(p);
        ui::OperationContext runContext = context.WithNotices(*recorder);
        ui::RunJobNow(job, runContext);
        return job.Outcome();
    }
    // The link's own times (never its target's).
    static std::pair<platform::FileTime, platform::FileTime> Times(const std::string& host) {
        struct stat st;
        EXPECT_EQ(::lstat(host.c_str(), &st), 0);
        return {{st.st_atim.tv_sec, static_cast<int32_t>(st.st_atim.tv_nsec)},
                {st.st_mtim.tv_sec, static_cast<int32_t>(st.st_mtim.tv_nsec)}};
    }
    const platform::FileTime kTime{1000000000, 0};
    const platform::FileTime kOld{500000000, 0};
};

TEST_F(TouchTest, OnlyTheSelectedFieldsChangeOnFilesReadOnlyFilesAndLinks) {
    struct Case {
        const char* name;
        unsigned fields;
        bool access, write; // which of the two become kTime
    } cases[] = {
        {"last write only", kTouchLastWrite, false, true},
        {"last access only", kTouchLastAccess, true, false},
        {"creation only: nothing Linux can set", kTouchCreation, false, false},
        {"all three", kTouchCreation | kTouchLastAccess | kTouchLastWrite, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(cRoot);
        MakeTree(cRoot, {"OUT.TXT=o", "D/F.TXT=f", "D/RO.TXT=r", "D/LINK->" + cRoot + "/OUT.TXT"});
        for (const char* name : {"D/F.TXT", "D/RO.TXT", "D/LINK", "OUT.TXT"})
            ASSERT_TRUE(platform::SetFileTimes(cRoot + "/" + name, nullptr, &kOld, &kOld));
        ASSERT_TRUE(platform::SetAttributes(Host("C:\\D\\RO.TXT"), platform::kAttrReadOnly));
        CTouchOutcome out = Touch({"F.TXT", "RO.TXT", "LINK"}, c.fields);
        EXPECT_EQ(out.touched, 3u);
        EXPECT_EQ(out.failed, 0u);
        for (const char* name : {"D/F.TXT", "D/RO.TXT", "D/LINK"}) {
            SCOPED_TRACE(name);
            auto [access, write] = Times(cRoot + "/" + name);
            EXPECT_EQ(access, c.access ? kTime : kOld);
            EXPECT_EQ(write, c.write ? kTime : kOld);
        }
        // The link's target is left alone; the read-only file stays so.
        EXPECT_EQ(Times(cRoot + "/OUT.TXT").second, kOld);
        uint32_t attributes = 0;
        ASSERT_TRUE(platform::GetAttributes(Host("C:\\D\\RO.TXT"), &attributes));
        EXPECT_TRUE(attributes & platform::kAttrReadOnly);
        EXPECT_TRUE(Shown().empty());
    }
    EXPECT_EQ(Notices().back(), "Changed C:\\D\\LINK");
    EXPECT_EQ(Status().caption, "Touching Files");
}

TEST_F(TouchTest, ChecksSettingsAndFailures) {
    MakeTree(cRoot, {"D/A.TXT=a", "ARC.ZIP=z"});
    Touch({}, kTouchLastWrite);
    EXPECT_EQ(Shown().back(), "The selected file group does not have any files!");
    Touch({"A.TXT"}, 0);
    EXPECT_EQ(Shown().back(), "There are no date/time fields selected to touch!");
    Touch({"A.TXT"}, kTouchLastWrite, "C:\\ARC.ZIP");
    EXPECT_EQ(Shown().back(), "You cannot change the date/times of files within a zip file!");
    CTouchOutcome out = Touch({"GONE.TXT", "A.TXT"}, kTouchLastWrite);
    EXPECT_EQ(out.failed, 1u);
    EXPECT_EQ(out.touched, 1u);
    EXPECT_EQ(Shown().back(), "Unable to change the date/time of 'C:\\D\\GONE.TXT'\n\n02h - File "
                              "not found.");

    auto read = [](int stored) {
        return ReadTouchSettings([&](const std::string& section, const std::string& key, int) {
            EXPECT_EQ(section + "|" + key, "File Touch|Date/Time Options");
            return stored;
        });
    };
    EXPECT_EQ(ReadTouchSettings([](const std::string&, const std::string&, int d) { return d; }),
              4u);
    EXPECT_EQ(read(3), 3u);
    EXPECT_EQ(read(15), 7u);
    std::string written;
    WriteTouchSettings(6, [&](const std::string&, const std::string&, const std::string& value) {
        written = value;
    });
    EXPECT_EQ(written, "6");
}

TEST_F(TouchTest, MakeDirectoryMakesDirectoriesAndEmptyZipFilesWithoutReplacing) {
    MakeTree(cRoot, {"D/TAKEN.zip=keep", "D/OLD/"});
    ui::OperationContext runContext = context.WithNotices(*recorder);
    struct Case {
        const char* name;
        bool zip;
        std::optional<std::string> made;
        const char* shown;
    } cases[] = {
        {"New", false, "C:\\D\\New", ""},
        {"C:\\FULL", false, "C:\\FULL", ""},
        {"Archive.txt", true, std::nullopt, "Zip file must have an extension of '.ZIP'."},
        {"Archive", true, "C:\\D\\Archive.ZIP", ""},
        {"TAKEN", true, std::nullopt, "'C:\\D\\TAKEN.ZIP' already exists!"},
        {"OLD", false, std::nullopt, "50h - File exists."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = Shown().size();
        CMakeDirectoryJob job({"C:\\D", c.name, c.zip});
        ui::RunJobNow(job, runContext);
        EXPECT_EQ(job.Made(), c.made);
        if (c.shown[0] != '\0') {
            ASSERT_EQ(Shown().size(), before + 1);
            EXPECT_EQ(Shown().back(), c.shown);
            EXPECT_EQ(ui.Shown().back().caption, "Make Directory");
        } else {
            EXPECT_EQ(Shown().size(), before);
        }
    }
    EXPECT_EQ(Bytes("C:\\D\\TAKEN.zip"), "keep");
    EXPECT_TRUE(std::filesystem::is_directory(Host("C:\\D\\New")));
    zip::CZipFileOperation op(context);
    std::vector<zip::ZipMemberEntry> members;
    EXPECT_EQ(op.ReadDirectory("C:\\D\\Archive.ZIP", true, &members), zip::kOpened);
    EXPECT_TRUE(members.empty());
    EXPECT_EQ(Notices(),
              (Strings{"Added C:\\D\\New", "Added C:\\FULL", "Added C:\\D\\Archive.ZIP"}));
}

} // namespace
} // namespace vorlane::fileops::testing
