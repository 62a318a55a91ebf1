"""The family's output commands as methods of Board. Each builds one output report in the
library and sends it; each returns the bytes written and raises WriteFailedError when the board
did not take the report. Data shorter than a command's fixed length is filled up (zeros, or
spaces for LCD text); longer data and out-of-range numbers raise ValueError, arguments of the
wrong kind TypeError."""
import ctypes

from . import _library
from ._arguments import byte, fixed_bytes, flag, integer, terminated, text_bytes
from ._records import (
    CRTRWR_MAX_VALUES,
    DIRECT_OUTPUT_BYTES,
    DOT_MATRIX_BYTES,
    GLCD_LINE_BYTES,
    LATCHED_OUTPUT_STATES,
    LCD_CHARS,
    MUX_OUTPUT_BYTES,
    SPI_DAC_BYTES,
)
from .errors import UnsupportedReportError, WriteFailedError

MAX_COMMAND_REPORT = 68  # the commands refuse boards with longer output reports
SEVEN_SEGMENT_BYTES = 2  # Write7Segment(): bytes passed through


class OutputCommands:
    def _sent(self, written):
        if written == 0:
            raise WriteFailedError(self, "the board did not take the output report")
        return written

    def _command(self, name, *arguments):
        record = self._record()
        if not 0 < record.OutputReportByteLength <= MAX_COMMAND_REPORT:
            raise UnsupportedReportError(
                self,
                f"output reports of {record.OutputReportByteLength} bytes do not take "
                f"commands (1 to {MAX_COMMAND_REPORT})",
            )
        return self._sent(_library.call(name, ctypes.byref(record), *arguments))

    def write_direct_output(self, port, data):
        """Direct digital outputs of the module at `port`: DIRECT_OUTPUT_BYTES (15) bytes."""
        return self._command(
            "WriteDirectOutput", byte(port, "port"),
            fixed_bytes(data, DIRECT_OUTPUT_BYTES, "data"),
        )

    def write_mux_output(self, port, data):
        """Multiplexed digital outputs: MUX_OUTPUT_BYTES (56) bytes."""
        return self._command(
            "WriteMuxOutput", byte(port, "port"), fixed_bytes(data, MUX_OUTPUT_BYTES, "data")
        )

    def write_latched_output(self, port, states, parameter=0):
        """Latched digital outputs: up to LATCHED_OUTPUT_STATES (64) states, each 0 or 1 (False
        or True)."""
        if isinstance(states, (str, int)) or not hasattr(states, "__iter__"):
            raise TypeError(
                f"states must be a sequence of 0 or 1 (or bools), not {type(states).__name__}"
            )
        states = bytes(flag(state, "each latched output state") for state in states)
        buffer = fixed_bytes(states, LATCHED_OUTPUT_STATES, "states")
        return self._command(
            "WriteLatchedOutput", byte(port, "port"), buffer, byte(parameter, "parameter")
        )

    def write_spi_dac(self, port, data, parameter=0):
        """SPI digital-to-analogue converter: SPI_DAC_BYTES (40) bytes."""
        return self._command(
            "WriteSPIDAC", byte(port, "port"), fixed_bytes(data, SPI_DAC_BYTES, "data"),
            byte(parameter, "parameter"),
        )

    def glcd_command(self, port, command, parameter=0):
        """One command byte to the graphic LCD at `port`."""
        return self._command(
            "CmdGLCD", byte(port, "port"), byte(parameter, "parameter"), byte(command, "command")
        )

    def write_glcd(self, port, lines, position=0, parameter=0):
        """Text on the graphic LCD: one line (str or bytes) or a sequence of up to 2 lines, each
        up to GLCD_LINE_BYTES (24) characters, filled up with spaces."""
        if isinstance(lines, (str, bytes, bytearray, memoryview)):
            lines = [lines]
        elif not hasattr(lines, "__iter__"):
            raise TypeError(
                f"lines must be a text or a sequence of texts, not {type(lines).__name__}"
            )
        lines = list(lines)
        if not 1 <= len(lines) <= 2:
            raise ValueError(f"the graphic LCD takes 1 or 2 lines, not {len(lines)}")
        text = b"".join(
            bytes(fixed_bytes(text_bytes(line, "line"), GLCD_LINE_BYTES, "line", b" "))
            for line in lines
        )
        return self._command(
            "WriteGLCD", byte(port, "port"), byte(position, "position"), len(lines),
            byte(parameter, "parameter"), text,
        )

    def write_dot_matrix(self, port, patterns, parameter=0):
        """Dot-matrix display: DOT_MATRIX_BYTES (16) pattern bytes."""
        return self._command(
            "WriteDotMatrix", byte(port, "port"),
            fixed_bytes(patterns, DOT_MATRIX_BYTES, "patterns"),
            byte(parameter, "parameter"),
        )

    def write_crt_rwr(self, port, value, values=(), start_index=0):
        """CRT/RWR display: `value` and values[start_index:] (at most CRTRWR_MAX_VALUES, 13, of
        them, each a 32-bit number, signed or not)."""
        start_index = byte(start_index, "start_index")
        if isinstance(values, (str, bytes, int)) or not hasattr(values, "__iter__"):
            raise TypeError(f"values must be a sequence of integers, not {type(values).__name__}")
        values = [integer(v, "each CRT/RWR value", -(2**31), 2**32 - 1) for v in values]
        count = len(values) - start_index
        if not 0 <= count <= CRTRWR_MAX_VALUES:
            raise ValueError(
                f"values[{start_index}:] must hold 0 to {CRTRWR_MAX_VALUES} values, not {count}"
            )
        array = (ctypes.c_int32 * max(len(values), 1))(
            *[v - 2**32 if v >= 2**31 else v for v in values]
        )
        return self._command(
            "WriteCRTRWR", byte(port, "port"), byte(value, "value"), count, start_index, array
        )

    def write_7segment(self, data):
        """The board's own seven-segment digits: 2 bytes, passed through."""
        return self._command("Write7Segment", fixed_bytes(data, SEVEN_SEGMENT_BYTES, "data"))

    def clear_lcd(self):
        """Clears the character LCD."""
        return self._command("ClearLCD", 0)

    def write_lcd(self, text, selector=0, parameter=0):
        """Character LCD: up to LCD_CHARS (20) characters, filled up with spaces."""
        buffer = bytes(fixed_bytes(text_bytes(text, "text"), LCD_CHARS, "text", b" "))
        return self._command(
            "WriteLCD", 0, byte(selector, "selector"), buffer, byte(parameter, "parameter")
        )

    def write_display_output(self, port, text, parameter=0):
        """Numeric text right-aligned on the seven-segment module at `port`: "0"-"9", "-", " "
        and "." (lights the decimal point of the digit on its left); 7 digits are shown."""
        return self._command(
            "WriteDisplayOutput", byte(port, "port"), terminated(text, None, "text"),
            byte(parameter, "parameter"),
        )

    def write_tandem(self, group1, group2, digit, tail=b"\0\0", parameter=0):
        """The TANDEM display: two texts of up to 4 digits (with "." at most 8 characters;
        "0"-"9", "-", "L", "P", "=", "r", " ", "."), the pattern number of the single digit
        (0-9 digits, 10 minus, 11 L, 12 P, 13 "=", 14 blank, 15 r) and 2 bytes passed through."""
        layout = (
            terminated(group1, 9, "group1")
            + terminated(group2, 9, "group2")
            + bytes([byte(digit, "digit"), 0])
            + bytes(fixed_bytes(tail, 2, "tail"))
        )
        return self._command("WriteTANDEM", layout, byte(parameter, "parameter"))
