// The library's hot paths on virtual boards (manual clock, so no read ever times out):
// polls with and without a new report (also while another thread works a second board),
// decoding a 65-byte report, enumeration of 1 to 128 boards with its log, and parsing report
// descriptors. Every benchmark reports the heap allocations per operation ("allocs/op").
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "hid/report_descriptor.h"
#include "input_decoding.h"
#include "support/allocation_counter.h"
#include "support/report_descriptors.h"

namespace {

// The family's boards: vendor page, no report IDs, 64-byte input and output reports.
const std::vector<uint8_t> kBoardDescriptor = panelink::test::vendor_descriptor();

// Joystick without report IDs: 64 buttons in two fields of 32 and two 8-bit axes (11 bytes).
const std::vector<uint8_t> kJoystickDescriptor = {
    0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x20, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x20, 0x81, 0x02, 0x19, 0x21, 0x29, 0x40, 0x95, 0x20, 0x81, 0x02, 0x05, 0x01,
    0x09, 0x30, 0x09, 0x31, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0};

// A composite keyboard + consumer-control device with report IDs.
const std::vector<uint8_t> kCompositeDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15,
    0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x03,
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75,
    0x03, 0x91, 0x03, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00,
    0x29, 0x65, 0x81, 0x00, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00,
    0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x02, 0x81, 0x00, 0xC0};

void report_allocations(benchmark::State &state, uint64_t before) {
    state.counters["allocs/op"] =
        benchmark::Counter(static_cast<double>(panelink::test::allocations() - before),
                           benchmark::Counter::kAvgIterations);
}

std::string path_of(uint16_t product_id, int instance) {
    return "sim://bench/" + std::to_string(instance) + "#vid_12da&pid_" +
           (product_id == 0x0500 ? std::string("0500") : std::string("0250")) + "&mi_00";
}

int plug(uint16_t product_id, const std::vector<uint8_t> &descriptor, int instance) {
    const std::string path = path_of(product_id, instance);
    PanelinkSimInterface iface{};
    iface.vendor_id = PANELINK_VENDOR_ID_A;
    iface.product_id = product_id;
    iface.version_number = 0x0100;
    iface.path = path.c_str();
    iface.manufacturer = L"Maker";
    iface.product = L"Board";
    iface.serial_number = L"123";
    iface.report_descriptor = descriptor.data();
    iface.report_descriptor_length = descriptor.size();
    return panelink_sim_add(&iface);
}

// A fresh bus with one detected board, its first read already started.
struct OneBoard {
    std::vector<DeviceRecord> records = std::vector<DeviceRecord>(PANELINK_MAX_DEVICES + 1);
    int id = 0;
    uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};

    explicit OneBoard(bool joystick) {
        panelink_sim_enable(1);
        panelink_sim_reset();
        id = joystick ? plug(0x0250, kJoystickDescriptor, 0) : plug(0x0500, kBoardDescriptor, 0);
        int32_t count = 0;
        DetectHID(&count, records.data(), PANELINK_MODE_STANDARD);
        ReadInputData(&record(), states, 0);
    }
    ~OneBoard() { CloseDevices(1, records.data()); }
    DeviceRecord &record() { return records[0]; }
    std::vector<uint8_t> report() const {
        std::vector<uint8_t> r(records[0].InputReportByteLength, 0);
        for (size_t i = 1; i < r.size(); ++i)
            r[i] = static_cast<uint8_t>(0x5A ^ i);
        return r;
    }
};

void BM_PollNoNewReport(benchmark::State &state) {
    OneBoard board(false);
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state) {
        const int32_t result = ReadInputData(&board.record(), board.states, 0);
        benchmark::DoNotOptimize(result);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_PollNoNewReport);

// The same poll while another thread works a second board without pause: it polls it, the
// board sends it reports and it writes output reports to it. Both boards' calls go on at once,
// so this shows what the two threads' calls cost each other.
void BM_PollNoNewReportBesideBusyBoard(benchmark::State &state) {
    OneBoard board(false);
    const int second_id = plug(0x0500, kBoardDescriptor, 1);
    std::vector<DeviceRecord> second(PANELINK_MAX_DEVICES + 1);
    int32_t count = 0;
    DetectDevice(&count, second.data(), 0x0500, PANELINK_MODE_STANDARD);
    // Both boards are found again, the second one as record 1: its polls use DeviceIndex 1.
    DeviceRecord &neighbour = second[1];
    const std::vector<uint8_t> report = board.report();
    const std::vector<uint8_t> output(neighbour.OutputReportByteLength, 0x11);
    auto work = [&] {
        uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
        panelink_sim_push_input(second_id, report.data(), report.size());
        ReadInputData(&neighbour, states, 0);
        WriteData(&neighbour, output.data());
    };
    // Every place of the second board's input and output queues used once, so that the
    // neighbour allocates nothing while the poll is measured.
    for (int i = 0; i < 1100; ++i)
        work();
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> rounds{0};
    std::thread neighbour_thread([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            work();
            rounds.fetch_add(1, std::memory_order_relaxed);
        }
    });
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state) {
        const int32_t result = ReadInputData(&board.record(), board.states, 0);
        benchmark::DoNotOptimize(result);
    }
    report_allocations(state, before);
    stop = true;
    neighbour_thread.join();
    state.counters["neighbour rounds"] = static_cast<double>(rounds.load());
    CloseDevices(static_cast<uint32_t>(count), second.data());
}
BENCHMARK(BM_PollNoNewReportBesideBusyBoard)->UseRealTime();

