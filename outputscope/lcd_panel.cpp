#include "lcd_panel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

LcdPanel::LcdPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    selector_ = addByteBox(form, tr("&Line selector:"), "lcdSelector");
    selector_->setToolTip(tr("Passed to the board unchanged"));
    parameter_ = addByteBox(form, tr("P&arameter:"), "parameter");
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("lcdText"));
    text_->setMaxLength(PANELINK_LCD_CHARS);
    text_->setFont(QFont(QStringLiteral("monospace")));
    text_->setPlaceholderText(
        tr("up to %1 characters, padded with spaces").arg(PANELINK_LCD_CHARS));
    form->addRow(tr("&Text:"), text_);
    auto *sendButton = new QPushButton(tr("&Send line"), this);
    sendButton->setObjectName(QStringLiteral("sendLcd"));
    auto *clearButton = new QPushButton(tr("&Clear display"), this);
    clearButton->setObjectName(QStringLiteral("clearLcd"));
    connect(sendButton, &QPushButton::clicked, this, &LcdPanel::sendText);
    connect(text_, &QLineEdit::returnPressed, this, &LcdPanel::sendText);
    connect(clearButton, &QPushButton::clicked, this, &LcdPanel::clear);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clearButton);
    buttons->addWidget(sendButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);
}

void LcdPanel::sendText() {
    // Exactly 20 characters go to the board: the text, then spaces.
    const QByteArray text = text_->text().toLatin1().leftJustified(PANELINK_LCD_CHARS, ' ', true);
    const int selector = selector_->value();
    const int parameter = parameter_->value();
    OutputCommand c;
    c.name = QStringLiteral("WriteLCD");
    c.arguments = tr("selector %1, \"%2\", parameter %3")
                      .arg(selector)
                      .arg(QString::fromLatin1(text))
                      .arg(parameter);
    c.call = [text, selector, parameter](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeLcd(d, selector, text.constData(), parameter);
    };
    c.fields = {{0, 1, tr("report ID")},
                {3, 1, tr("parameter")},
                {4, 1, tr("command code")},
                {5, 2, tr("write")},
                {7, 1, tr("selector")},
                {8, 1, tr("character count")},
                {9, PANELINK_LCD_CHARS, tr("text")}};
    emit commandReady(c);
}

void LcdPanel::clear() {
    OutputCommand c;
    c.name = QStringLiteral("ClearLCD");
    c.call = [](PanelinkOutputApi &api, DeviceRecord *d) { return api.clearLcd(d); };
    c.fields = {{0, 1, tr("report ID")}, {4, 1, tr("command code")}, {5, 1, tr("clear")}};
    emit commandReady(c);
}
