// Image conversion over pictures made here: the checks before a run, the
// output names, "Cannot convert over itself" by device and inode (a link to
// the directory and a case variant count), each per-file message, the
// temporary output renamed into place, the source deleted only after, the
// change notices; and apply-as-wallpaper with recording desktop tools.
#include "viewers/ImageConversion.h"
#include "ImageMaker.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/ChangeNotices.h"
#include "ui/ScriptedUserInterface.h"
#include "viewers/CImage.h"
#include "viewers/ImageFormats.h"
#include "viewers/Wallpaper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::viewers {
namespace {

using vorlane::test::ListDir;
using vorlane::test::ReadFile;
using vorlane::test::WriteFile;

class ImageConversionTest : public ::testing::Test {
  protected:
    ImageConversionTest() {
        ::mkdir(c.c_str(), 0755);
        ::mkdir((c + "/OUT").c_str(), 0755);
        viewers::test::MakePicture(c + "/photo.png", 800, 600);
        viewers::test::MakePicture(c + "/small.png", 320, 200);
        WriteFile(c + "/notes.txt", "not a picture at all");
        ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << "unexpected: " << what; });
    }
    ~ImageConversionTest() override { EXPECT_TRUE(ui.AllAnswersUsed()); }

    // Runs a conversion; the status window's list of messages.
    std::vector<std::string> Convert(std::vector<std::string> sources, const std::string& out,
                                     ImageConversionSettings settings = {}) {
        ImageConversionParameters p{settings, std::move(sources), out};
        EXPECT_EQ(CheckImageConversion(p, context.Drives()), "");
        CImageConversionJob job(p);
        ui::OperationContext run = context.WithNotices(notices);
        ui::RunJobNow(job, run);
        converted = job.Converted();
        EXPECT_EQ(ui.StatusWindows().back()->caption, "Converting Images");
        return ui.StatusWindows().back()->Texts(ui::StatusLog::Call::Error);
    }
    ImageSize SizeOf(const std::string& path) {
        CImage image;
        EXPECT_TRUE(image.LoadFile(path)) << image.ErrorText();
        return {image.Width(), image.Height()};
    }

    vorlane::test::TempDir dir;
    std::string c = dir / "c";
    ui::ScriptedUserInterface ui;
    ui::ChangeRecorder notices;
    ui::OperationContext context{
        ui, std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec("C=" + c))};
    int converted = 0;
};

TEST_F(ImageConversionTest, ChecksBeforeARunAndTheSettingsRecord) {
    const ImageConversionSettings defaults;
    EXPECT_EQ(defaults.ToInts(), (std::vector<int32_t>{0, 1, 6, 8, 112}));
    EXPECT_EQ(ImageConversionSettings::FromInts({1, 0, 10, 24, 114}).ToInts(),
              (std::vector<int32_t>{1, 0, 10, 24, 114}));
    EXPECT_EQ(ImageConversionSettings::FromInts({1, 2, 3}), defaults);
    struct Case {
        std::vector<std::string> sources;
        std::string out;
        int format;
        std::string message;
    } cases[] = {
        {{}, "C:\\OUT", 6, "No files have been selected for conversion!"},
        {{"C:\\photo.png"}, "", 6, "An output path must be specified!"},
        {{"C:\\photo.png"}, "C:\\NOWHERE", 6, "'C:\\NOWHERE'is NOT a valid path!"},
        {{"C:\\photo.png"}, "C:\\notes.txt", 6, "'C:\\notes.txt'is NOT a valid path!"},
        {{"C:\\photo.png"},
         "C:\\OUT",
         kFormatGem,
         "Vorlane cannot write GEM Image          pictures. Choose another file format (the help "
         "lists the ones it writes)."},
        {{"C:\\photo.png"}, "C:\\OUT", 6, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.message);
        ImageConversionParameters p{{}, k.sources, k.out};
        p.settings.formatCode = k.format;
        EXPECT_EQ(CheckImageConversion(p, context.Drives()), k.message);
    }
    EXPECT_EQ(ConvertedName("photo.tif", kFormatJpeg), "photo.JPG");
    EXPECT_EQ(ConvertedName("archive.tar.gz", kFormatPng), "archive.tar.PNG");
    EXPECT_EQ(ConvertedName("README", kFormatTiff), "README.TIF");
    EXPECT_EQ(SaveDepth(kFormatJpeg, 1), 8);  // the next depth JPEG has
    EXPECT_EQ(SaveDepth(kFormatPng, 24), 24); // allowed as it is
    EXPECT_EQ(SaveDepth(kFormatCals, 24), 1); // its highest
}

