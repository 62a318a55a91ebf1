#include "backends/process_environment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace panelink::platform {

const char *library_variable(const char *name) {
#if defined(__GLIBC__)
    // Null in secure execution (AT_SECURE): set-user-ID and set-group-ID programs, capabilities.
    const char *value = secure_getenv(name);
#else
    const char *value =
        getuid() == geteuid() && getgid() == getegid() ? std::getenv(name) : nullptr;
#endif
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

std::FILE *open_log_file(const std::string &path, bool append) {
    // O_NONBLOCK: opening a FIFO for writing would otherwise wait for a reader. O_TRUNC is left
    // for after the check, so that nothing but a regular file is ever cut short.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY |
                      (append ? O_APPEND : 0);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const int file_flags = regular ? ::fcntl(fd, F_GETFL) : -1;
    if (!regular || file_flags < 0 || ::fcntl(fd, F_SETFL, file_flags & ~O_NONBLOCK) != 0 ||
        (!append && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE *file = ::fdopen(fd, append ? "a" : "w");
    if (file == nullptr)
        ::close(fd);
    return file;
}

} // namespace panelink::platform
