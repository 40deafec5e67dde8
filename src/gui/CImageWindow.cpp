#include "gui/CImageWindow.h"

#include "viewers/CImage.h"
#include "viewers/FitToBox.h"

#include <QContextMenuEvent>
#include <QFutureWatcher>
#include <QMenu>
#include <QPainter>
#include <QPromise>
#include <QScrollBar>
#include <QThreadPool>

namespace vorlane::gui {

namespace {

constexpr int kZoomAuto = 1000;

} // namespace

struct CImageWindow::Decoded {
    bool ok = false;
    QImage picture;
    int depth = 0;
    QString error;
};

CImageWindow::CImageWindow(QWidget* parent)
    : QAbstractScrollArea(parent), m_wanted(std::make_shared<std::atomic<uint64_t>>(0)) {
    setObjectName("imageWindow");
    setFocusPolicy(Qt::StrongFocus);
}

const std::vector<std::pair<QString, int>>& CImageWindow::ZoomChoices() {
    static const std::vector<std::pair<QString, int>> choices = {
        {" 25%", -4}, {" 50%", -2}, {"100%", 0}, {"Auto", kZoomAuto}, {"200%", 2}, {"400%", 4}};
    return choices;
}

void CImageWindow::Load(const std::string& hostPath) {
    Clear();
    m_path = hostPath;
    m_loading = true;
    const uint64_t ticket = ++*m_wanted;
    // The watcher is the window's child: when the window goes first, the
    // worker's result goes nowhere.
    auto* watcher = new QFutureWatcher<Decoded>(this);
    auto promise = std::make_shared<QPromise<Decoded>>();
    connect(watcher, &QFutureWatcher<Decoded>::finished, this, [this, watcher, ticket] {
        watcher->deleteLater();
        if (watcher->future().resultCount() > 0)
            Landed(ticket, watcher->future().result());
    });
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([hostPath, ticket, wanted = m_wanted, promise] {
        promise->addResult(Decode(hostPath, ticket, *wanted));
        promise->finish();
    });
}

CImageWindow::Decoded CImageWindow::Decode(const std::string& hostPath, uint64_t ticket,
                                           const std::atomic<uint64_t>& wanted) {
    Decoded result;
    // A later Load or Clear came first: its ticket drops this result anyway.
    if (wanted.load() != ticket)
        return result;
    viewers::CImage image;
    std::vector<unsigned char> pixels;
    int bands = 0;
    if (!image.LoadFile(hostPath) || !image.Pixels(pixels, bands)) {
        result.error = QString::fromStdString(image.ErrorText());
        return result;
    }
    const QImage::Format format = bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    // The picture keeps the decoded pixels themselves (no second copy of a
    // picture that may take hundreds of megabytes).
    auto* buffer = new std::vector<unsigned char>(std::move(pixels));
    result.picture = QImage(
        buffer->data(), image.Width(), image.Height(), image.Width() * bands, format,
        [](void* data) { delete static_cast<std::vector<unsigned char>*>(data); }, buffer);
    result.depth = image.Bands() * 8;
    result.ok = !result.picture.isNull();
    if (!result.ok)
        result.error = QString("There is not enough memory to show '%1'.")
                           .arg(QString::fromStdString(hostPath));
    return result;
}

void CImageWindow::Landed(uint64_t ticket, const Decoded& decoded) {
    if (ticket != m_wanted->load())
        return;
    m_loading = false;
    if (decoded.ok) {
        m_picture = decoded.picture;
        m_depth = decoded.depth;
        UpdateBars();
        viewport()->update();
    }
    emit Loaded(decoded.ok, decoded.error);
}

void CImageWindow::Clear() {
    ++*m_wanted;
    m_loading = false;
    m_picture = QImage();
    m_scaled = QImage();
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
    painter.drawImage(QRect(QPoint(x, y), shown), ScaledFor(shown));
}

const QImage& CImageWindow::ScaledFor(const QSize& shown) {
    // Enlarged pictures are drawn from the picture itself (a scaled copy
    // could take gigabytes); shrunk ones from a smooth copy made once.
    if (shown.width() >= m_picture.width() || shown.height() >= m_picture.height())
        return m_picture;
    if (m_scaled.size() != shown)
        m_scaled = m_picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return m_scaled;
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
