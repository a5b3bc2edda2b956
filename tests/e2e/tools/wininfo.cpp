// wininfo: lets the end-to-end tests see windows under Wine.
//
//   wininfo windows              one JSON line per visible top-level window,
//                                with its child controls
//   wininfo foreground           the foreground window as one JSON line, or null
//   wininfo parent W H SECONDS   shows a test parent window with a W x H client
//                                area, prints its handle, waits, then prints
//                                its children as JSON
//
// Texts are printed as UTF-8, so Korean captions can be checked.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const wchar_t* wide)
{
    char out[8192];
    int m = WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, sizeof out, nullptr, nullptr);
    return m > 0 ? std::string(out) : std::string();
}

std::string Json(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += '\\', out += char(c);
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else
            out += char(c);
    }
    return out + "\"";
}

std::string TextOf(HWND hwnd)
{
    // The wide text, so that the result does not depend on our own code page,
    // read without sending a message: a busy window must not hold us up.
    wchar_t buffer[2048] = L"";
    InternalGetWindowText(hwnd, buffer, 2048);
    return Utf8(buffer);
}

std::string ClassOf(HWND hwnd)
{
    char buffer[256] = "";
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::string RectJson(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    char buf[96];
    std::snprintf(buf, sizeof buf, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
    return buf;
}

// A window that does not answer (its program busy or ending) must not hold us up.
int CheckState(HWND hwnd)
{
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 500, &state))
        return 0;
    return int(state);
}

std::string Describe(HWND hwnd)
{
    char head[64];
    std::snprintf(head, sizeof head, "{\"hwnd\":%llu,\"id\":%ld,", (unsigned long long)(UINT_PTR)hwnd,
                  (long)GetDlgCtrlID(hwnd));
    LONG style = GetWindowLongA(hwnd, GWL_STYLE), exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    char flags[160];
    std::snprintf(flags, sizeof flags,
                  ",\"visible\":%d,\"enabled\":%d,\"checked\":%d,\"style\":%lu,\"exstyle\":%lu,\"topmost\":%d",
                  IsWindowVisible(hwnd) ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0,
                  CheckState(hwnd), (unsigned long)style, (unsigned long)exStyle,
                  (exStyle & WS_EX_TOPMOST) ? 1 : 0);
    return std::string(head) + "\"class\":" + Json(ClassOf(hwnd)) + ",\"text\":" + Json(TextOf(hwnd)) +
           ",\"rect\":" + RectJson(hwnd) + flags;
}

BOOL CALLBACK AddChild(HWND hwnd, LPARAM out)
{
    auto& list = *reinterpret_cast<std::string*>(out);
    if (!list.empty())
        list += ",";
    list += Describe(hwnd) + "}";
    return TRUE;
}

std::string ChildrenJson(HWND hwnd)
{
    std::string list;
    EnumChildWindows(hwnd, AddChild, reinterpret_cast<LPARAM>(&list));
    return "[" + list + "]";
}

// With hidden set, also a window that is not shown.
BOOL CALLBACK PrintTopLevel(HWND hwnd, LPARAM hidden)
{
    if (!hidden && !IsWindowVisible(hwnd))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::printf("%s,\"pid\":%lu,\"children\":%s}\n", Describe(hwnd).c_str(), (unsigned long)pid,
                ChildrenJson(hwnd).c_str());
    return TRUE;
}

int ShowParent(int width, int height, int seconds)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "GlintTestParent";
    RegisterClassA(&wc);
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowA("GlintTestParent", "Glint test parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd)
        return 1;
    std::printf("%llu\n", (unsigned long long)(UINT_PTR)hwnd); // every bit of a 64-bit handle
    std::fflush(stdout);
    DWORD end = GetTickCount() + DWORD(seconds) * 1000;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    std::printf("%s,\"children\":%s}\n", Describe(hwnd).c_str(), ChildrenJson(hwnd).c_str());
    // Like the display settings, destroy the parent with its children.
    DestroyWindow(hwnd);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "windows") {
        EnumWindows(PrintTopLevel, 0);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "foreground") {
        HWND hwnd = GetForegroundWindow();
        if (hwnd)
            PrintTopLevel(hwnd, 1);
        else
            std::printf("null\n");
        return 0;
    }
    if (argc == 5 && std::string(argv[1]) == "parent")
        return ShowParent(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: wininfo windows | wininfo foreground | wininfo parent W H SECONDS\n");
    return 2;
}
