#include "gui/CImageConversionDialog.h"

#include "gui/DialogSupport.h"
#include "platform/DosPathText.h"
#include "ui/UserInterface.h"
#include "viewers/ImageFormats.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorlane::gui {

CImageConversionDialog::CImageConversionDialog(const std::string& directory, GroupFiles files,
                                               int group,
                                               const viewers::ImageConversionSettings& settings,
                                               QWidget* parent)
    : QDialog(parent), m_directory(directory), m_files(std::move(files)) {
    setWindowTitle("Image Conversion");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_group = new QComboBox(this);
    FillGroupChoice(m_group, group);
    grid->addWidget(BuddyLabel("File &Group:", m_group), 0, 0);
    grid->addWidget(m_group, 0, 1);
    m_count = new QLabel(this);
    grid->addWidget(m_count, 0, 2);
    m_path = new QLineEdit(this);
    grid->addWidget(BuddyLabel("File/&Path:", m_path), 1, 0);
    grid->addWidget(m_path, 1, 1);
    m_browse = new QPushButton("&Browse...", this);
    grid->addWidget(m_browse, 1, 2);
    m_format = new QComboBox(this);
    for (const viewers::ImageFormat& row : viewers::ImageFormatTable())
        m_format->addItem(QString::fromUtf8(row.name), row.code);
    const int at = m_format->findData(settings.formatCode);
    m_format->setCurrentIndex(at < 0 ? 0 : at);
    grid->addWidget(BuddyLabel("Fil&e Format:", m_format), 2, 0);
    grid->addWidget(m_format, 2, 1);
    layout->addLayout(grid);

    m_delete = new QCheckBox("&Delete source image(s) after conversion", this);
    m_delete->setChecked(settings.deleteSource);
    m_prompt = new QCheckBox("Prompt before &Overwrite", this);
    m_prompt->setChecked(settings.promptOverwrite);
    layout->addWidget(m_delete);
    layout->addWidget(m_prompt);

    auto* choices = new QHBoxLayout;
    auto* depthBox = new QGroupBox("Colors ( # Bits) Per Pixel", this);
    auto* depthLayout = new QVBoxLayout(depthBox);
    m_depthGroup = new QButtonGroup(this);
    for (const auto& [text, bits] : std::initializer_list<std::pair<const char*, int>>{
             {"&Mono", 1}, {"&16 colors", 4}, {"&256 colors", 8}, {"&True color", 24}}) {
        auto* button = new QRadioButton(text, depthBox);
        m_depthGroup->addButton(button, bits);
        depthLayout->addWidget(button);
        m_depths[bits] = button;
    }
    (m_depths.count(settings.bitsPerPixel) ? m_depths[settings.bitsPerPixel] : m_depths[8])
        ->setChecked(true);
    auto* sizeBox = new QGroupBox(this);
    auto* sizeLayout = new QVBoxLayout(sizeBox);
    sizeLayout->addWidget(new QLabel("Size\nConstraints:", sizeBox));
    m_sizeGroup = new QButtonGroup(this);
    for (const auto& [text, id] :
         std::initializer_list<std::pair<const char*, int>>{{"&None", viewers::kSizeNone},
                                                            {"&640x480", viewers::kSize640},
                                                            {"&800x600", viewers::kSize800},
                                                            {"1&024x768", viewers::kSize1024}}) {
        auto* button = new QRadioButton(text, sizeBox);
        m_sizeGroup->addButton(button, id);
        sizeLayout->addWidget(button);
        m_sizes[id] = button;
    }
    (m_sizes.count(settings.sizeButton) ? m_sizes[settings.sizeButton]
                                        : m_sizes[viewers::kSizeNone])
        ->setChecked(true);
    choices->addWidget(depthBox);
    choices->addWidget(sizeBox);
    layout->addLayout(choices);
    layout->addWidget(
        new QLabel("Image aspects will be kept - images will NOT be sized up!", this));
    layout->addWidget(MakeDialogButtons(this, kHelpContext));

    connect(m_group, &QComboBox::currentIndexChanged, this, [this] { ShowCount(); });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const auto chosen = ui::Current().PickDirectory("Browse", m_path->text().toStdString());
        if (chosen)
            m_path->setText(QString::fromStdString(*chosen));
    });
    ShowCount();
}

void CImageConversionDialog::ShowCount() {
    m_count->setText(FileCountText(m_files(m_group->currentData().toInt()).size()));
}

viewers::ImageConversionParameters CImageConversionDialog::Collect() const {
    viewers::ImageConversionParameters p;
    p.settings.deleteSource = m_delete->isChecked();
    p.settings.promptOverwrite = m_prompt->isChecked();
    p.settings.formatCode = m_format->currentData().toInt();
    p.settings.bitsPerPixel = m_depthGroup->checkedId();
    p.settings.sizeButton = m_sizeGroup->checkedId();
    for (const std::string& name : m_files(m_group->currentData().toInt()))
        p.sources.push_back(platform::JoinDosPath(m_directory, name));
    p.outputDirectory = m_path->text().trimmed().toStdString();
    return p;
}

void CImageConversionDialog::accept() {
    viewers::ImageConversionParameters p = Collect();
    const std::string refusal = viewers::CheckImageConversion(p, *CurrentDrives());
    if (!refusal.empty()) {
        ui::Current().Message(refusal);
        (p.sources.empty() ? static_cast<QWidget*>(m_group) : m_path)->setFocus();
        return;
    }
    if (p.settings.deleteSource &&
        !ui::Current().AskYesNo(
            "You have selected to delete source images after conversion. ARE YOU SURE?",
            "WARNING!"))
        return;
    m_parameters = std::move(p);
    QDialog::accept();
}

} // namespace vorlane::gui
