#include "catalogue/private/DosNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlane::catalogue {
namespace {

// The listing loops' shortcut must give what the platform gives.
TEST(DosNamesTest, ShortcutAgreesWithThePlatform) {
    std::vector<std::string> names = {
        "plain.txt", "With Space", "a\\b",  "q?",     "\xC3\xA9t\xC3\xA9",
        "\xFF",      "tab\there",  "pipe|", "~tilde", ""};
    for (int c = 1; c < 256; ++c) {
        std::string name = "x";
        name.push_back(static_cast<char>(c));
        names.push_back(name.append("y"));
    }
    for (const std::string& name : names)
        EXPECT_EQ(detail::DosNameOf(name), platform::HostNameToDos(name)) << name;
}

} // namespace
} // namespace vorlane::catalogue
