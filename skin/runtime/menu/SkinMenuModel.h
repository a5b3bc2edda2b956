#pragma once
// The model behind a skinned popup menu, read from a menu handle, and the
// rules that need no window: navigation, mnemonics, where a popup goes on the
// screen and how a popup taller than its room scrolls.
#include <windows.h>

#include <string>
#include <vector>

namespace glint {

struct SkinMenuItem {
    UINT id = 0;             // GetMenuItemID (0xFFFFFFFF for an item that opens a submenu)
    std::string text;        // "&" marks the mnemonic; a tab separates the accelerator text
    char mnemonic = 0;       // upper case; 0 for none
    UINT state = 0;          // MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR bits
    HMENU menu = nullptr;    // the menu the item came from
    HMENU subMenu = nullptr;
    std::vector<SkinMenuItem> items;  // the submenu's model

    bool IsSeparator() const { return (state & MF_SEPARATOR) && !subMenu; }
    // Grayed or disabled: it can be selected but never chosen.
    bool IsUnavailable() const { return (state & (MF_GRAYED | MF_DISABLED)) != 0; }
    bool IsChecked() const { return (state & MF_CHECKED) != 0; }
};

using SkinMenuModel = std::vector<SkinMenuItem>;

// The items of a menu, submenus included. A menu nested deeper than a sane
// limit (or one that contains itself) is cut off there.
SkinMenuModel BuildMenuModel(HMENU menu);

// The character after the first "&" that is not part of a "&&", upper-cased; 0 without one.
char MenuMnemonic(const std::string& text);

// The next item from `from` in direction step (+1 or -1) that is no
// separator, wrapping at the ends; from -1 the first (step +1) or last
// (step -1). -1 when every item is a separator.
int NextMenuItem(const SkinMenuModel& items, int from, int step);

// The first item whose mnemonic is the key, -1 for none.
int FindMnemonicItem(const SkinMenuModel& items, UINT key);

// The top-left corner of a root popup of that size for the point (x, y) and
// the TPM_ alignment flags, kept on a screen of that size: a popup passing the
// right or bottom edge moves back by the overlap plus 2, a negative left or
// top becomes 2.
POINT PlaceRootPopup(SIZE popup, int x, int y, UINT flags, SIZE screen);

// A submenu's corner: beside the item (2 pixels right of its row, top aligned
// with it). One that would pass the right edge of the screen opens on the
// parent popup's left side instead; it stays on the screen either way.
POINT PlaceSubmenu(const RECT& itemRow, const RECT& parentPopup, SIZE popup, SIZE screen);

// How a popup whose client area is too short for its items scrolls.
struct MenuScrollLayout {
    bool scrolls = false;
    int visible = 0;      // whole rows shown
    int upperArea = 0;    // heights of the scroll-arrow areas above and below the rows
    int lowerArea = 0;
};
// Rows that do not fit make it scroll: as many rows as fit, one fewer when
// less than 10 pixels would be left for the two arrow areas.
MenuScrollLayout ScrollLayoutFor(int clientHeight, int itemHeight, int itemCount);

// The first visible row that shows `item` with `visible` rows, moving the
// range as little as possible from `first`.
int FirstVisibleFor(int item, int first, int visible, int itemCount);

} // namespace glint
