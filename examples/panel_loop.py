#!/usr/bin/env python3
"""A small panel loop: polls a board's inputs and sets its outputs from them.

    PANELINK_SIMULATE=demo python3 examples/panel_loop.py --seconds 3

Inputs 0 and 1 are a rotary encoder (a pulse on input 0 per detent clockwise, on input 1
counter-clockwise) that moves a counter shown on the seven-segment module at port 0; input 2 is
a switch whose state is shown on the first LED of the direct-output module at port 1. Outputs
are sent only when they change. On the demo boards, board 0x0500 has this encoder and switch.
"""
import argparse
import time

import panelink

parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("--product", type=lambda text: int(text, 0), default=0x0500)
parser.add_argument("--seconds", type=float, default=30.0)
args = parser.parse_args()

counter, switch = 0, None
with panelink.detect(product_id=args.product) as boards:
    if not boards:
        raise SystemExit(f"no board {args.product:#06x} found")
    board = boards[0]
    print(f"panel on board {board.index}: {board.product}")
    previous = bytes(board.state_count())
    end = time.monotonic() + args.seconds
    while time.monotonic() < end:
        states = board.poll()
        if states is None:
            time.sleep(0.005)
            continue
        # A detent is an input going from off to on.
        step = (states[0] and not previous[0]) - (states[1] and not previous[1])
        previous = states
        if step:
            counter += step
            board.write_display_output(0, str(counter))
            print(f"counter {counter}")
        if bool(states[2]) != switch:
            switch = bool(states[2])
            board.write_direct_output(1, [1 if switch else 0])
            print(f"switch {'on' if switch else 'off'}: LED {'on' if switch else 'off'}")
print(f"final counter {counter}")
