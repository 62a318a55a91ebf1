"""The family's output commands as methods of Board. Each builds one output report in the
library and sends it; each returns the bytes written and raises WriteFailedError when the board
did not take the report. Data shorter than a command's fixed length is filled up (zeros, or
spaces for LCD text); longer data and out-of-range numbers raise ValueError."""
import ctypes

from . import _library
from ._arguments import byte, fixed_bytes, terminated, text_bytes
from ._library import lock
from .errors import UnsupportedReportError, WriteFailedError

MAX_COMMAND_REPORT = 68  # the commands refuse boards with longer output reports
CRT_RWR_MAX_VALUES = 13
GLCD_LINE = 24
LCD_TEXT = 20


class OutputCommands:
    def _sent(self, written):
        if written == 0:
            raise WriteFailedError(self, "the board did not take the output report")
        return written

    def _command(self, name, *arguments):
        with lock:
            record = self._record()
            if not 0 < record.OutputReportByteLength <= MAX_COMMAND_REPORT:
                raise UnsupportedReportError(
                    self,
                    f"output reports of {record.OutputReportByteLength} bytes do not take "
                    f"commands (1 to {MAX_COMMAND_REPORT})",
                )
            function = getattr(_library.library(), name)
            return self._sent(function(ctypes.byref(record), *arguments))

    def write_direct_output(self, port, data):
        """Direct digital outputs of the module at `port`: 15 bytes."""
        return self._command("WriteDirectOutput", byte(port, "port"), fixed_bytes(data, 15, "data"))

    def write_mux_output(self, port, data):
        """Multiplexed digital outputs: 56 bytes."""
        return self._command("WriteMuxOutput", byte(port, "port"), fixed_bytes(data, 56, "data"))

    def write_latched_output(self, port, states, parameter=0):
        """Latched digital outputs: up to 64 states, each 0 or 1 (False or True)."""
        states = [int(state) for state in states]
        if any(state not in (0, 1) for state in states):
            raise ValueError("latched output states must be 0 or 1")
        buffer = fixed_bytes(bytes(states), 64, "states")
        return self._command(
            "WriteLatchedOutput", byte(port, "port"), buffer, byte(parameter, "parameter")
        )

    def write_spi_dac(self, port, data, parameter=0):
        """SPI digital-to-analogue converter: 40 bytes."""
        return self._command(
            "WriteSPIDAC", byte(port, "port"), fixed_bytes(data, 40, "data"),
            byte(parameter, "parameter"),
        )

    def glcd_command(self, port, command, parameter=0):
        """One command byte to the graphic LCD at `port`."""
        return self._command(
            "CmdGLCD", byte(port, "port"), byte(parameter, "parameter"), byte(command, "command")
        )

    def write_glcd(self, port, lines, position=0, parameter=0):
        """Text on the graphic LCD: one line (str or bytes) or a sequence of up to 2 lines, each
        up to 24 characters, filled up with spaces."""
        if isinstance(lines, (str, bytes, bytearray)):
            lines = [lines]
        lines = list(lines)
        if not 1 <= len(lines) <= 2:
            raise ValueError(f"the graphic LCD takes 1 or 2 lines, not {len(lines)}")
        text = b"".join(
            bytes(fixed_bytes(text_bytes(line, "line"), GLCD_LINE, "line", b" ")) for line in lines
        )
        return self._command(
            "WriteGLCD", byte(port, "port"), byte(position, "position"), len(lines),
            byte(parameter, "parameter"), text,
        )

    def write_dot_matrix(self, port, patterns, parameter=0):
        """Dot-matrix display: 16 pattern bytes."""
        return self._command(
            "WriteDotMatrix", byte(port, "port"), fixed_bytes(patterns, 16, "patterns"),
            byte(parameter, "parameter"),
        )

    def write_crt_rwr(self, port, value, values=(), start_index=0):
        """CRT/RWR display: `value` and values[start_index:] (at most 13 of them, each a 32-bit
        number, signed or not)."""
        start_index = byte(start_index, "start_index")
        values = [int(v) for v in values]
        count = len(values) - start_index
        if not 0 <= count <= CRT_RWR_MAX_VALUES:
            raise ValueError(
                f"values[{start_index}:] must hold 0 to {CRT_RWR_MAX_VALUES} values, not {count}"
            )
        if any(not -(2**31) <= v < 2**32 for v in values):
            raise ValueError("CRT/RWR values must fit in 32 bits")
        array = (ctypes.c_int32 * max(len(values), 1))(
            *[v - 2**32 if v >= 2**31 else v for v in values]
        )
        return self._command(
            "WriteCRTRWR", byte(port, "port"), byte(value, "value"), count, start_index, array
        )

    def write_7segment(self, data):
        """The board's own seven-segment digits: 2 bytes, passed through."""
        return self._command("Write7Segment", fixed_bytes(data, 2, "data"))

    def clear_lcd(self):
        """Clears the character LCD."""
        return self._command("ClearLCD", 0)

    def write_lcd(self, text, selector=0, parameter=0):
        """Character LCD: up to 20 characters, filled up with spaces."""
        buffer = bytes(fixed_bytes(text_bytes(text, "text"), LCD_TEXT, "text", b" "))
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
