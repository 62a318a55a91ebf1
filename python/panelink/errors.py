"""The exceptions of the panelink package."""


class PanelinkError(Exception):
    """Base of every error the package raises."""


class LibraryNotFoundError(PanelinkError, OSError):
    """The panelink shared library could not be found or loaded."""


class DetectionError(PanelinkError):
    """The system could not list its HID interfaces."""


class BoardError(PanelinkError):
    """A board could not do what was asked of it. `board` is the Board concerned."""

    def __init__(self, board, message):
        super().__init__(f"{board.describe()}: {message}")
        self.board = board


class BoardClosedError(BoardError):
    """The board's record was closed (panelink.close(), the end of a `with` block, or a later
    detection); it cannot be used any more."""


class BoardFailedError(BoardError):
    """A read failed: the board is gone, or waiting on it failed. Detect the boards again."""


class UnsupportedReportError(BoardError):
    """The board's report lengths do not allow the request (e.g. a board without a usable
    report descriptor)."""


class WriteFailedError(BoardError):
    """The board did not take an output report within the library's 100 ms, or the system
    refused it. The board stays usable."""


class MonitorError(PanelinkError):
    """A board monitor could not be opened (the system's device notifications cannot be
    followed), or failed."""


class MonitorClosedError(MonitorError):
    """The board monitor was closed (close(), the end of a `with` block); it gives no more
    events."""
