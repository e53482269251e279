"""Python side of probe.exe in serve or viewer mode: one command out, one JSON answer back.

Lines with an "event" key and no "ok" (viewer notices, hotkeys, a hold ending) arrive on their own
and are kept for wait_event().
"""

import json
import queue
import subprocess
import threading
import time


class ProbeError(RuntimeError):
    pass


def _quote(word):
    word = str(word)
    if word and not any(c in word for c in ' \t"\\'):
        return word
    return '"' + word.replace("\\", "\\\\").replace('"', '\\"') + '"'


class Probe:
    def __init__(self, process, path_converter=str, greeting=False, start_timeout=120):
        self.process = process
        self._to_windows = path_converter
        self._answers = queue.Queue()
        self._events = []
        self._events_changed = threading.Condition()
        self._lock = threading.Lock()
        self._hung = False
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.greeting = self._next_answer(start_timeout) if greeting else self.call(
            "ping", timeout=start_timeout)

    def _read(self):
        for raw in self.process.stdout:
            line = raw.decode("utf-8", errors="replace").strip()
            if not line:
                continue
            try:
                message = json.loads(line)
            except ValueError:
                message = {"ok": False, "error": "not JSON: " + line}
            if "event" in message and "ok" not in message:
                with self._events_changed:
                    self._events.append(message)
                    self._events_changed.notify_all()
            else:
                self._answers.put(message)
        self._answers.put(None)

    def _next_answer(self, timeout):
        try:
            answer = self._answers.get(timeout=timeout)
        except queue.Empty:
            raise ProbeError(f"probe gave no answer within {timeout} s") from None
        if answer is None:
            raise ProbeError(f"probe ended (exit code {self.process.poll()})")
        return answer

    def call(self, *words, timeout=60, check=True):
        """Sends one command; returns its answer (a dict). check: raise when "ok" is false."""
        line = " ".join(_quote(w) for w in words) + "\n"
        with self._lock:
            try:
                self.process.stdin.write(line.encode("utf-8"))
                self.process.stdin.flush()
            except (BrokenPipeError, ValueError):
                raise ProbeError("probe is not running") from None
            answer = self._next_answer(timeout)
        if check and not answer.get("ok"):
            raise ProbeError(f"{words[0]}: {answer.get('error')} (code {answer.get('code')})")
        return answer

    # --- events ----------------------------------------------------------------------------

    def events(self, kind=None):
        with self._events_changed:
            return [e for e in self._events if kind is None or e["event"] == kind]

    def clear_events(self):
        with self._events_changed:
            self._events.clear()

    def wait_event(self, kind, predicate=None, timeout=30):
        """The first event of that kind (matching predicate) seen so far or within timeout."""
        deadline = time.monotonic() + timeout
        with self._events_changed:
            while True:
                for event in self._events:
                    if event["event"] == kind and (predicate is None or predicate(event)):
                        return event
                left = deadline - time.monotonic()
                if left <= 0:
                    raise ProbeError(f"no {kind} event within {timeout} s")
                self._events_changed.wait(left)

    # --- windows and screen ----------------------------------------------------------------

    def ping(self):
        return self.call("ping")

    def windows(self, pid=None):
        return self.call("windows", *([pid] if pid else []))["windows"]

    def children(self, hwnd):
        return self.call("children", hwnd)["children"]

    def find(self, window_class, title=None):
        """hwnd of a top-level window ("*" for any class), 0 when there is none."""
        return self.call("find", window_class, *([title] if title is not None else []))["hwnd"]

    def foreground(self):
        return self.call("foreground")

    def send(self, hwnd, msg, wparam=0, lparam=0):
        return self.call("send", hwnd, msg, wparam, lparam)["result"]

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.call("post", hwnd, msg, wparam, lparam)

    def idle(self, pid, ms=60000):
        """Waits (WaitForInputIdle) until the process waits for input in its message loop, its
        start-up done; raises ProbeError when it is not within ms."""
        return self.call("idle", pid, ms, timeout=ms / 1000 + 60)

    def activate(self, hwnd):
        return self.call("activate", hwnd)

    def edit_text(self, hwnd):
        return self.call("edit-text", hwnd)["text"]

    def pixel(self, x, y):
        answer = self.call("pixel", x, y)
        return answer["r"], answer["g"], answer["b"]

    def screen(self):
        """width, height, dpi, work_area, desktop, shell, acp"""
        return self.call("screen")

    def swatch(self, x, y, width, height, rgb):
        """Shows a topmost window of colour rgb ("RRGGBB") there; returns its hwnd."""
        return self.call("swatch", x, y, width, height, rgb)["hwnd"]

    def unswatch(self):
        self.call("unswatch")

    def text(self, hwnd):
        """Any window's text as WM_GETTEXT gives it (tooltips, message boxes, other processes)."""
        return self.call("text", hwnd)["text"]

    def toolbar(self, hwnd):
        """A toolbar's buttons (command, image, separator, rect on the screen), its button size
        and tooltip control, read through memory in the toolbar's own process."""
        return self.call("toolbar", hwnd)

    def icon_of(self, hwnd):
        """Which standard icon (error, warning, information, question, application) a static
        control shows on the screen."""
        return self.call("icon-of", hwnd)["icon"]

    def move_window(self, hwnd, x, y, width, height):
        return self.call("move", hwnd, x, y, width, height)["rect"]

    def font(self, face, points, weight=400, charset=1, text="M"):
        """A font made at the system's DPI: text height and the extent of text."""
        return self.call("font", face, points, weight, charset, text)

    def syscolor(self, index):
        answer = self.call("syscolor", index)
        return answer["r"], answer["g"], answer["b"]

    def grab(self, x, y, width, height, path):
        return self.call("grab", x, y, width, height, self._to_windows(path))

    # --- clipboard -------------------------------------------------------------------------

    def clip_set(self, *specs):
        """Formats in one opening: "13=text:..", "1=text:..", "2=bitmap:W,H,RRGGBB",
        "8=dib:W,H,RRGGBB", "N=hex:..", "N=size:BYTES", "reg:NAME=..."; FORMAT=@PATH takes a
        Unix path. Returns the format numbers used."""
        converted = []
        for spec in specs:
            fmt, _, value = spec.partition("=")
            if value.startswith("@"):
                value = "@" + self._to_windows(value[1:])
            converted.append(f"{fmt}={value}")
        return self.call("clip-set", *converted)["formats"]

    def clip_dump(self, directory=None):
        """Formats in enumeration order: format, name, size, sha256, head (and text, width,
        height, pixels_sha256 where they apply); with directory, NNN_FORMAT.bin files too."""
        args = [self._to_windows(directory)] if directory else []
        return self.call("clip-dump", *args)["formats"]

    def clip_empty(self):
        self.call("clip-empty")

    def clip_hold(self, ms):
        """Opens the clipboard and keeps it open ms milliseconds (event clipboard-closed)."""
        return self.call("clip-hold", ms)

    def clip_count(self):
        return self.call("clip-count")

    # --- viewer chain and hotkeys ----------------------------------------------------------

    def join(self):
        return self.call("join")

    def leave(self):
        return self.call("leave")

    def swallow(self):
        """Viewer: from now on passes no clipboard notice on."""
        return self.call("swallow")

    def hold_on_change(self, ms):
        """Viewer: at the next clipboard notice, hold the clipboard open ms milliseconds before
        passing the notice on (event holding, later clipboard-closed)."""
        return self.call("hold-on-change", ms)

    def release_hold(self):
        """Viewer: the hold under way ends now (event clipboard-closed)."""
        return self.call("release-hold")

    def plan_clip(self, *delays_and_texts):
        """Viewer: at the next clipboard notice, put each text on the clipboard its delay (ms)
        after that notice: plan_clip(500, "a", 1500, "b") (events planned-set)."""
        return self.call("plan-clip", *delays_and_texts)

    def hang(self, ms=None):
        """Stops answering (ms, or until killed), as a hung program does."""
        answer = self.call("hang", *([ms] if ms is not None else []))
        self._hung = ms is None
        return answer

    def hotkey(self, mod, vk):
        return self.call("hotkey", mod, vk)

    def unhotkey(self, hotkey_id=None):
        return self.call("unhotkey", *([hotkey_id] if hotkey_id else []))

    def sleep(self, ms):
        return self.call("sleep", ms, timeout=ms / 1000 + 60)

    def close(self, timeout=5):
        """Asks the probe to quit, then makes sure it has ended. One hung for good is killed."""
        if self.process.poll() is not None:
            return
        if not self._hung:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.stdin.close()
                self.process.wait(timeout)
                return
            except (OSError, ValueError, subprocess.TimeoutExpired):
                pass
        self.process.kill()
        self.process.wait(10)
