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
import threading

from . import _library
from ._arguments import data_bytes, integer
from ._library import SIM_RESPONDER
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

# Every responder goes through one C callback that lives as long as the module: the library may
# still be running a responder it took just before it was replaced or removed, so the pointer it
# holds must stay valid. The callback looks the Python responder up by interface id.
_responders = {}  # interface id -> (VirtualBoard, function)
_responders_lock = threading.Lock()


def _dispatch(board_id, report, length, _context):
    with _responders_lock:
        entry = _responders.get(board_id)
    if entry is not None:
        board, function = entry
        function(board, ctypes.string_at(report, length))


_DISPATCH = SIM_RESPONDER(_dispatch)


def vendor_descriptor(input_bytes=64, output_bytes=64):
    """A report descriptor of a vendor-defined board without report IDs: `input_bytes` data
    bytes in and `output_bytes` out (reports of one byte more with the report ID byte)."""
    input_bytes = integer(input_bytes, "input_bytes", 1, 255)
    output_bytes = integer(output_bytes, "output_bytes", 1, 255)
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
    _library.call("panelink_sim_reset")
    with _responders_lock:
        _responders.clear()


def advance_ms(ms):
    """Moves the manual clock forward by `ms` milliseconds (0 to 2**32 - 1)."""
    _library.call("panelink_sim_advance_ms", integer(ms, "ms", 0, 2**32 - 1))


def _fault_count(count):
    return integer(count, "count", ALWAYS, 2**31 - 1)


def fail_enumeration(count=ALWAYS):
    """The next `count` detections cannot list the interfaces (ALWAYS: every one; 0: clear)."""
    _library.call("panelink_sim_set_fault", 0, int(Fault.ENUMERATION), _fault_count(count))


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
        buffer, length = _bytes_pointer(data_bytes(report, "report"))
        if not _library.call("panelink_sim_push_input", self.id, buffer, length):
            raise ValueError(f"virtual board {self.id} is not plugged in")

    def pop_output(self, capacity=256):
        """The oldest output report written to the board (at most `capacity` bytes of it), or
        None when none is left."""
        capacity = integer(capacity, "capacity", 1)
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
        with _responders_lock:
            _responders.pop(self.id, None)

    def set_fault(self, fault, count=ALWAYS):
        """The next `count` occurrences of `fault` fail (ALWAYS: every one; 0: clear)."""
        try:
            fault = Fault(integer(fault, "fault"))
        except ValueError:
            raise ValueError(f"unknown fault {fault} (a panelink.simulation.Fault)") from None
        if fault == Fault.ENUMERATION:
            raise ValueError("Fault.ENUMERATION is for the whole bus: use fail_enumeration()")
        if not _library.call("panelink_sim_set_fault", self.id, int(fault), _fault_count(count)):
            raise ValueError(f"fault {fault!r} x {count} refused for virtual board {self.id}")

    def set_responder(self, function):
        """`function(board, report)` sees each output report written to the board (bytes,
        report ID first) and may answer with board.push_input(); None removes it."""
        if function is not None and not callable(function):
            raise TypeError(
                f"the responder must be callable or None, not {type(function).__name__}"
            )
        with _responders_lock:
            if function is None:
                _responders.pop(self.id, None)
            else:
                _responders[self.id] = (self, function)
        # A null pointer removes the library's responder.
        callback = _DISPATCH if function is not None else SIM_RESPONDER()
        _library.call("panelink_sim_set_responder", self.id, callback, None)


def add(vendor_id, product_id, path, version=0, manufacturer="", product="", serial="",
        descriptor=None):
    """Plugs in a virtual interface and returns it. A text given as None makes that request
    fail; a descriptor of None gives no report lengths (no reads, no decoding)."""
    descriptor_buffer, descriptor_length = (None, 0)
    if descriptor is not None:
        descriptor_buffer, descriptor_length = _bytes_pointer(data_bytes(descriptor, "descriptor"))
    texts = {"manufacturer": manufacturer, "product": product, "serial": serial}
    for name, text in texts.items():
        if text is not None and not isinstance(text, str):
            raise TypeError(f"{name} must be str or None, not {type(text).__name__}")
    path = path.encode() if isinstance(path, str) else data_bytes(path, "path")
    if b"\0" in path:
        raise ValueError("path must not contain a zero byte")
    iface = PanelinkSimInterface(
        vendor_id=integer(vendor_id, "vendor_id", 0, 0xFFFF),
        product_id=integer(product_id, "product_id", 0, 0xFFFF),
        version_number=integer(version, "version", 0, 0xFFFF),
        path=path,
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
