/* Keeps its boards open across unplugs and replugs, without polling for them: a board monitor
 * tells which boards arrive and leave. On an arrival the boards are detected again (the library
 * keeps one outstanding read per record position, so one detection holds every open board); on
 * a departure that board is closed and forgotten; in between the open boards' inputs are polled.
 * Try it without hardware: PANELINK_SIMULATE=demo ./replug_loop 2 (the seconds to run). */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <panelink/panelink.h>

static DeviceRecord records[PANELINK_MAX_DEVICES];
static int32_t count = 0;
static long reports[PANELINK_MAX_DEVICES]; /* reports decoded per record */

/* The record whose interface path is `path` and that is still open, or -1. */
static int find_open(const char *path) {
    for (int32_t i = 0; i < count; ++i)
        if (records[i].Handle != 0 && records[i].DevicePathLength < sizeof records[i].DevicePath &&
            strncmp(records[i].DevicePath, path, records[i].DevicePathLength) == 0 &&
            path[records[i].DevicePathLength] == '\0')
            return (int)i;
    return -1;
}

static void detect_again(void) {
    CloseDevices((uint32_t)count, records);
    count = 0;
    if (!DetectHID(&count, records, PANELINK_MODE_STANDARD))
        count = 0;
    memset(reports, 0, sizeof reports);
    for (int32_t i = 0; i < count; ++i) /* texts have a length and may lack a terminator */
        printf("open: board %d %04x:%04x %.*s\n", i, records[i].VendorID, records[i].ProductID,
               (int)records[i].ProductNameLength, records[i].ProductName);
}

static double now_s(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? atof(argv[1]) : 10.0;
    /* A snapshot: an arrival for each board present, then the live events. */
    const uint32_t monitor = panelink_monitor_open(PANELINK_MONITOR_SNAPSHOT);
    if (monitor == 0) {
        puts("the system's device notifications cannot be followed");
        return 1;
    }
    uint8_t states[PANELINK_INPUT_STATES_SIZE];
    const double end = now_s() + seconds;
    while (now_s() < end) {
        /* Take every event queued (waiting up to 10 ms for the first: the poll interval), then
         * detect once if a board arrived that is not open yet. */
        int arrived = 0;
        PanelinkBoardEvent event;
        uint32_t wait_ms = 10;
        while (panelink_monitor_next(monitor, &event, wait_ms) == PANELINK_MONITOR_EVENT) {
            wait_ms = 0;
            const int index = find_open(event.path);
            if (event.event == PANELINK_BOARD_ARRIVED) {
                printf("arrived: %04x:%04x %s\n", event.vendor_id, event.product_id, event.path);
                if (index < 0 && event.opened)
                    arrived = 1;
            } else {
                printf("left: %04x:%04x %s\n", event.vendor_id, event.product_id, event.path);
                if (index >= 0) /* forget it: its record is closed, and no longer polled */
                    CloseDevices(1, &records[index]);
            }
        }
        if (arrived)
            detect_again();
        for (int32_t i = 0; i < count; ++i)
            if (records[i].Handle != 0 &&
                ReadInputData(&records[i], states, 0) == PANELINK_READ_DECODED)
                ++reports[i];
    }
    for (int32_t i = 0; i < count; ++i)
        if (records[i].Handle != 0)
            printf("board %d sent %ld reports\n", i, reports[i]);
    CloseDevices((uint32_t)count, records);
    panelink_monitor_close(monitor);
    return 0;
}
