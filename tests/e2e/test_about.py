"""The About dialog, driven from outside like a user.

It is opened with the mouse from the toolbar's "关于"; its layout is read back through the probe,
its look through a screenshot (compared with a kept reference) and the X pointer; its links are
followed through Wine's own browser and mail program settings into a recorder script; and it is
closed by "确定" and by the close box.

After a deliberate change of the dialog's look, NIMBARA_UPDATE_REFERENCES=1 rewrites
references/about_dialog.png from the screen; look at the new picture before committing it.
"""

from pathlib import Path

import pytest

from about_look import ink_profile, load_bmp
from harness import wait_until
from nimbara_constants import AboutControl
from nimbara_program import assert_looks_like, center

REFERENCES = Path(__file__).resolve().parent / "references"
ABOUT_REFERENCE = REFERENCES / "about_dialog.png"

WEB_PAGE = "http://www.nimbara.test/"
MAILTO = "mailto:help@nimbara.test"

# The labels' texts, to name them in messages.
TEXTS = {
    AboutControl.kWebAddress: WEB_PAGE,
    AboutControl.kProductLine: "Nimbara v1.0 Build 0921",
    AboutControl.kMakerLine: "Nimbara 工作室 出品",
    AboutControl.kEmail: "E-mail:help@nimbara.test",
}
LINKS = {"banner": AboutControl.kBanner, "web address": AboutControl.kWebAddress,
         "e-mail line": AboutControl.kEmail}


def winebrowser_running(env):
    for pid in env.pids():
        try:
            if b"winebrowser" in Path(f"/proc/{pid}/cmdline").read_bytes().lower():
                return True
        except OSError:
            continue
    return False


def shell_done(nimbara):
    """Until the shell's work for the clicks so far is over: the program has handled them (and
    started whatever the shell starts for an address), and no winebrowser runs any more."""
    nimbara.probe.idle(nimbara.pid)
    wait_until(lambda: not winebrowser_running(nimbara.env), 60, message="winebrowser did not end")


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
    scale = nimbara.scale()
    assert dialog["title"] == "关于"
    assert dialog["rect"][:2] == [394, 275], "placed where it was laid out, not centred"
    assert dialog["owner"] == probe.find("NimbaraApplication", "Nimbara")
    assert dialog["topmost"], "opened over the topmost main window"
    style = dialog["style"]
    assert style & 0x00C00000 == 0x00C00000 and style & 0x00080000  # caption, system menu
    assert not style & (0x00040000 | 0x00020000 | 0x00010000)  # no sizing, no min/max box
    assert dialog["exstyle"] & 0x00000001  # WS_EX_DLGMODALFRAME
    left, top, right, bottom = nimbara.client_rect(dialog["hwnd"])
    assert (right - left, bottom - top) == (scale(242), scale(185))


def open_and_grab(nimbara, path):
    """Opens the dialog and grabs it with the pointer parked away from it."""
    dialog = nimbara.open_about()
    nimbara.env.move(5, 5)
    return dialog, nimbara.grab(dialog["rect"], path)


def test_the_dialog_looks_like_its_reference(nimbara, tmp_path):
    _, shot = open_and_grab(nimbara, tmp_path / "about.bmp")
    assert_looks_like(shot, ABOUT_REFERENCE)


def test_links_are_blue_texts_bold_where_designed_and_none_is_cut_off(nimbara, tmp_path):
    dialog, shot = open_and_grab(nimbara, tmp_path / "about.bmp")
    picture = load_bmp(shot)
    controls = nimbara.controls(dialog["hwnd"])
    origin = dialog["rect"][:2]
    profiles = {}
    for control_id in (AboutControl.kWebAddress, AboutControl.kProductLine,
                       AboutControl.kMakerLine, AboutControl.kEmail):
        left, top, right, bottom = controls[control_id]["rect"]
        area = picture.crop(left - origin[0], top - origin[1], right - left, bottom - top)
        profiles[control_id] = ink_profile(area)
    for control_id in (AboutControl.kWebAddress, AboutControl.kEmail):
        assert profiles[control_id].colour == "blue", TEXTS[control_id]
    for control_id in (AboutControl.kProductLine, AboutControl.kMakerLine):
        assert profiles[control_id].colour == "dark", TEXTS[control_id]
    regular = profiles[AboutControl.kWebAddress].stroke
    for control_id in (AboutControl.kProductLine, AboutControl.kMakerLine, AboutControl.kEmail):
        assert profiles[control_id].stroke >= regular * 1.3, (
            TEXTS[control_id], profiles[control_id].stroke, regular)
    for control_id, profile in profiles.items():
        assert profile.margin_right >= 2, f"{TEXTS[control_id]!r} is cut off"


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
    controls = nimbara.controls(dialog["hwnd"])
    arrow = cursor_shape(nimbara.env)  # over the toolbar button just clicked

    def shape_over(control_id, wanted):
        """Moves onto the control and waits until the shape becomes what wanted accepts: each
        move goes from a link to a plain text or back, so the program must change the shape."""
        nimbara.env.move(*center(controls[control_id]["rect"]))
        return wait_until(lambda: shape if wanted(shape := cursor_shape(nimbara.env)) else None,
                          30, message=f"the pointer's shape over control {control_id}")

    hands = []
    for link, plain in ((AboutControl.kBanner, AboutControl.kProductLine),
                        (AboutControl.kWebAddress, AboutControl.kMakerLine), (AboutControl.kEmail,
                                                                              None)):
        hands.append(shape_over(link, lambda shape: shape != arrow))
        if plain:
            shape_over(plain, lambda shape: shape == arrow)
    assert hands[1:] == hands[:-1], "the same hand over every link"


