// The simulated backend: the virtual bus as the core sees it through the platform interface,
// and the board side as simulation.h offers it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <panelink/simulation.h>

#include "backends/platform.h"
#include "backends/simulated/bus.h"
#include "backends/simulated/errors.h"
#include "support/guarded_buffer.h"
#include "support/sim_boards.h"

#ifndef _WIN32
#include <cerrno>
#endif

namespace {

using namespace panelink::platform;

const std::vector<uint8_t> kBoardDescriptor = panelink::test::vendor_descriptor();

PanelinkSimInterface board(const char *path, uint16_t product_id = 0x0500) {
    PanelinkSimInterface description{};
    description.vendor_id = 0x12DA;
    description.product_id = product_id;
    description.version_number = 0x0123;
    description.path = path;
    description.manufacturer = L"Maker";
    description.product = L"Board";
    description.serial_number = L"S1";
    description.report_descriptor = kBoardDescriptor.data();
    description.report_descriptor_length = kBoardDescriptor.size();
    return description;
}

std::vector<std::string> walk(Backend &backend) {
    std::vector<std::string> paths;
    if (!backend.begin_walk()) {
        return paths;
    }
    std::string path;
    for (uint32_t index = 0; backend.walk_interface(index, path) != WalkStep::End; ++index) {
        paths.push_back(path);
    }
    backend.end_walk();
    return paths;
}

// One read of `length` bytes into `buffer`, waited on for `timeout_ms`.
WaitResult read_report(Device &device, uint8_t *buffer, size_t length, uint32_t timeout_ms,
                       size_t *transferred = nullptr) {
    InputRead read;
    read.buffer = buffer;
    read.length = length;
    if (!device.start_read(read)) {
        return WaitResult::Failed;
    }
    const WaitResult result = device.wait_read(read, timeout_ms);
    if (read.started) {
        device.cancel_read(read);
    }
    if (transferred != nullptr) {
        *transferred = read.transferred;
    }
    return result;
}

int plug(const PanelinkSimInterface &description) {
    return panelink_sim_add(&description);
}

bool push(int id, std::vector<uint8_t> report) {
    return panelink_sim_push_input(id, report.data(), report.size()) == 1;
}

class SimulatedBackend : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(panelink_sim_enable(1), 1);
        panelink_sim_reset();
    }
    void TearDown() override { panelink_sim_reset(); }

    Backend &backend_ = simulated_backend();
};

TEST_F(SimulatedBackend, EnableSwitchesThePlatformToTheVirtualBus) {
    EXPECT_TRUE(simulation_enabled());
    EXPECT_EQ(&backend(), &simulated_backend());
}

TEST_F(SimulatedBackend, WalkVisitsPresentInterfacesInTheOrderAdded) {
    const int first = plug(board("sim://a"));
    const int second = plug(board("sim://b"));
    const int third = plug(board("sim://c"));
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    EXPECT_GT(third, second);
    EXPECT_EQ(walk(backend_), (std::vector<std::string>{"sim://a", "sim://b", "sim://c"}));

    EXPECT_EQ(panelink_sim_remove(second), 1);
    EXPECT_EQ(panelink_sim_remove(second), 0);
    EXPECT_EQ(walk(backend_), (std::vector<std::string>{"sim://a", "sim://c"}));
}

TEST_F(SimulatedBackend, AddRejectsInvalidDescriptions) {
    EXPECT_EQ(panelink_sim_add(nullptr), 0);
    PanelinkSimInterface description = board(nullptr);
    EXPECT_EQ(panelink_sim_add(&description), 0);
    EXPECT_TRUE(walk(backend_).empty());
}

