#include "skin/runtime/SkinRuntime.h"

#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"
#include "skin/runtime/SkinControlKinds.h"
#include "skin/runtime/SkinHooks.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/menu/SkinPopupMenu.h"
#include "skin/runtime/scrollbar/SkinScrollBars.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace glint {

namespace {

constexpr char kXpProbeClass[] = "Glazework_XP_Compatible";
constexpr UINT kSkinClassStyles = CS_SAVEBITS | CS_CLASSDC; // 0x840
constexpr uint32_t kResourceWorkBuffer = 0x2800;

// Everything the entry points share. The lock lives as long as the process,
// so that a thread starting the runtime while the last one leaves never finds
// it half made or already gone.
struct RuntimeState {
    std::recursive_mutex lock;
    HINSTANCE instance = nullptr;
    int platform = -1;
    WNDPROC themedButtonProc = nullptr;
    std::map<DWORD, HHOOK> messageHooks;
    std::map<DWORD, HHOOK> keyboardHooks;
    std::map<DWORD, int> errors;
    char autoDialogSkin[SKIN_AUTO_NAME_MAX + 1] = {};
};

RuntimeState& State()
{
    static RuntimeState state;
    return state;
}

void RecordError(int code)
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    s.errors[GetCurrentThreadId()] = code;
}

// A class left registered by an earlier start that failed half-way counts as registered.
bool RegisterSkinClass(HINSTANCE instance, const char* name, WNDPROC procedure)
{
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing))
        return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = kSkinClassStyles;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

int CurrentPlatformCode()
{
    const bool ninetyFive = (GetVersion() & 0x80000000u) != 0;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version; // the 148-byte record
    static_assert(sizeof(OSVERSIONINFOA) == 148);
    if (!GetVersionExA(&version))
        return ninetyFive ? PLATFORM_WIN95 : PLATFORM_NT_OTHER;
    return ComputePlatformCode(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}

// On Windows XP, the procedure of a button made while the program's visual
// styles are in force: the skinned buttons pass their messages to it.
// False only when the probe's class or window cannot be made.
bool ProbeThemedButton(HINSTANCE instance, WNDPROC* procedure)
{
    *procedure = nullptr;
    // The class is never unregistered; a restart of the runtime finds it there.
    if (!RegisterSkinClass(instance, kXpProbeClass, DefWindowProcA))
        return false;
    HWND probe = CreateWindowExA(0, kXpProbeClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 1, 1, nullptr, nullptr, instance,
                                 nullptr);
    if (!probe)
        return false;
    HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, probe, nullptr, instance, nullptr);
    if (button) {
        *procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrA(button, GCLP_WNDPROC));
        DestroyWindow(button);
    }
    DestroyWindow(probe);
    return true;
}

bool RedirectsScrollBars(int platform) { return platform < PLATFORM_9X_OLD || platform > PLATFORM_WIN98; }

// Loads a container and hands the store to the registry; the current skin
// stays when the container is no skin.
int ApplyContainer(CSkinStream& container)
{
    auto store = std::make_unique<CSkinStore>();
    if (!store->Load(container)) {
        const uint32_t error = store->LastError();
        RecordError(error != SKIN_ERROR_NONE ? static_cast<int>(error) : SKIN_RT_LOAD_FAILED);
        return 0;
    }
    const int result = SkinRegistry().ReplaceStore(std::move(store));
    RecordError(result ? SKIN_RT_OK : SKIN_RT_LOAD_FAILED);
    return result;
}

} // namespace

int ComputePlatformCode(uint32_t platformId, uint32_t major, uint32_t minor)
{
    if (platformId != VER_PLATFORM_WIN32_NT) {
        if (major < 4)
            return PLATFORM_9X_OLD;
        if (major == 4 && minor == 10)
            return PLATFORM_WIN98;
        if (major == 4 && minor == 90)
            return PLATFORM_WINME;
        return PLATFORM_WIN95;
    }
    if (major == 4)
        return PLATFORM_NT4;
    if (major == 5 && minor == 0)
        return PLATFORM_WIN2000;
    if (major == 5 && minor == 1)
        return PLATFORM_WINXP;
    return PLATFORM_NT_OTHER;
}

int PlatformCode()
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    if (s.platform < 0)
        s.platform = CurrentPlatformCode();
    return s.platform;
}

WNDPROC ThemedButtonProc()
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    return s.themedButtonProc;
}

