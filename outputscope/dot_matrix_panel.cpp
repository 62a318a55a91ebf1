#include "dot_matrix_panel.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dot_grid.h"

DotMatrixPanel::DotMatrixPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    addPortBox(form);
    parameter_ = addByteBox(form, tr("P&arameter:"), "parameter");
    grid_ = new DotGrid(PANELINK_DOT_MATRIX_BYTES, kRows, this);
    grid_->setObjectName(QStringLiteral("dotGrid"));
    auto *live = new QCheckBox(tr("Send each &change"), this);
    live->setObjectName(QStringLiteral("dotLive"));
    auto *clearButton = new QPushButton(tr("C&lear"), this);
    clearButton->setObjectName(QStringLiteral("clearDots"));
    auto *sendButton = new QPushButton(tr("&Send pattern"), this);
    sendButton->setObjectName(QStringLiteral("sendDots"));
    connect(clearButton, &QPushButton::clicked, grid_,
            [this] { grid_->setPatterns(QByteArray(PANELINK_DOT_MATRIX_BYTES, '\0')); });
    connect(sendButton, &QPushButton::clicked, this, &DotMatrixPanel::send);
    connect(grid_, &DotGrid::changed, this, [this, live] {
        if (live->isChecked())
            send();
    });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(live);
    buttons->addStretch();
    buttons->addWidget(clearButton);
    buttons->addWidget(sendButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
}

void DotMatrixPanel::send() {
    const int port = port_->value();
    const int parameter = parameter_->value();
    const QByteArray patterns = grid_->patterns();
    OutputCommand c;
    c.name = QStringLiteral("WriteDotMatrix");
    c.arguments = tr("port %1, patterns %2, parameter %3")
                      .arg(port)
                      .arg(QString::fromLatin1(patterns.toHex(' ')))
                      .arg(parameter);
    c.call = [port, patterns, parameter](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeDotMatrix(d, port, reinterpret_cast<const uint8_t *>(patterns.constData()),
                                  parameter);
    };
    c.fields = report_fields::addressed(PANELINK_DOT_MATRIX_BYTES + 1,
                                        tr("16 columns and a closing zero"));
    emit commandReady(c);
}