# --- result 2: the links, through Wine's browser and mail program settings -------------------


def test_banner_and_web_address_open_the_page_and_the_e_mail_line_a_message(
        nimbara, winenv, recorder):
    script, log = recorder
    point_browser_and_mailer_at(winenv, str(script))
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog["hwnd"])
    expected = []
    for name, control_id in LINKS.items():
        nimbara.click_centre(controls[control_id])
        expected.append(MAILTO if control_id == AboutControl.kEmail else WEB_PAGE)
        wait_until(lambda: log.read_text().splitlines() == expected, 60,
                   message=f"after the {name}: {log.read_text().splitlines()} != {expected}")
        assert nimbara.dialog("TAboutForm"), f"a click on the {name} closed the dialog"


def test_the_product_and_maker_lines_open_nothing(nimbara, winenv, recorder):
    script, log = recorder
    point_browser_and_mailer_at(winenv, str(script))
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog["hwnd"])
    nimbara.click_centre(controls[AboutControl.kProductLine])
    nimbara.click_centre(controls[AboutControl.kMakerLine])
    # the banner's frame, beside the banner
    nimbara.env.click(*controls[AboutControl.kBannerFrame]["rect"][:2])
    # A link last: once its page is opened, the clicks before it have been handled.
    nimbara.click_centre(controls[AboutControl.kWebAddress])
    wait_until(lambda: log.read_text(), 60, message="the web address opened nothing")
    shell_done(nimbara)
    assert log.read_text().splitlines() == [WEB_PAGE]
    assert nimbara.dialog("TAboutForm")


# --- result 3: no program for the address, the ways out, one dialog --------------------------


def click_links_and_expect_silence(nimbara, env):
    dialog = nimbara.open_about()
    controls = nimbara.controls(dialog["hwnd"])
    before = visible_windows(nimbara.probe)
    for name, control_id in LINKS.items():
        nimbara.click_centre(controls[control_id])
        shell_done(nimbara)
        assert visible_windows(nimbara.probe) == before, f"something showed after the {name}"
    assert nimbara.process.poll() is None
    assert nimbara.dialog("TAboutForm")["hwnd"] == dialog["hwnd"]
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
    controls = nimbara.controls(first["hwnd"])
    nimbara.click_centre(controls[AboutControl.kOk])
    wait_until(lambda: nimbara.dialog("TAboutForm") is None, 30,
               message="确定 did not close the dialog")
    assert nimbara.window()["enabled"], "the main window was left disabled"

    second = nimbara.open_about()
    assert second["hwnd"] == first["hwnd"]
    assert {i: (c["text"], c["rect"]) for i, c in nimbara.controls(second["hwnd"]).items()} == {
        i: (c["text"], c["rect"]) for i, c in controls.items()}
    left, top, right, _ = second["rect"]
    client = nimbara.client_rect(second["hwnd"])
    border = client[0] - left
    caption = client[1] - top - border
    # The close box: the only caption button, at the caption's right end.
    nimbara.env.click(right - border - caption // 2 - 1, top + border + caption // 2)
    wait_until(lambda: nimbara.dialog("TAboutForm") is None, 30,
               message="the close box did not close it")
    assert nimbara.window()["enabled"]
    assert nimbara.process.poll() is None

    third = nimbara.open_about()
    assert third["hwnd"] == first["hwnd"]
