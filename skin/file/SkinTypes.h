#pragma once
// SkinObjectType: the code that starts every record and selects the class.
#include <cstdint>
#include <memory>
#include <string_view>

namespace glint {

class CSkinNode;

enum SkinObjectType : uint32_t {
    SKIN_FRAME = 1,
    SKIN_SLICE_NODE = 2,
    SKIN_CAPTION_BUTTON = 3,
    SKIN_PUSH_BUTTON = 4,
    SKIN_CHECK_BOX = 5,
    SKIN_COMBO_BOX = 6,
    SKIN_EDIT = 7,
    SKIN_GROUP_BOX = 8,
    SKIN_LIST_BOX = 9,
    SKIN_PROGRESS = 10,
    SKIN_RADIO_BUTTON = 11,
    SKIN_SCROLL_BAR = 12,
    SKIN_TRACKBAR = 13,
    SKIN_STATIC = 14,
    SKIN_STATUS_BAR = 15,
    SKIN_TAB = 16,
    SKIN_MENU = 17,
    SKIN_IMAGE = 18,
    SKIN_OBJECT = 19,
    SKIN_MENU_BAR = 20,
    SKIN_TOOLBAR = 23,
    SKIN_CONTROL_BAR = 24,
    SKIN_INFO = 25,
    SKIN_IP_ADDRESS = 26,
    SKIN_UP_DOWN = 27,
    SKIN_LIST_VIEW = 28,
    SKIN_TREE_VIEW = 29,
    SKIN_RICH_EDIT = 30,
    SKIN_REBAR = 36,
    SKIN_HEADER = 37,
    SKIN_IMAGE_ELEMENT = 38,
    SKIN_FOUR_VALUES = 39,
    SKIN_ANIMATION = 40,
    SKIN_CUSTOM = 100,
};

// The loader's table for the definition list; null for a code it does not create.
std::unique_ptr<CSkinNode> CreateTopLevelObject(uint32_t code);
// The table for child records: the top-level one without 1, 2 and 39, plus 3.
std::unique_ptr<CSkinNode> CreateChildObject(uint32_t code);

// Names of the codes in the source form ("Frame", "Edit"...); null when unknown.
const char* SkinTypeName(uint32_t code);
// A name of SkinTypeName, or 0.
uint32_t SkinTypeFromName(std::string_view name);

} // namespace glint
