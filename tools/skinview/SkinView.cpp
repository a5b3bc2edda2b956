// skinview: shows a skin on a gallery of every standard control kind, the way
// a skin author checks a skin, and loads other skins into the open windows.
//   skinview [FILE.skin]    the given skin, or the default skin it carries
//   skinview --help
#include "skin/runtime/SkinRuntime.h"
#include "tools/skinview/SkinViewIds.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace glint;

namespace {

const char kTitle[] = "Skin viewer";
const char kUsage[] =
    "usage: skinview [FILE.skin]\n"
    "Shows FILE.skin, or the default skin, on a dialog with one of every\n"
    "standard control. \"Open skin...\" loads another skin into every open\n"
    "window; \"Message box...\" shows a skinned message box.\n";

HINSTANCE instance;
std::string skinLabel; // what the title names: a file name or "default skin"

// Where a text goes when the program was started from a shell: its standard
// output or error; else (started from the desktop) a message box.
void Tell(const std::string& text, bool error)
{
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out && out != INVALID_HANDLE_VALUE && WriteFile(out, text.data(), DWORD(text.size()), &written, nullptr) &&
        written == text.size())
        return;
    MessageBoxA(nullptr, text.c_str(), kTitle, MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

// Why the runtime refused a skin file, in words.
std::string LoadFailure(int code)
{
    switch (code) {
    case SKIN_RT_FILE_NOT_READ: return "the file cannot be read";
    case 5: return "it is not a skin container (it cannot be expanded)";
    case 6: return "it is too short to be a skin file";
    case 7: return "it is not a Glazework skin file, or one of a version this program cannot read";
    case SKIN_RT_LOAD_FAILED: return "it cannot be loaded as a skin";
    default: return "error " + std::to_string(code);
    }
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Loads a skin file into every skinned window; says why not in a message box.
bool LoadSkinFile(HWND owner, const std::string& path)
{
    if (OpenSkinFile(path.c_str()))
        return true;
    const std::string text = "Cannot open the skin \"" + path + "\":\n" + LoadFailure(SkinRuntimeError()) + ".";
    MessageBoxA(owner, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
    return false;
}

void ShowTitle(HWND dialog) { SetWindowTextA(dialog, (std::string(kTitle) + " - " + skinLabel).c_str()); }

void FillToolbar(HWND toolbar)
{
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP bitmap = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageA(toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&bitmap));
    TBBUTTON buttons[] = {
        {STD_FILEOPEN, IDC_OPEN_SKIN, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
        {STD_PROPERTIES, IDC_MESSAGE_BOX, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_FIND, 0, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECK, {}, 0, 0},
        {STD_DELETE, 0, 0, BTNS_BUTTON, {}, 0, 0}, // a disabled button
    };
    SendMessageA(toolbar, TB_ADDBUTTONSA, sizeof buttons / sizeof buttons[0], reinterpret_cast<LPARAM>(buttons));
}

void FillRebar(HWND rebar)
{
    for (const char* text : {"Band one", "Band two"}) {
        REBARBANDINFOA band = {};
        band.cbSize = sizeof band;
        band.fMask = RBBIM_TEXT | RBBIM_STYLE | RBBIM_SIZE;
        band.fStyle = RBBS_GRIPPERALWAYS;
        band.lpText = const_cast<char*>(text);
        band.cx = 80;
        SendMessageA(rebar, RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&band));
    }
}

// Long contents, so that the list box and the multi-line edit scroll both ways.
void FillLongControls(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LONG_LIST);
    for (int i = 1; i <= 200; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("List item " + std::to_string(i)).c_str()));
    std::string text;
    for (int i = 1; i <= 100; ++i)
        text += "Line " + std::to_string(i) + " of a text long enough to scroll sideways too\r\n";
    SetDlgItemTextA(dialog, IDC_MULTILINE_EDIT, text.c_str());
}

// The link window exists only where the common controls have it: made here,
// not in the template, so that the gallery opens without it.
void AddLink(HWND dialog)
{
    RECT place = {330, 140, 433, 150};
    MapDialogRect(dialog, &place);
    CreateWindowExA(0, "SysLink", "A <a>link window</a>", WS_CHILD | WS_VISIBLE | WS_TABSTOP, place.left, place.top,
                    place.right - place.left, place.bottom - place.top, dialog, HMENU(INT_PTR(IDC_LINK)), instance,
                    nullptr);
}

void FillControls(HWND dialog)
{
    FillToolbar(GetDlgItem(dialog, IDC_TOOLBAR));
    FillRebar(GetDlgItem(dialog, IDC_REBAR));
    FillLongControls(dialog);
    AddLink(dialog);
    CheckDlgButton(dialog, IDC_CHECKED, BST_CHECKED);
    CheckDlgButton(dialog, IDC_THREE_STATE, BST_INDETERMINATE);
    CheckDlgButton(dialog, IDC_DISABLED_CHECK, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_READ_ONLY_EDIT, "Read-only field");
    SetDlgItemTextA(dialog, IDC_DISABLED_EDIT, "Disabled");
    CheckRadioButton(dialog, IDC_RADIO_ONE, IDC_RADIO_TWO, IDC_RADIO_ONE);
    SetDlgItemTextA(dialog, IDC_EDIT, "Edit field");
    SendDlgItemMessageA(dialog, IDC_SPIN, UDM_SETRANGE, 0, MAKELPARAM(99, 0));
    SendDlgItemMessageA(dialog, IDC_SPIN, UDM_SETPOS, 0, MAKELPARAM(42, 0));
    SendDlgItemMessageA(dialog, IDC_IP_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, 1));

