// The MQTT bridge against a real broker (mosquitto on 127.0.0.1 at a free port), with the
// service running in this process on virtual boards that the tests play: inputs become events
// and retained state, every set command reaches the board as the library call's report, status
// requests are answered, bad requests are refused without touching a board, the service comes
// back after a broker crash, and availability follows unplug and replug.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <panelink/simulation.h>

#include "broker.h"
#include "mqtt_output.h"
#include "service.h"
#include "support/report_descriptors.h"
#include "test_client.h"

namespace panelinkd::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

const std::vector<uint8_t> kDescriptor = panelink::test::vendor_descriptor();
constexpr size_t kReportLength = 65;
const char *const kPathA = "sim://bridge/0500#vid_12da&pid_0500&mi_00";
const char *const kPathB = "sim://bridge/0700#vid_12da&pid_0700&mi_00";
const std::string kBoardA = "0500-SER-A";
const std::string kBoardB = "0700-SER-B";

int add_board(uint16_t product_id, const char *path, const wchar_t *serial) {
    PanelinkSimInterface board{};
    board.vendor_id = PANELINK_VENDOR_ID_A;
    board.product_id = product_id;
    board.version_number = 0x0100;
    board.path = path;
    board.manufacturer = L"Maker";
    board.product = L"Board";
    board.serial_number = serial;
    board.report_descriptor = kDescriptor.data();
    board.report_descriptor_length = kDescriptor.size();
    const int id = panelink_sim_add(&board);
    // Its first report, all off: the service takes a board online with the state of its first
    // report, or all off after the library's read time-out of a second.
    const uint8_t report[kReportLength] = {};
    panelink_sim_push_input(id, report, sizeof report);
    return id;
}

std::vector<uint8_t> pop_output(int id) {
    std::vector<uint8_t> report(128);
    report.resize(panelink_sim_pop_output(id, report.data(), report.size()));
    return report;
}

std::function<bool(const Received &)> payload_is(const std::string &topic,
                                                 const std::string &payload) {
    return [=](const Received &m) { return m.topic == topic && m.payload == payload; };
}

class BridgeTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { broker_ = new Broker(); }
    static void TearDownTestSuite() {
        delete broker_;
        broker_ = nullptr;
    }

    void SetUp() override {
        panelink_sim_enable(0);
        panelink_sim_reset();
        board_a_ = add_board(0x0500, kPathA, L"SER-A");
        board_b_ = add_board(0x0700, kPathB, L"SER-B");
        ASSERT_GT(board_a_, 0);
        ASSERT_GT(board_b_, 0);
        // A prefix of each test's own: nothing retained by an earlier test is seen.
        prefix_ = "t" + std::to_string(++tests_run_) + "-" + std::to_string(getpid());
        config_.broker = BrokerConfig{};
        config_.broker->host = "127.0.0.1";
        config_.broker->port = static_cast<uint16_t>(broker_->port());
        config_.prefix = prefix_;
        config_.poll_ms = 5;
        config_.log_level = LogLevel::warning;
        client_ = std::make_unique<TestClient>(broker_->port());
        client_->subscribe(prefix_ + "/#");
        client_->subscribe("reply/" + prefix_ + "/#");
    }

    void TearDown() override {
        stop_service();
        client_.reset();
        panelink_sim_reset();
    }

    std::string topic(const std::string &board, const std::string &leaf) const {
        return prefix_ + "/" + board + "/" + leaf;
    }

    // Runs the service with config_ on its own thread until the test ends, and waits for it to
    // be online with both boards.
    void start_service() {
        outputs_.push_back(std::make_unique<MqttOutput>());
        service_ =
            std::thread([this] { serve(config_, outputs_, [this] { return stop_.load(); }); });
        ASSERT_TRUE(client_->wait_for(payload_is(prefix_ + "/bridge/state", "online")));
        ASSERT_TRUE(client_->wait_for(payload_is(topic(kBoardA, "availability"), "online")));
        ASSERT_TRUE(client_->wait_for(payload_is(topic(kBoardB, "availability"), "online")));
    }

    void stop_service() {
        stop_ = true;
        if (service_.joinable())
            service_.join();
        outputs_.clear();
    }

    // Sends a command with a response topic; the answer (with the correlation data sent).
    std::optional<Received> request(const std::string &board, const std::string &what,
                                    const std::string &payload) {
        const std::string reply = "reply/" + prefix_ + "/" + std::to_string(++requests_);
        const std::string correlation = "c" + std::to_string(requests_);
        client_->publish(topic(board, what), payload, false, reply, correlation);
        auto answer = client_->wait_for_topic(reply);
        if (answer) {
            EXPECT_EQ(answer->correlation, correlation);
        }
        return answer;
    }

    static Broker *broker_;
    static int tests_run_;
    std::string prefix_;
    Config config_;
    std::unique_ptr<TestClient> client_;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::thread service_;
    std::atomic<bool> stop_{false};
    int board_a_ = 0, board_b_ = 0, requests_ = 0;
};

