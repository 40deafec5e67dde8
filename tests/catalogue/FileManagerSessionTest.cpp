// The session over real directories: navigation, the file list, tag and
// sort commands, totals and the services the session calls.
#include "CatalogueTestSupport.h"
#include "catalogue/CFileManagerSession.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "search/CFileSearchRequest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace vorlane::catalogue {
namespace {

using Names = std::vector<std::string>;

class FileManagerSessionTest : public testing::DriveTest {
  protected:
    FileManagerSessionTest() {
        m_session.SetView(&m_view);
        m_session.SetOptions(CCatalogueOptions{});
    }

    // C:\ holds small.txt (100 bytes), mid.doc (500), big.txt (1000),
    // PACK.ZIP and the directories DOCS (with two files) and EMPTY.
    void MakeTree() {
        MakeFile("small.txt", std::string(100, 's'));
        MakeFile("mid.doc", std::string(500, 'm'));
        MakeFile("big.txt", std::string(1000, 'b'));
        MakeFile("PACK.ZIP", "PK");
        MakeDir("DOCS");
        MakeFile("DOCS/one.txt", "1");
        MakeFile("DOCS/two.txt", "22");
        MakeDir("EMPTY");
    }

    bool LogTree() {
        MakeTree();
        return m_session.LogDrive('C');
    }
    static Names FileNames(const CFileManagerSession& session, bool taggedOnly = false) {
        Names names;
        for (int i = 0; i < session.FileCount(); ++i)
            if (!taggedOnly || session.File(i)->Tagged())
                names.push_back(session.File(i)->Name());
        return names;
    }
    Names FileNames() const { return FileNames(m_session); }
    Names TaggedNames() const { return FileNames(m_session, true); }
    int IndexOf(const std::string& name) const {
        for (int i = 0; i < m_session.FileCount(); ++i)
            if (m_session.File(i)->Name() == name)
                return i;
        return -1;
    }
    // A local time on 15 June 2023 plus days.
    static std::time_t June15(int days, int hour, int minute) {
        struct tm local {};
        local.tm_year = 2023 - 1900;
        local.tm_mon = 5;
        local.tm_mday = 15 + days;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_isdst = -1;
        return std::mktime(&local);
    }
    void Touch(const std::string& relative, std::time_t when) {
        struct timeval times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimes(Host(relative).c_str(), times), 0);
    }

    CFileManagerSession m_session;
};

TEST_F(FileManagerSessionTest, LoggingShowsTheRootFilesAndUnlogLeavesNoDrive) {
    MakeTree();
    // Without a drive every command is a harmless no-op.
    EXPECT_FALSE(m_session.GoTo("C:\\"));
    EXPECT_EQ(m_session.Caret(), -1);
    EXPECT_EQ(m_session.RunTagCommand(kCmdTagEvery), 0);
    EXPECT_FALSE(m_session.RunTreeCommand(kCmdExpandAll).done);
    EXPECT_TRUE(m_session.Totals(true).total.empty());

    ASSERT_TRUE(m_session.LogDrive('c'));
    EXPECT_EQ(m_session.CurrentDirectoryPath(), "C:\\");
    EXPECT_EQ(m_session.DriveName(), "C:");
    EXPECT_EQ(FileNames(), (Names{"big.txt", "mid.doc", "small.txt"}))
        << "directories and zip files are not in a file list";
    EXPECT_EQ(m_session.CurrentDirectory()->TotalSize(), 1600u);
    EXPECT_EQ(m_session.Caret(), 0);
    EXPECT_GE(m_view.treeChanges, 1);
    EXPECT_TRUE(m_session.CurrentDirectory()->Flag() & 1) << "the root's flag is set";
    EXPECT_TRUE(m_session.CurrentDrive()->IsDirectoryLogged("C:\\PACK.ZIP"));

    m_session.Unlog();
    EXPECT_EQ(m_session.CurrentDrive(), nullptr);
    EXPECT_EQ(m_session.Drives().Count(), 0);
    EXPECT_EQ(m_session.FileCount(), 0);
    m_session.Unlog(); // twice is harmless
    ASSERT_TRUE(m_session.GoTo("C:\\DOCS")) << "the session logs its drive again";
    EXPECT_EQ(m_session.Drives().Count(), 1);
}

