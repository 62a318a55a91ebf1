#include "glcd_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kMaxLines = 2;

QLineEdit *lineEdit(QWidget *parent, const char *name) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(PANELINK_GLCD_LINE_BYTES);
    edit->setFont(QFont(QStringLiteral("monospace")));
    return edit;
}
} // namespace

GlcdPanel::GlcdPanel(QWidget *parent) : CommandPanel(parent) {
    auto *common = new QFormLayout;
    addPortBox(common);
    parameter_ = addByteBox(common, tr("P&arameter:"), "parameter");

    auto *commandBox = new QGroupBox(tr("Command"), this);
    auto *commandForm = new QFormLayout(commandBox);
    command_ = addByteBox(commandForm, tr("Command &byte:"), "glcdCommand");
    command_->setDisplayIntegerBase(16);
    command_->setPrefix(QStringLiteral("0x"));
    auto *sendCommandButton = new QPushButton(tr("Send &command"), commandBox);
    sendCommandButton->setObjectName(QStringLiteral("sendGlcdCommand"));
    commandForm->addRow(sendCommandButton);

    auto *textBox = new QGroupBox(tr("Text"), this);
    auto *textForm = new QFormLayout(textBox);
    position_ = addByteBox(textForm, tr("P&osition:"), "glcdPosition");
    lines_ = addByteBox(textForm, tr("&Lines:"), "glcdLines", kMaxLines);
    lines_->setMinimum(1);
    line1_ = lineEdit(textBox, "glcdLine1");
    line2_ = lineEdit(textBox, "glcdLine2");
    textForm->addRow(tr("Line &1:"), line1_);
    textForm->addRow(tr("Line &2:"), line2_);
    auto *sendTextButton = new QPushButton(tr("Send &text"), textBox);
    sendTextButton->setObjectName(QStringLiteral("sendGlcdText"));
    textForm->addRow(sendTextButton);

    connect(sendCommandButton, &QPushButton::clicked, this, &GlcdPanel::sendCommand);
    connect(sendTextButton, &QPushButton::clicked, this, &GlcdPanel::sendText);
    connect(lines_, &QSpinBox::valueChanged, line2_,
            [this](int lines) { line2_->setEnabled(lines == kMaxLines); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(common);
    layout->addWidget(commandBox);
    layout->addWidget(textBox);
    layout->addStretch();
}

void GlcdPanel::sendCommand() {
    const int port = port_->value();
    const int parameter = parameter_->value();
    const int command = command_->value();
    OutputCommand c;
    c.name = QStringLiteral("CmdGLCD");
    c.arguments = tr("port %1, parameter %2, command 0x%3")
                      .arg(port)
                      .arg(parameter)
                      .arg(command, 2, 16, QLatin1Char('0'));
    c.call = [port, parameter, command](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.cmdGlcd(d, port, parameter, command);
    };
    c.fields = report_fields::addressed(1, tr("command byte"));
    emit commandReady(c);
}

void GlcdPanel::sendText() {
    const int port = port_->value();
    const int parameter = parameter_->value();
    const int position = position_->value();
    const int lines = lines_->value();
    // Each line is exactly 24 bytes: the text, then spaces.
    QByteArray text = line1_->text().toLatin1().leftJustified(PANELINK_GLCD_LINE_BYTES, ' ', true);
    if (lines == kMaxLines)
        text += line2_->text().toLatin1().leftJustified(PANELINK_GLCD_LINE_BYTES, ' ', true);
    OutputCommand c;
    c.name = QStringLiteral("WriteGLCD");
    c.arguments = tr("port %1, position %2, %3 line(s), parameter %4")
                      .arg(port)
                      .arg(position)
                      .arg(lines)
                      .arg(parameter);
    c.call = [port, position, lines, parameter, text](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeGlcd(d, port, position, lines, parameter, text.constData());
    };
    c.fields = report_fields::addressed(3, tr("text head, position, lines"));
    c.fields.append({12, static_cast<int>(text.size()), tr("text")});
    emit commandReady(c);
}
