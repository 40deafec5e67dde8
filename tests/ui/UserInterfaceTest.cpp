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
    WaitCursor wait(silent); // must not crash
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

// A message is formatted whole however long its arguments are, and when it
// must be cut, the sentence gives way at a character boundary so that the
// system's error text still shows.
TEST(UserInterfaceTest, LongMessagesKeepTheirDetailAndWholeCharacters) {
    std::string path(3000, 'p');
    EXPECT_EQ(FormatText("Unable to open '%s'.", path.c_str()).size(), path.size() + 18);

    std::string accents;
    for (int i = 0; i < 800; ++i)
        accents += "\xC3\xA9"; // 1,600 bytes of two-byte characters
    const std::string detail = "\n\nNo space left on device";
    std::string text =
        MessageWithDetail(FormatText("Unable to copy '%s'.", accents.c_str()), detail);
    EXPECT_LE(text.size(), kMaxMessageText);
    ASSERT_GE(text.size(), detail.size());
    EXPECT_EQ(text.substr(text.size() - detail.size()), detail) << "the error text is kept";
    std::string sentence = text.substr(0, text.size() - detail.size());
    EXPECT_EQ(sentence.rfind("Unable to copy '", 0), 0u);
    EXPECT_EQ(sentence.size() % 2, 0u) << "no character was split: 16 ASCII bytes, then pairs";

    std::string hugeDetail(2000, 'd');
    EXPECT_EQ(MessageWithDetail("Failed.", hugeDetail), hugeDetail.substr(0, kMaxMessageText));
}

} // namespace
} // namespace vorlane::ui
