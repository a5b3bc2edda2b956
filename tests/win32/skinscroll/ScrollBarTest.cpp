// Skinned scroll bars on real windows, with the system's scroll-bar functions
// redirected in this process.
#include <windows.h>

#include "image/DibImage.h"
#include "image/ImageFormat.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/scrollbar/SkinScrollBars.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace glint;

const char* const kNames[] = {"EnableScrollBar", "GetScrollInfo", "GetScrollPos",   "GetScrollRange",
                              "SetScrollInfo",   "SetScrollPos",  "SetScrollRange", "ShowScrollBar"};

std::vector<std::pair<UINT, int>> g_scrolls; // WM_VSCROLL / WM_HSCROLL: request, position

LRESULT CALLBACK LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_VSCROLL || message == WM_HSCROLL)
        g_scrolls.emplace_back(LOWORD(wParam), HIWORD(wParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<unsigned char> FunctionBytes()
{
    std::vector<unsigned char> bytes;
    HMODULE user32 = GetModuleHandleA("user32.dll");
    for (const char* name : kNames) {
        const auto* entry = reinterpret_cast<const unsigned char*>(GetProcAddress(user32, name));
        bytes.insert(bytes.end(), entry - 5, entry + 16);
    }
    return bytes;
}

class SkinnedBars : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = LoggingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SkinScrollTest";
        RegisterClassA(&wc);
    }
    void SetUp() override
    {
        ASSERT_EQ(1, InstallScrollBarRedirection());
        window_ = CreateWindowExA(0, "SkinScrollTest", "bars", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, 10, 10,
                                  240, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(window_);
        ASSERT_EQ(1, InitializeSkinScrollBars(window_));
        g_scrolls.clear();
    }
    void TearDown() override
    {
        if (IsWindow(window_))
            DestroyWindow(window_);
        RemoveScrollBarRedirection();
    }
    SkinScrollBarLayout Layout(int bar = SB_VERT)
    {
        SkinScrollBarLayout l = {};
        EXPECT_TRUE(GetSkinScrollBarLayout(window_, bar, l));
        return l;
    }
    // A non-client press at the centre of a part, as the system would send it.
    void Press(const RECT& part, UINT hit = HTVSCROLL)
    {
        RECT w;
        GetWindowRect(window_, &w);
        const int x = w.left + (part.left + part.right) / 2, y = w.top + (part.top + part.bottom) / 2;
        SendMessageA(window_, WM_NCLBUTTONDOWN, hit, MAKELPARAM(x, y));
    }
    void Range(int max, UINT page, int pos)
    {
        SCROLLINFO si = {sizeof si, SIF_ALL, 0, max, page, pos, 0};
        SetScrollInfo(window_, SB_VERT, &si, TRUE);
    }
    HWND window_ = nullptr;
};

TEST_F(SkinnedBars, SetScrollInfoClampsPageAndPosition)
{
    struct Case {
        int max;
        UINT page;
        int pos;
        UINT storedPage;
        int storedPos;
    } const cases[] = {
        {99, 10, 200, 10, 90}, // beyond max - page + 1
        {99, 10, -5, 10, 0},
        {99, 500, 50, 100, 0}, // the page no larger than the range
        {99, 0, 200, 0, 99},   // no page: the last position is max
    };
    for (const Case& c : cases) {
        SCROLLINFO si = {sizeof si, SIF_ALL, 0, c.max, c.page, c.pos, 0};
        EXPECT_EQ(c.storedPos, SetScrollInfo(window_, SB_VERT, &si, TRUE));
        SCROLLINFO got = {sizeof got, SIF_ALL, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(window_, SB_VERT, &got));
        EXPECT_EQ(c.storedPage, got.nPage);
        EXPECT_EQ(c.storedPos, got.nPos);
        EXPECT_EQ(c.storedPos, GetScrollPos(window_, SB_VERT));
    }
    // The whole range in one page: nothing to scroll, the bar goes and the client area grows.
    RECT before, after;
    Range(99, 50, 0);
    GetClientRect(window_, &before);
    Range(99, 100, 0);
    GetClientRect(window_, &after);
    EXPECT_FALSE(Layout().shown);
    EXPECT_EQ(before.right + GetSystemMetrics(SM_CXVSCROLL), after.right);
}

TEST_F(SkinnedBars, ThumbGeometry)
{
    SetSkinScrollBarMinThumb(window_, SB_VERT, 1);
    Range(99, 0, 0);
    SkinScrollBarLayout l = Layout();
    ASSERT_TRUE(l.shown);
    EXPECT_EQ(l.arrow1.bottom - l.arrow1.top, l.thumb.bottom - l.thumb.top) << "page 0: as long as an arrow";
    EXPECT_EQ(l.arrow1.bottom, l.thumb.top);
    // Half the range in a page: half the track; at the last position the thumb ends at the second arrow.
    Range(99, 50, 50);
    l = Layout();
    const int track = l.arrow2.top - l.arrow1.bottom;
    EXPECT_EQ(MulDiv(50, track, 100), l.thumb.bottom - l.thumb.top);
    EXPECT_EQ(l.arrow2.top, l.thumb.bottom);
    EXPECT_EQ(l.thumb.top, l.page1.bottom);
    // The minimum thumb size wins over a tiny page.
    SetSkinScrollBarMinThumb(window_, SB_VERT, 30);
    Range(9999, 1, 0);
    l = Layout();
    EXPECT_EQ(30, l.thumb.bottom - l.thumb.top);
    // Disabled by EnableScrollBar: both arrows only once, and no thumb.
    EXPECT_TRUE(EnableScrollBar(window_, SB_VERT, ESB_DISABLE_BOTH));
    EXPECT_FALSE(EnableScrollBar(window_, SB_VERT, ESB_DISABLE_BOTH));
    l = Layout();
    EXPECT_TRUE(IsRectEmpty(&l.thumb));
}

TEST_F(SkinnedBars, BarShorterThanTwoArrows)
{
    SetSkinScrollBarSize(window_, SB_VERT, 16, 40);
    Range(99, 10, 0);
    RECT window;
    GetWindowRect(window_, &window);
    RECT client;
    GetClientRect(window_, &client);
    // Client height 60: two half arrows of 30, no track, no thumb.
    SetWindowPos(window_, nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top - client.bottom + 60, SWP_NOMOVE | SWP_NOZORDER);
    const SkinScrollBarLayout l = Layout();
    ASSERT_TRUE(l.shown);
    EXPECT_EQ(16, l.bar.right - l.bar.left);
    EXPECT_EQ(30, l.arrow1.bottom - l.arrow1.top);
    EXPECT_EQ(30, l.arrow2.bottom - l.arrow2.top);
    EXPECT_EQ(l.arrow1.bottom, l.arrow2.top);
    EXPECT_TRUE(IsRectEmpty(&l.thumb));
}

TEST_F(SkinnedBars, ThumbDragIgnoresSetScrollRange)
{
    Range(99, 10, 0);
    const SkinScrollBarLayout l = Layout();
    Press(l.thumb);
    EXPECT_EQ(window_, GetCapture());
    SetScrollRange(window_, SB_VERT, 0, 10, TRUE);
    int min = -1, max = -1;
    GetScrollRange(window_, SB_VERT, &min, &max);
    EXPECT_EQ(99, max) << "ignored while the thumb is dragged";
    // Half the free track down: about half the positions.
    const int room = (l.arrow2.top - l.arrow1.bottom) - (l.thumb.bottom - l.thumb.top);
    POINT p = {(l.thumb.left + l.thumb.right) / 2, (l.thumb.top + l.thumb.bottom) / 2 + room / 2};
    RECT w;
    GetWindowRect(window_, &w);
    p.x += w.left, p.y += w.top;
    ScreenToClient(window_, &p);
    SendMessageA(window_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(nullptr, GetCapture());
    ASSERT_EQ(3u, g_scrolls.size());
    EXPECT_EQ(SB_THUMBTRACK, g_scrolls[0].first);
    EXPECT_NEAR(45, g_scrolls[0].second, 2);
    EXPECT_EQ(SB_THUMBPOSITION, g_scrolls[1].first);
    EXPECT_EQ(g_scrolls[0].second, g_scrolls[1].second);
    EXPECT_EQ(SB_ENDSCROLL, g_scrolls[2].first);
    SetScrollRange(window_, SB_VERT, 0, 10, TRUE);
    GetScrollRange(window_, SB_VERT, &min, &max);
    EXPECT_EQ(10, max);
}

TEST_F(SkinnedBars, ArrowAndPagePressesScroll)
{
    Range(99, 10, 50);
    const SkinScrollBarLayout l = Layout();
    const struct {
        const RECT* part;
        UINT request;
    } cases[] = {{&l.arrow1, SB_LINEUP}, {&l.arrow2, SB_LINEDOWN}, {&l.page1, SB_PAGEUP}, {&l.page2, SB_PAGEDOWN}};
    for (const auto& c : cases) {
        g_scrolls.clear();
        Press(*c.part);
        SendMessageA(window_, WM_LBUTTONUP, 0, 0);
        ASSERT_EQ(2u, g_scrolls.size());
        EXPECT_EQ(c.request, g_scrolls[0].first);
        EXPECT_EQ(UINT(SB_ENDSCROLL), g_scrolls[1].first);
    }
}

TEST_F(SkinnedBars, ShowScrollBarAndRecordLifetime)
{
    EXPECT_TRUE(ShowScrollBar(window_, SB_HORZ, FALSE));
    EXPECT_FALSE(GetWindowLongPtrA(window_, GWL_STYLE) & WS_HSCROLL);
    EXPECT_FALSE(Layout(SB_HORZ).shown);
    EXPECT_TRUE(ShowScrollBar(window_, SB_HORZ, TRUE));
    EXPECT_TRUE(GetWindowLongPtrA(window_, GWL_STYLE) & WS_HSCROLL);
    EXPECT_TRUE(Layout(SB_HORZ).shown);

    EXPECT_EQ(0, InitializeSkinScrollBars(window_));
    EXPECT_EQ(S_OK, UninitializeSkinScrollBars(window_));
    EXPECT_EQ(E_FAIL, UninitializeSkinScrollBars(window_));
    EXPECT_FALSE(HasSkinScrollBars(window_));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(LoggingProc), GetWindowLongPtrA(window_, GWLP_WNDPROC));
}

// Windows without a record reach the system's functions through the trampolines.
TEST(ScrollRedirection, PatchesAllEightAndRestoresEveryByte)
{
    const std::vector<unsigned char> original = FunctionBytes();
    ASSERT_EQ(1, InstallScrollBarRedirection());
    EXPECT_EQ(8, RedirectedScrollBarFunctions());
    EXPECT_NE(original, FunctionBytes());

    HWND plain = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(SetScrollRange(plain, SB_VERT, 0, 50, FALSE));
    SCROLLINFO si = {sizeof si, SIF_PAGE, 0, 0, 5, 0, 0};
    SetScrollInfo(plain, SB_VERT, &si, FALSE);
    SetScrollPos(plain, SB_VERT, 60, FALSE);
    EXPECT_EQ(46, GetScrollPos(plain, SB_VERT));

    EXPECT_EQ(1, RemoveScrollBarRedirection());
    EXPECT_EQ(0, RedirectedScrollBarFunctions());
    EXPECT_EQ(original, FunctionBytes());
    // What went through the trampolines is what the system itself stored.
    EXPECT_EQ(46, GetScrollPos(plain, SB_VERT));
    int min = -1, max = -1;
    GetScrollRange(plain, SB_VERT, &min, &max);
    EXPECT_EQ(50, max);
    DestroyWindow(plain);
}

HWND CreateSystemListBox()
{
    return CreateWindowExA(0, "LISTBOX", "", WS_OVERLAPPEDWINDOW | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 200, 200,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The common controls' version 6 list box, which calls USER32's exported
// scroll-bar functions, through an activation context naming it.
HWND CreateVersion6ListBox()
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    const std::string manifest = std::string(path) + "skinscroll_v6.manifest";
    const char text[] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"><dependency>"
        "<dependentAssembly><assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>"
        "</dependentAssembly></dependency></assembly>";
    HANDLE file = CreateFileA(manifest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text, DWORD(sizeof text - 1), &written, nullptr);
    CloseHandle(file);
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.lpSource = manifest.c_str();
    HANDLE actCtx = CreateActCtxA(&context);
    EXPECT_NE(INVALID_HANDLE_VALUE, actCtx);
    ULONG_PTR cookie = 0;
    ActivateActCtx(actCtx, &cookie);
    HWND list = CreateSystemListBox(); // its class now comes from the context
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(actCtx);
    DeleteFileA(manifest.c_str());
    return list;
}

// A list box adding items reaches its skinned bar: the version 6 list box
// through the redirected functions (the system never hears of its calls),
// USER32's own one either so or, where it calls deeper, through the system's
// state that the subclass follows.
TEST(ScrollRedirection, ListBoxReachesItsSkinnedBar)
{
    const struct {
        const char* name;
        HWND (*create)();
        bool throughRedirection;
    } cases[] = {{"common controls 6", CreateVersion6ListBox, true}, {"user32", CreateSystemListBox, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1, InstallScrollBarRedirection());
        HWND list = c.create();
        ASSERT_TRUE(list);
        ASSERT_EQ(1, InitializeSkinScrollBars(list));
        SkinScrollBarLayout l = {};
        ASSERT_TRUE(GetSkinScrollBarLayout(list, SB_VERT, l));
        EXPECT_FALSE(l.shown) << "an empty list needs no bar";
        for (int i = 0; i < 200; ++i)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("item " + std::to_string(i)).c_str()));
        SendMessageA(list, LB_SETTOPINDEX, 100, 0);
        SCROLLINFO si = {sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &si));
        EXPECT_GE(si.nMax, 199);
        EXPECT_EQ(100, si.nPos);
        ASSERT_TRUE(GetSkinScrollBarLayout(list, SB_VERT, l));
        EXPECT_TRUE(l.shown);
        RemoveScrollBarRedirection();
        if (c.throughRedirection) {
            EXPECT_NE(100, GetScrollPos(list, SB_VERT)) << "the system's own bar was never told";
        }
        DestroyWindow(list);
    }
}

