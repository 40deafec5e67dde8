// The "ReCompress ZIP Files on Drive" dialog: "Dri&ve:" (the mapped drives,
// the current one chosen) and "&Compression:" (the compression choices,
// "Normal" chosen). OK gives the parameters of a recompress job.
#pragma once

#include "fileops/ZipRecompress.h"

#include <QDialog>

class QComboBox;

namespace vorlane::gui {

class CZipRecompressDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 15065;

    // drives: the letters offered (upper case); current: the one chosen
    // first (the first letter when it is not among them).
    CZipRecompressDialog(const std::vector<char>& drives, char current, QWidget* parent = nullptr);

    fileops::CRecompressParameters Parameters() const;

    QComboBox* DriveBox() const { return m_drive; }
    QComboBox* CompressionBox() const { return m_compression; }

  private:
    QComboBox* m_drive;
    QComboBox* m_compression;
};

} // namespace vorlane::gui
