// The MQTT bridge as an output of the service: on when a broker is configured (--broker or the
// configuration's "broker"), off otherwise.
#pragma once

#include <memory>

#include "mqtt_bridge.h"
#include "output.h"

namespace panelinkd {

class MqttOutput : public Output {
  public:
    // The broker's options are the service's own (command_line.h): nothing to add.
    void add_options(CLI::App &) override {}
    BoardSink *start(const Config &config, BoardRegistry &registry) override;
    void stop() override;

  private:
    std::unique_ptr<MqttBridge> bridge_;
};

} // namespace panelinkd
