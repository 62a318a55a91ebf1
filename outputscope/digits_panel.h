// Seven-segment digits of a module (WriteDisplayOutput) from typed text, with a drawing of the
// seven digits as the library's encoding lights them: the preview shows the digit bytes of the
// very report the library builds for the text (see ReportRecorder).
#pragma once

#include "command_panel.h"
#include "report_preview.h"

class QLineEdit;
class QSpinBox;
class SegmentDisplay;

class DigitsPanel : public CommandPanel {
    Q_OBJECT
  public:
    static constexpr int kDigits = 7;

    explicit DigitsPanel(QWidget *parent = nullptr);
    void setPreviewSource(ReportPreview preview);
    const SegmentDisplay *preview() const { return preview_; }

  public slots:
    void send();

  private slots:
    void updatePreview();

  private:
    OutputCommand command() const;

    QLineEdit *text_ = nullptr;
    QSpinBox *parameter_ = nullptr;
    SegmentDisplay *preview_ = nullptr;
    ReportPreview source_;
};
