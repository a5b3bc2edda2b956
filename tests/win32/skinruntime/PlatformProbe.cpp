// Starts the skin runtime and answers, as its exit code, the platform code it
// computed, plus 10 when the themed button procedure was captured, plus 100
// when the start failed.
#include <windows.h>

#include "skin/runtime/SkinRuntime.h"

int main()
{
    const int started = glint::InitSkinRuntime(GetModuleHandleA(nullptr));
    const int code = glint::PlatformCode() + (glint::ThemedButtonProc() ? 10 : 0) + (started ? 0 : 100);
    glint::ExitSkinRuntime();
    return code;
}