TEST_F(FileManagerSessionTest, GoToReadsTheDirectoryAndFallsBackToTheRoot) {
    MakeTree();
    MakeDir("DOCS/SUB/DEEPER");
    ASSERT_TRUE(m_session.LogDrive('C'));
    ASSERT_TRUE(m_session.GoTo("c:\\docs"));
    EXPECT_EQ(m_session.CurrentDirectoryPath(), "C:\\DOCS");
    EXPECT_EQ(FileNames(), (Names{"one.txt", "two.txt"}));
    EXPECT_EQ(m_session.CurrentDrive()->DirectoryAt(0)->FileCount(), 0)
        << "the directory left holds no records";
    ASSERT_TRUE(m_session.GoTo("C:\\DOCS\\SUB\\DEEPER"));
    EXPECT_EQ(m_session.CurrentDirectoryPath(), "C:\\DOCS\\SUB\\DEEPER");
    ASSERT_TRUE(m_session.GoTo("C:\\NOT\\THERE"));
    EXPECT_EQ(m_session.CurrentDirectoryPath(), "C:\\");
    EXPECT_EQ(FileNames().size(), 3u);
}

// Each command's count of changed files and the tags after it; the totals
// (and the list) are redrawn only when something changed.
TEST_F(FileManagerSessionTest, TagCommands) {
    ASSERT_TRUE(LogTree());
    // big.txt, mid.doc, small.txt; caret on mid.doc.
    m_session.SetCaret(1);
    struct Step {
        int command;
        bool inTree;
        int changed;
        Names tagged;
    } steps[] = {
        {kCmdTagFile, false, 1, {"mid.doc"}},
        {kCmdTagFile, false, 0, {"mid.doc"}},
        {kCmdInvertAll, false, 3, {"big.txt", "small.txt"}}, // three files, one tagged: two
        {kCmdInvertFile, false, 1, {"big.txt", "mid.doc", "small.txt"}},
        {kCmdUntagFile, false, 1, {"big.txt", "small.txt"}},
        {kCmdUntagAll, false, 2, {}},
        {kCmdTagEvery, false, 3, {"big.txt", "mid.doc", "small.txt"}},
        {kCmdInvertFile, true, 3, {}}, // from the tree: invert all
        {12345, false, -1, {}},
    };
    for (const Step& step : steps) {
        m_view.fields.clear();
        int redraws = m_view.fileListChanges;
        EXPECT_EQ(m_session.RunTagCommand(step.command, step.inTree), step.changed) << step.command;
        EXPECT_EQ(TaggedNames(), step.tagged) << step.command;
        EXPECT_EQ(m_view.fields.count(3), step.changed > 0 ? 1u : 0u) << step.command;
        EXPECT_EQ(m_view.fileListChanges, redraws + (step.changed > 0)) << step.command;
        EXPECT_EQ(m_view.fields.count(1), 0u) << "tag commands leave the drive field alone";
    }
    m_session.RunTagCommand(kCmdTagEvery);
    EXPECT_EQ(m_view.fields[3], "Tagged 3 file(s), 1.6KB");
}

TEST_F(FileManagerSessionTest, TagModifiedUsesTheArchiveAttribute) {
    MakeTree();
    if (!platform::SetAttributes(Host("mid.doc"), 0))
        GTEST_SKIP() << "this file system keeps no DOS attributes";
    ASSERT_TRUE(m_session.LogDrive('C'));
    EXPECT_EQ(m_session.RunTagCommand(kCmdTagModified), 2);
    EXPECT_EQ(TaggedNames(), (Names{"big.txt", "small.txt"}));
}

