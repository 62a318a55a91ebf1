"""The library's records as ctypes structures, with the C header's field names so that a test can
compare each field's offset with what the C compiler gives for the header."""
import ctypes

# The header's constants (PANELINK_<name> in panelink.h), defined here once for the whole
# package; the layout test compares each with the value the C compiler gives.
INPUT_STATES_SIZE = 512  # bytes of the caller's input-states buffer
MAX_DEVICES = 128  # records one detection fills at the most: the length of a detection's array
DIRECT_OUTPUT_BYTES = 15  # WriteDirectOutput(): data bytes
MUX_OUTPUT_BYTES = 56  # WriteMuxOutput(): data bytes
LATCHED_OUTPUT_STATES = 64  # WriteLatchedOutput(): one-byte states
SPI_DAC_BYTES = 40  # WriteSPIDAC(): data bytes
DOT_MATRIX_BYTES = 16  # WriteDotMatrix(): pattern bytes
GLCD_LINE_BYTES = 24  # WriteGLCD(): bytes of each text line
CRTRWR_MAX_VALUES = 13  # WriteCRTRWR(): values sent at the most
LCD_CHARS = 20  # WriteLCD(): characters of the text
READ_FAILED = 1  # ReadData() and ReadInputData() results
READ_DECODED = 2
READ_PENDING = 3
READ_TIMED_OUT = 4
MONITOR_SNAPSHOT = 1  # panelink_monitor_open(): an arrival for each board present first
BOARD_ARRIVED = 1  # PanelinkBoardEvent.event
BOARD_LEFT = 2
MONITOR_EVENT = 1  # panelink_monitor_next() results
MONITOR_TIMEOUT = 0
MONITOR_CLOSED = -1
MONITOR_BAD_ARGUMENT = -2
WAIT_FOREVER = 0xFFFFFFFF  # panelink_monitor_next(): no time-out
EVENT_PATH_BYTES = 260  # bytes of PanelinkBoardEvent.path
EVENT_SERIAL_BYTES = 128  # bytes of PanelinkBoardEvent.serial


class DeviceRecord(ctypes.Structure):
    """One board interface (848 bytes)."""

    _fields_ = [
        ("Handle", ctypes.c_uint32),
        ("InputCount", ctypes.c_int16),
        ("LayoutCount2", ctypes.c_int16),
        ("PortCount", ctypes.c_int16),
        ("LayoutCount4", ctypes.c_int16),
        ("LayoutCount5", ctypes.c_int16),
        ("LayoutCount6", ctypes.c_int16),
        ("LayoutCount11", ctypes.c_int16),
        ("LayoutCount7", ctypes.c_int16),
        ("LayoutCount8", ctypes.c_int16),
        ("LayoutCount12", ctypes.c_int16),
        ("LayoutCount9", ctypes.c_int16),
        ("LayoutCount10", ctypes.c_int16),
        ("LayoutCount13", ctypes.c_int16),
        ("LayoutCount14", ctypes.c_int16),
        ("LayoutCount15", ctypes.c_int16),
        ("LayoutCount16", ctypes.c_int16),
        ("VendorID", ctypes.c_uint16),
        ("ProductID", ctypes.c_uint16),
        ("VersionNumber", ctypes.c_uint16),
        ("Reserved1", ctypes.c_uint8 * 3),
        ("DevicePath", ctypes.c_char * 256),
        ("Reserved2", ctypes.c_uint8 * 3),
        ("DevicePathLength", ctypes.c_uint32),
        ("ProductName", ctypes.c_char * 256),
        ("ProductNameLength", ctypes.c_int32),
        ("Manufacturer", ctypes.c_char * 256),
        ("ManufacturerLength", ctypes.c_int32),
        ("SerialNumber", ctypes.c_char * 4),
        ("SerialNumberLength", ctypes.c_int32),
        ("IsConfigInterface", ctypes.c_uint8),
        ("Reserved3", ctypes.c_uint8),
        ("DeviceIndex", ctypes.c_uint16),
        ("InputReportByteLength", ctypes.c_uint16),
        ("OutputReportByteLength", ctypes.c_uint16),
        ("Usage", ctypes.c_uint16),
        ("UsagePage", ctypes.c_uint16),
    ]


class StatusRecord(ctypes.Structure):
    """The one-byte flags RetrieveStatus fills (5496 bytes)."""

    _fields_ = [
        ("BaseFlags", ctypes.c_uint8 * 512),
        ("PairInputFlags", ctypes.c_uint8 * 360),
        ("PortPresent", ctypes.c_uint8 * 24),
        ("PortFault", ctypes.c_uint8 * 24),
        ("PortType", ctypes.c_uint8 * 24),
        ("Reserved1", ctypes.c_uint8 * 24),
        ("ExtraFlagsA", ctypes.c_uint8 * 8),
        ("Reserved2", ctypes.c_uint8 * 4),
        ("ExtraFlagsB", ctypes.c_uint8 * 200),
        ("Type2Flags", ctypes.c_uint8 * 24),
        ("Reserved3", ctypes.c_uint8 * 512),
        ("ClearedFlagsA", ctypes.c_uint8 * 200),
        ("Type3Flags", ctypes.c_uint8 * 24),
        ("Type1Flags", ctypes.c_uint8 * 1344),
        ("ClearedFlagsB", ctypes.c_uint8 * 100),
        ("Type4Flags", ctypes.c_uint8 * 240),
        ("Type6Flags", ctypes.c_uint8 * 240),
        ("Type5Flags", ctypes.c_uint8 * 1536),
        ("Type7Flags", ctypes.c_uint8 * 96),
    ]


class PanelinkSimInterface(ctypes.Structure):
    """Description of one virtual HID interface (simulation.h)."""

    _fields_ = [
        ("vendor_id", ctypes.c_uint16),
        ("product_id", ctypes.c_uint16),
        ("version_number", ctypes.c_uint16),
        ("path", ctypes.c_char_p),
        ("manufacturer", ctypes.c_wchar_p),
        ("product", ctypes.c_wchar_p),
        ("serial_number", ctypes.c_wchar_p),
        ("report_descriptor", ctypes.POINTER(ctypes.c_ubyte)),
        ("report_descriptor_length", ctypes.c_size_t),
    ]


class PanelinkBoardEvent(ctypes.Structure):
    """One board interface that arrived or left, from a monitor (600 bytes)."""

    _fields_ = [
        ("event", ctypes.c_int32),
        ("vendor_id", ctypes.c_uint16),
        ("product_id", ctypes.c_uint16),
        ("version", ctypes.c_uint16),
        ("config_interface", ctypes.c_uint8),
        ("opened", ctypes.c_uint8),
        ("error", ctypes.c_uint32),
        ("path", ctypes.c_char * EVENT_PATH_BYTES),
        ("serial", ctypes.c_char * EVENT_SERIAL_BYTES),
        ("reserved", ctypes.c_uint8 * 196),
    ]


def record_text(record, field, length_field):
    """The text of a record field as bytes: as many bytes as its length field says, never more
    than the field holds (a negative length gives none), and no further than a zero byte."""
    raw = getattr(type(record), field)
    data = ctypes.string_at(ctypes.addressof(record) + raw.offset, raw.size)
    length = max(0, min(int(getattr(record, length_field)), raw.size))
    return data[:length].split(b"\0", 1)[0]
