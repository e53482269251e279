"""The About dialog, driven from outside like a user.

It is opened with the mouse from the toolbar's "关于"; its layout is read back through the probe,
its look through a screenshot (compared with a kept reference) and the X pointer; its links are
followed through Wine's own browser and mail program settings into a recorder script; and it is
closed by "确定" and by the close box.

After a deliberate change of the dialog's look, NIMBARA_UPDATE_REFERENCES=1 rewrites
references/about_dialog.png from the screen; look at the new picture before committing it.
"""

import os
import subprocess
import time
from pathlib import Path

import pytest

from about_look import ink_profile, load_bmp
from harness import wait_until

REFERENCES = Path(__file__).resolve().parent / "references"
ABOUT_REFERENCE = REFERENCES / "about_dialog.png"

WEB_PAGE = "http://www.nimbara.test/"
MAILTO = "mailto:help@nimbara.test"

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
TB_GETBUTTONSIZE = 0x043A
N1 = 2001  # the tray menu's "打开/隐藏(&O)": shows the main window
TOOLBAR_SEPARATOR = 8
# The toolbar, left to right: 隐藏, 全部清空, 设置, separator, 帮助, 关于, separator,
# 退出程序. Before "关于": four buttons and one separator.
ABOUT_BUTTON = (4, 1)

PANEL1, IMAGE1, LABEL1, LABEL2, LABEL3, LABEL4, BITBTN1 = 101, 102, 103, 104, 105, 106, 1
# Designed places (left, top, width, height) and texts.
DESIGNED = {
    LABEL1: ((46, 80, 144, 12), WEB_PAGE),
    LABEL2: ((33, 102, 177, 12), "Nimbara v1.0 Build 0921"),
    LABEL3: ((47, 120, 152, 12), "Nimbara 工作室 出品"),
    LABEL4: ((38, 135, 168, 12), "E-mail:help@nimbara.test"),
    BITBTN1: ((80, 160, 81, 17), "确定"),
}
LINKS = {"banner": IMAGE1, "web address": LABEL1, "e-mail line": LABEL4}


def mul_div(a, b, c):
    """Win32's MulDiv for the positive values of a layout: rounds halves up."""
    return (2 * a * b + c) // (2 * c)


