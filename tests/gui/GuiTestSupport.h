// Shared fixture of the GUI tests (with the headers most of them use): one QApplication on the
// offscreen platform for the whole program, a scripted user interface that fails the test on any
// prompt it did not expect, and drives C: and D: mapped onto temporary directories with a few files
// of known sizes.
#pragma once

#include "catalogue/CatalogueTypes.h"
#include "gui/CDirectoryTreeModel.h"
#include "gui/CFileListModel.h"
#include "gui/CFrameStatusBar.h"
#include "gui/CVorlaneFrame.h"
#include "gui/Commands.h"
#include "gui/TFileManagerWindow.h"
#include "gui/WindowSettings.h"
#include "support/TestSupport.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace vorlane::gui::test {

class GuiTest : public ::testing::Test {
  protected:
    GuiTest();
    ~GuiTest() override;

    // A shown frame without an application object (commands only).
    CVorlaneFrame& Frame();
    // A new file manager window on drive (and directory), events run.
    TFileManagerWindow& Open(const std::string& drive = "C:", const std::string& directory = "");
    // Writes a file of size bytes under the C: directory (relative path).
    void MakeFile(const std::string& relative, size_t size);
    // The texts of the file list's name column, in row order; the row of
    // one name (-1 when absent); the column captions.
    static QStringList Names(TFileManagerWindow& window);
    static int Row(TFileManagerWindow& window, const QString& name);
    static QStringList Captions(TFileManagerWindow& window);
    static bool Exists(const std::string& path);
    static std::string ReadAll(const std::string& path);
    // Lets queued events run (no timers are waited for).
    static void Pump();
    // Takes GUI events until pred holds or 10 s have passed.
    static bool PumpUntil(const std::function<bool()>& pred);
    // Saves a picture of widget as name in $VORLANE_SHOTS when it is set
    // (how the dialogs' pictures in docs/screenshots are made).
    static void Shot(QWidget& widget, const char* name);

    vorlane::test::TempDir m_c;
    vorlane::test::TempDir m_d;
    ui::ScriptedUserInterface m_ui;
    std::unique_ptr<ui::ScopedUserInterface> m_installed;
    std::unique_ptr<CVorlaneFrame> m_frame;
};

// A settings store in memory for the windows' keys; installed while it lives.
class MemorySettingsStore : public CSettingsStore {
  public:
    MemorySettingsStore() { SetSettingsStore(this); }
    ~MemorySettingsStore() override { SetSettingsStore(nullptr); }
    MemorySettingsStore(const MemorySettingsStore&) = delete;
    MemorySettingsStore& operator=(const MemorySettingsStore&) = delete;

    std::string Read(const std::string& section, const std::string& key) override {
        auto it = values.find({section, key});
        return it == values.end() ? std::string() : it->second;
    }
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override {
        values[{section, key}] = value;
    }

    std::map<std::pair<std::string, std::string>, std::string> values;
};

} // namespace vorlane::gui::test
