// Launching: the split of a command line into words, the launch routine
// with its messages and the owner window, the Edit rules and the editor
// fallback, with a recording program standing for every program, the
// editor and the desktop's opener.
#include "FileOpsTestSupport.h"

#include "fileops/Launch.h"
#include "support/RecordingProgram.h"

namespace vorlane::fileops::testing {

namespace {

using test::AwaitRecording;
using test::ScopedEnv;
using test::WriteRecordingProgram;
using Words = std::vector<std::string>;

TEST(SplitCommandLineTest, WordsFollowTheProgramsOwnQuotingRules) {
    struct Case {
        const char* line;
        Words words;
    } cases[] = {
        {"notepad readme.txt", {"notepad", "readme.txt"}},
        {"notepad", {"notepad"}},
        {"", {}},
        {"   \t ", {}},
        {"  a   b  ", {"a", "b"}},
        {R"("my editor" "a b.txt")", {"my editor", "a b.txt"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"(C:\DOCS\A.TXT x\y)", {R"(C:\DOCS\A.TXT)", R"(x\y)"}},
        {R"(a\"b)", {R"(a"b)"}},
        {R"("a\\" b)", {R"(a\)", "b"}},
        {R"("say ""hi""")", {R"(say "hi")"}},
        {R"(x "" y)", {"x", "", "y"}},
        {"x;y $(z) `w` *", {"x;y", "$(z)", "`w`", "*"}},
        {R"("unterminated quote)", {"unterminated quote"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

TEST(SplitCommandLineTest, QuotedWordsReadBackAsTheyWere) {
    const Words words = {"plain",   "with blank",     "",          R"(q"uote)", R"(tail\)",
                         R"(a\"b)", R"(C:\My Docs\)", "tab\there", "$(x);`y`"};
    std::string line;
    for (const std::string& word : words)
        line += QuoteCommandWord(word) + " ";
    EXPECT_EQ(SplitCommandLine(line), words) << line;
    EXPECT_EQ(QuoteCommandWord(R"(C:\DOCS\A.TXT)"), R"(C:\DOCS\A.TXT)");
}

struct RecordingOwner : LaunchOwner {
    void Minimize() override { calls += "min "; }
    void Restore() override { calls += "restore "; }
    std::string calls;
};

class LaunchTest : public FileOpsTest {
  protected:
    void SetUp() override {
        FileOpsTest::SetUp();
        ::mkdir(bin.c_str(), 0755);
        ::mkdir((cRoot + "/DOCS").c_str(), 0755);
        WriteRecordingProgram(bin + "/rec", out);
        WriteRecordingProgram(bin + "/opener", out);
        test::WriteFile(cRoot + "/DOCS/REPORT.TXT", "report");
    }
    // The program's record: its directory, then "[arg]" lines.
    std::string Recorded() { return AwaitRecording(out); }

    std::string bin = dir / "bin";
    std::string out = dir / "out.txt";
    ScopedEnv path{"PATH", bin};
    ScopedEnv opener{"VORLANE_OPENER", dir / "bin/opener"};
};

TEST_F(LaunchTest, EveryCaseOfTheLaunchRoutine) {
    const std::string docs = cRoot + "/DOCS";
    struct Case {
        const char* name;
        std::string line;
        std::string workDir;
        std::string message;  // shown instead of a launch
        std::string recorded; // what the program recorded
    } cases[] = {
        {"empty line", "", "", kNoProgramText, ""},
        {"blanks only", "   ", "", kNoProgramText, ""},
        {"no blank: the whole line, no parameters", "rec", docs, "", docs + "\n"},
        {"notepad readme.txt form", "rec readme.txt", docs, "", docs + "\n[readme.txt]\n"},
        {"hostile names arrive as one word each",
         R"x(rec "with blanks.txt" "quo\"te" ;x "$(touch pwned)" -rf)x", docs, "",
         docs + "\n[with blanks.txt]\n[quo\"te]\n[;x]\n[$(touch pwned)]\n[-rf]\n"},
        {"DOS paths become host paths", R"(rec C:\DOCS\REPORT.TXT)", R"(C:\DOCS)", "",
         docs + "\n[" + docs + "/REPORT.TXT]\n"},
        {"a document goes to the opener as its full path", "REPORT.TXT", docs, "",
         docs + "\n[" + docs + "/REPORT.TXT]\n"},
        {"a missing program", "no-such-program x", docs,
         "No program or association found for no-such-program!\nError code = 2", ""},
        {"a missing working directory", "rec", cRoot + "/GONE",
         "No program or association found for rec!\nError code = 3", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(out.c_str());
        std::remove((out + ".done").c_str());
        ui.Reset();
        LaunchRequest request;
        request.commandLine = c.line;
        request.workDirectory = c.workDir;
        const bool started = Launch(context, request);
        EXPECT_EQ(started, c.message.empty());
        if (c.message.empty()) {
            EXPECT_TRUE(ui.Shown().empty());
            EXPECT_EQ(Recorded(), c.recorded);
        } else {
            ASSERT_EQ(ui.Shown().size(), 1u);
            EXPECT_EQ(ui.Shown()[0].text, c.message);
        }
    }
    EXPECT_FALSE(test::FileExists(docs + "/pwned"));
}

TEST_F(LaunchTest, TheOwnerIsMinimisedOnSuccessAndRestoredOnFailure) {
    struct Case {
        const char* line;
        bool minimize;
        const char* calls;
    } cases[] = {
        {"rec", true, "min "}, {"no-such-program", true, "min restore "},
        {"rec", false, ""},    {"no-such-program", false, ""},
        {"", true, ""}, // nothing to launch: the owner is left alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line + std::string(c.minimize ? " minimising" : ""));
        RecordingOwner owner;
        LaunchRequest request;
        request.commandLine = c.line;
        request.owner = &owner;
        request.minimizeOwner = c.minimize;
        Launch(context, request);
        EXPECT_EQ(owner.calls, c.calls);
    }
}

TEST(MakeEditRequestTest, TheWorkDirectoryAndFileRules) {
    const EditTarget report{"REPORT.TXT", "/c/DOCS", "/c/DOCS/REPORT.TXT"};
    const EditTarget dashed{"-rf.txt", "/c/DOCS", "/c/DOCS/-rf.txt"};
    const EditTarget blanks{"my report.txt", "/c/DOCS", "/c/DOCS/my report.txt"};
    const EditTarget none{"", "/c/SHOWN", ""};
    struct Case {
        const char* name;
        std::string commandLine;
        std::string workDir;
        EditTarget file;
        Words argv;
        std::string cwd;
    } cases[] = {
        {"no work directory: the name, in the file's directory",
         "notepad %file%",
         "",
         report,
         {"notepad", "REPORT.TXT"},
         "/c/DOCS"},
        {"a work directory: the full path, in it",
         "notepad %file%",
         "/c/TEMP",
         report,
         {"notepad", "/c/DOCS/REPORT.TXT"},
         "/c/TEMP"},
        {"no %file%: unchanged, in the file's directory",
         "notepad",
         "",
         report,
         {"notepad"},
         "/c/DOCS"},
        {"no %file% with a work directory",
         "notepad -n",
         "/c/TEMP",
         report,
         {"notepad", "-n"},
         "/c/TEMP"},
        {"only the first %file%, inside its word",
         R"("my ed" --file=%file% %file%)",
         "",
         report,
         {"my ed", "--file=REPORT.TXT", "%file%"},
         "/c/DOCS"},
        {"a leading dash becomes the full path",
         "ed %file%",
         "",
         dashed,
         {"ed", "/c/DOCS/-rf.txt"},
         "/c/DOCS"},
        {"blanks stay one word", "ed %file%", "", blanks, {"ed", "my report.txt"}, "/c/DOCS"},
        {"no file: the lone %file% is left out", "ed %file%", "", none, {"ed"}, "/c/SHOWN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LaunchRequest request = MakeEditRequest({false, c.commandLine, c.workDir}, c.file);
        EXPECT_EQ(request.argv, c.argv);
        EXPECT_EQ(request.workDirectory, c.cwd);
    }
}

class EditTest : public LaunchTest {
  protected:
    bool RunEdit(const std::string& commandLine, bool internal = false) {
        std::remove(out.c_str());
        std::remove((out + ".done").c_str());
        const EditTarget file{"REPORT.TXT", cRoot + "/DOCS", cRoot + "/DOCS/REPORT.TXT"};
        return Edit(context, {internal, commandLine, ""}, file, nullptr, false, told, xdg);
    }
    void WriteTextEditorEntry(const std::string& exec) {
        ::mkdir((dir / "data").c_str(), 0755);
        ::mkdir((dir / "data/applications").c_str(), 0755);
        ::mkdir((dir / "config").c_str(), 0755);
        test::WriteFile(dir / "data/applications/texted.desktop",
                        "[Desktop Entry]\nType=Application\nName=Text Editor\nExec=" + exec +
                            "\nMimeType=text/plain;\n");
        test::WriteFile(dir / "config/mimeapps.list",
                        "[Default Applications]\ntext/plain=texted.desktop\n");
    }

    EditorFallbackState told;
    platform::XdgDirectories xdg{{dir / "data"}, {dir / "config"}};
    ScopedEnv visual{"VISUAL", std::nullopt};
};

TEST_F(EditTest, TheInternalEditorIsRefusedWithItsMessage) {
    EXPECT_FALSE(RunEdit("rec %file%", true));
    EXPECT_EQ(ui.Texts(), Words{kInternalEditorText});
    EXPECT_FALSE(test::FileExists(out));
}

TEST_F(EditTest, AMissingEditorFallsBackToVisualAndSaysSoOnce) {
    ScopedEnv visualSet{"VISUAL", bin + "/rec --wait"};
    EXPECT_TRUE(RunEdit("notepad %file%"));
    EXPECT_EQ(Recorded(), cRoot + "/DOCS\n[--wait]\n[REPORT.TXT]\n");
    ASSERT_EQ(ui.Shown().size(), 1u);
    EXPECT_EQ(ui.Shown()[0].text, EditorFallbackText("notepad", bin + "/rec", "$VISUAL"));
    EXPECT_EQ(ui.Shown()[0].caption, "Edit");
    EXPECT_TRUE(RunEdit("notepad %file%"));
    EXPECT_EQ(Recorded(), cRoot + "/DOCS\n[--wait]\n[REPORT.TXT]\n");
    EXPECT_EQ(ui.Shown().size(), 1u); // not said again
}

TEST_F(EditTest, WithoutVisualTheDesktopsTextEditorTakesOverWithoutFieldCodes) {
    WriteTextEditorEntry("rec --new-window %U");
    EXPECT_TRUE(RunEdit("notepad %file%"));
    EXPECT_EQ(Recorded(), cRoot + "/DOCS\n[--new-window]\n[REPORT.TXT]\n");
    EXPECT_TRUE(ui.Showed("'rec' (the desktop's text editor)"));
}

TEST_F(EditTest, AnEditorThatIsFoundIsUsedAsConfigured) {
    WriteTextEditorEntry("opener %f");
    EXPECT_TRUE(RunEdit("rec %file%"));
    EXPECT_EQ(Recorded(), cRoot + "/DOCS\n[REPORT.TXT]\n");
    EXPECT_TRUE(ui.Shown().empty());
}

TEST_F(EditTest, WithNoFallbackTheMissingEditorIsReported) {
    EXPECT_FALSE(RunEdit("notepad %file%"));
    EXPECT_EQ(ui.Texts(), Words{"No program or association found for notepad!\nError code = 2"});
}

} // namespace

} // namespace vorlane::fileops::testing
