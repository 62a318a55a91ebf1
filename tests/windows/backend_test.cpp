// The Win32 backend on a Windows system (CI runs it under Wine): the interface walk and the
// devices over the system's own HID stack (Wine shows a virtual mouse and keyboard of vendor
// 0x845E), and overlapped reads and writes over named pipes, which take overlapped I/O as a
// HID handle does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "backends/platform.h"
#include "backends/win32/device.h"
#include "backends/win32/device_path.h"
#include "backends/win32/io.h"
#include "handle_table.h"

namespace {

using panelink::platform::Attributes;
using panelink::platform::Backend;
using panelink::platform::DeviceText;
using panelink::platform::InputRead;
using panelink::platform::kDeviceTextChars;
using panelink::platform::native_backend;
using panelink::platform::WaitResult;
using panelink::platform::WalkStep;
using panelink::platform::windows::read_events_in_use;
using panelink::platform::windows::WindowsDevice;

constexpr uint16_t kWineVendor = 0x845E;
constexpr uint16_t kWineMouse = 0x0001;
constexpr uint16_t kWineKeyboard = 0x0002;

std::vector<std::string> walk_all(Backend &backend) {
    std::vector<std::string> paths;
    EXPECT_TRUE(backend.begin_walk());
    for (uint32_t index = 0; index < 1000; ++index) {
        std::string path;
        const WalkStep step = backend.walk_interface(index, path);
        if (step == WalkStep::End)
            break;
        EXPECT_EQ(step, WalkStep::Found) << "member " << index;
        paths.push_back(path);
    }
    backend.end_walk();
    return paths;
}

// The same walk done directly, with a buffer far larger than any path.
std::vector<std::string> setupapi_paths() {
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, 0x12);
    std::vector<std::string> paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    alignas(8) static char buffer[4096];
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data); ++i) {
        auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer);
        detail->cbSize = sizeof(*detail);
        if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof(buffer), nullptr, nullptr))
            paths.push_back(detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

struct OpenInterface {
    std::unique_ptr<panelink::platform::Device> device;
    Attributes attributes;
};

// Opens the interface of Wine's virtual device `product`, or gives null when Wine shows none.
OpenInterface open_wine_device(uint16_t product) {
    for (const std::string &path : walk_all(native_backend())) {
        OpenInterface found{native_backend().open(path.c_str()), {}};
        if (found.device && found.device->attributes(found.attributes) &&
            found.attributes.vendor_id == kWineVendor && found.attributes.product_id == product)
            return found;
    }
    return {};
}

TEST(WindowsWalk, FindsEveryPresentHidInterfaceWithItsPath) {
    const std::vector<std::string> paths = walk_all(native_backend());
    EXPECT_EQ(paths, setupapi_paths());
    ASSERT_FALSE(paths.empty()) << "the system shows no HID interface at all";
    for (const std::string &path : paths) {
        EXPECT_EQ(path.rfind("\\\\?\\", 0), 0u) << path;
        EXPECT_EQ(path.find('\0'), std::string::npos);
    }
    // A second snapshot walks the same interfaces.
    EXPECT_EQ(walk_all(native_backend()), paths);
}

TEST(WindowsWalk, EndsAtOnceWithoutASnapshot) {
    Backend &backend = native_backend();
    std::string path = "untouched";
    EXPECT_EQ(backend.walk_interface(0, path), WalkStep::End);
    ASSERT_TRUE(backend.begin_walk());
    backend.end_walk();
    EXPECT_EQ(backend.walk_interface(0, path), WalkStep::End);
    EXPECT_EQ(path, "untouched");
}

TEST(WindowsBackend, OpenFailureLeavesTheSystemErrorAndItsText) {
    Backend &backend = native_backend();
    EXPECT_EQ(backend.open("\\\\?\\hid#vid_12da&pid_0000#no-such-device#{x}"), nullptr);
    const uint32_t error = backend.last_error();
    EXPECT_NE(error, 0u);
    const std::string text = backend.error_text(error);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(backend.open(nullptr), nullptr);
    EXPECT_EQ(backend.last_error(), static_cast<uint32_t>(ERROR_INVALID_PARAMETER));
}

TEST(WindowsBackend, ErrorTextsEndWithoutLineBreakAndUnknownCodesHaveNone) {
    Backend &backend = native_backend();
    for (uint32_t code : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_GEN_FAILURE}) {
        const std::string text = backend.error_text(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), '\n');
        EXPECT_NE(text.back(), '\r');
    }
    EXPECT_EQ(backend.error_text(0x2BADF00Du), "");
}

