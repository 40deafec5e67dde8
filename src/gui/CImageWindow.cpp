#include "gui/CImageWindow.h"

#include "ui/UserInterface.h"
#include "viewers/CImage.h"
#include "viewers/FitToBox.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

namespace vorlane::gui {

namespace {

constexpr int kZoomAuto = 1000;

} // namespace

CImageWindow::CImageWindow(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("imageWindow");
    setFocusPolicy(Qt::StrongFocus);
}

const std::vector<std::pair<QString, int>>& CImageWindow::ZoomChoices() {
    static const std::vector<std::pair<QString, int>> choices = {
        {" 25%", -4}, {" 50%", -2}, {"100%", 0}, {"Auto", kZoomAuto}, {"200%", 2}, {"400%", 4}};
    return choices;
}

bool CImageWindow::Load(const std::string& hostPath, std::string* error) {
    Clear();
    viewers::CImage image;
    std::vector<unsigned char> pixels;
    int bands = 0;
    if (!image.LoadFile(hostPath) || !image.Pixels(pixels, bands)) {
        if (error != nullptr)
            *error = image.ErrorText();
        ui::Current().Message(image.ErrorText(), "Image Error", ui::Buttons::Ok, ui::Icon::Error);
        return false;
    }
    m_depth = image.Bands() * 8;
    const QImage::Format format = bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    m_picture =
        QImage(pixels.data(), image.Width(), image.Height(), image.Width() * bands, format).copy();
    m_path = hostPath;
    UpdateBars();
    viewport()->update();
    return true;
}

void CImageWindow::Clear() {
    m_picture = QImage();
    m_path.clear();
    m_depth = 0;
    UpdateBars();
    viewport()->update();
}

void CImageWindow::SetZoom(int code) {
    m_zoom = code;
    UpdateBars();
    viewport()->update();
}

QSize CImageWindow::ShownSize() const {
    const int w = m_picture.width(), h = m_picture.height();
    if (m_picture.isNull())
        return {};
    if (m_zoom == kZoomAuto) {
        const QSize box = viewport()->size();
        const viewers::ImageSize fit =
            viewers::ShrinkToBox(std::max(1, box.width()), std::max(1, box.height()), w, h);
        return {std::max(1, fit.width), std::max(1, fit.height)};
    }
    if (m_zoom < 0)
        return {std::max(1, w / -m_zoom), std::max(1, h / -m_zoom)};
    if (m_zoom > 0)
        return {w * m_zoom, h * m_zoom};
    return {w, h};
}

void CImageWindow::UpdateBars() {
    const QSize shown = ShownSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, shown.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, shown.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
}

void CImageWindow::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().dark());
    if (m_picture.isNull())
        return;
    const QSize shown = ShownSize();
    const QSize view = viewport()->size();
    // Centred when smaller than the window, scrolled when larger.
    const int x = shown.width() < view.width() ? (view.width() - shown.width()) / 2
                                               : -horizontalScrollBar()->value();
    const int y = shown.height() < view.height() ? (view.height() - shown.height()) / 2
                                                 : -verticalScrollBar()->value();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_zoom < 0 || m_zoom == kZoomAuto);
    painter.drawImage(QRect(QPoint(x, y), shown), m_picture);
}

void CImageWindow::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateBars();
}

void CImageWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (m_picture.isNull())
        return;
    QMenu menu(this);
    QAction* wallpaper = menu.addAction("Apply as &Wallpaper...");
    if (menu.exec(event->globalPos()) == wallpaper)
        emit WallpaperRequested(QString::fromStdString(m_path));
}

} // namespace vorlane::gui
