#include "skin/runtime/SkinRegistry.h"

#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinCtrl.h"
#include "skin/runtime/SkinDialogWnd.h"

#include <algorithm>
#include <iterator>

namespace glint {

namespace {

constexpr int kClassNameMax = 100;

// Window classes and the type of object they get. "GroupBox", "Radio" and
// "CheckBox" are the names ClassifyWindow gives "Button" windows by style.
const std::pair<const char*, uint32_t> kClassTable[] = {
    {"msctls_statusbar32", SKIN_STATUS_BAR}, {"ToolbarWindow32", SKIN_TOOLBAR},
    {"AfxControlBar42sd", SKIN_CONTROL_BAR}, {"AfxControlBar42s", SKIN_CONTROL_BAR},
    {"AfxControlBar42", SKIN_CONTROL_BAR},   {"AfxControlBar42d", SKIN_CONTROL_BAR},
    {"AfxControlBar70", SKIN_CONTROL_BAR},   {"AfxControlBar70d", SKIN_CONTROL_BAR},
    {"AfxControlBar70s", SKIN_CONTROL_BAR},  {"AfxControlBar70sd", SKIN_CONTROL_BAR},
    {"Static", SKIN_STATIC},                 {"Button", SKIN_PUSH_BUTTON},
    {"GroupBox", SKIN_GROUP_BOX},            {"Radio", SKIN_RADIO_BUTTON},
    {"CheckBox", SKIN_CHECK_BOX},            {"ScrollBar", SKIN_SCROLL_BAR},
    {"msctls_progress32", SKIN_PROGRESS},    {"msctls_updown32", SKIN_UP_DOWN},
    {"msctls_trackbar32", SKIN_TRACKBAR},    {"ComboBox", SKIN_COMBO_BOX},
    {"SysTabControl32", SKIN_TAB},           {"Edit", SKIN_EDIT},
    {"SysListView32", SKIN_LIST_VIEW},       {"ListBox", SKIN_LIST_BOX},
    {"SysTreeView32", SKIN_TREE_VIEW},       {"RICHEDIT", SKIN_RICH_EDIT},
    {"SysIPAddress32", SKIN_IP_ADDRESS},     {"SysHeader32", SKIN_HEADER},
    {"ReBarWindow32", SKIN_REBAR},           {"SysAnimate32", SKIN_ANIMATION},
    {"Link Window", SKIN_LINK_WINDOW},
};

// The kinds of child window that get a control object, each its own.
constexpr uint32_t kControlKinds[] = {
    SKIN_PUSH_BUTTON, SKIN_CHECK_BOX, SKIN_COMBO_BOX, SKIN_EDIT, SKIN_GROUP_BOX, SKIN_LIST_BOX, SKIN_PROGRESS,
    SKIN_RADIO_BUTTON, SKIN_SCROLL_BAR, SKIN_TRACKBAR, SKIN_STATIC, SKIN_STATUS_BAR, SKIN_TAB, SKIN_TOOLBAR,
    SKIN_CONTROL_BAR, SKIN_IP_ADDRESS, SKIN_UP_DOWN, SKIN_LIST_VIEW, SKIN_TREE_VIEW, SKIN_REBAR, SKIN_HEADER,
    SKIN_ANIMATION, SKIN_LINK_WINDOW,
};

std::string ClassOf(HWND window)
{
    char name[kClassNameMax + 1] = {};
    return GetClassNameA(window, name, sizeof name) ? name : std::string();
}

uint32_t StyleOf(HWND window) { return static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_STYLE)); }

} // namespace

const char* ButtonKindName(uint32_t style)
{
    const auto bits = [style](uint32_t mask) { return (style & mask) == mask; };
    if (bits(7))
        return "GroupBox";
    if (bits(2) || bits(3) || bits(5))
        return "CheckBox";
    if (bits(4) || bits(9))
        return "Radio";
    return "Button";
}

bool IsSimpleComboStyle(uint32_t comboStyle) { return (comboStyle & 3) == 1; }

CSkinRegistry& SkinRegistry()
{
    static CSkinRegistry registry;
    return registry;
}

CSkinRegistry::CSkinRegistry() : store_(std::make_unique<CSkinStore>())
{
    for (const auto& [name, type] : kClassTable)
        classes_.emplace(name, type);
}

// At process exit the windows are gone or going: the objects are freed
// without touching them.
CSkinRegistry::~CSkinRegistry()
{
    for (auto& [window, object] : windows_)
        delete object;
}

CSkinWnd* CSkinRegistry::Find(HWND window)
{
    std::lock_guard guard(lock_);
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second;
}

CSkinWnd* CSkinRegistry::FindOwner(HWND window)
{
    std::lock_guard guard(lock_);
    while (window) {
        if (CSkinWnd* object = Find(window))
            return object;
        if (!(StyleOf(window) & WS_CHILD))
            return nullptr;
        window = GetParent(window);
    }
    return nullptr;
}

int CSkinRegistry::Register(CSkinWnd* object, HWND window)
{
    std::lock_guard guard(lock_);
    if (!object || !window)
        return 0;
    return windows_.emplace(window, object).second ? 1 : 0;
}

