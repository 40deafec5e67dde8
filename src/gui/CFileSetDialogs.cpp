#include "gui/CFileSetDialogs.h"

#include "ui/UserInterface.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlane::gui {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// --- Modify File Set ------------------------------------------------------------------

CFileSetEdit::CFileSetEdit(search::CFileSetStore& store, const std::string& name, QWidget* parent)
    : QDialog(parent), m_store(store), m_new(name.empty()) {
    setWindowTitle(m_new ? search::kNewFileSetCaption : search::kModifyFileSetCaption);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(search::kFileSetIntro);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    m_name = new QLineEdit(Q(name));
    m_name->setMaxLength(200);
    form->addRow("File Set &Name:", m_name);
    auto* wildcardRow = new QHBoxLayout;
    m_wildcard = new QLineEdit;
    m_include = new QRadioButton("&Include");
    m_exclude = new QRadioButton("E&xclude");
    m_include->setChecked(true);
    wildcardRow->addWidget(m_wildcard, 1);
    wildcardRow->addWidget(m_include);
    wildcardRow->addWidget(m_exclude);
    auto* wildcardLabel = new QLabel("File &Wildcards:");
    wildcardLabel->setBuddy(m_wildcard);
    form->addRow(wildcardLabel, wildcardRow);
    layout->addLayout(form);

    auto* gridRow = new QHBoxLayout;
    m_grid = new QTableWidget(0, 2);
    m_grid->setHorizontalHeaderLabels({"Wildcard", "Operator"});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridRow->addWidget(m_grid, 1);
    auto* gridButtons = new QVBoxLayout;
    auto* add = new QPushButton("&Add wildcard");
    auto* remove = new QPushButton("&Delete wildcard");
    auto* clear = new QPushButton("&Clear List");
    gridButtons->addWidget(add);
    gridButtons->addWidget(remove);
    gridButtons->addWidget(clear);
    gridButtons->addStretch(1);
    gridRow->addLayout(gridButtons);
    layout->addLayout(gridRow, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFileSetEdit::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, &CFileSetEdit::AddWildcard);
    connect(m_wildcard, &QLineEdit::returnPressed, this, &CFileSetEdit::AddWildcard);
    connect(remove, &QPushButton::clicked, this, &CFileSetEdit::DeleteWildcard);
    connect(clear, &QPushButton::clicked, this, &CFileSetEdit::ClearList);
    add->setAutoDefault(false);

    if (!m_new) {
        std::vector<search::WildcardEntry> entries;
        std::string error;
        if (m_store.Load(name, &entries, &error)) {
            m_list.Assign(std::move(entries));
        } else {
            m_loaded = false;
            ui::Current().Message(error);
        }
    }
    Refill(m_list.Size() > 0 ? 0 : -1);
    resize(460, 380);
}

void CFileSetEdit::Refill(int currentRow) {
    const auto& entries = m_list.Entries();
    m_grid->setRowCount(static_cast<int>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        int row = static_cast<int>(i);
        m_grid->setItem(row, 0, new QTableWidgetItem(Q(entries[i].wildcard)));
        m_grid->setItem(row, 1, new QTableWidgetItem(entries[i].include ? "Include" : "Exclude"));
    }
    if (currentRow >= 0 && currentRow < m_grid->rowCount())
        m_grid->setCurrentCell(currentRow, 0);
}

void CFileSetEdit::AddWildcard() {
    const std::string typed = m_wildcard->text().toStdString();
    size_t row = 0;
    if (m_list.Add(typed, m_include->isChecked(), &row) ==
        search::CWildcardList::AddResult::Refused) {
        ui::Current().Message(search::InvalidWildcardText(typed));
        m_wildcard->setFocus();
        return;
    }
    Refill(static_cast<int>(row));
    m_wildcard->clear();
    m_wildcard->setFocus();
}

void CFileSetEdit::DeleteWildcard() {
    int row = m_grid->currentRow();
    if (row < 0 || !m_list.Remove(static_cast<size_t>(row)))
        return;
    Refill(std::min(row, static_cast<int>(m_list.Size()) - 1));
}

void CFileSetEdit::ClearList() {
    if (m_list.Size() == 0)
        return;
    if (!ui::Current().AskYesNo(search::ClearWildcardsQuestion(m_list.Size()),
                                search::kClearWildcardsCaption))
        return;
    m_list.Clear();
    Refill(-1);
}

