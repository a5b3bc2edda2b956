#pragma once
// Skinned popup menus of class "GlazeworkPopupMenuWnd": a cascade of popup
// windows painted from the skin's menu definition, with a modal loop of their
// own, mouse and keyboard, and the chosen command posted to the owner.
#include <windows.h>

#include "skin/file/SkinDefinitions.h"
#include "skin/runtime/SkinWnd.h"
#include "skin/runtime/menu/SkinMenuModel.h"

#include <memory>

namespace glint {

// The window property that holds a popup window's object.
constexpr char SKIN_POPUP_OBJECT_PROPERTY[] = "this";
// The property in which a popup's owner keeps its own procedure while the menu is open.
constexpr char SKIN_OWNER_PROC_PROPERTY[] = "SKIN_WNDPROC";
// The timer that opens the submenu of the item under the pointer.
constexpr UINT_PTR SKIN_SUBMENU_TIMER = 1001;

enum SkinMenuMode { SKIN_MENU_SYSTEM = 1, SKIN_MENU_ORDINARY = 2 };

class CSkinPopupMenuWnd : public CSkinWnd {
public:
    CSkinPopupMenuWnd(HWND owner, CSkinPopupMenuWnd* parent, int mode);
    ~CSkinPopupMenuWnd() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A key from the keyboard hook while the menu is open: always consumed.
    LRESULT OnMenuKey(WPARAM key, LPARAM keyData) override;
    void OnShowWindow(BOOL show, int status) override;
    uint32_t SkinType() const override;

    // Tracks a menu; answers the chosen command (0 for none). Unless
    // returnCommand is set the command is posted to the owner.
    static UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, bool systemMenu, bool returnCommand);

    // What the cascade looks like now (for the owner's tests and tools).
    const SkinMenuModel& Items() const { return *items_; }
    int Selected() const { return selected_; }
    int FirstVisible() const { return first_; }
    int VisibleCount() const { return scroll_.visible; }
    bool Scrolls() const { return scroll_.scrolls; }
    int ItemHeight() const { return itemHeight_; }
    CSkinPopupMenuWnd* Child() const { return child_.get(); }
    // Where an item's row is on the screen now; false when it is not shown.
    bool ItemScreenRect(int item, RECT* rect) const;
    // The open root popup of the calling thread, or null.
    static CSkinPopupMenuWnd* ActiveMenu();

private:
    bool CreatePopupWindow(HWND parentWindow);
    void UseDefinition();
    void Measure();
    void MoveTo(POINT corner);
    bool Framed() const;
    RECT ClientBox() const;      // the client area in window coordinates
    RECT ItemRow(int item) const;  // a row in client coordinates
    int ItemAt(POINT client) const;
    CSkinPopupMenuWnd* Root();
    CSkinPopupMenuWnd* Deepest();
    CSkinPopupMenuWnd* PopupAt(POINT screen);

    void Select(int item, bool fromKeyboard);
    void OpenSubmenu(int item, bool selectFirst);
    void CloseChild();
    void Activate(int item, bool selectFirst);
    void Choose(const SkinMenuItem& item);
    void EndMenu();
    void OnKey(UINT key);
    void OnMouse(UINT message, POINT screen);
    void ScrollBy(int rows);
    void KeepOwnerActive(bool keep);

    void PaintFrame();
    void Paint(HDC dc);
    void PaintItem(HDC dc, int item, const RECT& row);

    HWND owner_;
    CSkinPopupMenuWnd* parent_;
    std::unique_ptr<CSkinPopupMenuWnd> child_;
    int mode_;
    bool done_ = false;
    bool returnCommand_ = false;
    UINT chosen_ = 0;
    SkinMenuModel model_;  // the root's; submenus point into it
    const SkinMenuModel* items_ = &model_;
    HMENU menu_ = nullptr;
    int parentItem_ = -1;  // the parent's item this submenu opened from
    int selected_ = -1;
    int first_ = 0;
    MenuScrollLayout scroll_;
    int itemHeight_ = 0;
    RECT margins_ = {};
    SIZE size_ = {};
    CMenuDefinition ownDefinition_;
    const CMenuDefinition* menuDefinition_ = &ownDefinition_;
    HWND keptOwner_ = nullptr;
    int calls_ = 0;          // WindowProc calls under way
    bool orphaned_ = false;  // closed during one of them: deleted when it returns

    friend LRESULT CALLBACK SkinPopupMenuWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The window procedure of the popup menu class the runtime registers.
LRESULT CALLBACK SkinPopupMenuWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the menu skinned at (x, y) (TPM_ alignment flags) and returns when it
// has finished. With TPM_RETURNCMD it answers the chosen command and posts
// nothing; otherwise the command goes to the owner as WM_COMMAND and the answer
// is nonzero when the menu was shown. 0 for a bad menu or owner, or while
// another skinned menu is open on the thread.
BOOL SkinTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);

// The skinned system menu of a window at the cursor (2 pixels to its right);
// the choice is posted as WM_SYSCOMMAND. Answers the chosen command, 0 for none.
UINT ShowSkinSystemMenu(HWND window);
// The same at a screen point.
UINT ShowSkinSystemMenuAt(HWND window, POINT at);

// The system menu's commands that the skinned system menu shows, with their
// state for a window of that style (WS_ bits, WS_EX_MDICHILD from exStyle).
struct SystemMenuEntry {
    UINT command;  // 0 for a separator
    bool grayed;
};
std::vector<SystemMenuEntry> SystemMenuEntries(uint32_t style, uint32_t exStyle, bool noClose);

} // namespace glint
