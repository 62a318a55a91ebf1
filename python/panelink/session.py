"""Detection and closing of the boards. One detection is open at a time: the library keeps its
polled reads per record position, which two open detections would share, so a new detection
closes the boards of the one before."""
import ctypes
import enum

from . import _library
from ._library import lock
from ._records import RECORD_ARRAY_LENGTH, DeviceRecord
from .board import Board
from .errors import DetectionError


class Mode(enum.IntEnum):
    """What a detection looks for."""

    STANDARD = 255  # the standard product list
    FLASH = 1  # boards presenting themselves for firmware flashing
    DEVICES = 2  # configuration interfaces of dual-interface boards
    REPORT = 3  # the report-type boards 0x0800 and 0x1500
    ALL_DEVICES = 4  # a short list of input/output boards


def _mode_value(mode):
    if isinstance(mode, str):
        try:
            return Mode[mode.strip().upper().replace("-", "_")]
        except KeyError:
            names = ", ".join(m.name.lower() for m in Mode)
            raise ValueError(f"unknown detection mode {mode!r} (one of {names})") from None
    return int(mode)


class _Session:
    """The record array of one detection, shared by its boards."""

    def __init__(self):
        self.records = (DeviceRecord * RECORD_ARRAY_LENGTH)()
        self.count = 0
        self.closed = False

    def close(self):
        with lock:
            if not self.closed:
                _library.library().CloseDevices(self.count, self.records)
                self.closed = True


class Boards(list):
    """The boards of one detection (a list); as a context manager it closes them at its end."""

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
    "report", "all_devices", a Mode, or the library's number), only those of `product_id` when
    given. Closes the boards of an earlier detection first. Returns a list of Board."""
    global _current
    mode = _mode_value(mode)
    with lock:
        close()
        lib = _library.library()
        session = _Session()
        count = ctypes.c_int32(-1)  # left untouched when the system cannot list its interfaces
        if product_id is None:
            found = lib.DetectHID(ctypes.byref(count), session.records, mode)
        else:
            found = lib.DetectDevice(ctypes.byref(count), session.records, int(product_id), mode)
        if not found and count.value < 0:
            raise DetectionError("the system's HID interfaces could not be listed")
        session.count = max(count.value, 0)
        _current = session
        return Boards(session, [Board(session, n) for n in range(session.count)])


def open(mode="standard", product_id=None):  # noqa: A001 (panelink.open by design)
    """As detect(), for `with panelink.open(mode) as boards:`, which closes them at its end."""
    return detect(mode, product_id)


def close():
    """Closes the boards of the last detection; their records cannot be used afterwards."""
    with lock:
        if _current is not None:
            _current.close()


def version():
    """The loaded library's version text, e.g. "1.0.0"."""
    return _library.call("panelink_version").decode("ascii")
