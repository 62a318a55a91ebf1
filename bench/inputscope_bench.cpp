// The program's indicator update for a new report: the session decodes one poll into the 64
// indicators of the page and the encoder count, and the window's indicator grid and counter
// take the change, on a window that is never shown (Qt's offscreen platform).
// Every iteration gets a new report: half of the page's inputs turn over, and the encoder's
// clockwise and counter-clockwise inputs rise in turn (an encoder rocked back and forth).
#include <array>
#include <cstdint>
#include <cstring>

#include <QApplication>
#include <QtGlobal>
#include <benchmark/benchmark.h>

#include "input_session.h"
#include "main_window.h"
#include "support/allocation_counter.h"

namespace {

using Report = std::array<uint8_t, PANELINK_INPUT_STATES_SIZE>;

// One board of 256 inputs whose every poll decodes the report it is pointed at.
class ReportSource final : public PanelinkApi {
  public:
    const Report *next = nullptr;

    int32_t detectHid(int32_t *count, DeviceRecord *devices, int32_t) override {
        devices[0] = DeviceRecord{};
        devices[0].InputCount = 256;
        *count = 1;
        return 1;
    }
    int32_t readInputData(DeviceRecord *, uint8_t *inputStates, int32_t) override {
        std::memcpy(inputStates, next->data(), next->size());
        return PANELINK_READ_DECODED;
    }
    int32_t closeDevices(uint32_t, DeviceRecord *) override { return 1; }
    // No monitor: the window detects only on request.
    uint32_t monitorOpen(uint32_t) override { return 0; }
    int32_t monitorNext(uint32_t, PanelinkBoardEvent *, uint32_t) override {
        return PANELINK_MONITOR_CLOSED;
    }
    intptr_t monitorWaitHandle(uint32_t) override { return -1; }
    int32_t monitorClose(uint32_t) override { return 0; }
};

void BM_UpdateIndicatorsNewReport(benchmark::State &state) {
    ReportSource source;
    InputSession session(source);
    MainWindow window(session);
    session.detect();
    session.setClockwiseInput(5);
    session.setCounterClockwiseInput(6);

    std::array<Report, 2> reports{};
    for (int i = 0; i < InputSession::kPageInputs; ++i) {
        reports[0][i] = static_cast<uint8_t>(i % 2);
        reports[1][i] = static_cast<uint8_t>((i / 2) % 2 == 0 ? 1 : 0);
    }
    reports[1][5] = 1; // clockwise
    reports[0][5] = 0;
    reports[0][6] = 1; // counter-clockwise
    reports[1][6] = 0;
    // Past the first announcement of the report period, which lays out its text once.
    for (int poll = 0; poll <= InputSession::kPollsPerPeriodReport; ++poll) {
        source.next = &reports[poll & 1];
        session.poll();
    }

    uint64_t allocations = 0;
    size_t n = 0;
    for (auto _ : state) {
        source.next = &reports[n++ & 1];
        const uint64_t before = panelink::test::allocations();
        session.poll();
        allocations += panelink::test::allocations() - before;
    }
    state.counters["allocs/op"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_UpdateIndicatorsNewReport);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
