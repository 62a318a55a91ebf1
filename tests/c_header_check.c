/* Compiled as C: the public headers must be valid C, and the layout C sees must be the one the
 * library was built with. The static asserts in the header already check every offset at
 * compile time; this program also calls into the shared library through the C declarations. */
#include <panelink/panelink.h>
#include <panelink/simulation.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    DeviceRecord records[2];
    int32_t count = -1;
    int failures = 0;

    if (sizeof(DeviceRecord) != 848 || sizeof(StatusRecord) != 5496) {
        puts("record sizes differ");
        return 1;
    }
    if ((char *)&records[1] - (char *)&records[0] != 848) {
        puts("array stride is not 848");
        return 1;
    }

    /* The loaded library's version text is the header's numbers joined with dots. */
    char version[32];
    snprintf(version, sizeof version, "%d.%d.%d", PANELINK_VERSION_MAJOR, PANELINK_VERSION_MINOR,
             PANELINK_VERSION_PATCH);
    if (panelink_version() == NULL || strcmp(panelink_version(), version) != 0) {
        printf("panelink_version() is \"%s\", the header says %s\n",
               panelink_version() ? panelink_version() : "(null)", version);
        failures++;
    }

    /* A simulated bus with no boards: nothing found, count 0, result 0. */
    panelink_sim_enable(1);
    panelink_sim_reset();
    memset(records, 0xAB, sizeof records);
    if (DetectHID(&count, records, PANELINK_MODE_STANDARD) != 0 || count != 0) {
        puts("empty bus: DetectHID should find nothing");
        failures++;
    }
    if (CloseDevices(0, records) != 1) {
        puts("CloseDevices(0) should return 1");
        failures++;
    }
    puts(failures ? "c_header_check: FAILED" : "c_header_check: ok");
    return failures ? 1 : 0;
}
