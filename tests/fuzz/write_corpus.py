#!/usr/bin/env python3
"""Writes the fuzz targets' starting corpus into tests/fuzz/corpus/<target>/ (the target's
file name without "_fuzz.cpp").

Every file is written from the item lists below, so the corpus can be read and regenerated.
The report descriptors are shaped like those real HID devices present: the family's vendor
boards (with and without report IDs), joysticks, a boot keyboard, a mouse with report IDs,
composite devices with several top-level collections, and the virtual demo boards. A few
malformed ones (truncated, unbalanced) keep the parser's error paths covered.

Usage: tests/fuzz/write_corpus.py   (rewrites the files; fuzzing adds its own beside them)
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# Short items: (tag << 4) | (type << 2) | size code, then 0, 1, 2 or 4 data bytes.
def item(prefix, value=None, size=None):
    if value is None:
        return bytes([prefix])
    if size is None:
        if -128 <= value <= 255 and not (value > 127 and prefix in SIGNED):
            size = 1
        elif -32768 <= value <= 65535 and not (value > 32767 and prefix in SIGNED):
            size = 2
        else:
            size = 4
    code = {1: 1, 2: 2, 4: 3}[size]
    data = value.to_bytes(size, "little", signed=value < 0)
    return bytes([prefix | code]) + data


USAGE_PAGE, USAGE, USAGE_MIN, USAGE_MAX = 0x04, 0x08, 0x18, 0x28
LOGICAL_MIN, LOGICAL_MAX, PHYSICAL_MIN, PHYSICAL_MAX = 0x14, 0x24, 0x34, 0x44
UNIT_EXP, UNIT, REPORT_SIZE, REPORT_ID, REPORT_COUNT = 0x54, 0x64, 0x74, 0x84, 0x94
PUSH, POP = 0xA4, 0xB4
INPUT, OUTPUT, FEATURE, COLLECTION = 0x80, 0x90, 0xB0, 0xA0
END_COLLECTION = 0xC0
DELIMITER = 0xA8
SIGNED = {LOGICAL_MIN, LOGICAL_MAX, PHYSICAL_MIN, PHYSICAL_MAX}

APPLICATION, PHYSICAL, LOGICAL = 1, 0, 2
DATA_VAR_ABS, CONST, DATA_ARRAY, DATA_VAR_REL, DATA_VAR_NULL = 0x02, 0x03, 0x00, 0x06, 0x42


def d(*parts):
    return b"".join(parts)


def collection(kind, *body):
    return d(item(COLLECTION, kind, 1), *body, item(END_COLLECTION))


def vendor_board(usage, input_bytes, output_bytes, report_ids=None):
    """A family board: one vendor-page collection of byte-wide input and output fields."""
    in_id, out_id = report_ids or (None, None)
    body = [item(LOGICAL_MIN, 0), item(LOGICAL_MAX, 255, 2), item(REPORT_SIZE, 8)]
    if in_id is not None:
        body.append(item(REPORT_ID, in_id))
    body += [item(REPORT_COUNT, input_bytes), item(USAGE, 2), item(INPUT, DATA_VAR_ABS)]
    if out_id is not None:
        body.append(item(REPORT_ID, out_id))
    body += [item(REPORT_COUNT, output_bytes), item(USAGE, 3), item(OUTPUT, DATA_VAR_ABS)]
    return d(item(USAGE_PAGE, 0xFF00, 2), item(USAGE, usage), collection(APPLICATION, *body))


def buttons(first, last, pad=True):
    count = last - first + 1
    parts = [item(USAGE_PAGE, 0x09), item(USAGE_MIN, first), item(USAGE_MAX, last),
             item(LOGICAL_MIN, 0), item(LOGICAL_MAX, 1), item(REPORT_SIZE, 1),
             item(REPORT_COUNT, count), item(INPUT, DATA_VAR_ABS)]
    if pad and count % 8:
        parts += [item(REPORT_COUNT, 8 - count % 8), item(INPUT, CONST)]
    return d(*parts)


def axes(usages, bits, maximum):
    parts = [item(USAGE_PAGE, 0x01)] + [item(USAGE, u) for u in usages]
    parts += [item(LOGICAL_MIN, 0), item(LOGICAL_MAX, maximum), item(REPORT_SIZE, bits),
              item(REPORT_COUNT, len(usages)), item(INPUT, DATA_VAR_ABS)]
    return d(*parts)


def hat_switch():
    return d(item(USAGE_PAGE, 0x01), item(USAGE, 0x39), item(LOGICAL_MIN, 0),
             item(LOGICAL_MAX, 7), item(PHYSICAL_MIN, 0), item(PHYSICAL_MAX, 315, 2),
             item(UNIT, 0x14), item(REPORT_SIZE, 4), item(REPORT_COUNT, 1),
             item(INPUT, DATA_VAR_NULL), item(UNIT, 0), item(INPUT, CONST))


def joystick(*body):
    return d(item(USAGE_PAGE, 0x01), item(USAGE, 0x04), collection(APPLICATION, *body))


def boot_keyboard(report_id=None):
    body = []
    if report_id is not None:
        body.append(item(REPORT_ID, report_id))
    body += [
        item(USAGE_PAGE, 0x07), item(USAGE_MIN, 0xE0), item(USAGE_MAX, 0xE7),
        item(LOGICAL_MIN, 0), item(LOGICAL_MAX, 1), item(REPORT_SIZE, 1), item(REPORT_COUNT, 8),
        item(INPUT, DATA_VAR_ABS),
        item(REPORT_COUNT, 1), item(REPORT_SIZE, 8), item(INPUT, CONST),
        item(REPORT_COUNT, 5), item(REPORT_SIZE, 1), item(USAGE_PAGE, 0x08),
        item(USAGE_MIN, 1), item(USAGE_MAX, 5), item(OUTPUT, DATA_VAR_ABS),
        item(REPORT_COUNT, 1), item(REPORT_SIZE, 3), item(OUTPUT, CONST),
        item(REPORT_COUNT, 6), item(REPORT_SIZE, 8), item(LOGICAL_MIN, 0),
        item(LOGICAL_MAX, 101), item(USAGE_PAGE, 0x07), item(USAGE_MIN, 0),
        item(USAGE_MAX, 101), item(INPUT, DATA_ARRAY),
    ]
    return d(item(USAGE_PAGE, 0x01), item(USAGE, 0x06), collection(APPLICATION, *body))


def mouse(report_id):
    pointer = collection(
        PHYSICAL,
        buttons(1, 5),
        item(USAGE_PAGE, 0x01), item(USAGE, 0x30), item(USAGE, 0x31), item(USAGE, 0x38),
        item(LOGICAL_MIN, -127), item(LOGICAL_MAX, 127), item(REPORT_SIZE, 8),
        item(REPORT_COUNT, 3), item(INPUT, DATA_VAR_REL),
        item(USAGE_PAGE, 0x0C), item(USAGE, 0x0238, 2), item(REPORT_COUNT, 1),
        item(INPUT, DATA_VAR_REL))
    return d(item(USAGE_PAGE, 0x01), item(USAGE, 0x02),
             collection(APPLICATION, item(REPORT_ID, report_id), item(USAGE, 0x01), pointer))


def consumer_control(report_id):
    return d(item(USAGE_PAGE, 0x0C), item(USAGE, 0x01), collection(
        APPLICATION, item(REPORT_ID, report_id), item(LOGICAL_MIN, 0),
        item(LOGICAL_MAX, 0x3FF, 2), item(USAGE_MIN, 0), item(USAGE_MAX, 0x3FF, 2),
        item(REPORT_SIZE, 16), item(REPORT_COUNT, 2), item(INPUT, DATA_ARRAY)))


def system_control(report_id):
    return d(item(USAGE_PAGE, 0x01), item(USAGE, 0x80), collection(
        APPLICATION, item(REPORT_ID, report_id), item(USAGE_MIN, 0x81), item(USAGE_MAX, 0x83),
        item(LOGICAL_MIN, 0), item(LOGICAL_MAX, 1), item(REPORT_SIZE, 1), item(REPORT_COUNT, 3),
        item(INPUT, DATA_VAR_ABS), item(REPORT_COUNT, 5), item(INPUT, CONST)))


def vendor_feature(report_id):
    return d(item(USAGE_PAGE, 0xFF31, 2), item(USAGE, 0x74), collection(
        APPLICATION, item(REPORT_ID, report_id), item(USAGE, 0x75), item(LOGICAL_MIN, 0),
        item(LOGICAL_MAX, 255, 2), item(REPORT_SIZE, 8), item(REPORT_COUNT, 32),
        item(FEATURE, DATA_VAR_ABS), item(USAGE, 0x76), item(REPORT_COUNT, 8),
        item(INPUT, DATA_VAR_ABS)))


DESCRIPTORS = {
    # The family's boards: 64-byte reports without report IDs, and a variant with IDs.
    "vendor_board_64": vendor_board(1, 64, 64),
    "vendor_board_8_inputs": vendor_board(1, 8, 64),
    "vendor_board_report_ids": vendor_board(1, 64, 64, report_ids=(1, 2)),
    # The virtual demo boards' descriptors.
    "demo_board_a": vendor_board(1, 64, 64),
    "demo_board_b": vendor_board(2, 64, 64),
    "demo_joystick": joystick(buttons(1, 32), axes([0x30, 0x31], 8, 255)),
    # Joysticks and HOTAS adapters.
    "joystick_hat_axes": joystick(
        buttons(1, 12), hat_switch(),
        axes([0x30, 0x31], 16, 0xFFFF), axes([0x32, 0x35], 10, 1023),
        item(USAGE_PAGE, 0x02), item(USAGE, 0xBB), item(LOGICAL_MIN, 0),
        item(LOGICAL_MAX, 255, 2), item(REPORT_SIZE, 8), item(REPORT_COUNT, 1),
        item(INPUT, DATA_VAR_ABS)),
    "joystick_two_button_fields": joystick(buttons(1, 16), buttons(17, 40),
                                           axes([0x30, 0x31, 0x32], 8, 255)),
    "joystick_button_array": joystick(
        item(USAGE_PAGE, 0x09), item(USAGE_MIN, 1), item(USAGE_MAX, 64), item(LOGICAL_MIN, 1),
        item(LOGICAL_MAX, 64), item(REPORT_SIZE, 8), item(REPORT_COUNT, 4),
        item(INPUT, DATA_ARRAY), axes([0x30, 0x31], 8, 255)),
    "joystick_with_report_id": joystick(item(REPORT_ID, 3), buttons(1, 24),
                                        axes([0x30, 0x31], 12, 4095)),
    # Everyday devices.
    "boot_keyboard": boot_keyboard(),
    "mouse_report_ids": mouse(1) + consumer_control(2),
    "composite_keyboard_consumer_system_vendor": (boot_keyboard(1) + consumer_control(2)
                                                  + system_control(3) + vendor_feature(4)),
    # Global state on a stack, nested logical collections, a delimiter set, units and
    # signed limits: items a parser must carry correctly between main items.
    "push_pop_nested": joystick(
        item(PUSH), item(REPORT_SIZE, 16), item(LOGICAL_MIN, -32768), item(LOGICAL_MAX, 32767),
        item(UNIT_EXP, 0x0E), item(UNIT, 0x11),
        collection(LOGICAL, item(USAGE_PAGE, 0x01), item(USAGE, 0x30), item(REPORT_COUNT, 1),
                   item(INPUT, DATA_VAR_ABS)),
        item(POP),
        item(DELIMITER, 1), item(USAGE, 0x09, 1), item(USAGE, 0x0A, 1), item(DELIMITER, 0),
        buttons(1, 8)),
    "long_item_and_reserved_tags": joystick(
        bytes([0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC]), bytes([0xF4, 0x00]), buttons(1, 8)),
    # Malformed: cut off inside an item, an unclosed collection, a stray end.
    "truncated_in_item": vendor_board(1, 64, 64)[:12] + bytes([0x26, 0xFF]),
    "unclosed_collection": vendor_board(1, 64, 64)[:-1],
    "stray_end_collection": bytes([0xC0]) + vendor_board(1, 64, 64),
    "huge_report_count": d(item(USAGE_PAGE, 0xFF00, 2), item(USAGE, 1), collection(
        APPLICATION, item(REPORT_SIZE, 32), item(REPORT_COUNT, 0xFFFF, 2),
        item(USAGE, 2), item(INPUT, DATA_VAR_ABS))),
}


def decoding_input(flags, record_length, descriptor, report, device_index=0):
    """The input_decoding target's input: see input_decoding_fuzz.cpp for the layout."""
    header = struct.pack("<BHBB", flags, record_length, device_index, len(descriptor))
    return header + descriptor + report


