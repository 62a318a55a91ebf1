// The library's hidraw backend side by side with hidapi (Debian's libhidapi-hidraw) and with bare
// system calls, on the same 32 uhid boards in one run, in a guest with /dev/uhid:
//   - find and open the 32 boards;
//   - a poll with no report waiting;
//   - a poll that fetches one report (sent by the board just before, outside the timing);
//   - a write of one 65-byte output report.
// Find and open: the median of 5 rounds, the contenders taking turns in each. The hot calls: each
// contender on a board of its own (all open at once), taking turns block by block; the median of
// 15 blocks, so that a block slowed by the machine (an emulated CPU on a shared host) does not
// move the figure. The library runs as the process finds the kernel (io_uring rings where it gives
// them); the same figures on plain system calls come from a second run of this program with
// PANELINK_IO_URING=0 (--library-only prints just the library's row).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
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
constexpr int kRounds = 5;  // of find and open
constexpr int kBlocks = 15; // of the hot calls
constexpr int kIdlePolls = 2000;
// Fewer than the 64 reports hidraw queues per reader: the sends alone must queue every report
// (a full queue drops them, which costs the kernel less).
constexpr int kReportPolls = 50;
// Writes are timed in batches that the board's output queue holds (uhid keeps 32 events), and
// the board takes them between batches, outside the timing.
constexpr int kWriteBatch = 24;
constexpr int kWriteBatches = 8;
constexpr uint16_t kVendor = 0x12DA;

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

// One contender's calls on its own board: the library, hidapi, or bare system calls.
struct Contender {
    const char *name;
    int board;                                // the index of its board
    std::function<bool()> idle_poll;          // true when it found nothing
    std::function<bool()> report_poll;        // true when it fetched the report
    std::function<bool(uint8_t value)> write; // true when the report went out
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// One block of each hot call for one contender, added to its samples.
struct Samples {
    std::vector<double> idle_us, report_us, write_us;
    int odd = 0; // calls that gave another result than expected
};

void run_block(Boards &boards, const Contender &c, double overhead, Samples &samples) {
    auto start = Clock::now();
    for (int i = 0; i < kIdlePolls; ++i)
        samples.odd += c.idle_poll() ? 0 : 1;
    samples.idle_us.push_back((micros(Clock::now() - start) - overhead) / kIdlePolls);

    // A poll that fetches one report: what a loop of (board sends, poll) costs beyond a loop of
    // the sends alone, as a single call is too short for the clock of an emulated CPU.
    start = Clock::now();
    for (int i = 0; i < kReportPolls; ++i) {
        boards.send(c.board, static_cast<uint8_t>(i));
        samples.odd += c.report_poll() ? 0 : 1;
    }
    const double with_polls = micros(Clock::now() - start);
    start = Clock::now();
    for (int i = 0; i < kReportPolls; ++i)
        boards.send(c.board, static_cast<uint8_t>(i));
    const double sends = micros(Clock::now() - start);
    samples.report_us.push_back((with_polls - sends) / kReportPolls);
    // The sends alone left reports queued: the next block starts from an empty queue (the
    // library's poll discards the queue behind the report it decodes).
    for (int i = 0; i < kReportPolls + 1 && c.report_poll(); ++i) {
    }

    // Writes in batches that the board's output queue holds (uhid keeps 32 events); the board
    // takes them between batches, outside the timing.
    double total = 0;
    for (int batch = 0; batch < kWriteBatches; ++batch) {
        start = Clock::now();
        for (int i = 0; i < kWriteBatch; ++i)
            samples.odd += c.write(static_cast<uint8_t>(i)) ? 0 : 1;
        total += micros(Clock::now() - start) - overhead;
        boards.drain(c.board);
    }
    samples.write_us.push_back(total / (kWriteBatches * kWriteBatch));
}

// --- find and open the 32 boards, then close them: milliseconds for the first part ---

double find_open_library(int &odd) {
    static DeviceRecord records[64];
    int32_t count = 0;
    const auto start = Clock::now();
    const int32_t found = DetectHID(&count, records, PANELINK_MODE_STANDARD);
    const double ms = micros(Clock::now() - start) / 1000;
    odd += found == 1 && count == kBoards ? 0 : 1;
    CloseDevices(static_cast<uint32_t>(count), records);
    return ms;
}

double find_open_hidapi(int &odd) {
    std::vector<hid_device *> opened;
    const auto start = Clock::now();
    hid_device_info *list = hid_enumerate(kVendor, 0);
    for (hid_device_info *info = list; info != nullptr; info = info->next) {
        if (hid_device *device = hid_open_path(info->path))
            opened.push_back(device);
    }
    hid_free_enumeration(list);
    const double ms = micros(Clock::now() - start) / 1000;
    odd += opened.size() == kBoards ? 0 : 1;
    for (hid_device *device : opened)
        hid_close(device);
    return ms;
}

// The floor: list /dev and open every hidraw node, no identity looked at.
double find_open_bare(int &odd) {
    std::vector<int> opened;
    const auto start = Clock::now();
    if (DIR *dev = opendir("/dev")) {
        while (const dirent *entry = readdir(dev)) {
            if (std::strncmp(entry->d_name, "hidraw", 6) != 0)
                continue;
            const std::string node = std::string("/dev/") + entry->d_name;
            const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                opened.push_back(fd);
        }
        closedir(dev);
    }
    const double ms = micros(Clock::now() - start) / 1000;
    odd += opened.size() >= kBoards ? 0 : 1;
    for (int fd : opened)
        close(fd);
    return ms;
}

} // namespace

