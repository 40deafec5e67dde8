#include "gui/CHabitabsDialog.h"

#include "platform/DosPathText.h"
#include "ui/UserInterface.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlane::gui {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// --- the name of a new or renamed habitab -----------------------------------------

CHabitabNameDialog::CHabitabNameDialog(const display::CHabitabArray& habitabs, int renamed,
                                       QWidget* parent)
    : QDialog(parent), m_habitabs(habitabs), m_renamed(renamed) {
    const bool isNew = renamed < 0;
    setWindowTitle(isNew ? kNewCaption : kRenameCaption);
    auto* layout = new QVBoxLayout(this);
    m_prompt = new QLabel(isNew ? QString(kNewPrompt)
                                : Q(CHabitabsDialog::RenamePrompt(habitabs.Name(renamed))));
    m_name = new QLineEdit(isNew ? QString() : Q(habitabs.Name(renamed)));
    // The rule counts characters; the field stops the typing there too.
    m_name->setMaxLength(static_cast<int>(display::kMaxHabitabNameLength));
    m_name->selectAll();
    m_prompt->setBuddy(m_name);
    layout->addWidget(m_prompt);
    layout->addWidget(m_name);
    if (isNew) {
        auto* note = new QLabel(kNewNote);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Acceptable())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, [this] { m_ok->setEnabled(Acceptable()); });
    layout->addWidget(buttons);
    m_ok->setEnabled(Acceptable());
}

std::string CHabitabNameDialog::Name() const {
    return m_name->text().trimmed().toStdString();
}

bool CHabitabNameDialog::Acceptable() const {
    const std::string name = Name();
    if (!display::HabitabNameFits(name))
        return false;
    const int owner = m_habitabs.IndexOf(name);
    if (owner < 0)
        return true;
    // Renaming may change the case of the habitab's own name, nothing else.
    return owner == m_renamed && m_habitabs.Name(owner) != name;
}

// --- HabiTabs ---------------------------------------------------------------------

CHabitabsDialog::CHabitabsDialog(display::CHabitabArray& habitabs,
                                 display::CHabitabItem& windowSettings, DialogRunner run,
                                 QWidget* parent)
    : QDialog(parent), m_habitabs(habitabs), m_settings(windowSettings), m_run(std::move(run)) {
    setWindowTitle(kCaption);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* label = new QLabel("Defined Habi&Tabs:");
    m_list = new QListWidget;
    label->setBuddy(m_list);
    left->addWidget(label);
    left->addWidget(m_list, 1);
    layout->addLayout(left, 1);
    auto* buttons = new QVBoxLayout;
    m_new = new QPushButton("&New");
    m_delete = new QPushButton("&Delete");
    m_rename = new QPushButton("&Rename");
    m_update = new QPushButton("&Update");
    auto* close = new QPushButton("&Close");
    for (QPushButton* button : {m_new, m_delete, m_rename, m_update, close}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    close->setDefault(true);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_new, &QPushButton::clicked, this, &CHabitabsDialog::NewHabitab);
    connect(m_delete, &QPushButton::clicked, this, &CHabitabsDialog::DeleteHabitab);
    connect(m_rename, &QPushButton::clicked, this, &CHabitabsDialog::RenameHabitab);
    connect(m_update, &QPushButton::clicked, this, &CHabitabsDialog::UpdateHabitab);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    Refill(std::max(0, m_habitabs.IndexOf(m_settings.name)));
    resize(380, 260);
}

std::string CHabitabsDialog::DeleteQuestion(const std::string& name) {
    return "Do you wish to delete the habitab '" + name + "'?";
}

std::string CHabitabsDialog::UpdateQuestion(const std::string& name) {
    return "Do you wish to save the current display settings into the '" + name + "' habitab?";
}

std::string CHabitabsDialog::RenamePrompt(const std::string& name) {
    return "Rename habitab '" + name + "' to:";
}

int CHabitabsDialog::Selected() const {
    return m_list->currentRow();
}

void CHabitabsDialog::Select(int index) {
    m_list->setCurrentRow(std::min(index, m_list->count() - 1));
    UpdateButtons();
}

void CHabitabsDialog::Refill(int select) {
    m_list->clear();
    for (int i = 0; i < m_habitabs.Count(); ++i)
        m_list->addItem(Q(m_habitabs.Name(i)));
    Select(select);
}

void CHabitabsDialog::UpdateButtons() {
    // The first habitab ("Default") is the one every window can fall back
    // on: it is neither deleted, renamed nor overwritten here.
    const bool notFirst = Selected() > 0;
    m_delete->setEnabled(notFirst);
    m_rename->setEnabled(notFirst);
    m_update->setEnabled(notFirst);
}

void CHabitabsDialog::NewHabitab() {
    CHabitabNameDialog ask(m_habitabs, -1, this);
    if (m_run(ask) != QDialog::Accepted || !ask.Acceptable())
        return;
    display::CHabitabItem habitab = m_settings; // search conditions included
    habitab.name = ask.Name();
    m_changed = true;
    Refill(m_habitabs.Add(habitab));
}

void CHabitabsDialog::DeleteHabitab() {
    const int index = Selected();
    if (index <= 0)
        return;
    const std::string name = m_habitabs.Name(index);
    if (!ui::Current().AskYesNo(DeleteQuestion(name), kDeleteCaption))
        return;
    if (m_settings.name == name)
        m_settings.name = m_habitabs.Name(0);
    m_habitabs.Remove(index);
    m_changed = true;
    Refill(index); // the same position, or the last
}

void CHabitabsDialog::RenameHabitab() {
    const int index = Selected();
    if (index <= 0)
        return;
    CHabitabNameDialog ask(m_habitabs, index, this);
    if (m_run(ask) != QDialog::Accepted || !ask.Acceptable())
        return;
    const std::string oldName = m_habitabs.Name(index);
    const std::string newName = ask.Name();
    m_habitabs.Item(index)->name = newName;
    if (m_settings.name == oldName)
        m_settings.name = newName;
    m_habitabs.Sort();
    m_renames.emplace_back(oldName, newName);
    m_changed = true;
    Refill(m_habitabs.IndexOf(newName));
}

void CHabitabsDialog::UpdateHabitab() {
    const int index = Selected();
    if (index <= 0)
        return;
    display::CHabitabItem* habitab = m_habitabs.Item(index);
    if (!ui::Current().AskYesNo(UpdateQuestion(habitab->name), kUpdateCaption))
        return;
    const std::string name = habitab->name;
    *habitab = m_settings;
    habitab->name = name;
    m_changed = true;
}

} // namespace vorlane::gui