TEST_F(FileManagerSessionTest, TagTodayUsesLocalDate) {
    MakeTree();
    Touch("big.txt", June15(-1, 23, 59));   // the day before
    Touch("mid.doc", June15(0, 0, 0));      // today, just after midnight
    Touch("small.txt", June15(-365, 0, 1)); // same day, other year
    ASSERT_TRUE(m_session.LogDrive('C'));
    m_session.SetClock([] { return June15(0, 0, 1); });
    EXPECT_EQ(m_session.RunTagCommand(kCmdTagToday), 1);
    EXPECT_EQ(TaggedNames(), (Names{"mid.doc"}));
}

class SizeAtLeast : public CFileCriteria {
  public:
    explicit SizeAtLeast(uint64_t bytes) : m_bytes(bytes) {}
    bool Matches(const CFileContainer& file) const override { return file.Size() >= m_bytes; }

  private:
    uint64_t m_bytes;
};

class ScriptedCustomTag : public CCustomTagSource {
  public:
    std::shared_ptr<const CFileCriteria> AskCustomTag() override {
        ++asked;
        return answer;
    }
    std::shared_ptr<const CFileCriteria> answer;
    int asked = 0;
};

TEST_F(FileManagerSessionTest, CustomTagTagsWhatTheCriteriaPass) {
    ASSERT_TRUE(LogTree());
    EXPECT_EQ(m_session.RunTagCommand(kCmdCustomTag), -1) << "no dialog: nothing to do";
    ScriptedCustomTag source;
    m_session.SetCustomTagSource(&source);
    EXPECT_EQ(m_session.RunTagCommand(kCmdCustomTag), -1) << "cancelled";
    EXPECT_TRUE(TaggedNames().empty());
    source.answer = std::make_shared<SizeAtLeast>(500);
    EXPECT_EQ(m_session.RunTagCommand(kCmdCustomTag), 2);
    EXPECT_EQ(TaggedNames(), (Names{"big.txt", "mid.doc"}));
    EXPECT_EQ(source.asked, 2);
}

TEST_F(FileManagerSessionTest, TagsSurviveARefreshButNotTheirFile) {
    ASSERT_TRUE(LogTree());
    m_session.SetTag(IndexOf("small.txt"), 1);
    MakeFile("new.txt", "n");
    ASSERT_TRUE(m_session.Refresh());
    EXPECT_EQ(FileNames(), (Names{"big.txt", "mid.doc", "new.txt", "small.txt"}));
    EXPECT_EQ(TaggedNames(), (Names{"small.txt"}));
    EXPECT_EQ(m_session.CurrentDirectory()->TaggedSize(), 100u);

    // A saved tag of a file deleted meanwhile is dropped.
    m_session.SetTag(IndexOf("mid.doc"), 1);
    ASSERT_TRUE(m_session.GoTo("C:\\DOCS"));
    ASSERT_EQ(::unlink(Host("mid.doc").c_str()), 0);
    MakeFile("mid.doc.new", "x");
    ASSERT_TRUE(m_session.GoTo("C:\\"));
    EXPECT_EQ(TaggedNames(), (Names{"small.txt"}));
    EXPECT_EQ(m_session.CurrentDirectory()->SavedNames().size(), 0u);

    // A record whose file vanishes keeps its data until it is counted out.
    CFileContainer* file = m_session.File(IndexOf("big.txt"));
    ASSERT_EQ(::unlink(Host("big.txt").c_str()), 0);
    EXPECT_FALSE(file->RefreshFromDisk());
    EXPECT_EQ(file->Size(), 1000u);
    file->SetState(kFileGone);
    m_session.CurrentDirectory()->Count();
    EXPECT_EQ(FileNames(), (Names{"mid.doc.new", "new.txt", "small.txt"}));
}

TEST_F(FileManagerSessionTest, PreserveTagsAcrossDirectoryChanges) {
    MakeTree();
    for (bool preserve : {true, false}) {
        CFileManagerSession session;
        session.SetOptions(CCatalogueOptions{preserve, false});
        ASSERT_TRUE(session.LogDrive('C'));
        session.SetTag(0, 1); // big.txt
        session.SetTag(2, 1); // small.txt
        ASSERT_TRUE(session.GoTo("C:\\DOCS"));
        ASSERT_TRUE(session.GoTo("C:\\"));
        EXPECT_EQ(FileNames(session, true), preserve ? (Names{"big.txt", "small.txt"}) : Names{})
            << "preserve " << preserve;
        EXPECT_EQ(session.CurrentDirectory()->TaggedCount(), preserve ? 2 : 0);
    }
}

