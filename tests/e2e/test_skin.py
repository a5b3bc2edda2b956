"""Skinned windows as the user sees them: Glintbox's settings dialog and its
data-file message in the default skin (English and Korean), skinview.exe with
the default and the Slate skin, loading another skin into open windows, a
skinned dialog dragged by its caption, and bad skin files.

The frames are checked against the skins' own pictures, which the build draws
(resources/skin/make-skin-art.sh, make-slate-art.sh): a frame pixel on the
screen must have the colour of the picture pixel it was cut from, and the
rounded corners must show what was on the screen before the window came."""

import os
import subprocess
import tempfile
import time

from harness import (BIN, WINBUILD, WineTestCase, child, click, click_control, find_window, message_text, pixel,
                     press, reg_delete_key, reg_query, same_colour, screen_text, screenshot, share_read_back, wait_for,
                     windows, wine, wine_env, x_window)

SKINVIEW = os.path.join(BIN, "skinview.exe")
SLATE_SKIN = os.path.join(BIN, "Slate.skin")
DEFAULT_SKIN = os.path.join(WINBUILD, "default-skin", "Glintbox.skin")
DEFAULT_PICTURE = os.path.join(WINBUILD, "default-skin", "windows.bmp")
SLATE_PICTURE = os.path.join(WINBUILD, "slate-skin", "slate-frame.bmp")

# Window point -> picture point of the active frame. A negative y counts from
# the window's bottom edge. Tiled parts repeat from their part's origin, so
# these points are chosen where window and picture coordinates agree.
DEFAULT_FRAME = [
    ((6, 12), (6, 12)),      # top-left part, drawn as it is
    ((20, 3), (20, 3)),      # caption band (top-left part, drawn as it is)
    ((60, 3), (60, 3)),      # caption band (top part, tiled from x = 28)
    ((20, 0), (20, 0)),      # its outline: the active colour
    ((2, 40), (2, 40)),      # left border (tiled from y = 30)
    ((20, -3), (20, 69)),    # bottom border (rows 66 ... 71)
]
SLATE_FRAME = [
    ((6, 12), (6, 12)),
    ((60, 3), (60, 3)),      # caption band (tiled from x = 52)
    ((60, 26), (60, 26)),    # the teal rule under the caption
    ((2, 40), (2, 40)),      # left border (tiled from y = 28)
    ((20, -2), (20, 78)),    # bottom border (rows 72 ... 79)
]
# Where the close button is, from the window's top-right corner.
DEFAULT_CLOSE = (-18, 15)


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def focus(title):
    """Makes the window active (there is no window manager to do it) and
    returns it once two looks in a row find it in the same place: a dialog is
    resized when its skin comes and a message box is placed over its owner
    after it was first seen."""
    wid = x_window(title)
    if wid:
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], capture_output=True, timeout=10)
    seen = [None]

    def settled():
        w = find_window(title=title, timeout=0)
        before, seen[0] = seen[0], w
        return w if w and before and w["rect"] == before["rect"] else None
    return wait_for(settled, timeout=20)


