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
