"""skinview.exe with the Slate skin, the way a user meets the common controls:
every kind drawn from the skin's pictures (checked against the pictures the
build drew, resources/skin/make-slate-art.sh), the animation playing its clip,
text read back from the status bar and the tabs, a tab switched from the
keyboard, and the combo box's button lit under the mouse."""

import os
import subprocess
import unittest

from harness import (BIN, WINBUILD, WineTestCase, child, click, find_window, move_mouse, pixel, press, same_colour,
                     screenshot, wait_for, wine_env, x_window)

SKINVIEW = os.path.join(BIN, "skinview.exe")
SLATE_SKIN = os.path.join(BIN, "Slate.skin")
CONTROLS = os.path.join(WINBUILD, "slate-skin", "slate-controls.bmp")
TITLE = "Skin viewer - Slate.skin"

# The colours of the clip's frames (tools/skinview/make-clip.py).
CLIP_COLOURS = [(0x19, 0xA7, 0xA0), (0xE0, 0x60, 0x20), (0x30, 0x50, 0xD0), (0xF0, 0xD0, 0x20)]

PROGRESS, STATUS, TAB, ANIMATION, COMBO_LIST, COMBO_DISABLED = 1016, 1027, 1022, 1019, 1013, 1037


def rect_of(gallery, control_id):
    return child(gallery, control_id)["rect"]


class SkinControls(WineTestCase):
    def setUp(self):
        super().setUp()
        move_mouse(5, 5)
        p = subprocess.Popen(["wine", SKINVIEW, SLATE_SKIN], env=wine_env(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.processes.append(p)
        self.gallery = find_window(title=TITLE)
        self.assertIsNotNone(self.gallery, "no gallery")
        wid = x_window(TITLE)
        if wid:
            subprocess.run(["xdotool", "windowfocus", "--sync", wid], capture_output=True, timeout=10)
        # Painted through: the status bar, the last control made, shows its item picture.
        left, top, right, bottom = rect_of(self.gallery, STATUS)
        self.status_point = (left + 150, (top + bottom) // 2)
        self.assertTrue(wait_for(lambda: same_colour(pixel(screenshot("skin-controls-start"), *self.status_point),
                                                     pixel(CONTROLS, 164, 155)), timeout=20),
                        "the status bar never showed its item picture")

    def assertPicture(self, shot, point, picture_point, what):
        seen = pixel(shot, *point)
        want = pixel(CONTROLS, *picture_point)
        self.assertTrue(same_colour(seen, want), "%s: %s on screen, %s in the picture" % (what, seen, want))

    def test_controls_wear_the_skins_pictures_and_the_clip_plays(self):
        shot = screenshot("skin-controls-slate")
        left, top, right, bottom = rect_of(self.gallery, PROGRESS)
        middle = (top + bottom) // 2
        # 60 %: the block picture at the start, the track picture near the end.
        self.assertPicture(shot, (left + (right - left) // 10, middle), (110, 63), "progress fill")
        self.assertPicture(shot, (right - (right - left) // 10, middle), (84, 63), "progress track")
        # The status bar's parts: the item picture beside their text.
        self.assertPicture(shot, self.status_point, (164, 155), "status item")
        # A disabled combo box shows the disabled thumb, away from its arrow.
        left, top, right, bottom = rect_of(self.gallery, COMBO_DISABLED)
        self.assertPicture(shot, (right - 5, top + 4), (182, 59), "disabled combo button")
        self.assertReadsOnScreen(shot, {"rect": rect_of(self.gallery, STATUS)}, ["Ready", "Status part two"])

        # The clip is drawn frame after frame: its left half changes colour.
        left, top, right, bottom = rect_of(self.gallery, ANIMATION)
        spot = ((left + right) // 2 - 12, (top + bottom) // 2)
        seen = set()

        def colours():
            colour = pixel(screenshot("skin-controls-clip"), *spot)
            seen.update(i for i, c in enumerate(CLIP_COLOURS) if same_colour(colour, c))
            return len(seen) >= 2
        self.assertTrue(wait_for(colours, timeout=15, interval=0.2), "clip colours seen: %s" % seen)
        press("Escape", title=TITLE)
        self.assertEqual(self.assertExits(self.processes[0]), 0)

    def test_tabs_switch_and_the_combo_button_lights_under_the_mouse(self):
        left, top, right, bottom = rect_of(self.gallery, TAB)
        first_tab = (left + 8, top + 12)
        shot = screenshot("skin-controls-tab-before")
        self.assertReadsOnScreen(shot, {"rect": [left, top, right, top + 24]}, ["Frame", "Text"])
        self.assertPicture(shot, first_tab, (44, 130), "selected tab")
        click(*first_tab)
        press("Right", title=TITLE)
        # The mouse is still on it: no longer selected, it shows the hovered picture.
        self.assertTrue(wait_for(lambda: same_colour(pixel(screenshot("skin-controls-tab-after"), *first_tab),
                                                     pixel(CONTROLS, 124, 130)), timeout=10),
                        "the first tab did not turn to the hovered picture")

        left, top, right, bottom = rect_of(self.gallery, COMBO_LIST)
        button = (right - 5, top + 4)
        self.assertPicture(screenshot("skin-controls-combo"), button, (131, 59), "combo button")
        move_mouse(right - 8, (top + bottom) // 2)
        self.assertTrue(wait_for(lambda: same_colour(pixel(screenshot("skin-controls-combo-hot"), *button),
                                                     pixel(CONTROLS, 165, 59)), timeout=10),
                        "the combo button did not light up")
        press("Escape", title=TITLE)
        self.assertEqual(self.assertExits(self.processes[0]), 0)


if __name__ == "__main__":
    unittest.main()
