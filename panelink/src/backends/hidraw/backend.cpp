// The hidraw backend, the platform's own on Linux: the interface walk over sysfs, opening device
// nodes, the monotonic clock and errno-based errors. Device I/O is in device.cpp, the board watch
// in board_watch.cpp.
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "backends/hidraw/backend.h"
#include "backends/hidraw/board_watch.h"
#include "backends/hidraw/clock.h"
#include "backends/hidraw/device.h"
#include "backends/hidraw/errors.h"
#include "backends/hidraw/sysfs.h"
#include "backends/process_environment.h"

namespace panelink::platform {
namespace hidraw {
namespace {

std::string environment_or(const char *name, const char *fallback) {
    const char *value = library_variable(name);
    return value != nullptr ? value : fallback;
}

class HidrawBackend final : public Backend {
  public:
    // Without fixed roots the environment is read at each walk and open, so a process can point
    // the backend at another tree before it enumerates.
    explicit HidrawBackend(std::optional<Roots> fixed) : fixed_(std::move(fixed)) {}

    bool begin_walk() override {
        walk_roots_ = roots();
        int error = 0;
        if (!list_hidraw_nodes(walk_roots_.sysfs, nodes_, error)) {
            set_last_error(error);
            return false;
        }
        return true;
    }

    WalkStep walk_interface(uint32_t index, std::string &path) override {
        if (index >= nodes_.size())
            return WalkStep::End;
        InterfaceInfo info;
        int error = 0;
        if (!read_interface_info(walk_roots_.sysfs, nodes_[index], info, error)) {
            set_last_error(error);
            return WalkStep::DetailFailed;
        }
        path = interface_path(walk_roots_.dev, nodes_[index], info);
        return WalkStep::Found;
    }

    void end_walk() override { nodes_.clear(); }

    std::unique_ptr<Device> open(const char *path) override {
        if (path == nullptr) {
            set_last_error(EINVAL);
            return nullptr;
        }
        return open_device(path, roots().sysfs);
    }

    std::unique_ptr<BoardWatch> watch_boards(BoardEventSink &sink, BoardFilter filter,
                                             std::vector<BoardArrival> &present) override {
        return start_board_watch(roots(), sink, filter, present);
    }

    // Only the polled reads' time-out asks, on every poll: a tick's precision is ample.
    uint64_t now_ms() override { return coarse_monotonic_ms(); }

    uint32_t last_error() override { return hidraw::last_error(); }

    std::string error_text(uint32_t code) override { return hidraw::error_text(code); }

  private:
    Roots roots() const { return fixed_ ? *fixed_ : roots_from_environment(); }

    std::optional<Roots> fixed_;
    Roots walk_roots_;
    std::vector<std::string> nodes_; // the walk's snapshot, in node order
};

} // namespace

Roots roots_from_environment() {
    return Roots{environment_or("PANELINK_SYSFS_ROOT", "/sys"),
                 environment_or("PANELINK_DEV_ROOT", "/dev")};
}

std::unique_ptr<Backend> make_backend(Roots roots) {
    return std::make_unique<HidrawBackend>(std::move(roots));
}

} // namespace hidraw

Backend &native_backend() {
    static hidraw::HidrawBackend backend{std::nullopt};
    return backend;
}

} // namespace panelink::platform
