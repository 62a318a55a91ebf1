#include "crt_rwr_panel.h"

#include <limits>

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// The start index is one byte, and the export reads count values from it.
constexpr int kIndexes = 256;
} // namespace

CrtRwrPanel::CrtRwrPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    addPortBox(form);
    value_ = addByteBox(form, tr("&Value byte:"), "crtValue");
    start_ = addByteBox(form, tr("&Start index:"), "crtStart");
    start_->setToolTip(tr("Index of the first value, sent in the parameter byte"));
    count_ = addByteBox(form, tr("&Count:"), "crtCount", PANELINK_CRTRWR_MAX_VALUES);
    count_->setValue(PANELINK_CRTRWR_MAX_VALUES);

    auto *box = new QGroupBox(tr("Values from the start index on"), this);
    auto *grid = new QGridLayout(box);
    for (int i = 0; i < PANELINK_CRTRWR_MAX_VALUES; ++i) {
        auto *spin = new QSpinBox(box);
        spin->setObjectName(QStringLiteral("crtValue%1").arg(i));
        spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        auto *label = new QLabel(QStringLiteral("+%1").arg(i), box);
        label->setBuddy(spin);
        grid->addWidget(label, i % 7, (i / 7) * 2);
        grid->addWidget(spin, i % 7, (i / 7) * 2 + 1);
        values_.push_back(spin);
    }
    connect(count_, &QSpinBox::valueChanged, this, [this](int count) {
        for (int i = 0; i < PANELINK_CRTRWR_MAX_VALUES; ++i)
            values_[i]->setEnabled(i < count);
    });
    auto *sendButton = new QPushButton(tr("Se&nd"), this);
    sendButton->setObjectName(QStringLiteral("sendCrt"));
    connect(sendButton, &QPushButton::clicked, this, &CrtRwrPanel::send);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    layout->addStretch();
    layout->addWidget(sendButton, 0, Qt::AlignRight);
}

void CrtRwrPanel::send() {
    const int port = port_->value();
    const int value = value_->value();
    const int start = start_->value();
    const int count = count_->value();
    // The caller's array: the values shown sit at the start index, as the export reads them.
    std::vector<int32_t> array(kIndexes + PANELINK_CRTRWR_MAX_VALUES, 0);
    for (int i = 0; i < PANELINK_CRTRWR_MAX_VALUES; ++i)
        array[start + i] = values_[i]->value();
    OutputCommand c;
    c.name = QStringLiteral("WriteCRTRWR");
    c.arguments = tr("port %1, value %2, %3 value(s) from index %4")
                      .arg(port)
                      .arg(value)
                      .arg(count)
                      .arg(start);
    c.call = [port, value, count, start, array](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeCrtRwr(d, port, value, count, start, array.data());
    };
    c.fields = {{0, 1, tr("report ID")},
                {1, 1, tr("payload length")},
                {2, 1, tr("value count")},
                {3, 1, tr("start index")},
                {4, 2, tr("module command")},
                {6, 1, tr("command code")},
                {7, 1, tr("port pair")},
                {9, 1, tr("value byte")},
                {10, 4 * count, tr("values, least significant byte first")}};
    emit commandReady(c);
}
