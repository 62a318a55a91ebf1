// The tool's commands that follow boards as they come and go, run in-process on virtual boards
// that the test plugs in and unplugs while the command runs on a thread of its own: monitor's
// lines and JSON objects, and watch across an unplug and the board's return. Each run is ended
// as a person ends it, with SIGTERM.
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <ostream>
#include <regex>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <panelink/simulation.h>

#include "app.h"
#include "support/report_descriptors.h"

namespace {

using namespace std::chrono_literals;

// Output that one thread writes and another waits on.
class SharedOutput : public std::streambuf {
  public:
    // Waits up to 10 s for text matching `pattern`.
    bool wait_for(const std::string &pattern) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s,
                                 [&] { return std::regex_search(text_, std::regex(pattern)); });
    }
    std::string text() {
        std::lock_guard lock(mutex_);
        return text_;
    }

  protected:
    int_type overflow(int_type c) override {
        const char byte = traits_type::to_char_type(c);
        return c == traits_type::eof() ? traits_type::not_eof(c) : (xsputn(&byte, 1), c);
    }
    std::streamsize xsputn(const char *s, std::streamsize n) override {
        std::lock_guard lock(mutex_);
        text_.append(s, static_cast<size_t>(n));
        changed_.notify_all();
        return n;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string text_;
};

// The tool run with `words` on a thread of its own. finish() ends it with SIGTERM, which the tool
// catches once it has printed its first line.
class Running {
  public:
    explicit Running(std::vector<std::string> words)
        : words_(std::move(words)), thread_([this] {
              std::vector<char *> argv;
              for (std::string &word : words_)
                  argv.push_back(word.data());
              std::ostream out(&out_), err(&err_);
              status_ = panelink::cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
          }) {}
    ~Running() {
        if (thread_.joinable())
            finish();
    }
    SharedOutput &out() { return out_; }
    std::string err() { return err_.text(); }
    int join() {
        thread_.join();
        return status_;
    }
    int finish() {
        std::raise(SIGTERM);
        return join();
    }

  private:
    std::vector<std::string> words_;
    SharedOutput out_, err_;
    int status_ = -1;
    std::thread thread_;
};

const std::vector<uint8_t> kDescriptor = panelink::test::vendor_descriptor();

int plug(const char *path, const wchar_t *serial, uint16_t product = 0x0700) {
    PanelinkSimInterface board{};
    board.vendor_id = 0x12DA;
    board.product_id = product;
    board.version_number = 0x0102;
    board.path = path;
    board.product = L"Test board";
    board.serial_number = serial;
    board.report_descriptor = kDescriptor.data();
    board.report_descriptor_length = kDescriptor.size();
    return panelink_sim_add(&board);
}

// A 0x0700 board's input report: report ID 0, then 64 data bytes, one bit per input.
void press(int id, uint8_t first_byte) {
    std::vector<uint8_t> report(65, 0);
    report[1] = first_byte;
    panelink_sim_push_input(id, report.data(), report.size());
}

class BoardEvents : public testing::Test {
  protected:
    void SetUp() override {
        panelink_sim_enable(0); // the real clock: the commands wait as they do on hardware
        panelink_sim_reset();
    }
    void TearDown() override { panelink_sim_reset(); }
};

struct MonitorCase {
    std::vector<std::string> args;
    std::vector<std::string> lines; // the snapshot's arrival, a departure, an arrival
};

