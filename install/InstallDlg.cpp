#include "install/InstallDlg.h"

#include "framework/App.h"
#include "resources/InstallIds.h"

#include <cstdlib>

namespace glint::install {

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kAnimationPeriodMs = 1000;
// How long closing waits for the worker to notice the stop; it only ever waits
// on the stop event, unless a failure message is up (then the end of the
// program takes the message away).
constexpr DWORD kWorkerStopWaitMs = 2000;

SIZE BitmapSize(HINSTANCE instance, UINT id)
{
    SIZE size = {0, 0};
    if (HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(id))) {
        BITMAP info;
        if (GetObjectA(bitmap, sizeof info, &info))
            size = {info.bmWidth, info.bmHeight};
        DeleteObject(bitmap);
    }
    return size;
}

} // namespace

CInstallDlg::CInstallDlg() : CDialog(IDD_INSTALL, nullptr) {}

CInstallDlg::~CInstallDlg()
{
    StopWorker();
    if (m_smallIcon)
        DestroyIcon(m_smallIcon);
}

BOOL CInstallDlg::OnInitDialog()
{
    for (int i = 0; i < kFrameCount; ++i)
        m_frames[i] = Item(IDC_FRAME1 + i);
    m_spare = Item(IDC_SPARE);
    if (m_spare)
        ShowWindow(m_spare, SW_HIDE);
    ShowFrame(1);

    std::string about = fw::LoadResString(IDS_ABOUTBOX);
    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE); menu && !about.empty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }

    HINSTANCE instance = fw::GetApp()->m_hInstance;
    m_icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_INSTALL));
    m_smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_INSTALL), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon : m_icon));

    m_programFolder = FolderOf(ModulePath());
    SetCurrentDirectoryA(m_programFolder.c_str());

    m_timer = SetTimer(m_hWnd, kAnimationTimer, kAnimationPeriodMs, nullptr);
    m_step = 1;
    m_done = false;

    m_job = std::make_shared<InstallJob>();
    m_job->dialog = m_hWnd;
    m_worker = m_job->stop ? StartInstallWorker(m_job) : nullptr;
    if (!m_worker)
        PostMessageA(m_hWnd, WM_INSTALL_DONE, 0, 0); // nothing can run: do not wait forever

    // Created at the top-left corner; one pixel narrower and lower, and above
    // every other window.
    RECT rect;
    GetWindowRect(m_hWnd, &rect);
    SIZE size = {rect.right - rect.left - 1, rect.bottom - rect.top - 1};
    // The template matches the picture with Arial at 96 dpi; where another font
    // or resolution turns its dialog units into other pixels, the window
    // follows the picture instead of cutting it or leaving a bare margin.
    SIZE picture = BitmapSize(instance, IDB_BACKGROUND);
    if (picture.cx > 0 && (std::abs(size.cx - picture.cx) > 2 || std::abs(size.cy - picture.cy) > 2))
        size = {picture.cx - 1, picture.cy};
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, size.cx, size.cy, SWP_NOMOVE);
    return TRUE;
}

void CInstallDlg::ShowFrame(int step)
{
    for (int i = 0; i < kFrameCount; ++i)
        if (m_frames[i])
            ShowWindow(m_frames[i], i + 1 == step ? SW_SHOW : SW_HIDE);
}

void CInstallDlg::OnTimer(UINT_PTR id)
{
    if (id != kAnimationTimer)
        return;
    ShowFrame(m_step);
    m_step = m_step % kFrameCount + 1;
}

void CInstallDlg::StopWorker()
{
    if (m_job)
        m_job->Stop();
    if (m_worker) {
        WaitForSingleObject(m_worker, kWorkerStopWaitMs);
        CloseHandle(m_worker);
        m_worker = nullptr;
    }
}

void CInstallDlg::OnInstallDone()
{
    if (m_done)
        return; // a repeat posted before the worker saw the stop
    m_done = true;
    if (m_timer) {
        KillTimer(m_hWnd, m_timer);
        m_timer = 0;
    }
    StopWorker();
    EndDialog(IDOK);
}

void CInstallDlg::OnOK()
{
    // Enter would end the window with the list half done; only the worker's
    // WM_INSTALL_DONE ends it with OK.
}

void CInstallDlg::OnCancel()
{
    // Reached by the system close (Alt+F4, the task bar); Escape never gets here.
    StopWorker();
    EndDialog(IDCANCEL);
}

void CInstallDlg::PaintMinimised()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_hWnd, &ps);
}

INT_PTR CInstallDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_INSTALL_DONE:
        OnInstallDone();
        return TRUE;
    case WM_NCHITTEST: {
        // Dragged by any point: the client area answers as a caption.
        LRESULT hit = DefWindowProcA(m_hWnd, message, wParam, lParam);
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, hit == HTCLIENT ? HTCAPTION : hit);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            fw::CDialog about(IDD_ABOUTBOX, m_hWnd);
            about.DoModal();
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        if (!IsIconic(m_hWnd))
            return FALSE;
        PaintMinimised();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_DESTROY:
        if (m_timer) {
            KillTimer(m_hWnd, m_timer);
            m_timer = 0;
        }
        StopWorker();
        return FALSE;
    }
    return FALSE;
}

BOOL CInstallDlg::PreTranslateMessage(MSG* msg)
{
    // Keys of this window only: the about box keeps its own Escape and Enter.
    if (msg->message != WM_KEYDOWN || !(msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd)))
        return FALSE;
    switch (msg->wParam) {
    case VK_F12:
        StartCommandPrompt();
        return TRUE;
    case VK_ESCAPE:
    case VK_RETURN:
        return TRUE;
    }
    return FALSE;
}

void CInstallDlg::StartCommandPrompt()
{
    char line[] = "CMD.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        MessageBeep(MB_ICONERROR);
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace glint::install