TEST_F(SimulatedBackend, OpenedInterfaceGivesItsIdentityTextsAndCollection) {
    PanelinkSimInterface description = board("sim://board");
    description.serial_number = nullptr;
    const std::wstring long_product(300, L'x');
    description.product = long_product.c_str();
    ASSERT_GT(panelink_sim_add(&description), 0);

    std::unique_ptr<Device> device = backend_.open("sim://board");
    ASSERT_NE(device, nullptr);
    Attributes attributes;
    ASSERT_TRUE(device->attributes(attributes));
    EXPECT_EQ(attributes.vendor_id, 0x12DA);
    EXPECT_EQ(attributes.product_id, 0x0500);
    EXPECT_EQ(attributes.version_number, 0x0123);

    wchar_t text[kDeviceTextChars];
    ASSERT_TRUE(device->text(DeviceText::Manufacturer, text));
    EXPECT_EQ(std::wstring(text), L"Maker");
    // A text longer than the request's buffer is cut and still terminated.
    ASSERT_TRUE(device->text(DeviceText::Product, text));
    EXPECT_EQ(std::wstring(text), std::wstring(kDeviceTextChars - 1, L'x'));
    // A text the description leaves out fails, with an error code.
    EXPECT_FALSE(device->text(DeviceText::SerialNumber, text));
    EXPECT_EQ(backend_.last_error(), sim::error_code(sim::Failure::RequestFailed));

    const panelink::hid::Collection *collection = device->collection();
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->usage_page, 0xFF00);
    EXPECT_EQ(collection->usage, 1);
    EXPECT_EQ(collection->input_report_byte_length, 65);
    EXPECT_EQ(collection->output_report_byte_length, 65);

    description.path = "sim://bare";
    description.report_descriptor = nullptr;
    ASSERT_GT(panelink_sim_add(&description), 0);
    EXPECT_EQ(backend_.open("sim://bare")->collection(), nullptr);
}

TEST_F(SimulatedBackend, OpenOfAnUnknownPathFails) {
    EXPECT_EQ(backend_.open("sim://nowhere"), nullptr);
    EXPECT_EQ(backend_.last_error(), sim::error_code(sim::Failure::NoSuchPath));
    EXPECT_EQ(backend_.open(nullptr), nullptr);
}

// Each fault, described by how one occurrence of the faulting operation is tried.
struct FaultCase {
    const char *name;
    int fault;
    std::function<bool(Backend &, int id)> fails; // true when the occurrence failed
};

std::vector<FaultCase> fault_cases() {
    const auto open = [](Backend &backend) { return backend.open("sim://f"); };
    return {
        {"detail", PANELINK_SIM_FAULT_DETAIL,
         [](Backend &backend, int) {
             std::string path;
             EXPECT_TRUE(backend.begin_walk());
             const bool failed = backend.walk_interface(0, path) == WalkStep::DetailFailed;
             backend.end_walk();
             return failed;
         }},
        {"open", PANELINK_SIM_FAULT_OPEN,
         [open](Backend &backend, int) { return open(backend) == nullptr; }},
        {"attributes", PANELINK_SIM_FAULT_ATTRIBUTES,
         [open](Backend &backend, int) {
             Attributes attributes;
             return !open(backend)->attributes(attributes);
         }},
        {"texts", PANELINK_SIM_FAULT_TEXTS,
         [open](Backend &backend, int) {
             wchar_t text[kDeviceTextChars];
             return !open(backend)->text(DeviceText::Product, text);
         }},
        {"write time-out", PANELINK_SIM_FAULT_WRITE_TIMEOUT,
         [open](Backend &backend, int) {
             const uint8_t report[65] = {};
             return open(backend)->write(report, sizeof report, 100) == WaitResult::TimedOut;
         }},
        {"read wait", PANELINK_SIM_FAULT_READ_WAIT,
         [open](Backend &backend, int id) {
             EXPECT_TRUE(push(id, {0, 1, 2}));
             uint8_t buffer[65];
             auto device = open(backend);
             const WaitResult result = read_report(*device, buffer, sizeof buffer, 0);
             device->flush_input();
             return result == WaitResult::Failed;
         }},
        {"enumeration", PANELINK_SIM_FAULT_ENUMERATION,
         [](Backend &backend, int) {
             const bool failed = !backend.begin_walk();
             backend.end_walk();
             return failed;
         }},
    };
}

