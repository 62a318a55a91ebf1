// The program's UpdateIndicators for a new report: the 64 indicators of the page recoloured and
// the encoder edges counted, on a window that is never shown (Qt's offscreen platform).
// Every iteration gets a new report: half of the page's inputs turn over, and the encoder's
// clockwise input rises every other report.
#include <array>
#include <cstdint>

#include <QApplication>
#include <QComboBox>
#include <QtGlobal>
#include <benchmark/benchmark.h>

#include "AppDeclarations.h"
#include "allocation_counter.h"
#include "frmMain.h"
#include "subs.h"

namespace {

void BM_UpdateIndicatorsNewReport(benchmark::State &state) {
    frmMain form;
    ResetAppState();
    int16_t first = 1;
    DrawInputPage(form, first);
    form.CWlist->setCurrentIndex(5);
    form.CCWlist->setCurrentIndex(6);
    int16_t index = SelectedDevice;

    std::array<std::array<uint8_t, kInputDataSize>, 2> reports{};
    for (int i = 0; i < kPageInputs; ++i) {
        reports[0][i] = static_cast<uint8_t>(i % 2);
        reports[1][i] = static_cast<uint8_t>((i / 2) % 2 == 0 ? 1 : 0);
    }
    reports[1][5] = 1;
    reports[0][5] = 0;

    uint64_t allocations = 0;
    size_t n = 0;
    for (auto _ : state) {
        InputData = reports[n++ & 1];
        const uint64_t before = bench::allocations();
        UpdateIndicators(form, index);
        allocations += bench::allocations() - before;
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