TEST_F(BoardEvents, MonitorPrintsEachArrivalAndDeparture) {
    const std::vector<MonitorCase> cases = {
        {{"panelink", "monitor", "--snapshot"},
         {"arrived  12da:0700  version 0x0102  path sim://a  serial S01  config no",
          "left     12da:0700  version 0x0102  path sim://a  serial S01  config no",
          "arrived  12da:0910  version 0x0102  path sim://b\\x1B[1m  serial \\x07x  config no"}},
        {{"panelink", "monitor", "--snapshot", "--json"},
         {R"({"event":"arrived","vendor_id":4826,"product_id":1792,"version":258,)"
          R"("path":"sim://a","serial":"S01","config_interface":0})",
          R"({"event":"left","vendor_id":4826,"product_id":1792,"version":258,)"
          R"("path":"sim://a","serial":"S01","config_interface":0})",
          R"({"event":"arrived","vendor_id":4826,"product_id":2320,"version":258,)"
          R"("path":"sim://b\u001b[1m","serial":"\u0007x","config_interface":0})"}},
    };
    for (const MonitorCase &c : cases) {
        panelink_sim_reset();
        const int a = plug("sim://a", L"S01");
        Running run(c.args);
        ASSERT_TRUE(run.out().wait_for("S01")) << run.err();
        panelink_sim_remove(a);
        plug("sim://b\x1b[1m", L"\ax", 0x0910);
        ASSERT_TRUE(run.out().wait_for("0910|2320")) << run.out().text();
        EXPECT_EQ(run.finish(), 0) << run.err();
        EXPECT_EQ(run.out().text(), c.lines[0] + "\n" + c.lines[1] + "\n" + c.lines[2] + "\n");
        EXPECT_EQ(run.err(), "");
    }
}

struct WatchCase {
    const char *name;
    std::vector<std::string> args;
    const char *input_1_on, *unplugged, *back, *input_2_on; // patterns; unplugged null: it ends
};

// While the board is away another board is plugged in before it, so that it comes back as board
// 1; and a board at its path with another serial is not taken for it.
TEST_F(BoardEvents, WatchFollowsItsBoardAcrossAnUnplug) {
    const std::vector<WatchCase> cases = {
        {"text",
         {"panelink", "watch"},
         R"(s  input 1 on\n)",
         R"(s  board 0 \(Test board, 12da:0700\) unplugged; waiting for it to come back)",
         R"(s  board 1 \(Test board, 12da:0700\) is back\n)",
         R"(s  input 1 off\n.*s  input 2 on\n)"},
        {"json",
         {"panelink", "watch", "--json"},
         R"(\{"board":0,"input":1,"state":1,"ms":\d+\}\n)",
         R"(\{"board":0,"event":"left","ms":\d+\}\n)",
         R"(\{"board":1,"event":"arrived","ms":\d+\}\n)",
         R"(\{"board":1,"input":2,"state":1,"ms":\d+\}\n)"},
        {"exit_on_unplug",
         {"panelink", "watch", "--exit-on-unplug"},
         R"(s  input 1 on\n)",
         nullptr,
         nullptr,
         nullptr},
    };
    for (const WatchCase &c : cases) {
        SCOPED_TRACE(c.name);
        panelink_sim_reset();
        int board = plug("sim://watched", L"W1");
        Running run(c.args);
        press(board, 0b01);
        ASSERT_TRUE(run.out().wait_for(c.input_1_on)) << run.out().text() << run.err();
        panelink_sim_remove(board);
        if (!c.unplugged) {
            EXPECT_EQ(run.join(), 1);
            EXPECT_NE(run.err().find("board 0 (Test board, 12da:0700): reading its inputs failed"),
                      std::string::npos)
                << run.err();
            continue;
        }
        ASSERT_TRUE(run.out().wait_for(c.unplugged)) << run.out().text() << run.err();
        const int other = plug("sim://watched", L"OTHER");
        plug("sim://another", L"A1");
        // Taking the other board for it would show within the watch's 100 ms wait.
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(std::regex_search(run.out().text(), std::regex(c.back))) << run.out().text();
        panelink_sim_remove(other);
        board = plug("sim://watched", L"W1");
        ASSERT_TRUE(run.out().wait_for(c.back)) << run.out().text() << run.err();
        press(board, 0b10);
        ASSERT_TRUE(run.out().wait_for(c.input_2_on)) << run.out().text() << run.err();
        EXPECT_EQ(run.finish(), 0);
        const std::string out = run.out().text();
        EXPECT_EQ(out.find("is back"), out.rfind("is back")) << "taken back twice:\n" << out;
        EXPECT_EQ(out.find("arrived"), out.rfind("arrived")) << "taken back twice:\n" << out;
        EXPECT_EQ(run.err(), "");
    }
}

} // namespace
