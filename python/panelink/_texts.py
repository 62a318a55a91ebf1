"""Device texts made safe to print. A board's texts come from the device, which can put any byte
in them: control characters (below 0x20, and 0x7F) are shown as \\xNN, as the library's detection
log writes them, so that a text cannot move the cursor or recolour a terminal."""
import re

_CONTROL = re.compile("[\x00-\x1f\x7f]")


def escape_controls(text):
    """`text` with each control character written as \\xNN (two upper-case hex digits)."""
    return _CONTROL.sub(lambda match: f"\\x{ord(match.group()):02X}", text)
