// Fuzz target: sequences of calls to every exported function over virtual boards, decoded from
// the input, with the records and buffers a careless caller hands over (valid, closed, stale after
// a new detection, copied, zeroed, garbled), boards plugged and unplugged between and during
// calls, every fault of the virtual bus, input reports of any length and the manual clock moved
// by any amount.
//
// Every call is checked against invariants, and any violation traps:
//   - nothing is written outside the caller's buffers: each record array, record, count, input
//     buffer, status record and data buffer sits between guard zones that are checked after
//     every call; functions that only read a record or a data buffer leave it unchanged;
//   - a record whose handle is not open (closed, stale, zeroed, garbled) never reaches a board:
//     after every call the output reports of every plugged board are taken, and a report may
//     appear only on the board the handle was opened to, and only for a call that writes;
//   - a poll returns 1 to 4, a blocking read 1, 2 or 4; a read on a handle that is not open fails
//     and leaves the caller's buffer alone;
//   - the library's open handles are exactly the ones the sequence opened and has not closed,
//     after every call; at the end, once the sequence closes them, none is left, and the process
//     holds as many file descriptors as before (Linux).
//
// The bus runs on the manual clock, so reads that wait (ReadData, RetrieveStatus) return at once.
//
// Input: a list of operations, each an operation byte followed by its operands, as the Op enum
// and the functions below read them (missing bytes read as 0). The seed corpus comes from
// tests/fuzz/write_corpus.py in this layout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#ifdef __linux__
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <unistd.h>
#endif

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "support/guarded_buffer.h"
#include "support/open_descriptors.h"
#include "support/report_descriptors.h"

#define REQUIRE(condition)                                                                         \
    do {                                                                                           \
        if (!(condition))                                                                          \
            __builtin_trap();                                                                      \
    } while (0)

namespace {

using panelink::test::kJoystickDescriptor;
using panelink::test::open_descriptors;
using panelink::test::vendor_descriptor;

constexpr uint8_t kFill = 0xCB; // what a guarded buffer holds until a sequence writes it
constexpr size_t kMaxOperations = 64;
constexpr size_t kRecordsPerArray = PANELINK_MAX_DEVICES;
constexpr size_t kLooseRecords = 4;
constexpr size_t kMaxBoards = 192;
constexpr size_t kMaxCommandReport = 68; // the output commands' report buffer
constexpr size_t kMaxPushedReport = 400;
constexpr uint16_t kVersionNumber = 0x0102; // of every board plugged in

// Reads the input front to back; past its end every read gives 0.
class Reader {
  public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() {
        const uint16_t low = byte();
        return static_cast<uint16_t>(low | (byte() << 8));
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | (static_cast<uint32_t>(u16()) << 16);
    }
    // Fills `out` with the next bytes of the input, repeating them when fewer are left (zeros
    // when none are).
    void fill(uint8_t *out, size_t length) {
        const size_t available = std::min(length, size_ - std::min(pos_, size_));
        for (size_t i = 0; i < length; ++i)
            out[i] = available == 0 ? 0 : data_[pos_ + i % available];
        pos_ += available;
    }

  private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// A caller's buffer of exactly `size` bytes between two guard zones (support/guarded_buffer.h);
// a guard byte written traps.
class Guarded : public panelink::test::GuardedBuffer {
  public:
    explicit Guarded(size_t size = 0) : GuardedBuffer(size, kFill) {}
    void check_guards() const { REQUIRE(guards_intact()); }
};

struct Product {
    uint16_t vendor_id;
    uint16_t product_id;
    int interface_number; // -1: the path names none
};

// Boards of every detection mode, both interfaces of a dual-interface board, and a foreign one.
constexpr Product kProducts[] = {
    {PANELINK_VENDOR_ID_A, 0x0500, 0},
    {PANELINK_VENDOR_ID_A, 0x0800, 0},
    {PANELINK_VENDOR_ID_A, 0x0910, 0},
    {PANELINK_VENDOR_ID_A, 0x0910, 1},
    {PANELINK_VENDOR_ID_A, 0x0602, 1},
    {PANELINK_VENDOR_ID_A, 0x1000, -1},
    {PANELINK_VENDOR_ID_B, 0x0300, 0},
    {PANELINK_VENDOR_ID_A, 0x1500, -1},
    {PANELINK_VENDOR_ID_A, 0x0710, 1},
    {PANELINK_VENDOR_ID_A, 0x0100, -1},
    {0x046D, 0x0500, 0},
    {PANELINK_VENDOR_ID_B, 0x0800, 1},
};
constexpr size_t kProductCount = sizeof kProducts / sizeof kProducts[0];

// Device texts: present, missing (the request fails), empty, longer than the record's fields,
// not convertible in the C locale, with control bytes.
const wchar_t *const kTexts[] = {L"Maker",
                                 nullptr,
                                 L"",
                                 L"\u00e9t\u00e9 \u4e2d",
                                 L"line\nbreak\x1b[2J",
                                 L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                                 L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                                 L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                                 L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                                 L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                                 L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
                                 L"A1",
                                 L"123"};
constexpr size_t kTextCount = sizeof kTexts / sizeof kTexts[0];

enum Op : uint8_t {
    kPlug,
    kUnplug,
    kDetect,
    kClose,
    kPoll,
    kRead,
    kWriteData,
    kCommand,
    kStatus,
    kCopy,
    kZero,
    kGarble,
    kPushInput,
    kFault,
    kAdvance,
    kResponder,
    kCrowd,
    kVersion,
    kOpCount
};

enum class ResponderMode : uint8_t { None, Status, StatusThenUnplug, Echo, Noise, Count };

struct Sequence;

struct Board {
    Sequence *sequence = nullptr;
    int sim_id = 0; // 0: unplugged
    std::string path;
    Product product{};
    bool write_faulted = false; // a write fault was set: its writes may time out
    ResponderMode responder = ResponderMode::None;
    uint8_t reply[64] = {};
    uint8_t writes_before_unplug = 0;
};

// What a call may do to the boards' output queues.
enum class Writes { None, OneReport, AnyCount };

struct Sequence {
    Guarded arrays[2] = {Guarded(kRecordsPerArray * sizeof(DeviceRecord)),
                         Guarded(kRecordsPerArray * sizeof(DeviceRecord))};
    Guarded loose[kLooseRecords] = {Guarded(sizeof(DeviceRecord)), Guarded(sizeof(DeviceRecord)),
                                    Guarded(sizeof(DeviceRecord)), Guarded(sizeof(DeviceRecord))};
    Guarded count{sizeof(int32_t)};
    Guarded states[2] = {Guarded(PANELINK_INPUT_STATES_SIZE), Guarded(PANELINK_INPUT_STATES_SIZE)};
    Guarded status{sizeof(StatusRecord)};

