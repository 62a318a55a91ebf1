// The library's hidraw backend side by side with hidapi (Debian's libhidapi-hidraw) and with bare
// system calls, on the same 32 uhid boards in one run, in a guest with /dev/uhid:
//   - find and open the 32 boards;
//   - a poll with no report waiting;
//   - a poll that fetches one report (sent by the board just before, outside the timing);
//   - a write of one 65-byte output report.
// Each figure is the mean of three rounds, the three contenders taking turns within each round.
// The library runs as the process finds the kernel (io_uring rings where it gives them); the
// same figures on plain system calls come from a second run of this program with
// PANELINK_IO_URING=0 (--library-only prints just the library's row).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <hidapi/hidapi.h>
#include <panelink/panelink.h>

#include "support/report_descriptors.h"
#include "virtual_hid_device.h"

namespace {

using Clock = std::chrono::steady_clock;
using panelink::uhid::VirtualHidDevice;

constexpr int kBoards = 32;
constexpr int kRounds = 3;
constexpr int kIdlePolls = 20000;
constexpr int kReportPolls = 2000;
// Writes are timed in batches that the board's output queue holds (uhid keeps 32 events), and
// the board takes them between batches, outside the timing.
constexpr int kWriteBatch = 24;
constexpr int kWriteBatches = 80;
constexpr uint16_t kVendor = 0x12DA;

struct Figures {
    double find_open_ms = 0;
    double idle_poll_us = 0;
    double report_poll_us = 0;
    double write_us = 0;
    bool ok = true;
    // Calls that gave another result than expected, by kind.
    int odd_find = 0, odd_idle = 0, odd_report = 0, odd_write = 0;
};

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// What one pair of clock reads costs (a system call under an emulated CPU): figures come from
// whole loops or batches, never from single calls, and this is taken off each batch.
double clock_overhead_us() {
    const int samples = 10000;
    Clock::duration total{};
    for (int i = 0; i < samples; ++i) {
        const auto start = Clock::now();
        total += Clock::now() - start;
    }
    return micros(total) / samples;
}

struct Boards {
    std::vector<std::unique_ptr<VirtualHidDevice>> devices;
    std::vector<std::string> nodes;

    bool plug() {
        for (int i = 0; i < kBoards; ++i) {
            panelink::uhid::Identity identity;
            identity.vendor = kVendor;
            identity.product = 0x0700; // a board the library knows, told apart by its serial
            identity.name = "Bench board";
            identity.uniq = "B" + std::to_string(i);
            identity.phys = panelink::uhid::phys_for_interface(0);
            identity.descriptor = panelink::test::vendor_descriptor();
            std::string error;
            auto device = VirtualHidDevice::create(identity, error);
            if (device == nullptr) {
                std::fprintf(stderr, "cannot create a uhid board: %s\n", error.c_str());
                return false;
            }
            nodes.push_back(device->hidraw_node(10000));
            if (nodes.back().empty()) {
                std::fprintf(stderr, "board %d got no hidraw node\n", i);
                return false;
            }
            devices.push_back(std::move(device));
        }
        return true;
    }

