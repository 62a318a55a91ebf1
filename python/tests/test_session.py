"""Detection, closing and the context manager."""
import pytest

import panelink

from conftest import TEST_BOARD


def test_with_block_closes_its_boards(virtual):
    with panelink.open("standard") as boards:
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
    with pytest.raises(ValueError, match="all_devices"):
        panelink.detect("everything")


def test_no_boards_is_an_empty_list_and_a_failed_listing_raises(sim):
    assert panelink.detect() == []
    sim.fail_enumeration(1)
    with pytest.raises(panelink.DetectionError):
        panelink.detect()
