#include "sim_bus.h"

#include <QtTest>

#include <panelink/simulation.h>

#include "support/report_descriptors.h"
#include "window_rig.h"

namespace SimBus {
namespace {

template <typename Function> Function Bind(const char *name) {
    auto function = reinterpret_cast<Function>(TestLibrary().resolve(name));
    if (!function)
        qFatal("the library has no %s", name);
    return function;
}

// Vendor-defined board: 64 data bytes in, 64 out, no report IDs.
const std::vector<unsigned char> kBoardDescriptor = panelink::test::vendor_descriptor();

std::vector<unsigned char> JoystickDescriptor(int buttons) {
    const int padding = (8 - buttons % 8) % 8;
    std::vector<unsigned char> descriptor = {
        0x05, 0x01,                                // usage page (generic desktop)
        0x09, 0x04,                                // usage (joystick)
        0xA1, 0x01,                                // collection (application)
        0x05, 0x09,                                //   usage page (button)
        0x19, 0x01,                                //   usage minimum 1
        0x29, static_cast<unsigned char>(buttons), // usage maximum
        0x15, 0x00,                                //   logical minimum 0
        0x25, 0x01,                                //   logical maximum 1
        0x75, 0x01,                                //   report size 1
        0x95, static_cast<unsigned char>(buttons), // report count
        0x81, 0x02,                                //   input (data, variable, absolute)
    };
    if (padding > 0) {
        const unsigned char pad[] = {0x75, 0x01, 0x95, static_cast<unsigned char>(padding),
                                     0x81, 0x03};
        descriptor.insert(descriptor.end(), std::begin(pad), std::end(pad));
    }
    descriptor.push_back(0xC0);
    return descriptor;
}

int Add(const Board &board, const std::vector<unsigned char> &descriptor) {
    PanelinkSimInterface iface{};
    iface.vendor_id = PANELINK_VENDOR_ID_A;
    iface.product_id = board.productId;
    iface.version_number = board.versionNumber;
    iface.path = board.path;
    iface.manufacturer = L"Veltrane Inc.";
    iface.product = board.product;
    iface.serial_number = board.serial;
    iface.report_descriptor = descriptor.data();
    iface.report_descriptor_length = descriptor.size();
    const int id = Bind<decltype(&panelink_sim_add)>("panelink_sim_add")(&iface);
    if (id <= 0)
        qFatal("the simulated bus refused a board");
    return id;
}

void Push(int id, const std::vector<unsigned char> &report) {
    if (!Bind<decltype(&panelink_sim_push_input)>("panelink_sim_push_input")(id, report.data(),
                                                                             report.size()))
        qFatal("the simulated bus refused a report");
}

} // namespace

void Reset() {
    Bind<decltype(&panelink_sim_enable)>("panelink_sim_enable")(1);
    Bind<decltype(&panelink_sim_reset)>("panelink_sim_reset")();
}

int AddBoard(const Board &board) {
    return Add(board, kBoardDescriptor);
}

int AddJoystick(const Board &board, int buttons) {
    return Add(board, JoystickDescriptor(buttons));
}

void Remove(int id) {
    Bind<decltype(&panelink_sim_remove)>("panelink_sim_remove")(id);
}

void PushInputs(int id, const std::vector<int> &inputsOn) {
    std::vector<unsigned char> report(65, 0); // report ID 0, then 64 data bytes
    for (int input : inputsOn)
        report[1 + input / 8] |= static_cast<unsigned char>(1u << (input % 8));
    Push(id, report);
}

void PushInputs(int id, std::initializer_list<int> inputsOn) {
    PushInputs(id, std::vector<int>(inputsOn));
}

void PushButtons(int id, int buttons, std::initializer_list<int> pressed) {
    std::vector<unsigned char> report(1 + (buttons + 7) / 8, 0);
    for (int button : pressed)
        report[1 + button / 8] |= static_cast<unsigned char>(1u << (button % 8));
    Push(id, report);
}

} // namespace SimBus
