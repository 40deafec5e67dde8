// The dialogs of the commands on a zip directory: "Add File(s) To ZIP
// File" (a file-open dialog with the add options below its file list) and
// "Zip File Comments". Each hands its result to the frame, which starts the
// job (fileops/CZipAdd.h, fileops/ZipArchiveCommands.h).
#pragma once

#include "fileops/CZipAdd.h"

#include <QDialog>
#include <QFileDialog>

#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace vorlane::gui {

// "Add File(s) To ZIP File": a (non-native) file-open dialog where several
// files may be chosen, starting in the stored "Zip Add Path", with "&ZIP
// Action:", "&Compression Type:", "&Path:", "&Options:" and "Pass&word:"
// below the file list, filled from the stored settings.
class CZipAddDialog : public QFileDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14170;
    explicit CZipAddDialog(const fileops::CZipAddParameters& settings, QWidget* parent = nullptr);

    // The chosen options, files (DOS paths) and the directory they were
    // chosen in. Nothing when a chosen file is on no drive Vorlane shows
    // (the user has been told).
    std::optional<fileops::CZipAddParameters> Parameters() const;

    QComboBox* ActionBox() const { return m_action; }
    QComboBox* CompressionBox() const { return m_compression; }
    QRadioButton* PathButton(int mode) const { return m_paths[mode]; }
    QCheckBox* RecurseBox() const { return m_recurse; }
    QCheckBox* ShortNamesBox() const { return m_shortNames; }
    QLineEdit* PasswordField() const { return m_password; }

  private:
    QComboBox* m_action;
    QComboBox* m_compression;
    QRadioButton* m_paths[3];
    QCheckBox* m_recurse;
    QCheckBox* m_shortNames;
    QLineEdit* m_password;
};

// "Zip File Comments": "Path:" (the archive's directory, shortened),
// "Filename:" and the "&Comments:" field (512 characters; a longer comment
// already in the archive keeps its length).
class CZipCommentDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 15055;
    CZipCommentDialog(const std::string& zipPath, const std::string& comment,
                      QWidget* parent = nullptr);
    // The comment to write back: the archive's own bytes when it was not
    // edited.
    std::string Comment() const;
    QPlainTextEdit* CommentField() const { return m_comment; }
    QString PathText() const;
    QString NameText() const;

  private:
    std::string m_original;
    QString m_shown; // the original as the field shows it
    int m_limit;
    QLabel* m_path;
    QLabel* m_name;
    QPlainTextEdit* m_comment;
};

} // namespace vorlane::gui
