// A raw output report for anything the other panels do not cover. The report ID byte is a field
// of its own; the data bytes typed in hexadecimal are padded with zeros to the board's output
// report length. Text that is not bytes, more data than the report holds, and a board without
// output reports are refused with a reason, and nothing is sent.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QSpinBox;

class RawPanel : public QWidget {
    Q_OBJECT
  public:
    explicit RawPanel(QWidget *parent = nullptr);

    // The selected board's output report length, report ID included (0: no board).
    void setReportLength(int length);
    int reportLength() const { return length_; }

    // The report for `reportId` and the typed `data`, padded to `length` bytes; nothing, with
    // the reason in `problem`, when it cannot be built.
    static std::optional<QByteArray> buildReport(int length, int reportId, const QString &data,
                                                 QString *problem);
    QString problem() const;

  public slots:
    void send();

  signals:
    void reportReady(const QByteArray &report);

  private:
    int length_ = 0;
    QSpinBox *reportId_ = nullptr;
    QLineEdit *data_ = nullptr;
    QLabel *lengthInfo_ = nullptr;
    QLabel *problem_ = nullptr;
};
