// The "ZipToExe" dialog of the Zip-To-Exe commands: the archive's name
// ("Zip Filename:", shortened to 60 characters), the default extraction
// directory (at most 255 characters, "&Browse..." picks one), the start-up
// text file (an empty first entry, then every member of the archive; the
// empty entry selected) and the company name or message (at most 60
// characters). The company name comes from "CompanyName" of section
// "ZipToExe" when the dialog is made and is written back when it closes
// with OK; the other two start empty every time.
//
// "Program for:" chooses the system the self-extractor runs on: Linux
// (first, chosen) or Windows, which can be chosen only when its loader
// (vorlnsfx.exe) is in the stub directory (the program's own unless one is
// given). For Linux "&Browse..." hands the picked directory over as a host
// path ("/home/ann/setup"), and starts at the typed directory when that is
// a host directory that exists; for Windows the directory is typed (a
// Windows path), and "&Browse..." is disabled.
#pragma once

#include "fileops/ZipToExe.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlane::gui {

class CZipToExeDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 15050;
    static constexpr const char* kCaption = "ZipToExe";
    static constexpr int kMaxDirectory = 255;
    static constexpr int kMaxCompany = 60;

    CZipToExeDialog(const std::string& zipPath, const std::vector<std::string>& members,
                    QWidget* parent = nullptr, const std::string& stubDirectory = "");

    fileops::ZipToExeParameters Parameters() const;
    QLabel* ZipNameLabel() const { return m_zipName; }
    QLineEdit* DirectoryField() const { return m_directory; }
    QPushButton* BrowseButton() const { return m_browse; }
    QComboBox* StartupList() const { return m_startup; }
    QComboBox* ProgramList() const { return m_program; }
    QLineEdit* CompanyField() const { return m_company; }
    void accept() override;

  private:
    void Browse();

    std::string m_zipPath;
    std::string m_stubDirectory;
    QLabel* m_zipName;
    QComboBox* m_program;
    QLineEdit* m_directory;
    QPushButton* m_browse;
    QComboBox* m_startup;
    QLineEdit* m_company;
};

} // namespace vorlane::gui