TEST_F(ImageConversionTest, OverItselfIsDecidedByTheDirectoryItselfAndTheName) {
    ASSERT_EQ(::symlink(c.c_str(), (dir / "link").c_str()), 0);
    ::mkdir((c + "/SUB").c_str(), 0755);
    ImageConversionSettings png;
    png.formatCode = kFormatPng;
    struct Case {
        const char* what;
        std::string out;
        bool refused;
    } cases[] = {
        {"its own directory", "C:\\", true},
        {"the same directory through a link", dir / "link", true},
        {"another directory", "C:\\SUB", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string before = ReadFile(c + "/small.png");
        const auto messages = Convert({"C:\\small.png"}, k.out, png);
        if (k.refused) {
            EXPECT_EQ(messages,
                      std::vector<std::string>{"Cannot convert over itself (C:\\small.png)"});
            EXPECT_EQ(ReadFile(c + "/small.png"), before);
        } else {
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(ListDir(c + "/SUB"), std::vector<std::string>{"small.PNG"});
        }
    }
}

TEST_F(ImageConversionTest, EachFileGetsItsMessageAndTheRunGoesOn) {
    WriteFile(c + "/broken.png", std::string("\x89PNG\r\n\x1A\n", 8) + "cut short");
    WriteFile(c + "/OUT/small.BMP", "the old output");
    const std::string before = ReadFile(c + "/OUT/small.BMP");
    ImageConversionSettings bmp; // BMP, prompting on
    ui.QueueYesNo(false);
    const auto messages = Convert(
        {"C:\\notes.txt", "C:\\broken.png", "C:\\missing.png", "C:\\small.png", "C:\\photo.png"},
        "C:\\OUT", bmp);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "'C:\\notes.txt' is not a graphics file.",
                            "Unable to load 'C:\\broken.png' - error code = -1.",
                            "Unable to load 'C:\\missing.png' - error code = 2.",
                            "User aborted saving of 'C:\\OUT\\small.BMP'.",
                        }));
    EXPECT_TRUE(ui.Showed("Do you wish to overwrite 'C:\\OUT\\small.BMP'?"));
    EXPECT_EQ(ui.Shown().back().caption, "WARNING");
    EXPECT_EQ(ReadFile(c + "/OUT/small.BMP"), before);
    EXPECT_EQ(converted, 1);
    // Only the finished output: no temporary file left beside it.
    EXPECT_EQ(ListDir(c + "/OUT"), (std::vector<std::string>{"photo.BMP", "small.BMP"}));
    EXPECT_EQ(SizeOf(c + "/OUT/photo.BMP"), (ImageSize{800, 600}));
    EXPECT_EQ(notices.Descriptions(), std::vector<std::string>{"Added C:\\OUT\\photo.BMP"});
    const auto texts = ui.StatusWindows().back()->Texts(ui::StatusLog::Call::CurrentMessage);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Saving image..."), 1);
}

TEST_F(ImageConversionTest, SizeConstraintsShrinkOnlyAndSourcesGoAfterTheOutput) {
    ImageConversionSettings s;
    s.formatCode = kFormatPng;
    s.sizeButton = kSize640;
    s.deleteSource = true;
    s.promptOverwrite = false;
    const auto messages = Convert({"C:\\photo.png", "C:\\small.png"}, "C:\\OUT", s);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(SizeOf(c + "/OUT/photo.PNG"), FitToBox(640, 480, 800, 600));
    EXPECT_EQ(SizeOf(c + "/OUT/small.PNG"), (ImageSize{320, 200})); // never enlarged
    EXPECT_FALSE(vorlane::test::FileExists(c + "/photo.png"));
    EXPECT_FALSE(vorlane::test::FileExists(c + "/small.png"));
    EXPECT_EQ(vorlane::test::FileMode(c + "/OUT/photo.PNG") & 0777, 0644u);
    EXPECT_EQ(notices.Descriptions(),
              (std::vector<std::string>{"Removed C:\\photo.png", "Added C:\\OUT\\photo.PNG",
                                        "Removed C:\\small.png", "Added C:\\OUT\\small.PNG"}));
    const auto texts = ui.StatusWindows().back()->Texts(ui::StatusLog::Call::CurrentMessage);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Resizing image..."), 1);
}

TEST_F(ImageConversionTest, AFailedSaveKeepsTheSourceAndLeavesNoFile) {
    ImageConversionSettings s;
    s.formatCode = kFormatPng;
    s.deleteSource = true;
    s.promptOverwrite = false;
    // A directory under the output name: the rename into place fails.
    ::mkdir((c + "/OUT/small.PNG").c_str(), 0755);
    const auto messages = Convert({"C:\\small.png"}, "C:\\OUT", s);
    EXPECT_EQ(messages, std::vector<std::string>{"Unable to save 'C:\\OUT\\small.PNG'."});
    EXPECT_TRUE(vorlane::test::FileExists(c + "/small.png"));
    EXPECT_EQ(ListDir(c + "/OUT"), std::vector<std::string>{"small.PNG"});
    EXPECT_TRUE(notices.Descriptions().empty());
}

