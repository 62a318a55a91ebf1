"""One detected board interface: its identity as Python values, its inputs and its raw reports."""
import ctypes
import locale
import threading

from . import _library
from ._arguments import data_bytes, flag
from ._outputs import OutputCommands
from ._records import (
    INPUT_STATES_SIZE,
    READ_DECODED,
    READ_PENDING,
    READ_TIMED_OUT,
    StatusRecord,
    record_text,
)
from ._texts import escape_controls
from .errors import BoardClosedError, BoardFailedError, UnsupportedReportError
from .status import Status


def _text(record, field, length_field):
    # The record's texts are 8-bit text in the process's locale.
    encoding = getattr(locale, "getencoding", lambda: locale.getpreferredencoding(False))()
    return record_text(record, field, length_field).decode(encoding, errors="replace")


class Board(OutputCommands):
    """A board interface found by panelink.detect(). Its identity attributes are plain values,
    read when it was detected; its methods use the library's record, and raise BoardClosedError
    once the boards were closed.

    Threads: any method may be called from any thread, and a call that waits for one board
    (read(), status(), a write) holds up no call on another. poll() keeps one outstanding read
    per board: keep each board's polls on one thread (they take turns otherwise)."""

    def __init__(self, session, position):
        self._session = session
        self._position = position
        record = session.records[position]
        self.index = record.DeviceIndex
        self.vendor_id = record.VendorID
        self.product_id = record.ProductID
        self.version = record.VersionNumber
        self.manufacturer = _text(record, "Manufacturer", "ManufacturerLength")
        self.product = _text(record, "ProductName", "ProductNameLength")
        self.serial = _text(record, "SerialNumber", "SerialNumberLength")
        self.path = _text(record, "DevicePath", "DevicePathLength")
        self.inputs = record.InputCount
        self.ports = record.PortCount
        self.input_report_length = record.InputReportByteLength
        self.output_report_length = record.OutputReportByteLength
        self.usage = record.Usage
        self.usage_page = record.UsagePage
        self.is_config_interface = bool(record.IsConfigInterface)
        # poll()'s state: the decoded states of each form, and whether the library holds an
        # outstanding polled read for this board. The polled read never blocks, so its lock is
        # held across the call.
        self._poll_lock = threading.Lock()
        self._states = {
            packed: (ctypes.c_uint8 * INPUT_STATES_SIZE)() for packed in (False, True)
        }
        self._reading = False

    def describe(self):
        """"board <index> (<product>, <path>)", for messages; control characters in the
        device's texts are shown as \\xNN, so a text cannot act on a terminal."""
        product = escape_controls(self.product) if self.product else "unnamed"
        return f"board {self.index} ({product}, {escape_controls(self.path)})"

    def __repr__(self):
        return (
            f"<panelink.Board {self.index} {self.vendor_id:04x}:{self.product_id:04x} "
            f"{self.product!r} serial {self.serial!r}{' closed' if self.closed else ''}>"
        )

    @property
    def closed(self):
        return self._session.closed or self._session.records[self._position].Handle == 0

    @property
    def is_joystick(self):
        return self.usage_page == 1 and self.usage == 4

    def _record(self):
        """The open record."""
        if self.closed:
            raise BoardClosedError(self, "the board was closed; detect the boards again")
        return self._session.records[self._position]

    def _readable_record(self):
        record = self._record()
        if not 2 <= record.InputReportByteLength <= 65:
            raise UnsupportedReportError(
                self,
                f"input reports of {record.InputReportByteLength} bytes cannot be read "
                "(2 to 65 bytes, report ID included)",
            )
        return record

    def state_count(self, packed=False):
        """How many input states a decode gives: one per button of a joystick, else one per
        input bit (packed=False) or one per report data byte (packed=True)."""
        packed = flag(packed, "packed")
        if self.is_joystick:
            return min(self.inputs, INPUT_STATES_SIZE) if self.inputs > 0 else INPUT_STATES_SIZE
        data_bytes = max(self.input_report_length - 1, 0)
        return min(data_bytes if packed else 8 * data_bytes, INPUT_STATES_SIZE)

    def poll(self, packed=False):
        """The input states when a report has come since the last call (bytes, one per input
        or, packed (True or 1), one per report data byte), None when none has. Never blocks."""
        packed = flag(packed, "packed")
        with self._poll_lock:
            record = self._readable_record()
            states = self._states[packed]
            # At most: the read times out and is restarted, then looked at once more.
            for _ in range(3):
                result = _library.call(
                    "ReadInputData", ctypes.byref(record), states, int(packed)
                )
                if result == READ_DECODED:
                    self._reading = True
                    return bytes(states[: self.state_count(packed)])
                if result == READ_PENDING:
                    if self._reading:
                        return None
                    # That call only started the board's read: look once more at once, so a
                    # report already waiting comes now rather than at the next poll.
                    self._reading = True
                elif result == READ_TIMED_OUT:
                    # No report for 1000 ms: the library cancelled the read; start the next.
                    self._reading = False
                else:
                    self._reading = False
                    raise BoardFailedError(self, "reading failed: the board is gone or the wait failed")
            return None

    def read(self):
        """Waits up to 1000 ms for the next input report: its states in packed form (one byte
        per report data byte; a joystick's buttons one per byte), or None when none came. Do not
        mix with poll() on one board: each takes reports from the other."""
        record = self._readable_record()
        # A buffer of this call's own: the wait holds no lock, and calls may overlap. A packed
        # decode writes every position that the states returned cover.
        states = (ctypes.c_uint8 * INPUT_STATES_SIZE)()
        result = _library.call("ReadData", ctypes.byref(record), states)
        if result == READ_DECODED:
            return bytes(states[: self.state_count(True)])
        if result == READ_TIMED_OUT:
            return None
        raise BoardFailedError(self, "reading failed: the board is gone or the wait failed")

    def write(self, report):
        """Sends one raw output report (bytes, or a sequence of 0-255 ints), report ID byte first
        (0 for the family's boards), filled up with zeros to output_report_length. Returns the
        bytes written."""
        data = data_bytes(report, "report")
        record = self._record()
        length = record.OutputReportByteLength
        if length == 0:
            raise UnsupportedReportError(self, "the board takes no output reports")
        if len(data) > length:
            raise ValueError(f"the report has {len(data)} bytes, the board takes {length}")
        buffer = (ctypes.c_uint8 * length).from_buffer_copy(data.ljust(length, b"\0"))
        return self._sent(_library.call("WriteData", ctypes.byref(record), buffer))

    def status(self):
        """The board's usable ports, modules and flags (blocks while the board answers: up to
        2.2 s per port pair)."""
        record = self._record()
        status = StatusRecord()
        _library.call("RetrieveStatus", ctypes.byref(record), ctypes.byref(status))
        return Status(status)
