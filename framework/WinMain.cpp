// The programs' entry: hands control to the one application object.
#include "framework/App.h"

#include <string>

namespace {

// The arguments without the program path (quoted or not).
std::string ArgumentsOf(const char* line)
{
    const char* p = line;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    glint::fw::CWinApp* app = glint::fw::GetApp();
    if (!app)
        return 1;
    app->m_hInstance = instance;
    app->m_commandLine = ArgumentsOf(GetCommandLineA());
    if (!app->InitInstance()) {
        app->m_exitCode = 1;
        return app->ExitInstance();
    }
    return app->Run();
}
