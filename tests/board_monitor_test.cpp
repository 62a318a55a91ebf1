// The board monitor: events of virtual boards through the public interface, and the hub's
// bookkeeping (duplicates, departures' identity, lost events) against a watch the test drives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "monitor/board_hub.h"
#include "monitor/event_queue.h"
#include "support/sim_boards.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

namespace {

using panelink::test::add_board;
using panelink::test::board_path;
using panelink::test::make_board;

class BoardMonitor : public panelink::test::SimBoardsTest {};

// Every event queued now, without waiting.
std::vector<PanelinkBoardEvent> drain(uint32_t monitor) {
    std::vector<PanelinkBoardEvent> events;
    PanelinkBoardEvent event;
    while (panelink_monitor_next(monitor, &event, 0) == PANELINK_MONITOR_EVENT)
        events.push_back(event);
    return events;
}

// "A 0910" for an arrival of product 0x0910.
std::string summary(const PanelinkBoardEvent &event) {
    char text[16];
    std::snprintf(text, sizeof text, "%c %04X", event.event == PANELINK_BOARD_ARRIVED ? 'A' : 'L',
                  event.product_id);
    return text;
}

std::vector<std::string> summaries(const std::vector<PanelinkBoardEvent> &events) {
    std::vector<std::string> out;
    for (const PanelinkBoardEvent &event : events)
        out.push_back(summary(event));
    return out;
}

bool signalled(intptr_t handle) {
#ifdef _WIN32
    return WaitForSingleObject(reinterpret_cast<HANDLE>(handle), 0) == WAIT_OBJECT_0;
#else
    pollfd descriptor{static_cast<int>(handle), POLLIN, 0};
    return ::poll(&descriptor, 1, 0) == 1 && (descriptor.revents & POLLIN) != 0;
#endif
}

TEST_F(BoardMonitor, SnapshotThenLiveEventsOfTheFamilysBoardsOnly) {
    const int present = add_board(0x0500);
    add_board(0x0500, board_path(0x1234, 0x0500), 0x1234); // not of the family

    struct Case {
        uint32_t flags;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0, {"A 0700", "L 0500", "L 0700"}},
        {PANELINK_MONITOR_SNAPSHOT, {"A 0500", "A 0700", "L 0500", "L 0700"}},
    };
    std::vector<uint32_t> monitors;
    for (const Case &c : cases) {
        monitors.push_back(panelink_monitor_open(c.flags));
        ASSERT_NE(monitors.back(), 0u);
    }
    const int arriving = add_board(0x0700);
    add_board(0x0600, board_path(0x6667, 0x0600), 0x6667);
    ASSERT_EQ(panelink_sim_remove(present), 1);
    ASSERT_EQ(panelink_sim_remove(arriving), 1);

    for (size_t i = 0; i < monitors.size(); ++i) {
        EXPECT_EQ(summaries(drain(monitors[i])), cases[i].expected) << "flags " << cases[i].flags;
        EXPECT_EQ(panelink_monitor_close(monitors[i]), 1);
    }
}

TEST_F(BoardMonitor, DepartureCarriesTheIdentityOfItsArrival) {
    const uint32_t monitor = panelink_monitor_open(0);
    ASSERT_NE(monitor, 0u);
    struct Case {
        panelink::test::Board board;
        uint8_t config_interface;
        const char *serial;
    };
    const auto at = [](uint16_t product_id, bool config_interface) {
        return make_board(product_id,
                          board_path(PANELINK_VENDOR_ID_A, product_id, config_interface));
    };
    panelink::test::Board no_serial = at(0x0500, false);
    no_serial.serial_number = std::nullopt;
    const Case cases[] = {
        {at(0x0910, true), 1, "123"},
        {at(0x0910, false), 0, "123"}, // a product with a configuration interface, first one
        {at(0x0500, true), 0, "123"},  // a product without one
        {no_serial, 0, ""},
    };
    for (const Case &c : cases) {
        const int id = add_board(c.board);
        ASSERT_EQ(panelink_sim_remove(id), 1);
        const std::vector<PanelinkBoardEvent> events = drain(monitor);
        ASSERT_EQ(events.size(), 2u) << c.board.path;
        const PanelinkBoardEvent &arrival = events[0];
        EXPECT_EQ(arrival.event, PANELINK_BOARD_ARRIVED);
        EXPECT_EQ(arrival.vendor_id, c.board.vendor_id);
        EXPECT_EQ(arrival.product_id, c.board.product_id);
        EXPECT_EQ(arrival.version, c.board.version_number);
        EXPECT_EQ(arrival.config_interface, c.config_interface) << c.board.path;
        EXPECT_EQ(arrival.opened, 1);
        EXPECT_STREQ(arrival.path, c.board.path.c_str());
        EXPECT_STREQ(arrival.serial, c.serial);
        PanelinkBoardEvent departure = events[1];
        EXPECT_EQ(departure.event, PANELINK_BOARD_LEFT);
        departure.event = PANELINK_BOARD_ARRIVED;
        EXPECT_EQ(std::memcmp(&departure, &arrival, sizeof arrival), 0) << c.board.path;
    }
    EXPECT_EQ(panelink_monitor_close(monitor), 1);
}

