/* A first panelink program: prints the library's version and the boards it finds.
 * Set PANELINK_SIMULATE=demo to run it on the virtual demo boards. See README.txt for building
 * it with Microsoft Visual C++ or mingw-w64. */
#include <panelink/panelink.h>
#include <stdio.h>

int main(void) {
    static DeviceRecord devices[PANELINK_MAX_DEVICES];
    int32_t count = 0;

    printf("panelink %s\n", panelink_version());
    if (!DetectHID(&count, devices, PANELINK_MODE_STANDARD)) {
        printf("no boards found\n");
        return 1;
    }
    printf("%d boards:\n", (int)count);
    for (int32_t i = 0; i < count; i++)
        printf("  %04X:%04X %.*s\n", devices[i].VendorID, devices[i].ProductID,
               (int)devices[i].ProductNameLength, devices[i].ProductName);
    CloseDevices((uint32_t)count, devices);
    return 0;
}
