/* Lists the boards the library finds, then polls the first one for about a second and counts
 * the input reports it sent. Try it without hardware: PANELINK_SIMULATE=demo ./list_and_poll */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <time.h>

#include <panelink/panelink.h>

static DeviceRecord records[PANELINK_MAX_DEVICES + 1]; /* room for every record, and one more */

int main(void) {
    int32_t count = 0;
    if (!DetectHID(&count, records, PANELINK_MODE_STANDARD)) {
        puts("no boards found");
        return 1;
    }
    for (int32_t i = 0; i < count; ++i) /* texts have a length and may lack a terminator */
        printf("board %d: %04x:%04x %.*s, serial %.*s\n", i, records[i].VendorID,
               records[i].ProductID, (int)records[i].ProductNameLength, records[i].ProductName,
               (int)records[i].SerialNumberLength, records[i].SerialNumber);

    uint8_t states[PANELINK_INPUT_STATES_SIZE];
    int reports = 0;
    const struct timespec tick = {0, 10 * 1000 * 1000}; /* poll every 10 ms, 100 times */
    for (int n = 0; n < 100; ++n, nanosleep(&tick, NULL))
        if (ReadInputData(&records[0], states, 0) == PANELINK_READ_DECODED)
            ++reports; /* 3 (pending) means nothing new yet: the first call only starts a read */
    printf("board 0 sent %d reports in about a second\n", reports);
    CloseDevices((uint32_t)count, records);
    return 0;
}
