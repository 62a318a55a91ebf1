// Test support: the number of file descriptors the process holds, counted in /proc/self/fd
// (Linux), for comparing before and after a stretch of calls to find descriptors left open.
// Elsewhere 0, so a comparison passes trivially there: under Wine the process's descriptors
// include Wine's own, which come and go.
//
// Header only and free of GoogleTest, for the test programs and the fuzz targets alike.
#pragma once

#include <cstddef>

#ifdef __linux__
#include <dirent.h>
#endif

namespace panelink::test {

// The count includes the descriptor this function holds while it counts, the same every time.
inline size_t open_descriptors() {
#ifdef __linux__
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr)
        return 0;
    size_t count = 0;
    while (const dirent *entry = readdir(dir))
        count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
    return count;
#else
    return 0;
#endif
}

} // namespace panelink::test
