// The TANDEM display (WriteTANDEM): two groups of four digits from text, one digit chosen by
// pattern number, two bytes passed through, with a drawing of the nine digits from the report
// the library builds (see ReportRecorder).
#pragma once

#include "command_panel.h"
#include "report_preview.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class SegmentDisplay;

class TandemPanel : public CommandPanel {
    Q_OBJECT
  public:
    // Digits drawn: group 1, group 2, the single digit.
    static constexpr int kDigits = 9;

    explicit TandemPanel(QWidget *parent = nullptr);
    void setPreviewSource(ReportPreview preview);
    const SegmentDisplay *preview() const { return preview_; }

  public slots:
    void send();

  private slots:
    void updatePreview();

  private:
    OutputCommand command() const;

    QLineEdit *group1_ = nullptr;
    QLineEdit *group2_ = nullptr;
    QComboBox *single_ = nullptr;
    QSpinBox *raw1_ = nullptr;
    QSpinBox *raw2_ = nullptr;
    QSpinBox *parameter_ = nullptr;
    SegmentDisplay *preview_ = nullptr;
    ReportPreview source_;
};
