#include "skin/file/SkinDefinitions.h"

#include "base/SysColors.h"
#include "skin/file/SkinArchive.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"

#include <cstring>
#include <string>

namespace glint {

namespace {

template <class T>
void Publish(CSkinNode& node, uint32_t kind, const std::string& name, T& field)
{
    node.AddProperty(kind, name, {}, &field, sizeof field);
}

// The nine parts as the properties spell them (the odd cases are the published names).
constexpr const char* kFramePartProperty[FRAME_PART_COUNT] = {
    "TOPLEFT", "MIDDLETOP", "TOPRIGHT", "MIDDLELEFT", "ClIENT", "MIDDLERIGHT", "BOTTOMLEFt", "BOTTOMMIDDLE",
    "BOTtoMRIGHT"};
constexpr const char* kFramePartKey[FRAME_PART_COUNT] = {
    "topLeft", "top", "topRight", "left", "client", "right", "bottomLeft", "bottom", "bottomRight"};

std::string_view ImageName(const char (&image)[51]) { return {image, strnlen(image, sizeof image)}; }

} // namespace

// ---- CFrameBase ----

CFrameBase::CFrameBase(uint32_t typeCode)
    : CSkinNode(typeCode), frameFont(DefaultSkinFont("Arial")), activeColour(SysColor(COLOR_ACTIVEBORDER)),
      inactiveColour(SysColor(COLOR_INACTIVEBORDER)), clientColour(SysColor(COLOR_BTNFACE)),
      frameEffect(DefaultTextEffect())
{
}

CFrameBase::~CFrameBase()
{
    for (FrameSliceCache& entry : cache)
        DeleteSkinRegion(entry.region);
}

void CFrameBase::Release()
{
    for (FrameSliceCache& entry : cache) {
        DeleteSkinRegion(entry.region);
        entry = FrameSliceCache{};
    }
    CSkinNode::Release();
}

void CFrameBase::Prepare(CSkinStore& store)
{
    const auto* info = dynamic_cast<const CSkinInfo*>(store.FindByType(SKIN_INFO));
    const bool cutRegions = info && info->useTransparentColour;
    for (size_t i = 0; i < slices.size(); ++i) {
        FrameSliceCache& entry = cache[i];
        DeleteSkinRegion(entry.region);
        entry = FrameSliceCache{};
        const SkinImageRef& slice = slices[i];
        CDibImage* image = store.FindImage(ImageName(slice.image));
        if (!image)
            continue;
        auto section = std::make_unique<CDibImage>();
        if (!image->CropTo(slice.source.left, slice.source.top, slice.source.right, slice.source.bottom,
                           section.get()))
            continue;
        entry.width = section->Width();
        entry.height = section->Height();
        if (cutRegions)
            entry.region = CreateKeyColourRegion(*section, info->keyColour);
        entry.section = std::move(section);
    }
    CSkinNode::Prepare(store);
}

void CFrameBase::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.BeginGroup("active");
    for (int part = 0; part < FRAME_PART_COUNT; ++part)
        ar.Slice(kFramePartKey[part], slices[part]);
    ar.EndGroup();
    ar.BeginGroup("inactive");
    for (int part = 0; part < FRAME_PART_COUNT; ++part)
        ar.Slice(kFramePartKey[part], slices[FRAME_PART_COUNT + part]);
    ar.EndGroup();
    ar.BeginGroup("partRects");
    for (int part = 0; part < FRAME_PART_COUNT; ++part)
        ar.Rect(kFramePartKey[part], partRects[part]);
    ar.EndGroup();
    ar.Font("frameFont", frameFont);
    ar.I32("value0", values[0]);
    ar.I32("value1", values[1]);
    ar.Colour("activeColour", activeColour);
    ar.Colour("inactiveColour", inactiveColour);
    ar.Colour("clientColour", clientColour);
    const SkinFileVersion v = ar.Version();
    if (v.Since(3))
        ar.Effect("frameEffect", frameEffect);
    if (ar.IsReading() && v.Before(9))
        frameEffect = DefaultTextEffect();
}

// ---- parts ----

CPartBase::CPartBase(uint32_t typeCode) : CSkinNode(typeCode) { designRect = {1, 1, 21, 21}; }

