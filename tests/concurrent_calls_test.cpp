// Calls from several threads at once, on virtual boards: polls, writes, status queries,
// detection and unplugging side by side; CloseDevices racing polls, blocking reads and writes;
// a blocking call on one board beside calls on another; two detections writing their logs.
// Every result must stay among its documented values, every decoded report must be one whole
// report, and no handle may be left open.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "support/sim_boards.h"
#include "support/status_responder.h"

namespace panelink::test {
namespace {

using Clock = std::chrono::steady_clock;
using Records = std::vector<DeviceRecord>;

constexpr size_t kReportLength = 65; // the vendor boards' input and output reports

// A report whose 64 data bytes all hold `value`: a decode or a write that mixes two reports
// shows as unequal bytes.
std::vector<uint8_t> uniform_report(uint8_t value) {
    std::vector<uint8_t> report(kReportLength, value);
    report[0] = 0; // no report ID
    return report;
}

bool data_bytes_equal(const uint8_t *bytes, size_t count) {
    for (size_t i = 1; i < count; ++i)
        if (bytes[i] != bytes[0])
            return false;
    return true;
}

bool is_read_result(int32_t result) {
    return result >= PANELINK_READ_FAILED && result <= PANELINK_READ_TIMED_OUT;
}

bool is_write_result(int32_t result) {
    return result == 0 || result == static_cast<int32_t>(kReportLength);
}

// What the threads of a test count; checked once they have all ended.
struct Tally {
    std::atomic<long> calls{0};
    std::atomic<long> wrong{0}; // a result outside its documented values, or wrong content
    std::atomic<long> good{0};  // decoded reports, written reports, matching status records
    void count(bool ok) {
        calls.fetch_add(1, std::memory_order_relaxed);
        if (!ok)
            wrong.fetch_add(1, std::memory_order_relaxed);
    }
};

// Runs each function on a thread of its own until `duration` has passed.
void run_together(const std::vector<std::function<void(const std::atomic<bool> &)>> &work,
                  std::chrono::milliseconds duration) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (const auto &function : work)
        threads.emplace_back([&function, &stop] { function(stop); });
    std::this_thread::sleep_for(duration);
    stop = true;
    for (std::thread &thread : threads)
        thread.join();
}

class ConcurrentCallsTest : public SimBoardsTest {};

TEST_F(ConcurrentCallsTest, PollsWritesStatusDetectionAndUnplugTogether) {
    const int polled[2] = {
        add_board(make_board(0x0500, board_path(PANELINK_VENDOR_ID_A, 0x0500, false, 0))),
        add_board(make_board(0x0500, board_path(PANELINK_VENDOR_ID_A, 0x0500, false, 1)))};
    const int written = add_board(0x0700);
    const int status_board = add_board(0x0800);
    StatusReplies replies;
    for (size_t port = 0; port < 24; ++port)
        replies.port_status[port] = static_cast<uint8_t>(port % 3 == 0 ? 0x05 : 0x09);
    install_status_responder(status_board, replies);

    Records records(PANELINK_MAX_DEVICES + 1);
    int32_t count = 0;
    ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 4);
    ASSERT_EQ(records[3].ProductID, 0x0800);
    // The status the board gives when nothing else goes on: every later query must match it.
    StatusRecord expected{};
    ASSERT_EQ(RetrieveStatus(&records[3], &expected), 1);

    // A fifth board that comes and goes: walked last, so it never moves the four above.
    const Board churn = make_board(0x0500, board_path(PANELINK_VENDOR_ID_A, 0x0500, false, 2));
    std::atomic<int> churn_id{add_board(churn)};