class Nimbara:
    """The running program, as seen from outside."""

    def __init__(self, env, probe, program):
        self.env, self.probe, self.program = env, probe, program
        self.main = program.hwnd

    def window(self, hwnd):
        return next((w for w in self.probe.windows() if w["hwnd"] == hwnd), None)

    def text_height(self):
        """The text height the program scales by, from the main window's full-width title strip
        (429 pixels as designed at a text height of 12)."""
        strip = next(c for c in self.probe.children(self.main) if c["id"] == 10)
        width = strip["rect"][2] - strip["rect"][0]
        return next(h for h in range(8, 64) if mul_div(429, h, 12) == width)

    def show_main(self):
        if not self.window(self.main)["visible"]:
            self.probe.post(self.main, WM_COMMAND, N1)
            wait_until(lambda: self.window(self.main)["visible"], 30,
                       message="the main window did not show")

    def about_button_centre(self):
        toolbar = next(c for c in self.probe.children(self.main)
                       if c["class"] == "ToolbarWindow32")
        size = self.probe.send(toolbar["hwnd"], TB_GETBUTTONSIZE)
        width, height = size & 0xFFFF, size >> 16
        buttons, separators = ABOUT_BUTTON
        left, top = toolbar["client"][0], toolbar["client"][1]
        return (left + buttons * width + separators * TOOLBAR_SEPARATOR + width // 2,
                top + height // 2)

    def dialog(self):
        """The About dialog's top-level entry when it is shown, else None."""
        return next((w for w in self.probe.windows(self.program.pid)
                     if w["class"] == "TAboutForm" and w["visible"]), None)

    def open_about(self):
        """Clicks the toolbar's "关于" with the mouse; returns the shown dialog."""
        self.show_main()
        self.env.click(*self.about_button_centre())
        return wait_until(self.dialog, 30, message="no About dialog after a click on 关于")

    def controls(self, dialog):
        return {c["id"]: c for c in self.probe.children(dialog["hwnd"])}

    def client_rect(self, hwnd):
        """A top-level window's client area in screen coordinates, as the desktop's child."""
        desktop = self.probe.screen()["desktop"]
        return next(c["client"] for c in self.probe.children(desktop) if c["hwnd"] == hwnd)

    def click_centre(self, control):
        left, top, right, bottom = control["rect"]
        self.env.click((left + right) // 2, (top + bottom) // 2)

    def close(self):
        if self.program.process.poll() is None:
            self.probe.post(self.main, WM_CLOSE)
            try:
                self.program.process.wait(30)
            except subprocess.TimeoutExpired:
                self.program.process.kill()


@pytest.fixture
def nimbara(winenv, probe, start_program, nimbara_exe):
    program = start_program(nimbara_exe, "TMainForm", timeout=120)
    running = Nimbara(winenv, probe, program)
    try:
        yield running
    finally:
        running.close()


def winebrowser_running(env):
    for pid in env.pids():
        try:
            if b"winebrowser" in Path(f"/proc/{pid}/cmdline").read_bytes().lower():
                return True
        except OSError:
            continue
    return False


def settle_shell(env):
    """Waits until the shell's work for a click is over: winebrowser started and ended."""
    time.sleep(2)
    wait_until(lambda: not winebrowser_running(env), 60, message="winebrowser did not end")


def point_browser_and_mailer_at(env, program):
    key = r"HKCU\Software\Wine\WineBrowser"
    env.reg_add(key, "Browsers", program, view=None)
    env.reg_add(key, "Mailers", program, view=None)


@pytest.fixture
def recorder(tmp_path):
    """A Unix program that writes the address it is given, one line per call."""
    log = tmp_path / "opened.txt"
    log.touch()
    script = tmp_path / "record-address"
    script.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> '{log}'\n")
    script.chmod(0o755)
    return script, log


def visible_windows(probe):
    return {w["hwnd"]: (w["class"], w["title"]) for w in probe.windows() if w["visible"]}


# --- result 1: layout, look, cursors --------------------------------------------------------


def test_the_dialog_has_its_caption_place_size_and_owner(nimbara, probe):
    dialog = nimbara.open_about()
    scale = nimbara.text_height()
    assert dialog["title"] == "关于"
    assert dialog["rect"][:2] == [394, 275], "placed where it was laid out, not centred"
    assert dialog["owner"] == probe.find("NimbaraApplication", "Nimbara")
    assert dialog["topmost"], "opened over the topmost main window"
    style = dialog["style"]
    assert style & 0x00C00000 == 0x00C00000 and style & 0x00080000  # caption, system menu
    assert not style & (0x00040000 | 0x00020000 | 0x00010000)  # no sizing, no min/max box
    assert dialog["exstyle"] & 0x00000001  # WS_EX_DLGMODALFRAME
    left, top, right, bottom = nimbara.client_rect(dialog["hwnd"])
    assert (right - left, bottom - top) == (mul_div(242, scale, 12), mul_div(185, scale, 12))


def test_the_controls_carry_their_texts_at_their_places(nimbara):
    dialog = nimbara.open_about()
    h = nimbara.text_height()
    left, top, _, _ = nimbara.client_rect(dialog["hwnd"])
    controls = nimbara.controls(dialog)
    for control_id, ((x, y, w, height), text) in DESIGNED.items():
        control = controls[control_id]
        assert control["text"] == text
        expected = [left + mul_div(x, h, 12), top + mul_div(y, h, 12),
                    left + mul_div(x + w, h, 12), top + mul_div(y + height, h, 12)]
        assert control["rect"] == expected, (text, control["rect"], expected)
    # Panel1 frames the banner with its 1-pixel bevel; the banner is the 220 x 60 picture.
    panel, banner = controls[PANEL1], controls[IMAGE1]
    picture = (mul_div(220, h, 12), mul_div(60, h, 12))
    assert banner["parent"] == panel["hwnd"]
    assert panel["rect"][:2] == [left + mul_div(9, h, 12), top + mul_div(9, h, 12)]
    assert (panel["rect"][2] - panel["rect"][0], panel["rect"][3] - panel["rect"][1]) == (
        picture[0] + 2, picture[1] + 2)
    assert banner["rect"] == [panel["rect"][0] + 1, panel["rect"][1] + 1,
                              panel["rect"][2] - 1, panel["rect"][3] - 1]
    tab_stops = [c["id"] for c in controls.values() if c["style"] & 0x00010000]
    assert tab_stops == [BITBTN1], "确定 is the only control that takes the focus"
    assert nimbara.probe.foreground()["focus"] == controls[BITBTN1]["hwnd"]


def grab_dialog(nimbara, dialog, path):
    left, top, right, bottom = dialog["rect"]
    nimbara.probe.grab(left, top, right - left, bottom - top, path)
    return load_bmp(path)


def open_and_settle(nimbara):
    """Opens the dialog with the pointer parked away from it, for a steady picture."""
    dialog = nimbara.open_about()
    nimbara.env.move(5, 5)
    time.sleep(0.5)  # the button's press and the pointer's leaving are painted
    return dialog


def test_the_dialog_looks_like_its_reference(nimbara, tmp_path):
    dialog = open_and_settle(nimbara)
    actual = tmp_path / "about.bmp"
    grab_dialog(nimbara, dialog, actual)
    if os.environ.get("NIMBARA_UPDATE_REFERENCES"):
        subprocess.run(["convert", str(actual), str(ABOUT_REFERENCE)], check=True)
    differing = compare_with_reference(actual, ABOUT_REFERENCE, tmp_path / "difference.png")
    picture = load_bmp(actual)
    # Anti-aliasing may shift a little; a changed text, font, colour or place does not fit.
    assert differing <= picture.width * picture.height // 200, (
        f"{differing} pixels differ from {ABOUT_REFERENCE.name}; see {tmp_path}")


def compare_with_reference(actual, reference, difference):
    result = subprocess.run(
        ["compare", "-metric", "AE", "-fuzz", "12%", str(reference), str(actual),
         str(difference)],
        capture_output=True, text=True, timeout=60)
    if result.returncode == 2:
        pytest.fail(f"cannot compare with {reference}: {result.stderr.strip()}")
    return int(float(result.stderr.split()[0]))


def test_links_are_blue_texts_bold_where_designed_and_none_is_cut_off(nimbara, tmp_path):
    dialog = open_and_settle(nimbara)
    picture = grab_dialog(nimbara, dialog, tmp_path / "about.bmp")
    controls = nimbara.controls(dialog)
    origin = dialog["rect"][:2]
    profiles = {}
    for control_id in (LABEL1, LABEL2, LABEL3, LABEL4):
        left, top, right, bottom = controls[control_id]["rect"]
        area = picture.crop(left - origin[0], top - origin[1], right - left, bottom - top)
        profiles[control_id] = ink_profile(area)
    for control_id in (LABEL1, LABEL4):
        assert profiles[control_id].colour == "blue", DESIGNED[control_id][1]
    for control_id in (LABEL2, LABEL3):
        assert profiles[control_id].colour == "dark", DESIGNED[control_id][1]
    regular = profiles[LABEL1].stroke
    for control_id in (LABEL2, LABEL3, LABEL4):
        assert profiles[control_id].stroke >= regular * 1.3, (
            DESIGNED[control_id][1], profiles[control_id].stroke, regular)
    for control_id, profile in profiles.items():
        assert profile.margin_right >= 2, f"{DESIGNED[control_id][1]!r} is cut off"


def cursor_shape(env):
    from Xlib import display  # python3-xlib

    screen = display.Display(env.display)
    try:
        screen.xfixes_query_version()
        image = screen.xfixes_get_cursor_image(screen.screen().root)
        return image.width, image.height, image.xhot, image.yhot, tuple(image.cursor_image)
    finally:
        screen.close()


def test_the_links_show_the_hand_and_the_rest_the_arrow(nimbara):
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog)

    def shape_over(control):
        left, top, right, bottom = control["rect"]
        nimbara.env.move((left + right) // 2, (top + bottom) // 2)
        time.sleep(0.3)
        return cursor_shape(nimbara.env)

    links = {name: shape_over(controls[i]) for name, i in LINKS.items()}
    plain = {text: shape_over(controls[i]) for i, (_, text) in DESIGNED.items()
             if i in (LABEL2, LABEL3)}
    arrow = plain[DESIGNED[LABEL2][1]]
    assert all(shape == arrow for shape in plain.values())
    hand = links["banner"]
    assert hand != arrow
    assert all(shape == hand for shape in links.values()), "the same hand over every link"


# --- result 2: the links, through Wine's browser and mail program settings -------------------


def test_banner_and_web_address_open_the_page_and_the_e_mail_line_a_message(
        nimbara, winenv, recorder):
    script, log = recorder
    point_browser_and_mailer_at(winenv, str(script))
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog)
    expected = []
    for name, control_id in LINKS.items():
        nimbara.click_centre(controls[control_id])
        expected.append(MAILTO if control_id == LABEL4 else WEB_PAGE)
        wait_until(lambda: log.read_text().splitlines() == expected, 60,
                   message=f"after the {name}: {log.read_text().splitlines()} != {expected}")
        assert nimbara.dialog(), f"a click on the {name} closed the dialog"


