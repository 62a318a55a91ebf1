// Fuzz target: the seven-segment text walks of WriteDisplayOutput and WriteTANDEM.
//
// Input layout:
//   byte 0    0: a digit module's text (WriteDisplayOutput), otherwise a TANDEM layout
//   byte 1    the port (digit module)
//   byte 2    the parameter byte
//   the rest  the text (terminated by the target) or the layout (cut or zero-padded to its
//             22 bytes)
//
// The text and the layout are heap blocks of exactly their size, so AddressSanitizer catches a
// read past the terminator or past the layout's 22 bytes. The built report must stay inside the
// bytes the command owns: everything past them is zero.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "output_commands.h"
#include "seven_segment.h"

namespace {

namespace ss = panelink::seven_segment;
using panelink::output::ReportBuffer;

// Bytes 0 to 15 hold the header and the 7 digit positions; byte 16 is the spare payload byte.
constexpr size_t kDisplayReportEnd = 17;
// Bytes 0 to 16: header, two groups of 4 digits, the single digit and the two raw bytes.
constexpr size_t kTandemReportEnd = 17;

void require_zero_from(const ReportBuffer &report, size_t first) {
    for (size_t i = first; i < report.size(); ++i)
        if (report[i] != 0)
            std::abort();
}

void display(const uint8_t *text_bytes, size_t length, uint8_t port, uint8_t parameter) {
    auto text = std::make_unique<char[]>(length + 1);
    std::copy_n(text_bytes, length, text.get());
    text[length] = '\0';
    ReportBuffer report;
    report.fill(0xEE);
    ss::build_display_output(report, port, text.get(), parameter);
    require_zero_from(report, kDisplayReportEnd);
    if (report[16] != 0)
        std::abort();
}

void tandem(const uint8_t *layout_bytes, size_t length, uint8_t parameter) {
    auto layout = std::make_unique<char[]>(ss::kTandemLayoutBytes);
    std::fill_n(layout.get(), ss::kTandemLayoutBytes, '\0');
    std::copy_n(layout_bytes, std::min(length, ss::kTandemLayoutBytes), layout.get());
    ReportBuffer report;
    report.fill(0xEE);
    ss::build_tandem(report, layout.get(), parameter);
    require_zero_from(report, kTandemReportEnd);
    // The single digit is one of the table's patterns, or blank.
    const uint8_t single = report[14];
    if (single != 0 && std::find(ss::kTandemPatterns.begin(), ss::kTandemPatterns.end(), single) ==
                           ss::kTandemPatterns.end())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3)
        return 0;
    if (data[0] == 0)
        display(data + 3, size - 3, data[1], data[2]);
    else
        tandem(data + 3, size - 3, data[2]);
    return 0;
}
