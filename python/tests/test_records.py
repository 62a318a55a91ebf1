"""The ctypes records and constants against the C compiler's view of the public headers, and
the decoding of a record's texts."""
import ctypes
import locale
import os
import subprocess
from pathlib import Path

import pytest

import panelink
from panelink import _records, simulation
from panelink._records import (
    DeviceRecord,
    PanelinkBoardEvent,
    PanelinkSimInterface,
    StatusRecord,
    record_text,
)

HERE = Path(__file__).resolve().parent


@pytest.fixture(scope="module")
def c_layout(tmp_path_factory):
    """{record: (size, [(field, offset, size), ...])}, the version and {constant: value}, from
    record_layout.c: the build's program (PANELINK_RECORD_LAYOUT), else compiled here against the
    source headers."""
    program = os.environ.get("PANELINK_RECORD_LAYOUT")
    if not program:
        program = str(tmp_path_factory.mktemp("layout") / "record_layout")
        include = HERE.parents[1] / "panelink" / "include"
        compiler = os.environ.get("CC", "cc")
        subprocess.run([compiler, "-std=c11", "-I", str(include), str(HERE / "record_layout.c"),
                        "-o", program], check=True)
    records, version, constants = {}, None, {}
    for line in subprocess.run([program], check=True, capture_output=True, text=True).stdout.split("\n"):
        kind, *rest = line.split() or [None]
        if kind == "size":
            records[rest[0]] = (int(rest[1]), [])
        elif kind == "field":
            records[rest[0]][1].append((rest[1], int(rest[2]), int(rest[3])))
        elif kind == "version":
            version = ".".join(rest)
        elif kind == "constant":
            constants[rest[0]] = int(rest[1])
    return records, version, constants


@pytest.mark.parametrize(
    "record", [DeviceRecord, StatusRecord, PanelinkSimInterface, PanelinkBoardEvent])
def test_ctypes_records_match_the_header(c_layout, record):
    size, fields = c_layout[0][record.__name__]
    assert ctypes.sizeof(record) == size
    ours = [(name, getattr(record, name).offset, getattr(record, name).size)
            for name, _ in record._fields_]
    assert ours == fields


def test_the_c_program_lists_every_byte_of_the_fixed_records(c_layout):
    sizes = {name: size for name, (size, _) in c_layout[0].items()}
    assert (sizes["DeviceRecord"], sizes["StatusRecord"], sizes["PanelinkBoardEvent"]) == (
        848, 5496, 600)
    for name in ("DeviceRecord", "StatusRecord", "PanelinkBoardEvent"):
        size, fields = c_layout[0][name]
        end = 0
        for _, offset, field_size in fields:
            assert offset == end
            end = offset + field_size
        assert end == size


def test_version_is_the_headers(c_layout):
    assert panelink.version() == c_layout[1]


def test_constants_are_the_headers(c_layout):
    constants = dict(c_layout[2])
    modes = {name: constants.pop("MODE_" + name) for name in panelink.Mode.__members__}
    assert modes == {mode.name: int(mode) for mode in panelink.Mode}
    assert "LCD_CHARS" in constants and "MODE_STANDARD" not in constants
    assert {name: getattr(_records, name) for name in constants} == constants


def _record_with(field, data, length_field, length):
    record = DeviceRecord()
    ctypes.memmove(ctypes.addressof(record) + getattr(DeviceRecord, field).offset, data, len(data))
    setattr(record, length_field, length)
    return record


def test_texts_follow_their_length_but_never_leave_their_field():
    full = _record_with("ProductName", b"A" * 256, "ProductNameLength", 300)
    assert record_text(full, "ProductName", "ProductNameLength") == b"A" * 256
    part = _record_with("ProductName", b"Board X", "ProductNameLength", 5)
    assert record_text(part, "ProductName", "ProductNameLength") == b"Board"
    assert record_text(_record_with("Manufacturer", b"M", "ManufacturerLength", -4),
                       "Manufacturer", "ManufacturerLength") == b""
    short = _record_with("SerialNumber", b"A\0\0\0", "SerialNumberLength", 3)
    assert record_text(short, "SerialNumber", "SerialNumberLength") == b"A"


def test_board_identity(sim, board):
    assert (board.index, board.vendor_id, board.product_id, board.version) == (0, 0x12DA, 0x0700, 0x0102)
    assert (board.manufacturer, board.product, board.serial) == ("Maker", "Test board", "S01")
    assert board.path == "sim://test/0700#vid_12da&pid_0700&mi_00"
    assert (board.input_report_length, board.output_report_length, board.inputs) == (65, 65, 64)


def test_long_texts_are_cut_at_their_field(sim):
    sim.add(0x12DA, 0x0700, "sim://" + "p" * 300, product="Q" * 300)
    (board,) = panelink.detect()
    assert board.path == ("sim://" + "p" * 300)[:256]
    assert board.product.startswith("Q" * 250) and len(board.product) <= 256


UTF8 = locale.getpreferredencoding(False).lower().replace("-", "") == "utf8"

# product text the device gives -> how describe() and the errors show it
DEVICE_TEXTS = [
    ("Plain board", "Plain board"),
    ("Bad \x01\x1b[31m name", "Bad \\x01\\x1B[31m name"),
    ("\t\n\r\x00ignored", "\\x09\\x0A\\x0D"),  # a zero byte ends a text
    ("del\x7f and \\x41", "del\\x7F and \\x41"),
    ("".join(map(chr, range(1, 32))), "".join(f"\\x{c:02X}" for c in range(1, 32))),
    pytest.param("Caf\u00e9 \u00ff\u00fe", "Caf\u00e9 \u00ff\u00fe",
                 marks=pytest.mark.skipif(not UTF8, reason="needs a UTF-8 locale")),
]


@pytest.mark.parametrize("product, shown", DEVICE_TEXTS)
def test_describe_shows_control_characters_escaped(sim, product, shown):
    virtual = sim.add(0x12DA, 0x0700, "sim://test/\x1b]0;title\x07", product=product,
                      descriptor=simulation.vendor_descriptor())
    (board,) = panelink.detect()
    assert board.product == product.split("\0")[0]  # the attribute keeps the device's text
    expected = f"board 0 ({shown}, sim://test/\\x1B]0;title\\x07)"
    assert board.describe() == expected
    virtual.remove()
    with pytest.raises(panelink.BoardFailedError) as failure:
        board.poll()
        board.poll()
    assert str(failure.value).startswith(expected + ":")
