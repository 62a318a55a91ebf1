#include "usb_gadget_board.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace panelink::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char kConfigfs[] = "/sys/kernel/config";
const char kGadgets[] = "/sys/kernel/config/usb_gadget";
const char kLanguage[] = "0x409"; // US English, the language of the texts

std::string errno_text(const std::string &what) {
    return what + ": " + std::strerror(errno);
}

std::string hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

// Writes a configfs or sysfs attribute in one write(), as the kernel expects.
bool write_attribute(const std::string &path, std::span<const uint8_t> value, std::string &error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno_text("cannot open " + path);
        return false;
    }
    ssize_t written = ::write(fd, value.data(), value.size());
    int saved = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(value.size())) {
        errno = written < 0 ? saved : EIO;
        error = errno_text("cannot write " + path);
        return false;
    }
    return true;
}

bool write_attribute(const std::string &path, const std::string &value, std::string &error) {
    return write_attribute(
        path, std::span(reinterpret_cast<const uint8_t *>(value.data()), value.size()), error);
}

// A sysfs attribute's text without its trailing newline; empty when it cannot be read.
std::string read_attribute(const fs::path &path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// The value of KEY=value in a uevent file.
std::string uevent_value(const fs::path &uevent, const std::string &key) {
    std::istringstream lines(read_attribute(uevent));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

bool ensure_configfs(std::string &error) {
    if (fs::exists(kGadgets))
        return true;
    if (::mount("none", kConfigfs, "configfs", 0, nullptr) != 0 && errno != EBUSY) {
        error = errno_text("cannot mount configfs on " + std::string(kConfigfs));
        return false;
    }
    if (!fs::exists(kGadgets)) {
        error = std::string(kGadgets) + " is missing: the libcomposite module is not loaded";
        return false;
    }
    return true;
}

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

} // namespace

std::unique_ptr<UsbGadgetBoard>
UsbGadgetBoard::create(const UsbGadgetIdentity &identity,
                       const std::vector<UsbGadgetInterface> &interfaces, std::string &error,
                       int wait_ms) {
    if (interfaces.empty()) {
        error = "a board needs at least one interface";
        return nullptr;
    }
    std::unique_ptr<UsbGadgetBoard> board(new UsbGadgetBoard());
    if (!ensure_configfs(error) || !board->build(identity, interfaces, error) ||
        !board->bind(error) || !board->find_host_side(identity, wait_ms, error) ||
        !board->open_gadget_nodes(error)) {
        board->remove();
        return nullptr;
    }
    return board;
}

UsbGadgetBoard::~UsbGadgetBoard() {
    remove();
}

bool UsbGadgetBoard::build(const UsbGadgetIdentity &identity,
                           const std::vector<UsbGadgetInterface> &interfaces, std::string &error) {
    static std::atomic<int> counter{0};
    gadget_dir_ = std::string(kGadgets) + "/panelink_" + std::to_string(::getpid()) + "_" +
                  std::to_string(counter++);
    auto make_dir = [&](const std::string &path) {
        if (::mkdir(path.c_str(), 0755) != 0) {
            error = errno_text("cannot create " + path);
            return false;
        }
        created_.push_back(path);
        return true;
    };
    const std::string strings = gadget_dir_ + "/strings/" + kLanguage;
    const std::string config = gadget_dir_ + "/configs/c.1";
    if (!make_dir(gadget_dir_) ||
        !write_attribute(gadget_dir_ + "/idVendor", hex4(identity.vendor), error) ||
        !write_attribute(gadget_dir_ + "/idProduct", hex4(identity.product), error) ||
        !write_attribute(gadget_dir_ + "/bcdDevice", hex4(identity.bcd_device), error) ||
        !write_attribute(gadget_dir_ + "/bcdUSB", "0x0200", error) || !make_dir(strings))
        return false;
    const std::pair<const char *, const std::optional<std::string> *> texts[] = {
        {"manufacturer", &identity.manufacturer},
        {"product", &identity.product_text},
        {"serialnumber", &identity.serial}};
    for (const auto &[name, text] : texts) {
        if (*text && !write_attribute(strings + "/" + name, **text, error))
            return false;
    }
    if (!make_dir(config) || !make_dir(config + "/strings/" + kLanguage) ||
        !write_attribute(config + "/strings/" + kLanguage + "/configuration", "panelink test",
                         error) ||
        !write_attribute(config + "/MaxPower", "100", error))
        return false;

    for (size_t i = 0; i < interfaces.size(); ++i) {
        const UsbGadgetInterface &wanted = interfaces[i];
        auto iface = std::make_unique<Interface>();
        iface->function_dir = gadget_dir_ + "/functions/hid.if" + std::to_string(i);
        const std::string link = config + "/hid.if" + std::to_string(i);
        if (!make_dir(iface->function_dir) ||
            !write_attribute(iface->function_dir + "/protocol", "0", error) ||
            !write_attribute(iface->function_dir + "/subclass", "0", error) ||
            !write_attribute(iface->function_dir + "/report_length",
                             std::to_string(wanted.report_length), error) ||
            !write_attribute(iface->function_dir + "/report_desc", wanted.report_descriptor, error))
            return false;
        if (!wanted.out_endpoint &&
            !write_attribute(iface->function_dir + "/no_out_endpoint", "1", error))
            return false;
        // Functions take their interface numbers in the order they are linked into the config.
        if (::symlink(iface->function_dir.c_str(), link.c_str()) != 0) {
            error = errno_text("cannot link " + iface->function_dir + " into " + config);
            return false;
        }
        created_.push_back(link);
        interfaces_.push_back(std::move(iface));
    }
    return true;
}

bool UsbGadgetBoard::bind(std::string &error) {
    std::vector<std::string> controllers;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator("/sys/class/udc", ec))
        controllers.push_back(entry.path().filename());
    std::sort(controllers.begin(), controllers.end());
    for (const std::string &controller : controllers) {
        std::string bind_error;
        if (write_attribute(gadget_dir_ + "/UDC", controller, bind_error)) {
            udc_ = controller;
            return true;
        }
        if (errno != EBUSY) {
            error = bind_error;
            return false;
        }
    }
    error = controllers.empty()
                ? "no USB device controller: the dummy_hcd module is not loaded"
                : "every USB device controller is in use (dummy_hcd num=N makes more)";
    return false;
}

