// CImageWindow: a picture decoded by libvips (viewers/CImage.h) drawn by Qt
// at one of the zoom codes of the viewer bar's list: " 25%" -4, " 50%" -2,
// "100%" 0, "Auto" 1000, "200%" 2, "400%" 4. A negative code shrinks by
// that factor, a positive one enlarges, 0 is one to one and 1000 fits the
// picture into the window (never enlarged). A picture larger than the
// window scrolls.
//
// The picture is decoded on a worker thread, so that a large one does not
// stop the window: Load returns at once and Loaded tells how it ended
// (with the imaging library's text when it could not be decoded). A later
// Load or Clear drops an earlier decode; one not yet begun is skipped.
// A picture shrunk on the screen is drawn from a copy scaled smoothly once
// per size, not sampled again at every paint.
// The context menu offers "Apply as &Wallpaper..." (WallpaperRequested).
//
// GUI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vorlane::gui {

class CImageWindow : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit CImageWindow(QWidget* parent = nullptr);

    // The zoom list's texts and codes, in list order.
    static const std::vector<std::pair<QString, int>>& ZoomChoices();

    // Starts decoding the file; the picture shows when Loaded comes.
    void Load(const std::string& hostPath);
    // True from Load until its Loaded.
    bool Loading() const { return m_loading; }
    void Clear();
    void SetZoom(int code);
    int Zoom() const { return m_zoom; }
    const QImage& Picture() const { return m_picture; }
    const std::string& Path() const { return m_path; }
    // The size the picture is drawn at for the current zoom and window.
    QSize ShownSize() const;
    // The picture's own depth in bits per pixel (8 a band).
    int Depth() const { return m_depth; }

  signals:
    void WallpaperRequested(const QString& hostPath);
    // The decode of the file last given to Load has ended; error is the
    // imaging library's text when ok is false.
    void Loaded(bool ok, const QString& error);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    struct Decoded;
    // Runs on a worker thread: touches nothing of the window.
    static Decoded Decode(const std::string& hostPath, uint64_t ticket,
                          const std::atomic<uint64_t>& wanted);
    void Landed(uint64_t ticket, const Decoded& decoded);
    void UpdateBars();
    const QImage& ScaledFor(const QSize& shown);

    QImage m_picture;
    QImage m_scaled; // m_picture shrunk smoothly to the size last drawn
    std::string m_path;
    int m_zoom = 1000;
    int m_depth = 0;
    bool m_loading = false;
    // The number of the decode wanted now; shared with the workers, which
    // skip a decode that is no longer wanted when its turn comes.
    std::shared_ptr<std::atomic<uint64_t>> m_wanted;
};

} // namespace vorlane::gui
