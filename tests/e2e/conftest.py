"""Fixtures of the end-to-end tests: Wine environments, the probe, starting Windows programs.

    winenv          a WineEnv shared by the test module; a test marked
                    @pytest.mark.winenv(dpi=120, shell=False, size=(800, 600)) gets one of its own
    probe           the env's probe.exe (serve mode) with its Python wrapper; events cleared
    start_program   start_program(path, window_class, args=(), title=None, timeout=120,
                    visible=None) -> Program(process: the wine Popen, pid: the Windows process
                    id, hwnd: the new top-level window of that class)
    nimbara_exe     path of the built Nimbara.exe (fails clearly when it was not built)
    start_nimbara   start_nimbara(exe=None, **Nimbara.start's options) -> a running Nimbara
                    (nimbara_program.py); every one started is ended after the test
    nimbara         Nimbara started with the defaults
    fresh_settings  no settings of Nimbara's in the registry before and after the test
    item_places     where each item of the tray menu lies inside its window (tray_icon.py)
"""

import collections
import os
import signal
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

from harness import WineEnv, build_dir, probe_exe  # noqa: E402
from nimbara_program import Nimbara, clear_settings  # noqa: E402
from tray_icon import reference_menu  # noqa: E402

Program = collections.namedtuple("Program", "process pid hwnd")

DEFAULT_TEST_TIMEOUT = 300


def _new_env(**settings):
    if not probe_exe().exists():
        pytest.fail(f"{probe_exe()} is missing: build the cross build first "
                    "(tools/test.sh does), or point NIMBARA_BUILD at one")
    env = WineEnv(**settings)
    env.start()
    return env


@pytest.fixture(scope="module")
def _module_winenv():
    env = _new_env()
    yield env
    env.stop()


@pytest.fixture
def winenv(request):
    marker = request.node.get_closest_marker("winenv")
    if marker is None:
        yield request.getfixturevalue("_module_winenv")
        return
    env = _new_env(**marker.kwargs)
    try:
        yield env
    finally:
        env.stop()


@pytest.fixture
def probe(winenv):
    winenv.probe.clear_events()
    return winenv.probe


@pytest.fixture
def other_probe(winenv):
    """Opens probes of the test's own (another program each), closed at the test's end."""
    opened = []

    def open_one(mode="serve"):
        p = winenv.open_probe(mode)
        opened.append(p)
        return p

    yield open_one
    for p in opened:
        p.close()


@pytest.fixture
def start_program(winenv):
    """Starts a Windows program and waits (bounded) for a top-level window of window_class."""

    def start(path, window_class, args=(), title=None, timeout=120, visible=None):
        before = {w["hwnd"] for w in winenv.probe.windows()}

        def appeared():
            for window in winenv.probe.windows():
                if (window["hwnd"] not in before and window["class"] == window_class
                        and (title is None or window["title"] == title)
                        and (visible is None or window["visible"] == visible)):
                    return window
            return None

        # The peers are not under test: any end of theirs before their window is started again.
        process, window = winenv.start_shown([path, *args], appeared, timeout, path,
                                             again=lambda code, output: True)
        return Program(process, window["pid"], window["hwnd"])

    return start


@pytest.fixture
def nimbara_exe():
    path = build_dir() / "Nimbara.exe"
    if not path.exists():
        pytest.fail(f"{path} was not built")
    return path


@pytest.fixture
def start_nimbara(winenv, nimbara_exe):
    started = []

    def start(exe=None, **options):
        program = Nimbara.start(winenv, exe or nimbara_exe, **options)
        started.append(program)
        return program

    yield start
    for program in started:
        program.end()


@pytest.fixture
def nimbara(start_nimbara):
    return start_nimbara()


@pytest.fixture
def fresh_settings(winenv):
    clear_settings(winenv)
    yield
    clear_settings(winenv)


@pytest.fixture(scope="module")
def item_places(_module_winenv):
    """Where each item lies inside the tray menu's window (tray_icon.py)."""
    return reference_menu(_module_winenv, _module_winenv.probe, 0)[2]


# The files go out longest first (as measured natively, alone: about 70 s down to 7 s), one at a
# time to whichever worker has run out of work (each file runs on one worker); the short ones
# come last, so that the workers end at about the same time.
LONGEST_FIRST = ("test_reliability.py", "test_paste.py", "test_forged_messages.py",
                 "test_slow_owner.py", "test_settings_dialog.py", "test_capture.py",
                 "test_shell.py", "test_harness_smoke.py", "test_tray.py", "test_hotkey.py",
                 "test_huge_blocks.py", "test_about.py", "test_keyboard.py")


def pytest_collection_modifyitems(items):
    def rank(item):
        name = item.path.name
        return LONGEST_FIRST.index(name) if name in LONGEST_FIRST else len(LONGEST_FIRST)

    items.sort(key=rank)  # stable: the tests of a file keep their order


# A time limit per test where pytest-timeout is not installed (it is, through install-deps.sh).
try:
    import pytest_timeout  # noqa: F401
except ImportError:
    @pytest.hookimpl(hookwrapper=True)
    def pytest_runtest_protocol(item, nextitem):
        marker = item.get_closest_marker("timeout")
        limit = int(marker.args[0]) if marker else int(
            os.environ.get("NIMBARA_TEST_TIMEOUT", DEFAULT_TEST_TIMEOUT))

        def expire(_signum, _frame):
            pytest.fail(f"time limit of {limit} s exceeded", pytrace=False)

        previous = signal.signal(signal.SIGALRM, expire)
        signal.alarm(limit)
        try:
            yield
        finally:
            signal.alarm(0)
            signal.signal(signal.SIGALRM, previous)
