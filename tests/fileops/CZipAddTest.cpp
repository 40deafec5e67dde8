#include "fileops/CZipAdd.h"

#include "fileops/CMakeDirectory.h"
#include "fileops/ZipArchiveCommands.h"
#include "platform/DosPath.h"
#include "support/TestSupport.h"
#include "support/ZipFixture.h"
#include "ui/ChangeNotices.h"
#include "ui/Job.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <sys/time.h>
#include <vector>

namespace vorlane::fileops {
namespace {

using Strings = std::vector<std::string>;

class ZipAddTest : public ::vorlane::test::ZipTest {
  protected:
    ui::OperationContext Ctx() { return Context().WithNotices(m_notices); }
    CZipAddParameters Add(Strings files, int action = kZipActionAdd) {
        CZipAddParameters p;
        p.zipPath = "C:\\OUT\\T.ZIP";
        p.files = std::move(files);
        p.action = action;
        return p;
    }
    // Sets a file's modification time (seconds since the epoch).
    void Age(const std::string& relative, time_t when) {
        struct timeval times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimes(Host(relative).c_str(), times), 0);
    }
    ui::ChangeRecorder m_notices;
};

// --- settings ---------------------------------------------------------------------------------

// The options the settings give, in one line: action, factor, path mode,
// recurse, 8.3 names, starting directory.
std::string Options(const CZipAddParameters& p) {
    return std::to_string(p.action) + " " + std::to_string(p.compressionFactor) + " " +
           std::to_string(p.pathMode) + " " + (p.recurse ? "R" : "-") + (p.dos83Names ? "8" : "-") +
           " " + p.startDirectory;
}

TEST_F(ZipAddTest, SettingsReadWithDefaultsAndWriteBack) {
    using Values = std::map<std::string, std::string>;
    struct Case {
        Values stored;
        const char* options;
    } cases[] = {
        {{}, "0 5 0 -- "},
        {{{"Zip Action", "2"},
          {"Zip Add Options", "3"},
          {"Zip Compression Factor", "9"},
          {"Zip Path Mode", "1"},
          {"Zip Add Path", "C:\\IN"}},
         "2 9 1 R8 C:\\IN"},
        {{{"Zip Action", "1"}, {"Zip Add Options", "2"}, {"Zip Compression Factor", "0"}},
         "1 0 0 -8 "},
        // Out of range: the defaults; a factor no choice has: "Normal".
        {{{"Zip Action", "3"}, {"Zip Compression Factor", "7"}, {"Zip Path Mode", "3"}},
         "0 5 0 -- "},
        {{{"Zip Action", "-1"}, {"Zip Path Mode", "-1"}}, "0 5 0 -- "},
    };
    // A settings file holding values: its readers.
    auto readInt = [](const Values& values) {
        return [&values](const std::string& section, const std::string& key, int def) {
            EXPECT_EQ(section, "ZIP/UNZIP Settings");
            auto it = values.find(key);
            return it == values.end() ? def : std::stoi(it->second);
        };
    };
    auto readString = [](const Values& values) {
        return [&values](const std::string&, const std::string& key) {
            auto it = values.find(key);
            return it == values.end() ? std::string() : it->second;
        };
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.stored));
        const CZipAddParameters p = ReadZipAddSettings(readInt(c.stored), readString(c.stored));
        EXPECT_EQ(Options(p), c.options);
        // What is written reads back as the same options.
        Values written;
        WriteZipAddSettings(
            p, [&](const std::string& section, const std::string& key, const std::string& value) {
                EXPECT_EQ(section, "ZIP/UNZIP Settings");
                written[key] = value;
            });
        EXPECT_EQ(written.size(), 5u);
        EXPECT_EQ(Options(ReadZipAddSettings(readInt(written), readString(written))), c.options);
    }
    EXPECT_EQ(ZipAddFunction(kZipActionAdd), 4);
    EXPECT_EQ(ZipAddFunction(kZipActionFreshen), 1);
    EXPECT_EQ(ZipAddFunction(kZipActionUpdate), 3);
}

// --- specifications ---------------------------------------------------------------------------