void CFileSetEdit::accept() {
    const std::string name = m_name->text().trimmed().toStdString();
    if (m_new && !name.empty() && m_store.Exists(name) &&
        !ui::Current().AskYesNo(search::FileSetExistsQuestion(name), search::kFileSetCaption))
        return;
    std::string error;
    if (!m_store.Save(name, m_list.Entries(), &error)) {
        ui::Current().Message(error);
        m_name->setFocus();
        return;
    }
    m_savedName = name;
    QDialog::accept();
}

// --- File Set Rename ------------------------------------------------------------------

CFileSetRename::CFileSetRename(const std::string& oldName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(search::kRenameFileSetCaption);
    auto* layout = new QVBoxLayout(this);
    m_prompt = new QLabel(Q(search::RenameFileSetPrompt(oldName)));
    m_newName = new QLineEdit(Q(oldName));
    m_newName->setMaxLength(200);
    m_newName->selectAll();
    m_prompt->setBuddy(m_newName);
    layout->addWidget(m_prompt);
    layout->addWidget(m_newName);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

// --- File Sets ------------------------------------------------------------------------

CFileSetsDialog::CFileSetsDialog(search::CFileSetStore& store, DialogRunner run, QWidget* parent)
    : QDialog(parent), m_store(store), m_run(std::move(run)) {
    setWindowTitle("File Sets");
    auto* layout = new QHBoxLayout(this);
    m_list = new QListWidget;
    layout->addWidget(m_list, 1);
    auto* buttons = new QVBoxLayout;
    auto* add = new QPushButton("&New...");
    m_delete = new QPushButton("&Delete");
    m_modify = new QPushButton("&Modify...");
    m_rename = new QPushButton("&Rename...");
    auto* close = new QPushButton("&Close");
    for (QPushButton* button : {add, m_delete, m_modify, m_rename, close}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &CFileSetsDialog::NewSet);
    connect(m_delete, &QPushButton::clicked, this, &CFileSetsDialog::DeleteSet);
    connect(m_modify, &QPushButton::clicked, this, &CFileSetsDialog::ModifySet);
    connect(m_rename, &QPushButton::clicked, this, &CFileSetsDialog::RenameSet);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CFileSetsDialog::ModifySet);
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    Refill("");
    resize(380, 280);
}

std::string CFileSetsDialog::Selected() const {
    QListWidgetItem* item = m_list->currentItem();
    return item ? item->text().toStdString() : "";
}

void CFileSetsDialog::Select(const std::string& name) {
    QList<QListWidgetItem*> found = m_list->findItems(Q(name), Qt::MatchExactly);
    if (!found.isEmpty())
        m_list->setCurrentItem(found.front());
    else if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void CFileSetsDialog::Refill(const std::string& select) {
    m_list->clear();
    for (const std::string& name : m_store.Names())
        m_list->addItem(Q(name));
    Select(select);
    UpdateButtons();
}

void CFileSetsDialog::UpdateButtons() {
    bool any = m_list->currentItem() != nullptr;
    m_delete->setEnabled(any);
    m_modify->setEnabled(any);
    m_rename->setEnabled(any);
}

void CFileSetsDialog::NewSet() {
    CFileSetEdit edit(m_store, "", this);
    if (m_run(edit) == QDialog::Accepted)
        Refill(edit.SavedName());
}

void CFileSetsDialog::ModifySet() {
    const std::string name = Selected();
    if (name.empty())
        return;
    CFileSetEdit edit(m_store, name, this);
    if (edit.Loaded() && m_run(edit) == QDialog::Accepted)
        Refill(edit.SavedName());
}

void CFileSetsDialog::DeleteSet() {
    const std::string name = Selected();
    if (name.empty() ||
        !ui::Current().AskYesNo(search::DeleteFileSetQuestion(name), search::kDeleteFileSetCaption))
        return;
    std::string error;
    if (!m_store.Delete(name, &error))
        ui::Current().Message(error);
    Refill("");
}

void CFileSetsDialog::RenameSet() {
    const std::string name = Selected();
    if (name.empty())
        return;
    CFileSetRename rename(name, this);
    if (m_run(rename) != QDialog::Accepted)
        return;
    const std::string newName = rename.NewName()->text().trimmed().toStdString();
    std::string error;
    if (!m_store.Rename(name, newName, &error)) {
        ui::Current().Message(error);
        return;
    }
    Refill(newName);
}

} // namespace vorlane::gui
