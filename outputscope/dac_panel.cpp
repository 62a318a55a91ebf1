#include "dac_panel.h"

#include <array>

#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kChannelsPerRow = 20;
}

DacPanel::DacPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    addPortBox(form);
    parameter_ = addByteBox(form, tr("P&arameter:"), "parameter");

    auto *sliders = new QWidget(this);
    auto *grid = new QGridLayout(sliders);
    for (int i = 0; i < PANELINK_SPI_DAC_BYTES; ++i) {
        auto *slider = new QSlider(Qt::Vertical, sliders);
        slider->setObjectName(QStringLiteral("dac%1").arg(i));
        slider->setRange(0, 255);
        slider->setPageStep(16);
        slider->setAccessibleName(tr("Channel %1").arg(i + 1));
        slider->setMinimumHeight(80);
        auto *value = new QLabel(QStringLiteral("0"), sliders);
        value->setAlignment(Qt::AlignHCenter);
        auto *name = new QLabel(QString::number(i + 1), sliders);
        name->setAlignment(Qt::AlignHCenter);
        connect(slider, &QSlider::valueChanged, value,
                [value](int v) { value->setText(QString::number(v)); });
        // Sent when the slider rests: at each key press, and when a drag ends.
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (!slider->isSliderDown())
                send();
        });
        connect(slider, &QSlider::sliderReleased, this, &DacPanel::send);
        const int row = (i / kChannelsPerRow) * 3;
        const int column = i % kChannelsPerRow;
        grid->addWidget(value, row, column);
        grid->addWidget(slider, row + 1, column, Qt::AlignHCenter);
        grid->addWidget(name, row + 2, column);
        channels_.push_back(slider);
    }
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(sliders);
    scroll->setWidgetResizable(true);
    auto *sendButton = new QPushButton(tr("&Send all channels"), this);
    sendButton->setObjectName(QStringLiteral("sendDac"));
    connect(sendButton, &QPushButton::clicked, this, &DacPanel::send);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(scroll, 1);
    layout->addWidget(sendButton, 0, Qt::AlignRight);
}

void DacPanel::send() {
    std::array<uint8_t, PANELINK_SPI_DAC_BYTES> data{};
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(channels_[i]->value());
    const int port = port_->value();
    const int parameter = parameter_->value();
    OutputCommand c;
    c.name = QStringLiteral("WriteSPIDAC");
    c.arguments = tr("port %1, parameter %2").arg(port).arg(parameter);
    c.call = [port, data, parameter](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeSpiDac(d, port, data.data(), parameter);
    };
    c.fields = report_fields::addressed(PANELINK_SPI_DAC_BYTES, tr("channels 1-40"));
    emit commandReady(c);
}
