#!/usr/bin/python3
"""Throw-away Wine environments for Nimbara's tests.

A WineEnv is a private X server (Xvfb) with a Wine virtual desktop on it and a fresh copy of a
Wine prefix. Everything it starts is ended by stop(), also when a test fails, the process is
interrupted or terminated.

    with WineEnv() as env:
        env.spawn([exe])                  # a Windows program in the env
        env.probe.windows()               # what it shows, seen from inside Wine
        env.click(300, 200)               # the user's hands, at Windows screen coordinates

CLI:
    winenv.py run [--dpi N] [--no-shell] [--size WxH] [--screenshot FILE --every S] -- CMD ARGS...
        runs CMD with the env's variables (DISPLAY, WINEPREFIX, LC_ALL, ...) and exits with its code
    winenv.py prepare
        makes the cached template prefix (the first start on a machine takes minutes)

Standard library only; the system's python3 runs it.
"""

import argparse
import atexit
import fcntl
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

if __package__ in (None, ""):
    sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from harness.probe_client import Probe, ProbeError  # noqa: E402
from harness.waiting import wait_until  # noqa: E402

REPO_ROOT = Path(__file__).resolve().parents[2]

# By default the prefix is a 64-bit one with its 32-bit part (WoW64): Wine's own programs
# (explorer, reg, notepad) start natively through the 64-bit loader, which hands 32-bit programs
# to the 32-bit loader. NIMBARA_WINEARCH=win32 gives 32-bit prefixes, everything 32-bit.
WINE64 = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine"
DEFAULT_ARCH = os.environ.get("NIMBARA_WINEARCH", "win64")
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"

# Starts under qemu's user-mode emulation (kernels that refuse 32-bit programs) take seconds.
START_TIMEOUT = float(os.environ.get("NIMBARA_WINE_START_TIMEOUT", "240"))
TEMPLATE_TIMEOUT = 1200

_live_envs = set()
_ENDED = object()


def wine_refused_start(code, output):
    """Whether a process that ended with this code and output was failed by Wine's loader before
    the program ran (fatal errors of the loader and its preloader end with code 1). A program the
    loader could not map is handed to start.exe, whose ShellExecuteEx then fails: under load this
    happens now and then to a program that is there, such as reg. With Wine's error channel on,
    the loader's message comes after the channel's prefix ("err:virtual:virtual_alloc_first_teb
    wine: failed to map the shared user data")."""
    lines = (re.sub(r"^err:\S+ ", "", line) for line in output.splitlines())
    return code == 1 and any(line.startswith(("wine: ", "wine client error", "preloader: "))
                             or "ShellExecuteEx" in line for line in lines)


def build_dir():
    """The cross build: $NIMBARA_BUILD, by default build-cross at the repository root."""
    return Path(os.environ.get("NIMBARA_BUILD", REPO_ROOT / "build-cross")).resolve()


def probe_exe():
    return build_dir() / "tests" / "probes" / "probe.exe"


def windows_path(path):
    """Z: is the root of the Unix file system in every prefix."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def wine_version():
    out = subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=120)
    version = (out.stdout or out.stderr).strip() or "unknown"
    return re.sub(r"[^A-Za-z0-9.+-]+", "_", version)


def cache_dir():
    root = os.environ.get("NIMBARA_WINE_CACHE") or os.path.join(
        os.path.expanduser("~"), ".cache", "nimbara")
    return Path(root) / wine_version()


def _loader(arch):
    return WINE64 if arch == "win64" else "wine"


def _base_env(arch):
    env = dict(os.environ)
    for name in ("WINELOADER", "WINESERVER", "WINEDLLPATH", "WINEARCH", "DISPLAY", "XAUTHORITY"):
        env.pop(name, None)
    env.update({
        "WINEARCH": arch,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": DLL_OVERRIDES,
        "LC_ALL": "zh_CN.UTF-8",
        "LANG": "zh_CN.UTF-8",
        "LANGUAGE": "zh_CN",
    })
    return env


class Xvfb:
    """A private X server on a free display (the server picks it: -displayfd)."""

    def __init__(self, width, height, log_path):
        read_end, write_end = os.pipe()
        self._log = open(log_path, "ab")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log,
            start_new_session=True)
        os.close(write_end)
        try:
            self.display = ":" + self._read_display(read_end)
        finally:
            os.close(read_end)

    def _read_display(self, fd):
        text = b""
        deadline = time.monotonic() + 30
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or self.process.poll() is not None:
                self.stop()
                raise RuntimeError("Xvfb did not start")
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 64)
                if not chunk:
                    self.stop()
                    raise RuntimeError("Xvfb closed -displayfd without a display number")
                text += chunk
        return text.decode().strip()

    def stop(self):
        _end_process(self.process)
        self._log.close()


def _end_process(process, grace=3.0):
    """Ends one process we started: SIGTERM, then SIGKILL; always reaped."""
    if process is None or process.poll() is not None:
        return
    try:
        process.terminate()
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(10)
    except ProcessLookupError:
        pass


def _pids_with_env(marker):
    """Processes whose environment holds marker (our unique WINEPREFIX), by process id."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker in f.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:
            continue
    return pids


