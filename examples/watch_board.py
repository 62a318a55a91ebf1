#!/usr/bin/env python3
"""Watches one board and prints each input that changes, with the time since the start.

    PANELINK_SIMULATE=demo python3 examples/watch_board.py --seconds 2

The board is the first found, or the first of --product (e.g. 0x0700). poll() never blocks: it
gives the input states (one byte per input) when a report came, and None when none did.
"""
import argparse
import time

import panelink

parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("--product", type=lambda text: int(text, 0), help="product ID of the board")
parser.add_argument("--seconds", type=float, default=10.0, help="how long to watch")
args = parser.parse_args()

with panelink.detect(product_id=args.product) as boards:
    if not boards:
        raise SystemExit("no board found")
    board = boards[0]
    print(f"watching board {board.index}: {board.product} (serial {board.serial}), "
          f"{board.inputs} inputs")
    previous = None
    reports = changes = 0
    start = time.monotonic()
    while time.monotonic() - start < args.seconds:
        states = board.poll()
        if states is None:
            time.sleep(0.005)
            continue
        reports += 1
        if previous is not None:
            for number, (old, new) in enumerate(zip(previous, states)):
                if old != new:
                    changes += 1
                    print(f"{time.monotonic() - start:7.3f} s  input {number:3} {'on' if new else 'off'}")
        previous = states
    print(f"{reports} reports, {changes} changes")
