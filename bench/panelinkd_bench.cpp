// panelinkd under load through a real broker: N virtual boards whose inputs change R times a
// second each for S seconds, the service in this process (as the tests run it), Debian's
// mosquitto on 127.0.0.1 at a free port, and a subscriber to every event. Prints the latency from
// the input report to the subscriber (median, p99, worst), the changes the service saw and the
// events that reached the subscriber (at QoS 1 none may be lost between them), the service's CPU
// use (the process's, less the threads that play the boards and the subscriber) and its memory.
// With --rate 0 the boards stay idle: the service's CPU use when nothing happens.
//   panelinkd_bench [--boards 64] [--rate 50] [--seconds 30] [--poll-ms 10]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <unistd.h>

#include <panelink/simulation.h>

#include "broker.h"
#include "mqtt_output.h"
#include "service.h"
#include "support/report_descriptors.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr size_t kReportLength = 65;
constexpr int kToggledInputs = 32; // each board walks its first 32 inputs on and off

double thread_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double process_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long status_kb(const char *field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    return 0;
}

double broker_cpu_seconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : stat.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (fields.size() < 13)
        return 0;
    return static_cast<double>(std::stoll(fields[11]) + std::stoll(fields[12])) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Counts the changes the service saw, beside the bridge.
class ChangeCounter : public panelinkd::BoardSink, public panelinkd::Output {
  public:
    void board_online(const panelinkd::BoardInfo &, std::span<const uint8_t>) override { ++online; }
    void inputs_changed(const panelinkd::BoardInfo &, std::span<const uint8_t>,
                        std::span<const uint32_t> changed, panelinkd::Clock::time_point) override {
        changes += changed.size();
    }
    void board_offline(const panelinkd::BoardInfo &) override {}
    void add_options(CLI::App &) override {}
    panelinkd::BoardSink *start(const panelinkd::Config &, panelinkd::BoardRegistry &) override {
        return this;
    }
    std::atomic<int> online{0};
    std::atomic<uint64_t> changes{0};
};

struct Subscriber {
    mosquitto *client = nullptr;
    std::mutex lock;
    std::vector<std::vector<Clock::time_point>> pushed; // [board][input * 2 + state]
    std::map<std::string, int> boards;                  // name -> index
    std::vector<double> latencies_ms;
    uint64_t events = 0;
    double cpu = 0;
};

} // namespace

