// udevd for the length of a test in the guest, where none runs: started in the foreground as a
// child, so that it can be stopped by its process id (udevadm ignores requests in a chroot).
#pragma once

#include <sys/types.h>

namespace panelink::test::kernel {

class Udevd {
  public:
    // Starts /lib/systemd/systemd-udevd and waits until its control socket is there.
    // False when it did not start within 10 s.
    bool start();
    // Stops it (SIGTERM), waits for it and removes the control socket it may leave.
    void stop();
    ~Udevd() { stop(); }

  private:
    pid_t pid_ = -1;
};

} // namespace panelink::test::kernel
