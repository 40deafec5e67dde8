// "Map Network Drive": a free letter and what it is to stand for, a host
// directory ("&Browse...") or a network location (smb://, sftp://, ftp://,
// dav://). OK checks the entry: a directory that exists, or a location.
//
// "Disconnect Network Drive": the letters Map Network Drive gave out, each
// with what it stands for; OK with one chosen.
//
// The frame does the mapping (gio mount, the settings, the drive bar).
#pragma once

#include "app/NetworkDrives.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vorlane::gui {

class CMapNetworkDriveDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14215;
    static constexpr const char* kCaption = "Map Network Drive";
    // Picks a directory for Browse (a host path), nothing when cancelled.
    using DirectoryPicker = std::function<std::optional<QString>(QWidget*)>;

    CMapNetworkDriveDialog(const std::vector<char>& freeLetters, QWidget* parent = nullptr);

    char Letter() const;
    std::string Target() const;
    QComboBox* LetterBox() const { return m_letter; }
    QLineEdit* TargetEdit() const { return m_target; }
    QPushButton* BrowseButton() const { return m_browse; }
    void SetDirectoryPicker(DirectoryPicker picker) { m_pick = std::move(picker); }

    void accept() override;

  private:
    QComboBox* m_letter;
    QLineEdit* m_target;
    QPushButton* m_browse;
    DirectoryPicker m_pick;
};

class CDisconnectNetworkDriveDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14220;
    static constexpr const char* kCaption = "Disconnect Network Drive";

    CDisconnectNetworkDriveDialog(std::vector<app::NetworkDrive> drives, QWidget* parent = nullptr);

    // The letter chosen, 0 for none.
    char Letter() const;
    QListWidget* List() const { return m_list; }

  private:
    std::vector<app::NetworkDrive> m_drives;
    QListWidget* m_list;
};

} // namespace vorlane::gui
