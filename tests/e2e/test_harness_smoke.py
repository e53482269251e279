"""The machinery every end-to-end test stands on: the Wine environment, the probe, the X tools."""

import hashlib
import os
import subprocess
import time

import pytest

from harness import WineEnv, wait_until

CHINESE = "你好，剪贴板 Nimbara"


def _format(formats, number):
    return next((f for f in formats if f["format"] == number), None)


def test_probe_sees_a_desktop_of_the_env_size_in_code_page_936(probe):
    screen = probe.screen()
    assert (screen["width"], screen["height"]) == (1024, 768)
    assert screen["desktop"] != 0
    assert screen["acp"] == 936
    assert screen["dpi"] == 96
    own = [w for w in probe.windows() if w["class"] == "NimbaraProbe"]
    assert own and own[0]["pid"] == probe.greeting["pid"]


def test_shell_shows_a_taskbar_along_the_bottom(probe):
    taskbar = probe.find("Shell_TrayWnd")
    assert taskbar
    window = next(w for w in probe.windows() if w["hwnd"] == taskbar)
    assert window["visible"]
    assert window["rect"][3] == 768


def test_x_text_reaches_windows_as_unicode_and_ansi_text(winenv, probe, tmp_path):
    winenv.xclip_set(CHINESE)

    def unicode_text_arrived():
        formats = probe.clip_dump()
        text = _format(formats, 13)
        return formats if text and text.get("text") == CHINESE else None

    formats = wait_until(unicode_text_arrived, 60, message="X text never reached CF_UNICODETEXT")
    assert _format(formats, 1) is not None
    probe.clip_dump(tmp_path)
    index = [f["format"] for f in formats].index(1)
    ansi = (tmp_path / f"{index:03d}_1.bin").read_bytes()
    assert ansi.split(b"\0")[0] == CHINESE.encode("cp936")


def test_windows_clipboard_is_read_back_by_x(winenv, probe):
    text = "从 Windows 写入 " + str(time.time())
    assert probe.clip_set(f"13=text:{text}") == [13]
    wait_until(lambda: winenv.xclip_get("UTF8_STRING") == text.encode(), 60,
               message="xclip did not read what the probe set")


def test_several_formats_go_in_one_opening_and_dump_byte_exact(probe, tmp_path):
    payload = bytes(range(256)) * 4
    (tmp_path / "blob.bin").write_bytes(payload)
    formats = probe.clip_set("13=text:多格式", "reg:Nimbara Test Blob=@" + str(tmp_path / "blob.bin"),
                             "2=bitmap:5,4,12ab34", "0x300=size:100000")
    assert formats[0] == 13 and formats[2] == 2 and formats[3] == 0x300
    dump = {f["format"]: f for f in probe.clip_dump()}
    assert dump[formats[1]]["sha256"] == hashlib.sha256(payload).hexdigest()
    assert dump[formats[1]]["name"] == "Nimbara Test Blob"
    assert (dump[2]["width"], dump[2]["height"]) == (5, 4)
    # The synthesized CF_DIB shows the same picture as the CF_BITMAP it came from.
    assert dump[8]["pixels_sha256"] == dump[2]["pixels_sha256"]
    assert dump[0x300]["size"] == 100000


def test_viewer_is_told_of_an_x_clipboard_change(winenv):
    viewer = winenv.open_probe("viewer")
    try:
        assert viewer.greeting["hwnd"]
        winenv.xclip_set("viewer notice " + str(time.time()))
        notice = viewer.wait_event("drawclipboard", timeout=60)
        assert notice["time"] > 0
    finally:
        viewer.close()


