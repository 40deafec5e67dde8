// Entry point of every test program. Before any test runs, the program's
// home, HOME and the XDG directories are pointed at a temporary directory,
// so no test can read or write the user's real settings, data or trash.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

class HermeticEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        m_root = std::make_unique<vorlane::test::TempDir>();
        const std::string& root = m_root->path();
        for (const char* sub : {"/home", "/home/.config", "/home/.local", "/home/.local/share",
                                "/vorlane-home", "/tmp"})
            ::mkdir((root + sub).c_str(), 0700);
        ::setenv("HOME", (root + "/home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root + "/home/.local/share").c_str(), 1);
        ::setenv("VORLANE_HOME", (root + "/vorlane-home").c_str(), 1);
        ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        ::unsetenv("VORLANE_DRIVES");
        // No test may open a window on the developer's display.
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override { m_root.reset(); }

  private:
    std::unique_ptr<vorlane::test::TempDir> m_root;
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new HermeticEnvironment);
    return RUN_ALL_TESTS();
}
