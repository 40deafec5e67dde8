#include "gui/CFileViewerControlBar.h"

#include "catalogue/SizeFormat.h"
#include "gui/CImageWindow.h"
#include "gui/CTextViewer.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"
#include "viewers/CImage.h"
#include "viewers/DocumentTypes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace vorlane::gui {

CFileViewerControlBar::CFileViewerControlBar(bool inPane, QWidget* parent)
    : QWidget(parent), m_inPane(inPane) {
    setObjectName("viewerBar");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // The row of controls always asks for the width of all of them, and a
    // long name asks for none: the pane then needs the same width whatever
    // it shows, and the splitter beside it does not jump as the caret moves
    // between pictures and texts.
    auto* row = new QWidget(this);
    auto* bar = new QHBoxLayout(row);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSizeConstraint(QLayout::SetNoConstraint);
    m_caption = new QLabel(this);
    m_caption->setObjectName("viewerCaption");
    m_caption->setTextFormat(Qt::PlainText);
    // Its whole width where there is room, down to ten letters where not.
    m_caption->setMinimumWidth(m_caption->fontMetrics().averageCharWidth() * 10);
    bar->addWidget(m_caption, 1);
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName("zoomList");
    for (const auto& [text, code] : CImageWindow::ZoomChoices())
        m_zoom->addItem(text, code);
    m_zoom->setCurrentIndex(m_zoom->findData(1000));
    bar->addWidget(m_zoom);
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName("encodingList");
    for (const std::string& name : viewers::TextEncodingNames())
        m_encoding->addItem(QString::fromStdString(name));
    // Narrow on the bar (the list shows the whole names).
    m_encoding->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_encoding->setMinimumContentsLength(10);
    bar->addWidget(m_encoding);
    m_lineNumbers = new QCheckBox("Line &Numbers", this);
    m_lineNumbers->setChecked(true);
    bar->addWidget(m_lineNumbers);
    m_hexBox = new QCheckBox("&Hex", this);
    bar->addWidget(m_hexBox);
    // The widest face's controls: the zoom list for a picture, or the
    // encoding list and the boxes for a document (SetFace shows them).
    int widest = 0;
    for (const bool picture : {true, false}) {
        m_zoom->setHidden(!picture);
        for (QWidget* control :
             {static_cast<QWidget*>(m_encoding), static_cast<QWidget*>(m_lineNumbers),
              static_cast<QWidget*>(m_hexBox)})
            control->setHidden(picture);
        bar->invalidate();
        widest = std::max(widest, bar->minimumSize().width());
    }
    row->setMinimumWidth(widest);
    layout->addWidget(row);

    m_stack = new QStackedWidget(this);
    m_message = new QLabel(m_stack);
    m_message->setObjectName("viewerMessage");
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_empty = new QWidget(m_stack);
    m_text = new CTextViewer(m_stack);
    m_hex = new CHexViewer(m_stack);
    m_image = new CImageWindow(m_stack);
    for (QWidget* w : {m_empty, static_cast<QWidget*>(m_message), static_cast<QWidget*>(m_text),
                       static_cast<QWidget*>(m_hex), static_cast<QWidget*>(m_image)})
        m_stack->addWidget(w);
    layout->addWidget(m_stack, 1);
    m_status = new QLabel(this);
    m_status->setObjectName("viewerStatus");
    m_status->setTextFormat(Qt::PlainText);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_status);

    connect(m_zoom, &QComboBox::currentIndexChanged, this,
            [this](int) { m_image->SetZoom(m_zoom->currentData().toInt()); });
    connect(m_encoding, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_text->SetEncoding(static_cast<viewers::TextEncoding>(index)); });
    connect(m_lineNumbers, &QCheckBox::toggled, m_text, &CTextViewer::SetLineNumbers);
    connect(m_hexBox, &QCheckBox::toggled, this, [this](bool hex) {
        if (m_face == Face::Text || m_face == Face::Hex)
            ShowDocument(hex);
    });
    connect(m_image, &CImageWindow::WallpaperRequested, this,
            &CFileViewerControlBar::WallpaperRequested);
    connect(m_image, &CImageWindow::Loaded, this, &CFileViewerControlBar::PictureLoaded);
    SetFace(Face::Empty);
}

CFileViewerControlBar::~CFileViewerControlBar() {
    CloseFile();
}

QString CFileViewerControlBar::Caption() const {
    return m_caption->text();
}

QString CFileViewerControlBar::Status() const {
    return m_status->text();
}

QString CFileViewerControlBar::Message() const {
    return m_face == Face::Message ? m_message->text() : QString();
}