TEST_F(FileManagerSessionTest, SortCommands) {
    ASSERT_TRUE(LogTree());
    m_session.SetCaret(IndexOf("mid.doc"));
    EXPECT_FALSE(m_session.RunSortCommand(kCmdSortByFilename)) << "already in force";
    EXPECT_TRUE(m_ui.StatusWindows().empty());
    EXPECT_TRUE(m_session.RunSortCommand(kCmdSortBySize));
    EXPECT_EQ(FileNames(), (Names{"small.txt", "mid.doc", "big.txt"}));
    EXPECT_EQ(m_session.CaretFile()->Name(), "mid.doc") << "the caret stays on its file";
    EXPECT_TRUE(m_session.RunSortCommand(kCmdSortBySize, true));
    EXPECT_EQ(m_session.DisplaySettings().sortMethod, kSortMethodSizeDescending);
    EXPECT_EQ(FileNames(), (Names{"big.txt", "mid.doc", "small.txt"}));
    EXPECT_TRUE(m_session.RunSortCommand(kCmdSortByExtension));
    EXPECT_EQ(FileNames(), (Names{"mid.doc", "big.txt", "small.txt"}));
    EXPECT_TRUE(m_session.RunSortCommand(kCmdUnsorted));
    EXPECT_EQ(m_session.DisplaySettings().sortMethod, kSortMethodUnsorted);

    ASSERT_FALSE(m_ui.StatusWindows().empty());
    const ui::StatusLog& log = *m_ui.StatusWindows().front();
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::CurrentMessage), (Names{"Sorting C:"}));
    std::vector<int> percents = log.Percents(ui::StatusLog::Call::CurrentPercent);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_TRUE(log.destroyed);

    // A custom sort needs two different keys, and always sorts.
    CSortKey same[2] = {{kSortSize, 1}, {kSortSize, -1}};
    EXPECT_FALSE(m_session.RunSortCommand(kCmdCustomSort, false, same));
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].text, "Sort keys must be different!");
    CSortKey keys[2] = {{kSortSize, -1}, {kSortName, 1}};
    EXPECT_TRUE(m_session.RunSortCommand(kCmdCustomSort, false, keys));
    EXPECT_EQ(FileNames(), (Names{"big.txt", "mid.doc", "small.txt"}));
    EXPECT_TRUE(m_session.RunSortCommand(kCmdCustomSort, false, keys)) << "custom always sorts";
}

TEST_F(FileManagerSessionTest, TotalsTexts) {
    ASSERT_TRUE(LogTree());
    m_session.SetTag(IndexOf("small.txt"), 1);
    CStatusTexts texts = m_session.Totals(true);
    EXPECT_EQ(texts.total, "Total 3 file(s), 1.6KB");
    EXPECT_EQ(texts.tagged, "Tagged 1 file(s), 0.1KB");
    EXPECT_EQ(texts.drive.rfind("C: ", 0), 0u) << texts.drive;
    EXPECT_NE(texts.drive.find(" free,"), std::string::npos) << texts.drive;
    EXPECT_NE(texts.drive.find(" total"), std::string::npos) << texts.drive;
    EXPECT_EQ(m_view.fields[1], texts.drive);
    EXPECT_EQ(m_view.fields[2], texts.total);
    EXPECT_EQ(m_view.fields[3], texts.tagged);
    m_view.fields.clear();
    texts = m_session.Totals(false);
    EXPECT_TRUE(texts.drive.empty());
    EXPECT_EQ(m_view.fields.count(1), 0u);
}

