#include "kernel/support/udevd.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace panelink::test::kernel {

namespace {
constexpr const char *kControl = "/run/udev/control";
}

bool Udevd::start() {
    char program[] = "/lib/systemd/systemd-udevd";
    char *argv[] = {program, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawn(&pid_, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        pid_ = -1;
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        if (access(kControl, F_OK) == 0)
            return true;
        usleep(20 * 1000);
    }
    return false;
}

void Udevd::stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    unlink(kControl);
}

} // namespace panelink::test::kernel
