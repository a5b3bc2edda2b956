#include "skin/runtime/menu/SkinMenuModel.h"

#include <algorithm>
#include <cctype>

namespace glint {

namespace {

constexpr int kTextMax = 400;
// Deeper nesting than any real menu has: a menu that holds itself ends here.
constexpr int kDepthMax = 16;
// The gap between a popup and the screen edge it was pushed back from.
constexpr int kEdgeGap = 2;
constexpr int kMinArrowRoom = 10;

void BuildItems(HMENU menu, int depth, SkinMenuModel& items)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        SkinMenuItem item;
        item.id = GetMenuItemID(menu, i);
        char text[kTextMax + 1] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE;
        info.dwTypeData = text;
        info.cch = kTextMax;
        if (GetMenuItemInfoA(menu, UINT(i), TRUE, &info) && !(info.fType & (MFT_BITMAP | MFT_SEPARATOR)))
            item.text = text;
        item.mnemonic = MenuMnemonic(item.text);
        item.state = GetMenuState(menu, UINT(i), MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_SEPARATOR);
        item.menu = menu;
        if (HMENU sub = GetSubMenu(menu, i)) {
            item.subMenu = sub;
            if (depth + 1 < kDepthMax)
                BuildItems(sub, depth + 1, item.items);
        }
        items.push_back(std::move(item));
    }
}

} // namespace

SkinMenuModel BuildMenuModel(HMENU menu)
{
    SkinMenuModel items;
    if (menu && IsMenu(menu))
        BuildItems(menu, 0, items);
    return items;
}

char MenuMnemonic(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;  // "&&" shows one "&" and marks nothing
            continue;
        }
        return char(std::toupper(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

int NextMenuItem(const SkinMenuModel& items, int from, int step)
{
    const int count = int(items.size());
    if (count == 0)
        return -1;
    int at = from < 0 || from >= count ? (step > 0 ? -1 : count) : from;
    for (int tried = 0; tried < count; ++tried) {
        at = ((at + step) % count + count) % count;
        if (!items[size_t(at)].IsSeparator())
            return at;
    }
    return -1;
}

int FindMnemonicItem(const SkinMenuModel& items, UINT key)
{
    if (key == 0 || key > 0xFF)
        return -1;
    const char wanted = char(std::toupper(int(key)));
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].mnemonic == wanted)
            return int(i);
    return -1;
}

POINT PlaceRootPopup(SIZE popup, int x, int y, UINT flags, SIZE screen)
{
    POINT at = {x, y};
    if (flags & TPM_CENTERALIGN)
        at.x = x - popup.cx / 2;
    else if (flags & TPM_RIGHTALIGN)
        at.x = x - popup.cx;
    if (flags & TPM_BOTTOMALIGN)
        at.y = y - popup.cy;
    else if (flags & TPM_VCENTERALIGN)
        at.y = y - popup.cy / 2;
    if (at.x + popup.cx > screen.cx)
        at.x -= at.x + popup.cx - screen.cx + kEdgeGap;
    if (at.y + popup.cy > screen.cy)
        at.y -= at.y + popup.cy - screen.cy + kEdgeGap;
    if (at.x < 0)
        at.x = kEdgeGap;
    if (at.y < 0)
        at.y = kEdgeGap;
    return at;
}

POINT PlaceSubmenu(const RECT& itemRow, const RECT& parentPopup, SIZE popup, SIZE screen)
{
    POINT at = {itemRow.right + kEdgeGap, itemRow.top};
    if (at.x + popup.cx > screen.cx)
        at.x = parentPopup.left - popup.cx - kEdgeGap;
    // No room on either side: as far right as the screen allows.
    if (at.x < 0)
        at.x = std::max(kEdgeGap, int(screen.cx - popup.cx - kEdgeGap));
    if (at.y + popup.cy > screen.cy)
        at.y -= at.y + popup.cy - screen.cy + kEdgeGap;
    if (at.y < 0)
        at.y = kEdgeGap;
    return at;
}

MenuScrollLayout ScrollLayoutFor(int clientHeight, int itemHeight, int itemCount)
{
    MenuScrollLayout layout;
    if (itemHeight <= 0 || clientHeight >= itemHeight * itemCount) {
        layout.visible = itemCount;
        return layout;
    }
    layout.scrolls = true;
    layout.visible = clientHeight / itemHeight;
    if (clientHeight % itemHeight < kMinArrowRoom)
        --layout.visible;
    layout.visible = std::max(layout.visible, 0);
    const int rest = clientHeight - layout.visible * itemHeight;
    layout.upperArea = rest / 2;
    layout.lowerArea = rest - layout.upperArea;
    return layout;
}

int FirstVisibleFor(int item, int first, int visible, int itemCount)
{
    if (visible <= 0 || item < 0)
        return std::max(first, 0);
    if (item < first)
        first = item;
    else if (item >= first + visible)
        first = item - visible + 1;
    return std::clamp(first, 0, std::max(itemCount - visible, 0));
}

} // namespace glint
