"""Where the package finds the library: PANELINK_LIBRARY, then beside the package, then the
system's. Each case imports a copy of the package in a fresh process and reports the file the
process mapped (Linux)."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import panelink

BUILT = Path(os.environ.get("PANELINK_LIBRARY", "")).resolve()
PACKAGE = Path(panelink.__file__).resolve().parent

pytestmark = pytest.mark.skipif(not sys.platform.startswith("linux"), reason="reads /proc/self/maps")

PROBE = """
import panelink
try:
    panelink.version()
except panelink.LibraryNotFoundError as error:
    print("not found:", error)
else:
    print(next(l.split()[-1] for l in open("/proc/self/maps") if "panelink" in l.split()[-1]))
"""


def loaded(package_parent, **environ):
    env = {k: v for k, v in os.environ.items() if k not in ("PANELINK_LIBRARY", "LD_LIBRARY_PATH")}
    env.update(environ, PYTHONPATH=str(package_parent))
    result = subprocess.run([sys.executable, "-c", PROBE], env=env, capture_output=True, text=True,
                            check=True, cwd=package_parent)
    return result.stdout.strip()


@pytest.fixture
def copy(tmp_path):
    """A copy of the package with the built library beside it."""
    shutil.copytree(PACKAGE, tmp_path / "panelink", ignore=shutil.ignore_patterns("__pycache__"))
    shutil.copy(BUILT, tmp_path / "panelink" / "libpanelink.so.1")
    return tmp_path


def test_the_variable_comes_first(copy):
    chosen = copy / "panelink-chosen.so"
    shutil.copy(BUILT, chosen)
    assert loaded(copy, PANELINK_LIBRARY=str(chosen)) == str(chosen)


def test_a_wrong_variable_is_an_error_even_with_a_library_beside(copy):
    out = loaded(copy, PANELINK_LIBRARY=str(copy / "missing.so"))
    assert out.startswith("not found:") and "missing.so" in out


def test_then_beside_the_package(copy):
    assert loaded(copy, LD_LIBRARY_PATH=str(BUILT.parent)) == str(copy / "panelink" / "libpanelink.so.1")


def test_then_the_system_library(copy):
    (copy / "panelink" / "libpanelink.so.1").unlink()
    assert loaded(copy, LD_LIBRARY_PATH=str(BUILT.parent)) == str(BUILT)