Broker *BridgeTest::broker_ = nullptr;
int BridgeTest::tests_run_ = 0;

TEST_F(BridgeTest, InputsAppearAsEventsAndRetainedState) {
    start_service();
    const size_t from = client_->count();
    uint8_t report[kReportLength] = {};
    report[1] = 0x05; // inputs 1 and 3 on
    ASSERT_EQ(panelink_sim_push_input(board_a_, report, sizeof report), 1);

    for (int input : {1, 3}) {
        const auto event = client_->wait_for(
            [&](const Received &m) {
                if (m.topic != topic(kBoardA, "event"))
                    return false;
                const json e = json::parse(m.payload);
                return e["input"] == input && e["state"] == 1;
            },
            5s, from);
        ASSERT_TRUE(event) << "input " << input;
        EXPECT_FALSE(event->retained);
        EXPECT_TRUE(json::parse(event->payload).contains("time_ms"));
    }
    // A client that comes later still sees the state, retained.
    TestClient late(broker_->port());
    late.subscribe(topic(kBoardA, "inputs"));
    const auto state = late.wait_for([](const Received &m) {
        const json inputs = json::parse(m.payload)["inputs"];
        return m.retained && inputs[0] == 1 && inputs[1] == 0 && inputs[2] == 1;
    });
    ASSERT_TRUE(state);
    // The identity: the keys of `panelink list --json`, the whole serial and the name.
    late.subscribe(topic(kBoardA, "info"));
    const auto info = late.wait_for_topic(topic(kBoardA, "info"));
    ASSERT_TRUE(info);
    const json identity = json::parse(info->payload);
    EXPECT_EQ(identity["product_id"], 0x0500);
    EXPECT_EQ(identity["serial"], "SER-A");
    EXPECT_EQ(identity["name"], kBoardA);
    EXPECT_EQ(identity["path"], kPathA);
}

struct SetCase {
    const char *command;
    const char *payload;
    std::function<int32_t(DeviceRecord *)> library_call;
};

void PrintTo(const SetCase &c, std::ostream *out) {
    *out << c.command;
}

std::vector<uint8_t> bytes(std::initializer_list<uint8_t> given, size_t size) {
    std::vector<uint8_t> all(given);
    all.resize(size, 0);
    return all;
}

class SetCommands : public BridgeTest, public testing::WithParamInterface<SetCase> {};

TEST_P(SetCommands, ReachTheBoardAsTheLibraryCallsReport) {
    const SetCase &c = GetParam();
    start_service();
    const auto answer = request(kBoardA, std::string("set/") + c.command, c.payload);
    ASSERT_TRUE(answer);
    EXPECT_EQ(json::parse(answer->payload)["result"], "done") << answer->payload;
    const std::vector<uint8_t> sent = pop_output(board_a_);
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(pop_output(board_a_).empty()) << "one report only";
    EXPECT_TRUE(pop_output(board_b_).empty()) << "the other board is not touched";

    std::vector<DeviceRecord> records(PANELINK_MAX_DEVICES);
    int32_t count = 0;
    ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
    EXPECT_GT(c.library_call(&records[0]), 0);
    CloseDevices(static_cast<uint32_t>(count), records.data());
    EXPECT_EQ(sent, pop_output(board_a_));
}

const std::string kSpaces22(22, ' ');
const char kTandemLayout[22] = {'1', '2', '.', '3', 0, 0, 0, 0,  0, '-', '4',
                                '5', 0,   0,   0,   0, 0, 0, 12, 0, 1,   2};