    for (const char* item : {"First item", "Second item", "Third item", "Fourth item", "Fifth item", "Sixth item"}) {
        SendDlgItemMessageA(dialog, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendDlgItemMessageA(dialog, IDC_COMBO_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendDlgItemMessageA(dialog, IDC_COMBO_EDIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendDlgItemMessageA(dialog, IDC_COMBO_SIMPLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendDlgItemMessageA(dialog, IDC_COMBO_DISABLED, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    SendDlgItemMessageA(dialog, IDC_COMBO_SIMPLE, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageA(dialog, IDC_COMBO_DISABLED, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(dialog, IDC_LIST, LB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(dialog, IDC_COMBO_LIST, CB_SETCURSEL, 0, 0);
    SetDlgItemTextA(dialog, IDC_COMBO_EDIT, "Drop-down");

    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 60, 0);
    SendDlgItemMessageA(dialog, IDC_TRACKBAR, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendDlgItemMessageA(dialog, IDC_TRACKBAR, TBM_SETPOS, TRUE, 4);
    SendDlgItemMessageA(dialog, IDC_PROGRESS_VERTICAL, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageA(dialog, IDC_PROGRESS_VERTICAL, PBM_SETPOS, 35, 0);
    for (int id : {IDC_TRACKBAR_DISABLED, IDC_TRACKBAR_VERTICAL}) {
        SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
        SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, 7);
    }
    SCROLLINFO scroll = {sizeof scroll, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 20, 30, 0};
    for (int id : {IDC_SCROLLBAR, IDC_SCROLLBAR_VERTICAL, IDC_SCROLLBAR_DISABLED})
        SetScrollInfo(GetDlgItem(dialog, id), SB_CTL, &scroll, TRUE);
    // A clip of the program's own, played over and over.
    SendDlgItemMessageA(dialog, IDC_ANIMATION, ACM_OPENA, reinterpret_cast<WPARAM>(instance),
                        reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_CLIP)));
    SendDlgItemMessageA(dialog, IDC_ANIMATION, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF));

    HWND header = GetDlgItem(dialog, IDC_HEADER);
    const char* headings[] = {"Name", "Size", "Kind"};
    for (int i = 0; i < 3; ++i) {
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = 50;
        item.fmt = HDF_LEFT | HDF_STRING;
        item.pszText = const_cast<char*>(headings[i]);
        SendMessageA(header, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }

    HWND tree = GetDlgItem(dialog, IDC_TREE);
    auto addNode = [tree](HTREEITEM parent, const char* text) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(text);
        return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    };
    HTREEITEM frames = addNode(TVI_ROOT, "Frames");
    addNode(frames, "Dialog");
    addNode(frames, "MainFrame");
    HTREEITEM controls = addNode(TVI_ROOT, "Controls");
    addNode(controls, "Button");
    addNode(controls, "Edit");
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(frames));

    HWND tab = GetDlgItem(dialog, IDC_TAB);
    const char* pages[] = {"Frame", "Text", "Tabs"};
    for (int i = 0; i < 3; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pages[i]);
        SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }

    HWND list = GetDlgItem(dialog, IDC_LIST_VIEW);
    const char* columns[] = {"Control", "Class"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 75;
        column.pszText = const_cast<char*>(columns[i]);
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    const char* rows[][2] = {{"Edit", "Edit"}, {"List box", "ListBox"}, {"Tree", "SysTreeView32"}};
    for (int i = 0; i < 3; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(rows[i][0]);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(rows[i][1]);
        SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }

    HWND status = GetDlgItem(dialog, IDC_STATUS);
    int parts[] = {160, 320, -1};
    SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Ready"));
    SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Status part two"));
    SendMessageA(status, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>("Part three"));
}

void OpenAnotherSkin(HWND dialog)
{
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = "Skins (*.skin)\0*.skin\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Open a skin";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
        return;
    if (LoadSkinFile(dialog, path)) {
        skinLabel = FileNameOf(path);
        ShowTitle(dialog);
    }
}

INT_PTR CALLBACK GalleryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        // The caption's icon button (and the taskbar) show it.
        HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SKINVIEW));
        SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        FillControls(dialog);
        ShowTitle(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_MESSAGE_BOX:
            MessageBoxA(dialog, "Message boxes are dialogs too: this one wears the skin.", kTitle,
                        MB_OK | MB_ICONINFORMATION);
            return TRUE;
        case IDC_OPEN_SKIN:
            OpenAnotherSkin(dialog);
            return TRUE;
        case IDC_SKIN_HELP:
            MessageBoxA(dialog,
                        ("Skin: " + skinLabel +
                         "\n\nEvery window of this program is drawn from the skin: frames, caption buttons and "
                         "controls. \"Open skin...\" loads another one.")
                            .c_str(),
                        kTitle, MB_OK | MB_ICONINFORMATION);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    instance = hInstance;
    std::string file;
    for (int i = 1; i < __argc; ++i) {
        const std::string arg = __argv[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            Tell(kUsage, false);
            return 0;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            Tell("skinview: unknown option '" + arg + "'\n" + kUsage, true);
            return 2;
        }
        if (!file.empty()) {
            Tell("skinview: one skin file at most\n" + std::string(kUsage), true);
            return 2;
        }
        file = arg;
    }

    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);

    if (!InitSkinRuntime(instance, "Skin viewer", 0, 0)) {
        Tell("skinview: the skin runtime did not start (error " + std::to_string(SkinRuntimeError()) + ")\n", true);
        return 1;
    }
    int status = 0;
    if (file.empty()) {
        skinLabel = "default skin";
        if (!OpenSkinResource(instance, "DEFAULT_SKIN", "GLAZE_WORK")) {
            MessageBoxA(nullptr, "The default skin this program carries cannot be loaded.", kTitle, MB_OK | MB_ICONERROR);
            status = 1;
        }
    } else {
        skinLabel = FileNameOf(file);
        if (!LoadSkinFile(nullptr, file))
            status = 1;
    }
    if (status == 0) {
        SetAutoDialogSkin("Dialog");
        if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_GALLERY), nullptr, GalleryProc, 0) == -1) {
            Tell("skinview: the gallery dialog cannot be created\n", true);
            status = 1;
        }
    }
    ExitSkinRuntime();
    return status;
}
