// One indicator of the input page: a solid filled shape whose fill colour shows an input's
// state, with a mark (Tag) of the state it showed last.
#pragma once

#include <cstdint>

#include <QWidget>

class IndicatorShape : public QWidget {
    Q_OBJECT
  public:
    static constexpr uint32_t kOn = 0x0000FF;  // bright red
    static constexpr uint32_t kOff = 0x000080; // dark red

    explicit IndicatorShape(QWidget *parent);

    // Fill colour as stored (0x00BBGGRR); repaints only when it changes.
    void SetFillColor(uint32_t colour);
    uint32_t FillColor() const { return fillColor_; }

    // True when the indicator last showed its input on.
    bool Tag = false;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    uint32_t fillColor_ = kOff;
};
