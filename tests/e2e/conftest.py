"""Fixtures for the end-to-end tests: each test gets throw-away Wine prefixes
under one Xvfb display. See tools/rig for the helpers themselves."""

import signal
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

import rig  # noqa: E402


def _interrupt(signum, frame):
    raise KeyboardInterrupt


def pytest_configure(config):
    # Ended by a time limit, pytest still tears its fixtures down: no prefix,
    # wineserver or Xvfb stays behind.
    signal.signal(signal.SIGTERM, _interrupt)
    config.addinivalue_line("markers", "matrix: every Windows generation; run by tools/test-matrix")
    config.addinivalue_line("markers", "x86_build: only where the 32-bit build is under test")


def pytest_runtest_setup(item):
    # The one skip that depends on the machine: which build this run tests.
    # Anything else missing (a build, a helper, a tool) fails.
    if item.get_closest_marker("x86_build") and rig.test_arch() != "x86":
        pytest.skip(f"needs the 32-bit build; {rig.arch_line()}")


def pytest_report_header(config):
    rig.ensure_tools()
    return rig.arch_line()


@pytest.fixture(scope="session")
def display():
    with rig.Display() as shown:
        yield shown.name


@pytest.fixture
def make_prefix(display):
    """make_prefix(version="win7", bits=64): a fresh prefix, removed after the test."""
    made = []

    def make(version="win7", bits=64):
        prefix = rig.new_prefix(version, display, bits)
        made.append(prefix)
        return prefix

    yield make
    for prefix in made:
        prefix.close()


@pytest.fixture
def prefix(request, make_prefix):
    """A fresh win7 prefix; parametrize with indirect=True for another version."""
    return make_prefix(getattr(request, "param", "win7"))