TEST_F(SimulatedBackend, FaultsFailTheNextCountOccurrencesOrAllOrNone) {
    for (const FaultCase &fault : fault_cases()) {
        SCOPED_TRACE(fault.name);
        panelink_sim_reset();
        const int id = plug(board("sim://f"));
        const int target = fault.fault == PANELINK_SIM_FAULT_ENUMERATION ? 0 : id;
        const auto outcomes = [&](int tries) {
            std::string seen;
            for (int i = 0; i < tries; ++i) {
                seen += fault.fails(backend_, id) ? 'F' : '.';
            }
            return seen;
        };
        EXPECT_EQ(outcomes(2), "..");
        ASSERT_EQ(panelink_sim_set_fault(target, fault.fault, 1), 1);
        EXPECT_EQ(outcomes(3), "F..");
        ASSERT_EQ(panelink_sim_set_fault(target, fault.fault, 2), 1);
        EXPECT_EQ(outcomes(4), "FF..");
        ASSERT_EQ(panelink_sim_set_fault(target, fault.fault, -1), 1);
        EXPECT_EQ(outcomes(5), "FFFFF");
        ASSERT_EQ(panelink_sim_set_fault(target, fault.fault, 0), 1);
        EXPECT_EQ(outcomes(2), "..");
    }
}

TEST_F(SimulatedBackend, FaultsSetTheirErrorCodes) {
    plug(board("sim://f"));
    const int id = plug(board("sim://g"));
    panelink_sim_set_fault(id, PANELINK_SIM_FAULT_OPEN, 1);
    EXPECT_EQ(backend_.open("sim://g"), nullptr);
#ifdef _WIN32
    EXPECT_EQ(backend_.last_error(), 5u); // ERROR_ACCESS_DENIED
#else
    EXPECT_EQ(backend_.last_error(), static_cast<uint32_t>(EACCES));
    EXPECT_EQ(backend_.error_text(EACCES), std::strerror(EACCES));
#endif
    const std::string text = backend_.error_text(backend_.last_error());
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);

    panelink_sim_set_fault(0, PANELINK_SIM_FAULT_ENUMERATION, 1);
    EXPECT_FALSE(backend_.begin_walk());
    EXPECT_EQ(backend_.last_error(), sim::error_code(sim::Failure::NoInterfaceSet));
}

TEST_F(SimulatedBackend, SetFaultRejectsUnknownInterfacesFaultsAndCounts) {
    const int id = plug(board("sim://f"));
    EXPECT_EQ(panelink_sim_set_fault(id + 100, PANELINK_SIM_FAULT_OPEN, 1), 0);
    for (int fault : {std::numeric_limits<int>::min(), -1, 0, PANELINK_SIM_FAULT_ENUMERATION + 1,
                      99, std::numeric_limits<int>::max()})
        EXPECT_EQ(panelink_sim_set_fault(id, fault, 1), 0) << "fault " << fault;
    EXPECT_EQ(panelink_sim_set_fault(id, PANELINK_SIM_FAULT_ENUMERATION, 1), 0);
    EXPECT_EQ(panelink_sim_set_fault(0, PANELINK_SIM_FAULT_OPEN, 1), 0);
    EXPECT_EQ(panelink_sim_set_fault(id, PANELINK_SIM_FAULT_OPEN, -2), 0);
    EXPECT_NE(backend_.open("sim://f"), nullptr);
}

// Ids the bus never gave out: every board-side function refuses them and touches nothing.
TEST_F(SimulatedBackend, BoardFunctionsRefuseIdsNeverGivenOut) {
    const int plugged = plug(board("sim://known"));
    const unsigned char report[2] = {0, 1};
    for (int id : {0, -1, plugged + 9999, std::numeric_limits<int>::min()}) {
        SCOPED_TRACE("id " + std::to_string(id));
        EXPECT_EQ(panelink_sim_remove(id), 0);
        EXPECT_EQ(panelink_sim_push_input(id, report, sizeof report), 0);
        panelink::test::Guarded<uint8_t> out(8);
        EXPECT_EQ(panelink_sim_pop_output(id, out.get(), out.size()), 0u);
        EXPECT_TRUE(out.untouched());
        EXPECT_TRUE(out.guards_intact());
        panelink_sim_set_responder(id, nullptr, nullptr);
        EXPECT_EQ(panelink_sim_set_fault(id, PANELINK_SIM_FAULT_OPEN, 1), 0);
    }
    EXPECT_EQ(walk(backend_), std::vector<std::string>{"sim://known"});
    EXPECT_NE(backend_.open("sim://known"), nullptr) << "a refused fault reached the board";
}