def board_report(length, fill):
    return bytes([0]) + bytes((fill * (i + 1)) & 0xFF for i in range(length - 1))


DECODING = {
    "board_unpacked_65": decoding_input(0x00, 65, DESCRIPTORS["vendor_board_64"],
                                        board_report(65, 0x25)),
    "board_packed_65": decoding_input(0x01, 65, DESCRIPTORS["vendor_board_64"],
                                      board_report(65, 0x13)),
    "board_9_byte_reports": decoding_input(0x00, 9, DESCRIPTORS["vendor_board_8_inputs"],
                                           board_report(9, 0x81)),
    "board_short_report": decoding_input(0x00, 65, DESCRIPTORS["vendor_board_64"],
                                         board_report(3, 0xFF)),
    "board_record_length_1": decoding_input(0x00, 1, DESCRIPTORS["vendor_board_64"],
                                            board_report(65, 0x11)),
    "board_record_length_66": decoding_input(0x01, 66, DESCRIPTORS["vendor_board_64"],
                                             board_report(66, 0x11)),
    "board_polled": decoding_input(0x04, 65, DESCRIPTORS["vendor_board_64"],
                                   board_report(65, 0x37), device_index=127),
    "board_polled_index_128": decoding_input(0x04, 65, DESCRIPTORS["vendor_board_64"],
                                             board_report(65, 0x37), device_index=128),
    "joystick_buttons": decoding_input(0x02, 7, DESCRIPTORS["demo_joystick"],
                                       bytes([0, 0x08, 0x00, 0x02, 0x00, 0x80, 0x7F])),
    "joystick_two_fields": decoding_input(0x02, 9, DESCRIPTORS["joystick_two_button_fields"],
                                          bytes([0, 0xFF, 0x01, 0x55, 0xAA, 0x0F, 1, 2, 3])),
    "joystick_array": decoding_input(0x02, 7, DESCRIPTORS["joystick_button_array"],
                                     bytes([0, 1, 17, 64, 65, 0x40, 0x40])),
    "joystick_report_id": decoding_input(0x02, 7, DESCRIPTORS["joystick_with_report_id"],
                                         bytes([3, 0xFF, 0x0F, 0xF0, 0x12, 0x34, 0x56])),
    "joystick_polled": decoding_input(0x06, 7, DESCRIPTORS["demo_joystick"],
                                      bytes([0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0])),
    "board_descriptor_as_joystick": decoding_input(0x02, 65, DESCRIPTORS["vendor_board_64"],
                                                   board_report(65, 0xFF)),
    "no_descriptor": decoding_input(0x00, 65, b"", board_report(65, 0x01)),
}