bool UsbGadgetBoard::find_host_side(const UsbGadgetIdentity &identity, int wait_ms,
                                    std::string &error) {
    // dummy_udc.N pairs with the host controller dummy_hcd.N, under which our device appears.
    std::string controller_part;
    if (udc_.rfind("dummy_udc.", 0) == 0)
        controller_part = "/dummy_hcd." + udc_.substr(std::strlen("dummy_udc.")) + "/";
    auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    for (;;) {
        size_t found = 0;
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator("/sys/class/hidraw", ec)) {
            fs::path hid = fs::canonical(entry.path() / "device", ec);
            if (ec)
                continue;
            fs::path usb_interface = hid.parent_path();
            fs::path usb_device = usb_interface.parent_path();
            if (!controller_part.empty() &&
                usb_device.string().find(controller_part) == std::string::npos)
                continue;
            if (read_attribute(usb_device / "idVendor") != hex4(identity.vendor).substr(2) ||
                read_attribute(usb_device / "idProduct") != hex4(identity.product).substr(2) ||
                (identity.serial && read_attribute(usb_device / "serial") != *identity.serial))
                continue;
            std::string number = read_attribute(usb_interface / "bInterfaceNumber");
            if (number.empty())
                continue;
            size_t index = std::stoul(number, nullptr, 16);
            if (index < interfaces_.size()) {
                interfaces_[index]->hidraw_node = "/dev/" + entry.path().filename().string();
                usb_device_path_ = usb_device.string();
            }
        }
        for (const auto &iface : interfaces_)
            found += !iface->hidraw_node.empty() && fs::exists(iface->hidraw_node);
        if (found == interfaces_.size())
            return true;
        if (Clock::now() >= deadline) {
            error = "the host side did not show a hidraw node for every interface within " +
                    std::to_string(wait_ms) + " ms (are usbhid and hid-generic loaded?)";
            return false;
        }
        ::usleep(10000);
    }
}

