// Which player stands behind CShockwaveFlash: a registered Flash control only
// while its file is older than the builds that refuse all content, and never
// one that shows no frames of a loaded movie.
#include "flash/win32/DispatchObject.h"
#include "flash/win32/FlashControl.h"
#include "flash/win32/PlayerControl.h"
#include "saver/ShockwaveFlash.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace glint;

namespace {

constexpr uint64_t Version(uint16_t a, uint16_t b, uint16_t c, uint16_t d)
{
    return uint64_t(a) << 48 | uint64_t(b) << 32 | uint64_t(c) << 16 | d;
}

// A copy of this test program carrying a version resource with the given
// file version; with version 0 the copy carries none.
std::string FakeControlFile(const char* name, uint64_t version)
{
    char self[MAX_PATH], temp[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + name + std::to_string(GetCurrentProcessId()) + ".ocx";
    EXPECT_TRUE(CopyFileA(self, path.c_str(), FALSE));
    if (version == 0)
        return path;

    // VS_VERSIONINFO: length, value length, type, key, padding, fixed info.
    std::vector<uint8_t> block(92, 0);
    const uint16_t lengths[3] = {uint16_t(block.size()), sizeof(VS_FIXEDFILEINFO), 0};
    std::memcpy(&block[0], lengths, sizeof lengths);
    const wchar_t key[] = L"VS_VERSION_INFO";
    std::memcpy(&block[6], key, sizeof key); // 32 bytes with the terminator, then 2 of padding
    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = DWORD(version >> 32);
    fixed.dwFileVersionLS = DWORD(version);
    fixed.dwProductVersionMS = fixed.dwFileVersionMS;
    fixed.dwProductVersionLS = fixed.dwFileVersionLS;
    fixed.dwFileOS = VOS_NT_WINDOWS32;
    fixed.dwFileType = VFT_DLL;
    std::memcpy(&block[40], &fixed, sizeof fixed);

    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    EXPECT_NE(update, nullptr);
    EXPECT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), 0, block.data(),
                                DWORD(block.size())));
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
    return path;
}

const char kClassKey[] = "Software\\Classes\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";

// Registers a file as the Flash control's in-process server in the prefix,
// and takes the registration away again at the end of the test.
class FakeFlashRegistration : public ::testing::Test {
protected:
    void Register(const std::string& file, DWORD type = REG_SZ, const std::string& written = {})
    {
        const std::string value = written.empty() ? file : written;
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\InprocServer32").c_str(), 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
        RegCloseKey(key);
    }
    void TearDown() override
    {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kClassKey);
        for (const std::string& f : files_)
            DeleteFileA(f.c_str());
    }
    std::string File(const char* name, uint64_t version)
    {
        files_.push_back(FakeControlFile(name, version));
        return files_.back();
    }
    std::vector<std::string> files_;
};

} // namespace

TEST_F(FakeFlashRegistration, OnlyBuildsBeforeTheRefusingOnesAreHosted)
{
    EXPECT_FALSE(InstalledControlCanPlay(flash::win32::kFlashClassId)) << "nothing registered";
    Register("C:\\no\\such\\flash.ocx");
    EXPECT_FALSE(InstalledControlCanPlay(flash::win32::kFlashClassId)) << "a file that is not there";

    // From the first refusing build on, and a file without a version: no; the last build that plays: yes.
    const std::pair<const char*, uint64_t> builds[] = {{"flash371", Version(32, 0, 0, 371)},
                                                       {"flash465", Version(32, 0, 0, 465)},
                                                       {"flash40", Version(40, 0, 0, 0)},
                                                       {"flashnone", 0},
                                                       {"flash370", Version(32, 0, 0, 370)}};
    for (const auto& [name, version] : builds) {
        Register(File(name, version));
        EXPECT_EQ(InstalledControlCanPlay(flash::win32::kFlashClassId), version == Version(32, 0, 0, 370)) << name;
    }
    const std::string old = File("flash11", Version(11, 1, 102, 55));
    Register(old);
    EXPECT_TRUE(InstalledControlCanPlay(flash::win32::kFlashClassId));
    Register(old, REG_SZ, "\"" + old + "\"");
    EXPECT_TRUE(InstalledControlCanPlay(flash::win32::kFlashClassId)) << "a path in quotes";
}

namespace {

// Stands in for an installed control: answers every call, reports the given
// number of frames and remembers the movie it was given.
class FakeControl final : public flash::DispatchObject {
public:
    explicit FakeControl(long frames) : frames_(frames) {}
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        if (id == flash::win32::kDispMovie && (flags & DISPATCH_PROPERTYPUT) && params && params->cArgs == 1)
            ++moviesGiven;
        if (result) {
            VariantInit(result);
            if (id == flash::win32::kDispTotalFrames) {
                result->vt = VT_I4;
                result->lVal = frames_;
            }
        }
        return S_OK;
    }
    int moviesGiven = 0;

private:
    long frames_;
};

struct HostedFake {
    HostedFake(long frames, HWND parent) : control(new FakeControl(frames))
    {
        RECT rect = {10, 20, 110, 80};
        EXPECT_TRUE(flash.Create(WS_VISIBLE, rect, parent, 9));
        // The installed control's place, as the ATL host would give it.
        flash.DestroyControl();
        HWND host = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 20, 100, 60, parent,
                                    reinterpret_cast<HMENU>(UINT_PTR(9)), nullptr, nullptr);
        EXPECT_TRUE(flash.AttachInstalledControl(host, control));
        EXPECT_FALSE(flash.UsesBuiltInPlayer());
    }
    ~HostedFake() { control->Release(); }
    CShockwaveFlash flash;
    FakeControl* control;
};

} // namespace

TEST(InstalledControl, OneThatReportsNoFramesOfTheLoadedMovieIsReplaced)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    {
        HostedFake noFrames(0, parent);
        noFrames.flash.SetMovie("C:\\movie.swf");
        EXPECT_EQ(noFrames.control->moviesGiven, 1);
        EXPECT_TRUE(noFrames.flash.UsesBuiltInPlayer());
        // The built-in player sits where the control was.
        HWND player = noFrames.flash.m_hWnd;
        ASSERT_NE(player, nullptr);
        char className[64] = {};
        GetClassNameA(player, className, sizeof className);
        EXPECT_STREQ(className, flash::win32::kPlayerWindowClass);
        EXPECT_EQ(GetParent(player), parent);
        EXPECT_EQ(GetDlgCtrlID(player), 9);
        RECT r;
        GetWindowRect(player, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.top, 20);
        EXPECT_EQ(r.right - r.left, 100);

        HostedFake playing(120, parent);
        playing.flash.SetMovie("C:\\movie.swf");
        EXPECT_FALSE(playing.flash.UsesBuiltInPlayer()) << "a control that shows the movie stays";
    }
    DestroyWindow(parent);
}
