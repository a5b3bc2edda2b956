"""install.exe under Wine: it runs the programs of the list beside it in order,
one at a time and a second apart, with the placeholders expanded; reports a
program that cannot start after five attempts and goes on; closes itself when
the list is done; stops starting programs when closed; shows its picture and
the animation; opens a command prompt on F12.

chainstep.exe plays the setup programs: it records when it started and ended
and its command line."""

import os
import shutil
import tempfile
import time
import unittest

from harness import (BIN, WINBUILD, WineTestCase, find_window, message_text, press, region_rgb, screenshot, wait_for,
                     windows)

INSTALL = os.path.join(BIN, "install.exe")
CHAINSTEP = os.path.join(WINBUILD, "tests", "chainstep.exe")


class InstallFolder:
    """A folder holding install.exe, chainstep.exe and, when given, the list."""

    def __init__(self, entries=None):
        self.path = tempfile.mkdtemp(prefix="glint-install-")
        shutil.copy(INSTALL, self.path)
        shutil.copy(CHAINSTEP, self.path)
        if entries is not None:
            lines = ["[InstallList]"] + ["Setup%d=%s" % (i + 1, e) for i, e in enumerate(entries)]
            with open(os.path.join(self.path, "install.ini"), "w", newline="\r\n") as f:
                f.write("\n".join(lines) + "\n")

    @property
    def windows_path(self):
        return "Z:" + self.path.replace("/", "\\")

    def log(self):
        """{name: {"start": ms, "end": ms, "pid": id, "line": command line}} in the order the programs started."""
        runs = {}
        path = os.path.join(self.path, "log.txt")
        if not os.path.exists(path):
            return runs
        with open(path, encoding="latin-1") as f:
            for line in f.read().splitlines():
                name, kind, value = line.split(" ", 2)
                runs.setdefault(name, {})[kind] = int(value) if kind in ("start", "end", "pid") else value
        return runs

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def step(name, ms, *extra):
    return " ".join(["%CurrentLocation%\\chainstep.exe", "log.txt", name, str(ms)] + list(extra))


def install_window(timeout=20.0):
    def look():
        for w in windows():
            if w["class"] == "#32770" and any(c["id"] == 1000 for c in w["children"]):
                return w
        return None
    return wait_for(look, timeout)


def is_orange(p):
    return p[0] > 220 and 100 < p[1] < 185 and p[2] < 90


class InstallTestCase(WineTestCase):
    def run_install(self, entries):
        folder = InstallFolder(entries)
        self.folders.append(folder)
        return folder, self.launch("install.exe", cwd=folder.path)


