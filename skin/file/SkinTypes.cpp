#include "skin/file/SkinTypes.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"

#include <iterator>

namespace glint {

namespace {

struct TypeEntry {
    uint32_t code;
    const char* name;
};

constexpr TypeEntry kTypeNames[] = {
    {SKIN_FRAME, "Frame"},           {SKIN_SLICE_NODE, "SliceNode"},   {SKIN_CAPTION_BUTTON, "CaptionButton"},
    {SKIN_PUSH_BUTTON, "PushButton"}, {SKIN_CHECK_BOX, "CheckBox"},    {SKIN_COMBO_BOX, "ComboBox"},
    {SKIN_EDIT, "Edit"},             {SKIN_GROUP_BOX, "GroupBox"},     {SKIN_LIST_BOX, "ListBox"},
    {SKIN_PROGRESS, "ProgressBar"},  {SKIN_RADIO_BUTTON, "RadioButton"}, {SKIN_SCROLL_BAR, "ScrollBar"},
    {SKIN_TRACKBAR, "Trackbar"},     {SKIN_STATIC, "Static"},          {SKIN_STATUS_BAR, "StatusBar"},
    {SKIN_TAB, "Tab"},               {SKIN_MENU, "Menu"},              {SKIN_IMAGE, "Image"},
    {SKIN_OBJECT, "Object"},         {SKIN_MENU_BAR, "MenuBar"},       {SKIN_TOOLBAR, "Toolbar"},
    {SKIN_CONTROL_BAR, "ControlBar"}, {SKIN_INFO, "Info"},             {SKIN_IP_ADDRESS, "IpAddress"},
    {SKIN_UP_DOWN, "UpDown"},        {SKIN_LIST_VIEW, "ListView"},     {SKIN_TREE_VIEW, "TreeView"},
    {SKIN_RICH_EDIT, "RichEdit"},    {SKIN_REBAR, "Rebar"},            {SKIN_HEADER, "Header"},
    {SKIN_IMAGE_ELEMENT, "ImageElement"}, {SKIN_FOUR_VALUES, "FourValues"}, {SKIN_ANIMATION, "Animation"},
    {SKIN_CUSTOM, "Custom"},
};

// The classes that a code may create, wherever it appears.
std::unique_ptr<CSkinNode> CreateAnyObject(uint32_t code)
{
    switch (code) {
    case SKIN_FRAME: return std::make_unique<CFrameDefinition>();
    case SKIN_SLICE_NODE: return std::make_unique<CSliceNode>();
    case SKIN_CAPTION_BUTTON: return std::make_unique<CCaptionButton>();
    case SKIN_PUSH_BUTTON: return std::make_unique<CPushButtonDefinition>();
    case SKIN_CHECK_BOX:
    case SKIN_RADIO_BUTTON: return std::make_unique<CCheckBoxDefinition>(code);
    case SKIN_COMBO_BOX: return std::make_unique<CComboBoxDefinition>();
    case SKIN_EDIT:
    case SKIN_LIST_BOX:
    case SKIN_IP_ADDRESS:
    case SKIN_LIST_VIEW:
    case SKIN_TREE_VIEW:
    case SKIN_RICH_EDIT: return std::make_unique<CEditDefinition>(code);
    case SKIN_GROUP_BOX: return std::make_unique<CGroupBoxDefinition>();
    case SKIN_PROGRESS: return std::make_unique<CProgressDefinition>();
    case SKIN_SCROLL_BAR: return std::make_unique<CScrollBarDefinition>();
    case SKIN_TRACKBAR: return std::make_unique<CTrackbarDefinition>();
    case SKIN_STATIC: return std::make_unique<CStaticDefinition>();
    case SKIN_STATUS_BAR: return std::make_unique<CStatusBarDefinition>();
    case SKIN_TAB: return std::make_unique<CTabDefinition>();
    case SKIN_MENU: return std::make_unique<CMenuDefinition>();
    case SKIN_TOOLBAR: return std::make_unique<CToolbarDefinition>();
    case SKIN_CONTROL_BAR: return std::make_unique<CSkinDefinition>(SKIN_CONTROL_BAR);
    case SKIN_INFO: return std::make_unique<CSkinInfo>();
    case SKIN_UP_DOWN: return std::make_unique<CUpDownDefinition>();
    case SKIN_REBAR: return std::make_unique<CRebarDefinition>();
    case SKIN_HEADER: return std::make_unique<CHeaderDefinition>();
    case SKIN_IMAGE_ELEMENT: return std::make_unique<CImageElement>();
    case SKIN_FOUR_VALUES: return std::make_unique<CFourValueNode>();
    case SKIN_ANIMATION: return std::make_unique<CAnimationDefinition>();
    case SKIN_CUSTOM: return std::make_unique<CCustomDefinition>();
    default: return nullptr;
    }
}

} // namespace

std::unique_ptr<CSkinNode> CreateTopLevelObject(uint32_t code)
{
    // Caption buttons and menu bars live only inside other records.
    if (code == SKIN_CAPTION_BUTTON)
        return nullptr;
    return CreateAnyObject(code);
}

std::unique_ptr<CSkinNode> CreateChildObject(uint32_t code)
{
    if (code == SKIN_FRAME || code == SKIN_SLICE_NODE || code == SKIN_FOUR_VALUES)
        return nullptr;
    return CreateAnyObject(code);
}

const char* SkinTypeName(uint32_t code)
{
    for (const TypeEntry& entry : kTypeNames)
        if (entry.code == code)
            return entry.name;
    return nullptr;
}

uint32_t SkinTypeFromName(std::string_view name)
{
    for (const TypeEntry& entry : kTypeNames)
        if (name == entry.name)
            return entry.code;
    return 0;
}

} // namespace glint