def test_the_product_and_maker_lines_open_nothing(nimbara, winenv, recorder):
    script, log = recorder
    point_browser_and_mailer_at(winenv, str(script))
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog)
    nimbara.click_centre(controls[LABEL2])
    nimbara.click_centre(controls[LABEL3])
    nimbara.env.click(*controls[PANEL1]["rect"][:2])  # the banner's frame, beside the banner
    settle_shell(winenv)
    assert log.read_text() == ""
    assert nimbara.dialog()


# --- result 3: no program for the address, the ways out, one dialog --------------------------


def click_links_and_expect_silence(nimbara, env):
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog)
    before = visible_windows(nimbara.probe)
    for name, control_id in LINKS.items():
        nimbara.click_centre(controls[control_id])
        settle_shell(env)
        assert visible_windows(nimbara.probe) == before, f"something showed after the {name}"
    assert nimbara.program.process.poll() is None
    assert nimbara.dialog()["hwnd"] == dialog["hwnd"]
    assert nimbara.probe.foreground()["hwnd"] == dialog["hwnd"]


def test_no_program_for_the_addresses_reports_nothing(nimbara, winenv, tmp_path):
    point_browser_and_mailer_at(winenv, str(tmp_path / "no-such-program"))
    click_links_and_expect_silence(nimbara, winenv)