void CPartBase::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.Slice("image", image);
    const SkinFileVersion v = ar.Version();
    if (v.major != 0 && v.minor < 8)
        ar.Rect(nullptr, designRect); // before 1.8 the node part had no rectangle
    ar.U32("anchor", anchor);
    ar.U32("commandId", commandId);
    if (v.Since(11)) {
        ar.U32("visibility", visibility);
        ar.Text("text", text, sizeof text);
    }
}

CCaptionButton::CCaptionButton() : CPartBase(SKIN_CAPTION_BUTTON) {}

void CCaptionButton::Serialize(CSkinArchive& ar)
{
    CPartBase::Serialize(ar);
    ar.Slice("hotImage", hotImage);
    ar.Slice("pressedImage", pressedImage);
    ar.Slice("disabledImage", disabledImage);
    ar.U32("kind", kind);
    ar.Bool("sticky", sticky);
}

CMenuBarDefinition::CMenuBarDefinition()
    : CPartBase(SKIN_MENU_BAR), itemFont(DefaultSkinFont("Arial")), normalEffect(DefaultTextEffect()),
      disabledEffect(DefaultTextEffect()), highlightedEffect(DefaultTextEffect()), pressedEffect(DefaultTextEffect())
{
}

void CMenuBarDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kMdiKeys[12] = {
        "minimiseNormal", "minimiseHot", "minimisePressed", "restoreNormal", "restoreHot", "restorePressed",
        "closeNormal",    "closeHot",    "closePressed",    "systemNormal",  "systemHot",  "systemPressed"};
    CPartBase::Serialize(ar);
    ar.Font("itemFont", itemFont);
    ar.Effect("normalEffect", normalEffect);
    ar.Effect("disabledEffect", disabledEffect);
    ar.Effect("highlightedEffect", highlightedEffect);
    ar.Colour("highlightedColour", highlightedColour);
    ar.Grid("highlightedGrid", highlightedGrid);
    ar.Effect("pressedEffect", pressedEffect);
    ar.Colour("pressedColour", pressedColour);
    ar.Grid("pressedGrid", pressedGrid);
    const SkinFileVersion v = ar.Version();
    if (v.Since(2)) {
        ar.BeginGroup("mdiButtons");
        for (size_t i = 0; i < mdiButtons.size(); ++i)
            ar.Slice(kMdiKeys[i], mdiButtons[i]);
        ar.EndGroup();
    }
    if (v.Since(3))
        ar.Grid("background", background);
}

CImageElement::CImageElement()
    : CPartBase(SKIN_IMAGE_ELEMENT), elementFont(DefaultSkinFont("MS Sans Serif")), elementEffect(DefaultTextEffect())
{
}

void CImageElement::Serialize(CSkinArchive& ar)
{
    CPartBase::Serialize(ar);
    ar.U32("role", role);
    ar.U32("anchorLeft", anchors[0]);
    ar.U32("anchorTop", anchors[1]);
    ar.U32("anchorRight", anchors[2]);
    ar.U32("anchorBottom", anchors[3]);
    ar.U32("anchorExtra", anchorExtra);
    ar.U32("combineMode", combineMode);
    ar.Font("elementFont", elementFont);
    ar.Effect("elementEffect", elementEffect);
    ar.Text("elementText", elementText, sizeof elementText);
    ar.U32("horizontalAlign", horizontalAlign);
    ar.U32("verticalAlign", verticalAlign);
}

// ---- CFrameDefinition ----

CFrameDefinition::CFrameDefinition() : CFrameBase(SKIN_FRAME)
{
    for (int part = 0; part < FRAME_PART_COUNT; ++part) {
        Publish(*this, SKIN_PROP_SLICE, std::string("ACTIVEFRAME.") + kFramePartProperty[part], slices[part]);
        Publish(*this, SKIN_PROP_SLICE, std::string("DEACTIVEFRAME.") + kFramePartProperty[part],
                slices[FRAME_PART_COUNT + part]);
    }
    Publish(*this, SKIN_PROP_COLOUR, "ACTIVEFRAME.COLOR", activeColour);
    Publish(*this, SKIN_PROP_COLOUR, "DEACTIVEFRAME.COLOR", inactiveColour);
    Publish(*this, SKIN_PROP_FONT, "CAPTIONFONT", frameFont);
    Publish(*this, SKIN_PROP_BOOL, "SKINCLIENT", skinClient);
    Publish(*this, SKIN_PROP_SLICE, "MDICLIENT", mdiClient);
}

