"""Board status (RetrieveStatus) as Python values."""
import re

from ._arguments import integer
from ._records import StatusRecord


def _python_name(field):
    # "PairInputFlags" -> "pair_input_flags", "ExtraFlagsA" -> "extra_flags_a"
    return re.sub(r"(?<!^)(?=[A-Z])", "_", field).lower()


class Status:
    """The board's status flags (1 = usable, 0 = not): each block of the status record as bytes,
    under the record field's name in lower case with underscores (port_present, port_fault,
    port_type, type1_flags, ...). `raw` holds the whole record."""

    BLOCKS = tuple(_python_name(name) for name, _ in StatusRecord._fields_ if "Reserved" not in name)

    def __init__(self, record):
        self.raw = bytes(record)
        for name, _ in StatusRecord._fields_:
            if "Reserved" not in name:
                setattr(self, _python_name(name), bytes(getattr(record, name)))

    def module_type(self, port):
        """The module type (1 to 7) on `port` (0 to 23) when the port is active, else None."""
        port = integer(port, "port", 0, len(self.port_present) - 1)
        if self.port_present[port] == 1 and self.port_fault[port] == 0:
            module = self.port_type[port]
            return module if 1 <= module <= 7 else None
        return None

    def __repr__(self):
        active = {p: self.module_type(p) for p in range(len(self.port_present)) if self.module_type(p)}
        return f"Status(active ports {active})"