class SkinTestCase(WineTestCase):
    def setUp(self):
        super().setUp()
        self.desktop = screenshot("skin-desktop")

    def start_skinview(self, *args):
        p = subprocess.Popen(["wine", SKINVIEW] + list(args), env=wine_env(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.processes.append(p)
        return p

    def assertFrame(self, shot, window, picture, points):
        """The frame's pixels are those of the skin's picture."""
        left, top, right, bottom = window["rect"]
        for (wx, wy), (px, py) in points:
            at = (left + wx, (bottom + wy) if wy < 0 else top + wy)
            want = pixel(picture, px, py)
            self.assertTrue(same_colour(pixel(shot, *at), want, 6),
                            "%s at window point %s is %s, the picture has %s at %s" %
                            (window["text"], (wx, wy), pixel(shot, *at), want, (px, py)))

    def assertRoundCorners(self, shot, window):
        """The four corner pixels show the screen behind the window."""
        left, top, right, bottom = window["rect"]
        for x, y in ((left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1)):
            self.assertEqual(pixel(shot, x, y), pixel(self.desktop, x, y),
                             "corner %s of %s is painted: no window region" % ((x, y), window["text"]))

    def assertCaptionReads(self, shot, window, caption, korean=False):
        """The caption's text is read back from the frame, every letter of it:
        the skin's icon button must not cover any."""
        left, top, right, _ = window["rect"]
        # Right of the icon button and left of the close button: both read as
        # letters. A text that starts under the icon loses its first letter.
        seen = screen_text(shot, (left + 26, top, right - 36, top + 28), korean)
        share = share_read_back(caption, seen)
        self.assertGreaterEqual(share, 0.8 if korean else 0.9, "caption %r read back as %r" % (caption, seen))

    def close_box_point(self, window, offset):
        left, top, right, _ = window["rect"]
        return right + offset[0], top + offset[1]


class GlintboxWearsTheDefaultSkin(SkinTestCase):
    def setUp(self):
        super().setUp()
        reg_delete_key()
        self.addCleanup(reg_delete_key)

    def check_settings_dialog(self, korean):
        title = "설 정" if korean else "Settings"
        folder = self.folder()
        p = self.start(folder, "/c", korean=korean)
        dlg = find_window(title=title)
        self.assertIsNotNone(dlg, "no settings dialog")
        dlg = focus(title)
        shot = screenshot("skin-settings" + ("-ko" if korean else ""))
        self.assertRoundCorners(shot, dlg)
        self.assertFrame(shot, dlg, DEFAULT_PICTURE, DEFAULT_FRAME)
        if korean:  # two Hangul syllables at caption size defeat the OCR: the body is read
            self.assertEqual(child(dlg, 1008)["text"], "키보드 눌림")
            self.assertEqual(child(dlg, 1002)["text"], "음소거")
            self.assertReadsOnScreen(shot, dlg, ["키보드 눌림", "음소거"], korean=True)
        else:
            self.assertCaptionReads(shot, dlg, title)
        # The skin's close button ends the dialog as Cancel does: nothing is
        # written, and the skin passes the dialog's end on (the work folder goes).
        click(*self.close_box_point(dlg, DEFAULT_CLOSE))
        self.assertEqual(self.assertExits(p), 0)
        for value in ("SoundMute", "Exit Mouse", "Exit KeyPress"):
            self.assertIsNone(reg_query(value), value + " was written")
        self.assertFalse(os.path.exists(folder.work))

    def test_settings_dialog_in_english(self):
        self.check_settings_dialog(korean=False)

    def test_settings_dialog_in_korean(self):
        self.check_settings_dialog(korean=True)

    def test_missing_data_file_message(self):
        folder = self.folder(with_data=False)
        p = self.start(folder, "/s")
        box = find_window(title="Information")
        self.assertIsNotNone(box, "no message box")
        box = focus("Information")
        shot = screenshot("skin-message-130")
        self.assertRoundCorners(shot, box)
        self.assertFrame(shot, box, DEFAULT_PICTURE, DEFAULT_FRAME)
        self.assertCaptionReads(shot, box, "Information")
        press("Return", title="Information")
        self.assertNotEqual(self.assertExits(p), 0)


class SkinViewer(SkinTestCase):
    def open_gallery(self, *args, label):
        p = self.start_skinview(*args)
        title = "Skin viewer - " + label
        gallery = find_window(title=title)
        self.assertIsNotNone(gallery, "no gallery titled %r" % title)
        return p, focus(title)

    def test_default_skin_on_every_kind_of_control_and_its_caption_dragged(self):
        # (A skinned message box in the default skin: Glintbox's own, above.)
        p, gallery = self.open_gallery(label="default skin")
        shot = screenshot("skinview-default")
        self.assertRoundCorners(shot, gallery)
        self.assertFrame(shot, gallery, DEFAULT_PICTURE, DEFAULT_FRAME)
        classes = {c["class"].lower() for c in gallery["children"]}
        for kind in ("button", "edit", "listbox", "combobox", "static", "scrollbar", "msctls_progress32",
                     "msctls_trackbar32", "msctls_updown32", "systabcontrol32", "syslistview32", "systreeview32",
                     "sysheader32", "msctls_statusbar32", "toolbarwindow32", "sysanimate32"):
            self.assertIn(kind, classes)

        left, top, right, bottom = gallery["rect"]
        x, y = left + 60, top + 12
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "mousedown", "1"], check=True, timeout=10)
        for step in range(1, 11):
            time.sleep(0.05)  # the pace of a hand, not a wait for a state
            subprocess.run(["xdotool", "mousemove", str(x + 10 * step), str(y + 8 * step)], check=True, timeout=10)
        subprocess.run(["xdotool", "mouseup", "1"], check=True, timeout=10)

        def moved():
            w = find_window(title="Skin viewer - default skin", timeout=0)
            return w if w and w["rect"] != gallery["rect"] else None
        after = wait_for(moved, timeout=10)
        self.assertIsNotNone(after, "the window did not move")
        self.assertEqual(after["rect"], [left + 100, top + 80, right + 100, bottom + 80])
        click(*self.close_box_point(after, DEFAULT_CLOSE))
        self.assertEqual(self.assertExits(p), 0)

    def test_slate_skin_then_another_skin_loaded_into_the_open_window(self):
        p, gallery = self.open_gallery(SLATE_SKIN, label="Slate.skin")
        shot = screenshot("skinview-slate")
        self.assertRoundCorners(shot, gallery)
        self.assertFrame(shot, gallery, SLATE_PICTURE, SLATE_FRAME)
        click_control(child(gallery, 1025))
        chooser = find_window(title="Open a skin")
        self.assertIsNotNone(chooser, "no file dialog")
        focus("Open a skin")
        subprocess.run(["xdotool", "type", "--delay", "30", wine_path(DEFAULT_SKIN)], check=True, timeout=60)
        press("Return")
        title = "Skin viewer - Glintbox.skin"
        gallery = find_window(title=title)
        self.assertIsNotNone(gallery, "the title does not name the new skin")
        gallery = focus(title)
        shot = screenshot("skinview-after-reskin")
        self.assertRoundCorners(shot, gallery)
        self.assertFrame(shot, gallery, DEFAULT_PICTURE, DEFAULT_FRAME)
        click(*self.close_box_point(gallery, DEFAULT_CLOSE))
        self.assertEqual(self.assertExits(p), 0)


