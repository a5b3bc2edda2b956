#pragma once
// The definition classes: one per type code, each adding its fields to
// CSkinNode or CSkinDefinition, publishing them as properties and listing
// them in file order in Serialize.
#include "image/DibImage.h"
#include "skin/file/SkinNode.h"

#include <array>
#include <memory>
#include <vector>

namespace glint {

// ---- frames and menus ----

// One slice of a frame, cut out of its image by Prepare.
struct FrameSliceCache {
    int32_t width = 0;
    int32_t height = 0;
    SkinRegionHandle region = nullptr; // the pixels that are not the key colour
    std::unique_ptr<CDibImage> section;
};

enum FramePart {
    FRAME_TOP_LEFT, FRAME_TOP, FRAME_TOP_RIGHT, FRAME_LEFT, FRAME_CLIENT,
    FRAME_RIGHT, FRAME_BOTTOM_LEFT, FRAME_BOTTOM, FRAME_BOTTOM_RIGHT, FRAME_PART_COUNT
};

// Codes 1 and 17: nine parts, active and inactive, with their reference layout.
class CFrameBase : public CSkinNode {
public:
    explicit CFrameBase(uint32_t typeCode);
    ~CFrameBase() override;

    void Release() override;
    void Prepare(CSkinStore& store) override;
    void Serialize(CSkinArchive& archive) override;

    // Active parts 0 ... 8, then inactive 9 ... 17.
    std::array<SkinImageRef, 18> slices = {};
    std::array<RECT, FRAME_PART_COUNT> partRects = {};
    SkinFont frameFont;
    int32_t values[2] = {};
    COLORREF activeColour;
    COLORREF inactiveColour;
    COLORREF clientColour;
    SkinTextEffect frameEffect;
    std::array<FrameSliceCache, 18> cache;
};

// Codes 3, 20 and 38: a part placed in a frame.
class CPartBase : public CSkinNode {
public:
    explicit CPartBase(uint32_t typeCode);
    void Serialize(CSkinArchive& archive) override;

    SkinImageRef image = {};
    uint32_t anchor = 0;
    uint32_t commandId = 1000;
    uint32_t visibility = 0;
    char text[51] = {};
};

enum CaptionButtonKind : uint32_t {
    CAPTION_CUSTOM = 0, CAPTION_CLOSE = 1, CAPTION_ICON = 2, CAPTION_MAXIMISE = 3, CAPTION_MINIMISE = 4,
    CAPTION_SYSTEM_MENU = 5
};

class CCaptionButton : public CPartBase {
public:
    CCaptionButton();
    void Serialize(CSkinArchive& archive) override;

    SkinImageRef hotImage = {};
    SkinImageRef pressedImage = {};
    SkinImageRef disabledImage = {};
    uint32_t kind = CAPTION_CUSTOM;
    int32_t sticky = 0;
};

// The menu bar of a frame, embedded in its record.
class CMenuBarDefinition : public CPartBase {
public:
    CMenuBarDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinFont itemFont;
    SkinTextEffect normalEffect;
    SkinTextEffect disabledEffect;
    SkinTextEffect highlightedEffect;
    COLORREF highlightedColour = 0x727272;
    SkinGridRef highlightedGrid = {};
    SkinTextEffect pressedEffect;
    COLORREF pressedColour = 0xE07272;
    SkinGridRef pressedGrid = {};
    // Normal, hot and pressed images of the maximised MDI child's minimise,
    // restore and close buttons, then of its system menu button.
    std::array<SkinImageRef, 12> mdiButtons = {};
    SkinGridRef background = {};
};

class CImageElement : public CPartBase {
public:
    CImageElement();
    void Serialize(CSkinArchive& archive) override;

    uint32_t role = 0;
    uint32_t anchors[4] = {};   // left, top, right, bottom
    uint32_t anchorExtra = 0;
    uint32_t combineMode = 0;
    SkinFont elementFont;
    SkinTextEffect elementEffect;
    char elementText[51] = {};
    uint32_t horizontalAlign = 0;
    uint32_t verticalAlign = 0;
};

class CFrameDefinition : public CFrameBase {
public:
    CFrameDefinition();
    void Prepare(CSkinStore& store) override;
    void Release() override;
    void Serialize(CSkinArchive& archive) override;

    CMenuBarDefinition menuBar;
    int32_t skinClient = 0;
    SkinImageRef mdiClient = {};
};

class CMenuDefinition : public CFrameBase {
public:
    CMenuDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinTextEffect normalEffect;
    SkinTextEffect disabledEffect;
    SkinTextEffect highlightedEffect;
    COLORREF activeItemColour;
    COLORREF separatorColour;
    SkinGridRef separatorImage = {};
    SkinGridRef activeImage = {};
    SkinImageRef subMenuImage = {};
    SkinImageRef checkImage = {};
};

// ---- controls ----

struct ButtonState {
    SkinGridRef image;
    SkinTextEffect effect;
    uint8_t extra[16];
};

enum PushButtonState { PUSH_NORMAL, PUSH_PRESSED, PUSH_DEFAULT, PUSH_FOCUSED, PUSH_HIGHLIGHTED, PUSH_DISABLED };

class CPushButtonDefinition : public CSkinDefinition {
public:
    CPushButtonDefinition();
    void Serialize(CSkinArchive& archive) override;

