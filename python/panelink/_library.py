"""Finds and loads the panelink shared library and declares the signatures of its functions.

Lookup order: the path in the environment variable PANELINK_LIBRARY (only that one when it is
set), then a library file beside this package, then the system's library (its runtime name, then
whatever ctypes.util.find_library finds).
"""
import ctypes
import ctypes.util
import os
import struct
import sys
import threading

from ._records import DeviceRecord, PanelinkBoardEvent, PanelinkSimInterface, StatusRecord
from .errors import LibraryNotFoundError

ENVIRONMENT_VARIABLE = "PANELINK_LIBRARY"
PACKAGE_DIR = os.path.dirname(os.path.abspath(__file__))

# Guards the loading only. The library itself may be called from any number of threads at once
# (panelink.h, "Threads"), so no lock is held around its calls.
_load_lock = threading.Lock()

_loaded = None
_loaded_from = None


def _stdcall():
    """The library uses stdcall on 32-bit Windows."""
    return sys.platform == "win32" and struct.calcsize("P") == 4


def file_names():
    """The library's file names on this platform, the runtime name first."""
    if sys.platform == "win32":
        return ["panelink.dll"]
    if sys.platform == "darwin":
        return ["libpanelink.1.dylib", "libpanelink.dylib"]
    return ["libpanelink.so.1"]


def candidates(environ=None, package_dir=PACKAGE_DIR):
    """What is tried, in order: (where it comes from, path or name to load)."""
    environ = os.environ if environ is None else environ
    explicit = environ.get(ENVIRONMENT_VARIABLE)
    if explicit:
        return [(ENVIRONMENT_VARIABLE, explicit)]
    found = []
    for name in file_names():
        beside = os.path.join(package_dir, name)
        if os.path.isfile(beside):
            found.append(("beside the package", beside))
    found += [("system", name) for name in file_names()]
    system = ctypes.util.find_library("panelink")
    if system and system not in file_names():
        found.append(("system", system))
    return found


def _load_first():
    loader = ctypes.WinDLL if _stdcall() else ctypes.CDLL
    failures = []
    for origin, name in candidates():
        try:
            return loader(name), name
        except OSError as error:
            failures.append(f"{name} ({origin}): {error}")
    raise LibraryNotFoundError(
        "the panelink library could not be loaded; set PANELINK_LIBRARY to its path. Tried: "
        + "; ".join(failures)
    )


def library():
    """The loaded library, with its functions' signatures declared (loaded on first use)."""
    global _loaded, _loaded_from
    if _loaded is not None:
        return _loaded
    with _load_lock:
        if _loaded is None:
            lib, name = _load_first()
            _declare(lib)
            _loaded_from = name
            _loaded = lib  # set last: a thread that sees it sees the declared signatures
        return _loaded


def loaded_from():
    """The path or name the library was loaded from (loads it if needed)."""
    library()
    return _loaded_from


# The sim responder type has no calling-convention marker in the header: it is cdecl everywhere.
SIM_RESPONDER = ctypes.CFUNCTYPE(
    None, ctypes.c_int, ctypes.POINTER(ctypes.c_ubyte), ctypes.c_size_t, ctypes.c_void_p
)


def _declare(lib):
    i32, u32 = ctypes.c_int32, ctypes.c_uint32
    record = ctypes.POINTER(DeviceRecord)
    buffer = ctypes.POINTER(ctypes.c_uint8)
    text = ctypes.c_char_p
    signatures = {
        "panelink_version": (ctypes.c_char_p, []),
        "DetectHID": (i32, [ctypes.POINTER(i32), record, i32]),
        "DetectDevice": (i32, [ctypes.POINTER(i32), record, i32, i32]),
        "CloseDevices": (i32, [u32, record]),
        "ReadData": (i32, [record, buffer]),
        "ReadInputData": (i32, [record, buffer, i32]),
        "WriteData": (i32, [record, buffer]),
        "RetrieveStatus": (i32, [record, ctypes.POINTER(StatusRecord)]),
        "WriteDirectOutput": (i32, [record, i32, buffer]),
        "WriteMuxOutput": (i32, [record, i32, buffer]),
        "WriteLatchedOutput": (i32, [record, i32, buffer, i32]),
        "WriteSPIDAC": (i32, [record, i32, buffer, i32]),
        "CmdGLCD": (i32, [record, i32, i32, i32]),
        "WriteGLCD": (i32, [record, i32, i32, i32, i32, text]),
        "WriteDotMatrix": (i32, [record, i32, buffer, i32]),
        "WriteCRTRWR": (i32, [record, i32, i32, i32, i32, ctypes.POINTER(i32)]),
        "Write7Segment": (i32, [record, buffer]),
        "ClearLCD": (i32, [record, i32]),
        "WriteLCD": (i32, [record, i32, i32, text, i32]),
        "WriteDisplayOutput": (i32, [record, i32, text, i32]),
        "WriteTANDEM": (i32, [record, text, i32]),
        "panelink_monitor_open": (u32, [u32]),
        "panelink_monitor_next": (i32, [u32, ctypes.POINTER(PanelinkBoardEvent), u32]),
        "panelink_monitor_wait_handle": (ctypes.c_ssize_t, [u32]),
        "panelink_monitor_close": (i32, [u32]),
        "panelink_sim_enable": (ctypes.c_int, [ctypes.c_int]),
        "panelink_sim_reset": (None, []),
        "panelink_sim_add": (ctypes.c_int, [ctypes.POINTER(PanelinkSimInterface)]),
        "panelink_sim_remove": (ctypes.c_int, [ctypes.c_int]),
        "panelink_sim_push_input": (
            ctypes.c_int,
            [ctypes.c_int, ctypes.POINTER(ctypes.c_ubyte), ctypes.c_size_t],
        ),
        "panelink_sim_pop_output": (
            ctypes.c_size_t,
            [ctypes.c_int, ctypes.POINTER(ctypes.c_ubyte), ctypes.c_size_t],
        ),
        "panelink_sim_set_responder": (None, [ctypes.c_int, SIM_RESPONDER, ctypes.c_void_p]),
        "panelink_sim_set_fault": (ctypes.c_int, [ctypes.c_int, ctypes.c_int, ctypes.c_int]),
        "panelink_sim_advance_ms": (None, [ctypes.c_uint]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes


def call(name, *args):
    """Calls one library function (the package's only way into the library). Holds no lock: a
    call that blocks on one board holds up nothing else."""
    return getattr(library(), name)(*args)
