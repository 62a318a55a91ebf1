"""Calls on different boards do not wait for each other: a call blocked on one board (its
virtual board's responder holds the write that the call makes until the test lets it go, or a
read waits for a report that never comes) holds up no poll, read or write on another board."""
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import pytest

import panelink
from conftest import TEST_BOARD

# Calls that write to the board and so wait inside the library while its responder holds them.
# The board is product 0x0800, whose status query asks each port pair.
BLOCKING_CALLS = {
    "status": lambda board: board.status(),
    "raw write": lambda board: board.write(b"\0\1"),
    "output command": lambda board: board.write_lcd("HELD"),
}

OTHER_BOARD_CALLS = {
    "poll": lambda board, virtual: (virtual.push_input(bytes([0, 7]).ljust(65, b"\0")),
                                    board.poll(packed=True)[0])[1] == 7,
    "read": lambda board, virtual: (virtual.push_input(bytes([0, 9]).ljust(65, b"\0")),
                                    board.read()[0])[1] == 9,
    "write": lambda board, virtual: board.write(b"\0\2") == 65,
}


@pytest.mark.parametrize("other", OTHER_BOARD_CALLS.values(), ids=OTHER_BOARD_CALLS.keys())
@pytest.mark.parametrize("blocking", BLOCKING_CALLS.values(), ids=BLOCKING_CALLS.keys())
def test_a_call_blocked_on_one_board_holds_up_no_call_on_another(sim, blocking, other):
    held_virtual = sim.add(**dict(TEST_BOARD, product_id=0x0800, path="sim://test/0800"))
    quick_virtual = sim.add(**TEST_BOARD)
    entered, release = threading.Event(), threading.Event()

    def hold(_virtual, _report):
        entered.set()
        release.wait(10)

    held_virtual.set_responder(hold)
    boards = {board.product_id: board for board in panelink.detect()}
    held, quick = boards[0x0800], boards[0x0700]
    with ThreadPoolExecutor(max_workers=2) as pool:
        blocked = pool.submit(blocking, held)
        try:
            assert entered.wait(5), "the blocking call never reached its board"
            # On a thread of its own, so that a call held up fails the test instead of hanging it.
            assert pool.submit(other, quick, quick_virtual).result(timeout=3)
            assert not blocked.done()
        finally:
            release.set()
        blocked.result(timeout=10)


def test_a_read_waiting_on_one_board_holds_up_no_poll_on_another(sim):
    # On the real clock, a read of a board that sends nothing waits its full 1000 ms.
    sim.enable(manual_clock=False)
    sim.add(**dict(TEST_BOARD, path="sim://test/silent"))
    quick_virtual = sim.add(**dict(TEST_BOARD, product_id=0x0500, path="sim://test/0500"))
    boards = {board.product_id: board for board in panelink.detect()}
    silent, quick = boards[0x0700], boards[0x0500]
    with ThreadPoolExecutor(max_workers=2) as pool:
        started = time.monotonic()
        waiting = pool.submit(silent.read)
        time.sleep(0.2)  # the read is under way
        quick_virtual.push_input(bytes([0, 5]).ljust(65, b"\0"))
        assert pool.submit(quick.poll, True).result(timeout=0.6)[0] == 5
        assert not waiting.done() and time.monotonic() - started < 0.9
        assert waiting.result(timeout=5) is None  # timed out: no report came
