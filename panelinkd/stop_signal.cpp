#include "stop_signal.h"

#include <csignal>

namespace panelinkd {
namespace {

volatile std::sig_atomic_t stop_flag = 0;

extern "C" void on_stop_signal(int) {
    stop_flag = 1;
}

} // namespace

void catch_stop_signals() {
    stop_flag = 0;
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
    std::signal(SIGPIPE, SIG_IGN);
}

bool stop_requested() {
    return stop_flag != 0;
}

void request_stop() {
    stop_flag = 1;
}

} // namespace panelinkd