TEST_F(SimulatedBackend, UnpluggedInterfaceFailsTheIoOfHandlesStillOpen) {
    const int id = plug(board("sim://gone"));
    std::unique_ptr<Device> device = backend_.open("sim://gone");
    ASSERT_NE(device, nullptr);
    uint8_t buffer[65];
    InputRead pending;
    pending.buffer = buffer;
    pending.length = sizeof buffer;
    ASSERT_TRUE(device->start_read(pending));
    ASSERT_TRUE(push(id, {0, 7}));

    ASSERT_EQ(panelink_sim_remove(id), 1);
    const uint32_t gone = sim::error_code(sim::Failure::DeviceGone);
    EXPECT_EQ(device->wait_read(pending, 0), WaitResult::Failed);
    EXPECT_EQ(backend_.last_error(), gone);
    EXPECT_FALSE(pending.started);
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::Failed);
    EXPECT_EQ(device->write(buffer, sizeof buffer, 100), WaitResult::Failed);
    Attributes attributes;
    EXPECT_FALSE(device->attributes(attributes));
    wchar_t text[kDeviceTextChars];
    EXPECT_FALSE(device->text(DeviceText::Product, text));
    EXPECT_EQ(device->collection(), nullptr);
    device->flush_input();

    EXPECT_EQ(backend_.open("sim://gone"), nullptr);
    EXPECT_FALSE(push(id, {0, 1}));
    EXPECT_EQ(panelink_sim_pop_output(id, buffer, sizeof buffer), 0u);
}

TEST_F(SimulatedBackend, ResetEmptiesTheBusAndIdsAreNeverReused) {
    const int before = plug(board("sim://r"));
    std::unique_ptr<Device> device = backend_.open("sim://r");
    panelink_sim_set_fault(0, PANELINK_SIM_FAULT_ENUMERATION, -1);
    panelink_sim_advance_ms(500);

    panelink_sim_reset();
    EXPECT_EQ(backend_.now_ms(), 0u);
    EXPECT_TRUE(backend_.begin_walk()); // the enumeration fault is cleared
    backend_.end_walk();
    EXPECT_TRUE(walk(backend_).empty());
    const uint8_t report[2] = {0, 1};
    EXPECT_EQ(device->write(report, sizeof report, 100), WaitResult::Failed);

    const int after = plug(board("sim://r"));
    EXPECT_GT(after, before);
    EXPECT_EQ(walk(backend_), std::vector<std::string>{"sim://r"});
    // The old handle still refers to the unplugged interface, not to the new one.
    EXPECT_EQ(device->write(report, sizeof report, 100), WaitResult::Failed);
    EXPECT_EQ(panelink_sim_pop_output(after, nullptr, 0), 0u);
}

TEST_F(SimulatedBackend, ManualClockMovesOnlyWhenAdvancedOrWaitedOn) {
    const int id = plug(board("sim://clock"));
    std::unique_ptr<Device> device = backend_.open("sim://clock");
    EXPECT_EQ(backend_.now_ms(), 0u);
    panelink_sim_advance_ms(25);
    EXPECT_EQ(backend_.now_ms(), 25u);

    uint8_t buffer[65];
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 1000), WaitResult::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(backend_.now_ms(), 1025u);
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::TimedOut);
    EXPECT_EQ(backend_.now_ms(), 1025u);

    panelink_sim_set_fault(id, PANELINK_SIM_FAULT_WRITE_TIMEOUT, 1);
    EXPECT_EQ(device->write(buffer, sizeof buffer, 100), WaitResult::TimedOut);
    EXPECT_EQ(backend_.now_ms(), 1125u);
}

TEST_F(SimulatedBackend, RealClockWaitsOutTheTimeOut) {
    panelink_sim_enable(0);
    const int id = plug(board("sim://real"));
    std::unique_ptr<Device> device = backend_.open("sim://real");
    uint8_t buffer[65];
    const uint64_t start = backend_.now_ms();
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 30), WaitResult::TimedOut);
    EXPECT_GE(backend_.now_ms() - start, 30u);

    ASSERT_TRUE(push(id, {0, 9}));
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 1000), WaitResult::Completed);
    EXPECT_EQ(buffer[1], 9);
}

