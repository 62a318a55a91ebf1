// The board monitor over real hidraw nodes, measured in a guest with /dev/uhid: how long a
// plugged board takes to reach the caller, how often an idle monitor's thread wakes, and whether
// opening and closing monitors leaks descriptors or memory. Prints the figures; fails when an idle
// watch wakes or the cycles leave descriptors or more than 1 MiB of resident memory behind.
// With --udevd it starts udevd first, so that udevd's events are the ones followed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <panelink/panelink.h>

#include "kernel/support/udevd.h"
#include "support/report_descriptors.h"
#include "virtual_hid_device.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kMeasuredProduct = 0x0910; // plugged and unplugged in every round

std::unique_ptr<panelink::uhid::VirtualHidDevice> plug(uint16_t product) {
    panelink::uhid::Identity identity;
    identity.vendor = 0x12DA;
    identity.product = product;
    identity.name = "Bench board";
    identity.uniq = "B1";
    identity.phys = panelink::uhid::phys_for_interface(0);
    identity.descriptor = panelink::test::vendor_descriptor();
    std::string error;
    auto device = panelink::uhid::VirtualHidDevice::create(identity, error);
    if (device == nullptr)
        std::fprintf(stderr, "cannot create a uhid board: %s\n", error.c_str());
    return device;
}

// Waits for the next event and checks that it is `kind` for a board of `product`.
bool wait_for(uint32_t monitor, int32_t kind, uint16_t product) {
    PanelinkBoardEvent event{};
    const int32_t result = panelink_monitor_next(monitor, &event, 10000);
    if (result == PANELINK_MONITOR_EVENT && event.event == kind && event.product_id == product)
        return true;
    std::fprintf(stderr, "waited for a %s of %04x, got %d (event %d, %04x, %s)\n",
                 kind == PANELINK_BOARD_ARRIVED ? "arrival" : "departure", product, result,
                 event.event, event.product_id, event.path);
    return false;
}

double micros_since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// When the kernel started the device (UHID_START: its driver bound, the hidraw node follows).
bool started(panelink::uhid::VirtualHidDevice &device) {
    panelink::uhid::Event event;
    while (device.next_event(event, 5000)) {
        if (event.type == panelink::uhid::EventType::Start)
            return true;
    }
    return false;
}

void print_spread(const char *what, std::vector<double> &micros) {
    std::sort(micros.begin(), micros.end());
    std::printf("%s over %zu plugs: median %.0f us, worst %.0f us\n", what, micros.size(),
                micros[micros.size() / 2], micros.back());
}

// Microseconds from the uhid create to the arrival reaching the caller, `rounds` times, and for
// comparison to the kernel's start of the device.
bool arrival_latency(int rounds) {
    const uint32_t monitor = panelink_monitor_open(0);
    std::vector<double> arrivals, starts;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        auto device = plug(kMeasuredProduct);
        if (device == nullptr || !started(*device)) {
            std::fprintf(stderr, "the kernel did not start the device\n");
            return false;
        }
        starts.push_back(micros_since(start));
        if (!wait_for(monitor, PANELINK_BOARD_ARRIVED, kMeasuredProduct)) {
            panelink_monitor_close(monitor);
            return false;
        }
        arrivals.push_back(micros_since(start));
        device.reset();
        if (!wait_for(monitor, PANELINK_BOARD_LEFT, kMeasuredProduct)) {
            panelink_monitor_close(monitor);
            return false;
        }
    }
    panelink_monitor_close(monitor);
    print_spread("create to the kernel's device start", starts);
    print_spread("create to the arrival at the caller", arrivals);
    return true;
}

long task_switches(const std::string &task) {
    std::ifstream status("/proc/self/task/" + task + "/status");
    long total = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::atol(line.c_str() + line.find(':') + 1);
    }
    return total;
}

// Context switches of every thread but this one.
long other_threads_switches() {
    long total = 0;
    const std::string self = std::to_string(getpid());
    DIR *dir = opendir("/proc/self/task");
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] != '.' && self != entry->d_name)
            total += task_switches(entry->d_name);
    }
    closedir(dir);
    return total;
}

bool idle_wakeups(int seconds) {
    const uint32_t monitor = panelink_monitor_open(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the thread reaches its wait
    const long before = other_threads_switches();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long woken = other_threads_switches() - before;
    panelink_monitor_close(monitor);
    std::printf("idle monitor over %d s: %ld wake-ups of its thread\n", seconds, woken);
    return woken == 0;
}

int open_descriptors() {
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    while (const dirent *entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool open_close_cycles(int cycles) {
    auto cycle = [] {
        const uint32_t monitor = panelink_monitor_open(PANELINK_MONITOR_SNAPSHOT);
        panelink_monitor_close(monitor);
        return monitor != 0;
    };
    for (int i = 0; i < 20; ++i) // the first cycles allocate what stays (thread stacks, caches)
        cycle();
    const int fds = open_descriptors();
    const long rss = resident_kib();
    const auto start = Clock::now();
    for (int i = 0; i < cycles; ++i) {
        if (!cycle())
            return false;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const int fd_growth = open_descriptors() - fds;
    const long rss_growth = resident_kib() - rss;
    std::printf("%d monitor open/close cycles: %.0f us each, descriptors %+d, resident %+ld KiB "
                "(of %ld)\n",
                cycles, ms * 1000 / cycles, fd_growth, rss_growth, rss);
    return fd_growth == 0 && rss_growth <= 1024;
}

} // namespace

int main(int argc, char **argv) {
    const bool udevd = argc > 1 && std::strcmp(argv[1], "--udevd") == 0;
    panelink::test::kernel::Udevd daemon;
    if (udevd && !daemon.start()) {
        std::fprintf(stderr, "udevd did not start\n");
        return 2;
    }
    std::printf("events from %s\n",
                access("/run/udev/control", F_OK) == 0 ? "udevd" : "the kernel (no udevd)");
    // A board present during the cycles makes each snapshot open a node. Its node must exist
    // before the first monitor opens, or its arrival would come in the middle of a round.
    auto present = plug(0x0700);
    if (present == nullptr || present->hidraw_node(5000).empty()) {
        std::fprintf(stderr, "the present board got no hidraw node\n");
        return 2;
    }
    bool ok = arrival_latency(100);
    ok = idle_wakeups(10) && ok;
    ok = open_close_cycles(1000) && ok;
    present.reset();
    return ok ? 0 : 1;
}
