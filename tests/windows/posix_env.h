/* setenv and unsetenv for Windows builds of the tests, which choose backends through the
 * environment the POSIX way. Windows has _putenv_s instead (an empty value removes the
 * variable). Force-included into the test sources of the Windows build. */
#ifndef PANELINK_POSIX_ENV_H
#define PANELINK_POSIX_ENV_H
#ifdef _WIN32
#include <stdlib.h>

static inline int setenv(const char *name, const char *value, int overwrite) {
    if (!overwrite && getenv(name) != NULL)
        return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

static inline int unsetenv(const char *name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

#endif
#endif
