#include "saver/Uninstall.h"

#include "resources/GlintboxIds.h"
#include "saver/DataFile.h"

#include <windows.h>
#include <shellapi.h>

namespace glint {

void RunUninstaller()
{
    const std::string program = ProgramPath();
    const std::string target = FolderOf(program) + "\\uninst_saver.exe";

    // Nothing is reported: without the uninstaller the user simply sees no dialog.
    if (HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_UNINSTALLER), RT_UNINSTALL_NAME)) {
        HGLOBAL loaded = LoadResource(nullptr, info);
        DWORD size = SizeofResource(nullptr, info);
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (bytes)
                WriteFile(file, bytes, size, &written, nullptr);
            CloseHandle(file);
        }
    }
    ShellExecuteA(nullptr, "open", target.c_str(), program.c_str(), nullptr, SW_SHOW);
    ExitProcess(0);
}

} // namespace glint