const int32_t kCrtValues[] = {0, 0, 10, -20, 0x30};

// One case a line: the command and its JSON, then the library call they mean.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, SetCommands, testing::Values(
    SetCase{"direct", R"({"port":3,"bytes":"ff 01"})", [](DeviceRecord *r) { return WriteDirectOutput(r, 3, bytes({0xff, 1}, PANELINK_DIRECT_OUTPUT_BYTES).data()); }},
    SetCase{"mux", R"({"port":4,"bytes":[1,2,255]})", [](DeviceRecord *r) { return WriteMuxOutput(r, 4, bytes({1, 2, 255}, PANELINK_MUX_OUTPUT_BYTES).data()); }},
    SetCase{"latched", R"({"port":2,"parameter":5,"states":"1011_0001"})", [](DeviceRecord *r) { return WriteLatchedOutput(r, 2, bytes({1, 0, 1, 1, 0, 0, 0, 1}, PANELINK_LATCHED_OUTPUT_STATES).data(), 5); }},
    SetCase{"spi-dac", R"({"port":0,"parameter":16,"bytes":["01","02"]})", [](DeviceRecord *r) { return WriteSPIDAC(r, 0, bytes({1, 2}, PANELINK_SPI_DAC_BYTES).data(), 16); }},
    SetCase{"dot-matrix", R"({"port":5,"patterns":"ff 00 ff"})", [](DeviceRecord *r) { return WriteDotMatrix(r, 5, bytes({0xff, 0, 0xff}, PANELINK_DOT_MATRIX_BYTES).data(), 0); }},
    SetCase{"glcd-command", R"({"port":1,"parameter":2,"command":64})", [](DeviceRecord *r) { return CmdGLCD(r, 1, 2, 64); }},
    SetCase{"glcd-data", R"({"port":1,"position":3,"lines":["AB","CD"]})", [](DeviceRecord *r) { return WriteGLCD(r, 1, 3, 2, 0, ("AB" + kSpaces22 + "CD" + kSpaces22).c_str()); }},
    SetCase{"crt-rwr", R"({"port":2,"value":9,"start":2,"values":[10,-20,48]})", [](DeviceRecord *r) { return WriteCRTRWR(r, 2, 9, 3, 2, kCrtValues); }},
    SetCase{"seven-segment", R"({"bytes":"3f 06"})", [](DeviceRecord *r) { return Write7Segment(r, bytes({0x3f, 6}, 2).data()); }},
    SetCase{"lcd-clear", "", [](DeviceRecord *r) { return ClearLCD(r, 0); }},
    SetCase{"lcd", R"({"selector":1,"parameter":2,"text":"Hello"})", [](DeviceRecord *r) { return WriteLCD(r, 0, 1, "Hello               ", 2); }},
    SetCase{"display", R"({"port":1,"text":"-12.5"})", [](DeviceRecord *r) { return WriteDisplayOutput(r, 1, "-12.5", 0); }},
    SetCase{"tandem", R"({"groups":["12.3","-45"],"digit":"P","last_bytes":"01 02"})", [](DeviceRecord *r) { return WriteTANDEM(r, kTandemLayout, 0); }},
    SetCase{"raw", R"({"bytes":"00 25 ff"})", [](DeviceRecord *r) { return WriteData(r, bytes({0, 0x25, 0xff}, kReportLength).data()); }}),
    [](const testing::TestParamInfo<SetCase> &info) {
        std::string name = info.param.command;
        for (char &c : name) c = c == '-' ? '_' : c;
        return name;
    });
// clang-format on

