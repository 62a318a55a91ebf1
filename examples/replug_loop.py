#!/usr/bin/env python3
"""Keeps its boards open across unplugs and replugs, without polling for them.

    PANELINK_SIMULATE=demo python3 examples/replug_loop.py --seconds 3
    python3 examples/replug_loop.py --simulate    # a virtual board unplugged and plugged back

A board monitor tells which boards arrive and leave; the loop waits on it with a selector, which
also gives the poll interval. On an arrival the boards are detected again (a detection opens
every board there is, and closes the boards of the one before); on a departure that board is
forgotten; in between the open boards' inputs are polled.
"""
import argparse
import selectors
import threading
import time

import panelink

parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("--seconds", type=float, default=10.0, help="how long to run")
parser.add_argument("--simulate", action="store_true",
                    help="a virtual board of its own, unplugged after 0.5 s and back after 1 s")
args = parser.parse_args()


def simulated_replug(stop):
    """The board side of --simulate: input reports every 20 ms, and an unplug and a replug."""
    from panelink import simulation
    board = dict(vendor_id=0x12DA, product_id=0x0700, path="sim://example/0700", serial="R1",
                 product="Replugged board", descriptor=simulation.vendor_descriptor())
    virtual = simulation.add(**board)
    start = time.monotonic()
    while not stop.wait(0.02):
        elapsed = time.monotonic() - start
        if virtual is not None and 0.5 <= elapsed < 1.0:
            virtual.remove()
            virtual = None
        elif virtual is None and elapsed >= 1.0:
            virtual = simulation.add(**board)
        if virtual is not None:
            virtual.push_input(bytes([0, int(elapsed * 10) % 2]).ljust(65, b"\0"))


if args.simulate:
    panelink.simulation.enable()
    panelink.simulation.reset()  # no demo boards: only the one this script plugs in
stop = threading.Event()
board_side = threading.Thread(target=simulated_replug, args=(stop,)) if args.simulate else None

boards = {}  # path -> Board, the open boards
reports = {}  # path -> reports since the board was opened
with panelink.monitor(snapshot=True) as monitor, selectors.DefaultSelector() as selector:
    selector.register(monitor, selectors.EVENT_READ)
    if board_side:
        board_side.start()
    end = time.monotonic() + args.seconds
    while time.monotonic() < end:
        arrived = False
        if selector.select(timeout=0.01):  # events are queued: take them all
            while (event := monitor.next(timeout=0)) is not None:
                ids = f"{event.vendor_id:04x}:{event.product_id:04x}"
                print(f"{event.event}: {ids} {event.path!r} serial {event.serial!r}")
                if event.event == "arrived":
                    arrived = arrived or (event.path not in boards and event.opened)
                else:
                    boards.pop(event.path, None)  # forgotten: no longer polled
        if arrived:
            boards = {board.path: board for board in panelink.detect()}
            reports = {path: 0 for path in boards}
            for board in boards.values():
                print(f"open: {board.describe()}")
        for path, board in list(boards.items()):
            try:
                if board.poll() is not None:
                    reports[path] += 1
            except panelink.BoardFailedError:  # gone; its departure is on its way
                boards.pop(path)
    stop.set()
    if board_side:
        board_side.join()
    for path, board in boards.items():
        print(f"{board.describe()}: {reports[path]} reports since it was opened")
panelink.close()
