/* Sends outputs to the first board that takes output reports: numeric text on the
 * seven-segment module at port 0, the board's own two seven-segment bytes, and LEDs on the
 * direct-output module at port 1 and the latched-output module at port 2. Each command returns
 * the bytes written, 0 when the board did not take the report.
 * Try it without hardware: PANELINK_SIMULATE=demo ./outputs */
#include <stdio.h>

#include <panelink/panelink.h>

static DeviceRecord records[PANELINK_MAX_DEVICES + 1];

int main(void) {
    int32_t count = 0;
    DetectHID(&count, records, PANELINK_MODE_STANDARD);
    DeviceRecord *board = NULL;
    for (int32_t i = 0; i < count && board == NULL; ++i)
        if (records[i].OutputReportByteLength > 1)
            board = &records[i];
    if (board == NULL) {
        puts("no board with outputs found");
        return 1;
    }
    printf("board %u: %.*s\n", board->DeviceIndex, (int)board->ProductNameLength,
           board->ProductName);

    /* Right-aligned; "." lights the decimal point of the digit on its left. */
    int ok = 1;
    int32_t sent = WriteDisplayOutput(board, 0, "-12.5", 0);
    printf("seven-segment text \"-12.5\": %d bytes\n", sent);
    ok &= sent > 0;
    const uint8_t digits[2] = {0x06, 0x5B};
    sent = Write7Segment(board, digits);
    printf("board digits: %d bytes\n", sent);
    ok &= sent > 0;

    uint8_t leds[15] = {0};
    leds[0] = 0x55; /* every other LED of the first eight */
    sent = WriteDirectOutput(board, 1, leds);
    printf("direct LEDs: %d bytes\n", sent);
    ok &= sent > 0;
    uint8_t latched[64] = {0}; /* one state (0 or 1) per output */
    for (int i = 0; i < 64; i += 3)
        latched[i] = 1;
    sent = WriteLatchedOutput(board, 2, latched, 0);
    printf("latched LEDs: %d bytes\n", sent);
    ok &= sent > 0;

    CloseDevices((uint32_t)count, records);
    return ok ? 0 : 1;
}