class SkinViewerInput(SkinTestCase):
    def test_help_and_unknown_options(self):
        done = wine([SKINVIEW, "--help"])
        self.assertEqual(done.returncode, 0)
        self.assertIn("usage: skinview [FILE.skin]", done.stdout)
        done = wine([SKINVIEW, "--frobnicate"])
        self.assertEqual(done.returncode, 2)
        self.assertIn("unknown option '--frobnicate'", done.stderr)

    def test_bad_skin_files_get_a_message_and_a_failure_exit(self):
        folder = tempfile.mkdtemp(prefix="glint-badskin-")
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", folder]))
        garbage = os.path.join(folder, "garbage.skin")
        with open(garbage, "wb") as f:
            f.write(b"this is not a skin" * 10)
        # (Which damage makes a file no skin container is a unit test.)
        for path, reason in ((garbage, "not a skin container"),
                             (os.path.join(folder, "missing.skin"), "cannot be read")):
            with self.subTest(path=os.path.basename(path)):
                p = self.start_skinview(path)
                box = find_window(title="Skin viewer")
                self.assertIsNotNone(box, "no message box")
                text = message_text(box)
                self.assertIn("Cannot open the skin", text)
                self.assertIn(reason, text)
                press("Return", title="Skin viewer")
                self.assertEqual(self.assertExits(p), 1)
                self.assertFalse([w for w in windows() if w["text"].startswith("Skin viewer")])