// ---- wallpaper

class WallpaperTest : public ImageConversionTest {
  protected:
    WallpaperTest() {
        ::mkdir(home.c_str(), 0700);
        ::mkdir(tools.c_str(), 0755);
        for (const char* tool : {"gsettings", "qdbus"})
            Tool(tool, 0);
    }
    // A tool that appends its name and arguments to the log, then exits.
    void Tool(const std::string& name, int exitCode) {
        const std::string path = tools + "/" + name;
        WriteFile(path, "#!/bin/sh\nprintf '%s' '" + name + "' >> '" + log +
                            "'\nfor a in \"$@\"; do printf ' [%s]' \"$a\" >> '" + log +
                            "'; done\necho >> '" + log + "'\nexit " + std::to_string(exitCode) +
                            "\n");
        ::chmod(path.c_str(), 0755);
    }
    WallpaperRequest Request(Desktop desktop) {
        WallpaperRequest r;
        r.picture = c + "/photo.png";
        r.shownName = "C:\\photo.png";
        r.home = home;
        r.desktopWidth = 400;
        r.desktopHeight = 200;
        r.desktop = desktop;
        r.searchPath = tools;
        return r;
    }
    std::string home = dir / "home", tools = dir / "tools", log = dir / "log";
};

TEST_F(WallpaperTest, TheDesktopsOwnToolsGetThePictureFittedInTheProgramsHome) {
    const std::string file = home + "/LIFSAVER.BMP";
    const std::string uri = "file://" + file;
    struct Case {
        Desktop desktop;
        std::string log;
    } cases[] = {
        {Desktop::Gnome, "gsettings [set] [org.gnome.desktop.background] [picture-uri] [" + uri +
                             "]\ngsettings [set] [org.gnome.desktop.background] "
                             "[picture-uri-dark] [" +
                             uri + "]\n"},
        {Desktop::Kde, "qdbus [org.kde.plasmashell] [/PlasmaShell] "
                       "[org.kde.PlasmaShell.evaluateScript] ["},
    };
    for (const Case& k : cases) {
        std::remove(log.c_str());
        ui.QueueYesNo(true);
        EXPECT_TRUE(ApplyWallpaper(ui, Request(k.desktop)));
        EXPECT_EQ(ui.Shown().back().text,
                  "Would you like to apply 'C:\\photo.png' as your desktop wallpaper?");
        EXPECT_EQ(ui.Shown().back().caption, "Apply Wallpaper");
        EXPECT_EQ(ReadFile(log).substr(0, k.log.size()), k.log);
        EXPECT_EQ(ListDir(home), std::vector<std::string>{"LIFSAVER.BMP"});
        EXPECT_EQ(SizeOf(file), FitToBox(400, 200, 800, 600));
    }
    EXPECT_NE(ReadFile(log).find("writeConfig(\"Image\", \"" + uri + "\")"), std::string::npos);
    EXPECT_EQ(DesktopOf("ubuntu:GNOME"), Desktop::Gnome);
    EXPECT_EQ(DesktopOf("KDE"), Desktop::Kde);
    EXPECT_EQ(DesktopOf("XFCE"), Desktop::Other);
    EXPECT_EQ(DesktopOf(""), Desktop::Other);
}

TEST_F(WallpaperTest, RefusalsAndFailuresChangeNothing) {
    // Another desktop: told at once, nothing asked or written.
    EXPECT_FALSE(ApplyWallpaper(ui, Request(Desktop::Other)));
    EXPECT_EQ(ui.Shown().back().caption, "Apply Wallpaper");
    // No: nothing.
    ui.QueueYesNo(false);
    EXPECT_FALSE(ApplyWallpaper(ui, Request(Desktop::Gnome)));
    EXPECT_FALSE(vorlane::test::FileExists(log));
    // Not a picture: the image error, no file left.
    ui.QueueYesNo(true);
    WallpaperRequest notPicture = Request(Desktop::Gnome);
    notPicture.picture = c + "/notes.txt";
    EXPECT_FALSE(ApplyWallpaper(ui, notPicture));
    EXPECT_EQ(ui.Shown().back().caption, "Image Error");
    EXPECT_TRUE(ListDir(home).empty());
    // The desktop's tool fails: said so.
    Tool("gsettings", 1);
    ui.QueueYesNo(true);
    EXPECT_FALSE(ApplyWallpaper(ui, Request(Desktop::Gnome)));
    EXPECT_EQ(ui.Shown().back().text.rfind(
                  "The desktop did not take the wallpaper: 'gsettings' failed.", 0),
              0u);
}

} // namespace
} // namespace vorlane::viewers