def display_input(port, parameter, text):
    return bytes([0, port, parameter]) + text


def tandem_input(parameter, layout):
    return bytes([1, 0, parameter]) + layout


SEVEN_SEGMENT = {
    "display_number": display_input(3, 0, b"123.45"),
    "display_negative": display_input(0, 1, b"-0.5"),
    "display_long": display_input(23, 0, b"98765432.1"),
    "display_dots": display_input(1, 0, b"..1..2.."),
    "display_blank_and_letters": display_input(255, 255, b" 1a2 -"),
    "display_trailing_dot": display_input(2, 0, b"42."),
    "display_empty": display_input(0, 0, b""),
    "tandem_full": tandem_input(0, b"12.3\0\0\0\0\0-L.P\0\0\0\0\0\x07\0\xA5\x5A"),
    "tandem_letters": tandem_input(1, b"r=  \0\0\0\0\0LP-.\0\0\0\0\0\x0F\0\x00\xFF"),
    "tandem_unterminated_groups": tandem_input(2, b"123456789ABCDEFGHI\x10\x00\x01\x02"),
    "tandem_pattern_255": tandem_input(0, b"8.8.8.8.\0" + b"8.8.8.8.\0" + b"\xFF\0\0\0"),
    "tandem_short_layout": tandem_input(0, b"1"),
}