TEST(WindowsBackend, ClockCountsMillisecondsForward) {
    Backend &backend = native_backend();
    const uint64_t start = backend.now_ms();
    Sleep(100);
    const uint64_t elapsed = backend.now_ms() - start;
    EXPECT_GE(elapsed, 90u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(WindowsDevicePath, IdsComeFromUsbInterfacePathsOnly) {
    struct Case {
        const char *path;
        bool named;
        uint16_t vendor, product;
    };
    const Case cases[] = {
        {"\\\\?\\hid#vid_12da&pid_0910&mi_01#7&1a&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         true, 0x12DA, 0x0910},
        {"\\\\?\\HID#VID_6666&PID_BEEF#7&2B&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}", true,
         0x6666, 0xBEEF},
        // Bluetooth HID paths spell the IDs otherwise: not taken as a USB vendor's.
        {"\\\\?\\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002046d_pid&b01a#8&3&0&0000",
         false, 0, 0},
        {"\\\\?\\hid#vid_12da&pid_09", false, 0, 0},     // cut short
        {"\\\\?\\hid#vid_12g4&pid_0910#x", false, 0, 0}, // not hexadecimal
        {"\\\\?\\hid#vid_12da&mi_00&pid_0910#x", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case &c : cases) {
        uint16_t vendor = 0, product = 0;
        EXPECT_EQ(panelink::platform::windows::ids_from_path(c.path, vendor, product), c.named)
            << c.path;
        if (c.named) {
            EXPECT_EQ(vendor, c.vendor) << c.path;
            EXPECT_EQ(product, c.product) << c.path;
        }
    }
    using panelink::platform::windows::same_path;
    EXPECT_TRUE(
        same_path("\\\\?\\HID#VID_12DA&PID_0700#7&2B", "\\\\?\\hid#vid_12da&pid_0700#7&2b"));
    EXPECT_FALSE(same_path("\\\\?\\hid#vid_12da&pid_0700#1", "\\\\?\\hid#vid_12da&pid_0700#2"));
    EXPECT_FALSE(same_path("\\\\?\\hid#vid_12da", "\\\\?\\hid#vid_12da&"));
    EXPECT_FALSE(same_path("a@", "a`")); // only letters fold
}

class CountingSink final : public panelink::platform::BoardEventSink {
  public:
    void arrived(const panelink::platform::BoardArrival &) override { ++calls; }
    void left(const std::string &) override { ++calls; }
    void resynchronise(const std::vector<panelink::platform::BoardArrival> &) override { ++calls; }
    std::atomic<int> calls{0};
};

bool wine_devices(uint16_t vendor, uint16_t) {
    return vendor == kWineVendor;
}
bool no_device(uint16_t, uint16_t) {
    return false;
}

// Wine has no CM_Register_Notification: these watches run on the message-only window.
TEST(WindowsBoardWatch, FillsPresentWithWhatTheFilterAcceptsByTheWalksPaths) {
    const std::vector<std::string> walked = walk_all(native_backend());
    CountingSink sink;
    std::vector<panelink::platform::BoardArrival> present;
    auto watch = native_backend().watch_boards(sink, &wine_devices, present);
    ASSERT_NE(watch, nullptr) << "error " << GetLastError();
    std::vector<uint16_t> products;
    for (const auto &arrival : present) {
        EXPECT_NE(std::find(walked.begin(), walked.end(), arrival.path), walked.end())
            << arrival.path;
        EXPECT_EQ(arrival.attributes.vendor_id, kWineVendor);
        products.push_back(arrival.attributes.product_id);
    }
    for (uint16_t product : {kWineMouse, kWineKeyboard}) {
        if (open_wine_device(product).device) {
            EXPECT_NE(std::find(products.begin(), products.end(), product), products.end())
                << "Wine's device 0x" << std::hex << product << " is not in `present`";
        }
    }

    // A second watch beside the first (a window class of its own), accepting nothing.
    std::vector<panelink::platform::BoardArrival> none;
    auto second = native_backend().watch_boards(sink, &no_device, none);
    ASSERT_NE(second, nullptr) << "error " << GetLastError();
    EXPECT_TRUE(none.empty());
    second.reset();
    watch.reset();
    EXPECT_EQ(sink.calls, 0) << "nothing was plugged in or out";
}

TEST(WindowsHidDevice, ReadsIdentityTextsAndCollection) {
    OpenInterface mouse = open_wine_device(kWineMouse);
    if (!mouse.device)
        GTEST_SKIP() << "no virtual mouse of vendor 0x845E: not running under Wine";
    wchar_t text[kDeviceTextChars];
    std::wmemset(text, L'x', kDeviceTextChars);
    if (mouse.device->text(DeviceText::Product, text)) {
        EXPECT_LT(std::wcslen(text), kDeviceTextChars);
    }

    const panelink::hid::Collection *collection = mouse.device->collection();
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->usage_page, 1);
    EXPECT_EQ(collection->usage, 2); // a mouse
    EXPECT_GT(collection->input_report_byte_length, 1);
    EXPECT_EQ(mouse.device->collection(), collection) << "fetched once, then kept";

    const auto &inputs = collection->caps[static_cast<size_t>(panelink::hid::ReportType::Input)];
    size_t buttons = 0;
    for (const auto &cap : inputs)
        buttons += cap.is_button ? 1 : 0;
    EXPECT_GE(buttons, 1u);
    EXPECT_EQ(collection->number_input_button_caps(), buttons);
    panelink::hid::Capability first[2];
    ASSERT_GE(collection->input_button_caps(first, 2), 1u);
    EXPECT_TRUE(first[0].is_button);
    EXPECT_EQ(first[0].usage_page, 9); // the button page
    EXPECT_LE(first[0].data_index_min, first[0].data_index_max);

    OpenInterface keyboard = open_wine_device(kWineKeyboard);
    ASSERT_NE(keyboard.device, nullptr);
    ASSERT_NE(keyboard.device->collection(), nullptr);
    EXPECT_EQ(keyboard.device->collection()->usage, 6); // a keyboard
}

TEST(WindowsHidDevice, DataItemsComeFromTheHidParser) {
    OpenInterface mouse = open_wine_device(kWineMouse);
    if (!mouse.device)
        GTEST_SKIP() << "no virtual mouse of vendor 0x845E: not running under Wine";
    const panelink::hid::Collection *collection = mouse.device->collection();
    ASSERT_NE(collection, nullptr);
    panelink::hid::Capability buttons[1];
    ASSERT_EQ(collection->input_button_caps(buttons, 1), 1u);

    // Every bit set: each button of the first capability comes back pressed.
    std::vector<uint8_t> report(collection->input_report_byte_length, 0xFF);
    report[0] = buttons[0].report_id;
    panelink::hid::DataItem items[256];
    const size_t count = mouse.device->input_data(report.data(), report.size(), items, 256);
    size_t pressed = 0;
    for (size_t i = 0; i < count; ++i)
        if (items[i].data_index >= buttons[0].data_index_min &&
            items[i].data_index <= buttons[0].data_index_max && items[i].on())
            ++pressed;
    EXPECT_EQ(pressed, buttons[0].data_index_max - buttons[0].data_index_min + 1u);

    // No bit set: no button is pressed.
    std::fill(report.begin() + 1, report.end(), 0);
    const size_t released = mouse.device->input_data(report.data(), report.size(), items, 256);
    for (size_t i = 0; i < released; ++i) {
        if (items[i].data_index >= buttons[0].data_index_min &&
            items[i].data_index <= buttons[0].data_index_max) {
            EXPECT_FALSE(items[i].on()) << "data index " << items[i].data_index;
        }
    }

    // The capacity bounds what is written; a report of the wrong length is refused.
    panelink::hid::DataItem one[2] = {{0xEEEE, 0xEEEE}, {0xEEEE, 0xEEEE}};
    std::fill(report.begin() + 1, report.end(), 0xFF);
    EXPECT_EQ(mouse.device->input_data(report.data(), report.size(), one, 1), 1u);
    EXPECT_EQ(one[1].data_index, 0xEEEE);
    EXPECT_EQ(mouse.device->input_data(report.data(), report.size() - 1, items, 256), 0u);
}

TEST(WindowsHidDevice, PendingReadIsCancelledAndReleasedWithTheDevice) {
    OpenInterface mouse = open_wine_device(kWineMouse);
    if (!mouse.device)
        GTEST_SKIP() << "no virtual mouse of vendor 0x845E: not running under Wine";
    const size_t length = mouse.device->collection()->input_report_byte_length;
    mouse.device->flush_input();
    const size_t events_before = read_events_in_use();

    uint8_t buffer[65];
    std::memset(buffer, 0xA5, sizeof(buffer));
    InputRead read;
    read.buffer = buffer;
    read.length = length;
    ASSERT_TRUE(mouse.device->start_read(read));
    EXPECT_TRUE(read.started);
    EXPECT_EQ(mouse.device->wait_read(read, 0), WaitResult::TimedOut); // nobody moves it
    mouse.device->cancel_read(read);
    EXPECT_FALSE(read.started);
    EXPECT_EQ(read_events_in_use(), events_before);

    ASSERT_TRUE(mouse.device->start_read(read));
    mouse.device.reset(); // closing the device finishes the read under way
    EXPECT_FALSE(read.started);
    EXPECT_EQ(read_events_in_use(), events_before);
    for (uint8_t byte : buffer)
        ASSERT_EQ(byte, 0xA5);
}

TEST(WindowsHidDeviceDeathTest, ProcessEndsCleanlyWithAReadUnderWay) {
    // A device left open in the handle table is closed while static objects are torn down; it
    // still finishes its read through the event pool then.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            OpenInterface mouse = open_wine_device(kWineMouse);
            static uint8_t buffer[65];
            static InputRead read;
            bool started = true; // off Wine there is nothing to leave open
            if (mouse.device) {
                // As enumeration does: the device goes into the table before any read.
                read.buffer = buffer;
                read.length = mouse.device->collection()->input_report_byte_length;
                const uint32_t id = panelink::register_device(std::move(mouse.device));
                started = panelink::acquire_device(id)->start_read(read);
            }
            std::exit(started ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A connected pipe: the client end (overlapped) is what a WindowsDevice owns; the test plays
// the board on the server end with plain blocking calls.
class PipeDevice : public ::testing::Test {
  protected:
    void connect(DWORD buffer_size) {
        static int serial = 0;
        const std::string name = "\\\\.\\pipe\\panelink-backend-test-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(serial++);
        server_ = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, buffer_size,
                                   buffer_size, 0, nullptr);
        ASSERT_NE(server_, INVALID_HANDLE_VALUE);
        HANDLE client = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(client, INVALID_HANDLE_VALUE);
        device_ = std::make_unique<WindowsDevice>(client);
    }
    void SetUp() override { connect(4096); }
    void TearDown() override {
        device_.reset();
        if (server_ != INVALID_HANDLE_VALUE)
            CloseHandle(server_);
    }

    void board_sends(const char *bytes) {
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(server_, bytes, static_cast<DWORD>(std::strlen(bytes)), &written, nullptr));
    }
    std::string board_receives(size_t length) {
        std::string bytes(length, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(server_, bytes.data(), static_cast<DWORD>(length), &got, nullptr));
        bytes.resize(got);
        return bytes;
    }

    HANDLE server_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<WindowsDevice> device_;
};

TEST_F(PipeDevice, IsNoHidInterface) {
    Attributes attributes;
    EXPECT_FALSE(device_->attributes(attributes));
    wchar_t text[kDeviceTextChars];
    EXPECT_FALSE(device_->text(DeviceText::Manufacturer, text));
    EXPECT_EQ(device_->collection(), nullptr);
    panelink::hid::DataItem items[4];
    const uint8_t report[3] = {0, 1, 2};
    EXPECT_EQ(device_->input_data(report, sizeof(report), items, 4), 0u);
}

TEST_F(PipeDevice, ReadCompletesWhenTheReportArrives) {
    uint8_t buffer[8] = {};
    InputRead read;
    read.buffer = buffer;
    read.length = 5;
    ASSERT_TRUE(device_->start_read(read));
    EXPECT_EQ(device_->wait_read(read, 0), WaitResult::TimedOut);
    EXPECT_EQ(device_->wait_read(read, 20), WaitResult::TimedOut);
    board_sends("\x01hey!");
    EXPECT_EQ(device_->wait_read(read, 1000), WaitResult::Completed);
    EXPECT_FALSE(read.started);
    EXPECT_EQ(read.transferred, 5u);
    EXPECT_EQ(std::memcmp(buffer, "\x01hey!", 5), 0);
    EXPECT_EQ(buffer[5], 0) << "nothing past the asked length";
    EXPECT_EQ(read_events_in_use(), 0u);
    EXPECT_EQ(device_->wait_read(read, 0), WaitResult::Failed) << "no read under way";
}

TEST_F(PipeDevice, CancelledReadTakesNothingAndLeavesItsBufferAlone) {
    uint8_t buffer[4];
    std::memset(buffer, 0xA5, sizeof(buffer));
    InputRead read;
    read.buffer = buffer;
    read.length = 4;
    ASSERT_TRUE(device_->start_read(read));
    device_->cancel_read(read);
    EXPECT_FALSE(read.started);
    device_->cancel_read(read); // nothing under way: no effect

    board_sends("abcd");
    uint8_t next[4] = {};
    InputRead second;
    second.buffer = next;
    second.length = 4;
    ASSERT_TRUE(device_->start_read(second));
    EXPECT_EQ(device_->wait_read(second, 1000), WaitResult::Completed);
    EXPECT_EQ(std::memcmp(next, "abcd", 4), 0) << "the cancelled read consumed the report";
    for (uint8_t byte : buffer)
        EXPECT_EQ(byte, 0xA5);
    EXPECT_EQ(read_events_in_use(), 0u);
}

TEST_F(PipeDevice, RestartingAReadCancelsTheOneUnderWay) {
    uint8_t buffer[4] = {};
    InputRead read;
    read.buffer = buffer;
    read.length = 4;
    ASSERT_TRUE(device_->start_read(read));
    ASSERT_TRUE(device_->start_read(read));
    EXPECT_EQ(read_events_in_use(), 1u);
    board_sends("wxyz");
    EXPECT_EQ(device_->wait_read(read, 1000), WaitResult::Completed);
    EXPECT_EQ(std::memcmp(buffer, "wxyz", 4), 0);
    EXPECT_EQ(read_events_in_use(), 0u);
}

TEST_F(PipeDevice, ReadFailsWhenTheOtherEndGoesAway) {
    uint8_t buffer[4] = {};
    InputRead read;
    read.buffer = buffer;
    read.length = 4;
    ASSERT_TRUE(device_->start_read(read));
    CloseHandle(server_);
    server_ = INVALID_HANDLE_VALUE;
    EXPECT_EQ(device_->wait_read(read, 1000), WaitResult::Failed);
    EXPECT_FALSE(read.started);
    EXPECT_FALSE(device_->start_read(read)) << "a read on a broken pipe cannot start";
    EXPECT_EQ(read_events_in_use(), 0u);
}

TEST_F(PipeDevice, RefusesReadsWithoutBuffer) {
    InputRead read;
    read.length = 4;
    EXPECT_FALSE(device_->start_read(read));
    uint8_t buffer[1];
    read.buffer = buffer;
    read.length = 0;
    EXPECT_FALSE(device_->start_read(read));
    EXPECT_EQ(read_events_in_use(), 0u);
}

TEST_F(PipeDevice, PollingReusesItsEvents) {
    const size_t created = panelink::platform::windows::read_events_created();
    uint8_t buffer[1];
    InputRead read;
    read.buffer = buffer;
    read.length = 1;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(device_->start_read(read));
        board_sends("p");
        ASSERT_EQ(device_->wait_read(read, 1000), WaitResult::Completed);
    }
    EXPECT_LE(panelink::platform::windows::read_events_created(), created + 1);
}

TEST_F(PipeDevice, WriteCompletesWhenTheBoardTakesTheReport) {
    const uint8_t report[5] = {0, 'o', 'u', 't', '!'};
    EXPECT_EQ(device_->write(report, sizeof(report), 100), WaitResult::Completed);
    EXPECT_EQ(board_receives(5), std::string("\0out!", 5));
    EXPECT_EQ(device_->write(nullptr, 5, 100), WaitResult::Failed);
    EXPECT_EQ(device_->write(report, 0, 100), WaitResult::Failed);
}

TEST_F(PipeDevice, WriteTimesOutWhenTheBoardTakesNothing) {
    TearDown();
    connect(0); // no room: a write waits for a reader
    static uint8_t report[65536];
    const uint64_t start = native_backend().now_ms();
    EXPECT_EQ(device_->write(report, sizeof(report), 100), WaitResult::TimedOut);
    const uint64_t elapsed = native_backend().now_ms() - start;
    EXPECT_GE(elapsed, 90u);
    EXPECT_LT(elapsed, 2000u);
}

} // namespace
