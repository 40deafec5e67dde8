// Drops between file manager windows, the change notices that follow a file
// operation, and the description column.
#include "GuiTestSupport.h"

#include "catalogue/CFileContainer.h"
#include "gui/CJobManager.h"
#include "gui/FileDrop.h"
#include "gui/QtUserInterface.h"
#include "platform/FaultInjection.h"

#include <QMimeData>
#include <QUrl>

#include <cerrno>

namespace vorlane::gui::test {

namespace {

// The scripted interface, but change notices reach the windows as the Qt
// interface hands them on.
class NoticeForwardingUi : public ui::ScriptedUserInterface {
  public:
    void CatalogueChanged(char letter, const std::string& path) override {
        ui::ScriptedUserInterface::CatalogueChanged(letter, path);
        BroadcastCatalogueChange(letter, path);
    }
};

class DropTest : public GuiTest {
  protected:
    DropTest() {
        m_forward.OnUnexpected(
            [](const std::string& what) { ADD_FAILURE() << "unexpected: " << what; });
        m_scoped = std::make_unique<ui::ScopedUserInterface>(&m_forward);
        ::mkdir((m_d / "IN").c_str(), 0700);
        // A drop with no key held asks; the user takes the action offered
        // first unless a test answers otherwise.
        SetDropChooser([this](QWidget*, DropAction suggested) -> std::optional<DropAction> {
            m_offered.push_back(suggested);
            if (m_answers.empty())
                return suggested;
            std::optional<DropAction> answer = m_answers.front();
            m_answers.erase(m_answers.begin());
            return answer;
        });
    }
    ~DropTest() override {
        SetDropChooser(nullptr);
        m_scoped.reset();
    }
    // Drops run unasked from now on, as with "Automatic Drag-and-Drop
    // Operations" set.
    void AutomaticDrops() {
        ui::OperationContext base = Frame().Jobs().NewContext();
        base.MutableOptions().automaticDragAndDrop = true;
        Frame().Jobs().SetContextFactory([base] { return base.WithOwnCancelFlag(); });
    }
    // Earlier key presses of a test program may leave Shift or Ctrl as the
    // last known state; the drops here are made with no key held.
    static void NoKeysHeld(QWidget* widget) { QTest::keyClick(widget, Qt::Key_F35); }