    std::vector<Board> boards;      // reserved up front: responders keep pointers to them
    std::map<uint32_t, int> live;   // open handle -> id of the board it was opened to
    std::map<int, Board *> plugged; // board id -> board
    size_t handles_at_start = 0;
    unsigned plug_serial = 0;
    bool crowded = false;

    Sequence() { boards.reserve(kMaxBoards); }

    // The state at the start of a sequence. The buffers are kept from one sequence to the next
    // (allocating them anew for each costs more than the sequence's calls).
    void start() {
        boards.clear();
        live.clear();
        plugged.clear();
        plug_serial = 0;
        crowded = false;
        // The arrays start as a caller's uninitialised memory would: anything.
        for (Guarded &array : arrays)
            std::memset(array.data(), 0xE7, array.size());
        for (Guarded &record : loose)
            std::memset(record.data(), 0, record.size());
        // Nothing of an earlier sequence shows in this one's buffers.
        for (Guarded &buffer : states)
            std::memset(buffer.data(), 0x5A, buffer.size());
        std::memset(status.data(), 0, status.size());
        handles_at_start = panelink::open_device_count();
    }

    DeviceRecord *array(size_t which) {
        return reinterpret_cast<DeviceRecord *>(arrays[which].data());
    }

    void check_guards() const {
        for (const Guarded &g : arrays)
            g.check_guards();
        for (const Guarded &g : loose)
            g.check_guards();
        for (const Guarded &g : states)
            g.check_guards();
        count.check_guards();
        status.check_guards();
    }
};

// ---------------------------------------------------------------------------------------------
// Boards

int plug(Sequence &s, const Product &product, const std::vector<uint8_t> &descriptor,
         const wchar_t *manufacturer, const wchar_t *product_text, const wchar_t *serial) {
    if (s.boards.size() >= kMaxBoards)
        return 0;
    char path[96];
    // Every plug gets a path of its own, so a record's path names one board.
    int length = std::snprintf(path, sizeof path, "sim://fuzz/%u#vid_%04x&pid_%04x",
                               s.plug_serial++, product.vendor_id, product.product_id);
    if (product.interface_number >= 0)
        std::snprintf(path + length, sizeof path - static_cast<size_t>(length), "&mi_%02x",
                      product.interface_number);
    PanelinkSimInterface iface{};
    iface.vendor_id = product.vendor_id;
    iface.product_id = product.product_id;
    iface.version_number = kVersionNumber;
    iface.path = path;
    iface.manufacturer = manufacturer;
    iface.product = product_text;
    iface.serial_number = serial;
    iface.report_descriptor = descriptor.empty() ? nullptr : descriptor.data();
    iface.report_descriptor_length = descriptor.size();
    const int id = panelink_sim_add(&iface);
    REQUIRE(id > 0);
    Board &board = s.boards.emplace_back();
    board.sequence = &s;
    board.sim_id = id;
    board.path = path;
    board.product = product;
    s.plugged[id] = &board;
    return id;
}

void op_plug(Sequence &s, Reader &in) {
    const Product &product = kProducts[in.byte() % kProductCount];
    std::vector<uint8_t> descriptor;
    switch (in.byte() % 8) {
    case 0:
    case 1:
        descriptor = vendor_descriptor(64, 64, 0);
        break;
    case 2:
        descriptor = vendor_descriptor(8, 8, 0);
        break;
    case 3:
        descriptor = vendor_descriptor(64, 64, 2);
        break;
    case 4:
        descriptor = kJoystickDescriptor;
        break;
    case 5:
        break; // no descriptor: no report lengths
    case 6:
        // Output reports longer than the output commands' buffer, input reports too long to read.
        descriptor = vendor_descriptor(100, 100, 0);
        break;
    default: {
        descriptor.resize(in.byte());
        in.fill(descriptor.data(), descriptor.size());
        break;
    }
    }
    const uint8_t texts = in.byte();
    plug(s, product, descriptor, kTexts[texts % kTextCount], kTexts[(texts >> 3) % kTextCount],
         kTexts[(texts >> 5) % kTextCount]);
}

void unplugged(Sequence &s, Board &board) {
    s.plugged.erase(board.sim_id);
    board.sim_id = 0;
}

Board *board_ref(Sequence &s, Reader &in) {
    const uint8_t which = in.byte();
    if (s.boards.empty())
        return nullptr;
    return &s.boards[which % s.boards.size()];
}

void op_unplug(Sequence &s, Reader &in) {
    Board *board = board_ref(s, in);
    if (board == nullptr)
        return;
    const int id = board->sim_id;
    REQUIRE(panelink_sim_remove(id) == (id != 0 ? 1 : 0));
    if (id != 0)
        unplugged(s, *board);
}

// A crowd of boards, around the number one detection can hold (once per sequence: plugging
// them in is slow).
void op_crowd(Sequence &s, Reader &in) {
    const size_t count = 126 + in.byte() % 6;
    if (s.crowded)
        return;
    s.crowded = true;
    // Only the boards that land around the last record get a descriptor: parsing 130 of them
    // would take most of the sequence's time.
    const std::vector<uint8_t> descriptor = vendor_descriptor(8, 8, 0);
    const std::vector<uint8_t> none;
    for (size_t i = 0; i < count && s.boards.size() < kMaxBoards; ++i)
        plug(s, kProducts[0], i + 4 >= count ? descriptor : none, L"M", L"P", L"S");
}

// The board side of a status query, an echo or noise; may unplug its own board mid-call.
void respond(int id, const unsigned char *report, size_t length, void *context) {
    Board &board = *static_cast<Board *>(context);
    REQUIRE(board.sim_id == id);
    uint8_t reply[PANELINK_INPUT_STATES_SIZE] = {};
    switch (board.responder) {
    case ResponderMode::Status:
    case ResponderMode::StatusThenUnplug:
        if (length >= 9) {
            reply[1] = report[4] == 0x13 ? 0x13 : report[6];
            std::memcpy(reply + 2, board.reply, 63);
            panelink_sim_push_input(id, reply, 65);
        }
        break;
    case ResponderMode::Echo:
        panelink_sim_push_input(id, report, length);
        break;
    case ResponderMode::Noise:
        std::memcpy(reply, board.reply, sizeof board.reply);
        panelink_sim_push_input(id, reply, board.reply[0] % 80);
        break;
    default:
        break;
    }
    if (board.responder == ResponderMode::StatusThenUnplug && board.writes_before_unplug-- == 0) {
        REQUIRE(panelink_sim_remove(id) == 1);
        unplugged(*board.sequence, board);
    }
}

void op_responder(Sequence &s, Reader &in) {
    Board *board = board_ref(s, in);
    const auto mode =
        static_cast<ResponderMode>(in.byte() % static_cast<uint8_t>(ResponderMode::Count));
    const uint8_t unplug_after = in.byte();
    uint8_t reply[64];
    in.fill(reply, sizeof reply);
    if (board == nullptr || board->sim_id == 0)
        return;
    board->responder = mode;
    board->writes_before_unplug = unplug_after % 8;
    std::memcpy(board->reply, reply, sizeof reply);
    panelink_sim_set_responder(board->sim_id, mode == ResponderMode::None ? nullptr : respond,
                               board);
}

void op_push_input(Sequence &s, Reader &in) {
    Board *board = board_ref(s, in);
    const size_t length = in.u16() % (kMaxPushedReport + 1);
    Guarded report(length);
    in.fill(report.data(), length);
    const std::vector<uint8_t> before = report.snapshot();
    const int id = board != nullptr ? board->sim_id : 0;
    REQUIRE(panelink_sim_push_input(id, report.data(), length) == (id != 0 ? 1 : 0));
    REQUIRE(panelink_sim_push_input(id, nullptr, length) == 0);
    report.check_guards();
    REQUIRE(report.same_as(before));
}

void op_fault(Sequence &s, Reader &in) {
    const uint8_t target = in.byte();
    const int fault = in.byte() % 10;
    static constexpr int kCounts[] = {1, 2, -1, 0, 3, -2, 1000, 5};
    const int count = kCounts[in.byte() % 8];
    Board *board =
        (target & 0x80) != 0 || s.boards.empty() ? nullptr : &s.boards[target % s.boards.size()];
    const int id = board != nullptr ? board->sim_id : 0;
    const int result = panelink_sim_set_fault(id, fault, count);
    bool valid = count >= -1;
    if (id == 0)
        valid = valid && fault == PANELINK_SIM_FAULT_ENUMERATION;
    else
        valid =
            valid && fault >= PANELINK_SIM_FAULT_DETAIL && fault <= PANELINK_SIM_FAULT_READ_WAIT;
    REQUIRE(result == (valid ? 1 : 0));
    if (valid && board != nullptr && fault == PANELINK_SIM_FAULT_WRITE_TIMEOUT && count != 0)
        board->write_faulted = true;
}

void op_advance(Reader &in) {
    switch (in.byte() % 5) {
    case 0:
        panelink_sim_advance_ms(in.byte());
        break;
    case 1:
        panelink_sim_advance_ms(in.u16());
        break;
    case 2:
        panelink_sim_advance_ms(in.u32());
        break;
    case 3:
        panelink_sim_advance_ms(1000);
        break;
    default:
        panelink_sim_advance_ms(1001);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Records

// A record of one of the arrays or a loose one, or null.
DeviceRecord *record_ref(Sequence &s, Reader &in) {
    const uint8_t kind = in.byte();
    const uint8_t index = in.byte();
    switch (kind % 8) {
    case 0:
    case 1:
    case 2:
        return s.array(0) + index % kRecordsPerArray;
    case 3:
    case 4:
        return s.array(1) + index % kRecordsPerArray;
    case 5:
    case 6:
        return reinterpret_cast<DeviceRecord *>(s.loose[index % kLooseRecords].data());
    default:
        return nullptr;
    }
}

void op_copy(Sequence &s, Reader &in) {
    DeviceRecord *from = record_ref(s, in);
    DeviceRecord *to = record_ref(s, in);
    if (from != nullptr && to != nullptr)
        std::memmove(to, from, sizeof(DeviceRecord));
}

void op_zero(Sequence &s, Reader &in) {
    if (DeviceRecord *record = record_ref(s, in))
        std::memset(record, 0, sizeof *record);
}

uint16_t length_value(Reader &in) {
    static constexpr uint16_t kLengths[] = {0, 1, 2, 9, 64, 65, 66, 67, 68, 69, 255, 0xFFFF};
    const uint8_t pick = in.byte();
    return pick < 240 ? kLengths[pick % 12] : in.u16();
}

void op_garble(Sequence &s, Reader &in) {
    DeviceRecord *record = record_ref(s, in);
    const uint8_t field = in.byte();
    static constexpr uint16_t kIndexes[] = {0, 1, 126, 127, 128, 129, 255, 0x7FFF, 0x8000, 0xFFFF};
    static constexpr uint16_t kProductIds[] = {0x0800, 0x0910, 0x0500, 0x1000};
    DeviceRecord scratch{};
    DeviceRecord &r = record != nullptr ? *record : scratch;
    switch (field % 12) {
    case 0:
        r.Handle = in.u32();
        break;
    case 1:
        r.Handle ^= 1u << (in.byte() % 32); // a neighbouring slot or generation
        break;
    case 2:
        r.Handle += static_cast<int8_t>(in.byte());
        break;
    case 3: {
        const uint8_t pick = in.byte();
        r.DeviceIndex = pick < 200 ? kIndexes[pick % 10] : in.u16();
        break;
    }
    case 4:
        r.InputReportByteLength = length_value(in);
        break;
    case 5:
        r.OutputReportByteLength = length_value(in);
        break;
    case 6: {
        const uint8_t pick = in.byte();
        r.ProductID = pick < 200 ? kProductIds[pick % 4] : in.u16();
        break;
    }
    case 7:
        r.PortCount = static_cast<int16_t>(in.u16());
        break;
    case 8:
        r.IsConfigInterface = in.byte();
        break;
    case 9:
        if (in.byte() % 2 == 0) {
            r.Usage = 4;
            r.UsagePage = 1;
        } else {
            r.Usage = in.u16();
            r.UsagePage = in.u16();
        }
        break;
    case 10: {
        const size_t offset = in.u16() % sizeof(DeviceRecord);
        reinterpret_cast<uint8_t *>(&r)[offset] = in.byte();
        break;
    }
    default:
        in.fill(reinterpret_cast<uint8_t *>(&r), sizeof r);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Checks around calls

struct Output {
    int board_id;
    std::vector<uint8_t> report;
};

// Takes every output report the plugged boards hold.
std::vector<Output> take_outputs(Sequence &s) {
    // WriteData sends at most 0xFFFF bytes (OutputReportByteLength).
    static std::vector<uint8_t> buffer(0x10000);
    std::vector<Output> outputs;
    for (const auto &[id, board] : s.plugged) {
        for (;;) {
            const size_t length = panelink_sim_pop_output(id, buffer.data(), buffer.size());
            if (length == 0)
                break;
            REQUIRE(length <= buffer.size());
            outputs.push_back({id, std::vector<uint8_t>(buffer.begin(), buffer.begin() + length)});
        }
    }
    return outputs;
}

// The library's open handles are exactly the sequence's.
void check_handles(const Sequence &s) {
    REQUIRE(panelink::open_device_count() == s.handles_at_start + s.live.size());
}

// Where a call on `handle` may send reports: to the board it was opened to, or nowhere.
int target_of(const Sequence &s, uint32_t handle) {
    const auto it = s.live.find(handle);
    return it == s.live.end() ? 0 : it->second;
}

// After a call made with a record holding `handle`: reports appear on its board only, and only
// as `writes` allows. `result` is the report length a write returned (0: none sent); `content`,
// when given, the bytes the board must have got.
void check_outputs(Sequence &s, uint32_t handle, Writes writes, int32_t result = 0,
                   const std::vector<uint8_t> *content = nullptr) {
    const int target = target_of(s, handle);
    const std::vector<Output> outputs = take_outputs(s);
    for (const Output &output : outputs) {
        REQUIRE(writes != Writes::None);
        REQUIRE(target != 0 && output.board_id == target);
        if (writes == Writes::OneReport) {
            REQUIRE(static_cast<int32_t>(output.report.size()) == result);
            if (content != nullptr)
                REQUIRE(std::equal(output.report.begin(), output.report.end(), content->begin()));
        }
    }
    if (writes == Writes::OneReport) {
        // A report was sent only through an open handle; its board has it, unless the board was
        // unplugged during the call.
        REQUIRE(result == 0 || target != 0);
        const bool still_plugged = s.plugged.count(target) != 0;
        REQUIRE(outputs.size() == (result != 0 && still_plugged ? 1u : 0u));
    }
}

bool is_live(const Sequence &s, uint32_t handle) {
    return s.live.count(handle) != 0;
}

// A write on this record should go through: its handle is open to a plugged board without a
// write fault, and its output length is one WriteData sends (`limit`: the command buffer's).
bool write_expected(const Sequence &s, const DeviceRecord &record, size_t limit) {
    const int target = target_of(s, record.Handle);
    const auto board = s.plugged.find(target);
    return board != s.plugged.end() && !board->second->write_faulted &&
           record.OutputReportByteLength != 0 && record.OutputReportByteLength <= limit;
}

// ---------------------------------------------------------------------------------------------
// Calls

// Bytes of a record's text field before its terminator (the whole field when it has none).
template <size_t N> size_t text_length(const char (&field)[N]) {
    const void *end = std::memchr(field, 0, N);
    return end != nullptr ? static_cast<size_t>(static_cast<const char *>(end) - field) : N;
}

int32_t detection_mode(Reader &in) {
    static constexpr int32_t kModes[] = {PANELINK_MODE_STANDARD,
                                         PANELINK_MODE_FLASH,
                                         PANELINK_MODE_DEVICES,
                                         PANELINK_MODE_REPORT,
                                         PANELINK_MODE_ALL_DEVICES,
                                         0,
                                         5,
                                         -1,
                                         INT32_MIN,
                                         256};
    const uint8_t pick = in.byte();
    return pick < 250 ? kModes[pick % 10] : static_cast<int32_t>(in.u32());
}

void op_detect(Sequence &s, Reader &in) {
    const uint8_t where = in.byte();
    const int32_t mode = detection_mode(in);
    const uint8_t kind = in.byte();
    int32_t product = 0;
    if (kind % 3 != 0) {
        const uint8_t pick = in.byte();
        product = pick < 200   ? kProducts[pick % kProductCount].product_id
                  : pick < 230 ? static_cast<int32_t>(in.u16())
                               : static_cast<int32_t>(in.u32());
    }
    const size_t which = where % 2;
    const bool null_count = where % 7 == 5;
    const bool null_records = where % 7 == 6;
    DeviceRecord *records = null_records ? nullptr : s.array(which);
    auto *count = reinterpret_cast<int32_t *>(s.count.data());
    *count = 0x5A5A5A5A;
    const std::vector<uint8_t> before = s.arrays[which].snapshot();

    const int32_t result = kind % 3 == 0
                               ? DetectHID(null_count ? nullptr : count, records, mode)
                               : DetectDevice(null_count ? nullptr : count, records, product, mode);
    s.check_guards();
    REQUIRE(result == 0 || result == 1);
    if (null_count || null_records) {
        REQUIRE(result == 0);
        REQUIRE(*count == 0x5A5A5A5A);
        REQUIRE(s.arrays[which].same_as(before));
        check_handles(s);
        check_outputs(s, 0, Writes::None);
        return;
    }
    // Untouched when no interface set could be had; otherwise how many were filled.
    const int32_t filled = *count == 0x5A5A5A5A ? 0 : *count;
    REQUIRE(filled >= 0 && filled <= PANELINK_MAX_DEVICES);
    REQUIRE(result == (filled > 0 ? 1 : 0));
    REQUIRE(static_cast<size_t>(filled) <= s.plugged.size());

    std::map<std::string, int> paths;
    for (const auto &[id, board] : s.plugged)
        paths[board->path] = id;
    std::set<uint32_t> fresh;
    for (int32_t i = 0; i < filled; ++i) {
        const DeviceRecord &r = records[i];
        REQUIRE(r.Handle != 0 && !is_live(s, r.Handle) && fresh.insert(r.Handle).second);
        REQUIRE(r.DeviceIndex == i);
        REQUIRE(r.VendorID == PANELINK_VENDOR_ID_A || r.VendorID == PANELINK_VENDOR_ID_B);
        REQUIRE(r.DevicePathLength <= sizeof r.DevicePath);
        REQUIRE(r.SerialNumber[3] == 0);
        const auto board = paths.find(std::string(r.DevicePath, r.DevicePathLength));
        REQUIRE(board != paths.end()); // a record names a board on the bus
        s.live[r.Handle] = board->second;
        // The record carries that board's identity, and length fields that match its texts.
        const Product &product = s.plugged[board->second]->product;
        REQUIRE(r.VendorID == product.vendor_id && r.ProductID == product.product_id);
        REQUIRE(r.VersionNumber == kVersionNumber);
        REQUIRE(r.IsConfigInterface <= 1);
        REQUIRE(r.ProductNameLength >= 0 &&
                static_cast<size_t>(r.ProductNameLength) == text_length(r.ProductName));
        REQUIRE(r.ManufacturerLength >= 0 &&
                static_cast<size_t>(r.ManufacturerLength) == text_length(r.Manufacturer));
        REQUIRE(r.SerialNumberLength == 3);
    }
    // Past the filled entries: the next one untouched or zeroed (a rejected interface was tried
    // in it), the rest untouched.
    const uint8_t *now = s.arrays[which].data();
    const size_t record_bytes = sizeof(DeviceRecord);
    if (static_cast<size_t>(filled) < kRecordsPerArray) {
        const size_t start = static_cast<size_t>(filled) * record_bytes;
        const bool same =
            std::equal(now + start, now + start + record_bytes, before.begin() + start);
        const bool zero =
            std::all_of(now + start, now + start + record_bytes, [](uint8_t b) { return b == 0; });
        REQUIRE(same || zero);
        REQUIRE(std::equal(now + start + record_bytes, now + before.size(),
                           before.begin() + start + record_bytes));
    }
    check_handles(s);
    check_outputs(s, 0, Writes::None);
}

void op_close(Sequence &s, Reader &in) {
    const uint8_t where = in.byte();
    const uint8_t first = in.byte();
    const uint8_t number = in.byte();
    DeviceRecord *records = nullptr;
    Guarded *block = nullptr;
    size_t room = 0;
    switch (where % 4) {
    case 0:
    case 1:
        block = &s.arrays[where % 2];
        records = s.array(where % 2) + first % kRecordsPerArray;
        room = kRecordsPerArray - first % kRecordsPerArray;
        break;
    case 2:
        block = &s.loose[first % kLooseRecords];
        records = reinterpret_cast<DeviceRecord *>(block->data());
        room = 1;
        break;
    default:
        break; // a null array, with any number
    }
    const uint32_t count = records == nullptr ? number : number % (room + 1);
    const std::vector<uint8_t> before =
        block != nullptr ? block->snapshot() : std::vector<uint8_t>();
    REQUIRE(CloseDevices(count, records) == 1);
    s.check_guards();
    if (records != nullptr) {
        for (uint32_t i = 0; i < count; ++i) {
            DeviceRecord &r = records[i];
            REQUIRE(r.Handle == 0);
            // Only the handle changed.
            DeviceRecord old;
            const size_t offset =
                static_cast<size_t>(reinterpret_cast<uint8_t *>(&r) - block->data());
            std::memcpy(&old, before.data() + offset, sizeof old);
            s.live.erase(old.Handle);
            old.Handle = 0;
            REQUIRE(std::memcmp(&old, &r, sizeof r) == 0);
        }
        // The records before and after the closed ones are untouched.
        const uint8_t *start = block->data();
        const auto *first_closed = reinterpret_cast<const uint8_t *>(records);
        const auto *past_closed = reinterpret_cast<const uint8_t *>(records + count);
        REQUIRE(std::equal(start, first_closed, before.begin()));
        REQUIRE(
            std::equal(past_closed, start + block->size(), before.begin() + (past_closed - start)));
    }
    check_handles(s);
    check_outputs(s, 0, Writes::None);
}

// The record handed to a call, saved so the call can be shown to have left it alone.
struct RecordBefore {
    bool present = false;
    DeviceRecord copy{};
    explicit RecordBefore(const DeviceRecord *record) {
        if (record != nullptr) {
            present = true;
            std::memcpy(&copy, record, sizeof copy);
        }
    }
    void require_unchanged(const DeviceRecord *record) const {
        if (present)
            REQUIRE(std::memcmp(&copy, record, sizeof copy) == 0);
    }
    uint32_t handle() const { return present ? copy.Handle : 0; }
};

void op_read(Sequence &s, Reader &in, bool polled) {
    DeviceRecord *record = record_ref(s, in);
    const uint8_t buffer = in.byte();
    const int32_t packed = static_cast<int32_t>(in.byte() < 128 ? in.byte() % 2 : in.u32());
    Guarded *states = buffer % 5 == 4 ? nullptr : &s.states[buffer % 2];
    uint8_t *states_data = states != nullptr ? states->data() : nullptr;
    const RecordBefore saved(record);
    const std::vector<uint8_t> before =
        states != nullptr ? states->snapshot() : std::vector<uint8_t>();

    const int32_t result =
        polled ? ReadInputData(record, states_data, packed) : ReadData(record, states_data);
    s.check_guards();
    REQUIRE(result >= PANELINK_READ_FAILED && result <= PANELINK_READ_TIMED_OUT);
    if (!polled)
        REQUIRE(result != PANELINK_READ_PENDING);
    saved.require_unchanged(record);
    const bool refused = record == nullptr || states == nullptr || !is_live(s, saved.handle()) ||
                         (polled && saved.copy.DeviceIndex >= kRecordsPerArray);
    if (refused)
        REQUIRE(result == PANELINK_READ_FAILED);
    if (result != PANELINK_READ_DECODED && states != nullptr)
        REQUIRE(states->same_as(before));
    check_handles(s);
    check_outputs(s, 0, Writes::None);
}

void op_write_data(Sequence &s, Reader &in) {
    DeviceRecord *record = record_ref(s, in);
    const bool null_report = in.byte() % 8 == 7;
    const size_t length = record != nullptr ? record->OutputReportByteLength : 8;
    Guarded report(length);
    in.fill(report.data(), length);
    const std::vector<uint8_t> content = report.snapshot();
    const RecordBefore saved(record);
    const bool expected = record != nullptr && !null_report && write_expected(s, *record, 0xFFFF);

    const int32_t result = WriteData(record, null_report ? nullptr : report.data());
    s.check_guards();
    report.check_guards();
    REQUIRE(report.same_as(content));
    saved.require_unchanged(record);
    REQUIRE(result == 0 || (record != nullptr && result == record->OutputReportByteLength));
    if (expected)
        REQUIRE(result != 0);
    check_handles(s);
    check_outputs(s, saved.handle(), Writes::OneReport, result, &content);
}

// Data the output commands read, in a guarded block of exactly the bytes a command may read.
struct CommandData {
    Guarded block;
    bool null;
    std::vector<uint8_t> content;
    CommandData(Reader &in, size_t length, bool may_be_null) : block(length) {
        in.fill(block.data(), length);
        null = may_be_null && in.byte() % 6 == 5;
        content = block.snapshot();
    }
    const uint8_t *bytes() const { return null ? nullptr : block.data(); }
    const char *text() const { return reinterpret_cast<const char *>(bytes()); }
    void check() const {
        block.check_guards();
        REQUIRE(block.same_as(content));
    }
};

void op_command(Sequence &s, Reader &in) {
    DeviceRecord *record = record_ref(s, in);
    const uint8_t which = in.byte();
    // Byte-sized arguments use their low 8 bits; the rest of each value must not matter.
    const auto arg = [&in]() {
        const uint8_t pick = in.byte();
        return pick < 192 ? static_cast<int32_t>(pick) : static_cast<int32_t>(in.u32());
    };
    const int32_t port = arg();
    const int32_t parameter = arg();
    const RecordBefore saved(record);
    // Whether the command must send: data present where needed, checked below per command.
    bool data_ok = true;
    int32_t result = 0;
    std::unique_ptr<CommandData> data;
    switch (which % 14) {
    case 0:
        data = std::make_unique<CommandData>(in, 15, true);
        result = WriteDirectOutput(record, port, data->bytes());
        data_ok = !data->null;
        break;
    case 1:
        data = std::make_unique<CommandData>(in, 56, true);
        result = WriteMuxOutput(record, port, data->bytes());
        data_ok = !data->null;
        break;
    case 2:
        data = std::make_unique<CommandData>(in, 64, true);
        result = WriteLatchedOutput(record, port, data->bytes(), parameter);
        data_ok = !data->null;
        break;
    case 3:
        data = std::make_unique<CommandData>(in, 40, true);
        result = WriteSPIDAC(record, port, data->bytes(), parameter);
        data_ok = !data->null;
        break;
    case 4:
        result = CmdGLCD(record, port, parameter, arg());
        break;
    case 5: {
        const int32_t position = arg();
        const int32_t lines = arg();
        const size_t text_bytes = std::min<size_t>(static_cast<uint8_t>(lines), 2) * 24;
        data = std::make_unique<CommandData>(in, text_bytes, true);
        result = WriteGLCD(record, port, position, lines, parameter, data->text());
        break;
    }
    case 6:
        data = std::make_unique<CommandData>(in, 16, true);
        result = WriteDotMatrix(record, port, data->bytes(), parameter);
        data_ok = !data->null;
        break;
    case 7: {
        const int32_t count = arg();
        const int32_t start = arg();
        // The caller's array holds exactly the values the call reads.
        const size_t values =
            static_cast<uint8_t>(start) + std::min<size_t>(static_cast<uint8_t>(count), 13);
        data = std::make_unique<CommandData>(in, values * sizeof(int32_t),
                                             static_cast<uint8_t>(count) == 0);
        result = WriteCRTRWR(record, port, parameter, count, start,
                             reinterpret_cast<const int32_t *>(data->bytes()));
        break;
    }
    case 8:
        data = std::make_unique<CommandData>(in, 2, true);
        result = Write7Segment(record, data->bytes());
        data_ok = !data->null;
        break;
    case 9:
        result = ClearLCD(record, arg());
        break;
    case 10:
        data = std::make_unique<CommandData>(in, 20, true);
        result = WriteLCD(record, port, arg(), data->text(), parameter);
        break;
    case 11:
    case 12: {
        // A zero-terminated text of any length and content.
        const size_t length = in.byte() % 40;
        data = std::make_unique<CommandData>(in, length + 1, true);
        data->block.data()[length] = 0;
        data->content[length] = 0;
        result = WriteDisplayOutput(record, port, data->text(), parameter);
        data_ok = !data->null;
        break;
    }
    default:
        data = std::make_unique<CommandData>(in, 22, true);
        result = WriteTANDEM(record, data->text(), parameter);
        data_ok = !data->null;
        break;
    }
    s.check_guards();
    if (data)
        data->check();
    saved.require_unchanged(record);
    REQUIRE(result == 0 || (record != nullptr && result == record->OutputReportByteLength));
    REQUIRE(result <= static_cast<int32_t>(kMaxCommandReport));
    if (record != nullptr && data_ok && write_expected(s, *record, kMaxCommandReport))
        REQUIRE(result != 0);
    check_handles(s);
    check_outputs(s, saved.handle(), Writes::OneReport, result);
}

void op_status(Sequence &s, Reader &in) {
    DeviceRecord *record = record_ref(s, in);
    const uint8_t choice = in.byte();
    std::memset(s.status.data(), in.byte(), s.status.size());
    StatusRecord *status =
        choice % 6 == 5 ? nullptr : reinterpret_cast<StatusRecord *>(s.status.data());
    const RecordBefore saved(record);
    const std::vector<uint8_t> before = s.status.snapshot();
    StatusRecord old;
    std::memcpy(&old, before.data(), sizeof old);

    REQUIRE(RetrieveStatus(record, status) == 1);
    s.check_guards();
    saved.require_unchanged(record);
    if (record == nullptr || status == nullptr) {
        REQUIRE(s.status.same_as(before));
    } else {
        const StatusRecord &st = *status;
        const auto all = [](const uint8_t *p, size_t n, uint8_t v) {
            return std::all_of(p, p + n, [v](uint8_t b) { return b == v; });
        };
        REQUIRE(all(st.BaseFlags, sizeof st.BaseFlags, 1));
        REQUIRE(all(st.ExtraFlagsA, sizeof st.ExtraFlagsA, 1));
        REQUIRE(all(st.ExtraFlagsB, sizeof st.ExtraFlagsB, 1));
        REQUIRE(std::memcmp(st.Reserved1, old.Reserved1, sizeof st.Reserved1) == 0);
        REQUIRE(std::memcmp(st.Reserved2, old.Reserved2, sizeof st.Reserved2) == 0);
        REQUIRE(std::memcmp(st.Reserved3, old.Reserved3, sizeof st.Reserved3) == 0);
        for (size_t port = 0; port < 24; ++port) {
            REQUIRE(st.PortPresent[port] <= 1 && st.PortFault[port] <= 1);
            REQUIRE(st.PortType[port] <= 15);
        }
        if (saved.copy.ProductID != 0x0800) {
            REQUIRE(std::memcmp(st.ClearedFlagsA, old.ClearedFlagsA, sizeof st.ClearedFlagsA) == 0);
            REQUIRE(std::memcmp(st.ClearedFlagsB, old.ClearedFlagsB, sizeof st.ClearedFlagsB) == 0);
        }
    }
    check_handles(s);
    check_outputs(s, saved.handle(), Writes::AnyCount);
}

// The version text, and the virtual bus's answers to calls it must refuse.
void op_version() {
    const std::string expected = std::to_string(PANELINK_VERSION_MAJOR) + "." +
                                 std::to_string(PANELINK_VERSION_MINOR) + "." +
                                 std::to_string(PANELINK_VERSION_PATCH);
    REQUIRE(panelink_version() != nullptr && expected == panelink_version());
    REQUIRE(panelink_sim_add(nullptr) == 0);
    const PanelinkSimInterface no_path{};
    REQUIRE(panelink_sim_add(&no_path) == 0);
    unsigned char byte = 0x3C;
    REQUIRE(panelink_sim_pop_output(0, &byte, 1) == 0 && byte == 0x3C); // no board has id 0
    REQUIRE(panelink_sim_remove(0) == 0);
    panelink_sim_set_responder(0, respond, nullptr); // ignored
}

#ifdef __linux__
// Detection logs go to a folder of their own, on the memory file system when there is one: on a
// disk, truncating and writing the log of every detection takes most of a sequence's time.
class LogFolder {
  public:
    LogFolder() {
        const char *tmp = std::getenv("TMPDIR");
        const std::string parent = access("/dev/shm", W_OK) == 0    ? "/dev/shm"
                                   : tmp != nullptr && *tmp != '\0' ? tmp
                                                                    : "/tmp";
        std::string pattern = parent + "/panelink-api-sequence-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return; // the logs stay in the current folder
        path_ = pattern;
        setenv("PANELINK_LOG_DIR", path_.c_str(), 1);
    }
    ~LogFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    LogFolder(const LogFolder &) = delete;
    LogFolder &operator=(const LogFolder &) = delete;

  private:
    std::string path_;
};

void use_log_folder() {
    static LogFolder folder;
}

#else
void use_log_folder() {}
#endif

// Closes every handle the sequence left open, as a careful caller would at the end.
void close_all(Sequence &s) {
    for (const auto &[handle, board] : s.live) {
        DeviceRecord record{};
        record.Handle = handle;
        REQUIRE(CloseDevices(1, &record) == 1);
        REQUIRE(record.Handle == 0);
    }
    s.live.clear();
    check_handles(s);
}

void run(Sequence &s, Reader &in) {
    for (size_t n = 0; n < kMaxOperations && !in.empty(); ++n) {
        switch (static_cast<Op>(in.byte() % kOpCount)) {
        case kPlug:
            op_plug(s, in);
            break;
        case kUnplug:
            op_unplug(s, in);
            break;
        case kDetect:
            op_detect(s, in);
            break;
        case kClose:
            op_close(s, in);
            break;
        case kPoll:
            op_read(s, in, true);
            break;
        case kRead:
            op_read(s, in, false);
            break;
        case kWriteData:
            op_write_data(s, in);
            break;
        case kCommand:
            op_command(s, in);
            break;
        case kStatus:
            op_status(s, in);
            break;
        case kCopy:
            op_copy(s, in);
            break;
        case kZero:
            op_zero(s, in);
            break;
        case kGarble:
            op_garble(s, in);
            break;
        case kPushInput:
            op_push_input(s, in);
            break;
        case kFault:
            op_fault(s, in);
            break;
        case kAdvance:
            op_advance(in);
            break;
        case kResponder:
            op_responder(s, in);
            break;
        case kCrowd:
            op_crowd(s, in);
            break;
        case kVersion:
        case kOpCount:
            op_version();
            break;
        }
        s.check_guards();
        check_handles(s);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool enabled = panelink_sim_enable(1) == 1;
    (void)enabled;
    use_log_folder();
    panelink_sim_reset();
    const size_t descriptors = open_descriptors();
    static Sequence s;
    s.start();
    REQUIRE(s.handles_at_start == 0); // every sequence closes what it opened
    Reader in(data, size);
    run(s, in);
    close_all(s);
    panelink_sim_reset(); // drops the responders, which point into the sequence's boards
    s.boards.clear();
    REQUIRE(panelink::open_device_count() == 0);
    REQUIRE(open_descriptors() == descriptors);
    return 0;
}
