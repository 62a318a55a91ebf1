// What went over the wire: the latest call in full (the report's bytes in hexadecimal with its
// fields marked and named, the call's result and the time it took) above the history of calls.
#pragma once

#include <QWidget>

#include "output_command.h"

class QLabel;
class QTextBrowser;
class QTreeWidget;

class WireView : public QWidget {
    Q_OBJECT
  public:
    explicit WireView(QWidget *parent = nullptr);

    // The report as hex text, 16 bytes a line with the offset in front.
    static QString hexDump(const QByteArray &report);
    // One line on the call's outcome, e.g. "WriteData returned 65 in 0.04 ms".
    static QString outcome(const OutputCall &call);
    int historySize() const;

  public slots:
    void show(const OutputCall &call);
    void clearHistory();

  private:
    QString markedDump(const OutputCall &call) const;

    QLabel *title_ = nullptr;
    QLabel *outcome_ = nullptr;
    QTextBrowser *bytes_ = nullptr;
    QTreeWidget *history_ = nullptr;
};