bool UsbGadgetBoard::open_gadget_nodes(std::string &error) {
    auto deadline = Clock::now() + std::chrono::seconds(5);
    for (const auto &iface : interfaces_) {
        std::string numbers = read_attribute(iface->function_dir + "/dev");
        std::string name = uevent_value("/sys/dev/char/" + numbers + "/uevent", "DEVNAME");
        if (name.empty()) {
            error = "no device node for " + iface->function_dir;
            return false;
        }
        iface->gadget_node = "/dev/" + name;
        // devtmpfs makes the node a moment after the device appears.
        while ((iface->gadget_fd =
                    ::open(iface->gadget_node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0 &&
               errno == ENOENT && Clock::now() < deadline)
            ::usleep(10000);
        if (iface->gadget_fd < 0) {
            error = errno_text("cannot open " + iface->gadget_node);
            return false;
        }
    }
    return true;
}

const std::string &UsbGadgetBoard::hidraw_node(size_t interface) const {
    return interfaces_.at(interface)->hidraw_node;
}

const std::string &UsbGadgetBoard::gadget_node(size_t interface) const {
    return interfaces_.at(interface)->gadget_node;
}

bool UsbGadgetBoard::write_input(size_t interface, std::span<const uint8_t> report, int timeout_ms,
                                 std::string &error) {
    Interface &iface = *interfaces_.at(interface);
    pollfd ready{iface.gadget_fd, POLLOUT, 0};
    int polled = ::poll(&ready, 1, timeout_ms);
    if (polled < 0) {
        error = errno_text("poll " + iface.gadget_node);
        return false;
    }
    if (polled == 0) {
        error = "the host did not take the previous input report within " +
                std::to_string(timeout_ms) + " ms (is its hidraw node open?)";
        return false;
    }
    ssize_t written = ::write(iface.gadget_fd, report.data(), report.size());
    if (written != static_cast<ssize_t>(report.size())) {
        error = written < 0
                    ? errno_text("write " + iface.gadget_node)
                    : "short write to " + iface.gadget_node + ": " + std::to_string(written) +
                          " of " + std::to_string(report.size()) + " bytes";
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> UsbGadgetBoard::read_output(size_t interface, int timeout_ms) {
    Interface &iface = *interfaces_.at(interface);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        pollfd ready{iface.gadget_fd, POLLIN, 0};
        if (::poll(&ready, 1, remaining_ms(deadline)) <= 0)
            return std::nullopt;
        std::vector<uint8_t> report(4096);
        ssize_t got = ::read(iface.gadget_fd, report.data(), report.size());
        if (got >= 0) {
            report.resize(static_cast<size_t>(got));
            return report;
        }
        if (errno != EAGAIN && errno != EINTR)
            return std::nullopt;
    }
}

size_t UsbGadgetBoard::discard_outputs(size_t interface) {
    size_t count = 0;
    while (read_output(interface, 0))
        ++count;
    return count;
}

void UsbGadgetBoard::take_outputs_continuously(size_t interface) {
    Interface &iface = *interfaces_.at(interface);
    if (iface.taker.joinable())
        return;
    iface.taker = std::thread([this, interface, &iface] {
        while (!stopping_) {
            if (auto report = read_output(interface, 100)) {
                std::lock_guard lock(iface.taken_mutex);
                iface.taken.push_back(std::move(*report));
            }
        }
    });
}

std::vector<std::vector<uint8_t>> UsbGadgetBoard::taken(size_t interface) {
    Interface &iface = *interfaces_.at(interface);
    std::lock_guard lock(iface.taken_mutex);
    return std::exchange(iface.taken, {});
}

void UsbGadgetBoard::stop_takers() {
    stopping_ = true;
    for (const auto &iface : interfaces_) {
        if (iface->taker.joinable())
            iface->taker.join();
    }
}

bool UsbGadgetBoard::remove() {
    bool ok = true;
    stop_takers();
    std::string error;
    if (!udc_.empty()) {
        ok = write_attribute(gadget_dir_ + "/UDC", "\n", error);
        udc_.clear();
        // The host side notices the unplug on its own worker: wait until the device is gone.
        auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!usb_device_path_.empty() && fs::exists(usb_device_path_) && Clock::now() < deadline)
            ::usleep(10000);
    }
    for (const auto &iface : interfaces_) {
        if (iface->gadget_fd >= 0)
            ::close(iface->gadget_fd);
        iface->gadget_fd = -1;
    }
    for (auto entry = created_.rbegin(); entry != created_.rend(); ++entry) {
        struct stat info {};
        bool is_link = ::lstat(entry->c_str(), &info) == 0 && S_ISLNK(info.st_mode);
        if ((is_link ? ::unlink(entry->c_str()) : ::rmdir(entry->c_str())) != 0)
            ok = false;
    }
    created_.clear();
    return ok;
}

} // namespace panelink::test
