// Draws what a board shows (OutputState): per port its lamps, seven-segment digits, dot-matrix
// pattern and DAC bars; the board's own digits and its character LCD. Sized to its content.
#pragma once

#include <QWidget>

#include "output_state.h"

namespace panelink::virtualboard {

class OutputView : public QWidget {
    Q_OBJECT
  public:
    explicit OutputView(const OutputState &state, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    // Re-measures and repaints after the state changed.
    void refresh();

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    // Paints everything from the top-left corner when `painter` is given; returns the height
    // used either way.
    int layOut(QPainter *painter) const;

    const OutputState &state_;
};

} // namespace panelink::virtualboard
