// The service's configuration, board names and topics, without a broker: what is accepted, what
// is refused and with which reason.
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "board_names.h"
#include "command_line.h"
#include "config.h"
#include "topics.h"

namespace panelinkd {
namespace {

struct UrlCase {
    const char *url;
    const char *host; // nullptr: refused
    uint16_t port;
    bool tls;
};

class BrokerUrls : public testing::TestWithParam<UrlCase> {};

TEST_P(BrokerUrls, ParseOrRefuse) {
    const UrlCase &c = GetParam();
    BrokerConfig broker;
    if (c.host == nullptr) {
        EXPECT_THROW(parse_broker_url(c.url, broker), ConfigError) << c.url;
        return;
    }
    ASSERT_NO_THROW(parse_broker_url(c.url, broker)) << c.url;
    EXPECT_EQ(broker.host, c.host);
    EXPECT_EQ(broker.port, c.port);
    EXPECT_EQ(broker.tls, c.tls);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Config, BrokerUrls, testing::Values(
    UrlCase{"mqtt://broker", "broker", 1883, false},
    UrlCase{"mqtt://broker:1999", "broker", 1999, false},
    UrlCase{"mqtts://broker.example", "broker.example", 8883, true},
    UrlCase{"mqtts://10.0.0.2:9000/", "10.0.0.2", 9000, true},
    UrlCase{"mqtt://[::1]:1884", "::1", 1884, false},
    UrlCase{"mqtt://[::1]", "::1", 1883, false},
    UrlCase{"http://broker", nullptr, 0, false},
    UrlCase{"broker:1883", nullptr, 0, false},
    UrlCase{"mqtt://", nullptr, 0, false},
    UrlCase{"mqtt://:1883", nullptr, 0, false},
    UrlCase{"mqtt://broker:0", nullptr, 0, false},
    UrlCase{"mqtt://broker:65536", nullptr, 0, false},
    UrlCase{"mqtt://broker:", nullptr, 0, false},
    UrlCase{"mqtt://broker:0x50", nullptr, 0, false},
    UrlCase{"mqtt://user@broker", nullptr, 0, false},
    UrlCase{"mqtt://[::1", nullptr, 0, false}));
// clang-format on

struct FileCase {
    const char *name;
    const char *json;
    const char *reason; // nullptr: accepted
};

void PrintTo(const FileCase &c, std::ostream *out) {
    *out << c.name;
}

class ConfigFiles : public testing::TestWithParam<FileCase> {};

TEST_P(ConfigFiles, AcceptOrSayWhy) {
    const FileCase &c = GetParam();
    Config config;
    const nlohmann::json file = nlohmann::json::parse(c.json);
    if (c.reason == nullptr) {
        EXPECT_NO_THROW(apply_config_json(file, config));
        return;
    }
    try {
        apply_config_json(file, config);
        FAIL() << "accepted";
    } catch (const ConfigError &e) {
        EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Config, ConfigFiles, testing::Values(
    FileCase{"everything", R"({"broker":{"url":"mqtts://b:8884","ca_file":"/ca","cert_file":"/c","key_file":"/k","username":"u","password_file":"/p","client_id":"id","keepalive":60},"prefix":"home/cockpit","poll_ms":20,"boards":[{"product_id":"0x0910","serial":"D1","name":"overhead"}],"limits":{"max_payload_bytes":1024,"queue_per_board":4,"commands_per_second":50},"home_assistant":{"discovery_prefix":"ha"},"log_level":"debug","joystick":{"anything":[1,2]}})", nullptr},
    FileCase{"broker_as_text", R"({"broker":"mqtt://b"})", nullptr},
    FileCase{"unknown_key", R"({"brokr":"mqtt://b"})", "brokr: unknown setting"},
    FileCase{"unknown_broker_key", R"({"broker":{"url":"mqtt://b","pass":"x"}})", "broker.pass: unknown setting"},
    FileCase{"password_in_file", R"({"broker":{"url":"mqtt://b","password":"secret"}})", "never written in the configuration"},
    FileCase{"broker_without_url", R"({"broker":{"username":"u"}})", "broker.url: missing"},
    FileCase{"cert_without_key", R"({"broker":{"url":"mqtts://b","cert_file":"/c"}})", "go together"},
    FileCase{"poll_too_fast", R"({"poll_ms":0})", "poll_ms"},
    FileCase{"poll_not_a_number", R"({"poll_ms":"fast"})", "poll_ms"},
    FileCase{"prefix_with_wildcard", R"({"prefix":"pan/#"})", "prefix"},
    FileCase{"prefix_with_empty_level", R"({"prefix":"a//b"})", "prefix"},
    FileCase{"name_with_slash", R"({"boards":[{"product_id":1,"serial":"s","name":"a/b"}]})", "boards[0].name"},
    FileCase{"name_twice", R"({"boards":[{"product_id":1,"serial":"s","name":"a"},{"product_id":2,"serial":"t","name":"a"}]})", "already used"},
    FileCase{"board_twice", R"({"boards":[{"product_id":1,"serial":"s","name":"a"},{"product_id":1,"serial":"s","name":"b"}]})", "already named"},
    FileCase{"board_without_serial", R"({"boards":[{"product_id":1,"name":"a"}]})", "boards[0].serial: missing"},
    FileCase{"product_id_too_big", R"({"boards":[{"product_id":65536,"serial":"s","name":"a"}]})", "product_id"},
    FileCase{"queue_of_zero", R"({"limits":{"queue_per_board":0}})", "queue_per_board"},
    FileCase{"log_level", R"({"log_level":"loud"})", "log_level"},
    FileCase{"not_an_object", R"([1])", "JSON object"}),
    [](const testing::TestParamInfo<FileCase> &info) { return std::string(info.param.name); });
// clang-format on

TEST(Config, CommandLineWinsOverTheFileAndThePasswordComesFromItsFile) {
    const std::string folder = testing::TempDir();
    std::ofstream(folder + "/panelinkd-password") << "s3cret\n";
    std::ofstream(folder + "/panelinkd.json")
        << R"({"broker":{"url":"mqtt://file-host","username":"u","password_file":")" << folder
        << R"(/panelinkd-password"},"prefix":"from-file","poll_ms":50})";
    CommandLine options;
    options.config_file = folder + "/panelinkd.json";
    options.broker = "mqtts://cli-host:9999";
    options.poll_ms = 7;
    const Config config = make_config(options);
    ASSERT_TRUE(config.broker);
    EXPECT_EQ(config.broker->host, "cli-host");
    EXPECT_EQ(config.broker->port, 9999);
    EXPECT_TRUE(config.broker->tls);
    EXPECT_EQ(config.broker->username, "u");
    EXPECT_EQ(config.broker->password, "s3cret");
    EXPECT_EQ(config.prefix, "from-file");
    EXPECT_EQ(config.poll_ms, 7);
}

TEST(Config, ThePackagedExampleIsValid) {
    Config config;
    ASSERT_NO_THROW(load_config_file(PANELINKD_EXAMPLE_CONFIG, config));
    ASSERT_TRUE(config.broker);
    EXPECT_EQ(config.broker->password_file, "/etc/panelinkd/password");
    EXPECT_EQ(config.board_names.size(), 1u);
}

TEST(Config, NoBrokerUnlessOneIsGiven) {
    ::unsetenv(kPasswordVariable);
    EXPECT_FALSE(make_config(CommandLine{}).broker);
}

TEST(Config, PasswordFromTheEnvironment) {
    ::setenv(kPasswordVariable, "from-env", 1);
    CommandLine options;
    options.broker = "mqtt://b";
    EXPECT_THROW(make_config(options), ConfigError) << "a password needs a user name";
    Config config;
    config.broker = BrokerConfig{};
    config.broker->username = "u";
    finish_config(config);
    EXPECT_EQ(config.broker->password, "from-env");
    ::unsetenv(kPasswordVariable);
}

TEST(Config, UnreadableFilesAreNamed) {
    CommandLine options;
    options.config_file = "/nonexistent/panelinkd.json";
    EXPECT_THROW(make_config(options), ConfigError);
    const std::string bad = testing::TempDir() + "/panelinkd-bad.json";
    std::ofstream(bad) << "{\"prefix\": ";
    options.config_file = bad;
    try {
        make_config(options);
        FAIL() << "accepted";
    } catch (const ConfigError &e) {
        EXPECT_NE(std::string(e.what()).find("not valid JSON"), std::string::npos) << e.what();
    }
}

TEST(BoardNames, StableDefaultsConfiguredNamesAndTwins) {
    const BoardNamer namer({{0x0910, "D0910-01", "overhead"}});
    const std::set<std::string> none;
    EXPECT_EQ(namer.name(0x0910, "D0910-01", none), "overhead");
    EXPECT_EQ(namer.name(0x0910, "D0910-02", none), "0910-D0910-02");
    EXPECT_EQ(namer.name(0x0500, "", none), "0500");
    EXPECT_EQ(namer.name(0x0500, "a/b+c#d e", none), "0500-a_b_c_d_e");
    EXPECT_EQ(namer.name(0x0500, "S1", {"0500-S1"}), "0500-S1-2");
    EXPECT_EQ(namer.name(0x0500, "S1", {"0500-S1", "0500-S1-2"}), "0500-S1-3");
    EXPECT_EQ(namer.name(0x0910, "D0910-01", {"overhead"}), "overhead-2");
}

struct TopicCase {
    const char *topic;
    const char *board; // nullptr: not a request
    const char *command;
    bool status;
};

class RequestTopics : public testing::TestWithParam<TopicCase> {};

TEST_P(RequestTopics, TakenApart) {
    const TopicCase &c = GetParam();
    const auto request = Topics("home/pl").parse(c.topic);
    if (c.board == nullptr) {
        EXPECT_FALSE(request) << c.topic;
        return;
    }
    ASSERT_TRUE(request) << c.topic;
    EXPECT_EQ(request->board, c.board);
    EXPECT_EQ(request->command, c.command);
    EXPECT_EQ(request->status, c.status);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Topics, RequestTopics, testing::Values(
    TopicCase{"home/pl/overhead/set/direct", "overhead", "direct", false},
    TopicCase{"home/pl/0910-D1/status/get", "0910-D1", "", true},
    TopicCase{"home/pl/bridge/set/direct", nullptr, nullptr, false},
    TopicCase{"home/pl/overhead/set/", nullptr, nullptr, false},
    TopicCase{"home/pl/overhead/set/direct/more", nullptr, nullptr, false},
    TopicCase{"home/pl/overhead/status/set", nullptr, nullptr, false},
    TopicCase{"home/plx/overhead/set/direct", nullptr, nullptr, false},
    TopicCase{"home/pl//set/direct", nullptr, nullptr, false},
    TopicCase{"other/overhead/set/direct", nullptr, nullptr, false}));
// clang-format on

} // namespace
} // namespace panelinkd
