#pragma once
// CSkinRegistry: the process-wide table of skinned windows and their skin
// objects, the table that decides from a window's class which kind of object
// it gets, the factory of control objects, and the current skin.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace glint {

class CSkinCtrl;
class CSkinStore;
class CSkinWnd;

// The link window's kind: painted from the static control's definition.
constexpr uint32_t SKIN_LINK_WINDOW = 41;

// Builds the object of one control kind; parent is the object that attaches it.
using SkinControlCreator = std::unique_ptr<CSkinCtrl> (*)(CSkinWnd* parent, uint32_t type);

class CSkinRegistry {
public:
    CSkinRegistry();
    ~CSkinRegistry();
    CSkinRegistry(const CSkinRegistry&) = delete;
    CSkinRegistry& operator=(const CSkinRegistry&) = delete;

    CSkinWnd* Find(HWND window);
    // The window's object, or through a chain of WS_CHILD windows the nearest ancestor's.
    CSkinWnd* FindOwner(HWND window);
    // 0 when the window already has an object (nothing changes).
    int Register(CSkinWnd* object, HWND window);
    // Detaches and deletes the window's object; 0 when it has none.
    int Remove(HWND window);
    // A dialog object with the store's definition of that name (of any type).
    int AttachDialog(HWND window, const char* name);
    // A toolbar object with no parent object (a toolbar floating in its own window).
    int AttachFloatingToolbar(HWND window);
    // Makes the store current, re-skins every registered window and deletes
    // the old store. 0 for a null store.
    int ReplaceStore(std::unique_ptr<CSkinStore> store);
    // Detaches and deletes every object and starts again with an empty store.
    void DetachAll();
    // The type code of a window by its class (and style), or 0.
    uint32_t ClassifyWindow(HWND window);
    // A new object for a control kind, or null when the kind has no object yet.
    std::unique_ptr<CSkinCtrl> CreateControlObject(uint32_t type, CSkinWnd* parent);
    // Installs (or with null removes) the object of a control kind; kinds
    // that never get an object (frames, menus, elements...) are refused.
    bool SetControlCreator(uint32_t type, SkinControlCreator creator);

    // The current skin; never null.
    CSkinStore& Store();
    // The windows that have objects, in table order.
    std::vector<HWND> Windows();
    size_t Count();
    // The class table's type for a class name (exact comparison), or 0.
    uint32_t ClassType(const std::string& className) const;

private:
    std::recursive_mutex lock_;
    std::map<HWND, CSkinWnd*> windows_;
    std::map<std::string, uint32_t> classes_;
    std::map<uint32_t, SkinControlCreator> creators_;
    std::unique_ptr<CSkinStore> store_;
};

// The one registry of the process.
CSkinRegistry& SkinRegistry();

// The name ClassifyWindow gives a "Button" window by its style:
// "GroupBox", "CheckBox", "Radio" or "Button".
const char* ButtonKindName(uint32_t style);
// Whether a "ComboLBox" list belongs to a simple combo box (style of the combo box).
bool IsSimpleComboStyle(uint32_t comboStyle);

} // namespace glint