int InitSkinRuntime(HINSTANCE instance, const char*, int, int)
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    const DWORD thread = GetCurrentThreadId();
    if (s.messageHooks.empty()) {
        s.instance = instance;
        if (!RegisterSkinClass(instance, SKIN_POPUP_MENU_CLASS, SkinPopupMenuWndProc)) {
            s.errors[thread] = SKIN_RT_POPUP_CLASS;
            return 0;
        }
        s.platform = CurrentPlatformCode();
        InstallSkinControlKinds(SkinRegistry());
        if (RedirectsScrollBars(s.platform))
            InstallScrollBarRedirection();
        if (s.platform == PLATFORM_WINXP && !ProbeThemedButton(instance, &s.themedButtonProc)) {
            // Undo the start so that a later call begins cleanly.
            if (RedirectsScrollBars(s.platform))
                RemoveScrollBarRedirection();
            UnregisterClassA(SKIN_POPUP_MENU_CLASS, s.instance);
            s.errors[thread] = SKIN_RT_XP_PROBE;
            return 0;
        }
    }
    if (!s.messageHooks.count(thread)) {
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, SkinMessageHook, s.instance, thread);
        if (!hook) {
            s.errors[thread] = SKIN_RT_MESSAGE_HOOK;
            return 0;
        }
        s.messageHooks[thread] = hook;
    }
    if (!s.keyboardHooks.count(thread)) {
        HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, SkinKeyboardHook, s.instance, thread);
        if (!hook) {
            s.errors[thread] = SKIN_RT_KEYBOARD_HOOK;
            return 0;
        }
        s.keyboardHooks[thread] = hook;
    }
    s.errors[thread] = SKIN_RT_OK;
    return 1;
}

void ExitSkinRuntime()
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    const DWORD thread = GetCurrentThreadId();
    if (auto it = s.messageHooks.find(thread); it != s.messageHooks.end()) {
        UnhookWindowsHookEx(it->second);
        s.messageHooks.erase(it);
    }
    if (auto it = s.keyboardHooks.find(thread); it != s.keyboardHooks.end()) {
        UnhookWindowsHookEx(it->second);
        s.keyboardHooks.erase(it);
    }
    // The teardown stays under the lock: a thread starting the runtime
    // meanwhile waits for it instead of losing its classes.
    if (!s.messageHooks.empty())
        return;
    s.autoDialogSkin[0] = '\0';
    UnregisterClassA(SKIN_POPUP_MENU_CLASS, s.instance);
    if (RedirectsScrollBars(s.platform))
        RemoveScrollBarRedirection();
    SkinRegistry().DetachAll();
}

int OpenSkinResource(HINSTANCE instance, const char* resourceName, const char* resourceType)
{
    HRSRC found = FindResourceA(instance, resourceName, resourceType);
    if (!found) {
        RecordError(SKIN_RT_NO_RESOURCE);
        return 0;
    }
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        RecordError(SKIN_RT_RESOURCE_LOAD);
        return 0;
    }
    CSkinStream container(bytes, SizeofResource(instance, found), kResourceWorkBuffer);
    return ApplyContainer(container);
}

int OpenSkinFile(const char* path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = path ? CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                       : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        RecordError(SKIN_RT_FILE_NOT_READ);
        return 0;
    }
    LARGE_INTEGER size = {};
    bool read = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000;
    if (read) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        read = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size();
    }
    CloseHandle(file);
    if (!read) {
        RecordError(SKIN_RT_FILE_NOT_READ);
        return 0;
    }
    CSkinStream container(bytes.data(), static_cast<uint32_t>(bytes.size()), kResourceWorkBuffer);
    return ApplyContainer(container);
}

int SetAutoDialogSkin(const char* name)
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    const size_t length = name ? strnlen(name, SKIN_AUTO_NAME_MAX) : 0;
    std::memcpy(s.autoDialogSkin, name ? name : "", length);
    s.autoDialogSkin[length] = '\0';
    return 1;
}

int ResetAutoDialogSkin()
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    s.autoDialogSkin[0] = '\0';
    return 1;
}

std::string AutoDialogSkinName()
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    return s.autoDialogSkin;
}

int SkinRuntimeError()
{
    RuntimeState& s = State();
    std::lock_guard guard(s.lock);
    auto it = s.errors.find(GetCurrentThreadId());
    return it == s.errors.end() ? SKIN_RT_OK : it->second;
}

namespace {

HHOOK ThreadHook(const std::map<DWORD, HHOOK>& table)
{
    std::lock_guard guard(State().lock);
    auto it = table.find(GetCurrentThreadId());
    return it == table.end() ? nullptr : it->second;
}

} // namespace

HHOOK ThreadMessageHook() { return ThreadHook(State().messageHooks); }

HHOOK ThreadKeyboardHook() { return ThreadHook(State().keyboardHooks); }

bool ThreadIsHooked() { return ThreadMessageHook() != nullptr; }

} // namespace glint
