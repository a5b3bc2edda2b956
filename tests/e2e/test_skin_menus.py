"""The skinned system menu of skinview's gallery in the Slate skin, as a user
opens it from the system-menu button of the caption. The menu must be our
popup window, framed with the Slate skin's menu picture and showing the
system menu's texts; choosing Close by its mnemonic closes the gallery.
(Alt+Space opening the same menu: the Win32 menu tests.)"""

import os
import subprocess

from harness import (BIN, WINBUILD, WineTestCase, click, find_window, pixel, press, same_colour, screen_text,
                     screenshot, share_read_back, wait_for, windows, wine_env)

SKINVIEW = os.path.join(BIN, "skinview.exe")
SLATE_SKIN = os.path.join(BIN, "Slate.skin")
SLATE_PICTURE = os.path.join(WINBUILD, "slate-skin", "slate-frame.bmp")
TITLE = "Skin viewer - Slate.skin"
MENU_CLASS = "GlazeworkPopupMenuWnd"
# The Slate dialog's system-menu button, from the window's top-left corner.
SYSTEM_BUTTON = (38, 14)
# Menu window point -> picture point of the Slate menu frame (40 x 40 at 0,160).
MENU_FRAME = [((0, 10), (0, 170)), ((10, 0), (10, 160)), ((-1, 10), (39, 170))]


def menus():
    return [w for w in windows() if w["class"] == MENU_CLASS]


class SkinnedSystemMenu(WineTestCase):
    def open_gallery(self):
        p = subprocess.Popen(["wine", SKINVIEW, SLATE_SKIN], env=wine_env(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.processes.append(p)
        gallery = find_window(title=TITLE)
        self.assertIsNotNone(gallery, "no gallery")
        return p, gallery

    def assertSkinnedMenu(self, name):
        menu = wait_for(menus, timeout=15)
        self.assertTrue(menu, "no skinned menu window after " + name)
        menu = menu[0]
        shot = screenshot("skin-menu-" + name)
        left, top, right, bottom = menu["rect"]
        for (mx, my), (px, py) in MENU_FRAME:
            at = ((right + mx) if mx < 0 else left + mx, top + my)
            self.assertTrue(same_colour(pixel(shot, *at), pixel(SLATE_PICTURE, px, py), 6),
                            "menu frame at %s is %s, the Slate picture has %s" %
                            ((mx, my), pixel(shot, *at), pixel(SLATE_PICTURE, px, py)))
        seen = screen_text(shot, menu["rect"])
        for text in ("Move", "Close"):
            self.assertGreaterEqual(share_read_back(text, seen), 0.9, "%r not read in the menu: %r" % (text, seen))
        return menu

    def test_system_menu_from_the_caption_button(self):
        p, gallery = self.open_gallery()
        left, top = gallery["rect"][:2]
        click(left + SYSTEM_BUTTON[0], top + SYSTEM_BUTTON[1])
        self.assertSkinnedMenu("button")
        press("c")
        self.assertEqual(self.assertExits(p), 0, "Close from the skinned menu did not end skinview")