void CFrameDefinition::Prepare(CSkinStore& store)
{
    CFrameBase::Prepare(store);
    menuBar.Prepare(store);
}

void CFrameDefinition::Release()
{
    menuBar.Release();
    CFrameBase::Release();
}

void CFrameDefinition::Serialize(CSkinArchive& ar)
{
    CFrameBase::Serialize(ar);
    uint32_t menuBarCode = SKIN_MENU_BAR; // read and not checked: the record is always a menu bar
    ar.U32(nullptr, menuBarCode);
    ar.BeginGroup("menuBar");
    menuBar.Serialize(ar);
    ar.EndGroup();
    if (ar.Version().Since(6)) {
        ar.Bool("skinClient", skinClient);
        ar.Slice("mdiClient", mdiClient);
    }
}

// ---- CMenuDefinition ----

CMenuDefinition::CMenuDefinition()
    : CFrameBase(SKIN_MENU), normalEffect(DefaultTextEffect()), disabledEffect(DefaultTextEffect()),
      highlightedEffect(DefaultTextEffect()), activeItemColour(SysColor(COLOR_HIGHLIGHT)),
      separatorColour(SysColor(COLOR_BTNSHADOW))
{
    for (int part = 0; part < FRAME_PART_COUNT; ++part)
        Publish(*this, SKIN_PROP_SLICE, std::string("FRAME.") + kFramePartProperty[part], slices[part]);
    Publish(*this, SKIN_PROP_COLOUR, "FRAME.COLOR", activeColour);
    Publish(*this, SKIN_PROP_FONT, "ITEM.FONT", frameFont);
    Publish(*this, SKIN_PROP_COLOUR, "ITEM.ACTIVECOLOR", activeItemColour);
    Publish(*this, SKIN_PROP_COLOUR, "ITEM.SEPARATORCOLOR", separatorColour);
    Publish(*this, SKIN_PROP_GRID, "ITEM.SEPARATORIMAGE", separatorImage);
    Publish(*this, SKIN_PROP_GRID, "ITEM.ACTIVEIMAGE", activeImage);
    Publish(*this, SKIN_PROP_SLICE, "ITEM.SUBMENU", subMenuImage);
    Publish(*this, SKIN_PROP_SLICE, "ITEM.CHECKIMAGE", checkImage);
}

void CMenuDefinition::Serialize(CSkinArchive& ar)
{
    CFrameBase::Serialize(ar);
    ar.Effect("normalEffect", normalEffect);
    ar.Effect("disabledEffect", disabledEffect);
    ar.Effect("highlightedEffect", highlightedEffect);
    ar.Colour("activeItemColour", activeItemColour);
    ar.Colour("separatorColour", separatorColour);
    ar.Grid("separatorImage", separatorImage);
    ar.Grid("activeImage", activeImage);
    ar.Slice("subMenuImage", subMenuImage);
    if (ar.Version().Since(3))
        ar.Slice("checkImage", checkImage);
}

// ---- push button ----

namespace {
constexpr const char* kPushStateProperty[6] = {"NORMAL", "PRESSED", "DEFAULT", "FOCUSED", "HIGHLIGHTED", "DISABLED"};
constexpr const char* kPushStateKey[6] = {"normal", "pressed", "default", "focused", "highlighted", "disabled"};

void SerializeButtonState(CSkinArchive& ar, const char* key, ButtonState& state)
{
    ar.BeginGroup(key);
    ar.Grid("image", state.image);
    ar.Effect("effect", state.effect);
    ar.Bytes("extra", state.extra, sizeof state.extra);
    ar.EndGroup();
}

ButtonState DefaultButtonState() { return {{}, DefaultTextEffect(), {}}; }
} // namespace

CPushButtonDefinition::CPushButtonDefinition() : CSkinDefinition(SKIN_PUSH_BUTTON)
{
    for (size_t i = 0; i < states.size(); ++i) {
        states[i] = DefaultButtonState();
        Publish(*this, SKIN_PROP_GRID, std::string(kPushStateProperty[i]) + ".IMAGE", states[i].image);
        Publish(*this, SKIN_PROP_EFFECT, std::string(kPushStateProperty[i]) + ".TEXTEFFECT", states[i].effect);
    }
}

