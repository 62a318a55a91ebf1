// A mosquitto broker of the test's own on 127.0.0.1 at a free port, without persistence: started
// by the constructor, killed (SIGKILL, as a crash) and started again at the same port on request,
// stopped by the destructor. With `tls`, a second listener at another free port takes only TLS
// connections with a client certificate, both certificates from a throw-away authority
// (file("ca.pem"), file("client.pem"), file("client.key")).
#pragma once

#include <string>
#include <sys/types.h>

namespace panelinkd::test {

class Broker {
  public:
    explicit Broker(bool tls = false);
    ~Broker();
    Broker(const Broker &) = delete;
    Broker &operator=(const Broker &) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    int tls_port() const { return tls_port_; }
    std::string file(const std::string &name) const { return folder_ + "/" + name; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

    void kill();
    // Starts the broker again and waits until it takes connections.
    void start();

  private:
    std::string folder_;
    int port_ = 0;
    int tls_port_ = 0;
    pid_t pid_ = -1;
};

} // namespace panelinkd::test
