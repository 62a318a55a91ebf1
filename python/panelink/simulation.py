"""Virtual boards: plug in boards held in the process and play their side (simulation.h).

    from panelink import simulation
    simulation.enable(manual_clock=True)
    board = simulation.add(0x12DA, 0x0700, path="sim://test/0700", product="Test board",
                           descriptor=simulation.vendor_descriptor())
    board.push_input(bytes(65))        # report ID byte first
    panelink.detect()                  # finds it

Once enabled, every panelink function works on the virtual bus for the rest of the process.
"""
import ctypes
import enum

from . import _library
from ._library import SIM_RESPONDER, lock
from ._records import PanelinkSimInterface


class Fault(enum.IntEnum):
    DETAIL = 1  # fetching the interface's detail (its path) fails
    OPEN = 2  # opening fails with an access-denied error
    ATTRIBUTES = 3  # reading vendor/product/version fails
    TEXTS = 4  # each device-text request fails
    WRITE_TIMEOUT = 5  # a write never completes: it times out
    READ_WAIT = 6  # waiting on a read fails
    ENUMERATION = 7  # (whole bus) no set of interfaces can be had


ALWAYS = -1  # a fault count: every occurrence fails

# Responders stay referenced while installed: the library calls them through their C pointers.
_responders = {}


def vendor_descriptor(input_bytes=64, output_bytes=64):
    """A report descriptor of a vendor-defined board without report IDs: `input_bytes` data
    bytes in and `output_bytes` out (reports of one byte more with the report ID byte)."""
    for count in (input_bytes, output_bytes):
        if not 1 <= count <= 255:
            raise ValueError("report data lengths must be 1 to 255 bytes")
    return bytes(
        [0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08]
        + [0x95, input_bytes, 0x09, 0x02, 0x81, 0x02]
        + [0x95, output_bytes, 0x09, 0x03, 0x91, 0x02, 0xC0]
    )


def enable(manual_clock=False):
    """Switches the library to the virtual bus. With manual_clock, time moves only through
    advance_ms() and a wait that nothing ends returns at once."""
    _library.call("panelink_sim_enable", int(bool(manual_clock)))


def reset():
    """Removes every virtual board, clears faults and responders, sets the clock to 0."""
    with lock:
        _library.call("panelink_sim_reset")
        _responders.clear()


def advance_ms(ms):
    """Moves the manual clock forward."""
    _library.call("panelink_sim_advance_ms", int(ms))


def fail_enumeration(count=ALWAYS):
    """The next `count` detections cannot list the interfaces (ALWAYS: every one; 0: clear)."""
    _library.call("panelink_sim_set_fault", 0, int(Fault.ENUMERATION), int(count))


def _bytes_pointer(data):
    buffer = (ctypes.c_ubyte * max(len(data), 1)).from_buffer_copy(data or b"\0")
    return buffer, len(data)


class VirtualBoard:
    """One plugged-in virtual interface (the board side)."""

    def __init__(self, board_id):
        self.id = board_id

    def __repr__(self):
        return f"<panelink.simulation.VirtualBoard {self.id}>"

    def push_input(self, report):
        """The board sends one input report (report ID byte first)."""
        buffer, length = _bytes_pointer(bytes(report))
        if not _library.call("panelink_sim_push_input", self.id, buffer, length):
            raise ValueError(f"virtual board {self.id} is not plugged in")

    def pop_output(self, capacity=256):
        """The oldest output report written to the board, or None when none is left."""
        buffer = (ctypes.c_ubyte * capacity)()
        length = _library.call("panelink_sim_pop_output", self.id, buffer, capacity)
        return bytes(buffer[: min(length, capacity)]) if length else None

    def outputs(self):
        """Every output report written and not yet taken, oldest first."""
        reports = []
        while (report := self.pop_output()) is not None:
            reports.append(report)
        return reports

    def remove(self):
        """Unplugs the board: reads and writes on it then fail."""
        if not _library.call("panelink_sim_remove", self.id):
            raise ValueError(f"virtual board {self.id} is not plugged in")

    def set_fault(self, fault, count=ALWAYS):
        """The next `count` occurrences of `fault` fail (ALWAYS: every one; 0: clear)."""
        if not _library.call("panelink_sim_set_fault", self.id, int(fault), int(count)):
            raise ValueError(f"fault {fault!r} x {count} refused for virtual board {self.id}")

    def set_responder(self, function):
        """`function(board, report)` sees each output report written to the board (bytes,
        report ID first) and may answer with board.push_input(); None removes it."""
        with lock:
            if function is None:
                callback = SIM_RESPONDER()  # a null pointer: no responder
            else:
                callback = SIM_RESPONDER(
                    lambda _id, report, length, _context: function(
                        self, ctypes.string_at(report, length)
                    )
                )
            _library.call("panelink_sim_set_responder", self.id, callback, None)
            if function is None:
                _responders.pop(self.id, None)
            else:
                _responders[self.id] = callback


def add(vendor_id, product_id, path, version=0, manufacturer="", product="", serial="",
        descriptor=None):
    """Plugs in a virtual interface and returns it. A text given as None makes that request
    fail; a descriptor of None gives no report lengths (no reads, no decoding)."""
    descriptor_buffer, descriptor_length = (
        _bytes_pointer(bytes(descriptor)) if descriptor is not None else (None, 0)
    )
    iface = PanelinkSimInterface(
        vendor_id=vendor_id,
        product_id=product_id,
        version_number=version,
        path=path.encode() if isinstance(path, str) else bytes(path),
        manufacturer=manufacturer,
        product=product,
        serial_number=serial,
        report_descriptor=ctypes.cast(descriptor_buffer, ctypes.POINTER(ctypes.c_ubyte)),
        report_descriptor_length=descriptor_length,
    )
    board_id = _library.call("panelink_sim_add", ctypes.byref(iface))
    if board_id <= 0:
        raise ValueError("the virtual board was refused")
    return VirtualBoard(board_id)