# The api_sequence target's operations (see api_sequence_fuzz.cpp), each an operation byte and
# its operands.
(PLUG, UNPLUG, DETECT, CLOSE, POLL, READ, WRITE_DATA, COMMAND, STATUS, COPY, ZERO, GARBLE,
 PUSH_INPUT, FAULT, ADVANCE, RESPONDER, CROWD, VERSION) = range(18)

# Products of the target's table, by position.
P0500, P0800, P0910, P0910_CONFIG, P0602, P1000, P0300_B, P1500, P0710, P0100, FOREIGN = range(11)
# Descriptors of a plugged board.
VENDOR64, VENDOR8, VENDOR_IDS, JOYSTICK, NO_DESCRIPTOR, BIG_OUTPUT, RAW = 0, 2, 3, 4, 5, 6, 7
# Modes by position: standard, flash, devices, report, all devices, 0, 5, -1, INT32_MIN, 256.
M_STANDARD, M_FLASH, M_DEVICES, M_REPORT, M_ALL = range(5)
# Record references: array 0, array 1, a loose record, null.
A0, A1, LOOSE, NULL = 0, 3, 5, 7
# Fault numbers and count picks (1, 2, -1 always, 0 clear, 3, -2 invalid, 1000, 5).
F_DETAIL, F_OPEN, F_ATTRIBUTES, F_TEXTS, F_WRITE, F_READ, F_ENUM = range(1, 8)
C_ONCE, C_TWICE, C_ALWAYS, C_CLEAR, C_INVALID = 0, 1, 2, 3, 5
# Responders: none, status answers, status answers then unplug, echo, noise.
R_NONE, R_STATUS, R_STATUS_UNPLUG, R_ECHO, R_NOISE = range(5)


def op(code, *operands):
    out = bytearray([code])
    for value in operands:
        out += value if isinstance(value, (bytes, bytearray)) else bytes([value])
    return bytes(out)