class RunningTheList(InstallTestCase):
    def test_runs_in_order_one_at_a_time_with_placeholders_and_closes_itself(self):
        folder, p = self.run_install([
            step("one", 1500, "%LangID%", '"%desktop%"'),
            '"%CurrentLocation%\\chainstep.exe" log.txt two 200 "%Startup%" %WINDIR%',
            "chainstep.exe log.txt three 200",  # found in the program's folder, the current one
        ])
        self.assertIsNotNone(install_window(), "the window did not appear")
        self.assertEqual(self.assertExits(p, 30), 0)
        self.assertIsNone(install_window(timeout=0))
        runs = folder.log()
        self.assertEqual(list(runs), ["one", "two", "three"])
        for earlier, later in (("one", "two"), ("two", "three")):
            gap = runs[later]["start"] - runs[earlier]["end"]
            self.assertGreaterEqual(gap, 950, "%s started %d ms after %s ended" % (later, gap, earlier))
            self.assertLess(gap, 3000)
        self.assertIn(" one 1500 0409 \"C:\\users\\Public\\Desktop\"", runs["one"]["line"])
        self.assertTrue(runs["one"]["line"].startswith(folder.windows_path + "\\chainstep.exe"), runs["one"]["line"])
        self.assertIn('"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp" C:\\windows',
                      runs["two"]["line"])

    def test_a_program_that_cannot_start_is_reported_after_five_attempts_and_the_list_goes_on(self):
        started = time.time()
        folder, p = self.run_install(["%CurrentLocation%\\not-there.exe /q", step("after", 100)])
        self.assertIsNotNone(install_window(), "the window did not appear")
        shown = time.time()  # the first attempt follows; Wine may take long to start the program
        box = find_window(title="Install", timeout=25, started=p)
        self.assertIsNotNone(box, "no message")
        # Five attempts two seconds apart and the second after the entry.
        self.assertGreater(time.time() - started, 10.0)
        self.assertLess(time.time() - shown, 18.0)
        self.assertEqual(message_text(box), "Error : CreatePrecess\r\n%s\\not-there.exe /q" % folder.windows_path)
        self.assertNotIn("after", folder.log())  # the list waits for the message
        screenshot("install-error")
        press("Return", title="Install")
        self.assertEqual(self.assertExits(p, 15), 0)
        self.assertIn("end", folder.log()["after"])

    def test_closing_ends_the_run_and_no_further_program_starts(self):
        # The first runs long enough that a loaded machine closes the installer before it ends.
        folder, p = self.run_install([step("first", 15000), step("second", 100)])
        self.assertIsNotNone(install_window())
        self.assertTrue(wait_for(lambda: "first" in folder.log(), timeout=10), "the first program did not start")
        press("alt+F4", program="install.exe")
        self.assertEqual(self.assertExits(p, 10), 0)
        # The installer ended without waiting for the running program.
        self.assertNotIn("end", folder.log()["first"], "closing waited for the running program")
        self.assertTrue(wait_for(lambda: "end" in folder.log()["first"], timeout=30), "the running program was killed")
        time.sleep(2)  # the second would start a second after the first ends: give it twice that
        self.assertNotIn("second", folder.log())


class TheWindow(InstallTestCase):
    """One run looked at in turn: the picture and the animation on screen, and
    F12. (The about box, the frames shown and dragging are the Win32 test's.)"""

    def test_picture_animation_and_command_prompt(self):
        # Enough short programs for the looks below; closing leaves the running
        # one to end by itself, which the test waits for.
        folder, p = self.run_install([step("part%d" % i, 3000) for i in range(8)])
        window = install_window()
        self.assertIsNotNone(window)
        self.assertTrue(wait_for(lambda: "part0" in folder.log(), timeout=10), "the first program did not start")

        first = screenshot("install-window")
        # The picture: the title, the orange rule, the dark ground.
        self.assertTrue(all(v > 230 for v in region_rgb(first, 125, 31, 1, 1)[0][0]), "no title")
        self.assertTrue(is_orange(region_rgb(first, 125, 94, 1, 1)[0][0]), "no rule under the title")
        ground = region_rgb(first, 455, 150, 1, 1)[0][0]
        self.assertTrue(ground[2] > ground[0] + 20 and ground[0] < 60, ground)
        # A frame over the card, with orange dots that move.
        l, t, r, b = next(c for c in window["children"] if c["id"] == 1000)["rect"]

        def orange_dots(shot):
            px = region_rgb(shot, l, t, r - l, b - t)
            self.assertEqual(px[3][3], (244, 246, 251), "the frame's card")
            return {(x, y) for y, row in enumerate(px) for x, v in enumerate(row) if is_orange(v)}
        dots = orange_dots(first)
        self.assertGreater(len(dots), 40)
        moved = wait_for(lambda: orange_dots(screenshot("install-window-later")) != dots, timeout=5, interval=0.5)
        self.assertTrue(moved, "the animation did not move")

        # The stand-in CMD.exe beside install.exe is found before the system's
        # (the usual search order), so no console is left behind.
        shutil.copy(CHAINSTEP, os.path.join(folder.path, "CMD.exe"))
        press("F12", program="install.exe")
        self.assertTrue(wait_for(lambda: "bare" in folder.log(), timeout=10), "F12 started no CMD.exe")
        self.assertIsNotNone(install_window(timeout=1))
        press("alt+F4", program="install.exe")
        self.assertEqual(self.assertExits(p, 10), 0)
        last = [name for name in folder.log() if name.startswith("part")][-1]
        self.assertTrue(wait_for(lambda: "end" in folder.log()[last], timeout=5))

if __name__ == "__main__":
    unittest.main()
