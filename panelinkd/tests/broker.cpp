#include "broker.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace panelinkd::test {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("no free port");
    close(fd);
    return ntohs(address.sin_port);
}

bool accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

} // namespace

Broker::Broker() {
    char folder[] = "/tmp/panelinkd-broker-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        throw std::runtime_error("no temporary folder");
    folder_ = folder;
    port_ = free_port();
    std::ofstream(folder_ + "/mosquitto.conf")
        << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\npersistence false\n"
        << "log_dest none\n";
    start();
}

Broker::~Broker() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::remove((folder_ + "/mosquitto.conf").c_str());
    rmdir(folder_.c_str());
}

void Broker::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void Broker::start() {
    const std::string config = folder_ + "/mosquitto.conf";
    const char *argv[] = {PANELINKD_TEST_MOSQUITTO, "-c", config.c_str(), nullptr};
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
        throw std::runtime_error(std::string("cannot start ") + argv[0]);
    // The listener may still be held by the killed broker's socket for a moment.
    for (int i = 0; i < 500; ++i) {
        if (accepts(port_))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("the broker does not take connections");
}

} // namespace panelinkd::test
