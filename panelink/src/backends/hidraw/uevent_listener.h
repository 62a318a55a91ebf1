// The kernel's device events for hidraw nodes, through libudev: udevd's own events once it has
// handled a node where udevd runs, the kernel's events otherwise.
#pragma once

#include <memory>
#include <string>

struct udev;
struct udev_monitor;

namespace panelink::platform::hidraw {

// What one received event says.
enum class UeventKind {
    None,    // nothing for us (another subsystem, an action we ignore, or nothing queued)
    Added,   // a hidraw node appeared
    Removed, // a hidraw node went away
    Lost     // the socket's queue overflowed: events were lost
};

struct Uevent {
    UeventKind kind = UeventKind::None;
    std::string node; // the node's name, e.g. "hidraw3"
};

// Room for bursts (a hub with many boards plugged at once) before the kernel drops events.
constexpr int kUeventBufferBytes = 4 * 1024 * 1024;

class UeventListener {
  public:
    // Listens from now on (events queue in the socket, up to about `buffer_bytes`, until
    // received). Null with errno set when no monitor can be had.
    static std::unique_ptr<UeventListener> open(int buffer_bytes);
    ~UeventListener();
    UeventListener(const UeventListener &) = delete;
    UeventListener &operator=(const UeventListener &) = delete;

    // Whether udevd delivers the events (each after its rules ran) rather than the kernel.
    bool from_udevd() const { return from_udevd_; }
    // Readable while events are queued.
    int fd() const;
    // The next queued event, without blocking.
    Uevent receive();

  private:
    UeventListener(struct udev *context, struct udev_monitor *monitor, bool from_udevd)
        : context_(context), monitor_(monitor), from_udevd_(from_udevd) {}

    struct udev *context_;
    struct udev_monitor *monitor_;
    bool from_udevd_;
};

// Whether udevd runs on this system: its control socket is there.
bool udevd_running();

} // namespace panelink::platform::hidraw
