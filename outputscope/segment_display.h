// Seven-segment digits drawn from their pattern bytes, as a board lights them. The drawing
// scales with the widget, so it stays sharp at any size.
#pragma once

#include <QByteArray>
#include <QList>
#include <QWidget>

class SegmentDisplay : public QWidget {
    Q_OBJECT
  public:
    // Which bit drives which segment: a digit module's order (segment a in bit 0 ... g in bit 6)
    // or the TANDEM display's (a in bit 6 ... g in bit 0). Bit 7 is the decimal point in both.
    enum class Order { Standard, Tandem };

    explicit SegmentDisplay(Order order, int digits, QWidget *parent = nullptr);

    // A wider gap after each digit position listed (counted from the left), between groups.
    void setGroupEnds(const QList<int> &lastDigits);
    // Patterns of the digits from the left; missing digits stay dark.
    void setPatterns(const QByteArray &leftToRight);
    QByteArray patterns() const { return patterns_; }
    // The segments lit in the digit at `position` from the left: bit 0 = a ... bit 6 = g,
    // bit 7 = the decimal point, whatever the order of the pattern bytes.
    int litSegments(int position) const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    Order order_;
    int digits_;
    QList<int> groupEnds_;
    QByteArray patterns_;
};