TEST_F(SimulatedBackend, ReadsTakeQueuedReportsInOrderCutOrPaddedToTheReadLength) {
    const int id = plug(board("sim://read"));
    std::unique_ptr<Device> device = backend_.open("sim://read");
    std::vector<uint8_t> long_report(70);
    for (size_t i = 0; i < long_report.size(); ++i) {
        long_report[i] = static_cast<uint8_t>(i);
    }
    ASSERT_TRUE(push(id, long_report));
    ASSERT_TRUE(push(id, {0, 0xAB, 0xCD}));
    EXPECT_EQ(panelink_sim_push_input(id, nullptr, 3), 0);

    uint8_t buffer[66];
    std::memset(buffer, 0xEE, sizeof buffer);
    size_t transferred = 0;
    ASSERT_EQ(read_report(*device, buffer, 65, 0, &transferred), WaitResult::Completed);
    EXPECT_EQ(transferred, 65u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 65),
              std::vector<uint8_t>(long_report.begin(), long_report.begin() + 65));
    EXPECT_EQ(buffer[65], 0xEE); // nothing past the read's length

    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(read_report(*device, buffer, 65, 0, &transferred), WaitResult::Completed);
    EXPECT_EQ(transferred, 65u); // padded to the length asked for
    EXPECT_EQ(buffer[1], 0xAB);
    EXPECT_EQ(buffer[2], 0xCD);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(buffer[64], 0);
    EXPECT_EQ(buffer[65], 0xEE);

    EXPECT_EQ(read_report(*device, buffer, 65, 0), WaitResult::TimedOut);
}

TEST_F(SimulatedBackend, ReadStartedBeforeTheReportCompletesOnALaterWait) {
    const int id = plug(board("sim://poll"));
    std::unique_ptr<Device> device = backend_.open("sim://poll");
    uint8_t buffer[65];
    InputRead read;
    read.buffer = buffer;
    read.length = sizeof buffer;
    ASSERT_TRUE(device->start_read(read));
    EXPECT_TRUE(read.started);
    EXPECT_EQ(device->wait_read(read, 0), WaitResult::TimedOut);
    EXPECT_TRUE(read.started);
    ASSERT_TRUE(push(id, {0, 5}));
    EXPECT_EQ(device->wait_read(read, 0), WaitResult::Completed);
    EXPECT_FALSE(read.started);
    EXPECT_EQ(buffer[1], 5);
    // A read that is not started (completed or cancelled) cannot be waited on.
    EXPECT_EQ(device->wait_read(read, 0), WaitResult::Failed);
}

TEST_F(SimulatedBackend, FlushDiscardsEveryQueuedReport) {
    const int id = plug(board("sim://flush"));
    std::unique_ptr<Device> device = backend_.open("sim://flush");
    push(id, {0, 1});
    push(id, {0, 2});
    device->flush_input();
    uint8_t buffer[65];
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::TimedOut);
    push(id, {0, 3});
    ASSERT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::Completed);
    EXPECT_EQ(buffer[1], 3);
}

struct Echo {
    int calls = 0;
    int id = 0;
};

// Answers each output report with an input report holding its second byte plus one.
void echo_responder(int id, const unsigned char *report, size_t length, void *context) {
    auto *echo = static_cast<Echo *>(context);
    ++echo->calls;
    echo->id = id;
    if (length >= 2) {
        const unsigned char answer[2] = {0, static_cast<unsigned char>(report[1] + 1)};
        panelink_sim_push_input(id, answer, sizeof answer);
    }
}

TEST_F(SimulatedBackend, WritesAreKeptAndAnsweredByTheResponder) {
    const int id = plug(board("sim://echo"));
    std::unique_ptr<Device> device = backend_.open("sim://echo");
    Echo echo;
    panelink_sim_set_responder(id, echo_responder, &echo);

    uint8_t report[65] = {0, 41};
    ASSERT_EQ(device->write(report, sizeof report, 100), WaitResult::Completed);
    EXPECT_EQ(echo.calls, 1);
    EXPECT_EQ(echo.id, id);
    uint8_t buffer[65];
    ASSERT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::Completed);
    EXPECT_EQ(buffer[1], 42);

    // The written report is kept whole; a small buffer gets its start and the full length, and
    // nothing past its end.
    panelink::test::Guarded<uint8_t> start(4, 0);
    EXPECT_EQ(panelink_sim_pop_output(id, start.get(), start.size()), 65u);
    EXPECT_EQ(start.get()[1], 41);
    EXPECT_TRUE(start.guards_intact()) << "a byte past the small buffer was written";
    EXPECT_EQ(panelink_sim_pop_output(id, start.get(), start.size()), 0u);
    EXPECT_EQ(panelink_sim_pop_output(id, nullptr, 4), 0u);

    panelink_sim_set_responder(id, nullptr, nullptr);
    ASSERT_EQ(device->write(report, sizeof report, 100), WaitResult::Completed);
    EXPECT_EQ(echo.calls, 1);
}

