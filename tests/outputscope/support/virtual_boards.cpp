#include "virtual_boards.h"

#include <array>
#include <map>
#include <vector>

#include <QtTest>

#include <panelink/simulation.h>

#include "support/report_descriptors.h"

PanelinkLibrary &TestLibrary() {
    static PanelinkLibrary library(
        [](const QString &message) { throw FatalError(message.toStdString()); });
    return library;
}

namespace VirtualBoards {
namespace {

template <typename Function> Function Bind(const char *name) {
    auto function = reinterpret_cast<Function>(TestLibrary().resolve(name));
    if (!function)
        qFatal("the library has no %s", name);
    return function;
}

const std::vector<unsigned char> kDescriptor = panelink::test::vendor_descriptor();

// Byte 6 of a port status query, and of its answer's first data byte.
constexpr uint8_t kPortStatusCode = 0x25;
// Byte 4 of the configuration interface's status query, and its answer's first data byte.
constexpr uint8_t kConfigStatusCode = 0x13;
constexpr size_t kReportLength = 65;

// The status bytes each answering board gives, by board id.
std::map<int, QList<uint8_t>> &Answers() {
    static std::map<int, QList<uint8_t>> answers;
    return answers;
}

void Answer(int id, const unsigned char *report, size_t length, void *) {
    if (length > 4 && report[4] == kConfigStatusCode) {
        const QList<uint8_t> &bytes = Answers()[id];
        std::array<unsigned char, kReportLength> reply{};
        reply[1] = kConfigStatusCode;
        reply[2] = bytes.value(0);
        reply[4] = bytes.value(1);
        Bind<decltype(&panelink_sim_push_input)>("panelink_sim_push_input")(id, reply.data(),
                                                                            reply.size());
        return;
    }
    if (length < 8 || report[6] != kPortStatusCode)
        return;
    const QList<uint8_t> &ports = Answers()[id];
    const int first = report[7] * 2;
    std::array<unsigned char, kReportLength> reply{};
    reply[1] = kPortStatusCode;
    reply[2] = first < ports.size() ? ports[first] : 0;
    reply[4] = first + 1 < ports.size() ? ports[first + 1] : 0;
    Bind<decltype(&panelink_sim_push_input)>("panelink_sim_push_input")(id, reply.data(),
                                                                        reply.size());
}

} // namespace

void Reset() {
    Bind<decltype(&panelink_sim_enable)>("panelink_sim_enable")(1);
    Bind<decltype(&panelink_sim_reset)>("panelink_sim_reset")();
    Answers().clear();
}

int Add(const Board &board) {
    PanelinkSimInterface iface{};
    iface.vendor_id = PANELINK_VENDOR_ID_A;
    iface.product_id = board.productId;
    iface.version_number = 0x0100;
    iface.path = board.path;
    iface.manufacturer = L"Veltrane Inc.";
    iface.product = board.product;
    iface.serial_number = board.serial;
    iface.report_descriptor = kDescriptor.data();
    iface.report_descriptor_length = kDescriptor.size();
    const int id = Bind<decltype(&panelink_sim_add)>("panelink_sim_add")(&iface);
    if (id <= 0)
        qFatal("the simulated bus refused a board");
    return id;
}

void Remove(int id) {
    Bind<decltype(&panelink_sim_remove)>("panelink_sim_remove")(id);
}

QList<QByteArray> TakeOutputs(int id) {
    auto pop = Bind<decltype(&panelink_sim_pop_output)>("panelink_sim_pop_output");
    QList<QByteArray> outputs;
    std::array<unsigned char, 256> buffer{};
    while (const size_t length = pop(id, buffer.data(), buffer.size()))
        outputs.append(QByteArray(reinterpret_cast<const char *>(buffer.data()),
                                  static_cast<qsizetype>(std::min(length, buffer.size()))));
    return outputs;
}

void FailWrites(int id, int count) {
    Bind<decltype(&panelink_sim_set_fault)>("panelink_sim_set_fault")(
        id, PANELINK_SIM_FAULT_WRITE_TIMEOUT, count);
}

void AnswerPortStatus(int id, const QList<uint8_t> &portStatus) {
    Answers()[id] = portStatus;
    Bind<decltype(&panelink_sim_set_responder)>("panelink_sim_set_responder")(id, Answer, nullptr);
}

void AnswerConfigStatus(int id, uint8_t byte2, uint8_t byte4) {
    AnswerPortStatus(id, {byte2, byte4});
}

} // namespace VirtualBoards
