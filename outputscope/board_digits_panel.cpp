#include "board_digits_panel.h"

#include <array>

#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

BoardDigitsPanel::BoardDigitsPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    first_ = addByteBox(form, tr("&First byte:"), "boardDigitsFirst");
    second_ = addByteBox(form, tr("S&econd byte:"), "boardDigitsSecond");
    for (QSpinBox *box : {first_, second_}) {
        box->setDisplayIntegerBase(16);
        box->setPrefix(QStringLiteral("0x"));
    }
    auto *sendButton = new QPushButton(tr("&Send"), this);
    sendButton->setObjectName(QStringLiteral("sendBoardDigits"));
    connect(sendButton, &QPushButton::clicked, this, &BoardDigitsPanel::send);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(sendButton, 0, Qt::AlignRight);
}

void BoardDigitsPanel::send() {
    const std::array<uint8_t, 2> bytes = {static_cast<uint8_t>(first_->value()),
                                          static_cast<uint8_t>(second_->value())};
    OutputCommand c;
    c.name = QStringLiteral("Write7Segment");
    c.arguments = tr("bytes %1 %2")
                      .arg(bytes[0], 2, 16, QLatin1Char('0'))
                      .arg(bytes[1], 2, 16, QLatin1Char('0'));
    c.call = [bytes](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.write7Segment(d, bytes.data());
    };
    c.fields = report_fields::board(6, 2, tr("the two bytes"));
    emit commandReady(c);
}
