"""Removal: Glintbox.scr /u writes the uninstaller beside itself and starts it;
the uninstaller deletes the program, its folder and its uninstall entry only
when asked, and refuses a target that would make it delete the wrong tree.
(Its folder deletion is the saver's, whose links test_startup.py checks.)"""

import os

from harness import WineTestCase, child, click_control, find_window, message_text, screenshot, wait_for, windows, wine

TITLE = "Uninstaller for Fablewick Flash"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Glintbox"


def key_exists(key):
    return wine(["reg", "query", key]).returncode == 0


class Uninstaller(WineTestCase):
    def install(self):
        """A screensaver installed as a setup program would leave it."""
        folder = self.folder(with_data=False)
        data = os.path.join(folder.path, "Glintbox")
        os.makedirs(os.path.join(data, "inner"))
        with open(os.path.join(data, "inner", "file.txt"), "w") as f:
            f.write("x")
        with open(os.path.join(folder.path, "neighbour.txt"), "w") as f:
            f.write("stays")
        wine(["reg", "add", UNINSTALL_KEY + r"\Sub", "/v", "x", "/d", "y", "/f"], check=True)
        self.addCleanup(wine, ["reg", "delete", UNINSTALL_KEY, "/f"])
        return folder, data

    def start_removal(self, folder, korean=False):
        self.started = self.start(folder, "/u", korean=korean)
        self.assertEqual(self.assertExits(self.started), 0)
        dlg = find_window(title="Fablewick Flash 언인스톨러" if korean else TITLE, started=self.started)
        self.assertIsNotNone(dlg, "the uninstaller did not start")
        # Removal never looks for the data file (this folder has none).
        self.assertFalse([w for w in windows() if w["text"] in ("Information", "정 보")])
        self.assertTrue(os.path.exists(os.path.join(folder.path, "uninst_saver.exe")))
        return dlg

    def answer(self, caption, expected_text):
        box = find_window(title=caption, started=self.started)
        self.assertIsNotNone(box, "no %s message" % caption)
        self.assertEqual(message_text(box), expected_text)
        shot = screenshot("uninstall-%s" % caption.lower())
        self.assertReadsOnScreen(shot, box, [expected_text])
        click_control(child(box, 1))
        self.assertTrue(wait_for(lambda: not [w for w in windows() if w["text"] in (caption, TITLE)], timeout=10))

    def test_uninstall_removes_program_folder_and_entry(self):
        folder, data = self.install()
        dlg = self.start_removal(folder)
        shot = screenshot("uninstaller")
        self.assertReadsOnScreen(shot, dlg, [c["text"] for c in dlg["children"] if c["text"] and c["visible"]])
        click_control(child(dlg, 1004))
        self.answer("Information", "Removal is completed successfully!")
        self.assertFalse(os.path.exists(os.path.join(folder.path, "Glintbox.scr")))
        self.assertFalse(os.path.exists(data))
        self.assertFalse(key_exists(UNINSTALL_KEY))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "neighbour.txt")))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "uninst_saver.exe")))

    def test_cancel_and_a_folder_as_target_delete_nothing(self):
        folder, data = self.install()
        uninstaller = self.start_removal(folder)
        click_control(child(uninstaller, 1003))
        self.assertTrue(wait_for(lambda: not [w for w in windows() if w["text"] == TITLE], timeout=10))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "Glintbox.scr")))
        self.assertTrue(os.path.exists(os.path.join(data, "inner", "file.txt")))
        self.assertTrue(key_exists(UNINSTALL_KEY))
        # Started by hand with the data folder as its target: message 12, and the installation stays whole.
        self.started = self.launch("uninst_saver.exe", "Z:" + data.replace("/", "\\"), cwd=folder.path)
        dlg = find_window(title=TITLE, started=self.started)
        self.assertIsNotNone(dlg)
        click_control(child(dlg, 1004))
        self.answer("Error", "Removal is Failed with unknown reason!")
        self.assertTrue(os.path.exists(os.path.join(data, "inner", "file.txt")))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "Glintbox.scr")))
        self.assertTrue(key_exists(UNINSTALL_KEY))

    def test_korean_dialog(self):
        folder, data = self.install()
        dlg = self.start_removal(folder, korean=True)
        texts = [c["text"] for c in dlg["children"]]
        self.assertIn("스크린세이버를 삭제 하시겠습니까?", texts)
        self.assertIn("삭제", texts)
        shot = screenshot("uninstaller-korean")
        self.assertReadsOnScreen(shot, dlg, ["스크린세이버를 삭제 하시겠습니까?", "삭제"], korean=True)
        click_control(child(dlg, 1003))
        self.assertTrue(wait_for(lambda: not [w for w in windows() if w["text"] == dlg["text"]], timeout=10))