void CFileViewerControlBar::SetFace(Face face) {
    m_face = face;
    QWidget* page = m_empty;
    switch (face) {
    case Face::Empty:
        break;
    case Face::Message:
        page = m_message;
        break;
    case Face::Text:
        page = m_text;
        break;
    case Face::Hex:
        page = m_hex;
        break;
    case Face::Image:
        page = m_image;
        break;
    }
    m_stack->setCurrentWidget(page);
    const bool document = face == Face::Text || face == Face::Hex;
    m_zoom->setVisible(face == Face::Image);
    m_encoding->setVisible(document);
    m_lineNumbers->setVisible(document);
    m_hexBox->setVisible(document);
    m_encoding->setEnabled(face == Face::Text);
    m_lineNumbers->setEnabled(face == Face::Text);
}

void CFileViewerControlBar::CloseFile() {
    m_text->Clear();
    m_hex->Clear();
    m_image->Clear();
    if (m_deleteWhenDone && !m_path.empty())
        std::remove(m_path.c_str());
    m_path.clear();
    m_deleteWhenDone = false;
}

void CFileViewerControlBar::Show(const std::string& hostPath, bool deleteWhenDone,
                                 const std::string& displayName, const std::string& message) {
    CloseFile();
    m_caption->setText(QString::fromStdString(displayName));
    m_caption->setToolTip(m_caption->text()); // the whole name where it is cut
    m_status->clear();
    if (!message.empty()) {
        m_message->setText(QString::fromStdString(message));
        SetFace(Face::Message);
        return;
    }
    if (hostPath.empty()) {
        m_caption->clear();
        SetFace(Face::Empty);
        return;
    }
    m_path = hostPath;
    m_displayName = displayName;
    m_deleteWhenDone = deleteWhenDone;
    // Only a regular file is sniffed for a picture: the imaging library's
    // open would wait forever on a pipe.
    struct stat st;
    const bool regular = ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    const int format = regular ? viewers::DetectImageFormat(hostPath) : viewers::kNotAnImage;
    // Code 2 is no picture format of the imaging library's own.
    if (format != viewers::kNotAnImage && format != 2) {
        SetFace(Face::Image);
        m_status->setText("Loading picture...");
        m_image->Load(hostPath); // PictureLoaded follows
        return;
    }
    m_documentType = viewers::DocumentTypeOfFile(hostPath);
    m_hexBox->blockSignals(true);
    m_hexBox->setChecked(!viewers::ShownAsText(m_documentType));
    m_hexBox->blockSignals(false);
    ShowDocument(m_hexBox->isChecked());
}

void CFileViewerControlBar::ShowDocument(bool asHex) {
    int error = 0;
    const bool loaded = asHex ? (m_text->Clear(), m_hex->Load(m_path, &error))
                              : (m_hex->Clear(), m_text->Load(m_path, &error));
    if (!loaded)
        return LoadFailed(error);
    if (!asHex)
        m_encoding->setCurrentIndex(static_cast<int>(m_text->Encoding()));
    SetFace(asHex ? Face::Hex : Face::Text);
    const std::string typeName = viewers::DocumentTypeName(m_documentType);
    const uint64_t size = asHex ? m_hex->FileSize() : m_text->FileSize();
    m_status->setText(QString::fromStdString((typeName.empty() ? "" : typeName + ", ") +
                                             catalogue::FormatCount(size, 27) + " bytes"));
}

void CFileViewerControlBar::PictureLoaded(bool ok, const QString& error) {
    if (ok) {
        const QImage& picture = m_image->Picture();
        m_status->setText(QString("%1 x %2, %3 bits")
                              .arg(picture.width())
                              .arg(picture.height())
                              .arg(m_image->Depth()));
        return;
    }
    m_status->setText("Image Error");
    // In a pane the reason shows in place of the picture: a dialog would
    // stop every caret move over a damaged picture.
    if (m_inPane) {
        m_message->setText(error);
        SetFace(Face::Message);
    } else {
        ui::Current().Message(error.toStdString(), "Image Error", ui::Buttons::Ok, ui::Icon::Error);
    }
}

void CFileViewerControlBar::LoadFailed(int error) {
    const std::string text =
        ui::FormatText("Unable to load document '%s'.\n\nError code = %d", m_path.c_str(), error);
    m_text->Clear();
    m_hex->Clear();
    if (m_inPane) {
        m_message->setText(QString::fromStdString(text));
        SetFace(Face::Message);
    } else {
        SetFace(Face::Empty);
        ui::Current().Message(text, "Viewer Load Error", ui::Buttons::Ok, ui::Icon::Error);
    }
}

} // namespace vorlane::gui
