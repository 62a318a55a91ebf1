"""panelink for Python: the family's USB interface boards through the panelink library.

    import panelink
    with panelink.open("standard") as boards:
        for board in boards:
            print(board.index, board.product, board.serial)
        states = boards[0].poll()   # bytes when a report came, else None

The library is found through PANELINK_LIBRARY (a path), then beside this package, then the
system's. panelink.simulation plugs in virtual boards.
"""
from . import simulation
from ._library import loaded_from as library_path
from .board import Board
from .errors import (
    BoardClosedError,
    BoardError,
    BoardFailedError,
    DetectionError,
    LibraryNotFoundError,
    PanelinkError,
    UnsupportedReportError,
    WriteFailedError,
)
from .session import Boards, Mode, close, detect, open, version
from .status import Status

__version__ = "1.0.0"

__all__ = [
    "Board", "BoardClosedError", "BoardError", "BoardFailedError", "Boards", "DetectionError",
    "LibraryNotFoundError", "Mode", "PanelinkError", "Status", "UnsupportedReportError",
    "WriteFailedError", "close", "detect", "library_path", "open", "simulation", "version",
]