int main(int argc, char **argv) {
    const bool library_only = argc > 1 && std::strcmp(argv[1], "--library-only") == 0;
    Boards boards;
    if (!boards.plug())
        return 2;
    const double overhead = clock_overhead_us();
    hid_init();
    int odd = 0;

    // Find and open, the contenders taking turns in each round.
    std::vector<double> find_library, find_hidapi, find_bare;
    for (int round = 0; round < kRounds; ++round) {
        find_library.push_back(find_open_library(odd));
        if (library_only)
            continue;
        find_hidapi.push_back(find_open_hidapi(odd));
        find_bare.push_back(find_open_bare(odd));
    }

    // The hot calls: each contender on a board of its own, all open at once, taking turns
    // block by block.
    static DeviceRecord records[64];
    int32_t count = 0;
    DeviceRecord *record = nullptr;
    if (DetectHID(&count, records, PANELINK_MODE_STANDARD) == 1) {
        for (int i = 0; i < count; ++i) {
            const std::string path(records[i].DevicePath, records[i].DevicePathLength);
            if (path.rfind(boards.nodes[0] + "#", 0) == 0)
                record = &records[i];
        }
    }
    hid_device *device = hid_open_path(boards.nodes[1].c_str());
    const int fd = open(boards.nodes[2].c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (record == nullptr || device == nullptr || fd < 0) {
        std::fprintf(stderr, "the boards could not be opened for the hot calls\n");
        return 1;
    }
    hid_set_nonblocking(device, 1);
    static uint8_t states[PANELINK_INPUT_STATES_SIZE];
    static uint8_t buffer[65];
    static uint8_t output[68];
    ReadInputData(record, states, 0); // starts the poll's read
    std::vector<Contender> contenders = {
        {"panelink", 0, [&] { return ReadInputData(record, states, 0) == PANELINK_READ_PENDING; },
         [&] { return ReadInputData(record, states, 0) == PANELINK_READ_DECODED; },
         [&](uint8_t value) {
             output[1] = value;
             return WriteData(record, output) == 65;
         }},
        {"hidapi", 1, [&] { return hid_read(device, buffer, sizeof buffer) == 0; },
         [&] { return hid_read(device, buffer, sizeof buffer) == 64; },
         [&](uint8_t value) {
             output[1] = value;
             return hid_write(device, output, 65) == 65;
         }},
        {"bare", 2, [&] { return read(fd, buffer, sizeof buffer) < 0; },
         [&] { return read(fd, buffer, sizeof buffer) == 64; },
         [&](uint8_t value) {
             output[1] = value;
             return write(fd, output, 65) == 65;
         }},
    };
    if (library_only)
        contenders.resize(1);
    std::vector<Samples> samples(contenders.size());
    for (int block = 0; block < kBlocks; ++block) {
        for (size_t i = 0; i < contenders.size(); ++i) {
            const size_t turn = (i + static_cast<size_t>(block)) % contenders.size();
            run_block(boards, contenders[turn], overhead, samples[turn]);
        }
    }
    CloseDevices(static_cast<uint32_t>(count), records);
    hid_close(device);
    close(fd);
    hid_exit();

    const char *forced = getenv("PANELINK_IO_URING");
    const char *path =
        forced != nullptr && std::strcmp(forced, "0") == 0 ? "plain system calls" : "as found";
    std::printf("medians of %d rounds (find and open) and of %d blocks (the rest); clock pair "
                "%.3f us\n",
                kRounds, kBlocks, overhead);
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
    const auto of = [&](size_t who, std::vector<double> Samples::*figure) {
        return who < samples.size() ? median(samples[who].*figure) : 0.0;
    };
    row("Find and open 32 boards", median(find_library), median(find_hidapi), median(find_bare),
        "ms");
    row("Poll, no report waiting", of(0, &Samples::idle_us), of(1, &Samples::idle_us),
        of(2, &Samples::idle_us), "us");
    row("Poll that fetches one report", of(0, &Samples::report_us), of(1, &Samples::report_us),
        of(2, &Samples::report_us), "us");
    row("Write a 65-byte report", of(0, &Samples::write_us), of(1, &Samples::write_us),
        of(2, &Samples::write_us), "us");
    for (size_t i = 0; i < samples.size(); ++i)
        odd += samples[i].odd;
    if (odd != 0) {
        std::fprintf(stderr, "%d calls gave an unexpected result: the figures are not valid\n",
                     odd);
        return 1;
    }
    return 0;
}
