"""Fixtures: virtual boards on the library's simulated bus with a manual clock (a wait that
nothing ends returns at once), and the detection logs kept in each test's own folder."""
import pytest

import panelink
from panelink import simulation

TEST_BOARD = dict(
    vendor_id=0x12DA,
    product_id=0x0700,
    version=0x0102,
    path="sim://test/0700#vid_12da&pid_0700&mi_00",
    manufacturer="Maker",
    product="Test board",
    serial="S01",
    descriptor=simulation.vendor_descriptor(),
)


@pytest.fixture(autouse=True)
def log_dir(tmp_path, monkeypatch):
    monkeypatch.setenv("PANELINK_LOG_DIR", str(tmp_path))


@pytest.fixture
def sim():
    simulation.enable(manual_clock=True)
    simulation.reset()
    yield simulation
    panelink.close()
    simulation.reset()


@pytest.fixture
def virtual(sim):
    """One plugged-in virtual board (the board's side)."""
    return sim.add(**TEST_BOARD)


@pytest.fixture
def board(virtual):
    """The detected Board of `virtual`."""
    (found,) = panelink.detect()
    return found
