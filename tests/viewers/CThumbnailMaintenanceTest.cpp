// Scanning, making and removing thumbnails against a real object database
// and real pictures: sizes and keys, the scan filter, what the walk skips,
// the texts, cancel, and the orphans kept for a case variant.
#include "viewers/CThumbnailMaintenance.h"

#include "ThumbnailTestSupport.h"
#include "viewers/CImage.h"
#include "viewers/CThumbnailJob.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::viewers {
namespace {

using namespace vorlane::viewers::test;
using ui::StatusField;

ImageSize StoredSize(const std::vector<uint8_t>& data) {
    CImage image;
    if (!image.LoadMemory(data.data(), data.size()))
        return {};
    return {image.Width(), image.Height()};
}

TEST(ThumbnailScanFilter, JoinsTheChosenTypesWildcards) {
    EXPECT_EQ(ThumbnailScanFilter({75, 6}), "*.PNG;*.BMP");
    EXPECT_EQ(ThumbnailScanFilter({10, 999, 3}), "*.JPG;*.JFF;*.JTF;*.TIF");
    EXPECT_EQ(ThumbnailScanFilter({}), "");

    search::CFileSearchRequest request;
    EXPECT_FALSE(ThumbnailScanRequest({999}, &request));
    ASSERT_TRUE(ThumbnailScanRequest({75, 10}, &request));
    ASSERT_EQ(request.Conditions().size(), 1u);
    EXPECT_EQ(request.Conditions()[0].Field(), search::kFieldFilename);
    EXPECT_EQ(request.Conditions()[0].Operator(), search::kOpEqual);
    struct Case {
        const char* name;
        bool picked;
    } cases[] = {{"a.png", true},  {"B.PNG", true},      {"c.Jff", true},
                 {"d.bmp", false}, {"e.png.txt", false}, {"png", false}};
    for (const Case& c : cases)
        EXPECT_EQ(request.Matches({c.name, 10, 0, 0}), c.picked) << c.name;
}

class ScanTest : public ThumbnailTest {};

TEST_F(ScanTest, ScanStoresFittedPalettePngsUnderLowerCasedPaths) {
    Picture("Pics/Wide.PNG", 400, 300);
    Picture("Pics/tall.png", 300, 400);
    Picture("Pics/small.png", 100, 80);
    Picture("Pics/photo.jpg", 640, 480); // not a chosen type
    Picture("Pics/Sub/deep.png", 200, 150);
    Picture("Outside/far.png", 50, 50);
    WriteBytes(cRoot + "/Pics/notes.txt", {'x'});
    std::vector<unsigned char> bad = PngBytes(300, 200);
    bad.resize(bad.size() / 2);
    WriteBytes(cRoot + "/Pics/bad.png", bad);
    ASSERT_EQ(::mkfifo((cRoot + "/Pics/pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((cRoot + "/Outside").c_str(), (cRoot + "/Pics/LinkDir").c_str()), 0);
    ASSERT_EQ(::symlink((cRoot + "/Outside/far.png").c_str(), (cRoot + "/Pics/out.png").c_str()),
              0);
    ASSERT_EQ(::symlink("small.png", (cRoot + "/Pics/in.png").c_str()), 0);

    CThumbnailMaintenance scan(*context, store, {75, 6}, 2);
    ASSERT_TRUE(scan.Scan("C:\\Pics", false));
    EXPECT_EQ(scan.Counts().directories, 1);
    EXPECT_EQ(scan.Counts().files, 9); // every file, the links and the pipe included
    EXPECT_EQ(scan.Counts().thumbnails, 4);
    EXPECT_EQ(scan.Counts().failures, 1);

    struct Expect {
        const char* path;
        ImageSize size;
    } stored[] = {
        {"C:\\Pics\\Wide.PNG", {128, 96}},
        {"C:\\Pics\\tall.png", {72, 96}},
        {"C:\\Pics\\small.png", {100, 80}},
        {"C:\\Pics\\in.png", {100, 80}},
    };
    for (const Expect& e : stored) {
        SCOPED_TRACE(e.path);
        const std::vector<uint8_t> data = Stored(e.path);
        ASSERT_GT(data.size(), 33u);
        EXPECT_EQ(data[24], 8);
        EXPECT_EQ(data[25], 3) << "palette";
        EXPECT_EQ(StoredSize(data), e.size);
        std::string exact;
        ASSERT_TRUE(DecodeThumbnailObject(data, &exact));
        EXPECT_EQ(exact, e.path);
    }
    std::vector<std::string> names = store.Names();
    EXPECT_EQ(names, (std::vector<std::string>{"c:\\pics\\in.png", "c:\\pics\\small.png",
                                               "c:\\pics\\tall.png", "c:\\pics\\wide.png"}));

    const auto& log = *ui.StatusWindows().back();
    EXPECT_EQ(log.kind, ui::StatusKind::ThumbnailScan);
    EXPECT_TRUE(log.destroyed);
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::Error),
              std::vector<std::string>{"Unable to create thumbnail for 'C:\\Pics\\bad.png'."});
    EXPECT_EQ(log.FieldTexts(StatusField::Directory), std::vector<std::string>{"C:\\Pics"});
    EXPECT_EQ(log.FieldTexts(StatusField::ThumbnailsCreated).back(), "4");
    EXPECT_EQ(log.FieldTexts(StatusField::FilesExamined).back(), "9");
    // The directory is announced once, when the scan ends.
    EXPECT_EQ(notices.Descriptions(), std::vector<std::string>{"Changed C:\\Pics"});

    // The branch goes below, but never through the link.
    CThumbnailMaintenance branch(*context, store, {75}, 2);
    ASSERT_TRUE(branch.Scan("C:\\Pics", true));
    EXPECT_EQ(branch.Counts().directories, 2);
    EXPECT_EQ(StoredSize(Stored("C:\\Pics\\Sub\\deep.png")), (ImageSize{128, 96}));
    EXPECT_TRUE(Stored("C:\\Pics\\LinkDir\\far.png").empty());
    EXPECT_TRUE(Stored("C:\\Pics\\out.png").empty());
}

TEST_F(ScanTest, DirectoryScanFindsNothingWhenPicturesAreOnlyBelow) {
    Picture("Top/Sub/a.png", 40, 30);
    CThumbnailMaintenance scan(*context, store, {75, 6});
    EXPECT_FALSE(scan.Scan("C:\\Top", false));
    EXPECT_TRUE(store.Names().empty());
    EXPECT_TRUE(notices.Notices().empty());
    EXPECT_TRUE(scan.ScanDrive('C'));
    EXPECT_EQ(store.Names(), std::vector<std::string>{"c:\\top\\sub\\a.png"});
    EXPECT_FALSE(scan.ScanDrive('Q')); // not mapped
}

TEST_F(ScanTest, NoChosenTypesIsRefusedBeforeAnyWindow) {
    Picture("a.png", 10, 10);
    CThumbnailMaintenance scan(*context, store, {});
    EXPECT_FALSE(scan.Scan("C:\\", true));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{
                              "No graphic file types have been selected for thumbnail scanning "
                              "(goto Options / General Settings / Thumbnails!"});
    EXPECT_TRUE(ui.StatusWindows().empty());
}

TEST_F(ScanTest, CancelStopsTheWalk) {
    for (int i = 0; i < 6; ++i)
        Picture("Many/p" + std::to_string(i) + ".png", 20, 20);
    struct Case {
        int cancelAt; // the status window's nth check
        int directories;
        int files;
    } cases[] = {{1, 0, 0}, {2, 1, 0}, {4, 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cancelAt);
        for (const std::string& name : store.Names())
            store.Delete(name);
        ui.CancelNextStatusWindowAt(c.cancelAt);
        CThumbnailMaintenance scan(*context, store, {75}, 1);
        EXPECT_FALSE(scan.Scan("C:\\Many", true));
        EXPECT_TRUE(scan.Cancelled());
        EXPECT_EQ(scan.Counts().directories, c.directories);
        EXPECT_EQ(scan.Counts().files, c.files);
        EXPECT_LE(store.Names().size(), size_t(c.files));
    }

    // The context's flag (the job list, the frame closing) stops it too.
    context->RequestCancel();
    CThumbnailMaintenance scan(*context, store, {75});
    EXPECT_FALSE(scan.Scan("C:\\Many", true));
    EXPECT_EQ(scan.Counts().files, 0);
}

TEST_F(ScanTest, MakeOneShowsEachStep) {
    Picture("big.png", 400, 300);
    Picture("Small.png", 100, 80);
    auto status = ui.MakeStatusWindow(ui::StatusKind::ThumbnailScan, "t");
    CThumbnailMaintenance maintenance(*context, store, {75});
    ASSERT_TRUE(maintenance.MakeThumbnail("C:\\big.png", status.get()));
    ASSERT_TRUE(maintenance.MakeThumbnail("C:\\Small.png", status.get()));
    EXPECT_FALSE(maintenance.MakeThumbnail("C:\\missing.png", status.get()));
    const auto& log = *ui.StatusWindows().back();
    EXPECT_EQ(log.FieldTexts(StatusField::File),
              (std::vector<std::string>{"c:\\big.png", "c:\\small.png", "c:\\missing.png"}));
    EXPECT_EQ(log.FieldTexts(StatusField::Step),
              (std::vector<std::string>{"Loading...", "Resizing...",
                                        "Converting to Compuserve PNG format...",
                                        "Saving thumbnail to object database...", "Loading...",
                                        "Converting to Compuserve PNG format...",
                                        "Saving thumbnail to object database...", "Loading..."}));
}

TEST_F(ScanTest, RemoveAllAsksAndRemoves) {
    CThumbnailMaintenance maintenance(*context, store, {75});
    EXPECT_EQ(maintenance.RemoveAll(), 0);
    EXPECT_EQ(ui.Texts(),
              std::vector<std::string>{"There are no thumbnails in Vorlane's object database!"});

    Picture("a.png", 10, 10);
    Picture("b.png", 10, 10);
    ASSERT_TRUE(maintenance.Scan("C:\\", false));
    ui.Reset();
    ui.QueueYesNo(false);
    EXPECT_EQ(maintenance.RemoveAll(), 0);
    EXPECT_EQ(store.Names().size(), 2u);
    ui.QueueYesNo(true);
    EXPECT_EQ(maintenance.RemoveAll(), 2);
    EXPECT_TRUE(store.Names().empty());
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{
                  "Do you wish to remove all 2 thumbnails from Vorlane's object database?",
                  "Do you wish to remove all 2 thumbnails from Vorlane's object database?"}));
    EXPECT_EQ(
        ui.StatusWindows().back()->Texts(ui::StatusLog::Call::CurrentMessage),
        std::vector<std::string>{"Removing all thumbnails from Vorlane's object database..."});
    EXPECT_EQ(ui.RepaintRequests(), 1);
}