TEST_F(ZipAddTest, SpecificationsQuoteBlanksAndRefuseWhatCannotBeWritten) {
    struct Case {
        Strings names;
        Strings specs;
        const char* unexpressible;
    } cases[] = {
        {{"C:\\A.TXT", "C:\\B.TXT"}, {"C:\\A.TXT C:\\B.TXT"}, ""},
        {{"C:\\my file.txt", "C:\\B"}, {"\"C:\\my file.txt\" C:\\B"}, ""},
        {{"C:\\tab\there"}, {"\"C:\\tab\there\""}, ""},
        // A '"' without a blank is read back as part of the name.
        {{"C:\\say\"hi\".txt"}, {"C:\\say\"hi\".txt"}, ""},
        // Quoted, the name would end at its own '"'.
        {{"C:\\A", "C:\\my \"quoted\" file"}, {}, "C:\\my \"quoted\" file"},
        {{"\"C:\\A\""}, {}, "\"C:\\A\""},
        {{"C:\\A", "C:\\star*.txt"}, {}, "C:\\star*.txt"},
        {{"C:\\what?.txt"}, {}, "C:\\what?.txt"},
        {{}, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        AddSpecs out = BuildAddSpecs(c.names);
        EXPECT_EQ(out.specs, c.specs);
        EXPECT_EQ(out.unexpressible, c.unexpressible);
    }
}

TEST_F(ZipAddTest, ASpecificationIsSentOnceLongerThanTheLimit) {
    auto name = [](size_t length) { return "C:\\" + std::string(length - 3, 'N'); };
    const std::string at = name(kZipAddSpecLimit);       // exactly the limit: kept open
    const std::string over = name(kZipAddSpecLimit + 1); // one more: sent on its own
    const std::string half = name(kZipAddSpecLimit / 2);
    struct Case {
        Strings names;
        Strings specs;
    } cases[] = {
        {{at}, {at}},
        {{at, "C:\\B"}, {at + " C:\\B"}},
        {{over, "C:\\B"}, {over, "C:\\B"}},
        {{half, half, "C:\\B"}, {half + " " + half, "C:\\B"}},
        {{half, half}, {half + " " + half}},
    };
    for (const Case& c : cases) {
        AddSpecs out = BuildAddSpecs(c.names);
        ASSERT_EQ(out.specs.size(), c.specs.size()) << c.names.size();
        EXPECT_EQ(out.specs, c.specs);
    }
}

// --- the add ------------------------------------------------------------------------------------

TEST_F(ZipAddTest, AddsQuotedNamesUnderItsStatusWindowAndAnnouncesTheChange) {
    MakeDir("OUT");
    MakeArchive("OUT/T.ZIP", {"old.txt"});
    MakeFile("IN/my file.txt", "spaced");
    MakeFile("IN/my", "decoy: the first word of the spaced name");
    MakeFile("IN/say \"hi\".txt", "quoted");
    MakeFile("IN/plain.txt", "plain");
    // A host name's '"' reaches DOS form as a character of its own, so
    // quoting the name is safe.
    const std::string quoted = "C:\\IN\\" + platform::HostNameToDos("say \"hi\".txt");
    ASSERT_EQ(quoted.find('"'), std::string::npos);
    CZipAddOutcome out =
        RunZipAdd(Add({"C:\\IN\\my file.txt", quoted, "C:\\IN\\plain.txt"}), Ctx());
    EXPECT_TRUE(out.added);
    EXPECT_EQ(out.specifications, 1);
    EXPECT_EQ(Listed("OUT/T.ZIP"),
              (Strings{"old.txt", "my file.txt", "say \"hi\".txt", "plain.txt"}));
    EXPECT_TRUE(m_ui.Texts().empty()) << testing::PrintToString(m_ui.Texts());
    ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
    const ui::StatusLog& status = *m_ui.StatusWindows()[0];
    EXPECT_EQ(status.caption, "Adding Files To Zip T.ZIP");
    EXPECT_EQ(status.Texts(ui::StatusLog::Call::OverallLabel), Strings{"Files added: "});
    EXPECT_EQ(status.Percents(ui::StatusLog::Call::OverallPercent).front(), 0);
    EXPECT_TRUE(status.destroyed);
    EXPECT_EQ(m_notices.Descriptions(), Strings{"Changed C:\\OUT\\T.ZIP"});
}

TEST_F(ZipAddTest, TheActionChoosesAddFreshenOrUpdate) {
    // old.txt: in the archive from 2001; on disk "newer" from 2010 or "older"
    // from 1995. new.txt: only on disk.
    struct Case {
        int action;
        time_t diskTime;
        Strings members;
        bool replaced;     // old.txt holds the disk's bytes afterwards
        const char* shown; // "" nothing
    } cases[] = {
        {kZipActionAdd, 1262304000, {"old.txt", "new.txt"}, true, ""},
        {kZipActionAdd, 788918400, {"old.txt", "new.txt"}, true, ""},
        {kZipActionFreshen, 1262304000, {"old.txt"}, true, ""},
        // Nothing newer to freshen: the engine has nothing to do.
        {kZipActionFreshen,
         788918400,
         {"old.txt"},
         false,
         "Unable to add files to 'C:\\OUT\\T.ZIP'.\n\n"},
        {kZipActionUpdate, 1262304000, {"old.txt", "new.txt"}, true, ""},
        {kZipActionUpdate, 788918400, {"old.txt", "new.txt"}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.action) + " " + std::to_string(c.diskTime));
        ::unlink(Host("OUT/T.ZIP").c_str());
        MakeDir("OUT");
        MakeFile("SRC/old.txt", "archived");
        Age("SRC/old.txt", 978307200);
        Zip("'" + Host("OUT/T.ZIP") + "' old.txt", "SRC");
        MakeFile("IN/old.txt", "from disk");
        Age("IN/old.txt", c.diskTime);
        MakeFile("IN/new.txt", "new");
        m_ui.Reset();
        EXPECT_EQ(RunZipAdd(Add({"C:\\IN\\old.txt", "C:\\IN\\new.txt"}, c.action), Ctx()).added,
                  c.shown[0] == '\0');
        EXPECT_EQ(m_ui.Texts().empty(), c.shown[0] == '\0');
        if (!m_ui.Texts().empty()) {
            EXPECT_EQ(m_ui.Texts()[0].rfind(c.shown, 0), 0u) << m_ui.Texts()[0];
        }
        EXPECT_EQ(Listed("OUT/T.ZIP"), c.members);
        ASSERT_EQ(Run("unzip -qo OUT/T.ZIP old.txt -d X"), 0);
        EXPECT_EQ(test::ReadFile(Host("X/old.txt")), c.replaced ? "from disk" : "archived");
    }
}

