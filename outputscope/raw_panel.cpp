#include "raw_panel.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

RawPanel::RawPanel(QWidget *parent) : QWidget(parent) {
    auto *form = new QFormLayout;
    reportId_ = new QSpinBox(this);
    reportId_->setObjectName(QStringLiteral("rawReportId"));
    reportId_->setRange(0, 255);
    reportId_->setDisplayIntegerBase(16);
    reportId_->setPrefix(QStringLiteral("0x"));
    form->addRow(tr("Report &ID (byte 0):"), reportId_);
    auto *idHint = new QLabel(tr("The first byte of every report names the report. The family's "
                                 "boards have no numbered reports: it is 0x00 for them."),
                              this);
    idHint->setWordWrap(true);
    form->addRow(QString(), idHint);
    data_ = new QLineEdit(this);
    data_->setObjectName(QStringLiteral("rawData"));
    data_->setFont(QFont(QStringLiteral("monospace")));
    data_->setPlaceholderText(tr("data bytes after the report ID, e.g. 00 0f 00 1c 02 29"));
    form->addRow(tr("&Data (hex):"), data_);
    lengthInfo_ = new QLabel(this);
    lengthInfo_->setObjectName(QStringLiteral("rawLength"));
    lengthInfo_->setWordWrap(true);
    form->addRow(QString(), lengthInfo_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("rawProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #c00000;"));
    auto *sendButton = new QPushButton(tr("&Send report"), this);
    sendButton->setObjectName(QStringLiteral("sendRaw"));
    connect(sendButton, &QPushButton::clicked, this, &RawPanel::send);
    connect(data_, &QLineEdit::returnPressed, this, &RawPanel::send);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addStretch();
    layout->addWidget(sendButton, 0, Qt::AlignRight);
    setReportLength(0);
}

void RawPanel::setReportLength(int length) {
    length_ = length;
    if (length_ > 1)
        lengthInfo_->setText(tr("The board's output report is %1 bytes: the report ID byte and "
                                "%2 data bytes. Shorter data is padded with zeros.")
                                 .arg(length_)
                                 .arg(length_ - 1));
    else
        lengthInfo_->setText(tr("The board has no output report."));
}

QString RawPanel::problem() const {
    return problem_->text();
}

std::optional<QByteArray> RawPanel::buildReport(int length, int reportId, const QString &data,
                                                QString *problem) {
    if (length < 2) {
        *problem = tr("Not sent: the board has no output report to send.");
        return std::nullopt;
    }
    if (reportId < 0 || reportId > 255) {
        *problem = tr("Not sent: the report ID is one byte (0x00 to 0xff).");
        return std::nullopt;
    }
    QByteArray report(1, static_cast<char>(reportId));
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    static const QRegularExpression byteText(QStringLiteral("^(0[xX])?[0-9a-fA-F]{1,2}$"));
    const QStringList words = data.split(separators, Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (!byteText.match(word).hasMatch()) {
            *problem = tr("Not sent: \"%1\" is not a byte in hexadecimal (00 to ff).").arg(word);
            return std::nullopt;
        }
        bool ok = false;
        report.append(static_cast<char>(word.toUInt(&ok, 16)));
    }
    if (report.size() > length) {
        *problem = tr("Not sent: %1 data bytes do not fit; the board's output report holds %2 "
                      "after the report ID.")
                       .arg(report.size() - 1)
                       .arg(length - 1);
        return std::nullopt;
    }
    problem->clear();
    return report.leftJustified(length, '\0');
}

void RawPanel::send() {
    QString reason;
    const auto report = buildReport(length_, reportId_->value(), data_->text(), &reason);
    problem_->setText(reason);
    if (report)
        emit reportReady(*report);
}
