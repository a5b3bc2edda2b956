#pragma once
// The skin runtime's entry points: start-up and shutdown per user-interface
// thread, loading the skin, naming the frame that new dialogs receive. Every
// thread that starts the runtime gets a message hook (skins new dialogs and the
// children of skinned windows) and a keyboard hook (menu keys).
#include <windows.h>

#include <cstdint>
#include <string>

namespace glint {

// The outcome of a thread's last InitSkinRuntime, OpenSkinResource or OpenSkinFile.
enum SkinRuntimeErrorCode : int {
    SKIN_RT_OK = 0,
    SKIN_RT_POPUP_CLASS = 1,     // registering the popup menu window class failed
    SKIN_RT_MESSAGE_HOOK = 2,    // installing the message hook failed
    SKIN_RT_KEYBOARD_HOOK = 3,   // installing the keyboard hook failed
    SKIN_RT_LOAD_FAILED = 4,     // the bytes were read but are no skin the store can load
    // 5, 6 and 7: the store's own load errors (SkinLoadError), recorded as they are
    SKIN_RT_FILE_NOT_READ = 14,  // a skin file could not be read from disk
    SKIN_RT_RESOURCE_LOAD = 15,  // loading the skin resource failed
    SKIN_RT_NO_RESOURCE = 16,    // the skin resource was not found
    SKIN_RT_XP_PROBE = 17,       // registering the XP probe class or creating its window failed
};

// Which Windows runs us.
enum SkinPlatform : int {
    PLATFORM_9X_OLD = 0,  // 9x family below version 4
    PLATFORM_NT_OTHER = 1,
    PLATFORM_WIN95 = 2,
    PLATFORM_WIN98 = 3,
    PLATFORM_WINME = 4,
    PLATFORM_NT4 = 5,
    PLATFORM_WIN2000 = 6,
    PLATFORM_WINXP = 7,
};

// The most characters of an automatic dialog skin name that are kept.
constexpr size_t SKIN_AUTO_NAME_MAX = 49;
// The popup menu window class the runtime registers.
constexpr char SKIN_POPUP_MENU_CLASS[] = "GlazeworkPopupMenuWnd";

// appName and the reserved values are accepted and not used. 1 on success.
int InitSkinRuntime(HINSTANCE instance, const char* appName = nullptr, int reserved1 = 0, int reserved2 = 0);
// Unhooks the calling thread; the last thread out detaches every window and
// frees the skin.
void ExitSkinRuntime();
// Loads a skin from the module's resources and applies it to every skinned
// window. 0 on failure, with the current skin left in force.
int OpenSkinResource(HINSTANCE instance, const char* resourceName, const char* resourceType);
// The same from a .skin container on disk.
int OpenSkinFile(const char* path);
// New dialogs of hooked threads get the frame definition of this name. 1.
int SetAutoDialogSkin(const char* name);
int ResetAutoDialogSkin();
// The calling thread's last error code (SkinRuntimeErrorCode).
int SkinRuntimeError();

// The platform code for a version record: platformId as GetVersionEx reports it.
int ComputePlatformCode(uint32_t platformId, uint32_t major, uint32_t minor);
// The running platform, computed when the runtime started (or now when it has not).
int PlatformCode();
// Windows XP only: the class procedure of a themed "BUTTON", else null.
WNDPROC ThemedButtonProc();
// The automatic dialog skin name now in force.
std::string AutoDialogSkinName();
// Whether the calling thread has started the runtime.
bool ThreadIsHooked();

} // namespace glint
