"""panelink.monitor() on virtual boards: the events' attributes, iteration and next(timeout),
fileno() with selectors, and closing, also by another thread while one waits."""
import math
import selectors
import threading
import time

import pytest

import panelink
from conftest import TEST_BOARD

CONFIG = dict(TEST_BOARD, product_id=0x0910, path="sim://test/0910#vid_12da&pid_0910&mi_01",
              serial="\x1bC9")


def expected(board, event):
    return panelink.BoardEvent(event, board["vendor_id"], board["product_id"], board["version"],
                               board["path"], board["serial"], 1 if "mi_01" in board["path"] else 0)


def test_snapshot_then_live_events_carry_the_boards_identity(sim, virtual):
    with panelink.monitor(snapshot=True) as monitor:
        assert monitor.next(timeout=0) == expected(TEST_BOARD, "arrived")
        assert monitor.next(timeout=0) is None
        config = sim.add(**CONFIG)
        virtual.remove()
        config.remove()
        assert [monitor.next(0), monitor.next(0.5), next(monitor)] == [
            expected(CONFIG, "arrived"), expected(TEST_BOARD, "left"), expected(CONFIG, "left")]


def test_without_snapshot_only_live_events(sim, virtual):
    with panelink.monitor() as monitor:
        assert monitor.next(timeout=0) is None
        virtual.remove()
        assert monitor.next(timeout=0).event == "left"


def test_next_waits_its_time_out(sim):
    with panelink.monitor() as monitor:
        start = time.monotonic()
        assert monitor.next(timeout=0.3) is None
        assert 0.29 <= time.monotonic() - start < 2


@pytest.mark.parametrize("timeout, error", [
    (-1, ValueError), (math.nan, ValueError), ("1", TypeError), (True, TypeError)])
def test_bad_time_outs_are_refused(sim, timeout, error):
    with panelink.monitor() as monitor:
        with pytest.raises(error):
            monitor.next(timeout=timeout)


def test_fileno_is_ready_while_an_event_is_queued(sim):
    with panelink.monitor() as monitor, selectors.DefaultSelector() as selector:
        selector.register(monitor, selectors.EVENT_READ)
        assert selector.select(timeout=0) == []
        virtual = sim.add(**TEST_BOARD)
        assert [key.fileobj for key, _ in selector.select(timeout=1)] == [monitor]
        assert monitor.next(timeout=0).event == "arrived"
        assert selector.select(timeout=0) == []
        virtual.remove()
        assert len(selector.select(timeout=1)) == 1


# How a thread waiting on the monitor ends when another closes it: iteration ends, with the
# events it took before (here the snapshot's arrival); next() raises.
WAITERS = {
    "iteration": (lambda monitor: list(monitor), True),
    "next": (lambda monitor: monitor.next(), False),
}


@pytest.mark.parametrize("wait, snapshot", WAITERS.values(), ids=WAITERS.keys())
def test_closing_from_another_thread_wakes_the_waiter(sim, virtual, wait, snapshot):
    monitor = panelink.monitor(snapshot=snapshot)
    outcome = []

    def waiter():
        try:
            outcome.append(wait(monitor))
        except panelink.MonitorClosedError as error:
            outcome.append(error)

    thread = threading.Thread(target=waiter)
    thread.start()
    time.sleep(0.3)  # the waiter is inside a wait by now
    assert thread.is_alive()
    closed_at = time.monotonic()
    monitor.close()
    thread.join(5)
    assert time.monotonic() - closed_at < 1  # at once; a loaded machine may delay the thread
    if snapshot:
        assert outcome == [[expected(TEST_BOARD, "arrived")]]
    else:
        assert len(outcome) == 1 and isinstance(outcome[0], panelink.MonitorClosedError)


def test_a_closed_monitor_says_so(sim):
    with panelink.monitor() as monitor:
        assert monitor.fileno() >= 0
    assert monitor.closed
    monitor.close()  # again: nothing
    for use in (monitor.next, monitor.fileno, lambda: next(monitor), lambda: list(monitor)):
        with pytest.raises(panelink.MonitorClosedError, match="closed"):
            use()
