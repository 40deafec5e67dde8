// CFrameStatusBar: the main frame's status bar: four text fields, each
// behind a separator, in Arial at 14 pixels and normal weight. Each field
// is at least as wide as its template text; the template itself is never
// shown (it would read as a drive with 0MB free): a field is empty until a
// window fills it.
#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

namespace vorlane::gui {

class CFrameStatusBar : public QStatusBar {
    Q_OBJECT
  public:
    static constexpr int kFieldCount = 4;
    static const std::array<const char*, kFieldCount> kTemplates;

    explicit CFrameStatusBar(QWidget* parent = nullptr);

    // field 1 to 4; repaint shows the text at once (during a scan).
    void SetField(int field, const QString& text, bool repaint = false);
    QString Field(int field) const;
    // Every field empty again (no window shows totals).
    void ResetFields();
    QLabel* Label(int field) const;

    // The running jobs: summary ("1 job running") in a field of its own at
    // the right, their titles as its tool tip; hidden when summary is "".
    void SetJobs(const QString& summary, const QString& titles);
    QLabel* JobsLabel() const { return m_jobs; }

  private:
    std::array<QLabel*, kFieldCount> m_fields{};
    QLabel* m_jobs = nullptr;
};

} // namespace vorlane::gui