TEST_F(FileManagerSessionTest, CurrentGroupOfACaretNameWithBrackets) {
    MakeFile("a[1].txt");
    MakeFile("a1.txt");
    MakeFile("b.txt");
    ASSERT_TRUE(m_session.LogDrive('C'));
    ASSERT_TRUE(m_session.SetCaretByName("a[1].txt"));
    CGroupRange range = m_session.GroupRange(kGroupCurrent);
    EXPECT_EQ(range.count, 1) << "the caret's name is matched literally";
    EXPECT_EQ(m_session.File(range.first)->Name(), "a[1].txt");
    EXPECT_EQ(m_session.GroupRange(kGroupCurrent, "A*").count, 2);
    EXPECT_TRUE(m_session.InGroup(IndexOf("b.txt"), kGroupCurrent, "[b]*"));
}

class FixedDescriptions : public CDescriptionSource {
  public:
    class Open_ : public CDirectoryDescriptions {
      public:
        std::optional<std::string> Find(const std::string& name) override {
            if (name == "big.txt")
                return std::string("The big one");
            return std::nullopt;
        }
    };
    std::unique_ptr<CDirectoryDescriptions> Open(const std::string& directory,
                                                 const platform::DriveMap&) override {
        opened.push_back(directory);
        return std::make_unique<Open_>();
    }
    std::vector<std::string> opened;
};

TEST_F(FileManagerSessionTest, DescriptionsComeFromTheSourceWhenSwitchedOn) {
    MakeTree();
    FixedDescriptions source;
    m_session.SetDescriptionSource(&source);
    ASSERT_TRUE(m_session.LogDrive('C'));
    EXPECT_TRUE(source.opened.empty()) << "\"4DOS Descriptions\" is off";
    EXPECT_EQ(m_session.File(IndexOf("big.txt"))->Description(), "");
    m_session.SetOptions(CCatalogueOptions{true, true});
    ASSERT_TRUE(m_session.Refresh());
    EXPECT_EQ(source.opened, (Names{"C:\\"}));
    EXPECT_EQ(m_session.File(IndexOf("big.txt"))->Description(), "The big one");
    EXPECT_EQ(m_session.File(IndexOf("mid.doc"))->Description(), "");
}

TEST_F(FileManagerSessionTest, SearchCriteriaHideFilesAndRematch) {
    ASSERT_TRUE(LogTree());
    // "mid.doc" and "big.txt", not "small.txt" nor the files of DOCS.
    search::CFileSearchRequest conditions;
    conditions.AddCondition({search::kFieldFilename, search::kOpEqual, "-SMALL.*;*.*"});
    conditions.AddCondition({search::kFieldFilename, search::kOpNotEqual, "ONE.TXT;TWO.TXT"});
    m_session.SetSearchConditions(conditions);
    EXPECT_EQ(FileNames(), (Names{"big.txt", "mid.doc", "small.txt"}));
    EXPECT_EQ(m_session.CurrentDirectory()->ShownCount(), 2);
    EXPECT_FALSE(m_session.File(2)->Shown());
    EXPECT_EQ(m_session.RunTagCommand(kCmdTagEvery), 2) << "only shown files";
    bool rematched = false;
    for (const auto& log : m_ui.StatusWindows())
        rematched = rematched ||
                    log->Texts(ui::StatusLog::Call::CurrentMessage) == Names{"Rematching Drive C"};
    EXPECT_TRUE(rematched);
    // Criteria stay in force in the next directory.
    ASSERT_TRUE(m_session.GoTo("C:\\DOCS"));
    EXPECT_EQ(m_session.CurrentDirectory()->ShownCount(), 0);
    m_session.SetSearchConditions({});
    EXPECT_EQ(m_session.CurrentDirectory()->ShownCount(), 2);
}

