#include "command_panel.h"

#include <QFormLayout>
#include <QSpinBox>

namespace {
constexpr int kLastPort = 23;
}

void CommandPanel::setPort(int port) {
    if (port_)
        port_->setValue(port);
}

QSpinBox *CommandPanel::addByteBox(QFormLayout *form, const QString &label, const char *objectName,
                                   int maximum) {
    auto *box = new QSpinBox(this);
    box->setObjectName(QLatin1String(objectName));
    box->setRange(0, maximum);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    form->addRow(label, box);
    return box;
}

QSpinBox *CommandPanel::addPortBox(QFormLayout *form) {
    port_ = addByteBox(form, tr("&Port:"), "port", kLastPort);
    port_->setToolTip(tr("Module port; ports 2k and 2k + 1 form pair k"));
    return port_;
}