TEST_F(ScanTest, RemoveOrphansKeepsPicturesThatExistUnderAnyCase) {
    Picture("Pics/Kept.png", 10, 10);
    Picture("Pics/Gone.png", 10, 10);
    std::filesystem::create_directories(cRoot + "/Pics/Folder.png");
    const std::vector<uint8_t> png = EncodeThumbnailObject(PngBytes(4, 4), "C:\\x");
    struct Case {
        const char* name;
        bool kept;
    } cases[] = {
        {"c:\\pics\\kept.png", true},        // the file is Kept.png
        {"c:\\pics\\gone.png", false},       // deleted below
        {"c:\\pics\\folder.png", false},     // a directory is no picture
        {"c:\\pics\\never.png", false},      // never existed
        {"q:\\unmapped\\drive.png", false},  // no such drive
        {"c:\\nodir\\deeper\\x.png", false}, // no such directory
    };
    for (const Case& c : cases)
        ASSERT_TRUE(store.Put(c.name, png)) << c.name;
    std::filesystem::remove(cRoot + "/Pics/Gone.png");

    CThumbnailMaintenance maintenance(*context, store, {75});
    EXPECT_EQ(maintenance.RemoveOrphans(), 5);
    for (const Case& c : cases) {
        std::vector<uint8_t> data;
        EXPECT_EQ(store.Get(c.name, &data), c.kept) << c.name;
    }
    EXPECT_EQ(ui.StatusWindows().back()->Texts(ui::StatusLog::Call::CurrentMessage),
              std::vector<std::string>{
                  "Removing all orphan thumbnails from Vorlane's object database..."});
    EXPECT_EQ(maintenance.RemoveOrphans(), 0);
    store.Delete("c:\\pics\\kept.png");
    EXPECT_EQ(maintenance.RemoveOrphans(), 0);
    EXPECT_TRUE(ui.Showed("There are no thumbnails in Vorlane's object database!"));
}

