"""Glintbox.scr starts from its data file: the messages for missing, foreign and
broken files, the mode each command line reaches, and what the modes leave on
disk and in the registry."""

import os
import shutil
import tempfile
import unittest

from harness import (WINE_SAVER_CLASS, WineTestCase, child, click_control, find_window, message_text, pixel, press,
                     reg_delete_key, reg_query, screenshot, wait_for, windows)

MESSAGES = {
    130: "The data file does not exist. Install again that your screensaver.",
    131: "This screensaver is not made by Fablewick Flash.\nQuestion to the screensaver maker.",
    132: "Incorrect screensaver format.\n Question to the screensaver maker.",
}
MESSAGES_KO = {
    130: "DATA파일이 존재하지 않습니다. 스크린세이버를 다시 설치하시길 바랍니다.",
    131: "Fablewick Flash로 만들어진 스크린세이버가 아닙니다. \n제작자에게 문의하시길 바랍니다.",
    132: "정상적으로 만들어진 스크린세이버가 아닙니다.\n 제작자에게 문의 하시길 바랍니다.",
}

# Each damage (offset, bytes written there; None: no data file at all), the
# message it must give, the switch and the language. Which damage gives which
# scan result is the unit test's table; here, what the user sees, and that
# everything was checked before the work folder or anything else was touched.
DAMAGES = [
    ("missing", None, 130, "/s", False),
    ("signature not zero-ended", (13, b"X"), 131, "/c", False),
    ("work name leaving the folder", (96, b"..\\..\\victim\0"), 132, "/s", False),
    ("missing", None, 130, "/s", True),
    ("foreign", (0, b"NOTOURS"), 131, "/s", True),
    ("broken seal", (24, b"0"), 132, "/s", True),
]


class DataFileMessages(WineTestCase):
    def test_each_damage_shows_its_message_before_anything_on_disk_is_touched(self):
        for name, damage, number, mode, korean in DAMAGES:
            with self.subTest(damage=name, korean=korean):
                self.expect_message(name, damage, number, mode, korean)

    def expect_message(self, name, damage, number, mode, korean):
        folder = self.folder(with_data=damage is not None)
        if damage:
            with open(folder.data_path, "r+b") as f:
                f.seek(damage[0])
                f.write(damage[1])
        # An earlier run's work folder, and the folder a hostile work name points at.
        kept = [os.path.join(folder.work, "earlier.txt"), os.path.join(folder.path, "victim_work", "keep.txt")]
        for path in kept:
            os.makedirs(os.path.dirname(path))
            open(path, "w").close()
        p = self.start(folder, mode, korean=korean)
        caption = "정 보" if korean else "Information"
        box = find_window(title=caption, started=p)
        self.assertIsNotNone(box, "no message box")
        text = (MESSAGES_KO if korean else MESSAGES)[number]
        self.assertEqual(message_text(box), text)
        shot = screenshot("message-%d%s" % (number, "-ko" if korean else ""))
        self.assertReadsOnScreen(shot, box, [text], korean)
        press("Return", title=caption)
        self.assertNotEqual(self.assertExits(p), 0)
        # The program ends without a mode window, and checked everything first.
        self.assertFalse([w for w in windows() if w["text"] == "Settings"])
        self.assertTrue(all(os.path.exists(path) for path in kept), name)


class Modes(WineTestCase):
    def saver_window(self):
        return find_window(class_prefix=WINE_SAVER_CLASS)

    def test_full_screen_saver_for_every_form_of_the_switch(self):
        folder = self.folder()
        # How each switch is read is a unit test (/p:1234 reads as /p); here,
        # that the modes other than /s that mean the saver reach it.
        for args in (["/x"], ["/p"]):
            with self.subTest(args=args):
                p = self.start(folder, *args)
                w = self.saver_window()
                self.assertIsNotNone(w, "no saver window")
                self.assertEqual(w["rect"], [0, 0, 1024, 768])
                self.assertEqual(w["topmost"], 1)
                self.assertTrue(os.path.exists(os.path.join(folder.work, "movie.swf")))
                shot = screenshot("saver-full-screen")
                self.assertEqual(pixel(shot, 512, 384), (0, 0, 0))
                press("Escape", program="Glintbox.scr")
                self.assertEqual(self.assertExits(p), 0)
                # The saver window removes the work folder when it goes.
                self.assertFalse(os.path.exists(folder.work))

    def test_no_switch_opens_the_settings_dialog_whose_ok_stores_the_choice(self):
        # What the dialog shows and stores is test_settings.py's; here, that no switch reaches it.
        reg_delete_key()
        p = self.start(self.folder())
        dlg = find_window(title="Settings", started=p)
        self.assertIsNotNone(dlg)
        click_control(child(dlg, 1002))
        click_control(child(dlg, 1))
        self.assertEqual(self.assertExits(p), 0)
        self.assertEqual(reg_query("SoundMute"), 1)

    def test_password_change_mode_rebuilds_the_work_folder_and_never_follows_a_link(self):
        folder = self.folder()
        outside = tempfile.mkdtemp(prefix="glint-outside-")
        self.addCleanup(shutil.rmtree, outside, True)
        precious = os.path.join(outside, "precious.txt")
        open(precious, "w").close()
        # Under Wine a Unix symlink is how a junction or symbolic link shows.
        # Wine 8 cannot remove one standing as the work folder: the saver then
        # refuses with message 132. Either way the link is never followed.
        os.symlink(outside, folder.work)
        p = self.start(folder, "/a")
        box = wait_for(lambda: p.poll() is not None or find_window(title="Information", timeout=0, started=p), 40)
        if box is not True:
            self.assertEqual(message_text(box), MESSAGES[132])
            press("Return", title="Information")
        self.assertExits(p)
        self.assertTrue(os.path.exists(precious))
        if os.path.islink(folder.work):
            os.unlink(folder.work)
        self.assertEqual(folder.run("/a").returncode, 0)
        # The next start finds a stale file and a link in the work folder it keeps.
        stale = os.path.join(folder.work, "stale.txt")
        open(stale, "w").close()
        os.symlink(outside, os.path.join(folder.work, "link"))
        self.assertEqual(folder.run("/a").returncode, 0)
        self.assertFalse(os.path.exists(stale))
        self.assertTrue(os.path.exists(precious))
        self.assertTrue(os.path.exists(os.path.join(folder.work, "movie.swf")))

if __name__ == "__main__":
    unittest.main()