    NoticeForwardingUi m_forward;
    std::unique_ptr<ui::ScopedUserInterface> m_scoped;
    std::vector<DropAction> m_offered;                // what each question offered first
    std::vector<std::optional<DropAction>> m_answers; // the user's answers, in order
};

} // namespace

TEST_F(DropTest, KeysAndDrivesChooseCopyOrMove) {
    struct Case {
        const char* name;
        Qt::KeyboardModifiers keys;
        const char* target;
        bool moved;
    };
    const Case cases[] = {
        {"plain drop on another drive copies", Qt::NoModifier, "D:\\IN", false},
        {"plain drop on the same drive moves", Qt::NoModifier, "C:\\SUB", true},
        {"Ctrl copies on the same drive", Qt::ControlModifier, "C:\\OTHER", false},
        {"Shift moves to another drive", Qt::ShiftModifier, "D:\\", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseDropAction("C:\\alpha.txt", c.target, c.keys),
                  c.moved ? DropAction::Move : DropAction::Copy);
    }
}

// A drop with no key held asks before anything is copied or moved (the
// drop used to move files at once); the answer decides, Cancel does
// nothing; a key or the automatic setting skips the question.
TEST_F(DropTest, ADropWithNoKeyAsksUnlessAKeyOrTheAutomaticSettingChose) {
    TFileManagerWindow& to = Open("C:", "C:\\SUB");
    m_answers = {std::nullopt, DropAction::Copy};
    EXPECT_FALSE(to.DropFiles({"C:\\alpha.txt"}, "C:\\SUB", Qt::NoModifier));
    Pump();
    EXPECT_TRUE(Exists(m_c / "alpha.txt"));
    EXPECT_FALSE(Exists(m_c / "SUB/alpha.txt")) << "cancelled, nothing done";
    EXPECT_TRUE(m_forward.StatusWindows().empty());

    EXPECT_TRUE(to.DropFiles({"C:\\alpha.txt"}, "C:\\SUB", Qt::NoModifier));
    Pump();
    EXPECT_TRUE(Exists(m_c / "alpha.txt")) << "the user chose Copy over the offered Move";
    EXPECT_TRUE(Exists(m_c / "SUB/alpha.txt"));
    EXPECT_EQ(m_offered, std::vector<DropAction>({DropAction::Move, DropAction::Move}));

    // Shift chose: no question.
    EXPECT_TRUE(to.DropFiles({"C:\\beta.doc"}, "C:\\SUB", Qt::ShiftModifier));
    Pump();
    EXPECT_FALSE(Exists(m_c / "beta.doc"));
    EXPECT_EQ(m_offered.size(), 2u);

    // With the automatic setting a plain drop runs at once.
    AutomaticDrops();
    TFileManagerWindow& other = Open("D:", "D:\\IN");
    EXPECT_TRUE(other.DropFiles({"C:\\gamma"}, "D:\\IN", Qt::NoModifier));
    Pump();
    EXPECT_TRUE(Exists(m_d / "IN/gamma"));
    EXPECT_TRUE(Exists(m_c / "gamma")) << "between drives a drop copies";
    EXPECT_EQ(m_offered.size(), 2u);
}

TEST_F(DropTest, DropOnAnotherWindowsListMovesWithinADriveAndBothListsFollow) {
    TFileManagerWindow& from = Open("C:");
    TFileManagerWindow& to = Open("C:", "C:\\SUB");
    std::unique_ptr<QMimeData> data(
        from.FileModel()->mimeData({from.FileModel()->index(Row(from, "alpha.txt"), 0)}));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(DroppedPaths(data.get()), std::vector<std::string>({"C:\\alpha.txt"}));
    NoKeysHeld(to.FileView());
    ASSERT_TRUE(to.FileModel()->dropMimeData(data.get(), Qt::MoveAction, -1, -1, {}));
    Pump(); // the operation starts once the drag is over

    EXPECT_FALSE(Exists(m_c / "alpha.txt"));
    EXPECT_EQ(ReadAll(m_c / "SUB/alpha.txt"), std::string(300, 'x'));
    EXPECT_EQ(Names(from), QStringList({"beta.doc", "gamma"}));
    EXPECT_EQ(Names(to), QStringList({"alpha.txt", "inner.txt"}));
    ASSERT_EQ(m_forward.StatusWindows().size(), 1u);
    const ui::StatusLog& log = *m_forward.StatusWindows()[0];
    EXPECT_EQ(log.caption, "Move Files");
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::OverallLabel),
              std::vector<std::string>({"Files moved (or skipped):"}));
    EXPECT_EQ(log.Percents(ui::StatusLog::Call::OverallPercent).back(), 100);
    EXPECT_TRUE(m_forward.Shown().empty());
}

TEST_F(DropTest, DraggingATaggedFileCarriesEveryTaggedFileToAnotherDrive) {
    TFileManagerWindow& from = Open("C:");
    TFileManagerWindow& to = Open("D:", "D:\\IN");
    from.Session().SetTag(Row(from, "alpha.txt"), 1);
    from.Session().SetTag(Row(from, "gamma"), 1);
    std::unique_ptr<QMimeData> data(
        from.FileModel()->mimeData({from.FileModel()->index(Row(from, "gamma"), 0)}));
    ASSERT_NE(data, nullptr);
    // Other programs get the files as a URI list.
    EXPECT_EQ(data->urls().size(), 2);
    EXPECT_EQ(data->urls()[0].toLocalFile().toStdString(), m_c / "alpha.txt");

    EXPECT_TRUE(to.DropFiles(DroppedPaths(data.get()), "D:\\IN", Qt::NoModifier));
    EXPECT_TRUE(Exists(m_c / "alpha.txt")); // copied, not moved
    EXPECT_EQ(ReadAll(m_d / "IN/gamma"), std::string(10, 'x'));
    EXPECT_EQ(Names(to), QStringList({"alpha.txt", "gamma"}));
    EXPECT_EQ(m_forward.StatusWindows()[0]->caption, "Copy Files");
}