// The pictures show a vertical bar; a horizontal part is the same picture
// mirrored across the diagonal (the up arrow points left), and a state
// without a picture of its own takes the normal one.
TEST(ScrollBarDrawing, HorizontalPartsMirrorTheVerticalPictures)
{
    auto store = std::make_unique<CSkinStore>();
    auto image = std::make_unique<CSkinImage>();
    image->SetName("arrow.bmp");
    ASSERT_TRUE(image->image.Create(16, 16, 24, FORMAT_BMP));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image->image.SetPixelColor(x, y, y < 4 ? RGB(200, 0, 0) : y < 12 ? RGB(0, 160, 0) : RGB(0, 0, 200));
    store->AddImage(std::move(image));
    auto definition = std::make_unique<CScrollBarDefinition>();
    definition->SetName("ScrollBar");
    SkinImageRef& arrow = definition->states[SKIN_SBS_NORMAL].arrow1;
    std::strcpy(arrow.image, "arrow.bmp");
    arrow.source = {0, 0, 16, 16};
    arrow.mode = SKIN_DRAW_STRETCH;
    CSkinNode* bars = definition.get();
    store->AddDefinition(std::move(definition));
    ASSERT_TRUE(SkinRegistry().ReplaceStore(std::move(store)));

    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -20, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
    DrawSkinScrollBarPart(dc, RECT{0, 0, 16, 16}, bars, SKIN_SB_ARROW1, SKIN_SBS_NORMAL, true);
    DrawSkinScrollBarPart(dc, RECT{20, 0, 36, 16}, bars, SKIN_SB_ARROW1, SKIN_SBS_NORMAL, false);
    DrawSkinScrollBarPart(dc, RECT{40, 0, 56, 16}, bars, SKIN_SB_ARROW1, SKIN_SBS_PRESSED, true);
    const COLORREF top = GetPixel(dc, 8, 1), bottom = GetPixel(dc, 8, 14);
    EXPECT_NE(top, bottom);
    EXPECT_EQ(top, GetPixel(dc, 21, 8)) << "the top of the picture on the left";
    EXPECT_EQ(bottom, GetPixel(dc, 34, 8));
    EXPECT_EQ(top, GetPixel(dc, 48, 1)) << "pressed without its own picture";
    EXPECT_EQ(bottom, GetPixel(dc, 48, 14));
    DeleteDC(dc);
    DeleteObject(bitmap);
    SkinRegistry().ReplaceStore(std::make_unique<CSkinStore>());
}

} // namespace
