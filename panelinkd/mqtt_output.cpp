#include "mqtt_output.h"

namespace panelinkd {

BoardSink *MqttOutput::start(const Config &config, BoardRegistry &registry) {
    if (!config.broker)
        return nullptr;
    bridge_ = std::make_unique<MqttBridge>(config, registry);
    bridge_->start();
    return bridge_.get();
}

void MqttOutput::stop() {
    if (bridge_)
        bridge_->finish();
}

} // namespace panelinkd
