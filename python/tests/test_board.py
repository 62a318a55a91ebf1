"""Board: polled and blocking reads, raw writes, output commands and status, on virtual boards."""
import re

import pytest

import panelink
from panelink.simulation import Fault


def report(*data):
    """An input report of the test board: report ID 0, then 64 data bytes."""
    return bytes([0, *data]).ljust(65, b"\0")


def test_first_poll_delivers_a_waiting_report(virtual, board):
    virtual.push_input(report(0b101, 0x80))
    states = board.poll()
    assert states == bytes([1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1]).ljust(512, b"\0")
    assert board.poll() is None


def test_packed_poll_gives_the_data_bytes(virtual, board):
    virtual.push_input(report(*range(1, 65)))
    assert board.poll(packed=True) == bytes(range(1, 65))


def test_poll_goes_on_after_a_read_timed_out(sim, virtual, board):
    assert board.poll() is None
    sim.advance_ms(1500)
    assert board.poll() is None
    virtual.push_input(report(1))
    assert board.poll(packed=True) == b"\1".ljust(64, b"\0")


def test_a_board_gone_fails_poll_and_read(virtual, board):
    assert board.poll() is None
    virtual.remove()
    with pytest.raises(panelink.BoardFailedError, match="Test board"):
        board.poll()
    with pytest.raises(panelink.BoardError):
        board.read()


def test_read_gives_a_report_or_none(virtual, board):
    virtual.push_input(report(7, 8))
    assert board.read()[:3] == bytes([7, 8, 0])
    assert board.read() is None


def test_a_board_without_reports_is_refused(sim):
    sim.add(0x12DA, 0x0700, "sim://test/none", product="No descriptor")
    (board,) = panelink.detect()
    for call in (board.poll, board.read, lambda: board.write(b"\0"), board.clear_lcd):
        with pytest.raises(panelink.UnsupportedReportError):
            call()


def test_write_fills_the_report_up(virtual, board):
    assert board.write(b"\0\1\2") == 65
    assert virtual.pop_output() == b"\0\1\2".ljust(65, b"\0")
    with pytest.raises(ValueError):
        board.write(bytes(66))


def test_a_write_not_taken_raises_and_the_board_stays(virtual, board):
    virtual.set_fault(Fault.WRITE_TIMEOUT, 1)
    with pytest.raises(panelink.WriteFailedError):
        board.write_7segment(b"\1\2")
    assert board.write_7segment(b"\1\2") == 65


def test_texts_are_filled_up_with_spaces(virtual, board):
    board.write_lcd("HELLO")
    assert b"HELLO" + b" " * 15 in virtual.pop_output()
    board.write_glcd(3, ["AB", "CD"])
    assert b"AB" + b" " * 22 + b"CD" + b" " * 22 in virtual.pop_output()


BAD_ARGUMENTS = {
    # name: (call, exception, words of its message)
    "poll packed 5": (lambda b: b.poll(packed=5), ValueError, "packed must be 0 to 1, not 5"),
    "poll packed text": (lambda b: b.poll(packed="yes"), TypeError, "packed must be an integer"),
    "state_count packed": (lambda b: b.state_count(2), ValueError, "packed"),
    "write an int": (lambda b: b.write(5), TypeError, "report must be bytes"),
    "write a str": (lambda b: b.write("\0\1"), TypeError, "report must be bytes"),
    "write a byte over 255": (lambda b: b.write([0, 256]), ValueError, "each byte of report"),
    "write too long": (lambda b: b.write(bytes(66)), ValueError, "66 bytes, the board takes 65"),
    "port 256": (lambda b: b.write_display_output(256, "1"), ValueError, "port must be 0 to 255"),
    "port -1": (lambda b: b.write_direct_output(-1, b""), ValueError, "port must be 0 to 255"),
    "port as text": (lambda b: b.write_direct_output("1", b""), TypeError, "port must be an int"),
    "port as float": (lambda b: b.write_mux_output(1.5, b""), TypeError, "port must be an int"),
    "direct too long": (lambda b: b.write_direct_output(0, bytes(16)), ValueError, "at most 15"),
    "direct data an int": (lambda b: b.write_direct_output(0, 3), TypeError, "data must be bytes"),
    "mux data too long": (lambda b: b.write_mux_output(0, bytes(57)), ValueError, "at most 56"),
    "spi data too long": (lambda b: b.write_spi_dac(0, bytes(41)), ValueError, "at most 40"),
    "dot matrix too long": (lambda b: b.write_dot_matrix(0, bytes(17)), ValueError, "at most 16"),
    "latched state 2": (lambda b: b.write_latched_output(0, [1, 2]), ValueError, "output state"),
    "latched states an int": (lambda b: b.write_latched_output(0, 1), TypeError, "states must be"),
    "latched too many": (lambda b: b.write_latched_output(0, [1] * 65), ValueError, "at most 64"),
    "parameter 300": (lambda b: b.write_spi_dac(0, b"", 300), ValueError, "parameter must be"),
    "display zero byte": (lambda b: b.write_display_output(0, "1\0" "2"), ValueError, "zero byte"),
    "display a number": (lambda b: b.write_display_output(0, 12.5), TypeError, "text must be str"),
    "lcd not ascii": (lambda b: b.write_lcd("\u00e9"), ValueError, "ASCII"),
    "lcd too long": (lambda b: b.write_lcd("x" * 21), ValueError, "at most 20"),
    "glcd three lines": (lambda b: b.write_glcd(0, ["a", "b", "c"]), ValueError, "1 or 2 lines"),
    "glcd line too long": (lambda b: b.write_glcd(0, "x" * 25), ValueError, "at most 24"),
    "glcd lines an int": (lambda b: b.write_glcd(0, 7), TypeError, "lines must be"),
    "crt too many": (lambda b: b.write_crt_rwr(0, 1, list(range(14))), ValueError, "0 to 13"),
    "crt value too big": (lambda b: b.write_crt_rwr(0, 1, [2**32]), ValueError, "CRT/RWR value"),
    "crt value a float": (lambda b: b.write_crt_rwr(0, 1, [1.5]), TypeError, "CRT/RWR value"),
    "crt start past the end": (lambda b: b.write_crt_rwr(0, 1, [1], 2), ValueError, "values[2:]"),
    "tandem group too long": (lambda b: b.write_tandem("123456789", "1", 0), ValueError, "group1"),
    "seven segment too long": (lambda b: b.write_7segment(b"123"), ValueError, "at most 2"),
}


@pytest.mark.parametrize("call, error, message", BAD_ARGUMENTS.values(), ids=BAD_ARGUMENTS.keys())
def test_bad_arguments_raise_before_anything_is_sent(virtual, board, call, error, message):
    with pytest.raises(error, match=re.escape(message)):
        call(board)
    assert virtual.pop_output() is None


def test_a_poll_form_given_as_int_is_the_same_as_bool(virtual, board):
    virtual.push_input(report(3))
    assert board.poll(packed=1) == b"\3".ljust(64, b"\0")
    assert board.state_count(1) == 64 and board.state_count(0) == 512


def test_a_responder_answers_outputs(virtual, board):
    virtual.set_responder(lambda v, out: v.push_input(report(out[1] + 1)))
    board.write(b"\0\x41")
    assert board.poll(packed=True)[0] == 0x42
    virtual.set_responder(None)
    board.write(b"\0\x41")
    assert board.poll() is None


def test_status_blocks(board):
    status = board.status()
    assert len(status.raw) == 5496 and status.base_flags == b"\1" * 512
    assert len(status.type1_flags) == 1344 and status.module_type(0) is None
