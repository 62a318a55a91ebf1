"""Board monitor: the board interfaces that arrive and leave, as they do, without polling.

    with panelink.monitor(snapshot=True) as events:
        for event in events:            # blocks until the next event
            print(event.event, hex(event.product_id), event.path)

Each monitor gets every event from the moment it opens (with snapshot=True, first an arrival for
each board present). The library queues the events; a program takes them with iteration or
next(), or waits on fileno() in its own event loop.
"""
import ctypes
import dataclasses
import locale
import math
import threading
import time

from . import _library
from ._records import (
    BOARD_ARRIVED,
    MONITOR_CLOSED,
    MONITOR_EVENT,
    MONITOR_SNAPSHOT,
    MONITOR_TIMEOUT,
    WAIT_FOREVER,
    PanelinkBoardEvent,
)
from .errors import MonitorClosedError, MonitorError

# The longest single wait inside the library: between two waits Python runs its signal handlers,
# so Ctrl-C ends a wait for the next event within this time.
_WAIT_SLICE_S = 0.25


def _field_text(raw):
    # The event's texts are zero-terminated 8-bit text in the process's locale.
    encoding = getattr(locale, "getencoding", lambda: locale.getpreferredencoding(False))()
    return bytes(raw).split(b"\0", 1)[0].decode(encoding, errors="replace")


@dataclasses.dataclass(frozen=True)
class BoardEvent:
    """One board interface that arrived or left. A departure carries the identity of the
    interface's arrival. The attributes and their values are those of `panelink monitor --json`.
    """

    event: str  # "arrived" or "left"
    vendor_id: int
    product_id: int
    version: int  # the device's release number
    path: str  # the interface path, as Board.path of a detection
    serial: str  # "" when the interface gives none
    config_interface: int  # 1 for a configuration interface, else 0
    # An arrival whose interface could not be opened for reading and writing (e.g. for want of
    # permission) has opened False and the system's error code in `error`.
    opened: bool = True
    error: int = 0


def _raw_field(record, name):
    field = getattr(PanelinkBoardEvent, name)
    return ctypes.string_at(ctypes.addressof(record) + field.offset, field.size)


def _event(record):
    arrived = record.event == BOARD_ARRIVED
    return BoardEvent(
        event="arrived" if arrived else "left",
        vendor_id=record.vendor_id,
        product_id=record.product_id,
        version=record.version,
        path=_field_text(_raw_field(record, "path")),
        serial=_field_text(_raw_field(record, "serial")),
        config_interface=1 if record.config_interface else 0,
        opened=bool(record.opened) or not arrived,
        error=record.error,
    )


class Monitor:
    """A queue of board arrivals and departures (see panelink.monitor()). Iterating blocks until
    the next event; the iteration ends when the monitor is closed, also by another thread while
    it waits. next(timeout) gives an event or None. A closed monitor's next() and fileno() raise
    MonitorClosedError. Any thread may close it; close() wakes a thread waiting in it at once."""

    def __init__(self, snapshot=False):
        self._lock = threading.Lock()
        self._closed = False
        self._id = _library.call("panelink_monitor_open", MONITOR_SNAPSHOT if snapshot else 0)
        if not self._id:
            self._closed = True
            raise MonitorError("the board monitor could not be opened: the system's device "
                               "notifications cannot be followed")

    @property
    def closed(self):
        return self._closed

    def _check_open(self):
        if self._closed:
            raise MonitorClosedError("the board monitor is closed")

    def _take(self, wait_ms):
        record = PanelinkBoardEvent()
        result = _library.call("panelink_monitor_next", self._id, ctypes.byref(record), wait_ms)
        if result == MONITOR_EVENT:
            return _event(record)
        if result == MONITOR_TIMEOUT:
            return None
        if result == MONITOR_CLOSED:
            raise MonitorClosedError("the board monitor was closed")
        raise MonitorError(f"the board monitor failed ({result})")

    def next(self, timeout=None):
        """The next event, waiting at most `timeout` seconds (a float; 0 just looks; None waits
        as long as it takes); None when the time passed with no event. Raises
        MonitorClosedError when the monitor is closed, or is closed during the wait."""
        if timeout is not None:
            if isinstance(timeout, bool) or not isinstance(timeout, (int, float)):
                raise TypeError(f"timeout must be a number of seconds or None, not {timeout!r}")
            if math.isnan(timeout) or timeout < 0:
                raise ValueError(f"timeout must be 0 or more seconds, not {timeout!r}")
        self._check_open()
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            left = _WAIT_SLICE_S if deadline is None else min(deadline - time.monotonic(),
                                                              _WAIT_SLICE_S)
            wait_ms = max(0, min(math.ceil(left * 1000), WAIT_FOREVER - 1))
            event = self._take(wait_ms)
            if event is not None or (deadline is not None and time.monotonic() >= deadline):
                return event

    def __iter__(self):
        return self

    def __next__(self):
        self._check_open()
        try:
            return self.next()
        except MonitorClosedError:
            raise StopIteration from None

    def fileno(self):
        """What an event loop waits on (selectors, select(), poll()): on POSIX a file descriptor
        that is readable while the monitor holds an event (do not read from it; take the events
        with next()). On Windows the number is an event HANDLE, signalled while the monitor holds
        an event, for WaitForSingleObject/WaitForMultipleObjects; it is not a socket, so
        Windows' select() and selectors cannot wait on it. Valid until close()."""
        self._check_open()
        handle = _library.call("panelink_monitor_wait_handle", self._id)
        if handle == -1:
            raise MonitorClosedError("the board monitor is closed")
        return handle

    def close(self):
        """Closes the monitor; a thread waiting for its next event wakes at once. Closing a
        closed monitor does nothing."""
        with self._lock:
            if self._closed:
                return
            self._closed = True
        _library.call("panelink_monitor_close", self._id)

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()
        return False

    def __del__(self):
        if getattr(self, "_id", 0) and not getattr(self, "_closed", True):
            try:
                self.close()
            except Exception:  # the interpreter may be shutting down
                pass


def monitor(snapshot=False):
    """Opens a board monitor: the arrivals and departures of board interfaces from now on; with
    snapshot=True it starts with an arrival for each board present. Raises MonitorError when the
    system's device notifications cannot be followed. Use it as a context manager, or close()
    it."""
    return Monitor(snapshot=bool(snapshot))
