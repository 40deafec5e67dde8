// The desktop's applications of a file type: the desktop files and
// mimeapps.list rules over temporary XDG directories, the Exec line's
// quoting and field codes, the editor fallback and waiting for a program.
#include "platform/DesktopApps.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vorlane::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;
using Words = std::vector<std::string>;

TEST(ExecLineTest, QuotingAndFieldCodes) {
    struct Case {
        const char* exec;
        Words argv; // for the file "/d/my file.txt"; empty: refused
    } cases[] = {
        {"gedit %U", {"gedit", "/d/my file.txt"}},
        {"gedit", {"gedit", "/d/my file.txt"}}, // no file code: appended
        {"app --file=%f --icon %i %c %k", {"app", "--file=/d/my file.txt", "--icon"}},
        {"app %F %u", {"app", "/d/my file.txt"}}, // the one file once
        {R"("/opt/My App/run" "%f")", {"/opt/My App/run", "/d/my file.txt"}},
        {R"(sh-free "a \"q\" \$x \\ \`" 100%%)",
         {"sh-free", R"(a "q" $x \ `)", "100%", "/d/my file.txt"}},
        {R"(broken "quote %f)", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExecArguments(c.exec, "/d/my file.txt"), c.argv) << c.exec;
    EXPECT_EQ(ExecProgramWords("gedit --new-window %U"), (Words{"gedit", "--new-window"}));
    EXPECT_EQ(ExecProgramWords("\"my editor\" %f -x"), (Words{"my editor", "-x"}));
}

class DesktopAppsTest : public ::testing::Test {
  protected:
    DesktopAppsTest() {
        for (const std::string& d : {data1, data2, data1 + "/applications",
                                     data1 + "/applications/kde", data2 + "/applications", config})
            ::mkdir(d.c_str(), 0755);
    }
    void Entry(const std::string& dataDir, const std::string& file, const std::string& name,
               const std::string& types, const std::string& extra = "") {
        test::WriteFile(dataDir + "/applications/" + file,
                        "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + name +
                            " %f\nMimeType=" + types + "\n" + extra);
    }
    static Words Ids(const std::vector<DesktopApp>& apps) {
        Words ids;
        for (const DesktopApp& app : apps)
            ids.push_back(app.id);
        return ids;
    }

    TempDir dir;
    std::string data1 = dir / "home-data", data2 = dir / "sys-data", config = dir / "config";
    XdgDirectories xdg{{data1, data2}, {config}};
    ScopedEnv desktop{"XDG_CURRENT_DESKTOP", std::nullopt};
};

TEST_F(DesktopAppsTest, ApplicationsOfATypeDefaultFirstEachOnceRemovedOnesLeftOut) {
    Entry(data2, "alpha.desktop", "Alpha", "text/plain;image/png;");
    Entry(data2, "beta.desktop", "Beta", "text/plain;");
    Entry(data2, "gamma.desktop", "Gamma", "image/png;");
    Entry(data2, "hidden.desktop", "Hidden", "text/plain;", "Hidden=true\n");
    Entry(data2, "gone.desktop", "Gone", "text/plain;");
    Entry(data1, "kde/writer.desktop", "Writer", "text/plain;");
    // The user's own entry of an id hides the system's.
    Entry(data1, "beta.desktop", "Beta Mine", "text/plain;");
    test::WriteFile(config + "/mimeapps.list",
                    "[Default Applications]\ntext/plain=missing.desktop;beta.desktop;\n"
                    "[Added Associations]\ntext/plain=gamma.desktop;\n"
                    "[Removed Associations]\ntext/plain=gone.desktop;\n");
    const std::vector<DesktopApp> apps = ApplicationsForType("text/plain", xdg);
    EXPECT_EQ(Ids(apps),
              (Words{"beta.desktop", "gamma.desktop", "alpha.desktop", "kde-writer.desktop"}));
    EXPECT_EQ(apps[0].name, "Beta Mine");
    EXPECT_EQ(DefaultApplicationId("text/plain", xdg), "beta.desktop");
    EXPECT_EQ(DefaultApplicationId("image/png", xdg), "");
    // A chain of types: the specific type's applications first.
    EXPECT_EQ(Ids(ApplicationsForTypes({"image/png", "text/plain"}, xdg)),
              (Words{"alpha.desktop", "gamma.desktop", "beta.desktop", "kde-writer.desktop"}));
}

TEST_F(DesktopAppsTest, TheFallbackEditorIsVisualThenTheTextEditor) {
    Entry(data2, "texted.desktop", "texted", "text/plain;");
    test::WriteFile(config + "/mimeapps.list",
                    "[Default Applications]\ntext/plain=texted.desktop\n");
    std::string source;
    {
        ScopedEnv visual{"VISUAL", "\"my vi\" -f"};
        EXPECT_EQ(FallbackTextEditor(xdg, &source), (Words{"my vi", "-f"}));
        EXPECT_EQ(source, "$VISUAL");
    }
    ScopedEnv visual{"VISUAL", ""};
    EXPECT_EQ(FallbackTextEditor(xdg, &source), Words{"texted"});
    EXPECT_EQ(source, "texted.desktop");
    ::remove((config + "/mimeapps.list").c_str());
    ::remove((data2 + "/applications/texted.desktop").c_str());
    EXPECT_TRUE(FallbackTextEditor(xdg, &source).empty());
}

TEST(MimeTypeChainTest, ATextFileIsPlainTextAndItsParents) {
    TempDir dir;
    test::WriteFile(dir / "notes.txt", "hello");
    const Words chain = MimeTypeChain(dir / "notes.txt");
    ASSERT_FALSE(chain.empty());
    EXPECT_EQ(chain[0], "text/plain");
    EXPECT_NE(std::find(chain.begin(), chain.end(), "application/octet-stream"), chain.end());
}

} // namespace
} // namespace vorlane::platform
