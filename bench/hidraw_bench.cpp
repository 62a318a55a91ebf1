// The hidraw backend's poll and write against the system calls underneath them. A FIFO stands in
// for the device node (in a throw-away sysfs and /dev tree), and in the same run, iteration by
// iteration, the library's ReadInputData and a bare non-blocking read() are timed on FIFOs of
// the same kind (two: the library keeps a read in flight, which would take the bare side's
// reports): with no report waiting, and with one 64-byte report written just before. The
// library's WriteData is timed against a bare write() the same way. The ratio of the two is
// reported as the counter "ratio".
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>
#include <panelink/panelink.h>

#include "backends/hidraw/backend.h"
#include "handle_table.h"
#include "support/allocation_counter.h"
#include "support/report_descriptors.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The family's boards: vendor page, no report IDs, 64-byte input and output reports.
const std::vector<uint8_t> kBoardDescriptor = panelink::test::vendor_descriptor();

void write_file(const fs::path &path, const std::string &contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

// One board interface whose node is a FIFO, opened through the hidraw backend and registered
// as the library opens boards; `board` is the board's side of the FIFO, `bare` a second
// reading end for the bare read().
class FifoBoard {
  public:
    FifoBoard() {
        char name[] = "/tmp/panelink-bench-XXXXXX";
        root_ = mkdtemp(name);
        const fs::path hid = root_ + "/sys/devices/virtual/misc/uhid/0003:12DA:0500.0001";
        write_file(hid / "uevent", "DRIVER=hid-generic\nHID_ID=0003:000012DA:00000500\n"
                                   "HID_NAME=Bench board\nHID_PHYS=phys\nHID_UNIQ=\n");
        write_file(hid / "report_descriptor",
                   std::string(kBoardDescriptor.begin(), kBoardDescriptor.end()));
        fs::create_directories(hid / "hidraw" / "hidraw0");
        fs::create_directory_symlink("../..", hid / "hidraw" / "hidraw0" / "device");
        fs::create_directories(root_ + "/sys/class/hidraw");
        fs::create_directory_symlink(hid / "hidraw" / "hidraw0",
                                     root_ + "/sys/class/hidraw/hidraw0");
        fs::create_directories(root_ + "/dev");
        const std::string node = root_ + "/dev/hidraw0";
        mkfifo(node.c_str(), 0600);
        board = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        const std::string bare_node = root_ + "/bare";
        mkfifo(bare_node.c_str(), 0600);
        bare_board = open(bare_node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        bare = open(bare_node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);

        backend_ = panelink::platform::hidraw::make_backend({root_ + "/sys", root_ + "/dev"});
        record.Handle =
            panelink::register_device(backend_->open((node + "#vid_12da&pid_0500&mi_00").c_str()));
        record.InputReportByteLength = 65;
        record.OutputReportByteLength = 65;
        record.Usage = 1;
        record.UsagePage = 0xFF00;
        record.DeviceIndex = 0;
    }
    ~FifoBoard() {
        CloseDevices(1, &record);
        close(board);
        close(bare_board);
        close(bare);
        fs::remove_all(root_);
    }
    bool ok() const { return record.Handle != 0 && board >= 0 && bare_board >= 0 && bare >= 0; }

    DeviceRecord record{};
    int board = -1;      // the board's side of the library's FIFO
    int bare_board = -1; // the board's side of the bare FIFO
    int bare = -1;       // the bare reads' and writes' end of it

  private:
    std::string root_;
    std::unique_ptr<panelink::platform::Backend> backend_;
};

// Times `rounds` library polls and `rounds` bare reads, alternating in blocks, and reports
// both per operation and their ratio.
template <typename Library, typename Bare, typename Between = void (*)(FifoBoard &)>
void compare(
    benchmark::State &state, FifoBoard &fifo, Library library, Bare bare,
    Between between = [](FifoBoard &) {}) {
    constexpr int kBlock = 256;
    double library_ns = 0, bare_ns = 0;
    int64_t operations = 0;
    uint64_t library_allocations = 0;
    for (auto _ : state) {
        const uint64_t a0 = panelink::test::allocations();
        auto t0 = Clock::now();
        for (int i = 0; i < kBlock; ++i)
            library(fifo);
        auto t1 = Clock::now();
        library_allocations += panelink::test::allocations() - a0;
        for (int i = 0; i < kBlock; ++i)
            bare(fifo);
        auto t2 = Clock::now();
        library_ns += std::chrono::duration<double, std::nano>(t1 - t0).count();
        bare_ns += std::chrono::duration<double, std::nano>(t2 - t1).count();
        operations += kBlock;
        state.PauseTiming();
        between(fifo);
        state.ResumeTiming();
    }
    state.counters["library_ns"] = library_ns / static_cast<double>(operations);
    state.counters["bare_ns"] = bare_ns / static_cast<double>(operations);
    state.counters["ratio"] = library_ns / bare_ns;
    state.counters["allocs/poll"] =
        static_cast<double>(library_allocations) / static_cast<double>(operations);
}

uint8_t g_states[PANELINK_INPUT_STATES_SIZE];
uint8_t g_buffer[65];
const uint8_t kReport[64] = {1, 2, 3, 4};

void BM_HidrawPollNoReport(benchmark::State &state) {
    FifoBoard fifo;
    if (!fifo.ok()) {
        state.SkipWithError("the FIFO board could not be set up");
        return;
    }
    ReadInputData(&fifo.record, g_states, 0); // starts the slot's read
    compare(
        state, fifo,
        [](FifoBoard &f) { benchmark::DoNotOptimize(ReadInputData(&f.record, g_states, 0)); },
        [](FifoBoard &f) { benchmark::DoNotOptimize(read(f.bare, g_buffer, 64)); });
}
BENCHMARK(BM_HidrawPollNoReport);

// Both sides pay the board's write() of the report; the library then decodes it and
// discards the (empty) rest of the queue.
void BM_HidrawPollWithReport(benchmark::State &state) {
    FifoBoard fifo;
    if (!fifo.ok()) {
        state.SkipWithError("the FIFO board could not be set up");
        return;
    }
    ReadInputData(&fifo.record, g_states, 0);
    compare(
        state, fifo,
        [](FifoBoard &f) {
            benchmark::DoNotOptimize(write(f.board, kReport, sizeof kReport));
            if (ReadInputData(&f.record, g_states, 0) != PANELINK_READ_DECODED)
                std::abort();
        },
        [](FifoBoard &f) {
            benchmark::DoNotOptimize(write(f.bare_board, kReport, sizeof kReport));
            if (read(f.bare, g_buffer, 64) != 64)
                std::abort();
        });
}
BENCHMARK(BM_HidrawPollWithReport);

// A 65-byte output report: the library's WriteData (bounded by its 100 ms) against a bare
// write(). The board side takes what was written after each block, outside the timing.
void BM_HidrawWrite(benchmark::State &state) {
    FifoBoard fifo;
    if (!fifo.ok()) {
        state.SkipWithError("the FIFO board could not be set up");
        return;
    }
    static uint8_t output[68] = {};
    compare(
        state, fifo,
        [](FifoBoard &f) {
            if (WriteData(&f.record, output) != 65)
                std::abort();
        },
        [](FifoBoard &f) {
            if (write(f.bare, output, 65) != 65)
                std::abort();
        },
        [](FifoBoard &f) {
            uint8_t sink[4096];
            while (read(f.board, sink, sizeof sink) > 0) {
            }
            while (read(f.bare_board, sink, sizeof sink) > 0) {
            }
        });
}
BENCHMARK(BM_HidrawWrite);

} // namespace

BENCHMARK_MAIN();
