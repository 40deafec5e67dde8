// The process-wide user interface: the silent fallback declines, installing
// and restoring, and the message length limit.
#include "ui/UserInterface.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

namespace vorlane::ui {
namespace {

TEST(UserInterfaceTest, SilentFallbackDeclinesEverything) {
    UserInterface& silent = Current();
    EXPECT_EQ(silent.Message("x", "Error!", Buttons::Ok, Icon::Error), Answer::Ok);
    EXPECT_EQ(silent.Message("x", "Q", Buttons::YesNo, Icon::Question), Answer::Cancel);
    EXPECT_FALSE(silent.AskYesNo("Exit?", "Exit Vorlane!"));
    EXPECT_EQ(silent.AskYesNoAllCancel("Delete?", "Delete Item"), Answer::Cancel);
    EXPECT_EQ(silent.PickSaveFile("Save", "*.*", "C:\\"), std::nullopt);
    std::unique_ptr<StatusWindow> w = silent.MakeStatusWindow(StatusKind::Operation, "Copy");
    ASSERT_NE(w, nullptr);
    w->SetCurrentPercent(50);
    EXPECT_FALSE(w->Cancelled());
    WaitCursor wait; // must not crash
}

TEST(UserInterfaceTest, LimitMessageText) {
    struct Case {
        const char* name;
        std::string text;
        size_t size;
    } cases[] = {
        {"exactly the limit", std::string(1024, 'a'), 1024},
        {"a two-byte character across the limit", std::string(1023, 'a') + "\xC3\xA9", 1023},
        {"a three-byte character across the limit", std::string(1022, 'a') + "\xE2\x82\xAC", 1022},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LimitMessageText(c.text).size(), c.size) << c.name;
}

} // namespace
} // namespace vorlane::ui
