// A grid of dots switched by clicking them, or from the keyboard (arrow keys move the focus
// dot, Space switches it). Column n is pattern byte n; bit 0 is its top dot.
#pragma once

#include <QByteArray>
#include <QWidget>

class DotGrid : public QWidget {
    Q_OBJECT
  public:
    DotGrid(int columns, int rows, QWidget *parent = nullptr);

    QByteArray patterns() const { return patterns_; }
    void setPatterns(const QByteArray &patterns);
    bool isOn(int column, int row) const;
    void toggle(int column, int row);
    // The rectangle of a dot in widget coordinates.
    QRect dotRect(int column, int row) const;

    QSize sizeHint() const override;

  signals:
    void changed();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    qreal pitch() const;

    int columns_;
    int rows_;
    QByteArray patterns_;
    int focusColumn_ = 0;
    int focusRow_ = 0;
};
