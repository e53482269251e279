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


def cursor_shape(env):
    from Xlib import display  # python3-xlib

    screen = display.Display(env.display)
    try:
        screen.xfixes_query_version()
        image = screen.xfixes_get_cursor_image(screen.screen().root)
        return image.width, image.height, image.xhot, image.yhot, tuple(image.cursor_image)
    finally:
        screen.close()


def shape_over(nimbara, control, wanted):
    """Moves onto the control and waits until the shape becomes what wanted accepts: each move
    goes from a link to a plain text or back, so the program must change the shape."""
    nimbara.env.move(*center(control["rect"]))
    return wait_until(lambda: shape if wanted(shape := cursor_shape(nimbara.env)) else None, 30,
                      message=f"the pointer's shape over control {control['id']}")


def ink_profiles(picture, controls, origin):
    profiles = {}
    for control_id in TEXTS:
        left, top, right, bottom = controls[control_id]["rect"]
        area = picture.crop(left - origin[0], top - origin[1], right - left, bottom - top)
        profiles[control_id] = ink_profile(area)
    return profiles


def click_links_and_expect_silence(nimbara, dialog):
    controls = nimbara.controls(dialog["hwnd"])
    before = visible_windows(nimbara.probe)
    for name, control_id in LINKS.items():
        nimbara.click_centre(controls[control_id])
        shell_done(nimbara)
        assert visible_windows(nimbara.probe) == before, f"something showed after the {name}"
    assert nimbara.process.poll() is None
    assert nimbara.dialog("TAboutForm")["hwnd"] == dialog["hwnd"]
    assert nimbara.probe.foreground()["hwnd"] == dialog["hwnd"]


def close_by_the_close_box(nimbara, dialog):
    left, top, right, _ = dialog["rect"]
    client = nimbara.client_rect(dialog["hwnd"])
    border = client[0] - left
    caption = client[1] - top - border
    # The close box: the only caption button, at the caption's right end.
    nimbara.env.click(right - border - caption // 2 - 1, top + border + caption // 2)
    wait_until(lambda: nimbara.dialog("TAboutForm") is None, 30,
               message="the close box did not close it")


# The window's caption, place, styles and owner, and the links' cursors and clicks as the
# dialog asks them of the shell, are the Win32 tests' (tests/win32/about); here one user opens
# the dialog from the toolbar again and again, looks at it, points at it and follows its links.
def test_a_user_looks_at_the_dialog_follows_its_links_and_closes_it_each_way(
        nimbara, winenv, recorder, tmp_path):
    script, log = recorder
    point_browser_and_mailer_at(winenv, str(script))
    first = nimbara.open_about()
    arrow = cursor_shape(nimbara.env)  # over the toolbar button just clicked
    nimbara.env.move(5, 5)
    shot = nimbara.grab(first["rect"], tmp_path / "about.bmp")
    assert_looks_like(shot, ABOUT_REFERENCE)

    # The links blue, the other texts dark, all but the web address bold, none cut off.
    controls = nimbara.controls(first["hwnd"])
    profiles = ink_profiles(load_bmp(shot), controls, first["rect"][:2])
    for control_id, profile in profiles.items():
        link = control_id in (AboutControl.kWebAddress, AboutControl.kEmail)
        assert profile.colour == ("blue" if link else "dark"), TEXTS[control_id]
        assert profile.margin_right >= 2, f"{TEXTS[control_id]!r} is cut off"
    regular = profiles[AboutControl.kWebAddress].stroke
    for control_id in (AboutControl.kProductLine, AboutControl.kMakerLine, AboutControl.kEmail):
        assert profiles[control_id].stroke >= regular * 1.3, (
            TEXTS[control_id], profiles[control_id].stroke, regular)

    # The hand over each link, the arrow over the rest.
    hands = []
    for link, plain in ((AboutControl.kBanner, AboutControl.kProductLine),
                        (AboutControl.kWebAddress, AboutControl.kMakerLine),
                        (AboutControl.kEmail, None)):
        hands.append(shape_over(nimbara, controls[link], lambda shape: shape != arrow))
        if plain:
            shape_over(nimbara, controls[plain], lambda shape: shape == arrow)
    assert hands[1:] == hands[:-1], "the same hand over every link"

    # Through Wine's browser and mail program settings: the product and maker lines and the
    # banner's frame open nothing (the clicks are handled in turn, so once the banner's page
    # is opened, they have been), the banner and the web address open the page, the e-mail
    # line a message, and the dialog stays.
    nimbara.click_centre(controls[AboutControl.kProductLine])
    nimbara.click_centre(controls[AboutControl.kMakerLine])
    nimbara.env.click(*controls[AboutControl.kBannerFrame]["rect"][:2])  # beside the banner
    expected = []
    for name, control_id in LINKS.items():
        nimbara.click_centre(controls[control_id])
        expected.append(MAILTO if control_id == AboutControl.kEmail else WEB_PAGE)
        wait_until(lambda: log.read_text().splitlines() == expected, 60,
                   message=f"after the {name}: {log.read_text().splitlines()} != {expected}")
        assert nimbara.dialog("TAboutForm"), f"a click on the {name} closed the dialog"
    shell_done(nimbara)
    assert log.read_text().splitlines() == expected

    # 确定 closes it; the next opening shows the same dialog, which with no program for the
    # addresses says nothing; the close box closes it; the third opening is the same again.
    nimbara.click_centre(controls[AboutControl.kOk])
    wait_until(lambda: nimbara.dialog("TAboutForm") is None, 30,
               message="确定 did not close the dialog")
    assert nimbara.window()["enabled"], "the main window was left disabled"
    second = nimbara.open_about()
    assert second["hwnd"] == first["hwnd"]
    assert {i: (c["text"], c["rect"]) for i, c in nimbara.controls(second["hwnd"]).items()} == {
        i: (c["text"], c["rect"]) for i, c in controls.items()}
    point_browser_and_mailer_at(winenv, str(tmp_path / "no-such-program"))
    click_links_and_expect_silence(nimbara, second)
    close_by_the_close_box(nimbara, second)
    assert nimbara.window()["enabled"]
    assert nimbara.process.poll() is None
    assert nimbara.open_about()["hwnd"] == first["hwnd"]


# The last of this file: the classes of the two addresses go away for good, with the
# environment the file's tests share.
def test_no_association_for_the_addresses_reports_nothing(nimbara, winenv):
    for scheme in ("http", "mailto"):
        winenv.reg_delete(rf"HKLM\Software\Classes\{scheme}", view=None)
        assert winenv.reg_query(rf"HKCR\{scheme}\shell\open\command", view=None) is None
    click_links_and_expect_silence(nimbara, nimbara.open_about())
