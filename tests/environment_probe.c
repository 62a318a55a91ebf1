/* Enumerates once and prints the interface path of every record, one per line. The library
 * variables test runs it with raised privileges (set-user-ID root) to see which of the caller's
 * PANELINK_ variables the library still follows. */
#include <stdio.h>

#include <panelink/panelink.h>

int main(void) {
    static DeviceRecord records[PANELINK_MAX_DEVICES];
    int32_t count = 0;
    if (DetectHID(&count, records, PANELINK_MODE_STANDARD) < 0)
        return 1;
    for (int32_t i = 0; i < count; ++i)
        printf("%.*s\n", (int)records[i].DevicePathLength, records[i].DevicePath);
    CloseDevices((uint32_t)count, records);
    return 0;
}
