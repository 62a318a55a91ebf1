// outputscope's two costs a user feels, on a virtual board of the real library (real clock),
// with the window never shown (Qt's offscreen platform):
//   - from a click on a panel's send button to the report reaching the board, with the
//     recorder (as the program runs) and without it (the library call alone);
//   - the processor time the program takes while a lamp test chases 15 outputs at 20 ms a step,
//     as a share of one core.
#include <array>
#include <ctime>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <benchmark/benchmark.h>

#include <panelink/simulation.h>

#include "lamp_panel.h"
#include "main_window.h"
#include "output_session.h"
#include "panelink_library.h"
#include "report_recorder.h"
#include "support/report_descriptors.h"

namespace {

PanelinkLibrary &Library() {
    static PanelinkLibrary library(
        [](const QString &message) { qFatal("%s", qPrintable(message)); });
    return library;
}

template <typename Function> Function Bind(const char *name) {
    return reinterpret_cast<Function>(Library().resolve(name));
}

ReportRecorder &Recorder() {
    static ReportRecorder recorder(PanelinkLibrary::candidateFiles());
    return recorder;
}

const std::vector<unsigned char> kDescriptor = panelink::test::vendor_descriptor();

// A fresh bus with one board on the real clock; returns the board's id.
int PlugInBoard() {
    Bind<decltype(&panelink_sim_enable)>("panelink_sim_enable")(0);
    Bind<decltype(&panelink_sim_reset)>("panelink_sim_reset")();
    PanelinkSimInterface board{};
    board.vendor_id = PANELINK_VENDOR_ID_A;
    board.product_id = 0x0500;
    board.path = "bench/board";
    board.manufacturer = L"bench";
    board.product = L"Halcyon-256 USB MODULE";
    board.serial_number = L"001";
    board.report_descriptor = kDescriptor.data();
    board.report_descriptor_length = kDescriptor.size();
    return Bind<decltype(&panelink_sim_add)>("panelink_sim_add")(&board);
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void BM_ClickToBoard(benchmark::State &state) {
    const int board = PlugInBoard();
    const bool recorded = state.range(0) != 0;
    OutputSession session(Library(), recorded ? &Recorder() : nullptr);
    MainWindow window(session);
    session.detect();
    QWidget *panel = window.panel(MainWindow::DigitsPanelTab);
    panel->findChild<QLineEdit *>(QStringLiteral("digitsText"))->setText(QStringLiteral("-12.5"));
    auto *send = panel->findChild<QPushButton *>(QStringLiteral("sendDigits"));
    auto pop = Bind<decltype(&panelink_sim_pop_output)>("panelink_sim_pop_output");
    std::array<unsigned char, 65> report{};
    for (auto _ : state) {
        send->click();
        if (pop(board, report.data(), report.size()) != report.size())
            state.SkipWithError("the report did not reach the board");
    }
    state.SetLabel(recorded ? "with the recorder" : "library call only");
}
BENCHMARK(BM_ClickToBoard)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_LampTestCpu(benchmark::State &state) {
    PlugInBoard();
    OutputSession session(Library(), &Recorder());
    MainWindow window(session);
    session.detect();
    auto *lamps = qobject_cast<LampPanel *>(window.panel(MainWindow::DirectPanel));
    lamps->findChild<QSpinBox *>(QStringLiteral("lampTestInterval"))->setValue(20);
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        lamps->toggleLampTest();
        while (lamps->isLampTestRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        cpu += ProcessCpuSeconds() - cpuStart;
        wall += static_cast<double>(clock.nsecsElapsed()) / 1e9;
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["seconds_per_test"] =
        wall / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}
BENCHMARK(BM_LampTestCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