void CPushButtonDefinition::Serialize(CSkinArchive& ar)
{
    const SkinFileVersion v = ar.Version();
    // Before 1.7 a push button was a plain node with its font at the end.
    const bool nodeOnly = v.Before(7);
    if (nodeOnly)
        CSkinNode::Serialize(ar);
    else
        CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < states.size(); ++i)
        SerializeButtonState(ar, kPushStateKey[i], states[i]);
    ar.Text("text", text, sizeof text);
    ar.U32("value0", values[0]);
    if (nodeOnly) {
        ar.Font(nullptr, font);
        ar.U32(nullptr, values[1]);
        ar.Skip(4);
    } else {
        ar.U32("value1", values[1]);
    }
    if (ar.IsReading() && v.Before(9)) {
        for (ButtonState& state : states) {
            ResetEffect(state.effect);
            state.effect.SetTextColour(font.colour);
        }
    }
}

// ---- check box and radio button ----

CCheckBoxDefinition::CCheckBoxDefinition(uint32_t typeCode) : CSkinDefinition(typeCode)
{
    static constexpr const char* kStateProperty[7] = {"NORMAL",         "SELECTED",          "DISABLED",
                                                      "GRAYEDNORMAL",   "GRAYEDSELECTED",    "HIGHLIGHTEDNORMAL",
                                                      "HIGHLIGHTEDSELECTED"};
    Publish(*this, SKIN_PROP_BOOL, "TRANSPARENT", transparent);
    for (size_t i = 0; i < states.size(); ++i) {
        states[i] = {{}, {}, {}, DefaultTextEffect(), {}};
        const std::string prefix = kStateProperty[i];
        Publish(*this, SKIN_PROP_SLICE, prefix + ".BACKGROUNDIMAGE", states[i].background);
        Publish(*this, SKIN_PROP_SLICE, prefix + ".BOXIMAGE", states[i].box);
        Publish(*this, SKIN_PROP_EFFECT, prefix + ".TEXTEFFECT", states[i].effect);
    }
}

void CCheckBoxDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kStateKey[7] = {"normal",         "selected",          "disabled",
                                                 "grayedNormal",   "grayedSelected",    "highlightedNormal",
                                                 "highlightedSelected"};
    CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < states.size(); ++i) {
        CheckBoxState& s = states[i];
        ar.BeginGroup(kStateKey[i]);
        ar.Slice("background", s.background);
        ar.Bytes("extra1", s.extra1, sizeof s.extra1);
        ar.Slice("box", s.box);
        ar.Effect("effect", s.effect);
        ar.Bytes("extra2", s.extra2, sizeof s.extra2);
        ar.EndGroup();
    }
    ar.Text("text", text, sizeof text);
    ar.Bool("transparent", transparent);
    if (ar.IsReading() && ar.Version().Before(9))
        for (CheckBoxState& s : states)
            ResetEffect(s.effect);
}

// ---- combo box ----

CComboBoxDefinition::CComboBoxDefinition()
    : CSkinDefinition(SKIN_COMBO_BOX), focusColour(SysColor(COLOR_HIGHLIGHT)),
      disabledBackground(SysColor(COLOR_BTNFACE)), disabledText(SysColor(COLOR_GRAYTEXT)),
      focusTextColour(SysColor(COLOR_HIGHLIGHTTEXT))
{
    static constexpr const char* kThumbProperty[4] = {"THUMB.NORMAL", "THUMB.PRESSED", "THUMB.HOVERED",
                                                      "THUMB.DISABLED"};
    for (size_t i = 0; i < thumbs.size(); ++i)
        Publish(*this, SKIN_PROP_GRID, kThumbProperty[i], thumbs[i]);
    Publish(*this, SKIN_PROP_COLOUR, "COLOR.FOCUS", focusColour);
    Publish(*this, SKIN_PROP_COLOUR, "COLOR.FOCUSTEXTCOLOR", focusTextColour);
    Publish(*this, SKIN_PROP_COLOUR, "COLOR.DISABLEDBACKGROUND", disabledBackground);
    Publish(*this, SKIN_PROP_COLOUR, "COLOR.DISABLEDTEXT", disabledText);
    Publish(*this, SKIN_PROP_COLOUR, "COLOR.BACKCOLOR", backColour);
    Publish(*this, SKIN_PROP_COLOUR, "COLOR.TEXTCOLOR", textColour);
}

void CComboBoxDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kThumbKey[4] = {"thumbNormal", "thumbPressed", "thumbHovered", "thumbDisabled"};
    CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < thumbs.size(); ++i)
        ar.Grid(kThumbKey[i], thumbs[i]);
    ar.Colour("focusColour", focusColour);
    const SkinFileVersion v = ar.Version();
    if (!v.Before(11)) {
        ar.Colour("disabledBackground", disabledBackground);
        ar.Colour("disabledText", disabledText);
        ar.Colour("focusTextColour", focusTextColour);
    } else if (ar.IsReading()) {
        // Old files kept the disabled colours in the back and text colour.
        if (v.Before(9)) {
            backColour = SysColor(COLOR_BTNFACE);
            textColour = SysColor(COLOR_BTNTEXT);
        }
        disabledBackground = backColour;
        disabledText = textColour;
        backColour = SysColor(COLOR_WINDOW);
        textColour = SysColor(COLOR_WINDOWTEXT);
    }
}

// ---- edit-style controls ----

CEditDefinition::CEditDefinition(uint32_t typeCode) : CSkinDefinition(typeCode, "FONT", "BORDER")
{
    backColour = SysColor(COLOR_WINDOW);
    textColour = SysColor(COLOR_WINDOWTEXT);
    keyColour = SysColor(COLOR_BTNFACE);
    Publish(*this, SKIN_PROP_COLOUR, "BACKCOLOR", backColour);
    Publish(*this, SKIN_PROP_COLOUR, "DISABLEDCOLOR", keyColour);
    Publish(*this, SKIN_PROP_SLICE, "BACKGROUND", background);
}

void CEditDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Slice("background", background);
    if (ar.IsReading() && ar.Version().Before(11)) {
        backColour = SysColor(COLOR_WINDOW);
        textColour = SysColor(COLOR_WINDOWTEXT);
        keyColour = SysColor(COLOR_BTNFACE);
    }
}

// ---- group box ----

CGroupBoxDefinition::CGroupBoxDefinition()
    : CSkinDefinition(SKIN_GROUP_BOX, "FONT", "FRAMEIMAGE"), captionColour(SysColor(COLOR_BTNFACE)),
      textEffect(DefaultTextEffect())
{
    Publish(*this, SKIN_PROP_GRID, "CAPTIONIMAGE", captionImage);
    Publish(*this, SKIN_PROP_COLOUR, "CAPTIONCOLOR", captionColour);
    Publish(*this, SKIN_PROP_EFFECT, "TEXTEFFECT", textEffect);
    Publish(*this, SKIN_PROP_BOOL, "TRANSPARENT", transparent);
}

void CGroupBoxDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Grid("captionImage", captionImage);
    ar.Colour("captionColour", captionColour);
    ar.Effect("textEffect", textEffect);
    ar.Bool("transparent", transparent);
    if (ar.IsReading() && ar.Version().Before(9)) {
        ResetEffect(textEffect);
        transparent = 0;
    }
}

// ---- progress bar ----

CProgressDefinition::CProgressDefinition() : CSkinDefinition(SKIN_PROGRESS, "FONT", "BACKGROUND")
{
    Publish(*this, SKIN_PROP_GRID, "PROGRESSIMAGE", progressImage);
    Publish(*this, SKIN_PROP_COLOUR, "BACKCOLOR", backColour);
    Publish(*this, SKIN_PROP_COLOUR, "PROGRESSCOLOR", textColour);
    Publish(*this, SKIN_PROP_BOOL, "USEPERCENT", usePercent);
}

void CProgressDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Grid("progressImage", progressImage);
    ar.U32("value0", values[0]);
    ar.U32("value1", values[1]);
    ar.Bool("usePercent", usePercent);
}

// ---- scroll bar ----

CScrollBarDefinition::CScrollBarDefinition() : CSkinDefinition(SKIN_SCROLL_BAR)
{
    static constexpr const char* kStateProperty[4] = {"NORMAL", "PRESSED", "HIGHLIGHTED", "DISABLED"};
    for (size_t i = 0; i < states.size(); ++i) {
        const std::string prefix = kStateProperty[i];
        Publish(*this, SKIN_PROP_SLICE, prefix + ".ARROW1", states[i].arrow1);
        Publish(*this, SKIN_PROP_SLICE, prefix + ".ARROW2", states[i].arrow2);
        Publish(*this, SKIN_PROP_GRID, prefix + ".SCROLLBAR", states[i].track);
        Publish(*this, SKIN_PROP_GRID, prefix + ".THUMB", states[i].thumb);
    }
    Publish(*this, SKIN_PROP_SLICE, "GRIPPER", gripper);
}

void CScrollBarDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kStateKey[4] = {"normal", "pressed", "highlighted", "disabled"};
    static constexpr const char* kValueKey[5] = {"value0", "value1", "value2", "value3", "value4"};
    CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < states.size(); ++i) {
        ar.BeginGroup(kStateKey[i]);
        ar.Slice("arrow1", states[i].arrow1);
        ar.Slice("arrow2", states[i].arrow2);
        ar.Grid("scrollBar", states[i].track);
        ar.Grid("thumb", states[i].thumb);
        ar.EndGroup();
    }
    ar.Slice("gripper", gripper);
    for (int i = 0; i < 5; ++i)
        ar.I32(kValueKey[i], values[i]);
}

// ---- trackbar ----

CTrackbarDefinition::CTrackbarDefinition() : CSkinDefinition(SKIN_TRACKBAR, "FONT", "BACKGROUND")
{
    Publish(*this, SKIN_PROP_GRID, "THUMB.HORIZONTAL", thumbHorizontal);
    Publish(*this, SKIN_PROP_GRID, "THUMB.VERTICAL", thumbVertical);
    Publish(*this, SKIN_PROP_GRID, "CHANNEL", channel);
    Publish(*this, SKIN_PROP_BOOL, "TRANSPARENT", transparent);
}

void CTrackbarDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kValueKey[5] = {"value0", "value1", "value2", "value3", "value4"};
    CSkinDefinition::Serialize(ar);
    ar.Grid("thumbHorizontal", thumbHorizontal);
    for (int i = 0; i < 5; ++i)
        ar.I32(kValueKey[i], values[i]);
    ar.Grid("channel", channel);
    if (ar.Version().Since(9)) {
        ar.Bool("transparent", transparent);
        ar.Grid("thumbVertical", thumbVertical);
    }
}

// ---- static ----

CStaticDefinition::CStaticDefinition()
    : CSkinDefinition(SKIN_STATIC, "FONT", "BACKIMAGE"), textEffect(DefaultTextEffect())
{
    Publish(*this, SKIN_PROP_BOOL, "TRANSPARENT", transparent);
    Publish(*this, SKIN_PROP_COLOUR, "BACKCOLOR", backColour);
    Publish(*this, SKIN_PROP_EFFECT, "TEXTEFFECT", textEffect);
}

void CStaticDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Bool("transparent", transparent);
    ar.Effect("textEffect", textEffect);
    ar.Text("text", text, sizeof text);
    if (ar.IsReading() && ar.Version().Before(9)) {
        ResetEffect(textEffect);
        textEffect.SetTextColour(font.colour);
    }
}

// ---- status bar ----

CStatusBarDefinition::CStatusBarDefinition() : CSkinDefinition(SKIN_STATUS_BAR, "ITEM.FONT", "BACKIMAGE")
{
    Publish(*this, SKIN_PROP_GRID, "ITEM.ITEMIMAGE", itemImage);
}

void CStatusBarDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Grid("itemImage", itemImage);
    ar.Slice("extraSlice", extraSlice);
}

// ---- tab control ----

CTabDefinition::CTabDefinition() : CSkinDefinition(SKIN_TAB, "FONT", "BACKGROUND")
{
    static constexpr const char* kStateProperty[4] = {"NORMAL", "PRESSED", "DISABLED", "HOVERED"};
    for (size_t i = 0; i < states.size(); ++i) {
        states[i] = DefaultButtonState();
        Publish(*this, SKIN_PROP_GRID, std::string(kStateProperty[i]) + ".TABIMAGE", states[i].image);
        Publish(*this, SKIN_PROP_EFFECT, std::string(kStateProperty[i]) + ".TEXTEFFECT", states[i].effect);
    }
    Publish(*this, SKIN_PROP_GRID, "FRAME", frame);
    Publish(*this, SKIN_PROP_BOOL, "TRANSpARENT", transparent);
}

void CTabDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kStateKey[4] = {"normal", "pressed", "disabled", "hovered"};
    CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < states.size(); ++i)
        SerializeButtonState(ar, kStateKey[i], states[i]);
    ar.Grid("frame", frame);
    if (ar.Version().Since(9))
        ar.Bool("transparent", transparent);
}

// ---- toolbar ----

CToolbarDefinition::CToolbarDefinition() : CSkinDefinition(SKIN_TOOLBAR) {}

void CToolbarDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kGridKey[5] = {"grid0", "grid1", "grid2", "grid3", "grid4"};
    CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < grids.size(); ++i)
        ar.Grid(kGridKey[i], grids[i]);
}

// ---- up-down ----

CUpDownDefinition::CUpDownDefinition() : CSkinDefinition(SKIN_UP_DOWN)
{
    static constexpr const char* kStateProperty[4] = {"NORMAL", "HOVER", "PRESSED", "DISABLED"};
    for (size_t i = 0; i < states.size(); ++i) {
        Publish(*this, SKIN_PROP_SLICE, std::string(kStateProperty[i]) + ".UP", states[i].up);
        Publish(*this, SKIN_PROP_SLICE, std::string(kStateProperty[i]) + ".DOWN", states[i].down);
    }
}

void CUpDownDefinition::Serialize(CSkinArchive& ar)
{
    static constexpr const char* kStateKey[4] = {"normal", "hover", "pressed", "disabled"};
    CSkinDefinition::Serialize(ar);
    for (size_t i = 0; i < states.size(); ++i) {
        ar.BeginGroup(kStateKey[i]);
        ar.Slice("up", states[i].up);
        ar.Slice("down", states[i].down);
        ar.EndGroup();
    }
}

// ---- rebar, header, animation ----

CRebarDefinition::CRebarDefinition() : CSkinDefinition(SKIN_REBAR, "FONT", "BACKGROUND")
{
    Publish(*this, SKIN_PROP_GRID, "BANDIMAGE", bandImage);
}

void CRebarDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Grid("bandImage", bandImage);
    ar.Bytes("extra", extra, sizeof extra);
}

CHeaderDefinition::CHeaderDefinition()
    : CSkinDefinition(SKIN_HEADER, "FONT", "BACKGROUND"), textEffect(DefaultTextEffect())
{
    Publish(*this, SKIN_PROP_GRID, "ITEM", item);
    Publish(*this, SKIN_PROP_EFFECT, "TEXTEFFECT", textEffect);
}

void CHeaderDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Effect("textEffect", textEffect);
    ar.Grid("item", item);
}

CAnimationDefinition::CAnimationDefinition() : CSkinDefinition(SKIN_ANIMATION, "FONT", "BORDER")
{
    SetName("AnimateCtrl32");
    Publish(*this, SKIN_PROP_SLICE, "BACKGROUND", background);
}

void CAnimationDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Slice("background", background);
}

// ---- custom definition ----

CCustomDefinition::CCustomDefinition() : CSkinDefinition(SKIN_CUSTOM) { properties_.clear(); }

CSkinProperty* CCustomDefinition::GetProperty(std::string_view query)
{
    query = query.substr(0, query.find('\0'));
    for (auto& property : list) {
        const std::string_view stored(property->name, strnlen(property->name, sizeof property->name));
        if (stored.size() != query.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < stored.size() && same; ++i) {
            auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
            same = lower(stored[i]) == lower(query[i]);
        }
        if (same)
            return property.get();
    }
    return nullptr;
}

void CCustomDefinition::Serialize(CSkinArchive& ar)
{
    CSkinDefinition::Serialize(ar);
    ar.Bytes("block", block, sizeof block);
    ar.PropertyList(*this);
}

// ---- plain nodes ----

CSliceNode::CSliceNode() : CSkinNode(SKIN_SLICE_NODE) {}

void CSliceNode::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.Slice("slice", slice);
    ar.Rect("rect0", rects[0]);
    ar.Rect("rect1", rects[1]);
    ar.Byte("byteValue", byteValue);
    ar.U32("value0", values[0]);
    ar.U32("value1", values[1]);
}

CFourValueNode::CFourValueNode() : CSkinNode(SKIN_FOUR_VALUES) {}

void CFourValueNode::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.U32("value0", values[0]);
    ar.U32("value1", values[1]);
    ar.U32("value2", values[2]);
    ar.U32("value3", values[3]);
    ar.Slice("slice", slice);
}

} // namespace glint
