// The input page's 64 indicators in 8 rows of 8, each a solid red oval, bright while its input
// is on and dark while it is off, with the input's number drawn over it.
//
// The grid lies over the whole of its frame and draws at the frame's coordinates: the ovals
// are 21 x 25 pixels, 36 pixels apart across and 28 down, the first at (12, 20).
#pragma once

#include <cstdint>

#include <QWidget>

class IndicatorGrid : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCount = 64;
    // Fill colours as the design stores them (0x00BBGGRR).
    static constexpr uint32_t kOn = 0x0000FF;  // bright red
    static constexpr uint32_t kOff = 0x000080; // dark red

    explicit IndicatorGrid(QWidget *frame);

    // Numbers the indicators from `first` on.
    void setFirstInput(int first);
    QString number(int i) const;
    // Bit i set: indicator i is lit. Repaints only the indicators that change.
    void setLit(quint64 lit);
    quint64 lit() const { return lit_; }
    uint32_t fillColour(int i) const { return (lit_ >> i) & 1 ? kOn : kOff; }

    // Where indicator i and its number are drawn.
    static QRect indicatorRect(int i);
    QRect numberRect(int i) const;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    int firstInput_ = 1;
    quint64 lit_ = 0;
};
