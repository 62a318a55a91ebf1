#include "digits_panel.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "segment_display.h"

namespace {
// Where an addressed report carries its payload: the digit positions, rightmost first.
constexpr int kPayloadOffset = 9;
constexpr int kPayloadBytes = 8; // seven positions and a spare byte
constexpr int kLongestText = 32;
} // namespace

DigitsPanel::DigitsPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    addPortBox(form);
    parameter_ = addByteBox(form, tr("P&arameter:"), "parameter");
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("digitsText"));
    text_->setMaxLength(kLongestText);
    text_->setPlaceholderText(tr("for example -12.5"));
    form->addRow(tr("&Text:"), text_);
    auto *hint = new QLabel(tr("Digits 0-9, \"-\", blank and \".\"; the last character lands in "
                               "the rightmost digit."),
                            this);
    hint->setWordWrap(true);
    preview_ = new SegmentDisplay(SegmentDisplay::Order::Standard, kDigits, this);
    preview_->setObjectName(QStringLiteral("digitsPreview"));
    auto *sendButton = new QPushButton(tr("&Send digits"), this);
    sendButton->setObjectName(QStringLiteral("sendDigits"));
    sendButton->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(preview_, 1);
    layout->addWidget(sendButton, 0, Qt::AlignRight);

    connect(text_, &QLineEdit::textChanged, this, &DigitsPanel::updatePreview);
    connect(text_, &QLineEdit::returnPressed, this, &DigitsPanel::send);
    connect(sendButton, &QPushButton::clicked, this, &DigitsPanel::send);
}

void DigitsPanel::setPreviewSource(ReportPreview preview) {
    source_ = std::move(preview);
    updatePreview();
}

void DigitsPanel::updatePreview() {
    QByteArray leftToRight;
    const QByteArray report = source_ ? source_(command()) : QByteArray();
    if (report.size() >= kPayloadOffset + kDigits) {
        for (int position = kDigits - 1; position >= 0; --position)
            leftToRight.append(report[kPayloadOffset + position]);
    }
    preview_->setPatterns(leftToRight);
}

void DigitsPanel::send() {
    emit commandReady(command());
}

OutputCommand DigitsPanel::command() const {
    const int port = port_->value();
    const int parameter = parameter_->value();
    const QByteArray text = text_->text().toLatin1();
    OutputCommand c;
    c.name = QStringLiteral("WriteDisplayOutput");
    c.arguments =
        tr("port %1, \"%2\", parameter %3").arg(port).arg(QString::fromLatin1(text)).arg(parameter);
    c.call = [port, text, parameter](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeDisplayOutput(d, port, text.constData(), parameter);
    };
    c.fields = report_fields::addressed(kPayloadBytes, tr("digits, rightmost first"));
    return c;
}