def plug(product=P0500, descriptor=VENDOR64, texts=0, raw=b""):
    extra = (bytes([len(raw)]) + raw) if descriptor == RAW else b""
    return op(PLUG, product, descriptor, extra, texts)


def detect(mode=M_STANDARD, array=0, product=None):
    if product is None:
        return op(DETECT, array, mode, 0)
    return op(DETECT, array, mode, 1, product)


def close(array=0, first=0, number=128):
    return op(CLOSE, array, first, number)


def ref(kind=A0, index=0):
    return bytes([kind, index])


def poll(record=ref(), buffer=0, packed=0):
    return op(POLL, record, buffer, 0, packed)


def read(record=ref(), buffer=0):
    return op(READ, record, buffer, 0, 0)


def push(board, report):
    return op(PUSH_INPUT, board, struct.pack("<H", len(report)), report)


def write_data(record=ref(), length=65, fill=0x11):
    return op(WRITE_DATA, record, 0, bytes((fill + i) & 0xFF for i in range(length)))


def command(which, record=ref(), port=1, parameter=0, extra=b""):
    return op(COMMAND, record, which, port, parameter, extra)


def commands(record=ref()):
    """Every output command once, with its data (and a 0 byte: the pointer is not null)."""
    return b"".join([
        command(0, record, extra=bytes(range(15)) + b"\0"),
        command(1, record, extra=bytes(range(56)) + b"\0"),
        command(2, record, extra=bytes([1, 0] * 32) + b"\0"),
        command(3, record, extra=bytes(range(40)) + b"\0"),
        command(4, record, extra=b"\x40"),
        command(5, record, extra=bytes([0, 2]) + b"GLCD LINE ONE           GLCD LINE TWO           \0"),
        command(6, record, extra=bytes(range(16)) + b"\0"),
        command(7, record, extra=bytes([3, 1]) + struct.pack("<4i", 9, -20, 300, 0x7FFFFFFF) + b""),
        command(8, record, extra=b"\x3f\x06\0"),
        command(9, record, extra=b"\0"),
        command(10, record, extra=b"Hello, panel world! " + b"\0" + b"\x01"),
        command(11, record, extra=bytes([6]) + b"-12.5\0\0" + b"\0"),
        command(13, record, extra=b"12.3\0\0\0\0\0-L.P\0\0\0\0\0\x07\0\xA5\x5A\0"),
    ])


def status(record=ref(), fill=0x77):
    return op(STATUS, record, 0, fill)


def garble(record, field, *operands):
    return op(GARBLE, record, field, *operands)


def fault(board, number, count_pick):
    return op(FAULT, board, number, count_pick)


def advance_ms(ms):
    return op(ADVANCE, 2, struct.pack("<I", ms))


def responder(board, mode, unplug_after=0, reply=b""):
    return op(RESPONDER, board, mode, unplug_after, reply.ljust(64, b"\0")[:64])


def report(fill, length=65):
    return bytes([0]) + bytes((fill * (i + 1)) & 0xFF for i in range(length - 1))


PORT_REPLY = bytes([0x0D, 0, 0x11, 0, 0x05]) + bytes([1, 0, 1]) * 19
CLOSE_ALL = close(0) + close(1)