    std::array<ButtonState, 6> states;
    char text[50] = {};
    uint32_t values[2] = {};
};

struct CheckBoxState {
    SkinImageRef background;
    uint8_t extra1[16];
    SkinImageRef box;
    SkinTextEffect effect;
    uint8_t extra2[16];
};

enum CheckBoxStateIndex {
    CHECK_NORMAL, CHECK_SELECTED, CHECK_DISABLED, CHECK_GRAYED_NORMAL, CHECK_GRAYED_SELECTED,
    CHECK_HIGHLIGHTED_NORMAL, CHECK_HIGHLIGHTED_SELECTED
};

// Codes 5 (check box) and 11 (radio button).
class CCheckBoxDefinition : public CSkinDefinition {
public:
    explicit CCheckBoxDefinition(uint32_t typeCode);
    void Serialize(CSkinArchive& archive) override;

    std::array<CheckBoxState, 7> states;
    char text[50] = {};
    int32_t transparent = 0;
};

class CComboBoxDefinition : public CSkinDefinition {
public:
    CComboBoxDefinition();
    void Serialize(CSkinArchive& archive) override;

    std::array<SkinGridRef, 4> thumbs = {}; // normal, pressed, hovered, disabled
    COLORREF focusColour;
    COLORREF disabledBackground;
    COLORREF disabledText;
    COLORREF focusTextColour;
};

// Codes 7, 9, 26, 28, 29 and 30: the controls with a border and scroll bars.
// The key colour serves as the disabled (read-only) background colour.
class CEditDefinition : public CSkinDefinition {
public:
    explicit CEditDefinition(uint32_t typeCode);
    void Serialize(CSkinArchive& archive) override;

    SkinImageRef background = {};
};

class CGroupBoxDefinition : public CSkinDefinition {
public:
    CGroupBoxDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinGridRef captionImage = {};
    COLORREF captionColour;
    SkinTextEffect textEffect;
    int32_t transparent = 0;
};

class CProgressDefinition : public CSkinDefinition {
public:
    CProgressDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinGridRef progressImage = {};
    uint32_t values[2] = {};
    int32_t usePercent = 0;
};

struct ScrollBarState {
    SkinImageRef arrow1;
    SkinImageRef arrow2;
    SkinGridRef track;
    SkinGridRef thumb;
};

class CScrollBarDefinition : public CSkinDefinition {
public:
    CScrollBarDefinition();
    void Serialize(CSkinArchive& archive) override;

    std::array<ScrollBarState, 4> states = {}; // normal, pressed, highlighted, disabled
    SkinImageRef gripper = {};
    int32_t values[5] = {0, 100, 10, 1, 10};
};

class CTrackbarDefinition : public CSkinDefinition {
public:
    CTrackbarDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinGridRef thumbHorizontal = {};
    int32_t values[5] = {};
    SkinGridRef channel = {};
    int32_t transparent = 0;
    SkinGridRef thumbVertical = {};
};

class CStaticDefinition : public CSkinDefinition {
public:
    CStaticDefinition();
    void Serialize(CSkinArchive& archive) override;

    int32_t transparent = 0;
    SkinTextEffect textEffect;
    char text[51] = {};
};

class CStatusBarDefinition : public CSkinDefinition {
public:
    CStatusBarDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinGridRef itemImage = {};
    SkinImageRef extraSlice = {};
};

class CTabDefinition : public CSkinDefinition {
public:
    CTabDefinition();
    void Serialize(CSkinArchive& archive) override;

    std::array<ButtonState, 4> states; // normal, pressed, disabled, hovered
    SkinGridRef frame = {};
    int32_t transparent = 0;
};

class CToolbarDefinition : public CSkinDefinition {
public:
    CToolbarDefinition();
    void Serialize(CSkinArchive& archive) override;

    std::array<SkinGridRef, 5> grids = {};
};

struct UpDownState {
    SkinImageRef up;
    SkinImageRef down;
};

class CUpDownDefinition : public CSkinDefinition {
public:
    CUpDownDefinition();
    void Serialize(CSkinArchive& archive) override;

    std::array<UpDownState, 4> states = {}; // normal, hover, pressed, disabled
};

class CRebarDefinition : public CSkinDefinition {
public:
    CRebarDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinGridRef bandImage = {};
    uint8_t extra[16] = {};
};

class CHeaderDefinition : public CSkinDefinition {
public:
    CHeaderDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinTextEffect textEffect;
    SkinGridRef item = {};
};

class CAnimationDefinition : public CSkinDefinition {
public:
    CAnimationDefinition();
    void Serialize(CSkinArchive& archive) override;

    SkinImageRef background = {};
};

// Code 100: a definition whose property list is stored in the file.
class CCustomDefinition : public CSkinDefinition {
public:
    CCustomDefinition();
    // Searches the stored list, without regard to case.
    CSkinProperty* GetProperty(std::string_view name) override;
    void Serialize(CSkinArchive& archive) override;

    uint8_t block[51] = {};
    std::vector<std::unique_ptr<CSkinProperty>> list;
};

// ---- plain nodes ----

// Code 2: a slice, two rectangles, a byte and two integers.
class CSliceNode : public CSkinNode {
public:
    CSliceNode();
    void Serialize(CSkinArchive& archive) override;

    SkinImageRef slice = {};
    RECT rects[2] = {};
    uint8_t byteValue = 255;
    uint32_t values[2] = {0xFFFFFF, 1};
};

// Code 39: four integers and a slice.
class CFourValueNode : public CSkinNode {
public:
    CFourValueNode();
    void Serialize(CSkinArchive& archive) override;

    uint32_t values[4] = {16, 16, 5, 10};
    SkinImageRef slice = {};
};

} // namespace glint