TEST_F(ZipAddTest, ManyNamesGoInSeveralSpecificationsAndAllArrive) {
    MakeDir("OUT");
    MakeArchive("OUT/T.ZIP", {"a.txt"});
    Strings files;
    const std::string pad(90, 'p');
    for (int i = 0; i < 600; ++i) {
        const std::string name = "f" + std::to_string(i) + pad;
        MakeFile("IN/" + name, std::to_string(i));
        files.push_back("C:\\IN\\" + name);
    }
    CZipAddOutcome out = RunZipAdd(Add(files), Ctx());
    EXPECT_TRUE(out.added);
    EXPECT_EQ(out.specifications, 2);
    EXPECT_EQ(Listed("OUT/T.ZIP").size(), 601u);
}

TEST_F(ZipAddTest, AFailedAddShowsWhyAndLeavesTheArchiveAsItWas) {
    MakeDir("OUT");
    MakeArchive("OUT/T.ZIP", {"old.txt"});
    MakeFile("IN/new.txt", "new");
    const std::string before = test::ReadFile(Host("OUT/T.ZIP"));
    // The new archive cannot be renamed over the old one.
    platform::fault::Arm(platform::fault::Op::Rename, 1, EIO, true);
    CZipAddOutcome out = RunZipAdd(Add({"C:\\IN\\new.txt"}), Ctx());
    platform::fault::Reset();
    EXPECT_FALSE(out.added);
    EXPECT_EQ(test::ReadFile(Host("OUT/T.ZIP")), before);
    ExpectNoStaging(Host("OUT"));
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(m_ui.Texts()[0].rfind("Unable to add files to 'C:\\OUT\\T.ZIP'.\n\n", 0), 0u);
    EXPECT_TRUE(m_notices.Descriptions().empty());
}

TEST_F(ZipAddTest, NothingToAddOrAnUnusableNameOpensNoStatusWindow) {
    MakeDir("OUT");
    MakeArchive("OUT/T.ZIP", {"old.txt"});
    const std::string before = test::ReadFile(Host("OUT/T.ZIP"));
    EXPECT_FALSE(RunZipAdd(Add({}), Ctx()).added);
    EXPECT_TRUE(m_ui.Texts().empty());

    MakeFile("IN/a \"b\" c", "x");
    EXPECT_FALSE(RunZipAdd(Add({"C:\\IN\\a \"b\" c"}), Ctx()).added);
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(m_ui.Texts()[0].rfind("Unable to add files to 'C:\\OUT\\T.ZIP'.\n\nThe name "
                                    "'C:\\IN\\a \"b\" c' cannot be passed",
                                    0),
              0u);
    EXPECT_TRUE(m_ui.StatusWindows().empty());
    EXPECT_EQ(test::ReadFile(Host("OUT/T.ZIP")), before);
    EXPECT_TRUE(m_notices.Descriptions().empty());
}

