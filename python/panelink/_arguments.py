"""Checks of the values handed to the library, so that a wrong one raises ValueError instead of
being cut to its low bits or read past its end."""
import ctypes


def byte(value, name):
    """A byte-sized argument (port, parameter, command, ...): 0 to 255."""
    value = int(value)
    if not 0 <= value <= 255:
        raise ValueError(f"{name} must be 0 to 255, not {value}")
    return value


def fixed_bytes(data, size, name, fill=b"\0"):
    """`data` (bytes-like, or an iterable of 0-255 ints) as a ctypes buffer of exactly `size`
    bytes, filled up with `fill`; longer data raises ValueError."""
    if isinstance(data, str):
        data = text_bytes(data, name)
    data = bytes(data)
    if len(data) > size:
        raise ValueError(f"{name} takes at most {size} bytes, not {len(data)}")
    return (ctypes.c_uint8 * size).from_buffer_copy(data.ljust(size, fill))


def text_bytes(text, name):
    """A display text: bytes as they are, str as ASCII (pass bytes for other characters)."""
    if isinstance(text, (bytes, bytearray, memoryview)):
        return bytes(text)
    try:
        return str(text).encode("ascii")
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
