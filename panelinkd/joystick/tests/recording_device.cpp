#include "recording_device.h"

#include <algorithm>

namespace panelinkd::joystick::testing {
namespace {

class RecordingDevice : public VirtualDevice {
  public:
    RecordingDevice(RecordingFactory &factory, std::string name)
        : factory_(factory), name_(std::move(name)) {
        factory_.live.push_back(name_);
    }
    ~RecordingDevice() override {
        auto &live = factory_.live;
        live.erase(std::find(live.begin(), live.end(), name_));
    }
    bool write(uint16_t type, uint16_t code, int32_t value) override {
        if (factory_.refuse_writes)
            return false;
        factory_.events.push_back({name_, type, code, value});
        return true;
    }
    std::string node() const override { return "/dev/input/recorded"; }

  private:
    RecordingFactory &factory_;
    std::string name_;
};

} // namespace

std::unique_ptr<VirtualDevice> RecordingFactory::create(const DeviceLayout &layout,
                                                        const std::string &) {
    if (fail_at && *fail_at == created.size()) {
        created.push_back(layout);
        throw DeviceError("no permission to open /dev/uinput");
    }
    created.push_back(layout);
    return std::make_unique<RecordingDevice>(*this, layout.name);
}

std::vector<RecordedEvent> RecordingFactory::take() {
    std::vector<RecordedEvent> taken;
    taken.swap(events);
    return taken;
}

} // namespace panelinkd::joystick::testing