API_SEQUENCE = {
    "poll_and_read": plug() + detect() + push(0, report(3)) + poll() + poll() + poll()
    + push(0, report(5)) + read() + read() + CLOSE_ALL,
    "poll_unpacked": plug() + detect() + poll(packed=0) + push(0, report(7)) + poll(packed=0)
    + CLOSE_ALL,
    "every_command": plug() + detect() + commands() + CLOSE_ALL,
    "write_data": plug() + detect() + write_data() + write_data(fill=0xF0) + CLOSE_ALL,
    "status_port_board": plug(P0800) + detect() + responder(0, R_STATUS, reply=PORT_REPLY)
    + status() + CLOSE_ALL,
    "status_port_board_silent": plug(P0800) + detect() + status() + CLOSE_ALL,
    "status_config_board": plug(P0910_CONFIG) + detect(M_DEVICES)
    + responder(0, R_STATUS, reply=bytes([0x09, 0, 0x08])) + status() + CLOSE_ALL,
    "status_unplugged_by_board": plug(P0800) + detect() + responder(0, R_STATUS_UNPLUG, 2, PORT_REPLY)
    + status() + status() + CLOSE_ALL,
    "stale_after_close": plug() + detect() + op(COPY, ref(A0, 0), ref(LOOSE, 0)) + close(0)
    + write_data(ref(LOOSE, 0)) + commands(ref(LOOSE, 0)) + poll(ref(LOOSE, 0))
    + read(ref(LOOSE, 0)) + status(ref(LOOSE, 0)),
    "stale_after_redetect": plug() + plug(P0800) + detect() + op(COPY, ref(A0, 1), ref(LOOSE, 1))
    + close(0) + detect() + commands(ref(LOOSE, 1)) + write_data(ref(LOOSE, 1)) + poll(ref(A0, 1))
    + CLOSE_ALL,
    "redetect_without_close": plug() + detect() + op(COPY, ref(A0, 0), ref(LOOSE, 2)) + detect()
    + commands(ref(LOOSE, 2)) + commands() + CLOSE_ALL + close(2, 2, 1),
    "copied_record": plug() + detect() + op(COPY, ref(A0, 0), ref(A1, 5)) + commands(ref(A1, 5))
    + poll(ref(A1, 5)) + push(0, report(9)) + poll(ref(A1, 5)) + close(1, 5, 1) + commands()
    + CLOSE_ALL,
    "zeroed_record": plug() + detect() + op(ZERO, ref(A0, 0)) + commands() + write_data(length=0)
    + poll() + read() + status() + CLOSE_ALL,
    "garbled_handle": plug() + detect() + garble(ref(A0, 0), 1, 16) + commands()
    + garble(ref(A0, 0), 1, 16) + commands() + garble(ref(A0, 0), 2, 1) + write_data()
    + garble(ref(A0, 0), 0, struct.pack("<I", 0x00010001)) + poll() + CLOSE_ALL,
    "device_index_limits": plug() + detect() + garble(ref(A0, 0), 3, 3) + poll() + poll()
    + garble(ref(A0, 0), 3, 4) + poll() + garble(ref(A0, 0), 3, 9) + poll() + CLOSE_ALL,
    "report_lengths": plug() + detect() + garble(ref(A0, 0), 4, 1) + poll() + read()
    + garble(ref(A0, 0), 4, 6) + poll() + garble(ref(A0, 0), 5, 9) + commands()
    + garble(ref(A0, 0), 5, 10) + write_data(length=255) + CLOSE_ALL,
    "whole_record_garbled": plug() + detect() + garble(ref(A0, 0), 11, bytes(range(256)) * 3
                                                         + bytes(80)) + commands() + CLOSE_ALL,
    "unplug_mid_sequence": plug() + plug(P0300_B) + detect() + poll(ref(A0, 1)) + op(UNPLUG, 1)
    + poll(ref(A0, 1)) + read(ref(A0, 1)) + commands(ref(A0, 1)) + plug(P0300_B) + detect(array=1)
    + commands(ref(A1, 1)) + CLOSE_ALL,
    "faults_detect": plug() + plug(P0800) + fault(0, F_DETAIL, C_ONCE) + fault(1, F_OPEN, C_ONCE)
    + detect() + CLOSE_ALL + fault(0, F_ATTRIBUTES, C_ONCE) + fault(1, F_TEXTS, C_ALWAYS)
    + detect() + CLOSE_ALL,
    "faults_io": plug() + detect() + fault(0, F_WRITE, C_TWICE) + commands()
    + fault(0, F_READ, C_ONCE) + push(0, report(4)) + poll() + poll() + read()
    + fault(0, F_WRITE, C_CLEAR) + fault(0, 0, C_ONCE) + fault(0, 8, C_ONCE)
    + fault(0, F_READ, C_INVALID) + CLOSE_ALL,
    "fault_enumeration": plug() + fault(0x80, F_ENUM, C_ONCE) + detect() + detect()
    + fault(0x80, F_ENUM, C_ALWAYS) + detect() + fault(0x80, F_DETAIL, C_ONCE) + CLOSE_ALL,
    "crowd_past_limit": op(CROWD, 15) + detect() + poll(ref(A0, 127)) + push(127, report(2))
    + poll(ref(A0, 127)) + commands(ref(A0, 127)) + close(0, 0, 128),
    "input_lengths": plug() + detect() + push(0, b"") + poll() + poll() + push(0, b"\x00")
    + poll() + push(0, bytes(range(256)) + bytes(44)) + poll() + read() + CLOSE_ALL,
    "clock_timeout": plug() + detect() + poll() + advance_ms(1000) + poll() + advance_ms(1)
    + poll() + poll() + op(ADVANCE, 1, struct.pack("<H", 65535)) + read() + CLOSE_ALL,
    "joystick": plug(P0500, JOYSTICK) + detect() + push(0, bytes([1, 0xFF, 0x0F, 0xF0, 0x12, 0x80, 0x7F]))
    + poll() + poll() + read() + CLOSE_ALL,
    "detect_device_filter": plug() + plug(P0800) + detect(product=1) + commands()
    + detect(product=230, array=1) + op(DETECT, 1, 0, 1, 200, struct.pack("<H", 0x0500))
    + CLOSE_ALL,
    "detect_null_pointers": plug() + op(DETECT, 5, 0, 0) + op(DETECT, 6, 0, 0) + close(3, 0, 200)
    + poll(ref(NULL)) + read(ref(NULL)) + commands(ref(NULL)) + status(ref(NULL)) + op(VERSION),
    "modes": plug(P1000) + plug(P0910) + plug(P0910_CONFIG) + plug(P1500) + plug(P0602)
    + plug(P0710) + plug(FOREIGN) + detect(M_FLASH) + CLOSE_ALL + detect(M_DEVICES) + CLOSE_ALL
    + detect(M_REPORT) + CLOSE_ALL + detect(M_ALL) + CLOSE_ALL + detect(7) + CLOSE_ALL
    + op(DETECT, 0, 255, 0, struct.pack("<i", -5)) + CLOSE_ALL,
    "texts": plug(texts=0x00) + plug(texts=0x29) + plug(texts=0xFF) + plug(texts=0x5B) + detect()
    + CLOSE_ALL,
    "big_output_reports": plug(P0500, BIG_OUTPUT) + detect() + commands() + write_data(length=101)
    + poll() + CLOSE_ALL,
    "raw_descriptor": plug(P0500, RAW, raw=DESCRIPTORS["vendor_board_report_ids"]) + detect()
    + push(0, report(6)) + poll() + poll() + commands() + CLOSE_ALL,
    "two_arrays_share_index": plug() + detect(array=0) + detect(array=1) + poll(ref(A0, 0))
    + push(0, report(8)) + poll(ref(A1, 0)) + poll(ref(A0, 0)) + CLOSE_ALL,
    "echo_and_noise": plug() + detect() + responder(0, R_ECHO) + write_data() + poll() + poll()
    + responder(0, R_NOISE, reply=bytes([33]) + bytes(range(63))) + commands() + read()
    + responder(0, R_NONE) + CLOSE_ALL,
    "close_partial": plug() + plug() + plug() + detect() + close(0, 1, 1) + commands(ref(A0, 1))
    + commands(ref(A0, 2)) + close(0, 0, 3) + close(0, 0, 3),
    "leave_open": plug() + plug(P0800) + detect() + detect(array=1) + op(VERSION),
}