int CSkinRegistry::Remove(HWND window)
{
    std::lock_guard guard(lock_);
    auto it = windows_.find(window);
    if (it == windows_.end())
        return 0;
    CSkinWnd* object = it->second;
    // Out of the table first: Detach removes the children, which changes the table.
    windows_.erase(it);
    object->Detach();
    CSkinWnd::Dispose(object);
    return 1;
}

int CSkinRegistry::AttachDialog(HWND window, const char* name)
{
    std::lock_guard guard(lock_);
    if (!window || !name || !*name || windows_.count(window))
        return 0;
    CSkinNode* definition = store_->FindByName(name);
    if (!definition)
        return 0;
    auto* dialog = new CSkinDialogWnd();
    Register(dialog, window);
    dialog->SetDefinition(definition);
    if (!dialog->Attach(window)) {
        Remove(window);
        return 0;
    }
    return 1;
}

int CSkinRegistry::AttachFloatingToolbar(HWND window)
{
    std::lock_guard guard(lock_);
    if (!window || windows_.count(window))
        return 0;
    CSkinNode* definition = store_->FindByType(SKIN_TOOLBAR);
    std::unique_ptr<CSkinCtrl> toolbar = definition ? CreateControlObject(SKIN_TOOLBAR, nullptr) : nullptr;
    if (!toolbar)
        return 0;
    toolbar->SetDefinition(definition);
    CSkinCtrl* object = toolbar.release();
    Register(object, window);
    if (!object->Attach(window)) {
        Remove(window);
        return 0;
    }
    return 1;
}

int CSkinRegistry::ReplaceStore(std::unique_ptr<CSkinStore> store)
{
    if (!store)
        return 0;
    std::lock_guard guard(lock_);
    const bool locked = LockWindowUpdate(GetDesktopWindow());
    std::unique_ptr<CSkinStore> old = std::move(store_);
    store_ = std::move(store);

    // Re-skinning one window attaches and removes its children's objects, so
    // the table is walked by a copy of its keys.
    std::vector<HWND> unskinned;
    for (HWND window : Windows()) {
        CSkinWnd* object = Find(window);
        if (!object)
            continue;
        CSkinNode* current = object->Definition();
        CSkinNode* definition = current ? store_->FindByName(current->Name()) : nullptr;
        if (!definition)
            definition = store_->FindByType(object->SkinType());
        // Never left pointing into the old store, which goes below.
        object->SetDefinition(definition);
        if (!definition && !object->KeepWithoutDefinition())
            unskinned.push_back(window);
    }
    for (HWND window : unskinned)
        Remove(window);
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second->Window() != it->first) {
            CSkinWnd* stale = it->second;
            it = windows_.erase(it);
            CSkinWnd::Dispose(stale);
        } else {
            ++it;
        }
    }
    old.reset();
    if (locked)
        LockWindowUpdate(nullptr);
    return 1;
}

void CSkinRegistry::DetachAll()
{
    std::lock_guard guard(lock_);
    // One at a time: detaching a window removes its children's objects too.
    while (!windows_.empty()) {
        auto it = windows_.begin();
        CSkinWnd* object = it->second;
        windows_.erase(it);
        object->Detach();
        CSkinWnd::Dispose(object);
    }
    store_ = std::make_unique<CSkinStore>();
}

uint32_t CSkinRegistry::ClassType(const std::string& className) const
{
    auto it = classes_.find(className);
    return it == classes_.end() ? 0 : it->second;
}

uint32_t CSkinRegistry::ClassifyWindow(HWND window)
{
    std::string cls = ClassOf(window);
    if (cls.empty())
        return 0;
    if (cls == "Button")
        cls = ButtonKindName(StyleOf(window));
    if (cls == "ComboLBox") {
        HWND combo = GetParent(window);
        return combo && IsSimpleComboStyle(StyleOf(combo)) ? uint32_t(SKIN_LIST_BOX) : 0u;
    }
    std::lock_guard guard(lock_);
    return ClassType(cls);
}

std::unique_ptr<CSkinCtrl> CSkinRegistry::CreateControlObject(uint32_t type, CSkinWnd* parent)
{
    std::lock_guard guard(lock_);
    // A rich edit is built as an edit.
    auto it = creators_.find(type == SKIN_RICH_EDIT ? SKIN_EDIT : type);
    return it == creators_.end() || !it->second ? nullptr : it->second(parent, type);
}

bool CSkinRegistry::SetControlCreator(uint32_t type, SkinControlCreator creator)
{
    if (std::find(std::begin(kControlKinds), std::end(kControlKinds), type) == std::end(kControlKinds))
        return false;
    std::lock_guard guard(lock_);
    if (creator)
        creators_[type] = creator;
    else
        creators_.erase(type);
    return true;
}

CSkinStore& CSkinRegistry::Store()
{
    std::lock_guard guard(lock_);
    return *store_;
}

std::vector<HWND> CSkinRegistry::Windows()
{
    std::lock_guard guard(lock_);
    std::vector<HWND> windows;
    for (const auto& entry : windows_)
        windows.push_back(entry.first);
    return windows;
}

size_t CSkinRegistry::Count()
{
    std::lock_guard guard(lock_);
    return windows_.size();
}

} // namespace glint