def test_keys_typed_by_xdotool_reach_notepad(winenv, probe, start_program):
    notepad = start_program("notepad.exe", "Notepad")
    # The window is listed as soon as it exists, its edit control once its WM_CREATE made it.
    edit = wait_until(lambda: next((c for c in probe.children(notepad.hwnd)
                                    if c["class"].lower() == "edit"), None), 30,
                      message="notepad showed no edit control")
    left, top, right, bottom = edit["client"]
    winenv.click((left + right) // 2, (top + bottom) // 2)
    wait_until(lambda: probe.foreground()["hwnd"] == notepad.hwnd, 30)
    winenv.type_text("typed by xdotool")
    wait_until(lambda: probe.edit_text(notepad.hwnd) == "typed by xdotool", 30,
               message="notepad's edit control did not get the keys")
    notepad.process.kill()


def test_screenshot_pixels_match_what_getpixel_reads(winenv, probe, tmp_path):
    probe.swatch(100, 150, 40, 30, "12ab34")
    try:
        wait_until(lambda: winenv.pixel(120, 165) == (0x12, 0xAB, 0x34), 30,
                   message="the swatch never showed in the screenshot")
        points = [(120, 165), (100, 150), (139, 179), (99, 149), (140, 180), (5, 5), (512, 760)]
        width, height, rgb = winenv.screen()
        assert (width, height) == (1024, 768)
        for x, y in points:
            i = (y * width + x) * 3
            assert tuple(rgb[i:i + 3]) == probe.pixel(x, y), (x, y)
        assert len({winenv.pixel(x, y) for x, y in points}) > 1
        probe.grab(100, 150, 40, 30, tmp_path / "swatch.bmp")
        bmp = (tmp_path / "swatch.bmp").read_bytes()
        assert bmp[:2] == b"BM" and bmp[54:57] == bytes([0x34, 0xAB, 0x12])  # BGR
    finally:
        probe.unswatch()


def test_alt_v_from_xdotool_fires_a_registered_hotkey(winenv, probe):
    answer = probe.hotkey(1, 0x56)  # MOD_ALT, V
    assert answer["registered"]
    try:
        winenv.key("alt+v")
        event = probe.wait_event("hotkey", timeout=30)
        assert (event["mod"], event["vk"]) == (1, 0x56)
    finally:
        probe.unhotkey()


def test_hung_probe_does_not_answer_sent_messages(winenv, probe):
    hung = winenv.open_probe()
    try:
        own = next(w["hwnd"] for w in probe.windows(hung.greeting["pid"])
                   if w["class"] == "NimbaraProbe")
        assert probe.send(own, 0) == 0  # WM_NULL is answered while it pumps
        hung.hang()
        answer = probe.call("send", own, 0, 0, 0, check=False)
        assert not answer["ok"] and answer["error"] == "not answered"
    finally:
        hung.process.kill()
        hung.process.wait(10)


@pytest.mark.winenv(dpi=120, shell=False, size=(800, 600))
def test_env_settings_reach_wine(winenv, probe):
    screen = probe.screen()
    assert (screen["width"], screen["height"], screen["dpi"]) == (800, 600, 120)
    # Without the shell, explorer keeps its tray window hidden: no taskbar on the desktop.
    trays = [w for w in probe.windows() if w["class"] == "Shell_TrayWnd"]
    assert not any(w["visible"] for w in trays), trays


def test_registry_helpers_use_the_32_bit_view(winenv):
    key = r"HKLM\SOFTWARE\NimbaraHarnessTest"
    winenv.reg_add(key, "HotKeyChar", "86")
    assert winenv.reg_query(key, "HotKeyChar") == "86"
    if winenv.arch == "win64":
        # A 32-bit program's HKLM\SOFTWARE is the WOW6432Node branch of a 64-bit prefix.
        assert winenv.reg_query(r"HKLM\SOFTWARE\WOW6432Node\NimbaraHarnessTest", "HotKeyChar",
                                view=64) == "86"
    assert winenv.reg_delete(key, "HotKeyChar")
    assert winenv.reg_query(key, "HotKeyChar") is None
    assert winenv.reg_delete(key)


def _alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def test_stop_leaves_no_process_and_no_prefix_behind():
    env = WineEnv(size=(640, 480))
    env.start()
    try:
        env.spawn(["notepad.exe"])
        wait_until(lambda: env.probe.find("Notepad"), 60)
        env.xclip_set("owned by xclip")
        pids = set(env.pids()) | {env._xvfb.process.pid} | {p.pid for p in env._xclips}
        assert len(pids) >= 4
        prefix = env.prefix
    finally:
        env.stop()
    wait_until(lambda: not any(_alive(pid) for pid in pids), 30,
               message=f"still running: {[p for p in pids if _alive(p)]}")
    assert not prefix.exists()


def test_run_command_exports_the_env_and_passes_the_exit_code():
    script = os.path.join(os.path.dirname(__file__), "..", "harness", "winenv.py")
    result = subprocess.run(
        ["/usr/bin/python3", script, "run", "--no-shell", "--", "sh", "-c",
         'test -n "$DISPLAY" && test -d "$WINEPREFIX/drive_c" && test "$LC_ALL" = zh_CN.UTF-8 '
         "&& exit 7"], capture_output=True, text=True, timeout=240)
    assert result.returncode == 7, result.stderr


@pytest.mark.parametrize("printed, starts", [
    ("wine: could not load ntdll.so", 3),  # Wine's loader failed it: made again, twice at most
    ("err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data", 3),
    ("no window today", 1),                # the program's own end: fails at once
])
def test_a_program_that_ends_before_its_window_is_started_again_only_when_wine_failed_it(
        winenv, printed, starts):
    before = len(winenv._spawned)
    with pytest.raises(AssertionError, match=f"code 1; it printed: .*{printed}"):
        winenv.start_shown(["cmd.exe", "/c", f"echo {printed} 1>&2 & exit 1"], lambda: None, 60,
                           "cmd")
    assert len(winenv._spawned) - before == starts
