"""The settings dialog as the user sees it: the movie in its picture frame,
the image buttons, the option rules of the data file, and what OK, Cancel
and Escape leave in the registry. (The skin's frame and close box, and the
Korean dialog read from the screen: test_skin; still pictures in the frame:
test_pictures.)"""

import os
import subprocess
import tempfile

from harness import (WINBUILD, WineTestCase, child, click_control, find_window, make_movie, move_mouse, pixel,
                     press, reg_delete_key, reg_query, reg_set_dword, region_rgb, same_colour, screenshot, wait_for,
                     wine)

NAVY, RED, GREEN = (0x10, 0x20, 0x50), (0xE0, 0x10, 0x10), (0x10, 0xC0, 0x20)


def frame_point(dlg, x, y):
    """A point of the picture frame, in screen pixels, from its top-left corner."""
    left, top, _, _ = child(dlg, 1004)["rect"]
    return left + x, top + y


class SettingsDialog(WineTestCase):
    def setUp(self):
        super().setUp()
        reg_delete_key()
        self.addCleanup(reg_delete_key)
        self.temp = tempfile.mkdtemp(prefix="glint-pictures-")

    def open(self, *extra, movie=None):
        folder = self.folder(movie_bytes=movie or make_movie("shapes"), extra_args=extra)
        p = self.start(folder, "/c")
        dlg = find_window(title="Settings")
        self.assertIsNotNone(dlg, "no settings dialog")
        return folder, p, dlg

    def close_with_escape(self, p):
        press("Escape", title="Settings")
        self.assertEqual(self.assertExits(p), 0)
        self.assertIsNone(reg_query("SoundMute"), "Escape wrote the settings")

    def test_movie_plays_in_the_picture_frame_and_the_buttons_and_texts_show(self):
        folder, p, dlg = self.open()
        frame = child(dlg, 1004)
        l, t, r, b = frame["rect"]
        self.assertEqual((r - l, b - t), (320, 240))
        # The 400 x 300 stage scaled by 0.8 into the frame.
        self.assertTrue(wait_for(lambda: same_colour(pixel(screenshot("settings-movie"), *frame_point(dlg, 80, 80)),
                                                     RED, 24), timeout=10))
        shot = screenshot("settings-movie")
        self.assertTrue(same_colour(pixel(shot, *frame_point(dlg, 240, 160)), GREEN, 24))
        self.assertTrue(same_colour(pixel(shot, *frame_point(dlg, 200, 30)), NAVY, 24))
        # OK is drawn from its blue bitmap, Cancel from its light one.
        ok = child(dlg, 1)["rect"]
        cancel = child(dlg, 2)["rect"]
        r_, g_, b_ = pixel(shot, ok[0] + 10, (ok[1] + ok[3]) // 2)
        self.assertGreater(b_, r_ + 60, "the OK button does not show its bitmap")
        self.assertGreater(min(pixel(shot, cancel[0] + 10, (cancel[1] + cancel[3]) // 2)), 200)
        self.assertReadsOnScreen(shot, dlg, [child(dlg, i)["text"] for i in (1008, 1007, 1002)])
        self.close_with_escape(p)
        self.assertFalse(os.path.exists(folder.work))

    def test_dialog_picture_named_swf_in_capitals_plays_as_a_movie(self):
        intro = os.path.join(self.temp, "intro.SWF")
        with open(intro, "wb") as f:
            f.write(make_movie("shapes"))
        folder, p, dlg = self.open("--picture", intro, movie=make_movie("stop-at-end"))
        self.assertTrue(wait_for(lambda: same_colour(pixel(screenshot("settings-intro"), *frame_point(dlg, 80, 80)),
                                                     RED, 24), timeout=10))
        self.close_with_escape(p)

    def test_option_rules_of_the_data_file_and_stored_values(self):
        reg_set_dword("Exit KeyPress", 0)  # overrides the data file's default
        reg_set_dword("Exit Mouse", -1)  # means nothing is stored
        folder, p, dlg = self.open("--allow-mute", "0", "--allow-exit-options", "0", "--exit-mouse", "1")
        self.assertEqual(child(dlg, 1002)["enabled"], 0)
        self.assertEqual(child(dlg, 1007)["enabled"], 0)
        self.assertEqual(child(dlg, 1008)["enabled"], 0)
        self.assertEqual(child(dlg, 1003)["visible"], 0, "no site button without a site")
        # Disabled boxes keep their values, and OK writes them unchanged.
        self.assertEqual(child(dlg, 1007)["checked"], 1)
        self.assertEqual(child(dlg, 1008)["checked"], 0)
        click_control(child(dlg, 1))
        self.assertEqual(self.assertExits(p), 0)
        self.assertEqual(reg_query("Exit Mouse"), 1)
        self.assertEqual(reg_query("Exit KeyPress"), 0)
        self.assertEqual(reg_query("SoundMute"), 0)

    def test_site_button_shows_the_caption_for_web_addresses_only(self):
        # A program carried in the data file lands in the known work folder;
        # a site address naming it must never be one click away.
        program = os.path.join(self.temp, "run.exe")
        with open(program, "wb") as f:
            f.write(b"MZ")
        # (Which addresses are web addresses, in any case, is a unit test.)
        for address, shown in (("http://example.invalid/", 1), (r"_swf_demo_work\run.exe", 0)):
            with self.subTest(address=address):
                folder, p, dlg = self.open("--file", program, "--site", "Visit us", address)
                self.assertEqual(child(dlg, 1003)["visible"], shown)
                self.assertEqual(child(dlg, 1003)["text"], "Visit us")
                self.close_with_escape(p)

    def test_at_120_dpi_the_fixed_sizes_grow_and_ok_and_cancel_are_whole(self):
        # Windows XP's large fonts, Windows 7 at 125 %: dialog units grow with
        # the font, so the fixed pixel sizes must grow by 120 / 96 too.
        desktop = r"HKCU\Control Panel\Desktop"
        before = reg_query("LogPixels", key=desktop)
        reg_set_dword("LogPixels", 120, key=desktop)
        if before is None:
            self.addCleanup(wine, ["reg", "delete", desktop, "/v", "LogPixels", "/f"])
        else:
            self.addCleanup(reg_set_dword, "LogPixels", before, key=desktop)

        move_mouse(2, 2)  # no hover picture on the buttons
        folder, p, dlg = self.open()
        l, t, r, b = dlg["rect"]
        self.assertEqual((r - l, b - t), (600, 475), "480 x 380 scaled by 120 / 96")
        # The frame grows with the DPI as far as the group boxes beside it
        # allow (the template's columns grow with the font, by less), and
        # keeps its shape.
        fl, ft, fr, fb = child(dlg, 1004)["rect"]
        self.assertGreaterEqual(fr - fl, 370, "the 320 x 240 frame grows with the DPI")
        self.assertLessEqual(fr - fl, 400, "no more than 320 x 240 scaled by 120 / 96")
        self.assertAlmostEqual((fb - ft) / (fr - fl), 0.75, delta=0.01)
        for group in (1010, 1011):
            self.assertLess(fr, child(dlg, group)["rect"][0], "the picture covers group box %d" % group)
        # Every control lies inside the dialog's frame, the group boxes at
        # the right and OK and Cancel at the bottom included.
        for control_id in (1, 2, 1010, 1011, 1003, 1012):
            cl, ct, cr, cb = child(dlg, control_id)["rect"]
            self.assertLessEqual(cr, r - 3, "control %d cut off at the right" % control_id)
            self.assertLessEqual(cb, b - 3, "control %d cut off at the bottom" % control_id)
        # On the screen: OK and Cancel show their whole pictures, drawn at
        # their own size from each button's top-left corner, once the dialog
        # has drawn (its movie shows).
        self.assertTrue(wait_for(lambda: same_colour(pixel(screenshot("settings-120dpi"), *frame_point(dlg, 80, 80)),
                                                     RED, 24), timeout=10), "the dialog showed no movie")
        # Wine may keep the pointer where an earlier program put it, over a
        # button, whatever xdotool asks: its hover picture counts as whole too.
        for control_id, pictures in ((1, ("145", "146")), (2, ("142", "143"))):
            cl, ct, cr, cb = child(dlg, control_id)["rect"]
            wanted = []
            for bitmap in pictures:
                expected = os.path.join(WINBUILD, "art", "en", bitmap + ".bmp")
                size = subprocess.run(["identify", "-format", "%w %h", expected], capture_output=True, text=True,
                                      check=True).stdout.split()
                w, h = min(int(size[0]), cr - cl), min(int(size[1]), cb - ct)
                self.assertGreaterEqual((w, h), (int(size[0]), int(size[1])),
                                        "button %d smaller than its picture" % control_id)
                wanted.append(region_rgb(expected, 0, 0, w, h))

            def differing():
                on_screen = region_rgb(screenshot("settings-120dpi"), cl, ct, w, h)
                return min(sum(1 for y in range(h) for x in range(w) if not same_colour(on_screen[y][x], picture[y][x]))
                           for picture in wanted)
            # A loaded machine may catch a button between two paints.
            wait_for(lambda: differing() < w * h // 50, timeout=10)
            count = differing()
            self.assertLess(count, w * h // 50, "button %d: %d of %d pixels differ from its picture"
                            % (control_id, count, w * h))
        self.close_with_escape(p)

    def test_cancel_writes_nothing_and_ok_writes_the_choices_made_here(self):
        # (Escape: every test above; the skin's close box: test_skin. That the
        # stored choices rule the saver: the Win32 settings tests.)
        folder, p, dlg = self.open("--exit-mouse", "1")
        click_control(child(dlg, 1002))
        click_control(child(dlg, 2))
        self.assertEqual(self.assertExits(p), 0)
        self.assertIsNone(reg_query("SoundMute"))
        self.assertFalse(os.path.exists(folder.work))

        folder, p, dlg = self.open("--exit-mouse", "1")
        self.assertEqual(child(dlg, 1007)["checked"], 1)
        click_control(child(dlg, 1007))  # no longer end on mouse movement
        click_control(child(dlg, 1))
        self.assertEqual(self.assertExits(p), 0)
        self.assertEqual(reg_query("Exit Mouse"), 0)