// The board sends a report and the next poll decodes it. The virtual board's side of it (the
// push) is measured alone as BM_VirtualBoardSendsReport.
void poll_decoding(benchmark::State &state, bool joystick, int32_t packed) {
    OneBoard board(joystick);
    const std::vector<uint8_t> report = board.report();
    // Warm up every place of the virtual board's report queue.
    for (int i = 0; i < 64; ++i) {
        panelink_sim_push_input(board.id, report.data(), report.size());
        ReadInputData(&board.record(), board.states, packed);
    }
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state) {
        panelink_sim_push_input(board.id, report.data(), report.size());
        const int32_t result = ReadInputData(&board.record(), board.states, packed);
        if (result != PANELINK_READ_DECODED)
            state.SkipWithError("the poll did not decode the report");
        benchmark::DoNotOptimize(board.states);
    }
    report_allocations(state, before);
}

void BM_PollDecodeUnpacked(benchmark::State &state) {
    poll_decoding(state, false, 0);
}
void BM_PollDecodePacked(benchmark::State &state) {
    poll_decoding(state, false, 1);
}
void BM_PollDecodeJoystick(benchmark::State &state) {
    poll_decoding(state, true, 0);
}
BENCHMARK(BM_PollDecodeUnpacked);
BENCHMARK(BM_PollDecodePacked);
BENCHMARK(BM_PollDecodeJoystick);

void BM_VirtualBoardSendsReport(benchmark::State &state) {
    OneBoard board(false);
    const std::vector<uint8_t> report = board.report();
    for (int i = 0; i < 64; ++i)
        panelink_sim_push_input(board.id, report.data(), report.size());
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state)
        panelink_sim_push_input(board.id, report.data(), report.size());
    report_allocations(state, before);
}
BENCHMARK(BM_VirtualBoardSendsReport);

// The decoder alone on a report already read (it also discards the board's queued reports).
void decoding(benchmark::State &state, bool joystick, int32_t packed) {
    OneBoard board(joystick);
    const std::vector<uint8_t> report = board.report();
    panelink::decode_input_report(&board.record(), board.states, report.data(), report.size(),
                                  packed);
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state) {
        panelink::decode_input_report(&board.record(), board.states, report.data(), report.size(),
                                      packed);
        benchmark::DoNotOptimize(board.states);
    }
    report_allocations(state, before);
}

void BM_DecodeUnpacked(benchmark::State &state) {
    decoding(state, false, 0);
}
void BM_DecodePacked(benchmark::State &state) {
    decoding(state, false, 1);
}
void BM_DecodeJoystick(benchmark::State &state) {
    decoding(state, true, 0);
}
BENCHMARK(BM_DecodeUnpacked);
BENCHMARK(BM_DecodePacked);
BENCHMARK(BM_DecodeJoystick);

// DetectHID over N boards, log file included, then CloseDevices.
void BM_Enumerate(benchmark::State &state) {
    panelink_sim_enable(1);
    panelink_sim_reset();
    const int boards = static_cast<int>(state.range(0));
    for (int i = 0; i < boards; ++i)
        plug(0x0500, kBoardDescriptor, i);
    std::vector<DeviceRecord> records(PANELINK_MAX_DEVICES + 1);
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state) {
        int32_t count = 0;
        DetectHID(&count, records.data(), PANELINK_MODE_STANDARD);
        if (count != boards)
            state.SkipWithError("not every board was found");
        CloseDevices(static_cast<uint32_t>(count), records.data());
    }
    report_allocations(state, before);
}
BENCHMARK(BM_Enumerate)->Arg(1)->Arg(16)->Arg(128)->Unit(benchmark::kMillisecond);

void parsing(benchmark::State &state, const std::vector<uint8_t> &descriptor) {
    const uint64_t before = panelink::test::allocations();
    for (auto _ : state) {
        panelink::hid::ReportDescriptor parsed;
        const bool ok =
            panelink::hid::parse_report_descriptor(descriptor.data(), descriptor.size(), parsed);
        benchmark::DoNotOptimize(ok);
    }
    report_allocations(state, before);
}

void BM_ParseBoardDescriptor(benchmark::State &state) {
    parsing(state, kBoardDescriptor);
}
void BM_ParseJoystickDescriptor(benchmark::State &state) {
    parsing(state, kJoystickDescriptor);
}
void BM_ParseCompositeDescriptor(benchmark::State &state) {
    parsing(state, kCompositeDescriptor);
}
BENCHMARK(BM_ParseBoardDescriptor);
BENCHMARK(BM_ParseJoystickDescriptor);
BENCHMARK(BM_ParseCompositeDescriptor);

} // namespace

BENCHMARK_MAIN();
