"""panelink for Python: the family's USB interface boards through the panelink library.

    import panelink
    with panelink.detect("standard") as boards:   # closed at the end of the block
        for board in boards:
            print(board.index, board.product, board.serial)
        states = boards[0].poll()   # bytes when a report came, else None

The library is found through PANELINK_LIBRARY (a path), then beside this package, then the
system's. panelink.simulation plugs in virtual boards.
"""
from . import simulation
from ._library import loaded_from as library_path
from ._records import (
    CRTRWR_MAX_VALUES,
    DIRECT_OUTPUT_BYTES,
    DOT_MATRIX_BYTES,
    GLCD_LINE_BYTES,
    INPUT_STATES_SIZE,
    LATCHED_OUTPUT_STATES,
    LCD_CHARS,
    MAX_DEVICES,
    MUX_OUTPUT_BYTES,
    SPI_DAC_BYTES,
)
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
from .session import Boards, Mode, close, detect, version
from .status import Status

__version__ = "1.0.0"

__all__ = [
    "Board", "BoardClosedError", "BoardError", "BoardFailedError", "Boards", "DetectionError",
    "LibraryNotFoundError", "Mode", "PanelinkError", "Status", "UnsupportedReportError",
    "WriteFailedError", "close", "detect", "library_path", "simulation", "version",
    "CRTRWR_MAX_VALUES", "DIRECT_OUTPUT_BYTES", "DOT_MATRIX_BYTES", "GLCD_LINE_BYTES",
    "INPUT_STATES_SIZE", "LATCHED_OUTPUT_STATES", "LCD_CHARS", "MAX_DEVICES", "MUX_OUTPUT_BYTES",
    "SPI_DAC_BYTES",
]
