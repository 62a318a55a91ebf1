// A mosquitto broker of the test's own on 127.0.0.1 at a free port, without persistence: started
// by the constructor, killed (SIGKILL, as a crash) and started again at the same port on request,
// stopped by the destructor.
#pragma once

#include <string>
#include <sys/types.h>

namespace panelinkd::test {

class Broker {
  public:
    Broker();
    ~Broker();
    Broker(const Broker &) = delete;
    Broker &operator=(const Broker &) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

    void kill();
    // Starts the broker again and waits until it takes connections.
    void start();

  private:
    std::string folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace panelinkd::test
