// CFileViewerControlBar: the viewer of a file manager window's viewer pane
// and of a viewer window. A bar on top (the file's name, the zoom list for
// pictures, the encoding list, "Line &Numbers" and "&Hex" for documents)
// over one of: a message line, an empty pane, the text viewer, the hex
// viewer or the image window; a status line below (the document type or
// the picture's size and depth).
//
// Show(path, delete when done, display name, message):
//   1. the file shown until now is closed; when it was marked delete when
//      done, it is deleted;
//   2. a message is shown in place of a viewer; an empty path shows an
//      empty pane;
//   3. otherwise a file libvips recognises as a picture goes to the image
//      window (decoded on a worker: the status line says "Loading
//      picture..." until it shows; a picture that cannot be decoded gives
//      the library's text on the message line in a pane, else the dialog
//      "Image Error"), anything else to the document viewer (text or hex by its
//      libmagic type). A document that cannot be loaded gives "Unable to
//      load document '%s'.\n\nError code = %d": on the message line when
//      the bar sits in a pane, else in the dialog "Viewer Load Error".
//
// GUI thread only.
#pragma once

#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QStackedWidget;

namespace vorlane::gui {

class CHexViewer;
class CImageWindow;
class CTextViewer;

class CFileViewerControlBar : public QWidget {
    Q_OBJECT
  public:
    // inPane: load errors go to the message line (else to a dialog).
    explicit CFileViewerControlBar(bool inPane, QWidget* parent = nullptr);
    ~CFileViewerControlBar() override;

    void Show(const std::string& hostPath, bool deleteWhenDone, const std::string& displayName,
              const std::string& message);
    // Closes the file shown (deleting it when it was marked so).
    void CloseFile();

    enum class Face { Empty, Message, Text, Hex, Image };
    Face Shown() const { return m_face; }
    QString Caption() const;
    QString Status() const;
    QString Message() const;
    CTextViewer* TextViewer() const { return m_text; }
    CHexViewer* HexViewer() const { return m_hex; }
    CImageWindow* ImageWindow() const { return m_image; }
    QComboBox* ZoomList() const { return m_zoom; }
    QComboBox* EncodingList() const { return m_encoding; }
    QCheckBox* LineNumbersBox() const { return m_lineNumbers; }
    QCheckBox* HexBox() const { return m_hexBox; }
    const std::string& ShownPath() const { return m_path; }

  signals:
    void WallpaperRequested(const QString& hostPath);

  private:
    void SetFace(Face face);
    void ShowDocument(bool asHex);
    void LoadFailed(int error);
    void PictureLoaded(bool ok, const QString& error);

    bool m_inPane;
    Face m_face = Face::Empty;
    std::string m_path;
    std::string m_displayName;
    bool m_deleteWhenDone = false;
    int m_documentType = 0;

    QLabel* m_caption;
    QComboBox* m_zoom;
    QComboBox* m_encoding;
    QCheckBox* m_lineNumbers;
    QCheckBox* m_hexBox;
    QStackedWidget* m_stack;
    QLabel* m_message;
    QWidget* m_empty;
    CTextViewer* m_text;
    CHexViewer* m_hex;
    CImageWindow* m_image;
    QLabel* m_status;
};

} // namespace vorlane::gui
