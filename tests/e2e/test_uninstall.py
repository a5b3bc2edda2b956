"""Removal: Glintbox.scr /u writes the uninstaller beside itself and starts it;
the uninstaller deletes the program, its folder and its uninstall entry only
when asked, and refuses a target that would make it delete the wrong tree."""

import os

from harness import (WineTestCase, child, click_control, find_window, screenshot, wait_for, windows, wine)

TITLE = "Uninstaller for Fablewick Flash"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Glintbox"


def key_exists(key):
    return wine(["reg", "query", key]).returncode == 0


def message_text(box):
    texts = [c["text"] for c in box["children"] if c["class"].lower() == "static" and c["text"]]
    return texts[0] if texts else None


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
        p = self.start(folder, "/u", korean=korean)
        self.assertEqual(self.assertExits(p), 0)
        dlg = find_window(title="Fablewick Flash 언인스톨러" if korean else TITLE)
        self.assertIsNotNone(dlg, "the uninstaller did not start")
        return dlg

    def answer(self, caption, expected_text):
        box = find_window(title=caption)
        self.assertIsNotNone(box, "no %s message" % caption)
        self.assertEqual(message_text(box), expected_text)
        screenshot("uninstall-%s" % caption.lower())
        click_control(child(box, 1))
        self.assertTrue(wait_for(lambda: not [w for w in windows() if w["text"] in (caption, TITLE)], timeout=10))

    def test_uninstall_removes_program_folder_and_entry(self):
        folder, data = self.install()
        dlg = self.start_removal(folder)
        screenshot("uninstaller")
        click_control(child(dlg, 1004))
        self.answer("Information", "Removal is completed successfully!")
        self.assertFalse(os.path.exists(os.path.join(folder.path, "Glintbox.scr")))
        self.assertFalse(os.path.exists(data))
        self.assertFalse(key_exists(UNINSTALL_KEY))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "neighbour.txt")))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "uninst_saver.exe")))

    def test_cancel_deletes_nothing(self):
        folder, data = self.install()
        dlg = self.start_removal(folder)
        click_control(child(dlg, 1003))
        self.assertTrue(wait_for(lambda: not [w for w in windows() if w["text"] == TITLE], timeout=10))
        self.assertTrue(os.path.exists(os.path.join(folder.path, "Glintbox.scr")))
        self.assertTrue(os.path.exists(os.path.join(data, "inner", "file.txt")))
        self.assertTrue(key_exists(UNINSTALL_KEY))

    def test_a_folder_as_target_is_refused_and_nothing_is_deleted(self):
        folder, data = self.install()
        uninstaller = self.start_removal(folder)
        click_control(child(uninstaller, 1003))
        wait_for(lambda: not [w for w in windows() if w["text"] == TITLE], timeout=10)
        # The uninstaller started by hand with the program's folder as its target.
        import subprocess
        from harness import wine_env
        p = subprocess.Popen(["wine", "uninst_saver.exe", data], cwd=folder.path, env=wine_env(),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)
        dlg = find_window(title=TITLE)
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
        screenshot("uninstaller-korean")
        click_control(child(dlg, 1003))
        self.assertTrue(wait_for(lambda: not [w for w in windows() if w["text"] == dlg["text"]], timeout=10))
