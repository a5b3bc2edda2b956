// The menu rules that need no window: the model read from a menu handle,
// navigation and mnemonics, where popups go on the screen, scrolling, and the
// items of the system menu.
#include "skin/runtime/menu/SkinMenuModel.h"
#include "skin/runtime/menu/SkinPopupMenu.h"

#include <gtest/gtest.h>

#include <map>

using namespace glint;

namespace {

constexpr SIZE kScreen = {800, 600};

TEST(MenuModel, ReadsTextsStatesAcceleratorsAndSubmenus)
{
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING | MF_CHECKED, 301, "&One");
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 101, "Save && &quit\tCtrl+Q");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 102, "&Grayed");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More");
    const SkinMenuModel model = BuildMenuModel(menu);
    ASSERT_EQ(model.size(), 4u);
    EXPECT_EQ(model[0].id, 101u);
    EXPECT_EQ(model[0].text, "Save && &quit\tCtrl+Q");
    EXPECT_EQ(model[0].mnemonic, 'Q') << "\"&&\" is a plain ampersand, not the mnemonic";
    EXPECT_TRUE(model[1].IsSeparator());
    EXPECT_TRUE(model[2].IsUnavailable());
    EXPECT_EQ(model[3].subMenu, sub);
    ASSERT_EQ(model[3].items.size(), 1u);
    EXPECT_TRUE(model[3].items[0].IsChecked());
    EXPECT_TRUE(BuildMenuModel(nullptr).empty());
    DestroyMenu(menu);
}

TEST(MenuModel, NavigationSkipsSeparatorsAndWraps)
{
    SkinMenuModel items(5);
    items[0].state = items[2].state = MF_SEPARATOR;
    EXPECT_EQ(NextMenuItem(items, -1, 1), 1) << "from no selection: the first item that is no separator";
    EXPECT_EQ(NextMenuItem(items, -1, -1), 4);
    EXPECT_EQ(NextMenuItem(items, 1, 1), 3);
    EXPECT_EQ(NextMenuItem(items, 4, 1), 1) << "wraps past the end and the separator there";
    EXPECT_EQ(NextMenuItem(items, 1, -1), 4);
    SkinMenuModel separators(2);
    separators[0].state = separators[1].state = MF_SEPARATOR;
    EXPECT_EQ(NextMenuItem(separators, -1, 1), -1);

    items[3].mnemonic = 'X';
    items[4].mnemonic = 'X';
    EXPECT_EQ(FindMnemonicItem(items, 'X'), 3) << "the first item with the mnemonic";
    EXPECT_EQ(FindMnemonicItem(items, 'Y'), -1);
}

TEST(MenuPlacement, RootPopupsStayOnTheScreen)
{
    const SIZE popup = {100, 80};
    struct Case {
        int x, y;
        UINT flags;
        POINT want;
    } cases[] = {
        {10, 20, TPM_LEFTALIGN | TPM_TOPALIGN, {10, 20}},
        {200, 300, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, {100, 220}},
        {200, 300, TPM_CENTERALIGN | TPM_VCENTERALIGN, {150, 260}},
        {790, 100, 0, {698, 100}},  // passes the right edge: ends 2 pixels inside
        {100, 590, 0, {100, 518}},  // and the bottom edge
        {30, 30, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, {2, 2}},  // a negative corner becomes 2
    };
    for (const Case& c : cases) {
        const POINT at = PlaceRootPopup(popup, c.x, c.y, c.flags, kScreen);
        EXPECT_EQ(at.x, c.want.x) << c.x << "," << c.y << " flags " << c.flags;
        EXPECT_EQ(at.y, c.want.y) << c.x << "," << c.y << " flags " << c.flags;
    }
}

TEST(MenuPlacement, SubmenusOpenBesideTheirItemOrOnTheLeftNearTheRightEdge)
{
    const SIZE popup = {120, 100};
    const POINT beside = PlaceSubmenu({50, 40, 150, 60}, {46, 0, 154, 200}, popup, kScreen);
    EXPECT_EQ(beside.x, 152);
    EXPECT_EQ(beside.y, 40);
    const POINT left = PlaceSubmenu({650, 550, 750, 570}, {646, 300, 754, 598}, popup, kScreen);
    EXPECT_EQ(left.x, 646 - 120 - 2) << "near the right edge the submenu opens to the left";
    EXPECT_EQ(left.y, 600 - 100 - 2);
    // No room on either side: it still ends inside the screen.
    const POINT squeezed = PlaceSubmenu({60, 0, 700, 20}, {56, 0, 704, 40}, popup, kScreen);
    EXPECT_GE(squeezed.x, 0);
    EXPECT_LE(squeezed.x + popup.cx, kScreen.cx);
}

TEST(MenuScrolling, RowsThatDoNotFitScrollBetweenTwoArrowAreas)
{
    const MenuScrollLayout fits = ScrollLayoutFor(100, 20, 5);
    EXPECT_FALSE(fits.scrolls);
    const MenuScrollLayout roomy = ScrollLayoutFor(112, 20, 10);  // 12 pixels are left for the arrows
    EXPECT_EQ(roomy.visible, 5);
    EXPECT_EQ(roomy.upperArea + roomy.lowerArea, 12);
    const MenuScrollLayout tight = ScrollLayoutFor(105, 20, 10);  // 5 pixels would be too few
    EXPECT_EQ(tight.visible, 4);
    EXPECT_EQ(tight.upperArea, 12);
    EXPECT_EQ(tight.lowerArea, 13);

    EXPECT_EQ(FirstVisibleFor(7, 0, 4, 10), 4) << "scrolls down just enough to show the item";
    EXPECT_EQ(FirstVisibleFor(2, 4, 4, 10), 2);
    EXPECT_EQ(FirstVisibleFor(5, 4, 4, 10), 4);
}

// The maximised case runs live, in MenuInputTest.
TEST(SystemMenu, ItemsAreGrayedByTheWindowsStateAndAbilities)
{
    const uint32_t sizable = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    auto grayed = [](uint32_t style, uint32_t exStyle, bool noClose) {
        std::map<UINT, bool> result;
        for (const SystemMenuEntry& entry : SystemMenuEntries(style, exStyle, noClose))
            if (entry.command)
                result[entry.command] = entry.grayed;
        return result;
    };
    auto normal = grayed(sizable, 0, false);
    EXPECT_TRUE(normal[SC_RESTORE]);
    EXPECT_FALSE(normal[SC_MAXIMIZE]);
    EXPECT_FALSE(normal[SC_SIZE]);
    auto fixed = grayed(WS_CAPTION | WS_SYSMENU, WS_EX_MDICHILD, true);
    EXPECT_TRUE(fixed[SC_MAXIMIZE]) << "no maximise box, no Maximize";
    EXPECT_TRUE(fixed[SC_MINIMIZE]);
    EXPECT_TRUE(fixed[SC_SIZE]);
    EXPECT_TRUE(fixed[SC_CLOSE]);
    EXPECT_EQ(fixed.count(SC_NEXTWINDOW), 1u) << "an MDI child offers the next window";
}

} // namespace