@pytest.mark.winenv()
def test_no_association_for_the_addresses_reports_nothing(nimbara, winenv):
    # This test's own environment: the classes of the two addresses go away for good.
    for scheme in ("http", "mailto"):
        winenv.reg_delete(rf"HKLM\Software\Classes\{scheme}", view=None)
        assert winenv.reg_query(rf"HKCR\{scheme}\shell\open\command", view=None) is None
    click_links_and_expect_silence(nimbara, winenv)


def test_ok_and_the_close_box_close_it_and_every_opening_shows_the_same_dialog(nimbara):
    first = nimbara.open_about()
    controls = nimbara.controls(first)
    nimbara.click_centre(controls[BITBTN1])
    wait_until(lambda: nimbara.dialog() is None, 30, message="确定 did not close the dialog")
    assert nimbara.window(nimbara.main)["enabled"], "the main window was left disabled"

    second = nimbara.open_about()
    assert second["hwnd"] == first["hwnd"]
    assert {i: (c["text"], c["rect"]) for i, c in nimbara.controls(second).items()} == {
        i: (c["text"], c["rect"]) for i, c in controls.items()}
    left, top, right, _ = second["rect"]
    client = nimbara.client_rect(second["hwnd"])
    border = client[0] - left
    caption = client[1] - top - border
    # The close box: the only caption button, at the caption's right end.
    nimbara.env.click(right - border - caption // 2 - 1, top + border + caption // 2)
    wait_until(lambda: nimbara.dialog() is None, 30, message="the close box did not close it")
    assert nimbara.window(nimbara.main)["enabled"]
    assert nimbara.program.process.poll() is None

    third = nimbara.open_about()
    assert third["hwnd"] == first["hwnd"]
