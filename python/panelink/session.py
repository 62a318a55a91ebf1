"""Detection and closing of the boards. One detection is open at a time: the library keeps its
polled reads per record position, which two open detections would share, so a new detection
closes the boards of the one before.

No lock is held across a library call: a detection takes turns with other detections inside the
library, and calls on boards already open go on meanwhile. The lock here guards only which
detection is the current one, and whether a detection's records are closed."""
import ctypes
import enum
import threading

from . import _library
from ._arguments import integer
from ._records import MAX_DEVICES, DeviceRecord
from .board import Board
from .errors import DetectionError

_state_lock = threading.Lock()


class Mode(enum.IntEnum):
    """What a detection looks for."""

    STANDARD = 255  # the standard product list
    FLASH = 1  # boards presenting themselves for firmware flashing
    DEVICES = 2  # configuration interfaces of dual-interface boards
    REPORT = 3  # the report-type boards 0x0800 and 0x1500
    ALL_DEVICES = 4  # a short list of input/output boards


def _mode_value(mode):
    names = ", ".join(m.name.lower() for m in Mode)
    if isinstance(mode, str):
        try:
            return Mode[mode.strip().upper().replace("-", "_")]
        except KeyError:
            raise ValueError(f"unknown detection mode {mode!r} (one of {names})") from None
    if isinstance(mode, bool):
        raise TypeError(f"mode must be a Mode, its name or its number, not {mode!r}")
    value = integer(mode, "mode")
    try:
        return Mode(value)
    except ValueError:
        numbers = ", ".join(str(int(m)) for m in Mode)
        raise ValueError(f"unknown detection mode {value} (one of {numbers})") from None


class _Session:
    """The record array of one detection, shared by its boards."""

    def __init__(self):
        self.records = (DeviceRecord * MAX_DEVICES)()
        self.count = 0
        self.closed = False

    def close(self):
        # Marked closed first, so that of two threads closing it one closes the records; a call
        # racing the close on another thread ends as the library documents it.
        with _state_lock:
            if self.closed:
                return
            self.closed = True
        _library.call("CloseDevices", self.count, self.records)


class Boards(list):
    """The boards of one detection (a list); as a context manager it closes them at its end:
    `with panelink.detect() as boards:`."""

    def __init__(self, session, boards):
        super().__init__(boards)
        self._session = session

    @property
    def closed(self):
        return self._session.closed

    def close(self):
        self._session.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()
        return False


_current = None


def detect(mode="standard", product_id=None):
    """Finds and opens the boards that `mode` accepts ("standard", "flash", "devices",
    "report", "all_devices", a Mode, or its number), only those of `product_id` (0 to 0xFFFF)
    when given. Closes the boards of an earlier detection first. Returns the boards, a list of
    Board that closes them at the end of a `with` block:

        with panelink.detect() as boards:
            ...
    """
    global _current
    mode = _mode_value(mode)
    if product_id is not None:
        product_id = integer(product_id, "product_id", 0, 0xFFFF)
    close()
    session = _Session()
    count = ctypes.c_int32(-1)  # left untouched when the system cannot list its interfaces
    if product_id is None:
        found = _library.call("DetectHID", ctypes.byref(count), session.records, int(mode))
    else:
        found = _library.call(
            "DetectDevice", ctypes.byref(count), session.records, product_id, int(mode)
        )
    session.count = max(count.value, 0)
    # Of detections on several threads at once, the one that ends last stays open.
    with _state_lock:
        before, _current = _current, session
    if before is not None:
        before.close()
    if not found and count.value < 0:
        raise DetectionError("the system's HID interfaces could not be listed")
    return Boards(session, [Board(session, n) for n in range(session.count)])


def close():
    """Closes the boards of the last detection; their records cannot be used afterwards."""
    with _state_lock:
        current = _current
    if current is not None:
        current.close()


def version():
    """The loaded library's version text, e.g. "1.0.0"."""
    return _library.call("panelink_version").decode("ascii")