def sysfs_field(data):
    return struct.pack("<H", len(data)) + data


USB, NODE, DESCRIPTOR, MANUFACTURER, PRODUCT, SERIAL, IFNUM, BCD = (1 << b for b in range(8))
EVERYTHING = 0xFF


def uevent(hid_id=b"0003:000012DA:00000910", name=b"Veltrane Zephyr", phys=b"usb-0000:00:14.0-2/input1",
           uniq=b""):
    return (b"DRIVER=hid-generic\nHID_ID=" + hid_id + b"\nHID_NAME=" + name + b"\nHID_PHYS=" + phys
            + b"\nHID_UNIQ=" + uniq + b"\nMODALIAS=hid:b0003g0001v000012DAp00000910\n")


def sysfs_interface(flags=EVERYTHING, node=b"hidraw0", event=None, ifnum=b"01\n", bcd=b"0123\n",
                    manufacturer=b"Veltrane\n", product=b"Zephyr-Lite\n", serial=b"S42\n",
                    descriptor=None, report_bytes=b"\x01\x02\x03"):
    if event is None:
        event = uevent()
    if descriptor is None:
        descriptor = DESCRIPTORS["vendor_board_64"]
    return bytes([flags]) + b"".join(sysfs_field(f) for f in (
        node, event, ifnum, bcd, manufacturer, product, serial, descriptor, report_bytes))


DANGLING_LINK, NO_UEVENT = 0x10, 0x20


def sysfs_input(*interfaces, mode=0, first=0):
    """`first`: DANGLING_LINK and NO_UEVENT, for the first interface."""
    return bytes([(1 if len(interfaces) > 1 else 0) | (mode << 1) | first]) + b"".join(interfaces)


