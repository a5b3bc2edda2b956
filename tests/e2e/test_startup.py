"""Glintbox.scr starts from its data file: the messages for missing, foreign and
broken files, the mode each command line reaches, and what the modes leave on
disk and in the registry."""

import os
import shutil
import struct
import tempfile
import unittest

from harness import (WINE_SAVER_CLASS, WineTestCase, child, click_control, find_window, message_text, pixel, press,
                     reg_delete_key, reg_query, screenshot, windows)

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

WORK_NAME_OFFSET = 96
FIRST_RECORD = 364 + 200 + 540


def patch(path, offset, data):
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(data)


class DataFileMessages(WineTestCase):
    def expect_message(self, folder, number, korean=False, mode="/s"):
        p = self.start(folder, mode, korean=korean)
        caption = "정 보" if korean else "Information"
        box = find_window(title=caption)
        self.assertIsNotNone(box, "no message box")
        self.assertEqual(message_text(box), (MESSAGES_KO if korean else MESSAGES)[number])
        shot = screenshot("message-%d%s" % (number, "-ko" if korean else ""))
        self.assertReadsOnScreen(shot, box, [(MESSAGES_KO if korean else MESSAGES)[number]], korean)
        press("Return", title=caption)
        self.assertNotEqual(self.assertExits(p), 0)
        # The program ends without a mode window and without a work folder.
        self.assertFalse([w for w in windows() if w["text"] == "Settings"])

    def test_missing_data_file(self):
        folder = self.folder(with_data=False)
        self.expect_message(folder, 130)
        self.assertFalse(os.path.exists(folder.work))

    def test_foreign_file_whose_signature_is_not_zero_ended(self):
        folder = self.folder()
        patch(folder.data_path, 13, b"X")
        self.expect_message(folder, 131, mode="/c")

    def test_broken_seal(self):
        folder = self.folder()
        patch(folder.data_path, 72, b"999")
        self.expect_message(folder, 132)
        self.assertFalse(os.path.exists(folder.work))

    def test_work_name_that_leaves_the_folder_is_refused_before_anything_is_deleted(self):
        folder = self.folder()
        victim = os.path.join(folder.path, "victim_work")
        os.makedirs(victim)
        open(os.path.join(victim, "keep.txt"), "w").close()
        patch(folder.data_path, WORK_NAME_OFFSET, b"..\\..\\victim\0")
        self.expect_message(folder, 132)
        self.assertTrue(os.path.exists(os.path.join(victim, "keep.txt")))

    def test_payload_larger_than_the_file_is_refused(self):
        folder = self.folder()
        os.makedirs(folder.work)
        open(os.path.join(folder.work, "earlier.txt"), "w").close()
        patch(folder.data_path, FIRST_RECORD + 260, struct.pack("<I", 0x7FFFFFF0))
        self.expect_message(folder, 132)
        # Refused before the work folder of an earlier run was touched.
        self.assertTrue(os.path.exists(os.path.join(folder.work, "earlier.txt")))

    def test_messages_in_korean(self):
        self.expect_message(self.folder(with_data=False), 130, korean=True)
        folder = self.folder()
        patch(folder.data_path, 0, b"NOTOURS")
        self.expect_message(folder, 131, korean=True)
        folder = self.folder()
        patch(folder.data_path, 24, b"0")
        self.expect_message(folder, 132, korean=True)


class Modes(WineTestCase):
    def saver_window(self):
        return find_window(class_prefix=WINE_SAVER_CLASS)

    def test_full_screen_saver_for_every_form_of_the_switch(self):
        folder = self.folder()
        # How each switch is read is a unit test; here, that the modes other
        # than /s that mean the saver reach it.
        for args in (["/x"], ["/p:1234"], ["/p"]):
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

    def test_settings_dialog_ok_writes_the_three_values(self):
        reg_delete_key()
        folder = self.folder(extra_args=("--exit-key", "0"))
        p = self.start(folder)  # no switch: the dialog without owner
        dlg = find_window(title="Settings")
        self.assertIsNotNone(dlg)
        self.assertEqual(child(dlg, 1002)["checked"], 0)
        self.assertEqual(child(dlg, 1008)["checked"], 0)  # the data file's default
        click_control(child(dlg, 1002))
        screenshot("settings-dialog")
        click_control(child(dlg, 1))
        self.assertEqual(self.assertExits(p), 0)
        self.assertEqual(reg_query("SoundMute"), 1)
        self.assertEqual(reg_query("Exit Mouse"), 1)
        self.assertEqual(reg_query("Exit KeyPress"), 0)

    def test_password_change_mode_keeps_the_work_folder_and_a_second_start_leaves_no_stale_file(self):
        folder = self.folder()
        self.assertEqual(folder.run("/a").returncode, 0)
        stale = os.path.join(folder.work, "stale.txt")
        open(stale, "w").close()
        self.assertEqual(folder.run("/a").returncode, 0)
        self.assertFalse(os.path.exists(stale))
        self.assertTrue(os.path.exists(os.path.join(folder.work, "movie.swf")))

    def test_a_link_as_or_in_the_work_folder_is_never_followed(self):
        folder = self.folder()
        outside = tempfile.mkdtemp(prefix="glint-outside-")
        self.addCleanup(shutil.rmtree, outside, True)
        with open(os.path.join(outside, "precious.txt"), "w") as f:
            f.write("must survive")
        # Under Wine a Unix symlink is how a junction or symbolic link shows.
        os.symlink(outside, folder.work)
        self.assertEqual(folder.run("/a").returncode, 0)  # deletes what stands at the work folder first
        self.assertTrue(os.path.exists(os.path.join(outside, "precious.txt")))
        os.unlink(folder.work)
        self.assertEqual(folder.run("/a").returncode, 0)
        os.symlink(outside, os.path.join(folder.work, "link"))
        self.assertEqual(folder.run("/a").returncode, 0)
        self.assertTrue(os.path.exists(os.path.join(outside, "precious.txt")))
        self.assertTrue(os.path.exists(os.path.join(folder.work, "movie.swf")))


if __name__ == "__main__":
    unittest.main()