// A responder that unplugs its own interface while the write is in progress.
void unplugging_responder(int, const unsigned char *, size_t, void *) {
    panelink_sim_reset();
}

TEST_F(SimulatedBackend, ResponderMayResetTheBusDuringTheWrite) {
    const int id = plug(board("sim://unplug"));
    std::unique_ptr<Device> device = backend_.open("sim://unplug");
    panelink_sim_set_responder(id, unplugging_responder, nullptr);
    const uint8_t report[65] = {};
    EXPECT_EQ(device->write(report, sizeof report, 100), WaitResult::Completed);
    EXPECT_EQ(device->write(report, sizeof report, 100), WaitResult::Failed);
}

TEST_F(SimulatedBackend, QueuesDropTheirOldestReportsWhenFull) {
    const int id = plug(board("sim://flood"));
    std::unique_ptr<Device> device = backend_.open("sim://flood");
    for (int i = 0; i < 100000; ++i) {
        const unsigned char report[3] = {0, static_cast<unsigned char>(i),
                                         static_cast<unsigned char>(i >> 8)};
        panelink_sim_push_input(id, report, sizeof report);
        ASSERT_EQ(device->write(report, sizeof report, 100), WaitResult::Completed);
    }
    // The newest 32 input reports are left, oldest first.
    uint8_t buffer[3];
    for (int i = 100000 - static_cast<int>(sim::kInputQueueReports); i < 100000; ++i) {
        ASSERT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::Completed);
        ASSERT_EQ(buffer[1] | buffer[2] << 8, i & 0xFFFF);
    }
    EXPECT_EQ(read_report(*device, buffer, sizeof buffer, 0), WaitResult::TimedOut);
    // The newest 1024 output reports are left, oldest first.
    for (int i = 100000 - static_cast<int>(sim::kOutputQueueReports); i < 100000; ++i) {
        ASSERT_EQ(panelink_sim_pop_output(id, buffer, sizeof buffer), 3u);
        ASSERT_EQ(buffer[1] | buffer[2] << 8, i & 0xFFFF);
    }
    EXPECT_EQ(panelink_sim_pop_output(id, buffer, sizeof buffer), 0u);
}

// Reads the demo board at `path` `count` times with the manual clock; each read completes with
// the next moving report.
std::vector<std::vector<uint8_t>> demo_reports(Backend &backend, const char *path, int count,
                                               size_t length) {
    std::unique_ptr<Device> device = backend.open(path);
    std::vector<std::vector<uint8_t>> reports;
    if (device == nullptr) {
        return reports;
    }
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> report(length);
        const uint64_t before = backend.now_ms();
        if (read_report(*device, report.data(), report.size(), 1000) != WaitResult::Completed) {
            break;
        }
        // Moving reports come every 20 ms; the first one at once.
        EXPECT_EQ(backend.now_ms() - before, i == 0 ? 0u : 20u);
        reports.push_back(report);
    }
    return reports;
}

TEST_F(SimulatedBackend, DemoEncoderPulsesOneInputPerDirection) {
    sim::add_demo_set(sim::bus());
    const auto reports = demo_reports(backend_, "sim://demo/0500#vid_12da&pid_0500&mi_00", 80, 65);
    ASSERT_EQ(reports.size(), 80u);
    // Rising edges on input 0 count clockwise detents, on input 1 counter-clockwise ones.
    int clockwise = 0;
    int counter_clockwise = 0;
    for (size_t i = 0; i < reports.size(); ++i) {
        const unsigned before = i == 0 ? 0u : reports[i - 1][1] & 3u;
        const unsigned after = reports[i][1] & 3u;
        ASSERT_NE(after, 3u) << "both encoder inputs on at report " << i;
        clockwise += (after & 1u) != 0 && (before & 1u) == 0;
        counter_clockwise += (after & 2u) != 0 && (before & 2u) == 0;
    }
    EXPECT_GT(clockwise, 0);
    EXPECT_EQ(clockwise, counter_clockwise);
    // Other inputs move too: a bit walks over inputs 8 to 255.
    EXPECT_NE(reports[0], reports[40]);
}

