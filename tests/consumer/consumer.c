/* A program built against the installed library only: prints the library's version and the
 * number of boards DetectHID finds (run with PANELINK_SIMULATE=demo for the demo boards). */
#include <panelink/panelink.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    static DeviceRecord devices[PANELINK_MAX_DEVICES + 1];
    char header_version[32];
    snprintf(header_version, sizeof header_version, "%d.%d.%d", PANELINK_VERSION_MAJOR,
             PANELINK_VERSION_MINOR, PANELINK_VERSION_PATCH);
    const char *version = panelink_version();
    if (version == NULL || strcmp(version, header_version) != 0) {
        printf("library version %s differs from the header's %s\n", version ? version : "(null)",
               header_version);
        return 1;
    }
    int32_t count = -1;
    const int32_t found = DetectHID(&count, devices, PANELINK_MODE_STANDARD);
    printf("panelink %s: %d boards\n", version, (int)count);
    if (count > 0)
        CloseDevices((uint32_t)count, devices);
    return found == (count > 0 ? 1 : 0) ? 0 : 1;
}
