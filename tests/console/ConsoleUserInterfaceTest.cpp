// The terminal user interface: questions answered from the input, the end
// of input declines, progress bars only when asked for (a terminal).
#include "console/ConsoleUserInterface.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorlane::console {
namespace {

struct Terminal {
    explicit Terminal(const std::string& input, bool progress = false)
        : in(input), ui(in, out, err, progress) {}
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    ConsoleUserInterface ui;
};

TEST(ConsoleUserInterfaceTest, YesNoAnswers) {
    struct Case {
        const char* input;
        bool yes;
        bool reasked;
    } cases[] = {
        {"Yes\n", true, false}, {"NO\r\n", false, false}, {"maybe\ny\n", true, true},
        {"", false, false},     {"what\n", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        Terminal t(c.input);
        EXPECT_EQ(t.ui.AskYesNo("Do you wish to exit Vorlane?", "Exit Vorlane!"), c.yes);
        EXPECT_EQ(t.out.str().rfind("Exit Vorlane!: Do you wish to exit Vorlane?\n", 0), 0u);
        EXPECT_EQ(t.out.str().find("Please answer") != std::string::npos, c.reasked);
    }
}

TEST(ConsoleUserInterfaceTest, OtherQuestions) {
    struct Case {
        const char* input;
        ui::Buttons buttons;
        ui::Answer expected;
    } messages[] = {
        {"o\n", ui::Buttons::OkCancel, ui::Answer::Ok},
        {"", ui::Buttons::YesNoCancel, ui::Answer::Cancel},
        {"i\n", ui::Buttons::AbortRetryIgnore, ui::Answer::Ignore},
        {"", ui::Buttons::AbortRetryIgnore, ui::Answer::Abort},
    };
    for (const Case& c : messages) {
        SCOPED_TRACE(c.input);
        Terminal t(c.input);
        EXPECT_EQ(t.ui.Message("text", "caption", c.buttons, ui::Icon::Question), c.expected);
    }
    struct AllCase {
        const char* input;
        ui::Answer expected;
    } perFile[] = {{"a\n", ui::Answer::YesToAll}, {"", ui::Answer::Cancel}};
    for (const AllCase& c : perFile) {
        SCOPED_TRACE(c.input);
        Terminal t(c.input);
        EXPECT_EQ(t.ui.AskYesNoAllCancel("Overwrite 'A.TXT'?", "Copy"), c.expected);
    }
}

TEST(ConsoleUserInterfaceTest, PlainMessageReadsNothing) {
    Terminal t("y\n");
    EXPECT_EQ(t.ui.Message("Cannot copy!", "Error!", ui::Buttons::Ok, ui::Icon::Error),
              ui::Answer::Ok);
    EXPECT_EQ(t.out.str(), "Error!: Cannot copy!\n");
    std::string line;
    EXPECT_TRUE(t.ui.ReadLine(&line));
    EXPECT_EQ(line, "y");
}

TEST(ConsoleUserInterfaceTest, Pickers) {
    Terminal t("  /tmp/a b  \n\n");
    EXPECT_EQ(t.ui.PickOpenFile("Open", "All|*.*", "C:\\"), "/tmp/a b");
    EXPECT_EQ(t.ui.PickDirectory("Where", "C:\\"), std::nullopt);
    EXPECT_EQ(t.ui.PickSaveFile("Save", "All|*.*", "C:\\"), std::nullopt);
    EXPECT_TRUE(t.ui.AtEnd());
}

TEST(ConsoleUserInterfaceTest, ProgressBarOnlyWhenAskedFor) {
    for (bool progress : {false, true}) {
        SCOPED_TRACE(progress);
        Terminal t("", progress);
        {
            auto w = t.ui.MakeStatusWindow(ui::StatusKind::Operation, "Copying");
            w->SetCurrentMessage("C:\\A.TXT");
            w->SetCurrentPercent(50);
            w->SetOverallPercent(25);
            EXPECT_FALSE(w->Cancelled());
        }
        EXPECT_TRUE(t.out.str().empty());
        if (progress) {
            EXPECT_NE(t.err.str().find("[#####...............]  25% C:\\A.TXT"), std::string::npos)
                << t.err.str();
            EXPECT_EQ(t.err.str().back(), '\n');
        } else {
            EXPECT_TRUE(t.err.str().empty());
        }
    }
}

TEST(ConsoleUserInterfaceTest, ProgressLine) {
    struct Case {
        int percent;
        std::string text;
        size_t width;
        std::string expected;
    } cases[] = {
        {150, "", 80, "[####################] 100% "},
        {-5, "", 80, "[....................]   0% "},
        {42, "C:\\LONG\\PATH\\FILE.TXT", 40, "[########............]  42% ...\\FILE.TXT"},
        {42, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 36,
         "[########............]  42% ...\xC3\xA9\xC3\xA9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressLine(c.percent, c.text, c.width), c.expected) << c.text;
}

} // namespace
} // namespace vorlane::console