TEST_F(BoardMonitor, WaitHandleIsSignalledWhileEventsAreQueued) {
    const uint32_t monitor = panelink_monitor_open(0);
    ASSERT_NE(monitor, 0u);
    const intptr_t handle = panelink_monitor_wait_handle(monitor);
    ASSERT_NE(handle, -1);
    EXPECT_FALSE(signalled(handle));
    const int id = add_board(0x0500);
    panelink_sim_remove(id);
    EXPECT_TRUE(signalled(handle));
    PanelinkBoardEvent event;
    ASSERT_EQ(panelink_monitor_next(monitor, &event, 0), PANELINK_MONITOR_EVENT);
    EXPECT_TRUE(signalled(handle)) << "one event is still queued";
    ASSERT_EQ(panelink_monitor_next(monitor, &event, 0), PANELINK_MONITOR_EVENT);
    EXPECT_FALSE(signalled(handle));
    EXPECT_EQ(panelink_monitor_next(monitor, &event, 10), PANELINK_MONITOR_TIMEOUT);
    EXPECT_EQ(panelink_monitor_close(monitor), 1);
}

TEST_F(BoardMonitor, RefusesBadCallsAndClosedMonitors) {
    PanelinkBoardEvent event;
    EXPECT_EQ(panelink_monitor_open(2), 0u);
    const uint32_t monitor = panelink_monitor_open(0);
    ASSERT_NE(monitor, 0u);
    EXPECT_EQ(panelink_monitor_next(monitor, nullptr, 0), PANELINK_MONITOR_BAD_ARGUMENT);
    EXPECT_EQ(panelink_monitor_close(monitor), 1);
    EXPECT_EQ(panelink_monitor_close(monitor), 0);
    EXPECT_EQ(panelink_monitor_next(monitor, &event, PANELINK_WAIT_FOREVER),
              PANELINK_MONITOR_CLOSED);
    EXPECT_EQ(panelink_monitor_wait_handle(monitor), -1);
    EXPECT_EQ(panelink_monitor_next(0, &event, 0), PANELINK_MONITOR_CLOSED);
}

