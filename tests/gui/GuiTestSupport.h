// Shared fixture of the GUI tests: one QApplication on the offscreen
// platform for the whole program, a scripted user interface that fails the
// test on any prompt it did not expect, and drives C: and D: mapped onto
// temporary directories with a few files of known sizes.
#pragma once

#include "gui/CVorlaneFrame.h"
#include "support/TestSupport.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <string>

namespace vorlane::gui::test {

class GuiTest : public ::testing::Test {
  protected:
    GuiTest();
    ~GuiTest() override;

    // A shown frame without an application object (commands only).
    CVorlaneFrame& Frame();
    // Writes a file of size bytes under the C: directory (relative path).
    void MakeFile(const std::string& relative, size_t size);
    // The texts of the file list's name column, in row order.
    static QStringList Names(TFileManagerWindow& window);
    // Lets queued events run (no timers are waited for).
    static void Pump();

    vorlane::test::TempDir m_c;
    vorlane::test::TempDir m_d;
    ui::ScriptedUserInterface m_ui;
    std::unique_ptr<ui::ScopedUserInterface> m_installed;
    std::unique_ptr<CVorlaneFrame> m_frame;
};

} // namespace vorlane::gui::test