TEST_F(SimulatedBackend, DemoJoystickHoldsOneButtonAtATime) {
    sim::add_demo_set(sim::bus());
    std::unique_ptr<Device> device = backend_.open("sim://demo/0600#vid_12da&pid_0600&mi_00");
    ASSERT_NE(device, nullptr);
    const panelink::hid::Collection *collection = device->collection();
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->usage_page, 1);
    EXPECT_EQ(collection->usage, 4);
    EXPECT_EQ(collection->input_report_byte_length, 7);
    EXPECT_EQ(collection->number_input_button_caps(), 1u);

    const auto reports = demo_reports(backend_, "sim://demo/0600#vid_12da&pid_0600&mi_00", 200, 7);
    ASSERT_EQ(reports.size(), 200u);
    std::vector<bool> seen(32);
    for (const auto &report : reports) {
        uint32_t buttons = 0;
        std::memcpy(&buttons, &report[1], 4);
        ASSERT_EQ(buttons & (buttons - 1), 0u);
        ASSERT_NE(buttons, 0u);
        for (int b = 0; b < 32; ++b) {
            seen[b] = seen[b] || (buttons >> b & 1u) != 0;
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 32);
}

// A fresh process (re-executed by the death-test machinery) in which the environment chooses
// the simulated bus before anything else runs; it exits with 0 when `check` holds.
void in_fresh_process(const char *simulate, const std::function<std::string()> &check) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("PANELINK_SIMULATE", simulate, 1);
            const std::string problem = check();
            std::fprintf(stderr, "%s", problem.c_str());
            std::exit(problem.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SimulatedBackendEnvironment, DemoValuePlugsInTheDemoBoardsAtTheFirstWalk) {
    in_fresh_process("demo", [] {
        if (!simulation_enabled() || &backend() != &simulated_backend()) {
            return std::string("the environment did not choose the simulated bus");
        }
        const std::vector<std::string> expected = {
            "sim://demo/0500#vid_12da&pid_0500&mi_00", "sim://demo/0700#vid_12da&pid_0700&mi_00",
            "sim://demo/0910/0#vid_12da&pid_0910&mi_00",
            "sim://demo/0910/1#vid_12da&pid_0910&mi_01", "sim://demo/0600#vid_12da&pid_0600&mi_00"};
        const std::vector<std::string> paths = walk(backend());
        if (paths != expected) {
            return "unexpected walk of " + std::to_string(paths.size()) + " interfaces";
        }
        const uint16_t products[] = {0x0500, 0x0700, 0x0910, 0x0910, 0x0600};
        for (size_t i = 0; i < paths.size(); ++i) {
            auto device = backend().open(paths[i].c_str());
            Attributes attributes;
            wchar_t text[kDeviceTextChars];
            if (!device || !device->attributes(attributes) || attributes.vendor_id != 0x12DA ||
                attributes.product_id != products[i] ||
                !device->text(DeviceText::Manufacturer, text) ||
                !device->text(DeviceText::Product, text) ||
                !device->text(DeviceText::SerialNumber, text)) {
                return "identity of " + paths[i];
            }
            const panelink::hid::Collection *collection = device->collection();
            const uint16_t length = products[i] == 0x0600 ? 7 : 65;
            if (!collection || collection->input_report_byte_length != length) {
                return "descriptor of " + paths[i];
            }
        }
        // A second walk sees the same boards, not a second set.
        if (walk(backend()).size() != expected.size()) {
            return std::string("the demo set was plugged in twice");
        }
        return std::string();
    });
}

TEST(SimulatedBackendEnvironment, OtherValuesGiveAnEmptyBus) {
    in_fresh_process("1", [] {
        if (!simulation_enabled()) {
            return std::string("the environment did not choose the simulated bus");
        }
        return walk(backend()).empty() ? std::string() : std::string("the bus is not empty");
    });
}

} // namespace