    Tally polls[2], writes, popped, status, detections, churn_calls;
    std::atomic<long> unplugs{0};
    auto poller = [&](int board) {
        return [&, board](const std::atomic<bool> &stop) {
            uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
            while (!stop) {
                const int32_t result = ReadInputData(&records[board], states, 1);
                polls[board].count(is_read_result(result) && result != PANELINK_READ_FAILED);
                if (result == PANELINK_READ_DECODED) {
                    polls[board].good.fetch_add(1);
                    polls[board].count(data_bytes_equal(states, kReportLength - 1));
                }
            }
        };
    };
    auto feeder = [&](const std::atomic<bool> &stop) {
        uint8_t value = 0;
        std::vector<uint8_t> output(256);
        while (!stop) {
            for (int id : polled)
                panelink_sim_push_input(id, uniform_report(++value).data(), kReportLength);
            for (size_t length = panelink_sim_pop_output(written, output.data(), output.size());
                 length != 0;
                 length = panelink_sim_pop_output(written, output.data(), output.size())) {
                popped.count(length == kReportLength && data_bytes_equal(&output[1], 64));
                popped.good.fetch_add(1);
            }
            std::this_thread::yield();
        }
    };
    auto writer = [&](const std::atomic<bool> &stop) {
        uint8_t value = 0;
        while (!stop) {
            // Never more than half the board's output queue ahead of the feeder, which takes
            // the reports off: every report written must be found there.
            if (writes.good.load() - popped.good.load() > 512) {
                std::this_thread::yield();
                continue;
            }
            const int32_t result = WriteData(&records[2], uniform_report(++value).data());
            writes.count(result == static_cast<int32_t>(kReportLength));
            if (result != 0)
                writes.good.fetch_add(1);
        }
    };
    auto status_reader = [&](const std::atomic<bool> &stop) {
        while (!stop) {
            StatusRecord got{};
            status.count(RetrieveStatus(&records[3], &got) == 1 &&
                         std::memcmp(&got, &expected, sizeof got) == 0);
        }
    };
    auto detector = [&](const std::atomic<bool> &stop) {
        Records mine(PANELINK_MAX_DEVICES + 1);
        uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
        while (!stop) {
            int32_t found = 0;
            const int32_t result = DetectHID(&found, mine.data(), PANELINK_MODE_STANDARD);
            detections.count(result == 1 && (found == 4 || found == 5));
            // The churn board, when it was there: its own poll position (4), its own writes.
            if (found == 5) {
                for (int i = 0; i < 3; ++i)
                    churn_calls.count(is_read_result(ReadInputData(&mine[4], states, 0)));
                churn_calls.count(is_write_result(WriteData(&mine[4], uniform_report(1).data())));
            }
            CloseDevices(static_cast<uint32_t>(found), mine.data());
        }
    };
    auto unplugger = [&](const std::atomic<bool> &stop) {
        while (!stop) {
            panelink_sim_remove(churn_id.load());
            std::this_thread::yield();
            churn_id = add_board(churn);
            unplugs.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    };
    run_together({poller(0), poller(1), feeder, writer, status_reader, detector, unplugger},
                 std::chrono::milliseconds(2500));

    // What the writer wrote and the feeder has not taken yet.
    std::vector<uint8_t> output(256);
    while (size_t length = panelink_sim_pop_output(written, output.data(), output.size())) {
        popped.count(length == kReportLength && data_bytes_equal(&output[1], 64));
        popped.good.fetch_add(1);
    }
    for (int board = 0; board < 2; ++board) {
        EXPECT_EQ(polls[board].wrong.load(), 0)
            << "board " << board << ": a failed poll or a torn report";
        EXPECT_GT(polls[board].good.load(), 0) << "board " << board << " decoded nothing";
    }
    EXPECT_EQ(writes.wrong.load(), 0);
    EXPECT_GT(writes.good.load(), 0);
    EXPECT_EQ(popped.wrong.load(), 0) << "a report reached the board torn";
    EXPECT_EQ(popped.good.load(), writes.good.load()) << "reports written and reports arrived";
    EXPECT_EQ(status.wrong.load(), 0) << "a status record differed from the quiet one";
    EXPECT_GT(status.calls.load(), 0);
    EXPECT_EQ(detections.wrong.load(), 0);
    EXPECT_GT(detections.calls.load(), 0);
    EXPECT_EQ(churn_calls.wrong.load(), 0);
    EXPECT_GT(unplugs.load(), 0);

    CloseDevices(static_cast<uint32_t>(count), records.data());
    EXPECT_EQ(open_device_count(), 0u);
}

// CloseDevices on one thread while other threads poll, read and write the records it closes:
// each call either works or fails cleanly, and every call that starts after CloseDevices has
// returned fails.
TEST_F(ConcurrentCallsTest, CloseDevicesDuringCallsLetsLaterCallsFail) {
    const int ids[2] = {add_board(make_board(0x0500)), add_board(make_board(0x0700))};
    Records records(PANELINK_MAX_DEVICES + 1);
    struct Caller {
        const char *name;
        std::function<bool(DeviceRecord &, uint8_t *)> call; // true: a success
        std::function<bool(bool, bool)> valid;               // (success, started after close)
    };
    // After the close only a failure is valid; before it, success or failure.
    const auto fails_after_close = [](bool success, bool after) { return !(success && after); };
    const std::vector<Caller> callers = {
        {"ReadInputData",
         [](DeviceRecord &record, uint8_t *states) {
             const int32_t result = ReadInputData(&record, states, 0);
             return result != PANELINK_READ_FAILED && is_read_result(result);
         },
         fails_after_close},
        {"ReadData",
         [](DeviceRecord &record, uint8_t *states) {
             const int32_t result = ReadData(&record, states);
             return result != PANELINK_READ_FAILED && is_read_result(result);
         },
         fails_after_close},
        {"WriteData",
         [](DeviceRecord &record, uint8_t *) {
             return WriteData(&record, uniform_report(7).data()) != 0;
         },
         fails_after_close},
    };
    for (const Caller &caller : callers) {
        SCOPED_TRACE(caller.name);
        std::atomic<long> wrong{0};
        std::atomic<long> successes_before_close{0};
        for (int round = 0; round < 40; ++round) {
            int32_t count = 0;
            ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
            ASSERT_EQ(count, 2);
            std::atomic<bool> closed{false};
            std::atomic<bool> stop{false};
            std::atomic<int> calls_made{0};
            // Board 0's calls read the very record CloseDevices() clears; board 1's a copy of
            // its record, whose Handle stays as it was: the table alone must refuse it.
            DeviceRecord copy = records[1];
            DeviceRecord *used[2] = {&records[0], &copy};
            std::vector<std::thread> threads;
            for (int board = 0; board < 2; ++board) {
                threads.emplace_back([&, board] {
                    uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
                    while (!stop) {
                        const bool after = closed.load();
                        panelink_sim_push_input(ids[board], uniform_report(1).data(),
                                                kReportLength);
                        const bool success = caller.call(*used[board], states);
                        if (!caller.valid(success, after))
                            ++wrong;
                        if (success && !after)
                            ++successes_before_close;
                        ++calls_made;
                    }
                });
            }
            // Close while the calls are under way: once the threads have made a few calls (a slow,
            // emulated machine may need far longer for that than the usual fraction of a
            // millisecond), within two seconds.
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (calls_made.load() < 4 && std::chrono::steady_clock::now() < give_up)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            CloseDevices(static_cast<uint32_t>(count), records.data());
            closed = true;
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            stop = true;
            for (std::thread &thread : threads)
                thread.join();
            EXPECT_EQ(records[0].Handle, 0u);
            EXPECT_EQ(open_device_count(), 0u) << "round " << round;
        }
        EXPECT_EQ(wrong.load(), 0) << "a call that started after CloseDevices returned succeeded";
        EXPECT_GT(successes_before_close.load(), 0);
    }
}

// A blocking call on one board (real clock) holds up no call on another board, nor a
// CloseDevices() of the blocked board itself; the blocked call then ends as documented and its
// handle is closed.
TEST_F(ConcurrentCallsTest, ABlockingCallHoldsUpNoOtherBoard) {
    struct Blocking {
        const char *name;
        std::function<void(int)> prepare; // on the blocked board's id
        std::function<int32_t(DeviceRecord &)> call;
        int32_t while_open;  // its result on the open board, after waiting
        int32_t once_closed; // its result on the closed handle
    };
    const std::vector<Blocking> blocking = {
        {"ReadData on a quiet board", [](int) {},
         [](DeviceRecord &record) {
             uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
             return ReadData(&record, states);
         },
         PANELINK_READ_TIMED_OUT, PANELINK_READ_FAILED},
        // Five writes of 100 ms in a row: a window long enough for a machine under load.
        {"WriteData the board does not take",
         [](int id) { panelink_sim_set_fault(id, PANELINK_SIM_FAULT_WRITE_TIMEOUT, -1); },
         [](DeviceRecord &record) {
             int32_t result = -1;
             for (int i = 0; i < 5; ++i)
                 result = WriteData(&record, uniform_report(3).data());
             return result;
         },
         0, 0},
    };
    panelink_sim_enable(0); // real clock: the calls really wait
    for (const Blocking &block : blocking) {
        SCOPED_TRACE(block.name);
        const int blocked_id = add_board(make_board(0x0500));
        const int other_id = add_board(make_board(0x0700));
        block.prepare(blocked_id);
        Records records(PANELINK_MAX_DEVICES + 1);
        int32_t count = 0;
        ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
        ASSERT_EQ(count, 2);
        DeviceRecord blocked_copy = records[0];

        std::atomic<bool> entered{false};
        std::atomic<bool> returned{false};
        int32_t blocked_result = -1;
        std::thread blocked([&] {
            entered = true;
            blocked_result = block.call(blocked_copy);
            returned = true;
        });
        while (!entered)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let it block

        // The other board: reports polled and written while the first call still waits.
        uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
        int rounds = 0;
        for (; rounds < 20 && !returned; ++rounds) {
            ASSERT_EQ(panelink_sim_push_input(other_id, uniform_report(9).data(), kReportLength),
                      1);
            int32_t polled = ReadInputData(&records[1], states, 1);
            if (polled == PANELINK_READ_PENDING)
                polled = ReadInputData(&records[1], states, 1);
            ASSERT_EQ(polled, PANELINK_READ_DECODED);
            ASSERT_EQ(WriteData(&records[1], uniform_report(4).data()), 65);
        }
        // Closing the blocked board does not wait for its call either.
        CloseDevices(1, records.data());
        const bool closed_while_blocked = !returned;
        blocked.join();
        EXPECT_EQ(rounds, 20) << "the other board's calls waited for the blocked call";
        EXPECT_TRUE(closed_while_blocked) << "CloseDevices waited for the blocked call";
        EXPECT_EQ(blocked_result, block.while_open) << "the blocked call's result";
        EXPECT_EQ(open_device_count(), 1u) << "the closed board is still open";
        EXPECT_EQ(block.call(blocked_copy), block.once_closed) << "a call on the closed handle";
        CloseDevices(static_cast<uint32_t>(count), records.data());
        panelink_sim_remove(blocked_id);
        panelink_sim_remove(other_id);
    }
}

// Two detections of different modes on two threads: each log file is exactly what the same
// detection writes alone (the sessions take turns, and each writes only its own stream).
TEST_F(ConcurrentCallsTest, DetectionsOnTwoThreadsWriteTheirLogsWhole) {
    add_board(0x0500);
    add_board(make_board(0x0910, board_path(PANELINK_VENDOR_ID_A, 0x0910, true)));
    add_board(0x1000);
    const int modes[2] = {PANELINK_MODE_STANDARD, PANELINK_MODE_DEVICES};
    const char *logs[2] = {"panelink_all.log", "panelink_dev.log"};
    int32_t found_alone[2] = {};
    std::string alone[2];
    Records records(PANELINK_MAX_DEVICES + 1);
    for (int i = 0; i < 2; ++i) {
        remove_file(logs[i]);
        DetectHID(&found_alone[i], records.data(), modes[i]);
        CloseDevices(static_cast<uint32_t>(found_alone[i]), records.data());
        alone[i] = read_file(logs[i]);
        ASSERT_FALSE(alone[i].empty()) << logs[i];
    }
    long wrong[2] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] {
            Records mine(PANELINK_MAX_DEVICES + 1);
            for (int round = 0; round < 200; ++round) {
                int32_t found = 0;
                DetectHID(&found, mine.data(), modes[i]);
                wrong[i] += found != found_alone[i];
                CloseDevices(static_cast<uint32_t>(found), mine.data());
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(wrong[i], 0) << logs[i];
        EXPECT_EQ(read_file(logs[i]), alone[i]) << logs[i];
    }
}

} // namespace
} // namespace panelink::test