    // Takes the output reports the kernel passed on, outside the timing.
    void drain(int board) {
        panelink::uhid::Event event;
        while (devices[board]->next_event(event, 0)) {
        }
    }
    void send(int board, uint8_t value) {
        std::vector<uint8_t> report(64, value);
        devices[board]->send_input(report.data(), report.size());
    }
};

// A poll that fetches one report, as what a loop of (board sends, poll) costs beyond a loop of
// the sends alone: a single call is too short for the clock under an emulated CPU.
template <typename Poll> double report_poll_us(Boards &boards, Poll poll, int &odd) {
    auto start = Clock::now();
    for (int i = 0; i < kReportPolls; ++i) {
        boards.send(0, static_cast<uint8_t>(i));
        odd += poll() ? 0 : 1;
    }
    const double with_polls = micros(Clock::now() - start);
    start = Clock::now();
    for (int i = 0; i < kReportPolls; ++i)
        boards.send(0, static_cast<uint8_t>(i));
    const double sends = micros(Clock::now() - start);
    return (with_polls - sends) / kReportPolls;
}

// One write, from batches of writes the board takes between batches.
template <typename Write> double write_us(Boards &boards, Write write, double overhead, int &odd) {
    double total = 0;
    for (int batch = 0; batch < kWriteBatches; ++batch) {
        const auto start = Clock::now();
        for (int i = 0; i < kWriteBatch; ++i)
            odd += write(static_cast<uint8_t>(i)) ? 0 : 1;
        total += micros(Clock::now() - start) - overhead;
        boards.drain(0);
    }
    return total / (kWriteBatches * kWriteBatch);
}

// --- the library, through its exports ---

Figures measure_library(Boards &boards, double overhead) {
    Figures figures;
    int32_t count = 0;
    static DeviceRecord records[64];
    auto start = Clock::now();
    const int32_t found = DetectHID(&count, records, PANELINK_MODE_STANDARD);
    figures.find_open_ms = micros(Clock::now() - start) / 1000;
    if (found != 1 || count != kBoards) {
        std::fprintf(stderr, "the library found %d boards\n", count);
        figures.ok = false;
        figures.odd_find = 1;
        return figures;
    }
    DeviceRecord *record = nullptr;
    for (int i = 0; i < count; ++i) {
        const std::string path(records[i].DevicePath, records[i].DevicePathLength);
        if (path.rfind(boards.nodes[0] + "#", 0) == 0)
            record = &records[i];
    }
    uint8_t states[PANELINK_INPUT_STATES_SIZE];
    if (record == nullptr || ReadInputData(record, states, 0) != PANELINK_READ_PENDING) {
        figures.ok = false;
        return figures;
    }
    start = Clock::now();
    for (int i = 0; i < kIdlePolls; ++i)
        figures.odd_idle += ReadInputData(record, states, 0) == PANELINK_READ_PENDING ? 0 : 1;
    figures.idle_poll_us = micros(Clock::now() - start) / kIdlePolls;

    // The report is there when the send returns (the kernel completes the ring's read, or
    // queues the report for read(), before its write returns): one poll decodes it.
    figures.report_poll_us = report_poll_us(
        boards, [&] { return ReadInputData(record, states, 0) == PANELINK_READ_DECODED; },
        figures.odd_report);
    uint8_t output[68] = {};
    figures.write_us = write_us(
        boards,
        [&](uint8_t value) {
            output[1] = value;
            return WriteData(record, output) == 65;
        },
        overhead, figures.odd_write);
    CloseDevices(static_cast<uint32_t>(count), records);
    return figures;
}

// --- hidapi ---

Figures measure_hidapi(Boards &boards, double overhead) {
    Figures figures;
    std::vector<hid_device *> opened;
    hid_device *first = nullptr;
    auto start = Clock::now();
    hid_device_info *list = hid_enumerate(kVendor, 0);
    for (hid_device_info *info = list; info != nullptr; info = info->next) {
        hid_device *device = hid_open_path(info->path);
        if (device != nullptr)
            opened.push_back(device);
        if (device != nullptr && boards.nodes[0] == info->path)
            first = device;
    }
    hid_free_enumeration(list);
    figures.find_open_ms = micros(Clock::now() - start) / 1000;
    if (opened.size() != kBoards || first == nullptr) {
        std::fprintf(stderr, "hidapi opened %zu boards\n", opened.size());
        figures.ok = false;
    } else {
        hid_set_nonblocking(first, 1);
        uint8_t buffer[65];
        start = Clock::now();
        for (int i = 0; i < kIdlePolls; ++i)
            figures.odd_idle += hid_read(first, buffer, sizeof buffer) == 0 ? 0 : 1;
        figures.idle_poll_us = micros(Clock::now() - start) / kIdlePolls;

        figures.report_poll_us = report_poll_us(
            boards, [&] { return hid_read(first, buffer, sizeof buffer) == 64; },
            figures.odd_report);
        uint8_t output[65] = {};
        figures.write_us = write_us(
            boards,
            [&](uint8_t value) {
                output[1] = value;
                return hid_write(first, output, sizeof output) == 65;
            },
            overhead, figures.odd_write);
    }
    for (hid_device *device : opened)
        hid_close(device);
    return figures;
}

// --- bare system calls: list /dev and open, read() and write() ---

Figures measure_bare(Boards &boards, double overhead) {
    Figures figures;
    std::vector<int> opened;
    int first = -1;
    auto start = Clock::now();
    if (DIR *dev = opendir("/dev")) {
        while (const dirent *entry = readdir(dev)) {
            if (std::strncmp(entry->d_name, "hidraw", 6) != 0)
                continue;
            const std::string node = std::string("/dev/") + entry->d_name;
            const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                opened.push_back(fd);
            if (fd >= 0 && node == boards.nodes[0])
                first = fd;
        }
        closedir(dev);
    }
    figures.find_open_ms = micros(Clock::now() - start) / 1000;
    if (opened.size() < kBoards || first < 0) {
        figures.ok = false;
    } else {
        uint8_t buffer[64];
        start = Clock::now();
        for (int i = 0; i < kIdlePolls; ++i)
            figures.odd_idle += read(first, buffer, sizeof buffer) < 0 ? 0 : 1;
        figures.idle_poll_us = micros(Clock::now() - start) / kIdlePolls;

        figures.report_poll_us = report_poll_us(
            boards, [&] { return read(first, buffer, sizeof buffer) == 64; }, figures.odd_report);
        uint8_t output[65] = {};
        figures.write_us = write_us(
            boards,
            [&](uint8_t value) {
                output[1] = value;
                return write(first, output, sizeof output) == 65;
            },
            overhead, figures.odd_write);
    }
    for (int fd : opened)
        close(fd);
    return figures;
}

void add(Figures &sum, const Figures &one) {
    sum.find_open_ms += one.find_open_ms / kRounds;
    sum.idle_poll_us += one.idle_poll_us / kRounds;
    sum.report_poll_us += one.report_poll_us / kRounds;
    sum.write_us += one.write_us / kRounds;
    sum.ok = sum.ok && one.ok;
    sum.odd_find += one.odd_find;
    sum.odd_idle += one.odd_idle;
    sum.odd_report += one.odd_report;
    sum.odd_write += one.odd_write;
}

} // namespace