SYSFS = {
    "usb_board": sysfs_input(sysfs_interface()),
    "usb_board_first_interface": sysfs_input(sysfs_interface(ifnum=b"00\n")),
    "uhid_board": sysfs_input(sysfs_interface(flags=NODE | DESCRIPTOR, event=uevent(
        hid_id=b"0006:000012DA:00000500", phys=b"panelink-uhid/input3", uniq=b"U77"))),
    "uhid_without_interface": sysfs_input(sysfs_interface(flags=NODE | DESCRIPTOR, event=uevent(
        phys=b"virtual"))),
    "two_interfaces_all": sysfs_input(sysfs_interface(node=b"hidraw10"),
                                      sysfs_interface(node=b"hidraw2", ifnum=b"00\n"), mode=1),
    "mode_devices": sysfs_input(sysfs_interface(), mode=2),
    "mode_flash": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0003:000012DA:00001000")),
                              mode=3),
    "mode_report": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0003:000012DA:00000800")),
                               mode=4),
    "no_node": sysfs_input(sysfs_interface(flags=EVERYTHING & ~NODE)),
    "dangling_link": sysfs_input(sysfs_interface(), sysfs_interface(node=b"hidraw1"),
                                 first=DANGLING_LINK),
    "no_uevent": sysfs_input(sysfs_interface(), sysfs_interface(node=b"hidraw1"), first=NO_UEVENT),
    "no_texts_no_descriptor": sysfs_input(sysfs_interface(flags=USB | NODE | IFNUM)),
    "hid_id_missing": sysfs_input(sysfs_interface(event=b"DRIVER=hid-generic\nHID_NAME=x\n")),
    "hid_id_short": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0003:12DA"))),
    "hid_id_too_big": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0003:000012DA:00010000"))),
    "hid_id_prefixed": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0x3:0x12DA:0x0910"))),
    "hid_id_four_parts": sysfs_input(sysfs_interface(event=uevent(hid_id=b"3:12da:910:1"))),
    "uevent_crlf_nul": sysfs_input(sysfs_interface(
        event=b"HID_ID=0003:000012DA:00000910\r\nHID_NAME=a\0b\nHID_IDX=1\nHID_PHYS=/input\n")),
    "uevent_empty": sysfs_input(sysfs_interface(event=b"")),
    "uevent_no_newline": sysfs_input(sysfs_interface(event=b"HID_ID=3:6666:300")),
    "foreign_vendor": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0003:0000046D:0000C52B"))),
    "vendor_b": sysfs_input(sysfs_interface(event=uevent(hid_id=b"0003:00006666:00000300"))),
    "interface_number_odd": sysfs_input(sysfs_interface(ifnum=b"ff\n"),
                                        sysfs_interface(node=b"hidraw1", ifnum=b"100\n")),
    "interface_number_bad": sysfs_input(sysfs_interface(ifnum=b"zz\n"),
                                        sysfs_interface(node=b"hidraw1", ifnum=b"\n")),
    "bcd_odd": sysfs_input(sysfs_interface(bcd=b"FFFF\n"),
                           sysfs_interface(node=b"hidraw1", bcd=b" 0100\n\n")),
    "bcd_too_big": sysfs_input(sysfs_interface(bcd=b"10000")),
    "utf8_valid": sysfs_input(sysfs_interface(
        manufacturer="Veltrané Ωmega 中文 😀\n".encode(), product="Zéphyr\n".encode(),
        serial="ä1\n".encode())),
    "utf8_invalid": sysfs_input(sysfs_interface(
        manufacturer=b"\xC0\xAF overlong \xED\xA0\x80 surrogate\n",
        product=b"\xF4\x90\x80\x80 too high \xE2\x82 cut\n", serial=b"\xFF\xFE\x80\n")),
    "texts_long": sysfs_input(sysfs_interface(manufacturer=b"M" * 300 + b"\n",
                                              product="é".encode() * 200, serial=b"123456789")),
    "texts_control": sysfs_input(sysfs_interface(manufacturer=b"a\x1b[2Jb\n", product=b"\n\n\n",
                                                 serial=b"\0\0\0")),
    "node_names": sysfs_input(sysfs_interface(node=b"hid#raw"),
                              sysfs_interface(node=b"hidraw99999999999999999999999")),
    "node_name_same": sysfs_input(sysfs_interface(node=b"x"), sysfs_interface(node=b"x")),
    "numbered_reports": sysfs_input(sysfs_interface(descriptor=DESCRIPTORS["vendor_board_report_ids"],
                                                    report_bytes=b"\x01" + bytes(range(64)))),
    "joystick": sysfs_input(sysfs_interface(descriptor=DESCRIPTORS["demo_joystick"],
                                            report_bytes=b"\xff\x00\x10\x80\x7f")),
    "descriptor_broken": sysfs_input(sysfs_interface(descriptor=DESCRIPTORS["truncated_in_item"])),
    "descriptor_empty": sysfs_input(sysfs_interface(descriptor=b"", report_bytes=b"\x05" * 70)),
    "short_reports": sysfs_input(sysfs_interface(descriptor=DESCRIPTORS["vendor_board_8_inputs"],
                                                 report_bytes=b"\xAA")),
}


def write_all(target, files, suffix):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name + suffix), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    write_all("report_descriptor", DESCRIPTORS, ".bin")
    write_all("input_decoding", DECODING, ".bin")
    write_all("seven_segment", SEVEN_SEGMENT, ".bin")
    write_all("api_sequence", API_SEQUENCE, ".bin")
    write_all("sysfs", SYSFS, ".bin")