int main(int argc, char **argv) {
    int boards = 64, rate = 50, seconds = 30, poll_ms = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (option == "--boards")
            boards = std::clamp(value, 1, 120);
        else if (option == "--rate")
            rate = std::clamp(value, 0, 1000);
        else if (option == "--seconds")
            seconds = std::clamp(value, 1, 3600);
        else if (option == "--poll-ms")
            poll_ms = std::clamp(value, 1, 1000);
    }

    panelinkd::test::Broker broker;
    panelink_sim_enable(0);
    panelink_sim_reset();
    const std::vector<uint8_t> descriptor = panelink::test::vendor_descriptor();
    std::vector<int> ids;
    std::vector<std::string> paths;
    std::vector<std::wstring> serials;
    for (int b = 0; b < boards; ++b) {
        paths.push_back("sim://bench/" + std::to_string(b) + "#vid_12da&pid_0500&mi_00");
        serials.push_back(L"B" + std::to_wstring(b));
    }
    for (int b = 0; b < boards; ++b) {
        PanelinkSimInterface board{};
        board.vendor_id = PANELINK_VENDOR_ID_A;
        board.product_id = 0x0500;
        board.version_number = 0x0100;
        board.path = paths[static_cast<size_t>(b)].c_str();
        board.manufacturer = L"Maker";
        board.product = L"Board";
        board.serial_number = serials[static_cast<size_t>(b)].c_str();
        board.report_descriptor = descriptor.data();
        board.report_descriptor_length = descriptor.size();
        ids.push_back(panelink_sim_add(&board));
        const uint8_t first[kReportLength] = {};
        panelink_sim_push_input(ids.back(), first, sizeof first);
    }

    Subscriber subscriber;
    subscriber.pushed.assign(static_cast<size_t>(boards),
                             std::vector<Clock::time_point>(kToggledInputs * 2));
    for (int b = 0; b < boards; ++b)
        subscriber.boards["0500-B" + std::to_string(b)] = b;
    mosquitto_lib_init();
    subscriber.client = mosquitto_new(nullptr, true, &subscriber);
    mosquitto_int_option(subscriber.client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_message_v5_callback_set(subscriber.client, [](mosquitto *, void *self,
                                                            const mosquitto_message *message,
                                                            const mosquitto_property *) {
        const Clock::time_point now = Clock::now();
        auto &s = *static_cast<Subscriber *>(self);
        std::string topic = message->topic;
        const size_t first = topic.find('/'), second = topic.find('/', first + 1);
        const auto board = s.boards.find(topic.substr(first + 1, second - first - 1));
        const auto event =
            nlohmann::json::parse(std::string(static_cast<const char *>(message->payload),
                                              static_cast<size_t>(message->payloadlen)),
                                  nullptr, false);
        if (board == s.boards.end() || event.is_discarded())
            return;
        const int input = event["input"].get<int>() - 1, state = event["state"].get<int>();
        if (input < 0 || input >= kToggledInputs)
            return;
        const std::lock_guard lock(s.lock);
        ++s.events;
        const Clock::time_point pushed =
            s.pushed[static_cast<size_t>(board->second)][static_cast<size_t>(input * 2 + state)];
        if (pushed != Clock::time_point{})
            s.latencies_ms.push_back(
                std::chrono::duration<double, std::milli>(now - pushed).count());
    });
    if (mosquitto_connect(subscriber.client, "127.0.0.1", broker.port(), 30) != MOSQ_ERR_SUCCESS) {
        std::fprintf(stderr, "panelinkd_bench: the subscriber cannot connect\n");
        return 1;
    }
    mosquitto_subscribe(subscriber.client, nullptr, "bench/+/event", 1);
    std::atomic<bool> subscribing{true};
    std::thread subscriber_thread([&] {
        while (subscribing)
            mosquitto_loop(subscriber.client, 100, 1);
        subscriber.cpu = thread_cpu_seconds();
    });

    const long rss_before = status_kb("VmRSS:");
    const double cpu_before = process_cpu_seconds();
    panelinkd::Config config;
    config.broker = panelinkd::BrokerConfig{};
    config.broker->host = "127.0.0.1";
    config.broker->port = static_cast<uint16_t>(broker.port());
    config.prefix = "bench";
    config.poll_ms = poll_ms;
    config.log_level = panelinkd::LogLevel::warning;
    auto counter = std::make_unique<ChangeCounter>();
    ChangeCounter &changes = *counter;
    std::vector<std::unique_ptr<panelinkd::Output>> outputs;
    outputs.push_back(std::make_unique<panelinkd::MqttOutput>());
    outputs.push_back(std::move(counter));
    std::atomic<bool> stop{false};
    std::thread service([&] { panelinkd::serve(config, outputs, [&] { return stop.load(); }); });
    while (changes.online < boards)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(500ms); // the retained state published, the subscriber settled

    // Each board's reports at `rate` a second, the boards spread over the period.
    uint64_t pushed = 0;
    double player_cpu = 0;
    const double broker_cpu_before = broker_cpu_seconds(broker.pid());
    const double cpu_start = process_cpu_seconds();
    const uint64_t changes_start = changes.changes;
    const Clock::time_point start = Clock::now();
    std::thread player([&] {
        std::vector<uint8_t> report(kReportLength, 0);
        std::vector<std::vector<uint8_t>> states(static_cast<size_t>(boards),
                                                 std::vector<uint8_t>(kReportLength, 0));
        std::vector<int64_t> sent(static_cast<size_t>(boards), 0);
        const Clock::time_point end = start + std::chrono::seconds(seconds);
        while (rate > 0 && Clock::now() < end) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            for (int b = 0; b < boards; ++b) {
                const double offset = static_cast<double>(b) / boards / rate;
                const auto due = static_cast<int64_t>((elapsed - offset) * rate) + 1;
                auto &count = sent[static_cast<size_t>(b)];
                if (count >= due)
                    continue;
                const int input = static_cast<int>(count % kToggledInputs);
                std::vector<uint8_t> &state = states[static_cast<size_t>(b)];
                state[1 + input / 8] ^= static_cast<uint8_t>(1u << (input % 8));
                const int on = (state[1 + input / 8] >> (input % 8)) & 1;
                {
                    const std::lock_guard lock(subscriber.lock);
                    subscriber.pushed[static_cast<size_t>(b)][static_cast<size_t>(input * 2 + on)] =
                        Clock::now();
                }
                panelink_sim_push_input(ids[static_cast<size_t>(b)], state.data(), state.size());
                ++count;
                ++pushed;
            }
            std::this_thread::sleep_for(1ms);
        }
        if (rate == 0)
            std::this_thread::sleep_until(end);
        player_cpu = thread_cpu_seconds();
    });
    player.join();
    std::this_thread::sleep_for(1s); // the last events on their way
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu_end = process_cpu_seconds();
    const double broker_cpu = broker_cpu_seconds(broker.pid()) - broker_cpu_before;
    const uint64_t seen = changes.changes - changes_start;
    const long rss_during = status_kb("VmRSS:");
    subscribing = false;
    subscriber_thread.join();
    stop = true;
    service.join();
    (void)cpu_before;

    std::vector<double> latencies;
    uint64_t events = 0;
    {
        const std::lock_guard lock(subscriber.lock);
        latencies = subscriber.latencies_ms;
        events = subscriber.events;
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies.empty() ? 0.0
                                 : latencies[std::min(latencies.size() - 1,
                                                      static_cast<size_t>(q * latencies.size()))];
    };
    // The subscriber's thread ran from before the window: its CPU is counted whole, a bound.
    const double service_cpu = (cpu_end - cpu_start) - player_cpu - subscriber.cpu;
    std::printf("boards %d, %d changes/s each, %d s, poll every %d ms\n", boards, rate, seconds,
                poll_ms);
    std::printf("input reports pushed      %llu\n", static_cast<unsigned long long>(pushed));
    std::printf("changes the service saw   %llu\n", static_cast<unsigned long long>(seen));
    std::printf("events at the subscriber  %llu (lost between service and subscriber: %lld)\n",
                static_cast<unsigned long long>(events),
                static_cast<long long>(seen) - static_cast<long long>(events));
    if (!latencies.empty())
        std::printf("latency report -> subscriber: median %.2f ms, p99 %.2f ms, worst %.2f ms\n",
                    at(0.5), at(0.99), latencies.back());
    std::printf("service CPU               %.1f %% of one core\n", 100.0 * service_cpu / wall);
    std::printf("broker CPU                %.1f %% of one core\n", 100.0 * broker_cpu / wall);
    std::printf("process memory            %ld kB resident (%ld kB before the service)\n",
                rss_during, rss_before);
    mosquitto_destroy(subscriber.client);
    panelink_sim_reset();
    return 0;
}
