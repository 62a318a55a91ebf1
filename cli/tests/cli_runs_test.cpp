// The built tool on the demo boards (PANELINK_SIMULATE=demo): exit statuses, arguments accepted
// and refused, and the shape of its JSON. The demo set in the standard mode: 0 a 256-input board
// (0x0500), 1 a 64-input board (0x0700), 2 a board without inputs (0x0910), 3 a joystick adapter
// without output reports (0x0600); in the devices mode, 0 the configuration interface of 0x0910,
// which does not answer status queries.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using Args = std::vector<std::string>;
using nlohmann::json;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string &word) {
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ToolRun run_tool(const Args &args) {
    const std::string dir = PANELINK_CLI_WORK_DIR;
    const std::string tag = std::to_string(::getpid());
    const std::string out = dir + "/out." + tag, err = dir + "/err." + tag;
    std::string command =
        "PANELINK_SIMULATE=demo PANELINK_LOG_DIR=" + quoted(dir) + " " + quoted(PANELINK_CLI_PATH);
    for (const std::string &arg : args)
        command += " " + quoted(arg);
    command += " >" + quoted(out) + " 2>" + quoted(err) + " </dev/null";
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

std::string joined(const Args &args) {
    std::string text;
    for (const std::string &arg : args)
        text += arg + " ";
    return text;
}

struct ExitCase {
    Args args;
    int status;
};

void expect_statuses(const std::vector<ExitCase> &cases) {
    for (const ExitCase &c : cases) {
        const ToolRun run = run_tool(c.args);
        EXPECT_EQ(run.status, c.status)
            << joined(c.args) << "\nstdout: " << run.out << "\nstderr: " << run.err;
        if (c.status != 0) {
            EXPECT_FALSE(run.err.empty()) << joined(c.args) << ": no reason given";
        }
    }
}

TEST(ExitStatus, UsageErrors) {
    expect_statuses({
        {{}, 2},
        {{"bogus"}, 2},
        {{"list", "--mode", "nope"}, 2},
        {{"list", "extra"}, 2},
        {{"watch", "--board", "x"}, 2},
        {{"watch", "--board", "128"}, 2},
        {{"watch", "--seconds", "-1"}, 2},
        {{"watch", "--exit-on-unplug", "yes"}, 2},
        {{"monitor", "extra"}, 2},
        {{"monitor", "--seconds", "0"}, 2},
        {{"status"}, 2},
        {{"send", "--board", "0"}, 2},
        {{"send", "lcd-clear"}, 2},
        {{"--log-dir", "/nonexistent/folder", "list"}, 2},
    });
}

// --log-dir takes the detection log away from PANELINK_LOG_DIR (and the current folder).
TEST(LogDir, DetectionLogGoesThere) {
    const std::string dir =
        std::string(PANELINK_CLI_WORK_DIR) + "/log-dir." + std::to_string(::getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const ToolRun run = run_tool({"--log-dir", dir, "list"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/panelink_all.log"));
    std::filesystem::remove_all(dir);
}

TEST(ExitStatus, NoSuchBoard) {
    expect_statuses({
        {{"list", "--mode", "flash"}, 3},
        {{"list", "--mode", "report", "--json"}, 3},
        {{"status", "--board", "4"}, 3},
        {{"watch", "--board", "9", "--seconds", "0.1"}, 3},
        {{"send", "--board", "4", "lcd-clear"}, 3},
        {{"send", "--mode", "devices", "--board", "1", "lcd-clear"}, 3},
    });
}

TEST(ExitStatus, BoardOperationFailed) {
    expect_statuses({
        {{"watch", "--board", "2", "--seconds", "0.1"}, 1},   // no inputs
        {{"send", "--board", "3", "lcd-clear"}, 1},           // no output reports
        {{"status", "--mode", "devices", "--board", "0"}, 1}, // no answer
    });
}

TEST(ExitStatus, HelpAndVersion) {
    expect_statuses({{{"--help"}, 0}, {{"--help-all"}, 0}, {{"send", "tandem", "--help"}, 0}});
    const ToolRun version = run_tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_search(version.out, std::regex("^panelink \\d+\\.\\d+\\.\\d+\n"
                                                          "library \\d+\\.\\d+\\.\\d+")))
        << version.out;
}

// Arguments refused (2) and some accepted (0) in other spellings; send_reports_test checks what
// each command sends.
TEST(Send, ArgumentsAcceptedAndRefused) {
    Args too_many_values = {"send", "--board", "0", "crt-rwr", "--port", "0"};
    too_many_values.insert(too_many_values.end(), 14, "1");
    Args raw_too_long = {"send", "--board", "0", "raw"};
    raw_too_long.insert(raw_too_long.end(), 66, "00");
    expect_statuses({
        {{"send", "direct", "--board", "1", "--port", "0x17", "0xff01"}, 0},
        {{"send", "--board", "0", "direct", "--port", "24", "ff"}, 2},
        {{"send", "--board", "0", "direct", "--port", "1", "zz"}, 2},
        {{"send", "--board", "0", "direct", "--port", "1", "123"}, 2},
        {{"send", "--board", "0", "direct", "--port", "1"}, 2},
        {{"send", "--board", "0", "direct", "--port", "1", "00112233445566778899aabbccddeeff"}, 2},
        {{"send", "--board", "0", "direct", "ff"}, 2},
        {{"send", "--board", "0", "mux", "--port", "3", "01,02:03 04"}, 0},
        {{"send", "--board", "0", "latched", "--port", "2", "10x1"}, 2},
        {{"send", "--board", "0", "latched", "--port", "2", std::string(65, '1')}, 2},
        {{"send", "--board", "0", "spi-dac", "--port", "0", "--parameter", "256", "01"}, 2},
        {{"send", "--board", "0", "glcd-command", "--port", "0", "256"}, 2},
        {{"send", "--board", "0", "glcd-data", "--port", "1", std::string(25, 'x')}, 2},
        {{"send", "--board", "0", "glcd-data", "--port", "1", "a", "b", "c"}, 2},
        {{"send", "--board", "0", "crt-rwr", "--port", "0", "--value", "7"}, 0},
        {{"send", "--board", "0", "crt-rwr", "--port", "0", "ten"}, 2},
        {too_many_values, 2},
        {{"send", "--board", "0", "seven-segment", "3f", "06", "5b"}, 2},
        {{"send", "--board", "0", "lcd", std::string(21, 'x')}, 2},
        {{"send", "--board", "0", "display", "--port", "0", "1234567."}, 0},
        {{"send", "--board", "0", "display", "--port", "0", "12345678"}, 2},
        {{"send", "--board", "0", "display", "--port", "0", "12a"}, 2},
        {{"send", "--board", "0", "tandem", "", "L", "--last-bytes", "01 02"}, 0},
        {{"send", "--board", "0", "tandem", "12345", "1"}, 2},
        {{"send", "--board", "0", "tandem", "1", "2", "--digit", "x"}, 2},
        {{"send", "--board", "0", "tandem", "1"}, 2},
        {raw_too_long, 2},
        {{"send", "--board", "0", "raw", "zz"}, 2},
    });
}

TEST(List, TextLines) {
    const ToolRun run = run_tool({"list"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("0  12da:0500  Halcyon-256 USB MODULE  serial D05  256 inputs  "
                            "sim://demo/0500#vid_12da&pid_0500&mi_00\n1  12da:0700  ",
                            0),
              0u)
        << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4);
}

TEST(List, JsonShape) {
    const ToolRun run = run_tool({"list", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json boards = json::parse(run.out);
    ASSERT_TRUE(boards.is_array());
    ASSERT_EQ(boards.size(), 4u);
    const char *numbers[] = {"index",  "vendor_id",           "product_id",           "version",
                             "inputs", "input_report_length", "output_report_length", "usage_page",
                             "usage"};
    const char *texts[] = {"manufacturer", "product", "serial", "path"};
    for (size_t i = 0; i < boards.size(); ++i) {
        const json &board = boards[i];
        ASSERT_TRUE(board.is_object());
        EXPECT_EQ(board.size(), std::size(numbers) + std::size(texts));
        for (const char *key : numbers)
            EXPECT_TRUE(board.contains(key) && board[key].is_number_integer()) << key;
        for (const char *key : texts)
            EXPECT_TRUE(board.contains(key) && board[key].is_string()) << key;
        EXPECT_EQ(board["index"], i);
        EXPECT_EQ(board["vendor_id"], 0x12DA);
        EXPECT_EQ(board["serial"].get<std::string>().size(), 3u);
    }
    EXPECT_EQ(boards[0]["product"], "Halcyon-256 USB MODULE");
    EXPECT_EQ(boards[0]["product_id"], 0x0500);
    EXPECT_EQ(boards[0]["inputs"], 256);
    EXPECT_EQ(boards[0]["input_report_length"], 65);
    EXPECT_EQ(boards[3]["output_report_length"], 0);
    EXPECT_EQ(boards[3]["usage_page"], 1);
    EXPECT_EQ(boards[3]["usage"], 4);
}

// Every line is a change of one input or the report period; an input's changes alternate,
// starting with "on" (inputs count as off before the first report), and time never goes back.
TEST(Watch, JsonLines) {
    const ToolRun run = run_tool({"watch", "--board", "1", "--seconds", "2.5", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::map<int, int> last_state;
    int64_t last_ms = 0;
    int changes = 0, periods = 0;
    while (std::getline(lines, line)) {
        const json object = json::parse(line);
        ASSERT_TRUE(object.is_object()) << line;
        EXPECT_EQ(object["board"], 1) << line;
        ASSERT_TRUE(object["ms"].is_number_integer()) << line;
        const int64_t ms = object["ms"];
        EXPECT_GE(ms, last_ms) << line;
        EXPECT_LE(ms, 2500) << line;
        last_ms = ms;
        if (object.contains("period_ms")) {
            EXPECT_EQ(object.size(), 3u) << line;
            ASSERT_TRUE(object["period_ms"].is_number_integer()) << line;
            EXPECT_GT(object["period_ms"], 0) << line;
            EXPECT_LT(object["period_ms"], 1000) << line;
            ++periods;
            continue;
        }
        EXPECT_EQ(object.size(), 4u) << line;
        ASSERT_TRUE(object["input"].is_number_integer()) << line;
        ASSERT_TRUE(object["state"].is_number_integer()) << line;
        const int input = object["input"], state = object["state"];
        EXPECT_GE(input, 1) << line;
        EXPECT_LE(input, 64) << line;
        const auto previous = last_state.find(input);
        EXPECT_EQ(state, previous == last_state.end() ? 1 : 1 - previous->second) << line;
        last_state[input] = state;
        ++changes;
    }
    EXPECT_GT(changes, 10);
    EXPECT_GE(periods, 1);
}

TEST(Watch, TextLines) {
    const ToolRun run = run_tool({"watch", "--seconds", "1.5"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::regex lines("watching board 0 \\(Halcyon-256 USB MODULE, 12da:0500\\), inputs 1 to "
                           "256 \\(Ctrl-C ends\\)\n( *\\d+\\.\\d{3} s  (input \\d+ (on|off)|"
                           "report period \\d+ ms)\n)+");
    EXPECT_TRUE(std::regex_match(run.out, lines)) << run.out;
}

// SIGINT ends a watch without a time limit cleanly (exit status 0).
TEST(Watch, InterruptEndsCleanly) {
    const std::string dir = PANELINK_CLI_WORK_DIR;
    const std::string command = "PANELINK_SIMULATE=demo PANELINK_LOG_DIR='" + dir + "' '" +
                                PANELINK_CLI_PATH +
                                "' watch --json >/dev/null & pid=$!; sleep 0.5; "
                                "kill -INT $pid; wait $pid";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
}

void expect_status_shape(const json &status) {
    for (const char *key : {"board", "vendor_id", "product_id"})
        EXPECT_TRUE(status[key].is_number_integer()) << key;
    for (const char *key : {"product", "note"})
        EXPECT_TRUE(status[key].is_string()) << key;
    EXPECT_TRUE(status["queried"].is_boolean());
    EXPECT_TRUE(status["answered"].is_boolean() || status["answered"].is_null());
    ASSERT_TRUE(status["ports"].is_array());
    ASSERT_TRUE(status["pairs"].is_array());
    for (const json &port : status["ports"]) {
        for (const char *key : {"port", "pair", "type"})
            EXPECT_TRUE(port[key].is_number_integer()) << key;
        for (const char *key : {"present", "fault", "active"})
            EXPECT_TRUE(port[key].is_boolean()) << key;
        EXPECT_TRUE(port["state"].is_string());
    }
}

TEST(Status, JsonShape) {
    const ToolRun plain = run_tool({"status", "--board", "0", "--json"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const json board = json::parse(plain.out);
    expect_status_shape(board);
    EXPECT_EQ(board["product_id"], 0x0500);
    EXPECT_EQ(board["queried"], false);
    EXPECT_TRUE(board["answered"].is_null());
    EXPECT_TRUE(board["ports"].empty());

    const ToolRun config = run_tool({"status", "--mode", "devices", "--board", "0", "--json"});
    EXPECT_EQ(config.status, 1);
    const json silent = json::parse(config.out);
    expect_status_shape(silent);
    EXPECT_EQ(silent["product_id"], 0x0910);
    EXPECT_EQ(silent["queried"], true);
    EXPECT_EQ(silent["answered"], false);
    ASSERT_EQ(silent["ports"].size(), 2u);
    EXPECT_EQ(silent["ports"][1]["port"], 1);
    EXPECT_EQ(silent["ports"][1]["present"], false);
    EXPECT_EQ(silent["ports"][1]["fault"], true);
}

} // namespace
