// The built-in player control on real windows: its COM identity, the Flash
// control's dispatch ids and their answers, the timeline at the movie's frame
// rate, FSCommand events, the pixels of its window in both scale modes, and
// clicks on a movie's buttons where a dialog hosts it.
#include "flash/win32/FlashControl.h"
#include "flash/win32/PlayerControl.h"
#include "tests/win32/flash/TestMovies.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace glint;
using namespace glint::flash::win32;
using namespace glint::testmovies;

namespace {

// Records FSCommand events; may drop the control from inside the handler.
class RecordingSink : public IDispatch {
public:
    std::vector<std::pair<std::wstring, std::wstring>> events;
    std::vector<DISPID> otherIds;
    IDispatch** dropOnEvent = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        if (id != kDispFSCommand || flags != DISPATCH_METHOD || p->cArgs != 2 || p->rgvarg[0].vt != VT_BSTR ||
            p->rgvarg[1].vt != VT_BSTR) {
            otherIds.push_back(id);
            return S_OK;
        }
        events.emplace_back(p->rgvarg[1].bstrVal, p->rgvarg[0].bstrVal);
        if (dropOnEvent && *dropOnEvent) {
            (*dropOnEvent)->Release();
            *dropOnEvent = nullptr;
        }
        return S_OK;
    }
    ULONG refs = 1;
};

class PlayerControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PlayerControlTestParent";
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent_, nullptr);
        RECT rect = {0, 0, 200, 150};
        ASSERT_EQ(CreatePlayerControl(parent_, WS_VISIBLE, rect, 1005, &sink_, &control_, &window_), S_OK);
        ASSERT_NE(control_, nullptr);
    }
    void TearDown() override
    {
        if (control_)
            control_->Release();
        DestroyWindow(parent_);
        for (const auto& f : files_)
            DeleteFileA(f.c_str());
    }

    // Writes the movie to a file and sets the control's Movie to it.
    HRESULT SetMovie(const std::string& name, const std::string& bytes)
    {
        files_.push_back(WriteTempFile(name, bytes));
        return PutText(kDispMovie, files_.back());
    }

    HRESULT Call(DISPID id, WORD flags, VARIANT* arg = nullptr, VARIANT* result = nullptr, UINT args = 0)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS p = {arg, nullptr, arg ? (args ? args : 1u) : 0u, 0};
        if (flags == DISPATCH_PROPERTYPUT)
            p.rgdispidNamedArgs = &named, p.cNamedArgs = 1;
        return control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result, nullptr, nullptr);
    }
    HRESULT PutText(DISPID id, const std::string& text)
    {
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(std::wstring(text.begin(), text.end()).c_str());
        HRESULT hr = Call(id, DISPATCH_PROPERTYPUT, &v);
        VariantClear(&v);
        return hr;
    }
    // A property's value, which must come in the type given.
    VARIANT Get(DISPID id, VARTYPE type)
    {
        VARIANT r;
        VariantInit(&r);
        EXPECT_EQ(Call(id, DISPATCH_PROPERTYGET, nullptr, &r), S_OK);
        EXPECT_EQ(r.vt, type);
        return r;
    }
    LONG GetInt(DISPID id) { return Get(id, VT_I4).lVal; }
    bool Playing() { return Get(kDispPlaying, VT_BOOL).boolVal != VARIANT_FALSE; }
    COLORREF PixelAt(int x, int y)
    {
        UpdateWindow(window_);
        HDC dc = GetDC(window_);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(window_, dc);
        return c;
    }

    HWND parent_ = nullptr, window_ = nullptr;
    IDispatch* control_ = nullptr;
    RecordingSink sink_;
    std::vector<std::string> files_;
};

} // namespace