TEST_F(BridgeTest, StatusRequestIsAnswered) {
    start_service();
    const auto answer = request(kBoardA, "status/get", "");
    ASSERT_TRUE(answer);
    const json status = json::parse(answer->payload);
    EXPECT_EQ(status["board"], kBoardA);
    EXPECT_EQ(status["product_id"], 0x0500);
    EXPECT_TRUE(status.contains("ports"));
    // Without a response topic the answer goes to the board's status topic.
    client_->publish(topic(kBoardB, "status/get"), "");
    const auto plain = client_->wait_for_topic(topic(kBoardB, "status"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(json::parse(plain->payload)["product_id"], 0x0700);
}

struct Refusal {
    const char *name;
    std::string board;
    std::string what;
    std::string payload;
    bool retain;
    const char *reason; // a piece of the error text
};

void PrintTo(const Refusal &c, std::ostream *out) {
    *out << c.name;
}

class Refusals : public BridgeTest, public testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, SayWhyAndTouchNoBoard) {
    const Refusal &c = GetParam();
    start_service();
    const size_t from = client_->count();
    client_->publish(topic(c.board, c.what), c.payload, c.retain, "reply/" + prefix_ + "/r",
                     "corr");
    const auto error = client_->wait_for_topic(topic(c.board, "error"), 5s, from);
    ASSERT_TRUE(error);
    const json e = json::parse(error->payload);
    EXPECT_NE(e["error"].get<std::string>().find(c.reason), std::string::npos) << error->payload;
    EXPECT_EQ(e["request"], c.what);
    EXPECT_EQ(error->correlation, "corr");
    EXPECT_TRUE(client_->wait_for_topic("reply/" + prefix_ + "/r", 5s, from))
        << "the requester hears of it too";
    // A command queued behind it runs: the refusal left the service and the boards as they were.
    ASSERT_TRUE(request(kBoardA, "set/lcd-clear", ""));
    EXPECT_EQ(pop_output(board_a_).size(), kReportLength);
    EXPECT_TRUE(pop_output(board_a_).empty());
    EXPECT_TRUE(pop_output(board_b_).empty());
    if (c.retain) // the broker would keep it for every later subscriber
        client_->publish(topic(c.board, c.what), "", true);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(BadRequests, Refusals, testing::Values(
    Refusal{"malformed_json", kBoardA, "set/direct", R"({"port":)", false, "not valid JSON"},
    Refusal{"not_an_object", kBoardA, "set/direct", "[1,2]", false, "must be a JSON object"},
    Refusal{"oversized", kBoardA, "set/raw", R"({"bytes":")" + std::string(5000, '0') + "\"}", false, "the limit is 4096"},
    Refusal{"unknown_command", kBoardA, "set/blink", "{}", false, "unknown command \"blink\""},
    Refusal{"unknown_board", "nosuch", "set/direct", R"({"port":1,"bytes":"01"})", false, "no board named nosuch"},
    Refusal{"port_out_of_range", kBoardA, "set/direct", R"({"port":24,"bytes":"01"})", false, "from 0 to 23"},
    Refusal{"too_many_bytes", kBoardA, "set/direct", R"({"port":1,"bytes":"00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f"})", false, "takes 1 to 15 bytes, not 16"},
    Refusal{"unknown_argument", kBoardA, "set/direct", R"({"port":1,"colour":"red"})", false, "takes no argument \"colour\" (it takes: port, bytes)"},
    Refusal{"argument_of_wrong_kind", kBoardA, "set/direct", R"({"port":1,"bytes":{"a":1}})", false, "must be a number"},
    Refusal{"missing_argument", kBoardA, "set/direct", R"({"bytes":"01"})", false, "--port"},
    Refusal{"display_text", kBoardA, "set/display", R"({"port":1,"text":"12x"})", false, "shows only the characters"},
    Refusal{"retained", kBoardA, "set/lcd-clear", "{}", true, "retained command refused"}),
    [](const testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });
// clang-format on

TEST_F(BridgeTest, AFloodIsRefused) {
    config_.limits.per_second = 20;
    start_service();
    const size_t from = client_->count();
    constexpr int kSent = 80;
    for (int i = 0; i < kSent; ++i)
        client_->publish(topic(kBoardB, "set/lcd-clear"), "");
    const auto error = client_->wait_for_topic(topic(kBoardB, "error"), 5s, from);
    ASSERT_TRUE(error);
    EXPECT_NE(error->payload.find("command flood"), std::string::npos) << error->payload;
    std::this_thread::sleep_for(300ms);
    int reached = 0;
    while (!pop_output(board_b_).empty())
        ++reached;
    EXPECT_GE(reached, 20);
    EXPECT_LT(reached, kSent);
}

TEST_F(BridgeTest, AFullQueueIsRefusedAndHoldsUpNoOtherBoard) {
    config_.limits.queue_per_board = 2;
    start_service();
    // Board A takes 100 ms per report (each write times out).
    ASSERT_EQ(panelink_sim_set_fault(board_a_, PANELINK_SIM_FAULT_WRITE_TIMEOUT, -1), 1);
    const size_t from = client_->count();
    for (int i = 0; i < 6; ++i)
        client_->publish(topic(kBoardA, "set/lcd-clear"), "");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(request(kBoardB, "set/lcd-clear", ""));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 250ms) << "board B waited for board A";
    const auto full = client_->wait_for(
        [&](const Received &m) {
            return m.topic == topic(kBoardA, "error") &&
                   m.payload.find("queue of board " + kBoardA + " is full") != std::string::npos;
        },
        5s, from);
    EXPECT_TRUE(full);
    // The writes that ran and timed out are reported as failures, not as done.
    EXPECT_TRUE(client_->wait_for(
        [&](const Received &m) {
            return m.topic == topic(kBoardA, "error") &&
                   m.payload.find("did not take") != std::string::npos;
        },
        5s, from));
}

