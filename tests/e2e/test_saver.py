"""The saver window with the built-in player (Wine has no Flash control): what
the full screen and the preview show, the exit rules for keys and the mouse,
the work folder and the Windows 9x password on the way out. (Clicks, the loop
at the end of a movie and the scale rule of FSCommand are tested on the window
itself, in the Win32 tests.)

The movies come from saverswf: a 400 x 300 stage with a navy background, a red
square (50,50)-(150,150) and a green disc around (300,200); on the 1024 x 768
test screen "ShowAll" scales the stage by 2.56 exactly."""

import os
import shutil
import subprocess
import time
import unittest

from harness import (FAKE_PASSWORD, TOP, WININFO, WINE_SAVER_CLASS, WineTestCase, cpu_seconds, find_window, linux_pids,
                     make_movie, move_mouse, pixel, press, reg_delete_key, reg_set_dword, same_colour, screenshot,
                     set_windows_version, wait_for, windows, wine_env, x_window)

NAVY = (0x10, 0x20, 0x50)
RED = (0xE0, 0x10, 0x10)
GREEN = (0x10, 0xC0, 0x20)

# Where the cursor rests when a saver starts; the mouse rule measures from it.
REST = (500, 400)


class SaverTestCase(WineTestCase):
    def setUp(self):
        super().setUp()
        reg_delete_key()  # stored exit rules would override the data file's
        self.addCleanup(reg_delete_key)
        move_mouse(*REST)

    def start_saver(self, extra_args=(), args=("/s",), before_start=None):
        folder = self.folder(movie_bytes=make_movie("shapes"), extra_args=extra_args)
        if before_start:
            before_start(folder)
        p = self.start(folder, *args)
        if "/p" in args:
            return folder, p, None  # a child window: the caller looks inside its parent
        # Wait for the X window first: asking Wine for its windows while the
        # saver and Wine's desktop process are still starting has hung wininfo.
        wait_for(lambda: x_window(program="Glintbox.scr"), timeout=20)
        w = find_window(class_prefix=WINE_SAVER_CLASS)
        self.assertIsNotNone(w, "no saver window")
        return folder, p, w

    def colour_at(self, x, y, name="saver"):
        return pixel(screenshot(name), x, y)

    def wait_for_colour(self, x, y, colour, timeout=10.0, name="saver"):
        seen = wait_for(lambda: same_colour(self.colour_at(x, y, name), colour), timeout=timeout, interval=0.05)
        self.assertTrue(seen, "(%d,%d) never showed %s; it shows %s" % (x, y, colour, self.colour_at(x, y, name)))

    def wait_until_shown(self):
        """The window is up and the movie drawn: by then the saver has had the
        move that the window's appearance under the cursor sends, and has
        recorded where the cursor rests."""
        self.wait_for_colour(10, 10, NAVY, timeout=20, name="saver-shown")

    def assertKeepsRunning(self, p, seconds=1.5):
        time.sleep(seconds)
        self.assertIsNone(p.poll(), "the saver closed")

    def assertClosesCleanly(self, p, folder):
        self.assertEqual(self.assertExits(p), 0)
        self.assertFalse(os.path.exists(folder.work), "the work folder is still there")


