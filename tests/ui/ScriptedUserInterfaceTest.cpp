// The test double's own promises: answers per kind of prompt in order, an
// unexpected prompt is caught and declined, leftovers are seen, status
// windows record their calls and cancel at the chosen check.
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

namespace vorlane::ui {
namespace {

TEST(ScriptedUserInterfaceTest, AnswersComeInOrderPerKindOfPrompt) {
    ScriptedUserInterface ui;
    ui.QueueYesNo(true);
    ui.QueueYesNo(false);
    ui.QueueYesNoAllCancel(Answer::YesToAll);
    ui.QueueMessageAnswer(Answer::Retry);
    ui.QueueOpenFile("C:\\A.TXT");
    ui.QueueSaveFile(std::nullopt);
    ui.QueueDirectory("C:\\DIR");

    EXPECT_EQ(ui.AskYesNoAllCancel("Overwrite?", "Copy"), Answer::YesToAll);
    EXPECT_TRUE(ui.AskYesNo("first?", "Q"));
    EXPECT_EQ(ui.Message("Disk not ready", "Error!", Buttons::RetryCancel, Icon::Error),
              Answer::Retry);
    EXPECT_FALSE(ui.AskYesNo("second?", "Q"));
    EXPECT_EQ(ui.PickOpenFile("Open", "Text|*.TXT", "C:\\"), "C:\\A.TXT");
    EXPECT_EQ(ui.PickSaveFile("Save", "All|*.*", "C:\\"), std::nullopt);
    EXPECT_EQ(ui.PickDirectory("Where", "C:\\"), "C:\\DIR");

    EXPECT_TRUE(ui.Unexpected().empty());
    EXPECT_TRUE(ui.AllAnswersUsed());
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"Overwrite?", "first?", "Disk not ready", "second?",
                                        "Text|*.TXT|C:\\", "All|*.*|C:\\", "|C:\\"}));
    EXPECT_EQ(ui.Shown()[0].caption, "Copy");
    EXPECT_EQ(ui.Shown()[0].kind, PromptKind::YesNoAllCancel);
}

TEST(ScriptedUserInterfaceTest, UnexpectedPromptsAreCaughtAndDeclined) {
    ScriptedUserInterface ui;
    std::vector<std::string> reported;
    ui.OnUnexpected([&](const std::string& what) { reported.push_back(what); });
    ui.QueueYesNo(true); // queued for the wrong kind of prompt

    EXPECT_EQ(ui.AskYesNoAllCancel("Delete 'A'?", "Delete Item"), Answer::Cancel);
    EXPECT_EQ(ui.Message("Go on?", "Q", Buttons::YesNo, Icon::Question), Answer::No);
    EXPECT_EQ(ui.Message("Go on?", "Q", Buttons::AbortRetryIgnore, Icon::Question), Answer::Abort);
    EXPECT_EQ(ui.PickDirectory("Where", "C:\\"), std::nullopt);

    ASSERT_EQ(ui.Unexpected().size(), 4u);
    EXPECT_EQ(ui.Unexpected()[0].text, "Delete 'A'?");
    EXPECT_EQ(reported.size(), 4u);
    EXPECT_NE(reported[0].find("Delete Item"), std::string::npos);
    EXPECT_FALSE(ui.AllAnswersUsed()); // the Yes/No answer is left over
}

TEST(ScriptedUserInterfaceTest, PlainMessagesNeedNoAnswerAndAreCut) {
    ScriptedUserInterface ui;
    EXPECT_EQ(
        ui.Message("Cannot copy.\n\n02h - File not found.", "Error!", Buttons::Ok, Icon::Error),
        Answer::Ok);
    EXPECT_EQ(ui.Message(std::string(2000, 'x'), "Long", Buttons::Ok, Icon::Error), Answer::Ok);
    EXPECT_TRUE(ui.Unexpected().empty());
    EXPECT_TRUE(ui.Showed("File not found"));
    EXPECT_FALSE(ui.Showed("Access denied"));
    EXPECT_EQ(ui.Shown()[1].text.size(), 1024u);
}

TEST(ScriptedUserInterfaceTest, StatusWindowsRecordAndCancelAtTheChosenCheck) {
    ScriptedUserInterface ui;
    ui.CancelNextStatusWindowAt(3);
    EXPECT_FALSE(ui.AllAnswersUsed());
    {
        std::unique_ptr<StatusWindow> w = ui.MakeStatusWindow(StatusKind::Operation, "Copying");
        EXPECT_TRUE(ui.AllAnswersUsed());
        int percent = 0;
        while (!w->Cancelled()) {
            percent += 10;
            w->SetCurrentMessage("file " + std::to_string(percent));
            w->SetCurrentPercent(percent);
        }
        w->SetOverallLabel("done");
        w->SetOverallPercent(100);
        EXPECT_FALSE(ui.StatusWindows()[0]->destroyed);
    }
    std::unique_ptr<StatusWindow> other = ui.MakeStatusWindow(StatusKind::Message, "Scan");
    EXPECT_FALSE(other->Cancelled()); // the cancel point was for the first window only

    ASSERT_EQ(ui.StatusWindows().size(), 2u);
    const StatusLog& log = *ui.StatusWindows()[0];
    EXPECT_TRUE(log.destroyed);
    EXPECT_EQ(log.checks, 3);
    EXPECT_EQ(log.Percents(StatusLog::Call::CurrentPercent), (std::vector<int>{10, 20}));
    EXPECT_EQ(log.Texts(StatusLog::Call::CurrentMessage),
              (std::vector<std::string>{"file 10", "file 20"}));
    EXPECT_EQ(log.Percents(StatusLog::Call::Cancelled), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(log.Texts(StatusLog::Call::OverallLabel), std::vector<std::string>{"done"});
    EXPECT_EQ(log.entries.back().call, StatusLog::Call::OverallPercent);
}

} // namespace
} // namespace vorlane::ui