TEST_F(BridgeTest, BrokerCrashAndReturn) {
    start_service();
    broker_->kill();
    client_.reset();
    uint8_t report[kReportLength] = {};
    report[2] = 0x80; // input 16 on while the broker is away
    ASSERT_EQ(panelink_sim_push_input(board_a_, report, sizeof report), 1);
    std::this_thread::sleep_for(200ms);
    broker_->start(); // it kept nothing: whatever is retained now, the service published again

    client_ = std::make_unique<TestClient>(broker_->port());
    client_->subscribe(prefix_ + "/#");
    client_->subscribe("reply/" + prefix_ + "/#");
    ASSERT_TRUE(client_->wait_for(payload_is(prefix_ + "/bridge/state", "online"), 15s));
    ASSERT_TRUE(client_->wait_for(payload_is(topic(kBoardA, "availability"), "online")));
    const auto inputs = client_->wait_for([&](const Received &m) {
        return m.topic == topic(kBoardA, "inputs") && json::parse(m.payload)["inputs"][15] == 1;
    });
    ASSERT_TRUE(inputs);
    EXPECT_TRUE(client_->wait_for_topic(topic(kBoardA, "info")));
    // Subscribed again: every command is carried out.
    for (int i = 0; i < 10; ++i) {
        const auto answer = request(kBoardA, "set/lcd-clear", "");
        ASSERT_TRUE(answer) << "command " << i;
    }
    int reached = 0;
    while (!pop_output(board_a_).empty())
        ++reached;
    EXPECT_EQ(reached, 10);
}

TEST_F(BridgeTest, AvailabilityFollowsUnplugAndReplug) {
    start_service();
    const size_t from = client_->count();
    ASSERT_EQ(panelink_sim_remove(board_a_), 1);
    ASSERT_TRUE(client_->wait_for(payload_is(topic(kBoardA, "availability"), "offline"), 5s, from));
    // A command for the absent board fails at once; nothing waits for its return.
    client_->publish(topic(kBoardA, "set/lcd-clear"), "");
    const auto error = client_->wait_for_topic(topic(kBoardA, "error"), 5s, from);
    ASSERT_TRUE(error);
    EXPECT_NE(error->payload.find("offline"), std::string::npos) << error->payload;

    const size_t back = client_->count();
    board_a_ = add_board(0x0500, "sim://bridge/elsewhere#vid_12da&pid_0500&mi_00", L"SER-A");
    ASSERT_GT(board_a_, 0);
    ASSERT_TRUE(client_->wait_for(payload_is(topic(kBoardA, "availability"), "online"), 5s, back))
        << "the same name on another port";
    ASSERT_TRUE(request(kBoardA, "set/lcd-clear", ""));
    EXPECT_FALSE(pop_output(board_a_).empty());
}

TEST_F(BridgeTest, StopSaysOffline) {
    start_service();
    const size_t from = client_->count();
    stop_service();
    EXPECT_TRUE(client_->wait_for(payload_is(topic(kBoardA, "availability"), "offline"), 5s, from));
    EXPECT_TRUE(client_->wait_for(payload_is(prefix_ + "/bridge/state", "offline"), 5s, from));
}

} // namespace
} // namespace panelinkd::test
