"""Checks of the values handed to the library, so that a wrong one raises TypeError (wrong kind)
or ValueError (out of range) naming the argument, instead of being cut to its low bits, read
past its end, or failing deep inside ctypes."""
import ctypes
import operator

_BYTES_LIKE = (bytes, bytearray, memoryview)


def integer(value, name, low=None, high=None):
    """An integer argument (int, or anything with __index__; not float or str) in low..high."""
    try:
        value = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None
    if low is not None and value < low or high is not None and value > high:
        if high is None:
            allowed = f"at least {low}"
        elif low is None:
            allowed = f"at most {high}"
        else:
            allowed = f"{low} to {high}"
        raise ValueError(f"{name} must be {allowed}, not {value}")
    return value


def byte(value, name):
    """A byte-sized argument (port, parameter, command, ...): 0 to 255."""
    return integer(value, name, 0, 255)


def flag(value, name):
    """A yes/no argument: True, False, 0 or 1."""
    if isinstance(value, bool):
        return value
    return bool(integer(value, name, 0, 1))


def data_bytes(data, name):
    """`data` as bytes: bytes-like, or an iterable of 0-255 ints. A str or a single int is
    refused (bytes(5) would be five zero bytes)."""
    if isinstance(data, _BYTES_LIKE):
        return bytes(data)
    if isinstance(data, (str, int)) or not hasattr(data, "__iter__"):
        raise TypeError(
            f"{name} must be bytes or a sequence of 0-255 integers, not {type(data).__name__}"
        )
    return bytes(byte(value, f"each byte of {name}") for value in data)


def fixed_bytes(data, size, name, fill=b"\0"):
    """`data` (see data_bytes) as a ctypes buffer of exactly `size` bytes, filled up with `fill`;
    longer data raises ValueError."""
    data = data_bytes(data, name)
    if len(data) > size:
        raise ValueError(f"{name} takes at most {size} bytes, not {len(data)}")
    return (ctypes.c_uint8 * size).from_buffer_copy(data.ljust(size, fill))


def text_bytes(text, name):
    """A display text: bytes as they are, str as ASCII (pass bytes for other characters)."""
    if isinstance(text, _BYTES_LIKE):
        return bytes(text)
    if not isinstance(text, str):
        raise TypeError(f"{name} must be str or bytes, not {type(text).__name__}")
    try:
        return text.encode("ascii")
    except UnicodeEncodeError:
        raise ValueError(f"{name} must be ASCII text or bytes: {text!r}") from None


def terminated(text, size, name):
    """A zero-terminated text of at most `size` - 1 characters in a zero-filled field of `size`
    bytes (size None: just terminated)."""
    data = text_bytes(text, name)
    if b"\0" in data:
        raise ValueError(f"{name} must not contain a zero byte")
    if size is not None and len(data) > size - 1:
        raise ValueError(f"{name} takes at most {size - 1} characters, not {len(data)}")
    return data.ljust(size if size is not None else len(data) + 1, b"\0")
