"""Detection, closing, the context manager, and the arguments of detection and of the virtual
boards."""
import re

import pytest

import panelink
from panelink import simulation
from panelink._records import StatusRecord

from conftest import TEST_BOARD


def test_with_block_closes_its_boards(virtual):
    with panelink.detect("standard") as boards:
        (board,) = boards
        assert board.poll() is None
    assert boards.closed and board.closed
    for call in (board.poll, board.read, lambda: board.write(b"\0"), board.status):
        with pytest.raises(panelink.BoardClosedError):
            call()
    assert board.product == "Test board"


def test_close_and_a_new_detection_close_the_boards_before(virtual):
    first = panelink.detect()[0]
    second = panelink.detect()[0]
    with pytest.raises(panelink.BoardClosedError):
        first.poll()
    virtual.push_input(bytes(65))
    assert second.poll() is not None
    panelink.close()
    with pytest.raises(panelink.BoardError):
        second.poll()


def test_product_filter_and_modes(sim, virtual):
    sim.add(**dict(TEST_BOARD, product_id=0x0500, path="sim://test/0500"))
    assert [b.product_id for b in panelink.detect()] == [0x0700, 0x0500]
    assert [b.product_id for b in panelink.detect(product_id=0x0500)] == [0x0500]
    assert panelink.detect("devices") == [] and panelink.detect(panelink.Mode.DEVICES) == []
    assert len(panelink.detect(255)) == 2


def test_no_boards_is_an_empty_list_and_a_failed_listing_raises(sim):
    assert panelink.detect() == []
    sim.fail_enumeration(1)
    with pytest.raises(panelink.DetectionError):
        panelink.detect()


BAD_ARGUMENTS = {
    "mode name": (lambda: panelink.detect("everything"), ValueError, "all_devices"),
    "mode number": (lambda: panelink.detect(7), ValueError, "unknown detection mode 7"),
    "mode float": (lambda: panelink.detect(2.0), TypeError, "mode must be an integer"),
    "product id text": (lambda: panelink.detect(product_id="0x700"), TypeError, "product_id"),
    "product id too big": (lambda: panelink.detect(product_id=0x10000), ValueError, "0 to 65535"),
    "virtual vendor id": (lambda: simulation.add(0x12DA0, 0x0700, "sim://x"), ValueError,
                          "vendor_id must be 0 to 65535"),
    "virtual product text": (lambda: simulation.add(0x12DA, 0x0700, "sim://x", product=b"P"),
                             TypeError, "product must be str"),
    "virtual descriptor": (lambda: simulation.add(0x12DA, 0x0700, "sim://x", descriptor=64),
                           TypeError, "descriptor must be bytes"),
    "descriptor length": (lambda: simulation.vendor_descriptor(0), ValueError, "input_bytes"),
    "clock backwards": (lambda: simulation.advance_ms(-1), ValueError, "ms must be 0 to"),
    "fault count": (lambda: simulation.fail_enumeration(-2), ValueError, "count must be -1 to"),
    "status port": (lambda: panelink.Status(StatusRecord()).module_type(24), ValueError,
                    "port must be 0 to 23"),
}


@pytest.mark.parametrize("call, error, message", BAD_ARGUMENTS.values(), ids=BAD_ARGUMENTS.keys())
def test_bad_arguments(sim, call, error, message):
    with pytest.raises(error, match=re.escape(message)):
        call()
    assert panelink.detect() == []  # nothing was plugged in


def test_virtual_board_arguments(virtual):
    with pytest.raises(TypeError, match="report must be bytes"):
        virtual.push_input(65)
    with pytest.raises(ValueError, match="unknown fault 99"):
        virtual.set_fault(99)
    with pytest.raises(TypeError, match="responder must be callable"):
        virtual.set_responder("answer")
