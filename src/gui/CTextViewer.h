// CTextViewer and CHexViewer: the document viewer's two faces. Both show a
// file mapped into memory (viewers/TextPages.h) and touch only the part
// on screen, so a file of any size opens at once and a binary file shown
// as text cannot hang the window.
//
// The text viewer scrolls by lines: its scroll bar stands for the byte
// offset (scaled for files past 2 GiB), a jump lands on the start of the
// line there. Line numbers (on by default) are drawn in a gutter; the
// encoding is one of viewers::TextEncodingNames(), guessed again from the
// start of each file loaded (viewers::GuessTextEncoding). The hex viewer shows
// 16 bytes a row.
//
// A file another program cuts short or writes to while it is shown is
// mapped again at its new size before it is read (viewers::MappedFile::
// Follow), so a truncated log file never takes the program down.
//
// GUI thread only. Load() fails with errno's code (only regular files are
// shown); the caller reports it.
#pragma once

#include "viewers/TextPages.h"

#include <QAbstractScrollArea>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::gui {

// What the two viewers share: the mapped file and the scroll bar's scale.
class CMappedFileView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit CMappedFileView(QWidget* parent = nullptr);

    // False with *error set (errno) when the file cannot be shown.
    virtual bool Load(const std::string& hostPath, int* error);
    virtual void Clear();
    uint64_t FileSize() const { return m_file.Size(); }
    bool HasFile() const { return m_file.IsOpen(); }

  protected:
    // Maps the file again when another program changed its size, then
    // calls FileChanged(); true when it did. Called before the file is read.
    bool FollowFile();
    virtual void FileChanged() {}
    const char* Data() const { return m_file.Data(); }
    int LineHeight() const;
    int VisibleRows() const;
    // The scroll bar's value for an offset, and back.
    int ToBar(uint64_t offset) const;
    uint64_t FromBar(int value) const;
    void SetBarRange(uint64_t last, int pageStep);

    viewers::MappedFile m_file;
    uint64_t m_scale = 1; // bytes per scroll bar step
};

class CTextViewer : public CMappedFileView {
    Q_OBJECT
  public:
    explicit CTextViewer(QWidget* parent = nullptr);

    bool Load(const std::string& hostPath, int* error) override;
    void Clear() override;
    void SetEncoding(viewers::TextEncoding encoding);
    viewers::TextEncoding Encoding() const { return m_encoding; }
    void SetLineNumbers(bool on);
    bool LineNumbers() const { return m_lineNumbers; }

    // The byte offset of the top line; moves to the line holding offset.
    uint64_t TopOffset() const { return m_top; }
    void ScrollToOffset(uint64_t offset);
    // The lines on screen as drawn (each with its number and a blank in
    // front when numbers are on).
    QStringList VisibleLines();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void FileChanged() override;
    // A row on screen: its line number (empty for a piece of a long line
    // or with numbers off) and its text.
    struct PageRow {
        QString number;
        QString text;
    };
    std::vector<PageRow> PageRows();
    void StepLines(int count);
    void UpdateBars();

    std::unique_ptr<viewers::TextLayout> m_layout;
    viewers::TextEncoding m_encoding = viewers::TextEncoding::Utf8;
    bool m_lineNumbers = true;
    uint64_t m_top = 0;
    bool m_settingBar = false;
};

class CHexViewer : public CMappedFileView {
    Q_OBJECT
  public:
    explicit CHexViewer(QWidget* parent = nullptr);

    bool Load(const std::string& hostPath, int* error) override;
    void Clear() override;
    uint64_t TopRow() const { return m_topRow; }
    void ScrollToRow(uint64_t row);
    QStringList ShownRows();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void FileChanged() override;
    uint64_t RowCount() const { return (FileSize() + 15) / 16; }
    void UpdateBars();

    uint64_t m_topRow = 0;
    bool m_settingBar = false;
};

} // namespace vorlane::gui
