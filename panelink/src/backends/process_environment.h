// What the library takes from its process's environment: its own variables, and the files it
// writes itself. Implemented once per platform (posix/, win32/).
#pragma once

#include <cstdio>
#include <string>

namespace panelink::platform {

// The value of one of the library's environment variables (PANELINK_...), or null when it is
// unset or empty. In a program that runs with more privileges than its caller (set-user-ID,
// set-group-ID, file capabilities) every variable counts as unset: the caller's environment
// must not point such a program at other files.
const char *library_variable(const char *name);

// Opens the text log file at `path` for writing: replaced (append false) or appended to. On
// POSIX systems only a regular file is written: a symbolic link as the last component, a FIFO,
// a device or a folder gives null, as does any failure, and the file is created with mode 0644
// less the umask and not inherited by programs the process starts. On Windows the file is a
// text stream with "\r\n" line ends.
std::FILE *open_log_file(const std::string &path, bool append);

} // namespace panelink::platform