int main(int argc, char **argv) {
    const bool library_only = argc > 1 && std::strcmp(argv[1], "--library-only") == 0;
    Boards boards;
    if (!boards.plug())
        return 2;
    const double overhead = clock_overhead_us();
    hid_init();
    Figures library, hidapi, bare;
    for (int round = 0; round < kRounds; ++round) {
        add(library, measure_library(boards, overhead));
        if (library_only)
            continue;
        add(hidapi, measure_hidapi(boards, overhead));
        add(bare, measure_bare(boards, overhead));
    }
    hid_exit();
    const char *forced = getenv("PANELINK_IO_URING");
    const char *path =
        forced != nullptr && std::strcmp(forced, "0") == 0 ? "plain system calls" : "as found";
    std::printf("clock pair (taken off each batch of writes): %.3f us\n", overhead);
    std::printf("| Call | panelink (%s) | hidapi | bare syscalls | panelink / hidapi |\n", path);
    std::printf("|---|---|---|---|---|\n");
    const auto row = [&](const char *call, double ours, double theirs, double floor,
                         const char *unit) {
        if (library_only)
            std::printf("| %s | %.2f %s | | | |\n", call, ours, unit);
        else
            std::printf("| %s | %.2f %s | %.2f %s | %.2f %s | %.2f |\n", call, ours, unit, theirs,
                        unit, floor, unit, ours / theirs);
    };
    row("Find and open 32 boards", library.find_open_ms, hidapi.find_open_ms, bare.find_open_ms,
        "ms");
    row("Poll, no report waiting", library.idle_poll_us, hidapi.idle_poll_us, bare.idle_poll_us,
        "us");
    row("Poll that fetches one report", library.report_poll_us, hidapi.report_poll_us,
        bare.report_poll_us, "us");
    row("Write a 65-byte report", library.write_us, hidapi.write_us, bare.write_us, "us");
    const auto odd = [](const char *who, const Figures &f) {
        if (f.odd_find + f.odd_idle + f.odd_report + f.odd_write != 0)
            std::fprintf(stderr,
                         "%s: unexpected results: find %d, idle polls %d, report polls %d, "
                         "writes %d\n",
                         who, f.odd_find, f.odd_idle, f.odd_report, f.odd_write);
        return f.odd_find + f.odd_idle + f.odd_report + f.odd_write != 0;
    };
    const bool library_odd = odd("panelink", library);
    const bool others_odd = !library_only && (odd("hidapi", hidapi) | odd("bare", bare));
    if (!library.ok || library_odd || (!library_only && (!hidapi.ok || !bare.ok || others_odd))) {
        std::fprintf(stderr, "a call gave an unexpected result: the figures are not valid\n");
        return 1;
    }
    return 0;
}