def ensure_template(arch=DEFAULT_ARCH):
    """The template prefix, made once per machine, Wine version and architecture; safe when two
    runs race."""
    base = cache_dir()
    base.mkdir(parents=True, exist_ok=True)
    template = base / f"prefix-{arch}"
    ready = base / f"prefix-{arch}.ready"
    if ready.exists():
        return template
    with open(base / "template.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if ready.exists():
            return template
        print(f"winenv: creating the Wine template prefix in {template} "
              "(once per machine, takes a while)", file=sys.stderr, flush=True)
        work = Path(tempfile.mkdtemp(prefix="prefix.tmp-", dir=base))
        shutil.rmtree(template, ignore_errors=True)
        try:
            _make_prefix(work / "prefix", arch, base / f"template-{arch}.log")
            os.rename(work / "prefix", template)
        finally:
            shutil.rmtree(work, ignore_errors=True)
        ready.touch()
    return template


# The system's programs, libraries and code pages: over a gigabyte of a prefix, which nothing
# that runs in it writes to. Copied for each env, they are a gigabyte written to disk, tens of
# seconds when two envs start under load; they are hard links to the template's instead.
_LINKED_DIRS = ("drive_c/windows/system32/", "drive_c/windows/syswow64/")
_LINKED_SUFFIXES = {".dll", ".exe", ".nls", ".drv", ".sys", ".vxd", ".ocx", ".cpl", ".acm",
                    ".tlb", ".com", ".ax"}


def _copy_prefix(template, prefix):
    """A prefix of the env's own: the registry and everything else copied, the system's files
    linked (copied where the template is on another file system)."""
    def copy(src, dst):
        rel = Path(src).relative_to(template)
        if rel.as_posix().startswith(_LINKED_DIRS) and rel.suffix.lower() in _LINKED_SUFFIXES:
            try:
                os.link(src, dst)
                return dst
            except OSError:
                pass
        return shutil.copy2(src, dst)

    shutil.copytree(template, prefix, symlinks=True, copy_function=copy)


def _make_prefix(prefix, arch, log_path):
    xvfb = Xvfb(800, 600, log_path)
    env = _base_env(arch)
    env.update({"WINEPREFIX": str(prefix), "DISPLAY": xvfb.display})
    try:
        with open(log_path, "ab") as log:
            subprocess.run([_loader(arch), "wineboot", "--init"], env=env, stdin=subprocess.DEVNULL,
                           stdout=log, stderr=log, timeout=TEMPLATE_TIMEOUT, check=True)
            # wineboot returns before the services it started have written everything down.
            subprocess.run([WINESERVER, "-w"], env=env, timeout=TEMPLATE_TIMEOUT)
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, timeout=60)
        xvfb.stop()
    if not (prefix / "system.reg").exists() or not (prefix / "drive_c" / "windows").is_dir():
        raise RuntimeError(f"wineboot made no usable prefix; see {log_path}")


def _reg_text(key, values):
    """One key of a registry file as Wine writes them (keys relative to the file's root)."""
    lines = ["", "[%s] %d" % (key.replace("\\", "\\\\"), int(time.time()))]
    for name, value in values.items():
        if isinstance(value, int):
            lines.append('"%s"=dword:%08x' % (name, value))
        else:
            lines.append('"%s"="%s"' % (name, value))
    return "\n".join(lines) + "\n"