class FullScreen(SaverTestCase):
    def test_movie_scaled_to_fit_or_centred_and_idle_while_nothing_changes(self):
        # The window's place, style and control are the Win32 test's; here, the screen.
        # Scaled, the square (stage 50..150) covers 128..384 and the disc's centre
        # (300,200) lies at (768,512); unscaled, the stage sits centred at (312,234).
        expected = {
            "1": {(256, 256): RED, (140, 140): RED, (768, 512): GREEN, (120, 120): NAVY, (1010, 10): NAVY,
                  (10, 760): NAVY},
            "0": {(412, 334): RED, (140, 140): NAVY, (612, 434): GREEN, (355, 334): NAVY},
        }
        for scale, points in expected.items():
            with self.subTest(scale_to_fit=scale):
                folder, p, w = self.start_saver(extra_args=("--scale-to-fit", scale))
                name = "saver-scale-%s" % scale
                self.wait_for_colour(*next(iter(points)), RED, name=name)
                shot = screenshot(name)
                for (x, y), colour in points.items():
                    self.assertTrue(same_colour(pixel(shot, x, y), colour), "(%d,%d): %s" % (x, y, pixel(shot, x, y)))
                # A one-frame movie never needs drawing again: the saver's process stays idle.
                pids = linux_pids("Glintbox.scr")
                self.assertEqual(len(pids), 1, pids)
                before = cpu_seconds(pids[0])
                time.sleep(3)
                used = cpu_seconds(pids[0]) - before
                print("\n  CPU of the saver over 3 s showing a still movie: %.2f s" % used)
                self.assertLess(used, 0.3)
                press("Escape", program="Glintbox.scr")
                self.assertClosesCleanly(p, folder)


# Movies no one here wrote, with pictures of their first frame from a mature player.
CORPUS = os.environ.get("GLINT_SWF_CORPUS", os.path.join(TOP, "..", "shared", "corpus", "swf"))