TEST_F(DropTest, DropOnATreeBranchGoesToThatDirectory) {
    Open("C:");
    TFileManagerWindow& to = Open("D:");
    QModelIndex branch = to.TreeModel()->IndexOfPath("D:\\IN");
    ASSERT_TRUE(branch.isValid());
    std::unique_ptr<QMimeData> data(MakeFileDragData({"C:\\beta.doc"}));
    EXPECT_TRUE(to.TreeModel()->canDropMimeData(data.get(), Qt::CopyAction, -1, -1, branch));
    NoKeysHeld(to.Tree());
    ASSERT_TRUE(to.TreeModel()->dropMimeData(data.get(), Qt::CopyAction, -1, -1, branch));
    Pump();
    EXPECT_EQ(ReadAll(m_d / "IN/beta.doc"), std::string(1000, 'x'));
    EXPECT_TRUE(Exists(m_c / "beta.doc"));
}

TEST_F(DropTest, DropsThatGoNowhereAreRefused) {
    TFileManagerWindow& w = Open("C:");
    struct Case {
        const char* name;
        std::vector<std::string> sources;
        const char* target;
    };
    const Case cases[] = {
        {"back into the source's own directory", {"C:\\alpha.txt"}, "C:\\"},
        {"nothing dragged", {}, "C:\\SUB"},
        {"a directory the window has not logged", {"C:\\alpha.txt"}, "C:\\NOWHERE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(w.CanDropOn(c.sources, c.target));
        EXPECT_FALSE(w.DropFiles(c.sources, c.target, Qt::NoModifier));
    }
    EXPECT_TRUE(m_forward.StatusWindows().empty());
}

TEST_F(DropTest, AnExistingTargetIsAskedAbout) {
    TFileManagerWindow& w = Open("D:", "D:\\IN");
    struct Case {
        const char* name;
        ui::Answer answer;
        std::string expected; // the target's bytes afterwards
    };
    const Case cases[] = {
        {"No keeps the target", ui::Answer::No, "old"},
        {"Yes replaces it", ui::Answer::Yes, std::string(300, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(m_d / "IN/alpha.txt") << "old";
        m_forward.Reset();
        m_forward.QueueYesNoAllCancel(c.answer);
        EXPECT_TRUE(w.DropFiles({"C:\\alpha.txt"}, "D:\\IN", Qt::NoModifier));
        ASSERT_EQ(m_forward.Shown().size(), 1u);
        EXPECT_EQ(m_forward.Shown()[0].text,
                  "File 'D:\\IN\\alpha.txt' already exists! Would you like to overwrite it?");
        EXPECT_EQ(ReadAll(m_d / "IN/alpha.txt"), c.expected);
        EXPECT_TRUE(Exists(m_c / "alpha.txt"));
    }
}

// The drop looks at its paths through the platform layer: a target that
// cannot be looked at is no place to drop on, and nothing is copied.
TEST_F(DropTest, DropLookedAtPathsPastTheFaultSeam) {
    TFileManagerWindow& w = Open("D:", "D:\\IN");
    platform::fault::Reset();
    platform::fault::Arm(platform::fault::Op::Stat, 1, EIO, true);
    bool dropped = w.DropFiles({"C:\\alpha.txt"}, "D:\\IN", Qt::NoModifier);
    platform::fault::Reset();
    EXPECT_TRUE(dropped);
    ASSERT_EQ(m_forward.Shown().size(), 1u);
    EXPECT_EQ(m_forward.Shown()[0].text, "'D:\\IN' is not a valid path!");
    EXPECT_FALSE(Exists(m_d / "IN/alpha.txt"));
}

TEST_F(DropTest, CancelInTheStatusWindowLeavesNoTargetAndKeepsTheSource) {
    MakeFile("big.bin", 3 * 1024 * 1024);
    TFileManagerWindow& w = Open("D:", "D:\\IN");
    m_forward.CancelNextStatusWindowAt(2); // the first poll of the copy
    // A copy: a move within one file system is one rename, with nothing
    // to cancel inside it.
    EXPECT_TRUE(w.DropFiles({"C:\\big.bin", "C:\\gamma"}, "D:\\IN", Qt::ControlModifier));
    EXPECT_TRUE(Exists(m_c / "big.bin"));
    EXPECT_TRUE(Exists(m_c / "gamma")); // the run ended at the cancel
    EXPECT_FALSE(Exists(m_d / "IN/big.bin"));
    EXPECT_FALSE(Exists(m_d / "IN/gamma"));
    EXPECT_TRUE(m_forward.Shown().empty()); // a cancel is no error
    EXPECT_TRUE(Names(w).isEmpty());
}

TEST_F(DropTest, AFailedFileIsReportedAndTheRunGoesOn) {
    TFileManagerWindow& w = Open("D:", "D:\\IN");
    ::mkdir((m_d / "IN/alpha.txt").c_str(), 0700); // a directory in the way
    EXPECT_TRUE(w.DropFiles({"C:\\alpha.txt", "C:\\gamma"}, "D:\\IN", Qt::NoModifier));
    ASSERT_EQ(m_forward.Shown().size(), 1u);
    EXPECT_EQ(m_forward.Shown()[0].text.rfind("Unable to copy file 'C:\\alpha.txt' to "
                                              "'D:\\IN\\alpha.txt'.\n\n",
                                              0),
              0u)
        << m_forward.Shown()[0].text;
    EXPECT_TRUE(Exists(m_d / "IN/gamma"));
}

// With 4DOS descriptions on, a description shows in its column and moves
// with its file; with them off there is neither column nor description.
TEST_F(DropTest, DescriptionsFollowADroppedFileOnlyWithFourDosDescriptions) {
    std::ofstream(m_c / "DESCRIPT.ION") << "alpha.txt The first letter\ngamma Third\n";
    TFileManagerWindow& plain = Open("C:");
    plain.Session().SetOptions(catalogue::CCatalogueOptions{true, false});
    plain.Session().Refresh();
    EXPECT_FALSE(Captions(plain).contains("Description"));
    EXPECT_TRUE(plain.Session().File(Row(plain, "alpha.txt"))->Description().empty());

    TFileManagerWindow& from = Open("C:");
    TFileManagerWindow& to = Open("D:", "D:\\IN");
    for (TFileManagerWindow* w : {&from, &to}) {
        w->Session().SetOptions(catalogue::CCatalogueOptions{true, true});
        w->Session().Refresh();
    }
    int section = static_cast<int>(Captions(from).indexOf("Description"));
    ASSERT_GE(section, 0);
    EXPECT_EQ(from.FileModel()->index(Row(from, "alpha.txt"), section).data().toString(),
              "The first letter");
    EXPECT_TRUE(to.DropFiles({"C:\\alpha.txt"}, "D:\\IN", Qt::ShiftModifier));
    EXPECT_NE(ReadAll(m_d / "IN/DESCRIPT.ION").find("The first letter"), std::string::npos);
    EXPECT_EQ(ReadAll(m_c / "DESCRIPT.ION").find("alpha.txt"), std::string::npos);
    EXPECT_EQ(to.FileModel()->index(Row(to, "alpha.txt"), section).data().toString(),
              "The first letter");
}

TEST_F(DropTest, TheQtInterfaceHandsChangeNoticesToEveryWindowOfTheDrive) {
    TFileManagerWindow& c = Open("C:");
    TFileManagerWindow& c2 = Open("C:", "C:\\SUB");
    TFileManagerWindow& d = Open("D:");
    MakeFile("delta.txt", 5);
    MakeFile("SUB/later.txt", 5);
    ::mkdir((m_c / "SUB/NEWDIR").c_str(), 0700);
    QtUserInterface qt;
    qt.CatalogueChanged('C', "C:\\delta.txt");
    qt.CatalogueChanged('C', "C:\\SUB\\NEWDIR");
    qt.CatalogueChanged('D', "D:\\SUB\\later.txt"); // another drive: no effect on C:
    EXPECT_TRUE(Names(c).contains("delta.txt"));
    EXPECT_TRUE(Names(c2).contains("later.txt"));
    EXPECT_TRUE(c2.TreeModel()->IndexOfPath("C:\\SUB\\NEWDIR").isValid());
    EXPECT_TRUE(Names(d).isEmpty());
}

} // namespace vorlane::gui::test
