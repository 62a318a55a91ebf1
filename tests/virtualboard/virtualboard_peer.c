/* The other program of virtualboard's kernel test: finds the window's board through the library
 * like any program, then reports on standard output what it reads and when, and writes what its
 * standard input asks for. Times are CLOCK_MONOTONIC nanoseconds, which the window's process in
 * the same kernel shares.
 *
 *   virtualboard_peer PRODUCT_ID INPUT CHANGES
 *
 * Prints "found PATH" once the board is there (within 20 s), then "input INPUT STATE TIME" for
 * each of CHANGES changes of INPUT that ReadInputData (polled every millisecond) shows, then
 * "inputs done" (reads that time out without a report are started again). Then, for each line on
 * standard input: "lamp PORT N"   WriteDirectOutput on PORT with only lamp N lit, "digits PORT T"
 * WriteDisplayOutput on PORT with the text T, it prints "wrote TIME RESULT", TIME taken just before
 * the call; "status PRODUCT PORT" RetrieveStatus on the first board of PRODUCT, it prints "status
 * RESULT PRESENT FAULT TYPE" for PORT. Exits 0 at the end of its input, 1 when the board is not
 * found or a read fails, 2 on a bad command line. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <panelink/panelink.h>

static unsigned long long now_ns(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (unsigned long long)t.tv_sec * 1000000000ull + (unsigned long long)t.tv_nsec;
}

static void sleep_ms(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

static DeviceRecord devices[PANELINK_MAX_DEVICES];
static int32_t device_count;
static StatusRecord status;

static DeviceRecord *first_of(long product) {
    for (int32_t i = 0; i < device_count; ++i) {
        if (devices[i].ProductID == product)
            return &devices[i];
    }
    return NULL;
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: virtualboard_peer PRODUCT_ID INPUT CHANGES\n");
        return 2;
    }
    const long product = strtol(argv[1], NULL, 0);
    const long input = strtol(argv[2], NULL, 0);
    const long changes = strtol(argv[3], NULL, 0);
    if (input < 0 || input >= PANELINK_INPUT_STATES_SIZE || changes < 0) {
        fprintf(stderr, "virtualboard_peer: bad input number or count\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IOLBF, 0);

    DeviceRecord *board = NULL;
    for (int attempt = 0; attempt < 200 && board == NULL; ++attempt) {
        memset(devices, 0, sizeof devices);
        device_count = 0;
        if (DetectHID(&device_count, devices, PANELINK_MODE_STANDARD))
            board = first_of(product);
        if (board == NULL) {
            if (device_count > 0)
                CloseDevices((uint32_t)device_count, devices);
            sleep_ms(100);
        }
    }
    if (board == NULL) {
        fprintf(stderr, "virtualboard_peer: no board 0x%04lx found\n", product);
        return 1;
    }
    printf("found %.*s\n",
           (int)(board->DevicePathLength <= sizeof board->DevicePath ? board->DevicePathLength
                                                                     : sizeof board->DevicePath),
           board->DevicePath);

    uint8_t states[PANELINK_INPUT_STATES_SIZE];
    int last = 0;
    for (long seen = 0; seen < changes;) {
        const int32_t result = ReadInputData(board, states, 0);
        if (result == PANELINK_READ_DECODED) {
            const int state = states[input] != 0;
            if (state != last) {
                printf("input %ld %d %llu\n", input, state, now_ns());
                last = state;
                ++seen;
            }
        } else if (result == PANELINK_READ_FAILED) {
            fprintf(stderr, "virtualboard_peer: ReadInputData returned %d\n", (int)result);
            return 1;
        }
        sleep_ms(1);
    }
    printf("inputs done\n");

    char line[128];
    while (fgets(line, sizeof line, stdin) != NULL) {
        int port = 0, lamp = 0;
        long other = 0;
        char text[32] = "";
        int32_t result = -1;
        unsigned long long before = 0;
        if (sscanf(line, "lamp %d %d", &port, &lamp) == 2 && lamp >= 0 &&
            lamp < PANELINK_DIRECT_OUTPUT_BYTES * 8) {
            uint8_t data[PANELINK_DIRECT_OUTPUT_BYTES] = {0};
            data[lamp / 8] = (uint8_t)(1u << (lamp % 8));
            before = now_ns();
            result = WriteDirectOutput(board, port, data);
        } else if (sscanf(line, "digits %d %31s", &port, text) == 2) {
            before = now_ns();
            result = WriteDisplayOutput(board, port, text, 0);
        } else if (sscanf(line, "status %li %d", &other, &port) == 2 && port >= 0 && port < 24 &&
                   first_of(other) != NULL) {
            memset(&status, 0, sizeof status);
            result = RetrieveStatus(first_of(other), &status);
            printf("status %d %d %d %d\n", (int)result, status.PortPresent[port],
                   status.PortFault[port], status.PortType[port]);
            continue;
        } else {
            fprintf(stderr, "virtualboard_peer: unknown command %s", line);
            return 2;
        }
        printf("wrote %llu %d\n", before, (int)result);
    }
    return 0;
}