def rgb_bytes(path, *operations):
    return subprocess.run(["convert", path] + list(operations) + ["-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout


class CorpusMovies(SaverTestCase):
    def test_corpus_movies_fill_the_screen_like_their_reference_pictures(self):
        for name in ("shape-ball", "gradient", "shape-intersecting-balls", "acid-text", "acid-bitmap-fill"):
            with self.subTest(movie=name):
                self.check_movie(name)

    def check_movie(self, name):
        movie = os.path.join(CORPUS, "visual", name + ".swf")
        reference = os.path.join(CORPUS, "reference", name + ".png")
        self.assertTrue(os.path.isfile(movie) and os.path.isfile(reference), "no corpus at " + CORPUS)
        with open(movie, "rb") as f:
            folder = self.folder(movie_bytes=f.read())
        p = self.start(folder, "/s")
        self.assertTrue(wait_for(lambda: x_window(program="Glintbox.scr"), timeout=20), "no saver window")
        width, height = (int(v) for v in subprocess.run(["identify", "-format", "%w %h", reference],
                                                        capture_output=True, text=True, check=True).stdout.split())
        # ShowAll on the 1024 x 768 screen: the stage scaled to fit, centred.
        scale = min(1024 / width, 768 / height)
        w, h = round(width * scale), round(height * scale)
        left, top = (1024 - w) // 2, (768 - h) // 2
        want = rgb_bytes(reference, "-resize", "%dx%d!" % (w, h))

        def share_off():
            shot = screenshot("corpus-" + name)
            got = rgb_bytes(shot, "-crop", "%dx%d+%d+%d" % (w, h, left, top), "+repage")
            off = sum(1 for i in range(0, len(want), 3)
                      if max(abs(got[i] - want[i]), abs(got[i + 1] - want[i + 1]), abs(got[i + 2] - want[i + 2])) > 48)
            return off / (w * h)

        # Drawing starts a moment after the window appears; scaling moves edges
        # by up to a pixel, which 3 % of the pixels covers.
        shares = []
        self.assertTrue(wait_for(lambda: shares.append(share_off()) or shares[-1] < 0.03, timeout=15, interval=0.5),
                        "%s: %.1f %% of the screen differs from the reference" % (name, shares[-1] * 100))
        print("\n  %s: %.2f %% of the pixels differ" % (name, shares[-1] * 100))
        press("Escape", program="Glintbox.scr")
        self.assertClosesCleanly(p, folder)


class ExitRules(SaverTestCase):
    def test_mouse_moved_by_more_than_five_pixels_closes(self):
        folder, p, w = self.start_saver()
        self.wait_until_shown()
        move_mouse(REST[0] + 2, REST[1] + 3)  # 5 pixels: not enough
        self.assertKeepsRunning(p)
        move_mouse(REST[0] + 3, REST[1] + 3)  # 6 pixels from where it rested
        self.assertClosesCleanly(p, folder)

    def test_with_the_key_rule_off_only_escape_and_enter_close_and_with_it_on_any_key(self):
        # The sound is muted too: Wine's winmm answers no volume for a device
        # number, so the saver leaves it alone and runs normally (the volume
        # itself is the Win32 test's).
        reg_set_dword("SoundMute", 1)
        for rule, closing_key in (("0", "Return"), ("0", "Escape"), ("1", "a")):
            with self.subTest(rule=rule, key=closing_key):
                folder, p, w = self.start_saver(extra_args=("--exit-key", rule))
                self.wait_for_colour(256, 256, RED)
                if rule == "0":
                    for key in ("a", "space", "F5", "Tab", "shift"):
                        press(key, program="Glintbox.scr")
                    self.assertKeepsRunning(p)
                press(closing_key, program="Glintbox.scr")
                self.assertClosesCleanly(p, folder)


class Preview(SaverTestCase):
    def test_preview_draws_inside_its_parent_only(self):
        parent = subprocess.Popen(["wine", WININFO, "parent", "320", "240", "9"], stdout=subprocess.PIPE,
                                  env=wine_env(), text=True)
        self.processes.append(parent)
        self.addCleanup(parent.stdout.close)
        handle = parent.stdout.readline().strip()
        self.assertTrue(handle.isdigit(), handle)
        folder, p, _ = self.start_saver(args=("/p", handle))

        def ours():
            for w in windows():
                if w["text"] == "Glint test parent":
                    return [c for c in w["children"] if c["class"].startswith(WINE_SAVER_CLASS)]
            return []
        children = wait_for(ours)
        self.assertEqual(len(children), 1)
        left, top, right, bottom = children[0]["rect"]
        self.assertEqual((right - left, bottom - top), (320, 240))
        # Wine 8 shows nothing a process paints into another process's window,
        # so the preview's pixels, right clicks and the cursor are the Win32
        # test's (in-process parent). Here: nothing of ours is top-level or
        # drawn outside the parent.
        self.assertFalse([w for w in windows() if w["class"].startswith(WINE_SAVER_CLASS)])
        shot = screenshot("preview")
        for x, y in ((left - 30, top + 100), (right + 30, top + 100), (left + 100, bottom + 30), (512, 384)):
            colour = pixel(shot, x, y)
            self.assertFalse(same_colour(colour, NAVY, 30) or same_colour(colour, RED, 30),
                             "drawn outside the parent at %d,%d" % (x, y))
        self.assertIsNone(p.poll())
        # The preview ends with its parent and takes the work folder with it.
        self.assertClosesCleanly(p, folder)


class Win98Password(SaverTestCase):
    def test_every_close_asks_for_the_password_once_and_without_the_library_escape_closes(self):
        set_windows_version("Glintbox.scr", "win98")
        self.addCleanup(set_windows_version, "Glintbox.scr", None)
        folder, p, w = self.start_saver()
        self.wait_until_shown()
        press("Escape", program="Glintbox.scr")
        self.assertClosesCleanly(p, folder)

        folder, p, w = self.start_saver(before_start=lambda folder: shutil.copy(FAKE_PASSWORD, folder.path))
        calls_path = os.path.join(folder.path, "password-calls.txt")

        def calls():
            if not os.path.exists(calls_path):
                return []
            with open(calls_path) as f:
                return f.read().splitlines()
        self.wait_until_shown()
        # Escape meets two rules (any key, and Escape itself): still one prompt.
        press("Escape", program="Glintbox.scr")
        self.assertTrue(wait_for(lambda: calls(), timeout=10))
        self.assertKeepsRunning(p)
        self.assertEqual(calls(), ["verify owned"], "one prompt, owned by the saver window")
        open(os.path.join(folder.path, "password-allow"), "w").close()
        move_mouse(REST[0] + 40, REST[1] + 40)
        self.assertClosesCleanly(p, folder)
        self.assertEqual(len(calls()), 2)

if __name__ == "__main__":
    unittest.main()