TEST_F(FileManagerSessionTest, TreeCommands) {
    MakeTree();
    MakeDir("DOCS/A/B/C/D");
    ASSERT_TRUE(m_session.LogDrive('C'));
    CTreeCommandResult result = m_session.RunTreeCommand(kCmdOpenToLevel0);
    EXPECT_TRUE(result.done);
    EXPECT_EQ(result.action, TreeAction::OpenToLevel);
    EXPECT_EQ(result.added, 0) << "level 0 scans nothing";
    result = m_session.RunTreeCommand(kCmdOpenToLevel0 + 3);
    EXPECT_EQ(result.level, 3);
    EXPECT_TRUE(m_session.CurrentDrive()->IsDirectoryLogged("C:\\DOCS\\A\\B\\C")) << "marker";
    EXPECT_FALSE(m_session.CurrentDrive()->IsDirectoryLogged("C:\\DOCS\\A\\B\\C\\D"));
    ASSERT_TRUE(m_session.GoTo("C:\\DOCS\\A\\B"));
    // Each branch command with its action and the drive's expand level after it.
    const std::tuple<int, TreeAction, int> branch[] = {
        {kCmdExpandOneLevel, TreeAction::ExpandBranch, -1},
        {kCmdCollapseBranch, TreeAction::CollapseBranch, 0},
        {kCmdExpandBranch, TreeAction::ExpandBranchFully, 255}};
    for (const auto& [command, action, level] : branch) {
        EXPECT_EQ(m_session.RunTreeCommand(command).action, action) << command;
        EXPECT_EQ(m_session.CurrentDrive()->ExpandLevel(), level) << command;
        EXPECT_TRUE(m_session.CurrentDrive()->IsDirectoryLogged("C:\\DOCS\\A\\B\\C\\D"));
    }
    result = m_session.RunTreeCommand(kCmdExpandAll);
    EXPECT_EQ(result.action, TreeAction::OpenToLevel);
    EXPECT_EQ(result.level, 255);
    EXPECT_FALSE(m_session.RunTreeCommand(14399).done);
}

TEST_F(FileManagerSessionTest, CatalogueChangedFollowsTheDisk) {
    ASSERT_TRUE(LogTree());
    m_session.SetTag(IndexOf("big.txt"), 1);
    MakeFile("added.txt", "a");
    MakeDir("NEWDIR");
    m_session.CatalogueChanged("C:\\added.txt");
    EXPECT_EQ(FileNames(), (Names{"added.txt", "big.txt", "mid.doc", "small.txt"}));
    EXPECT_EQ(TaggedNames(), (Names{"big.txt"}));
    EXPECT_TRUE(m_session.CurrentDrive()->IsDirectoryLogged("C:\\NEWDIR"));
    ASSERT_EQ(::rmdir(Host("EMPTY").c_str()), 0);
    m_session.CatalogueChanged("C:\\EMPTY");
    EXPECT_FALSE(m_session.CurrentDrive()->IsDirectoryLogged("C:\\EMPTY"));
    m_session.CatalogueChanged("D:\\ELSEWHERE"); // another drive: nothing
}

TEST_F(FileManagerSessionTest, OddFileNamesAndAttributes) {
    MakeFile("line\nbreak.txt", "x");
    MakeFile("latin\xE9.txt", "y");
    MakeFile(".hidden", "z");
    MakeFile("readonly.txt", "r");
    ASSERT_EQ(::chmod(Host("readonly.txt").c_str(), 0444), 0);
    MakeLink("readonly.txt", "link.txt");
    MakeLink("nowhere", "dangling");
    ASSERT_TRUE(m_session.LogDrive('C'));
    EXPECT_EQ(m_session.FileCount(), 6);
    CFileContainer* hidden = m_session.File(IndexOf(".hidden"));
    ASSERT_NE(hidden, nullptr);
    EXPECT_TRUE(hidden->Attributes() & platform::kAttrHidden);
    CFileContainer* readOnly = m_session.File(IndexOf("readonly.txt"));
    EXPECT_TRUE(readOnly->IsProtected());
    EXPECT_EQ(m_session.File(IndexOf("link.txt"))->Size(), 1u) << "a link reads as its file";
    for (int i = 0; i < m_session.FileCount(); ++i) {
        CFileContainer* file = m_session.File(i);
        EXPECT_TRUE(file->RefreshFromDisk() || file->Name() == "dangling") << file->Name();
        EXPECT_FALSE(file->FullPath().empty());
    }
}

} // namespace
} // namespace vorlane::catalogue
