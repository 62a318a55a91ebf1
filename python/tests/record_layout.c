/* Prints the layout of the library's records as the C compiler sees the public headers: one line
 * "size <record> <bytes>" per record and "field <record> <name> <offset> <bytes>" per field,
 * then "constant <name> <value>" per constant the Python package defines (the name without its
 * PANELINK_ prefix) and "version <major> <minor> <patch>". The Python package's tests compare its
 * ctypes records and constants with these lines. */
#include <stdio.h>

#include <panelink/simulation.h>

#define SIZE(type) printf("size %s %zu\n", #type, sizeof(type))
#define FIELD(type, name)                                                                          \
    printf("field %s %s %zu %zu\n", #type, #name, offsetof(type, name), sizeof(((type *)0)->name))

static void device_record(void) {
    SIZE(DeviceRecord);
    FIELD(DeviceRecord, Handle);
    FIELD(DeviceRecord, InputCount);
    FIELD(DeviceRecord, LayoutCount2);
    FIELD(DeviceRecord, PortCount);
    FIELD(DeviceRecord, LayoutCount4);
    FIELD(DeviceRecord, LayoutCount5);
    FIELD(DeviceRecord, LayoutCount6);
    FIELD(DeviceRecord, LayoutCount11);
    FIELD(DeviceRecord, LayoutCount7);
    FIELD(DeviceRecord, LayoutCount8);
    FIELD(DeviceRecord, LayoutCount12);
    FIELD(DeviceRecord, LayoutCount9);
    FIELD(DeviceRecord, LayoutCount10);
    FIELD(DeviceRecord, LayoutCount13);
    FIELD(DeviceRecord, LayoutCount14);
    FIELD(DeviceRecord, LayoutCount15);
    FIELD(DeviceRecord, LayoutCount16);
    FIELD(DeviceRecord, VendorID);
    FIELD(DeviceRecord, ProductID);
    FIELD(DeviceRecord, VersionNumber);
    FIELD(DeviceRecord, Reserved1);
    FIELD(DeviceRecord, DevicePath);
    FIELD(DeviceRecord, Reserved2);
    FIELD(DeviceRecord, DevicePathLength);
    FIELD(DeviceRecord, ProductName);
    FIELD(DeviceRecord, ProductNameLength);
    FIELD(DeviceRecord, Manufacturer);
    FIELD(DeviceRecord, ManufacturerLength);
    FIELD(DeviceRecord, SerialNumber);
    FIELD(DeviceRecord, SerialNumberLength);
    FIELD(DeviceRecord, IsConfigInterface);
    FIELD(DeviceRecord, Reserved3);
    FIELD(DeviceRecord, DeviceIndex);
    FIELD(DeviceRecord, InputReportByteLength);
    FIELD(DeviceRecord, OutputReportByteLength);
    FIELD(DeviceRecord, Usage);
    FIELD(DeviceRecord, UsagePage);
}

static void status_record(void) {
    SIZE(StatusRecord);
    FIELD(StatusRecord, BaseFlags);
    FIELD(StatusRecord, PairInputFlags);
    FIELD(StatusRecord, PortPresent);
    FIELD(StatusRecord, PortFault);
    FIELD(StatusRecord, PortType);
    FIELD(StatusRecord, Reserved1);
    FIELD(StatusRecord, ExtraFlagsA);
    FIELD(StatusRecord, Reserved2);
    FIELD(StatusRecord, ExtraFlagsB);
    FIELD(StatusRecord, Type2Flags);
    FIELD(StatusRecord, Reserved3);
    FIELD(StatusRecord, ClearedFlagsA);
    FIELD(StatusRecord, Type3Flags);
    FIELD(StatusRecord, Type1Flags);
    FIELD(StatusRecord, ClearedFlagsB);
    FIELD(StatusRecord, Type4Flags);
    FIELD(StatusRecord, Type6Flags);
    FIELD(StatusRecord, Type5Flags);
    FIELD(StatusRecord, Type7Flags);
}

static void sim_interface(void) {
    SIZE(PanelinkSimInterface);
    FIELD(PanelinkSimInterface, vendor_id);
    FIELD(PanelinkSimInterface, product_id);
    FIELD(PanelinkSimInterface, version_number);
    FIELD(PanelinkSimInterface, path);
    FIELD(PanelinkSimInterface, manufacturer);
    FIELD(PanelinkSimInterface, product);
    FIELD(PanelinkSimInterface, serial_number);
    FIELD(PanelinkSimInterface, report_descriptor);
    FIELD(PanelinkSimInterface, report_descriptor_length);
}

static void board_event(void) {
    SIZE(PanelinkBoardEvent);
    FIELD(PanelinkBoardEvent, event);
    FIELD(PanelinkBoardEvent, vendor_id);
    FIELD(PanelinkBoardEvent, product_id);
    FIELD(PanelinkBoardEvent, version);
    FIELD(PanelinkBoardEvent, config_interface);
    FIELD(PanelinkBoardEvent, opened);
    FIELD(PanelinkBoardEvent, error);
    FIELD(PanelinkBoardEvent, path);
    FIELD(PanelinkBoardEvent, serial);
    FIELD(PanelinkBoardEvent, reserved);
}

#define CONSTANT(name) printf("constant %s %d\n", #name, (int)PANELINK_##name)

static void constants(void) {
    CONSTANT(INPUT_STATES_SIZE);
    CONSTANT(MAX_DEVICES);
    CONSTANT(DIRECT_OUTPUT_BYTES);
    CONSTANT(MUX_OUTPUT_BYTES);
    CONSTANT(LATCHED_OUTPUT_STATES);
    CONSTANT(SPI_DAC_BYTES);
    CONSTANT(DOT_MATRIX_BYTES);
    CONSTANT(GLCD_LINE_BYTES);
    CONSTANT(CRTRWR_MAX_VALUES);
    CONSTANT(LCD_CHARS);
    CONSTANT(READ_FAILED);
    CONSTANT(READ_DECODED);
    CONSTANT(READ_PENDING);
    CONSTANT(READ_TIMED_OUT);
    CONSTANT(MODE_FLASH);
    CONSTANT(MODE_DEVICES);
    CONSTANT(MODE_REPORT);
    CONSTANT(MODE_ALL_DEVICES);
    CONSTANT(MODE_STANDARD);
    CONSTANT(MONITOR_SNAPSHOT);
    CONSTANT(BOARD_ARRIVED);
    CONSTANT(BOARD_LEFT);
    CONSTANT(MONITOR_EVENT);
    CONSTANT(MONITOR_TIMEOUT);
    CONSTANT(MONITOR_CLOSED);
    CONSTANT(MONITOR_BAD_ARGUMENT);
    CONSTANT(EVENT_PATH_BYTES);
    CONSTANT(EVENT_SERIAL_BYTES);
}

int main(void) {
    device_record();
    status_record();
    sim_interface();
    board_event();
    constants();
    printf("version %d %d %d\n", PANELINK_VERSION_MAJOR, PANELINK_VERSION_MINOR,
           PANELINK_VERSION_PATCH);
    return 0;
}