TEST_F(BoardMonitor, ClosingWakesEveryThreadWaitingOnIt) {
    const uint32_t monitor = panelink_monitor_open(0);
    ASSERT_NE(monitor, 0u);
    std::vector<int32_t> results(3, 99);
    std::vector<std::thread> waiters;
    for (int32_t &result : results) {
        waiters.emplace_back([&result, monitor] {
            PanelinkBoardEvent event;
            result = panelink_monitor_next(monitor, &event, PANELINK_WAIT_FOREVER);
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(panelink_monitor_close(monitor), 1);
    for (std::thread &waiter : waiters)
        waiter.join();
    for (int32_t result : results)
        EXPECT_EQ(result, PANELINK_MONITOR_CLOSED);
}

TEST_F(BoardMonitor, AFullQueueKeepsTheNewestEvents) {
    const uint32_t monitor = panelink_monitor_open(0);
    ASSERT_NE(monitor, 0u);
    const size_t cycles = panelink::monitor::kQueueCapacity / 2 + 10; // 20 events too many
    for (size_t i = 0; i < cycles; ++i) {
        const int id =
            add_board(0x0500, board_path(PANELINK_VENDOR_ID_A, 0x0500, false, static_cast<int>(i)));
        panelink_sim_remove(id);
    }
    const std::vector<PanelinkBoardEvent> events = drain(monitor);
    ASSERT_EQ(events.size(), panelink::monitor::kQueueCapacity);
    EXPECT_STREQ(events.front().path, board_path(PANELINK_VENDOR_ID_A, 0x0500, false, 10).c_str());
    EXPECT_EQ(events.front().event, PANELINK_BOARD_ARRIVED);
    EXPECT_EQ(panelink_monitor_close(monitor), 1);
}

// A watch the test drives: it hands out the sink and the boards present when it starts.
panelink::platform::BoardEventSink *driven_sink = nullptr;
std::vector<panelink::platform::BoardArrival> driven_present;
int driven_watches = 0;

class DrivenWatch final : public panelink::platform::BoardWatch {
  public:
    ~DrivenWatch() override { --driven_watches; }
};

class DrivenBackend final : public panelink::platform::Backend {
  public:
    bool begin_walk() override { return false; }
    panelink::platform::WalkStep walk_interface(uint32_t, std::string &) override {
        return panelink::platform::WalkStep::End;
    }
    void end_walk() override {}
    std::unique_ptr<panelink::platform::Device> open(const char *) override { return nullptr; }
    std::unique_ptr<panelink::platform::BoardWatch>
    watch_boards(panelink::platform::BoardEventSink &sink, panelink::platform::BoardFilter,
                 std::vector<panelink::platform::BoardArrival> &present) override {
        driven_sink = &sink;
        present = driven_present;
        ++driven_watches;
        return std::make_unique<DrivenWatch>();
    }
    uint64_t now_ms() override { return 0; }
    uint32_t last_error() override { return 0; }
    std::string error_text(uint32_t) override { return {}; }
};

panelink::platform::Backend &driven_backend() {
    static DrivenBackend backend;
    return backend;
}

panelink::platform::BoardArrival arrival(const std::string &path, uint16_t product_id,
                                         uint16_t vendor_id = PANELINK_VENDOR_ID_A) {
    panelink::platform::BoardArrival out;
    out.path = path;
    out.attributes = {vendor_id, product_id, 0x0100};
    out.serial = L"S1";
    return out;
}

std::vector<std::string> taken(panelink::monitor::EventQueue &queue) {
    std::vector<std::string> out;
    PanelinkBoardEvent event;
    while (queue.take(event, 0) == panelink::monitor::TakeResult::Event)
        out.push_back(summary(event) + " " + event.path);
    return out;
}

TEST(BoardHub, ReportsWhatChangedAndNothingTwice) {
    using panelink::platform::BoardArrival;
    driven_present = {arrival("a", 0x0500), arrival("x", 0x0500, 0x1234)};
    panelink::monitor::BoardHub hub(&driven_backend);
    auto queue = std::make_shared<panelink::monitor::EventQueue>();
    ASSERT_TRUE(hub.subscribe(queue, true));
    ASSERT_NE(driven_sink, nullptr);
    EXPECT_EQ(taken(*queue), (std::vector<std::string>{"A 0500 a"}));

    struct Step {
        const char *what;
        std::function<void(panelink::platform::BoardEventSink &)> deliver;
        std::vector<std::string> expected;
    };
    const Step steps[] = {
        {"a present board told again", [](auto &sink) { sink.arrived(arrival("a", 0x0500)); }, {}},
        {"a departure of a board never reported", [](auto &sink) { sink.left("x"); }, {}},
        {"another board at a known path",
         [](auto &sink) { sink.arrived(arrival("a", 0x0700)); },
         {"L 0500 a", "A 0700 a"}},
        {"lost events: one board gone, two new",
         [](auto &sink) {
             sink.resynchronise(
                 {arrival("b", 0x0910), arrival("c", 0x0600), arrival("y", 0x0600, 0x1234)});
         },
         {"L 0700 a", "A 0910 b", "A 0600 c"}},
        {"lost events, nothing changed",
         [](auto &sink) {
             sink.resynchronise({arrival("b", 0x0910), arrival("c", 0x0600)});
         },
         {}},
    };
    for (const Step &step : steps) {
        step.deliver(*driven_sink);
        EXPECT_EQ(taken(*queue), step.expected) << step.what;
    }

    // Once the last monitor is gone the watch stops; a new one starts afresh.
    hub.unsubscribe(queue);
    EXPECT_EQ(driven_watches, 0);
    driven_present = {};
    auto next = std::make_shared<panelink::monitor::EventQueue>();
    ASSERT_TRUE(hub.subscribe(next, true));
    EXPECT_EQ(driven_watches, 1);
    EXPECT_TRUE(taken(*next).empty()) << "what the first watch saw is forgotten";
    hub.unsubscribe(next);
}

} // namespace
