// CImageWindow: a picture decoded by libvips (viewers/CImage.h) drawn by Qt
// at one of the zoom codes of the viewer bar's list: " 25%" -4, " 50%" -2,
// "100%" 0, "Auto" 1000, "200%" 2, "400%" 4. A negative code shrinks by
// that factor, a positive one enlarges, 0 is one to one and 1000 fits the
// picture into the window (never enlarged). A picture larger than the
// window scrolls.
//
// A picture that cannot be decoded gives the error dialog "Image Error"
// with the imaging library's text, through the user interface seam.
// The context menu offers "Apply as &Wallpaper..." (WallpaperRequested).
//
// GUI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

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

    // Decodes the file; false after the "Image Error" message (*error gets
    // its text too when given).
    bool Load(const std::string& hostPath, std::string* error = nullptr);
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

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void UpdateBars();

    QImage m_picture;
    std::string m_path;
    int m_zoom = 1000;
    int m_depth = 0;
};

} // namespace vorlane::gui