TEST_F(PlayerControlTest, IsAChildWindowWithTheGivenIdAndAnswersOnlyItsInterfaces)
{
    EXPECT_EQ(GetParent(window_), parent_);
    EXPECT_EQ(GetDlgCtrlID(window_), 1005);
    EXPECT_TRUE(IsWindowVisible(window_));
    IUnknown* unknown = nullptr;
    ASSERT_EQ(control_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(control_->QueryInterface(IID_IPersist, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    UINT count = 5;
    EXPECT_EQ(control_->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(PlayerControlTest, NamesMapToTheDispatchIdsOfTheFlashControl)
{
    const std::pair<const wchar_t*, DISPID> table[] = {
        {L"Movie", 0x66},   {L"scale", 0x89},    {L"PLAY", 0x70},        {L"Rewind", 0x74},
        {L"Playing", 0x7D}, {L"FrameNum", 0x6B}, {L"TotalFrames", 0x7C},
    };
    for (auto [name, id] : table) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID got = 0;
        EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, names, 1, 0, &got), S_OK) << name;
        EXPECT_EQ(got, id) << name;
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Zoom")};
    DISPID got = 0;
    EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, unknown, 1, 0, &got), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(got, DISPID_UNKNOWN);
}

TEST_F(PlayerControlTest, TimelineAnswersAsTheControlDoes)
{
    // Nothing loaded: an empty timeline.
    EXPECT_EQ(GetInt(kDispTotalFrames), 0);
    EXPECT_EQ(GetInt(kDispFrameNum), 0);
    EXPECT_FALSE(Playing());

    ASSERT_EQ(SetMovie("five.swf", ColourFrames(100, 75, 20, kNavy, {{kRed}, {kGreen}, {kBlue}, {kYellow}, {kRed}})),
              S_OK);
    EXPECT_EQ(GetInt(kDispTotalFrames), 5);
    EXPECT_EQ(GetInt(kDispFrameNum), 0);
    EXPECT_TRUE(Playing()) << "a movie plays as soon as it is set";

    EXPECT_EQ(Call(kDispRewind, DISPATCH_METHOD), S_OK);
    EXPECT_FALSE(Playing()) << "Rewind stops on frame 0";
    EXPECT_EQ(GetInt(kDispFrameNum), 0);
    PumpFor(200);
    EXPECT_EQ(GetInt(kDispFrameNum), 0) << "a stopped movie does not advance";

    EXPECT_EQ(Call(kDispPlay, DISPATCH_METHOD), S_OK);
    EXPECT_TRUE(Playing());
    EXPECT_TRUE(PumpUntil([&] { return GetInt(kDispFrameNum) >= 2; }, 2000)) << "frames advance at 20 fps";
    // It loops: frame 0 comes round again while it keeps playing.
    EXPECT_TRUE(PumpUntil([&] { return GetInt(kDispFrameNum) == 0; }, 2000));
    EXPECT_TRUE(Playing());
}

TEST_F(PlayerControlTest, BrokenOrMissingMoviesLeaveAnEmptyBlackPlayer)
{
    const std::string good = ColourFrames(100, 75, 20, kNavy, {{kRed}, {kGreen}});
    const std::string broken[] = {
        "",
        "not a movie at all",
        good.substr(0, 11),              // the header cut short
        "CWS\x08\xff\xff\xff\x7f" + std::string(20, 'x'), // claims 2 GB, zlib data is garbage
    };
    int n = 0;
    for (const std::string& bytes : broken) {
        SCOPED_TRACE(n);
        ASSERT_EQ(SetMovie("broken" + std::to_string(n++) + ".swf", bytes), S_OK);
        EXPECT_EQ(GetInt(kDispTotalFrames), 0);
        EXPECT_FALSE(Playing());
        Call(kDispPlay, DISPATCH_METHOD);
        EXPECT_FALSE(Playing()) << "nothing to play";
        PumpFor(50);
        EXPECT_EQ(PixelAt(100, 75), RGB(0, 0, 0));
    }
    // A readable header over garbage tags is a movie without content: it shows
    // its background (white, as no colour is set) and never more than a frame.
    ASSERT_EQ(SetMovie("garbage.swf", good.substr(0, 21) + std::string(40, '\xff')), S_OK);
    EXPECT_LE(GetInt(kDispTotalFrames), 1);
    PumpFor(50);
    EXPECT_EQ(PixelAt(100, 75), RGB(255, 255, 255));
    ASSERT_EQ(PutText(kDispMovie, "C:\\no\\such\\movie.swf"), S_OK);
    EXPECT_EQ(GetInt(kDispTotalFrames), 0);
    // A good movie after the broken ones plays normally.
    ASSERT_EQ(SetMovie("good.swf", good), S_OK);
    EXPECT_EQ(GetInt(kDispTotalFrames), 2);
}

TEST_F(PlayerControlTest, RejectsWrongCallsWithoutChangingState)
{
    EXPECT_EQ(Call(0x1234, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(kDispMovie, DISPATCH_PROPERTYPUT), DISP_E_BADPARAMCOUNT) << "a put needs its value";
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = 7;
    EXPECT_EQ(Call(kDispTotalFrames, DISPATCH_PROPERTYPUT, &v), DISP_E_MEMBERNOTFOUND) << "read-only";
    EXPECT_EQ(Call(kDispPlay, DISPATCH_METHOD, &v), DISP_E_BADPARAMCOUNT);
    VARIANT unknown;
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = nullptr;
    UINT argError = 99;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p = {&unknown, &named, 1, 1};
    EXPECT_EQ(control_->Invoke(kDispScale, IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    EXPECT_EQ(control_->Invoke(kDispPlay, IID_IDispatch, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    VARIANT scale = Get(kDispScale, VT_BSTR);
    EXPECT_STREQ(scale.vt == VT_BSTR ? scale.bstrVal : nullptr, L"ShowAll") << "the control's default is unchanged";
    VariantClear(&scale);
}

TEST_F(PlayerControlTest, FSCommandArrivesFromTheMessageLoopWithCommandAndArguments)
{
    ASSERT_EQ(SetMovie("fs.swf", ColourFrames(100, 75, 25, kNavy,
                                              {{kRed, false, "allowscale", "false"}, {kGreen, true, "quit", ""}})),
              S_OK);
    EXPECT_TRUE(sink_.events.empty()) << "not from inside the call that set the movie";
    ASSERT_TRUE(PumpUntil([&] { return sink_.events.size() == 2; }, 2000));
    EXPECT_EQ(sink_.events[0], std::make_pair(std::wstring(L"allowscale"), std::wstring(L"false")));
    EXPECT_EQ(sink_.events[1], std::make_pair(std::wstring(L"quit"), std::wstring()));
    EXPECT_TRUE(sink_.otherIds.empty());
}

TEST_F(PlayerControlTest, AHandlerMayDropTheControl)
{
    sink_.dropOnEvent = &control_;
    ASSERT_EQ(SetMovie("drop.swf", ColourFrames(100, 75, 25, kNavy,
                                                {{kRed, false, "first", "1"}, {kGreen, false, "second", "2"}})),
              S_OK);
    ASSERT_TRUE(PumpUntil([&] { return control_ == nullptr; }, 2000));
    PumpFor(200);
    EXPECT_EQ(sink_.events.size(), 1u) << "nothing is delivered by a control that is gone";
    EXPECT_FALSE(IsWindow(window_)) << "the window goes with the last reference";
    EXPECT_EQ(sink_.refs, 1u) << "the control let go of its sink";
}

TEST_F(PlayerControlTest, ParentDestructionLeavesAWorkingObject)
{
    ASSERT_EQ(SetMovie("orphan.swf", ColourFrames(100, 75, 25, kNavy, {{kRed}, {kGreen}})), S_OK);
    DestroyWindow(parent_);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(GetInt(kDispTotalFrames), 2);
    EXPECT_EQ(Call(kDispPlay, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(Call(kDispRewind, DISPATCH_METHOD), S_OK);
    PumpFor(100);
}

TEST_F(PlayerControlTest, ShowAllFillsTheWindowAndNoScaleCentresTheStage)
{
    // Stage 100 x 75 in a 200 x 150 window; the left half of the stage is red.
    ASSERT_EQ(SetMovie("scale.swf", ColourFrames(100, 75, 12, kNavy, {{kRed, true}})), S_OK);
    PumpFor(100);
    EXPECT_EQ(PixelAt(10, 75), ColorRefOf(kRed)) << "ShowAll doubles the stage";
    EXPECT_EQ(PixelAt(90, 75), ColorRefOf(kRed));
    EXPECT_EQ(PixelAt(110, 75), ColorRefOf(kNavy));
    EXPECT_EQ(PixelAt(190, 140), ColorRefOf(kNavy));

    ASSERT_EQ(PutText(kDispScale, "NoScale"), S_OK);
    EXPECT_EQ(PixelAt(10, 75), ColorRefOf(kNavy)) << "outside the unscaled stage: the background";
    EXPECT_EQ(PixelAt(60, 75), ColorRefOf(kRed)) << "the stage starts at x 50";
    EXPECT_EQ(PixelAt(110, 75), ColorRefOf(kNavy));
    EXPECT_EQ(PixelAt(60, 30), ColorRefOf(kNavy)) << "and at y 37";

    ASSERT_EQ(PutText(kDispScale, "showall"), S_OK);
    EXPECT_EQ(PixelAt(10, 75), ColorRefOf(kRed));
}

static INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(PlayerControlTest, AButtonTakesAClickOnlyInADialog)
{
    // Stage 100 x 75, drawn twice as large: a red button over the left half of
    // the stage; releasing it goes to the frame that removes it.
    using namespace flash::testing;
    SwfWriter swf(100, 75, 12, 8);
    swf.SetBackground(kNavy);
    ShapeBuilder left;
    left.Rect(0, 0, 1000, 1500, left.AddSolidFill(kRed));
    swf.DefineShape(1, left, 3);
    const int allStates = flash::kButtonUp | flash::kButtonOver | flash::kButtonDown | flash::kButtonHit;
    swf.DefineButton(2, {ButtonShows(allStates, 1)}, {{flash::kButtonRelease, ActionBuilder().GotoFrame(1).Bytes()}});
    swf.Place(1, 2);
    swf.DoAction(ActionBuilder().Stop());
    swf.ShowFrame();
    swf.Remove(1);
    swf.ShowFrame();
    const std::string movie = swf.Finish(true);
    for (bool dialog : {false, true}) {
        SCOPED_TRACE(dialog ? "in a dialog" : "in a plain window");
        if (dialog) { // the settings dialog's kind of parent: a dialog box made from a template
            control_->Release();
            control_ = nullptr;
            DestroyWindow(parent_);
            struct {
                DLGTEMPLATE t;
                WORD menu, windowClass, title;
            } dlg = {{WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0, 0}, 0, 0, 0};
            parent_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &dlg.t, nullptr, PlainDialog, 0);
            SetWindowPos(parent_, HWND_TOPMOST, 0, 0, 200, 150, SWP_SHOWWINDOW);
            RECT rect = {0, 0, 200, 150};
            ASSERT_EQ(CreatePlayerControl(parent_, WS_VISIBLE, rect, 1005, &sink_, &control_, &window_), S_OK);
        }
        ASSERT_EQ(SetMovie("button.swf", movie), S_OK);
        // Beside the button, then on it (only when the mouse is mapped through the picture's scale).
        for (LPARAM at : {MAKELPARAM(150, 40), MAKELPARAM(80, 100)}) {
            EXPECT_EQ(PixelAt(40, 75), ColorRefOf(kRed));
            SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(window_, WM_LBUTTONUP, 0, at);
        }
        EXPECT_EQ(PixelAt(40, 75), ColorRefOf(dialog ? kNavy : kRed));
    }
}
