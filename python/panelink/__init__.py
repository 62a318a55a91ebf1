"""panelink for Python: the family's USB interface boards through the panelink library.

    import panelink
    with panelink.detect("standard") as boards:   # closed at the end of the block
        for board in boards:
            print(board.index, board.product, board.serial)
        states = boards[0].poll()   # bytes when a report came, else None
    with panelink.monitor() as events:   # boards arriving and leaving, as they do
        for event in events:
            print(event.event, event.path)

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
    MonitorClosedError,
    MonitorError,
    PanelinkError,
    UnsupportedReportError,
    WriteFailedError,
)
from .board_monitor import BoardEvent, Monitor, monitor
from .session import Boards, Mode, close, detect, version
from .status import Status

__version__ = "1.0.0"

__all__ = [
    "Board", "BoardClosedError", "BoardEvent", "Monitor", "MonitorClosedError", "MonitorError", "BoardError", "BoardFailedError", "Boards", "DetectionError",
    "LibraryNotFoundError", "Mode", "PanelinkError", "Status", "UnsupportedReportError",
    "WriteFailedError", "close", "detect", "monitor", "library_path", "simulation", "version",
    "CRTRWR_MAX_VALUES", "DIRECT_OUTPUT_BYTES", "DOT_MATRIX_BYTES", "GLCD_LINE_BYTES",
    "INPUT_STATES_SIZE", "LATCHED_OUTPUT_STATES", "LCD_CHARS", "MAX_DEVICES", "MUX_OUTPUT_BYTES",
    "SPI_DAC_BYTES",
]
