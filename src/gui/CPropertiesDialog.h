// The "Properties" dialog of a file, a directory or a zip member: name, DOS
// path and host path, type, size, the three times, DOS attributes,
// permissions (letters and octal) with owner and group, a link's target,
// and for a zip member its packed size, ratio, method, CRC and comment.
//
// For a directory the frame starts a count of its contents as a job
// (fileops::CDirectorySizeJob) and hands its running totals to ShowCount:
// "Contents:" grows as the job counts (read on a timer), "Stop Counting"
// cancels it, and closing the dialog cancels it too.
//
// Every value is a label with an object name ("dosPath", "size", "crc",
// ...) so tests read them by name.
#pragma once

#include "fileops/FileProperties.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QFormLayout;
class QLabel;
class QPushButton;
class QTimer;

namespace vorlane::gui {

struct PropertiesInput {
    // For a zip member: name, DOS path (archive path and member), type,
    // size and attributes of the member, the archive's host path, and the
    // member's DOS date and time in modified.
    fileops::FileProperties file;
    std::optional<fileops::ZipMemberProperties> member;
};

class CPropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14145;

    explicit CPropertiesDialog(PropertiesInput input, QWidget* parent = nullptr);
    ~CPropertiesDialog() override;

    // Shows a directory count as it grows; cancel stops it.
    void ShowCount(std::shared_ptr<const fileops::DirectorySizeProgress> progress,
                   std::function<void()> cancel);
    // Reads the totals now (the timer calls it).
    void UpdateCount();
    // The text of the value of that object name; "" when there is none.
    QString Field(const QString& name) const;
    QPushButton* StopButton() const { return m_stop; }

    static QString AttributeText(uint32_t attributes);
    static QString TimeText(const platform::FileTime& time);
    static QString ByteText(uint64_t bytes);

  private:
    void AddRow(QFormLayout* form, const char* caption, const QString& value, const char* name);

    PropertiesInput m_input;
    QLabel* m_contents = nullptr;
    QPushButton* m_stop = nullptr;
    QTimer* m_timer = nullptr;
    std::shared_ptr<const fileops::DirectorySizeProgress> m_progress;
    std::function<void()> m_cancel;
};

} // namespace vorlane::gui
