// The scrollable controls' colours and background on real windows under Wine:
// an edit takes the skin's background colour and a read-only one the
// read-only colour; a list box shows the background picture behind its items;
// a list view's header stays on top of the view's background.
#include "ButtonSkinSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>

using namespace buttontest;

namespace {

class SkinnedScrollables : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StartWithBlockSkin(), "");
        dialog_ = CreateRecordingDialog(&heard_, 140, 140);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override
    {
        if (dialog_)
            DestroyWindow(dialog_);
        ExitSkinRuntime();
        Pump();
    }
    HWND dialog_ = nullptr;
    Notifications heard_;
};

TEST_F(SkinnedScrollables, AReadOnlyEditGetsTheReadOnlyColourAndAnEditableOneTheBackground)
{
    HWND editable = AddControl(dialog_, "Edit", "typed", ES_AUTOHSCROLL, 1, {10, 10, 150, 34}, WS_EX_CLIENTEDGE);
    HWND readOnly =
        AddControl(dialog_, "Edit", "fixed", ES_AUTOHSCROLL | ES_READONLY, 2, {10, 50, 150, 74}, WS_EX_CLIENTEDGE);
    ASSERT_NE(GetPropA(editable, "OBJECT"), nullptr);
    RECT client;
    GetClientRect(editable, &client);
    // Right of the short text, inside the client area.
    EXPECT_EQ(ClientPixel(editable, client.right - 3, client.bottom / 2), kEditBack);
    EXPECT_EQ(ClientPixel(readOnly, client.right - 3, client.bottom / 2), kReadOnlyBack);
    // A read-only edit made editable changes colour.
    SendMessageA(readOnly, EM_SETREADONLY, FALSE, 0);
    EXPECT_EQ(ClientPixel(readOnly, client.right - 3, client.bottom / 2), kEditBack);
}

TEST_F(SkinnedScrollables, AListBoxShowsItsBackgroundPictureBehindItsItems)
{
    HWND list = AddControl(dialog_, "ListBox", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 3, {10, 10, 200, 150},
                           WS_EX_CLIENTEDGE);
    ASSERT_NE(GetPropA(list, "OBJECT"), nullptr);
    char item[32];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(item, sizeof item, "Item number %d", i);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    const int itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    RECT client;
    GetClientRect(list, &client);
    const COLORREF back = kBlockColours[LIST_BACK];
    for (int top : {0, 12}) {
        SendMessageA(list, LB_SETTOPINDEX, top, 0);
        EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), top);
        // Right of the text of the first visible item: the item's window colour is left out.
        EXPECT_EQ(ClientPixel(list, client.right - 4, itemHeight / 2), back) << "top " << top;
        // The text itself stays.
        HDC dc = GetDC(list);
        int text = 0;
        for (int x = 0; x < client.right / 2; ++x)
            for (int y = 0; y < itemHeight; ++y)
                text += GetPixel(dc, x, y) != back;
        ReleaseDC(list, dc);
        EXPECT_GT(text, 10) << "top " << top;
    }
}

TEST_F(SkinnedScrollables, AListViewsHeaderStaysOnTopOfItsBackground)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    HWND view = AddControl(dialog_, WC_LISTVIEWA, "", LVS_REPORT, 4, {10, 10, 200, 150}, WS_EX_CLIENTEDGE);
    ASSERT_NE(GetPropA(view, "OBJECT"), nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 120;
    column.pszText = const_cast<char*>("Name");
    SendMessageA(view, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    HWND header = reinterpret_cast<HWND>(SendMessageA(view, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    RECT bar;
    GetClientRect(header, &bar);
    ASSERT_GT(bar.bottom, 4);
    // The view repaints alone, as it does after scrolling; its header is not asked to.
    RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_NE(ClientPixel(view, bar.right / 2, bar.bottom / 2), kBlockColours[LIST_BACK]);
    // Below the header the background picture shows.
    EXPECT_EQ(ClientPixel(view, 180, 120), kBlockColours[LIST_BACK]);
}

} // namespace
