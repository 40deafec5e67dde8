// Fixture of the tests that work on zip archives (the zip engine's, the
// catalogue's archive drives, the archive commands): drive C: mapped onto a
// temporary directory, the scripted user interface installed (an
// unexpected prompt fails the test), and archives made with Info-ZIP `zip`
// below the drive. For test programs of modules that use platform and ui.
#pragma once

#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"
#include "ui/OperationContext.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vorlane::test {

// An archive (without a comment) whose end record points its central
// directory past the end of the file: a damaged archive.
inline std::string PointPastEnd(std::string zip) {
    const size_t offset = zip.size() - 22 + 16;
    const char past[4] = {0x00, 0x00, 0x00, 0x7F};
    zip.replace(offset, 4, past, 4);
    return zip;
}

// Bytes that do not compress (fixed seed).
inline std::string RandomBytes(size_t size, uint32_t seed = 11) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

class ZipTest : public ::testing::Test {
  protected:
    ZipTest() : m_root(m_temp / "c"), m_oldMap(*platform::DriveMap::Current()), m_scoped(&m_ui) {
        ::mkdir(m_root.c_str(), 0700);
        platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + m_root));
        m_drives = platform::DriveMap::Current();
        platform::fault::Reset();
        m_ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << "unexpected " << what; });
    }
    ~ZipTest() override {
        platform::fault::Reset();
        platform::DriveMap::SetCurrent(m_oldMap);
    }

    std::string Host(const std::string& relative) const { return m_root + "/" + relative; }
    void MakeDir(const std::string& relative) {
        std::string command = "mkdir -p '" + Host(relative) + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void MakeFile(const std::string& relative, const std::string& content = "text") {
        std::string path = Host(relative);
        size_t slash = path.rfind('/');
        std::string command = "mkdir -p '" + path.substr(0, slash) + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        WriteFile(path, content);
    }
    // Runs a shell command in a directory of the drive ("" the root);
    // output goes to a log file beside the drive.
    int Run(const std::string& command, const std::string& inDir = "") {
        std::string full = "cd '" + (inDir.empty() ? m_root : Host(inDir)) + "' && " + command +
                           " >>'" + (m_temp / "tools.log") + "' 2>&1";
        return std::system(full.c_str());
    }
    // Info-ZIP zip with its arguments, run in inDir.
    void Zip(const std::string& args, const std::string& inDir = "") {
        ASSERT_EQ(Run("zip -q " + args, inDir), 0) << args;
    }
    // An archive C:\<name> holding the given files of C:\SRC (made by Info-ZIP).
    void MakeArchive(const std::string& name, const std::vector<std::string>& files) {
        std::string args = "-r '" + Host(name) + "'";
        for (const std::string& file : files) {
            MakeFile("SRC/" + file, "contents of " + file + std::string(200, 'x'));
            args += " '" + file + "'";
        }
        Zip(args, "SRC");
    }
    // No staging directory or placeholder (".$$$") left in dir.
    static void ExpectNoStaging(const std::string& dir) {
        for (const std::string& name : ListDir(dir))
            EXPECT_EQ(name.find(".$$$"), std::string::npos) << name;
    }
    // The member names of an archive as Info-ZIP's unzip lists them.
    std::vector<std::string> Listed(const std::string& relative) {
        std::string out = m_temp / "listing.txt";
        std::string command =
            "unzip -Z1 '" + Host(relative) + "' >'" + out + "' 2>>'" + (m_temp / "tools.log") + "'";
        std::vector<std::string> names;
        if (std::system(command.c_str()) != 0)
            return names;
        std::istringstream lines(ReadFile(out));
        for (std::string line; std::getline(lines, line);)
            if (!line.empty())
                names.push_back(line);
        return names;
    }
    // The context of an operation run by the test: the scripted user
    // interface and the drive map of the fixture.
    ui::OperationContext Context() { return ui::OperationContext(m_ui, m_drives); }
    // A question the test expects to be asked.
    std::vector<std::string> Questions() const {
        std::vector<std::string> texts;
        for (const auto& shown : m_ui.Shown())
            if (shown.kind == ui::PromptKind::YesNo)
                texts.push_back(shown.text);
        return texts;
    }

    TempDir m_temp;
    std::string m_root;
    platform::DriveMap m_oldMap;
    std::shared_ptr<const platform::DriveMap> m_drives;
    ui::ScriptedUserInterface m_ui;
    ui::ScopedUserInterface m_scoped;
};

} // namespace vorlane::test