TEST_F(ZipAddTest, AnArchiveThatCannotBeOpenedIsNeitherMadeNorChanged) {
    MakeDir("OUT");
    MakeFile("OUT/NOTZIP.ZIP", "not a zip file");
    MakeFile("IN/new.txt", "new");
    for (const char* archive : {"C:\\OUT\\T.ZIP", "C:\\OUT\\NOTZIP.ZIP"}) {
        SCOPED_TRACE(archive);
        m_ui.Reset();
        CZipAddParameters p = Add({"C:\\IN\\new.txt"});
        p.zipPath = archive;
        EXPECT_FALSE(RunZipAdd(p, Ctx()).added);
        ASSERT_EQ(m_ui.Texts().size(), 1u);
        EXPECT_EQ(m_ui.Texts()[0], "Unable to add files to '" + std::string(archive) +
                                       "'.\n\nA zip file has not been opened!");
    }
    EXPECT_FALSE(test::FileExists(Host("OUT/T.ZIP")));
    EXPECT_EQ(test::ReadFile(Host("OUT/NOTZIP.ZIP")), "not a zip file");
}

// --- the comment ----------------------------------------------------------------------------

TEST_F(ZipAddTest, TheCommentIsReadAndWrittenBack) {
    MakeDir("OUT");
    MakeArchive("OUT/T.ZIP", {"a.txt"});
    EXPECT_EQ(ReadZipComment(Ctx(), "C:\\OUT\\T.ZIP"), std::optional<std::string>(""));
    CZipCommentJob job("C:\\OUT\\T.ZIP", "first line\r\nsecond line");
    ui::OperationContext context = Ctx();
    EXPECT_TRUE(ui::RunJobNow(job, context).ok);
    EXPECT_EQ(ReadZipComment(Ctx(), "C:\\OUT\\T.ZIP"),
              std::optional<std::string>("first line\r\nsecond line"));
    EXPECT_EQ(Listed("OUT/T.ZIP"), Strings{"a.txt"});
    EXPECT_EQ(m_notices.Descriptions(), Strings{"Changed C:\\OUT\\T.ZIP"});

    // A failed save leaves the archive and its comment as they were.
    const std::string before = test::ReadFile(Host("OUT/T.ZIP"));
    platform::fault::Arm(platform::fault::Op::Rename, 1, EIO, true);
    EXPECT_FALSE(WriteZipComment(Ctx(), "C:\\OUT\\T.ZIP", "lost"));
    platform::fault::Reset();
    EXPECT_EQ(test::ReadFile(Host("OUT/T.ZIP")), before);
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(m_ui.Texts()[0].rfind("Unable to save comment for zip file 'C:\\OUT\\T.ZIP'.\n\n", 0),
              0u);

    // A missing archive is not made.
    m_ui.Reset();
    EXPECT_FALSE(ReadZipComment(Ctx(), "C:\\OUT\\NONE.ZIP").has_value());
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(m_ui.Texts()[0],
              "Unable to open zip file 'C:\\OUT\\NONE.ZIP'.\n\nFile not found error!");
    EXPECT_FALSE(test::FileExists(Host("OUT/NONE.ZIP")));
}

// --- names ------------------------------------------------------------------------------------

TEST_F(ZipAddTest, NewZipFileNames) {
    MakeDir("D");
    MakeFile("D/TAKEN.ZIP", "keep");
    struct Case {
        const char* name;
        const char* refusal; // "" accepted
        const char* path;
    } cases[] = {
        {"", "A name must be specified!", ""},
        {"   ", "A name must be specified!", ""},
        {"a<b.zip",
         "The file specification \"a<b.zip\" is invalid. It contains invalid characters or it "
         "violates the the DOS file specification syntax.",
         ""},
        {"a*.zip", "Name cannot have wildcards in it!", ""},
        {"new", "", "C:\\D\\new.ZIP"},
        {"new.zip", "", "C:\\D\\new.zip"},
        {"New.Zip", "", "C:\\D\\New.Zip"},
        {"new.tar.zip", "Zip file must have an extension of '.ZIP'.", ""},
        {"new.txt", "Zip file must have an extension of '.ZIP'.", ""},
        {"new.", "Zip file must have an extension of '.ZIP'.", ""},
        {"my.dir\\new", "", "C:\\D\\my.dir\\new.ZIP"},
        {"C:\\ELSE\\x.zip", "", "C:\\ELSE\\x.zip"},
        {"taken", "'C:\\D\\taken.ZIP' already exists!", ""},
        {"TAKEN.ZIP", "'C:\\D\\TAKEN.ZIP' already exists!", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        EXPECT_EQ(ValidateNewZipName("C:\\D", c.name, *m_drives, &path), c.refusal);
        EXPECT_EQ(path, c.path);
    }
    struct Leaf {
        const char* name;
        bool zip;
    } leaves[] = {{"A.ZIP", true}, {"a.zip", true},   {"A.TAR.ZIP", false}, {"ZIP", false},
                  {".zip", true},  {"A.ZIPX", false}, {"A.ZIP.", false},    {"A.zIp", true}};
    for (const Leaf& l : leaves)
        EXPECT_EQ(IsZipDirectoryName(l.name), l.zip) << l.name;
}

} // namespace
} // namespace vorlane::fileops
