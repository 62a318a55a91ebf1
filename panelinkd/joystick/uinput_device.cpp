#include "uinput_device.h"

#include "button_codes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <unistd.h>

namespace panelinkd::joystick {
namespace {

std::string access_advice(const std::string &path, int error) {
    const std::string reason = std::strerror(error);
    if (error == ENOENT || error == ENODEV || error == ENXIO)
        return "cannot open " + path + " (" + reason +
               "): the kernel's uinput module is not loaded; load it with `modprobe uinput` "
               "(and list uinput in /etc/modules-load.d/ to load it at every start)";
    if (error == EACCES || error == EPERM)
        return "no permission to open " + path + " (" + reason +
               "): virtual joysticks need write access to it; run panelinkd as root, or install "
               "the opt-in udev rule 71-panelinkd-uinput.rules, which gives the group panelinkd "
               "access (see the README, \"Boards as joysticks\"); any member of that group can "
               "then inject input events";
    return "cannot open " + path + ": " + reason;
}

class UinputDevice : public VirtualDevice {
  public:
    UinputDevice(int fd, libevdev_uinput *device) : fd_(fd), device_(device) {}
    ~UinputDevice() override {
        libevdev_uinput_destroy(device_);
        ::close(fd_);
    }
    UinputDevice(const UinputDevice &) = delete;
    UinputDevice &operator=(const UinputDevice &) = delete;

    bool write(uint16_t type, uint16_t code, int32_t value) override {
        return libevdev_uinput_write_event(device_, type, code, value) == 0;
    }

    std::string node() const override {
        const char *node = libevdev_uinput_get_devnode(device_);
        return node != nullptr ? node : "(no event node yet)";
    }

  private:
    int fd_;
    libevdev_uinput *device_;
};

// The device's description, as libevdev copies it into the new device.
struct Description {
    Description() : device(libevdev_new()) {}
    ~Description() { libevdev_free(device); }
    Description(const Description &) = delete;
    Description &operator=(const Description &) = delete;
    libevdev *device;
};

void describe(libevdev *device, const DeviceLayout &layout, const std::string &phys) {
    libevdev_set_name(device, layout.name.c_str());
    libevdev_set_phys(device, phys.c_str());
    libevdev_set_id_bustype(device, BUS_VIRTUAL);
    libevdev_set_id_vendor(device, layout.vendor_id);
    libevdev_set_id_product(device, layout.product_id);
    libevdev_set_id_version(device, layout.version);
    libevdev_enable_event_type(device, EV_KEY);
    for (uint32_t i = 0; i < layout.button_count && i < kMaxButtonsPerDevice; ++i)
        libevdev_enable_event_code(device, EV_KEY, button_codes()[i], nullptr);
    for (const AxisLayout &axis : layout.axes) {
        if (axis.absolute) {
            input_absinfo info{};
            info.value = axis.initial;
            info.minimum = axis.minimum;
            info.maximum = axis.maximum;
            libevdev_enable_event_code(device, EV_ABS, axis.code, &info);
        } else {
            libevdev_enable_event_code(device, EV_REL, axis.code, nullptr);
        }
    }
}

} // namespace

UinputDeviceFactory::UinputDeviceFactory(std::string uinput_path)
    : uinput_path_(std::move(uinput_path)) {}

std::unique_ptr<VirtualDevice> UinputDeviceFactory::create(const DeviceLayout &layout,
                                                           const std::string &board_name) {
    Description description;
    if (description.device == nullptr)
        throw DeviceError("cannot describe the device \"" + layout.name + "\": out of memory");
    describe(description.device, layout, "panelinkd/" + board_name);

    const int fd = ::open(uinput_path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw DeviceError(access_advice(uinput_path_, errno));
    libevdev_uinput *device = nullptr;
    const int result = libevdev_uinput_create_from_device(description.device, fd, &device);
    if (result != 0) {
        ::close(fd);
        throw DeviceError("cannot create the device \"" + layout.name +
                          "\": " + std::strerror(-result));
    }
    return std::make_unique<UinputDevice>(fd, device);
}

std::optional<std::string> uinput_access_problem(const std::string &uinput_path) {
    const int fd = ::open(uinput_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return access_advice(uinput_path, errno);
    ::close(fd);
    return std::nullopt;
}

} // namespace panelinkd::joystick