class WineEnv:
    """A private X display, a fresh Wine prefix and a virtual desktop of the given size."""

    def __init__(self, dpi=96, shell=True, size=(1024, 768), probe=True, arch=None):
        self.arch = arch or DEFAULT_ARCH
        self.dpi = dpi
        self.shell = shell
        self.width, self.height = size
        self.use_probe = probe
        self.env = None
        self.prefix = None
        self.display = None
        self.probe = None
        self.origin = (0, 0)
        self._root = None
        self._xvfb = None
        self._spawned = []
        self._xclips = []
        self._marker = None
        self._started = False

    # --- life cycle -------------------------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        if self._started:
            return self
        _install_exit_handlers()
        _live_envs.add(self)
        self._started = True
        try:
            template = ensure_template(self.arch)
            self._root = Path(tempfile.mkdtemp(prefix="nimbara-wine-"))
            self.prefix = self._root / "prefix"
            _copy_prefix(template, self.prefix)
            self._configure_prefix()
            self._xvfb = Xvfb(self.width, self.height, self._root / "xvfb.log")
            self.display = self._xvfb.display
            self.env = _base_env(self.arch)
            self.env.update({"WINEPREFIX": str(self.prefix), "DISPLAY": self.display})
            self._marker = b"WINEPREFIX=" + str(self.prefix).encode()
            self._wait_for_desktop()
        except BaseException:
            self.stop()
            raise
        return self

    def _configure_prefix(self):
        user = [_reg_text("Software\\Wine\\Explorer", {"Desktop": "Default"}),
                _reg_text("Software\\Wine\\Explorer\\Desktops",
                          {"Default": f"{self.width}x{self.height}"}),
                _reg_text("Software\\Wine\\Explorer\\Desktops\\Default",
                          {"EnableShell": 1 if self.shell else 0})]
        system = []
        if self.dpi != 96:
            user.append(_reg_text("Control Panel\\Desktop", {"LogPixels": self.dpi}))
            system.append(_reg_text(
                "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts",
                {"LogPixels": self.dpi}))
        # No wineserver runs on this copy yet, so its registry files can be written directly.
        with open(self.prefix / "user.reg", "a", encoding="utf-8") as f:
            f.write("".join(user))
        if system:
            with open(self.prefix / "system.reg", "a", encoding="utf-8") as f:
                f.write("".join(system))

    def _wait_for_desktop(self):
        # A process that stays for the env's whole life keeps the desktop (and its taskbar) up
        # between the tests' programs: the probe in serve mode, or explorer when none is built.
        if self.use_probe and probe_exe().exists():
            self.probe = wait_until(self._try_open_probe, START_TIMEOUT, interval=1,
                                    message="probe.exe did not start in the env")
        else:
            self.spawn(["explorer.exe", f"/desktop=Default,{self.width}x{self.height}"])
        self.origin = wait_until(self._desktop_origin, START_TIMEOUT,
                                 message="the Wine virtual desktop did not appear")
        if self.shell and self.probe:
            wait_until(self._taskbar_shown, START_TIMEOUT,
                       message="the desktop's taskbar did not appear")

    def _try_open_probe(self):
        try:
            return self.open_probe(timeout=START_TIMEOUT)
        except ProbeError as error:
            print(f"winenv: probe did not start ({error}); trying again", file=sys.stderr)
            return None

    def _taskbar_shown(self):
        return any(w["class"] == "Shell_TrayWnd" and w["visible"] for w in self.probe.windows())

    def _desktop_origin(self):
        """Where the virtual desktop's X window sits on the X screen (None until it is mapped)."""
        out = subprocess.run(["xwininfo", "-root", "-children", "-display", self.display],
                             capture_output=True, text=True, timeout=30).stdout
        size = f"{self.width}x{self.height}"
        for line in out.splitlines():
            match = re.search(r"\)\s+(\d+x\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)", line)
            if match and match.group(1) == size:
                window = line.split()[0]
                state = subprocess.run(["xwininfo", "-id", window, "-display", self.display],
                                       capture_output=True, text=True, timeout=30).stdout
                if "IsViewable" in state:
                    return int(match.group(4)), int(match.group(5))
        return None

    def stop(self):
        """Ends everything this env started, by process id, and removes the prefix."""
        if not self._started:
            return
        self._started = False
        try:
            if self.probe:
                self.probe.close()
            for process in self._spawned + self._xclips:
                _end_process(process, grace=1.0)
            if self.env:
                subprocess.run([WINESERVER, "-k"], env=self.env, timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                try:
                    subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)
                except subprocess.TimeoutExpired:
                    pass
            if self._marker:
                for pid in _pids_with_env(self._marker):
                    try:
                        os.kill(pid, signal.SIGKILL)
                    except ProcessLookupError:
                        pass
            if self._xvfb:
                self._xvfb.stop()
        finally:
            self._remove_files()
            _live_envs.discard(self)

    def _remove_files(self):
        if self.prefix and self.prefix.exists():
            # wineserver's socket folder is named after the prefix's device and inode; Debian's
            # Wine keeps it in a /tmp/wine-XXXXXX folder of its own.
            st = os.stat(self.prefix)
            name = f"server-{st.st_dev:x}-{st.st_ino:x}"
            for socket_dir in list(Path("/tmp").glob(f"wine-*/{name}")) + [
                    Path(f"/tmp/.wine-{os.getuid()}/{name}")]:
                shutil.rmtree(socket_dir, ignore_errors=True)
                try:
                    socket_dir.parent.rmdir()  # only when no other server uses it
                except OSError:
                    pass
        if self._root:
            shutil.rmtree(self._root, ignore_errors=True)

    def pids(self):
        """Unix process ids of everything running in this env's prefix (Wine programs, server)."""
        return _pids_with_env(self._marker) if self._marker else []

    # --- Windows programs -------------------------------------------------------------------

    def spawn(self, args, **popen_args):
        """Starts a Windows program (a Unix path to an .exe, or a program of Wine's own)."""
        popen_args.setdefault("stdin", subprocess.DEVNULL)
        popen_args.setdefault("env", self.env)
        process = subprocess.Popen([_loader(self.arch)] + [str(a) for a in args], **popen_args)
        self._spawned.append(process)
        return process

    def start_shown(self, args, shown, timeout, what, again=None):
        """Starts a Windows program and waits (bounded) until shown() answers, which it returns
        with the process: (process, answer).

        Wine's loader now and then fails a start before the program's own code runs: the
        process ends with code 1 and "wine: ..." or "preloader: ..." on its error output. Such a
        start is made again, twice at most; again(code, output) may widen that to other early
        ends (of a peer that is not under test). Any other end before shown() answers fails with
        the program's error output, which holds Wine's error messages ("err:" lines) too.
        """
        again = again or wine_refused_start
        env = dict(self.env, WINEDEBUG="-all,err+all")
        starts = 0
        while True:
            output = tempfile.TemporaryFile(dir=self._root)
            process = self.spawn(args, stderr=output, env=env)
            starts += 1
            answer = wait_until(lambda: _ENDED if process.poll() is not None else shown(),
                                timeout, message=f"{what} showed no window within {timeout} s")
            if answer is not _ENDED:
                return process, answer
            output.seek(0)
            text = output.read().decode(errors="replace")[-2000:]
            if starts == 3 or not again(process.returncode, text):
                raise AssertionError(f"{what} ended at start with code {process.returncode}; "
                                     f"it printed: {text!r}")
            print(f"winenv: {what} ended at start with code {process.returncode} "
                  f"({text.strip()!r}); starting it again", file=sys.stderr)

    def run(self, args, timeout=120, check=False):
        """Runs a Windows program to its end; returns CompletedProcess with bytes output. A run
        that Wine's loader failed before the program ran is made again, twice at most."""
        for _ in range(3):
            process = self.spawn(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            try:
                out, err = process.communicate(timeout=timeout)
            except subprocess.TimeoutExpired:
                _end_process(process)
                raise
            output = err.decode(errors="replace") + out.decode("gbk", errors="replace")
            if not wine_refused_start(process.returncode, output):
                break
        result = subprocess.CompletedProcess(process.args, process.returncode, out, err)
        if check and result.returncode:
            raise subprocess.CalledProcessError(result.returncode, process.args, out, err)
        return result

    def open_probe(self, mode="serve", timeout=START_TIMEOUT):
        """Another probe.exe in serve (or viewer) mode, with its Python wrapper."""
        process = self.spawn([probe_exe(), mode], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            return Probe(process, path_converter=windows_path, greeting=(mode == "viewer"),
                         start_timeout=timeout)
        except BaseException:
            _end_process(process, grace=1.0)
            raise

    # --- registry, through Wine's reg ---------------------------------------------------------

    def _reg(self, args, view):
        if view and self.arch == "win64":
            args = args + [f"/reg:{view}"]
        result = self.run(["reg"] + args, timeout=60)
        text = result.stdout.decode("gbk", errors="replace")
        return result.returncode, text

    def reg_add(self, key, name=None, value="", type="REG_SZ", view=32):
        """Sets a value (name None: the key's default value). view 32 is what Nimbara sees."""
        args = ["add", key] + (["/ve"] if name is None else ["/v", name])
        code, text = self._reg(args + ["/t", type, "/d", str(value), "/f"], view)
        if code:
            raise RuntimeError(f"reg add {key} {name}: {text.strip()}")

    def reg_query(self, key, name=None, view=32):
        """A value's data as text (None when absent); without name a dict of all values."""
        args = ["query", key] + ([] if name is None else ["/v", name])
        code, text = self._reg(args, view)
        if code:
            return None
        values = {}
        for line in text.splitlines():
            match = re.match(r"^\s{4}(.*?)\s{4}(REG_\w+)\s{4}(.*)$", line)
            if not match:
                match = re.match(r"^\s{4}(.*?)\s{4}(REG_\w+)\s*$", line)
            if match:
                data = match.group(3) if match.lastindex >= 3 else ""
                values[match.group(1)] = data
        if name is None:
            return values
        return next(iter(values.values()), None)

    def reg_delete(self, key, name=None, view=32):
        """Deletes one value, or the whole key when name is None; True when something went."""
        args = ["delete", key] + ([] if name is None else ["/v", name]) + ["/f"]
        code, _ = self._reg(args, view)
        return code == 0

    # --- X side: keyboard, mouse, selections, screen -----------------------------------------

    def _x(self, args, input=None, timeout=30):
        env = dict(os.environ, DISPLAY=self.display)
        return subprocess.run(args, env=env, input=input, capture_output=True, timeout=timeout,
                              check=True).stdout

    def xdotool(self, *args):
        return self._x(["xdotool"] + [str(a) for a in args]).decode(errors="replace")

    def key(self, *keys):
        """Presses key combinations, e.g. env.key('alt+v')."""
        self.xdotool("key", *keys)

    def type_text(self, text, delay_ms=30):
        self.xdotool("type", "--delay", delay_ms, text)

    def _to_x(self, x, y):
        return x + self.origin[0], y + self.origin[1]

    def pointer_at(self):
        """Where the X pointer is, in X screen coordinates."""
        # xdotool also asks after the window under the pointer, and fails when that window
        # goes in the middle (BadWindow): it is asked again.
        for attempt in range(5):
            try:
                out = self.xdotool("getmouselocation", "--shell")
                break
            except subprocess.CalledProcessError as error:
                if b"BadWindow" not in (error.stderr or b"") or attempt == 4:
                    raise
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def _move_args(self, x, y):
        # xdotool's --sync waits for a motion; to where the pointer already is, none comes and
        # it waits out its own time limit (seconds).
        target = self._to_x(x, y)
        if self.pointer_at() == target:
            return []
        return ["mousemove", "--sync", *target]

    def move(self, x, y, sync=True):
        """sync: wait until the pointer has moved (skipped when it is there already)."""
        args = self._move_args(x, y)
        if args:
            if not sync:
                args.remove("--sync")
            self.xdotool(*args)

    def click(self, x, y, button=1, repeat=1):
        self.xdotool(*self._move_args(x, y), "click", "--repeat", repeat, button)

    def drag(self, x1, y1, x2, y2, button=1, steps=10, pressed=None):
        """pressed: called once the button is down, before the pointer moves."""
        self.xdotool(*self._move_args(x1, y1), "mousedown", button)
        if pressed:
            pressed()
        for i in range(1, steps + 1):
            x = x1 + (x2 - x1) * i // steps
            y = y1 + (y2 - y1) * i // steps
            if move := self._move_args(x, y):
                self.xdotool(*move)
        self.xdotool("mouseup", button)

    def xclip_set(self, data, target="UTF8_STRING", selection="clipboard"):
        """Makes an X program (xclip) the owner of the selection, as a Linux app's copy does."""
        if isinstance(data, str):
            data = data.encode("utf-8")
        self._xclips = [p for p in self._xclips if p.poll() is None]
        env = dict(os.environ, DISPLAY=self.display)
        before = self.selection_owner(selection)
        process = subprocess.Popen(
            ["xclip", "-quiet", "-selection", selection, "-t", target, "-i"], env=env,
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._xclips.append(process)
        process.stdin.write(data)
        process.stdin.close()
        # Owned once the selection has a new owner. Asked of the X server, not of xclip: a
        # request of ours could cross Wine's own, which xclip answers one at a time.
        wait_until(lambda: self.selection_owner(selection) not in (before, 0), 30,
                   message="xclip did not take the selection")
        return process

    def selection_owner(self, selection="clipboard"):
        """The X window that owns the selection, 0 for none."""
        from Xlib import display  # python3-xlib

        server = display.Display(self.display)
        try:
            owner = server.get_selection_owner(server.intern_atom(selection.upper()))
            return owner.id if owner else 0
        finally:
            server.close()

    def xclip_get(self, target="UTF8_STRING", selection="clipboard", timeout=30):
        return self._x(["xclip", "-o", "-selection", selection, "-t", target], timeout=timeout)

    def screenshot(self, path):
        """The whole X screen as an image file (format from the name, e.g. .png)."""
        self._x(["import", "-window", "root", str(path)], timeout=60)
        return Path(path)

    def screen(self):
        """The X screen as (width, height, RGB bytes)."""
        data = self._x(["import", "-window", "root", "-depth", "8", "ppm:-"], timeout=60)
        return _parse_ppm(data)

    def pixel(self, x, y):
        """(r, g, b) at Windows screen coordinates, read from the X screen."""
        width, _, rgb = self.screen()
        xx, yy = self._to_x(x, y)
        i = (yy * width + xx) * 3
        return rgb[i], rgb[i + 1], rgb[i + 2]


def _parse_ppm(data):
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


_handlers_installed = False


def _stop_all():
    for env in list(_live_envs):
        env.stop()


def _on_signal(signum, _frame):
    # Unwinds like an exception, so context managers, finally blocks and atexit all run.
    raise SystemExit(128 + signum)


def _install_exit_handlers():
    """atexit for normal ends; SIGTERM and SIGHUP stop the envs too (SIGINT already unwinds)."""
    global _handlers_installed
    if _handlers_installed:
        return
    _handlers_installed = True
    atexit.register(_stop_all)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        if signal.getsignal(signum) in (signal.SIG_DFL, None):
            signal.signal(signum, _on_signal)


def _run_command(options):
    width, height = (int(v) for v in options.size.split("x"))
    with WineEnv(dpi=options.dpi, shell=not options.no_shell, size=(width, height),
                 arch=options.arch) as env:
        print(f"winenv: DISPLAY={env.display} WINEPREFIX={env.prefix}", file=sys.stderr,
              flush=True)
        process = subprocess.Popen(options.command, env=dict(env.env))
        try:
            while process.poll() is None:
                if options.screenshot:
                    try:
                        env.screenshot(options.screenshot)
                    except (subprocess.SubprocessError, OSError) as error:
                        print(f"winenv: screenshot failed: {error}", file=sys.stderr)
                try:
                    process.wait(options.every if options.screenshot else None)
                except subprocess.TimeoutExpired:
                    pass
        except KeyboardInterrupt:
            return 130
        finally:
            _end_process(process)
        return process.returncode


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="verb", required=True)
    run = commands.add_parser("run", help="run a command inside a fresh Wine environment")
    run.add_argument("--dpi", type=int, default=96)
    run.add_argument("--no-shell", action="store_true", help="no taskbar on the desktop")
    run.add_argument("--size", default="1024x768")
    run.add_argument("--arch", choices=("win64", "win32"), default=DEFAULT_ARCH,
                     help="prefix architecture (win64 runs 32-bit programs through WoW64)")
    run.add_argument("--screenshot", help="write the screen to this file while CMD runs")
    run.add_argument("--every", type=float, default=3.0, help="seconds between screenshots")
    run.add_argument("command", nargs=argparse.REMAINDER)
    prepare = commands.add_parser("prepare", help="make the cached template prefix")
    prepare.add_argument("--arch", choices=("win64", "win32"), default=DEFAULT_ARCH)
    options = parser.parse_args(argv)
    if options.verb == "prepare":
        print(ensure_template(options.arch))
        return 0
    if options.command and options.command[0] == "--":
        options.command = options.command[1:]
    if not options.command:
        parser.error("run needs a command after --")
    return _run_command(options)


if __name__ == "__main__":
    sys.exit(main())
