// panelink-uhid: virtual boards of the family as real kernel HID devices. Every board becomes a
// HID device on the kernel's bus through /dev/uhid, with its own hidraw node, so any program
// (the library's hidraw backend, inputscope) sees it as a plugged-in board.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <sys/signalfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "board_server.h"
#include "command_line.h"

namespace {

// SIGINT and SIGTERM arrive through a descriptor the server polls, so it can unplug its boards
// before ending.
int signal_descriptor() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return -1;
    }
    return signalfd(-1, &signals, SFD_CLOEXEC);
}

} // namespace

int main(int argc, char **argv) {
    using namespace panelink::uhid_tool;
    CLI::App app{"Serves virtual boards of the panelink family as kernel HID devices through "
                 "/dev/uhid, each with its own /dev/hidrawN node.",
                 "panelink-uhid"};
    CommandLine command_line;
    add_options(app, command_line);
    CLI11_PARSE(app, argc, argv);

    std::vector<Board> boards;
    ServerOptions options;
    std::string error;
    if (!settle(command_line, boards, options, error)) {
        std::cerr << "panelink-uhid: " << error << "\n";
        return 2;
    }

    const int signal_fd = signal_descriptor();
    if (signal_fd < 0) {
        std::perror("panelink-uhid: cannot receive signals");
        return 1;
    }
    BoardServer server(std::move(boards), options, std::cout);
    if (!server.plug_all(error)) {
        std::cerr << "panelink-uhid: " << error << "\n";
        server.unplug_all();
        return 1;
    }
    const bool served = server.run(signal_fd);
    server.unplug_all();
    ::close(signal_fd);
    return served ? 0 : 1;
}
