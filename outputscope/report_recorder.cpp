#include "report_recorder.h"

#include <array>
#include <cstddef>
#include <vector>

#include <panelink/simulation.h>

#include "panelink_library.h"

namespace {

// A vendor-defined board with 67 data bytes out (68 with the report ID byte) and none in.
constexpr unsigned char kRecorderDescriptor[] = {
    0x06, 0x00,
    0xFF,       // Usage Page (vendor 0xFF00)
    0x09, 0x01, // Usage (1)
    0xA1, 0x01, // Collection (Application)
    0x15, 0x00, //   Logical Minimum (0)
    0x26, 0xFF,
    0x00,                                      //   Logical Maximum (255)
    0x75, 0x08,                                //   Report Size (8)
    0x95, ReportRecorder::kRecordedLength - 1, //   Report Count
    0x09, 0x03,                                //   Usage (3)
    0x91, 0x02,                                //   Output (Data, Variable, Absolute)
    0xC0,                                      // End Collection
};

// A product of the standard detection list.
constexpr uint16_t kRecorderProduct = 0x0500;

} // namespace

ReportRecorder::ReportRecorder(const QStringList &files)
    : library_(
          std::make_unique<PanelinkLibrary>([this](const QString &message) { problem_ = message; },
                                            files, PanelinkLibrary::Instance::Private)) {
    ready_ = start();
}

ReportRecorder::~ReportRecorder() {
    if (ready_)
        library_->closeDevices(1, &board_);
}

template <typename Function> Function ReportRecorder::bind(const char *name) {
    return reinterpret_cast<Function>(library_->resolve(name));
}

bool ReportRecorder::start() {
    auto enable = bind<decltype(&panelink_sim_enable)>("panelink_sim_enable");
    auto reset = bind<decltype(&panelink_sim_reset)>("panelink_sim_reset");
    auto add = bind<decltype(&panelink_sim_add)>("panelink_sim_add");
    if (!enable || !reset || !add)
        return false;
    // The manual clock: the recorder's writes never wait.
    enable(1);
    reset();
    PanelinkSimInterface board{};
    board.vendor_id = PANELINK_VENDOR_ID_A;
    board.product_id = kRecorderProduct;
    board.path = "outputscope/recorder";
    board.manufacturer = L"outputscope";
    board.product = L"recorder";
    board.serial_number = L"000";
    board.report_descriptor = kRecorderDescriptor;
    board.report_descriptor_length = sizeof kRecorderDescriptor;
    boardId_ = add(&board);
    std::vector<DeviceRecord> records(PANELINK_MAX_DEVICES);
    int32_t count = 0;
    if (boardId_ <= 0 || !library_->detectHid(&count, records.data(), PANELINK_MODE_STANDARD) ||
        count != 1 || records[0].OutputReportByteLength != kRecordedLength) {
        if (problem_.isEmpty())
            problem_ = QStringLiteral("The recorder board could not be opened.");
        return false;
    }
    board_ = records[0];
    board_.DeviceIndex = 0;
    return true;
}

QByteArray
ReportRecorder::record(const std::function<int32_t(PanelinkOutputApi &, DeviceRecord *)> &call,
                       int length) {
    if (!ready_ || length < 1 || length > kRecordedLength)
        return {};
    auto pop = bind<decltype(&panelink_sim_pop_output)>("panelink_sim_pop_output");
    std::array<unsigned char, kRecordedLength> report{};
    while (pop(boardId_, report.data(), report.size()) > 0) {
        // Nothing of an earlier call is left behind.
    }
    if (call(*library_, &board_) != kRecordedLength)
        return {};
    if (pop(boardId_, report.data(), report.size()) != kRecordedLength)
        return {};
    return QByteArray(reinterpret_cast<const char *>(report.data()), length);
}
