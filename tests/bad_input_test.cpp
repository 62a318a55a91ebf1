// Bad input against every export: null pointers, zeroed records, closed, stale and forged
// handles, DeviceIndex and report lengths at and past their limits, every detection mode,
// PortCount over its whole range and out-of-range ports, counts and pattern numbers.
//
// Each call must give the function's failure result (or its documented result) and write
// nothing outside the caller's buffers. Every buffer handed to the library sits between two
// guard zones: their bytes are checked after the call, and under AddressSanitizer the zones are
// poisoned as well, so even a read of a guard byte stops the test.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "support/guarded_buffer.h"
#include "support/open_board.h"
#include "support/sim_boards.h"

namespace panelink::test {
namespace {

// A guarded caller's buffer (support/guarded_buffer.h) of `count` elements whose guards are
// checked when it goes: a byte written beside it fails the test.
template <typename T> class Checked : public Guarded<T> {
  public:
    using Guarded<T>::Guarded;
    ~Checked() {
        EXPECT_TRUE(this->guards_intact()) << "a guard byte beside a caller's buffer was written";
    }
    Checked(const Checked &) = delete;
    Checked &operator=(const Checked &) = delete;
};

using Bytes = Checked<uint8_t>;

// The fixed data lengths the output commands read from their pointers.
constexpr size_t kDirectBytes = 15, kMuxBytes = 56, kLatchedStates = 64, kSpiDacBytes = 40,
                 kDotMatrixBytes = 16, kGlcdTextBytes = 48, kLcdBytes = 20, kTandemBytes = 22,
                 kCrtRwrValues = 13;

// One export called on a record with guarded buffers for everything else it takes.
struct ExportCall {
    const char *name;
    int32_t failure; // the function's failure result
    std::function<int32_t(DeviceRecord *)> call;
    bool reads_input = false; // writes the caller's InputStates only on success
};

// Inputs the library only reads must come back unchanged whatever happened.
template <typename T> int32_t unchanged_after(Checked<T> &buffer, int32_t result) {
    EXPECT_TRUE(buffer.untouched()) << "an input buffer was written";
    return result;
}

std::vector<ExportCall> every_export_on_a_record() {
    return {
        {"ReadData", PANELINK_READ_FAILED,
         [](DeviceRecord *r) {
             Bytes states(PANELINK_INPUT_STATES_SIZE);
             const int32_t result = ReadData(r, states.get());
             if (result != PANELINK_READ_DECODED) {
                 EXPECT_TRUE(states.untouched()) << "ReadData wrote on failure";
             }
             return result;
         },
         true},
        {"ReadInputData", PANELINK_READ_FAILED,
         [](DeviceRecord *r) {
             Bytes states(PANELINK_INPUT_STATES_SIZE);
             const int32_t result = ReadInputData(r, states.get(), 0);
             if (result != PANELINK_READ_DECODED) {
                 EXPECT_TRUE(states.untouched()) << "ReadInputData wrote without a report";
             }
             return result;
         },
         true},
        {"WriteData", 0,
         [](DeviceRecord *r) {
             Bytes report(r != nullptr ? r->OutputReportByteLength + 1u : 1u);
             return unchanged_after(report, WriteData(r, report.get()));
         }},
        {"WriteDirectOutput", 0,
         [](DeviceRecord *r) {
             Bytes data(kDirectBytes);
             return unchanged_after(data, WriteDirectOutput(r, 1, data.get()));
         }},
        {"WriteMuxOutput", 0,
         [](DeviceRecord *r) {
             Bytes data(kMuxBytes);
             return unchanged_after(data, WriteMuxOutput(r, 2, data.get()));
         }},
        {"WriteLatchedOutput", 0,
         [](DeviceRecord *r) {
             Bytes states(kLatchedStates, 1);
             return unchanged_after(states, WriteLatchedOutput(r, 3, states.get(), 7));
         }},
        {"WriteSPIDAC", 0,
         [](DeviceRecord *r) {
             Bytes data(kSpiDacBytes);
             return unchanged_after(data, WriteSPIDAC(r, 4, data.get(), 1));
         }},
        {"CmdGLCD", 0, [](DeviceRecord *r) { return CmdGLCD(r, 5, 1, 0x3F); }},
        {"WriteGLCD", 0,
         [](DeviceRecord *r) {
             Checked<char> text(kGlcdTextBytes, 'A');
             return unchanged_after(text, WriteGLCD(r, 6, 0, 2, 1, text.get()));
         }},
        {"WriteDotMatrix", 0,
         [](DeviceRecord *r) {
             Bytes patterns(kDotMatrixBytes);
             return unchanged_after(patterns, WriteDotMatrix(r, 7, patterns.get(), 1));
         }},
        {"WriteCRTRWR", 0,
         [](DeviceRecord *r) {
             Checked<int32_t> values(kCrtRwrValues);
             return unchanged_after(values, WriteCRTRWR(r, 8, 1, 13, 0, values.get()));
         }},
        {"Write7Segment", 0,
         [](DeviceRecord *r) {
             Bytes digits(2);
             return unchanged_after(digits, Write7Segment(r, digits.get()));
         }},
        {"ClearLCD", 0, [](DeviceRecord *r) { return ClearLCD(r, 0); }},
        {"WriteLCD", 0,
         [](DeviceRecord *r) {
             Checked<char> text(kLcdBytes, 'B');
             return unchanged_after(text, WriteLCD(r, 0, 1, text.get(), 1));
         }},
        {"WriteDisplayOutput", 0,
         [](DeviceRecord *r) {
             Checked<char> text(6, '7');
             text.get()[5] = '\0';
             return WriteDisplayOutput(r, 9, text.get(), 1);
         }},
        {"WriteTANDEM", 0,
         [](DeviceRecord *r) {
             Checked<char> layout(kTandemBytes, '4'); // groups without terminators
             return unchanged_after(layout, WriteTANDEM(r, layout.get(), 1));
         }},
    };
}

// Every export that takes a record gives its failure result for `record`, writes nothing
// outside the caller's buffers and leaves the record as it was.
void expect_every_export_fails(DeviceRecord *record, const std::string &what) {
    for (const ExportCall &e : every_export_on_a_record()) {
        DeviceRecord before{};
        if (record != nullptr)
            before = *record;
        EXPECT_EQ(e.call(record), e.failure) << e.name << " with " << what;
        if (record != nullptr) {
            EXPECT_EQ(std::memcmp(&before, record, sizeof before), 0)
                << e.name << " changed the record (" << what << ")";
        }
    }
    // RetrieveStatus has no failure result: it always fills the fixed initial flags of a
    // record it is given, and touches nothing without one.
    Checked<StatusRecord> status(1);
    EXPECT_EQ(RetrieveStatus(record, status.get()), 1) << what;
    if (record == nullptr) {
        EXPECT_TRUE(status.untouched());
    }
}

class BadInputTest : public SimBoardsTest {};

// ---------------------------------------------------------------------------------------------
// Null pointers and zeroed records

TEST_F(BadInputTest, NullRecordFailsEveryExport) {
    expect_every_export_fails(nullptr, "a null record");
    EXPECT_EQ(RetrieveStatus(nullptr, nullptr), 1);
}

TEST_F(BadInputTest, NullBuffersFailWithAnOpenBoard) {
    OpenBoard board;
    DeviceRecord *r = &board.record();
    EXPECT_EQ(ReadData(r, nullptr), PANELINK_READ_FAILED);
    EXPECT_EQ(ReadInputData(r, nullptr, 0), PANELINK_READ_FAILED);
    EXPECT_EQ(ReadInputData(r, nullptr, 1), PANELINK_READ_FAILED);
    EXPECT_EQ(WriteData(r, nullptr), 0);
    EXPECT_EQ(WriteDirectOutput(r, 0, nullptr), 0);
    EXPECT_EQ(WriteMuxOutput(r, 0, nullptr), 0);
    EXPECT_EQ(WriteLatchedOutput(r, 0, nullptr, 0), 0);
    EXPECT_EQ(WriteSPIDAC(r, 0, nullptr, 0), 0);
    EXPECT_EQ(WriteDotMatrix(r, 0, nullptr, 0), 0);
    EXPECT_EQ(WriteCRTRWR(r, 0, 0, 1, 0, nullptr), 0);
    EXPECT_EQ(Write7Segment(r, nullptr), 0);
    EXPECT_EQ(WriteDisplayOutput(r, 0, nullptr, 0), 0);
    EXPECT_EQ(WriteTANDEM(r, nullptr, 0), 0);
    EXPECT_TRUE(board.pop_all_output().empty()) << "a report went out for a null buffer";

    // Documented exceptions: a null text sends blanks, and no values are needed for count 0
    // (nor for a count whose low byte is 0).
    EXPECT_EQ(WriteGLCD(r, 0, 0, 2, 0, nullptr), 65);
    EXPECT_EQ(WriteLCD(r, 0, 0, nullptr, 0), 65);
    EXPECT_EQ(WriteCRTRWR(r, 0, 0, 0, 0, nullptr), 65);
    EXPECT_EQ(WriteCRTRWR(r, 0, 0, 256, 0, nullptr), 65);
    EXPECT_EQ(board.pop_all_output().size(), 4u);

    EXPECT_EQ(RetrieveStatus(r, nullptr), 1);

    // Without a StatusRecord not even a board with ports to query is asked anything.
    OpenBoard ports(0x0800);
    ports.record().PortCount = 24;
    EXPECT_EQ(RetrieveStatus(&ports.record(), nullptr), 1);
    EXPECT_TRUE(ports.pop_all_output().empty());
}

TEST_F(BadInputTest, NullCountOrArrayFailsDetection) {
    add_board(0x0500);
    std::filesystem::remove("panelink_all.log");
    Checked<DeviceRecord> records(2, 0x33);
    Checked<int32_t> count(1);
    EXPECT_EQ(DetectHID(nullptr, records.get(), PANELINK_MODE_STANDARD), 0);
    EXPECT_EQ(DetectHID(count.get(), nullptr, PANELINK_MODE_STANDARD), 0);
    EXPECT_EQ(DetectDevice(nullptr, records.get(), 0x0500, PANELINK_MODE_STANDARD), 0);
    EXPECT_EQ(DetectDevice(count.get(), nullptr, 0x0500, PANELINK_MODE_STANDARD), 0);
    EXPECT_TRUE(count.untouched());
    EXPECT_TRUE(records.untouched()) << "a record was written for a call that failed";
    EXPECT_FALSE(std::filesystem::exists("panelink_all.log")) << "a failed call wrote its log";
    EXPECT_EQ(open_device_count(), 0u) << "a handle was opened for a call that failed";
    EXPECT_EQ(CloseDevices(0, nullptr), 1);
    EXPECT_EQ(CloseDevices(std::numeric_limits<uint32_t>::max(), nullptr), 1);
}

TEST_F(BadInputTest, ZeroedRecordFailsEveryExport) {
    OpenBoard board; // an open board, so handle 0 must not reach it by accident
    DeviceRecord zeroed{};
    expect_every_export_fails(&zeroed, "a zeroed record");
    EXPECT_TRUE(board.pop_all_output().empty());

    // A zeroed record keeps the board-less answers also with sensible report lengths.
    zeroed.InputReportByteLength = 65;
    zeroed.OutputReportByteLength = 65;
    expect_every_export_fails(&zeroed, "a record with handle 0");
    EXPECT_EQ(CloseDevices(1, &zeroed), 1);
}

// ---------------------------------------------------------------------------------------------
// Closed, stale and forged handles

TEST_F(BadInputTest, ClosedHandleFailsEveryExport) {
    OpenBoard board;
    DeviceRecord closed = board.record();
    ASSERT_EQ(CloseDevices(1, &closed), 1);
    EXPECT_EQ(closed.Handle, 0u);
    closed.Handle = board.record().Handle; // what a caller that kept a copy still holds
    expect_every_export_fails(&closed, "a closed handle");
    // Closing it again is harmless and still nulls the field.
    EXPECT_EQ(CloseDevices(1, &closed), 1);
    EXPECT_EQ(closed.Handle, 0u);
    board.record().Handle = 0; // already closed
}

TEST_F(BadInputTest, StaleHandleNeverReachesTheDeviceNowInItsSlot) {
    DeviceRecord stale;
    {
        OpenBoard first;
        stale = first.record();
    } // closed and unplugged; its table slot is free again
    OpenBoard second;
    ASSERT_NE(second.record().Handle, stale.Handle);
    expect_every_export_fails(&stale, "a stale handle");
    EXPECT_TRUE(second.pop_all_output().empty()) << "a stale handle wrote to the new board";

    const size_t open = open_device_count();
    EXPECT_EQ(CloseDevices(1, &stale), 1);
    EXPECT_EQ(stale.Handle, 0u);
    EXPECT_EQ(open_device_count(), open) << "closing a stale handle closed another device";
    EXPECT_EQ(WriteData(&second.record(), std::array<uint8_t, 65>{}.data()), 65);
}

TEST_F(BadInputTest, StaleHandleStaysStaleAfterItsSlotIsReusedForEveryGeneration) {
    // One table slot opened and closed until its 16-bit generation has gone all the way round:
    // the first id must never come back to life for a later device.
    const int id = add_board(0x0500);
    const std::string path = board_path(PANELINK_VENDOR_ID_A, 0x0500);
    const uint32_t first = register_device(platform::backend().open(path.c_str()));
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(close_device(first));
    for (int reopen = 0; reopen < 0x10000; ++reopen) {
        const uint32_t handle = register_device(platform::backend().open(path.c_str()));
        ASSERT_NE(handle, 0u);
        ASSERT_NE(handle, first) << "after " << reopen + 1 << " reopenings";
        ASSERT_TRUE(close_device(handle));
    }
    EXPECT_FALSE(is_open(first));
    panelink_sim_remove(id);
}

TEST_F(BadInputTest, ForgedHandlesFailEveryExport) {
    OpenBoard board;
    const uint32_t real = board.record().Handle;
    const uint32_t forged[] = {
        0xFFFFFFFFu,        // every bit set
        0x0000FFFFu,        // the last slot, generation 0
        0x00010000u,        // slot field 0
        real + 1,           // the next slot, never issued
        real ^ 0x00010000u, // the board's slot with another generation
        real ^ 0x80000000u, // the board's slot with the top generation bit flipped
        0x7FFFFFFFu,        0x80000000u,
    };
    for (uint32_t handle : forged) {
        DeviceRecord record = board.record();
        record.Handle = handle;
        expect_every_export_fails(&record, "forged handle " + std::to_string(handle));
        const size_t open = open_device_count();
        EXPECT_EQ(CloseDevices(1, &record), 1);
        EXPECT_EQ(open_device_count(), open) << "a forged handle closed a device";
    }
    EXPECT_TRUE(board.pop_all_output().empty());
    EXPECT_EQ(board.record().Handle, real);
}

// ---------------------------------------------------------------------------------------------
// DeviceIndex and report lengths

TEST_F(BadInputTest, DeviceIndexBeyondThePollSlotsIsRefused) {
    OpenBoard board;
    const std::array<uint8_t, 65> report{0, 0xFF};
    for (uint16_t index : {uint16_t{128}, uint16_t{129}, uint16_t{1000}, uint16_t{65535}}) {
        board.record().DeviceIndex = index;
        panelink_sim_push_input(board.id(), report.data(), report.size());
        for (int call = 0; call < 3; ++call) {
            Bytes states(PANELINK_INPUT_STATES_SIZE);
            EXPECT_EQ(ReadInputData(&board.record(), states.get(), 0), PANELINK_READ_FAILED)
                << "DeviceIndex " << index;
            EXPECT_TRUE(states.untouched());
        }
        // The blocking read has no per-index state and still works.
        Bytes states(PANELINK_INPUT_STATES_SIZE);
        EXPECT_EQ(ReadData(&board.record(), states.get()), PANELINK_READ_DECODED);
        EXPECT_EQ(states.get()[0], 0xFF);
    }
    // Slot 127, the last one, works like any other (polled_reads_test).
}

TEST_F(BadInputTest, InputReportLengthsOutsideTwoTo65AreRefused) {
    OpenBoard board;
    std::vector<uint8_t> report(70);
    for (size_t i = 1; i < report.size(); ++i)
        report[i] = static_cast<uint8_t>(i);

    for (uint16_t length : {0, 1, 2, 65, 66, 67, 255, 65535}) {
        SCOPED_TRACE("InputReportByteLength " + std::to_string(length));
        board.record().InputReportByteLength = length;
        board.record().DeviceIndex = 5;
        const bool supported = length >= 2 && length <= 65;

        panelink_sim_push_input(board.id(), report.data(), report.size());
        Bytes blocking(PANELINK_INPUT_STATES_SIZE);
        EXPECT_EQ(ReadData(&board.record(), blocking.get()),
                  supported ? PANELINK_READ_DECODED : PANELINK_READ_FAILED);
        // Packed: exactly length - 1 data bytes are written, nothing after them.
        const size_t written = supported ? length - 1u : 0u;
        for (size_t i = 0; i < written; ++i)
            EXPECT_EQ(blocking.get()[i], report[i + 1]) << "position " << i;
        for (size_t i = written; i < PANELINK_INPUT_STATES_SIZE; ++i)
            ASSERT_EQ(blocking.get()[i], 0x5A) << "position " << i << " written";

        Bytes polled(PANELINK_INPUT_STATES_SIZE);
        const int32_t first = ReadInputData(&board.record(), polled.get(), 0);
        EXPECT_EQ(first, supported ? PANELINK_READ_PENDING : PANELINK_READ_FAILED);
        panelink_sim_push_input(board.id(), report.data(), report.size());
        const int32_t second = ReadInputData(&board.record(), polled.get(), 0);
        EXPECT_EQ(second, supported ? PANELINK_READ_DECODED : PANELINK_READ_FAILED);
        // Unpacked: 8 positions per data byte.
        for (size_t i = 8 * written; i < PANELINK_INPUT_STATES_SIZE; ++i)
            ASSERT_EQ(polled.get()[i], 0x5A) << "position " << i << " written";
        if (supported) {
            EXPECT_EQ(polled.get()[0], 1); // bit 0 of data byte 0 (value 1)
        }

        // Stop the slot's read before the next length.
        DeviceRecord closed = board.record();
        closed.Handle = 0;
        ReadInputData(&closed, polled.get(), 0);
        board.pop_all_output();
    }
}

TEST_F(BadInputTest, OutputReportLengthsAboveTheBufferSendNothing) {
    OpenBoard board;
    for (uint16_t length : {0, 1, 2, 65, 66, 68, 69, 65535}) {
        SCOPED_TRACE("OutputReportByteLength " + std::to_string(length));
        board.record().OutputReportByteLength = length;
        // Output commands build 68 bytes at the most: a longer record length is refused.
        // WriteData sends the caller's own buffer, which holds a whole report of any length.
        for (const ExportCall &e : every_export_on_a_record()) {
            if (e.reads_input)
                continue;
            const bool raw = std::string(e.name) == "WriteData";
            const int32_t expected = (length == 0 || (!raw && length > 68)) ? 0 : length;
            EXPECT_EQ(e.call(&board.record()), expected) << e.name;
            const std::vector<uint8_t> sent = board.pop_output();
            EXPECT_EQ(sent.size(), static_cast<size_t>(expected)) << e.name;
            EXPECT_TRUE(board.pop_output().empty()) << e.name << " sent more than one report";
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Detection modes and product IDs

TEST_F(BadInputTest, EveryDetectionModeStaysInsideTheCallersArray) {
    // A board of the standard list, and the configuration interface of a dual-interface board
    // (rejected outside DT_DEVICES, where its record is zeroed and reused).
    add_board(0x0500);
    add_board(make_board(0x0910, board_path(PANELINK_VENDOR_ID_A, 0x0910, true)));
    const int32_t modes[] = {std::numeric_limits<int32_t>::min(),
                             -255,
                             -1,
                             0,
                             1,
                             2,
                             3,
                             4,
                             5,
                             6,
                             127,
                             128,
                             254,
                             255,
                             256,
                             511,
                             std::numeric_limits<int32_t>::max()};
    for (int32_t mode : modes) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        Checked<int32_t> count(1);
        Checked<DeviceRecord> records(2, 0);
        const int32_t found = DetectHID(count.get(), records.get(), mode);
        // Standard list and ALL_DEVICES take 0x0500; DT_DEVICES takes the 0x0910 interface.
        const int32_t expected = (mode == 1 || mode == 3) ? 0 : 1;
        EXPECT_EQ(found, expected);
        EXPECT_EQ(*count.get(), expected);
        EXPECT_EQ(CloseDevices(2, records.get()), 1);

        Checked<int32_t> device_count(1);
        Checked<DeviceRecord> product_records(2, 0);
        EXPECT_EQ(DetectDevice(device_count.get(), product_records.get(), 0x0500, mode),
                  (mode == 1 || mode == 2 || mode == 3) ? 0 : 1);
        EXPECT_EQ(CloseDevices(2, product_records.get()), 1);
    }
    EXPECT_EQ(open_device_count(), 0u);
}

// ---------------------------------------------------------------------------------------------
// PortCount, ports, counts and pattern numbers

TEST_F(BadInputTest, RetrieveStatusQueriesAtMost24PortsForAnyPortCount) {
    OpenBoard board(0x0800);
    std::vector<int32_t> counts = {0,   1,   2,   3,   23,    24,    25,    26,
                                   127, 128, 255, 256, 32767, 32768, 65534, 65535};
    for (int32_t c = 7; c < 65536; c += 4099)
        counts.push_back(c);
    for (int32_t port_count : counts) {
        SCOPED_TRACE("PortCount " + std::to_string(port_count));
        board.record().PortCount = static_cast<int16_t>(static_cast<uint16_t>(port_count));
        Checked<StatusRecord> status(1);
        EXPECT_EQ(RetrieveStatus(&board.record(), status.get()), 1);
        // Two queries per port pair; nobody answers, so each pair reads as absent.
        const size_t ports = std::min<size_t>(static_cast<uint16_t>(port_count), 24);
        EXPECT_EQ(board.pop_all_output().size(), 2 * ((ports + 1) / 2));
        for (size_t port = 0; port < ports; ++port)
            EXPECT_EQ(status.get()->PortPresent[port], 0) << "port " << port;
    }
}

TEST_F(BadInputTest, OutOfRangePortsAndCountsUseTheirLowByte) {
    OpenBoard board;
    DeviceRecord *r = &board.record();
    const int32_t ports[] = {
        std::numeric_limits<int32_t>::min(), -1, 0, 1, 23, 24, 25, 255, 256, 257, 0x12345678,
        std::numeric_limits<int32_t>::max()};
    for (int32_t port : ports) {
        SCOPED_TRACE("port " + std::to_string(port));
        Bytes direct(kDirectBytes), mux(kMuxBytes), latched(kLatchedStates, 1), spi(kSpiDacBytes),
            dots(kDotMatrixBytes);
        EXPECT_EQ(WriteDirectOutput(r, port, direct.get()), 65);
        EXPECT_EQ(WriteMuxOutput(r, port, mux.get()), 65);
        EXPECT_EQ(WriteLatchedOutput(r, port, latched.get(), port), 65);
        EXPECT_EQ(WriteSPIDAC(r, port, spi.get(), port), 65);
        EXPECT_EQ(CmdGLCD(r, port, port, port), 65);
        EXPECT_EQ(WriteDotMatrix(r, port, dots.get(), port), 65);
        Checked<char> text(8, '9');
        text.get()[7] = '\0';
        EXPECT_EQ(WriteDisplayOutput(r, port, text.get(), port), 65);
        for (const std::vector<uint8_t> &sent : board.pop_all_output()) {
            ASSERT_EQ(sent.size(), 65u);
            const auto low = static_cast<uint8_t>(port);
            EXPECT_EQ(sent[2], low & 1) << "port bit";
            EXPECT_EQ(sent[7], low >> 1) << "pair number";
        }
    }

    // Line counts: at most 2 lines of 24 bytes are read, whatever the count.
    for (int32_t lines : {-1, 0, 1, 2, 3, 255, 256, 1000}) {
        Checked<char> text(kGlcdTextBytes, 'x');
        EXPECT_EQ(WriteGLCD(r, 0, lines, lines, 0, text.get()), 65) << "lines " << lines;
    }
    // CRT/RWR: at most 13 values from values[start_index], start index 0 to 255.
    for (int32_t count : {-1, 0, 1, 13, 14, 255, 256, 269}) {
        for (int32_t start : {0, 1, 255, 256, -1}) {
            const size_t low_count = std::min<size_t>(static_cast<uint8_t>(count), kCrtRwrValues);
            const size_t needed = static_cast<uint8_t>(start) + low_count;
            Checked<int32_t> values(needed > 0 ? needed : 1);
            EXPECT_EQ(WriteCRTRWR(r, 0, count, count, start, values.get()), 65)
                << "count " << count << " start " << start;
        }
    }
    board.pop_all_output();
}

TEST_F(BadInputTest, EveryTandemPatternNumberAndUnterminatedGroups) {
    OpenBoard board;
    for (int number = 0; number < 256; ++number) {
        Checked<char> layout(kTandemBytes, '8'); // groups with no terminator in their 9 bytes
        layout.get()[18] = static_cast<char>(number);
        EXPECT_EQ(WriteTANDEM(&board.record(), layout.get(), number), 65);
        const std::vector<uint8_t> sent = board.pop_output();
        ASSERT_EQ(sent.size(), 65u);
        if (number > 15) {
            EXPECT_EQ(sent[14], 0) << "pattern number " << number << " shows blank";
        }
        for (size_t i = 17; i < sent.size(); ++i)
            ASSERT_EQ(sent[i], 0) << "byte " << i;
    }
}

TEST_F(BadInputTest, LongDisplayTextsStayInsideTheReport) {
    OpenBoard board;
    for (size_t length : {0, 1, 7, 8, 100, 4096}) {
        Checked<char> text(length + 1, '.');
        for (size_t i = 0; i < length; i += 3)
            text.get()[i] = static_cast<char>('0' + i % 10);
        text.get()[length] = '\0';
        EXPECT_EQ(WriteDisplayOutput(&board.record(), 0, text.get(), 0), 65);
        const std::vector<uint8_t> sent = board.pop_output();
        ASSERT_EQ(sent.size(), 65u);
        for (size_t i = 16; i < sent.size(); ++i)
            ASSERT_EQ(sent[i], 0) << "length " << length << " byte " << i;
    }
}

// ---------------------------------------------------------------------------------------------
// A board gone from the bus

TEST_F(BadInputTest, HandleOfAnUnpluggedBoardFailsEveryExport) {
    DeviceRecord record{};
    {
        OpenBoard board;
        const std::array<uint8_t, 65> sent{0, 1, 2, 3, 4, 5};
        ASSERT_EQ(WriteData(&board.record(), sent.data()), 65);
        record = board.record();
    } // closed and unplugged
    expect_every_export_fails(&record, "the handle of an unplugged board");
}

} // namespace
} // namespace panelink::test
