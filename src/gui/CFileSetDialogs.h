// The file set dialogs (Options, File Sets, command 14708):
//
//   CFileSetsDialog   "File Sets": every set by name; New, Delete, Modify,
//                     Rename, Close
//   CFileSetEdit      "Modify File Set" / "New File Set": the name, a
//                     wildcard with Include or Exclude, the grid of
//                     wildcards ("Wildcard", "Operator"); Add wildcard,
//                     Delete wildcard, Clear List
//   CFileSetRename    "File Set Rename": the new name of a set
//
// The rules and texts live in the search module (search/FileSets.h,
// search/CFileSetStore.h); these only show them. Questions and messages go
// through ui::Current(), sub-dialogs through the runner the frame hands in
// (tests answer both). The store borrows the application's object
// database, so the dialogs run on the GUI thread.
#pragma once

#include "search/CFileSetStore.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vorlane::gui {

using DialogRunner = std::function<int(QDialog&)>;

class CFileSetEdit : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14708;

    // An empty name opens a new set ("New File Set"); otherwise the set of
    // that name is loaded ("Modify File Set"). Loaded() is false when it
    // could not be (the message has been shown).
    CFileSetEdit(search::CFileSetStore& store, const std::string& name, QWidget* parent = nullptr);
    bool Loaded() const { return m_loaded; }
    // The name saved by the last accepted OK.
    const std::string& SavedName() const { return m_savedName; }

    QLineEdit* NameField() const { return m_name; }
    QLineEdit* WildcardField() const { return m_wildcard; }
    QRadioButton* IncludeButton() const { return m_include; }
    QRadioButton* ExcludeButton() const { return m_exclude; }
    QTableWidget* Grid() const { return m_grid; }
    const search::CWildcardList& List() const { return m_list; }

    void AddWildcard();
    void DeleteWildcard();
    void ClearList();
    void accept() override;

  private:
    void Refill(int currentRow);

    search::CFileSetStore& m_store;
    bool m_new;
    bool m_loaded = true;
    std::string m_savedName;
    search::CWildcardList m_list;
    QLineEdit* m_name;
    QLineEdit* m_wildcard;
    QRadioButton* m_include;
    QRadioButton* m_exclude;
    QTableWidget* m_grid;
};

class CFileSetRename : public QDialog {
    Q_OBJECT
  public:
    explicit CFileSetRename(const std::string& oldName, QWidget* parent = nullptr);
    QLineEdit* NewName() const { return m_newName; }
    QLabel* Prompt() const { return m_prompt; }

  private:
    QLabel* m_prompt;
    QLineEdit* m_newName;
};

class CFileSetsDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14708;

    CFileSetsDialog(search::CFileSetStore& store, DialogRunner run, QWidget* parent = nullptr);

    QListWidget* List() const { return m_list; }
    // The selected set's name; "" when none.
    std::string Selected() const;
    void Select(const std::string& name);

    void NewSet();
    void ModifySet();
    void DeleteSet();
    void RenameSet();

  private:
    void Refill(const std::string& select);
    void UpdateButtons();

    search::CFileSetStore& m_store;
    DialogRunner m_run;
    QListWidget* m_list;
    QPushButton* m_modify;
    QPushButton* m_delete;
    QPushButton* m_rename;
};

} // namespace vorlane::gui