TEST_F(ScanTest, JobRunsEachCommand) {
    Picture("D1/a.png", 30, 30);
    Picture("D1/D2/b.png", 30, 30);
    struct Case {
        ThumbnailCommand command;
        const char* directory;
        size_t stored;
    } cases[] = {
        {ThumbnailCommand::ScanDirectory, "C:\\D1", 1},
        {ThumbnailCommand::ScanBranch, "C:\\D1", 2},
        {ThumbnailCommand::ScanDrive, "C:\\D1", 2},
    };
    for (const Case& c : cases) {
        for (const std::string& name : store.Names())
            store.Delete(name);
        CThumbnailJob job({c.command, c.directory, {75}, 1}, store);
        EXPECT_EQ(job.DriveLetters(), "C");
        const ui::JobResult result = ui::RunJobNow(job, *context);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(store.Names().size(), c.stored);
        EXPECT_EQ(result.summary, std::to_string(c.stored) + " thumbnails created");
    }
    ui.QueueYesNo(true);
    CThumbnailJob remove({ThumbnailCommand::RemoveAll, "", {}, 0}, store);
    EXPECT_EQ(remove.DriveLetters(), "");
    EXPECT_EQ(ui::RunJobNow(remove, *context).summary, "2 thumbnails removed");
}

} // namespace
} // namespace vorlane::viewers
