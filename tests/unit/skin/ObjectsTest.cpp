// Skin objects: properties, children, and every version variant of reading.
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinTypes.h"

#include "SkinBytes.h"
#include "base/SysColors.h"

#include <gtest/gtest.h>

using namespace glint;
using glint::test::FileVersionScope;
using glint::test::SkinBytes;

namespace {

// Reads a record (without its type code) in a file of version 1.minor and
// checks that exactly its bytes were taken.
template <class T>
void ReadAt(T& node, uint8_t minor, const SkinBytes& bytes)
{
    FileVersionScope version(1, minor);
    CSkinStream stream = bytes.Stream();
    node.Read(stream);
    EXPECT_EQ(stream.Position(), stream.Size()) << "record of 1." << int(minor) << " not consumed exactly";
}

SkinFont RedFont()
{
    SkinFont f = DefaultSkinFont("Verdana");
    f.colour = RGB(200, 0, 0);
    return f;
}

SkinTextEffect Effect(COLORREF colour, uint32_t flags)
{
    SkinTextEffect e{};
    e.SetTextColour(colour);
    e.flags = flags;
    return e;
}

// ---- properties ----

TEST(SkinProperty, LookupUpperCasesTheQueryAndReachesMixedCasePublishedNames)
{
    CStaticDefinition def;
    ASSERT_NE(def.GetProperty("font"), nullptr);
    EXPECT_EQ(def.GetProperty("font"), def.GetProperty("FONT"));
    EXPECT_EQ(def.GetProperty("Font")->data, reinterpret_cast<uint8_t*>(&def.font));
    EXPECT_EQ(def.GetProperty("FONT")->kind, SKIN_PROP_FONT);
    EXPECT_EQ(def.GetProperty("FONT")->size, 64u);
    EXPECT_EQ(def.GetProperty("textEffect")->kind, SKIN_PROP_EFFECT);
    EXPECT_EQ(def.GetProperty("BACKIMAGE")->size, 88u);
    EXPECT_EQ(def.GetProperty("NOSUCH"), nullptr);
    CFrameDefinition frame;
    CSkinProperty* client = frame.GetProperty("ACTIVEFRAME.ClIENT");
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->data, reinterpret_cast<uint8_t*>(&frame.slices[FRAME_CLIENT]));
    EXPECT_STREQ(client->name, "ACTIVEFRAME.ClIENT") << "the record keeps the name as published";
    EXPECT_EQ(frame.GetProperty("deactiveframe.bottomright")->data,
              reinterpret_cast<uint8_t*>(&frame.slices[9 + FRAME_BOTTOM_RIGHT]));
}

TEST(SkinProperty, QueryIsCutAt98Characters)
{
    CSkinDefinition def(SKIN_CONTROL_BAR);
    const std::string longName(98, 'X');
    def.AddProperty(SKIN_PROP_INT, longName, {}, &def.controlId, 4);
    EXPECT_NE(def.GetProperty(longName + "tail that is ignored"), nullptr);
    EXPECT_EQ(def.GetProperty(longName.substr(0, 97)), nullptr);
    EXPECT_STREQ(def.GetProperty(longName)->name, std::string(29, 'X').c_str()) << "the record keeps 29 characters";
}

TEST(SkinNode, DefaultsComeFromTheSystemColoursAndAKeyOf0xFFMeansMagenta)
{
    CSkinNode node(SKIN_OBJECT);
    EXPECT_EQ(node.backColour, SysColor(COLOR_BTNFACE));
    EXPECT_EQ(node.textColour, SysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(node.KeyColour(), 0xFF00FFu);
    EXPECT_EQ(CEditDefinition(SKIN_LIST_VIEW).backColour, SysColor(COLOR_WINDOW));
}

// ---- version variants of the common parts ----

TEST(SkinVersions, NodeBeforeEightHasNoDesignRectangle)
{
    CSkinNode node(SKIN_OBJECT);
    ReadAt(node, 7, SkinBytes().Node("N", 7));
    EXPECT_EQ(node.Name(), "N");
    EXPECT_EQ(node.designRect.right, 60);
    EXPECT_EQ(node.tag, 77u);

    CSkinNode later(SKIN_OBJECT);
    ReadAt(later, 8, SkinBytes().Node("M", 8));
    EXPECT_EQ(later.designRect.right, 3);
    EXPECT_EQ(later.autoPlace, 1);
}

TEST(SkinVersions, DefinitionFieldsArriveInTheirVersions)
{
    for (uint8_t minor : {3, 5, 6, 7, 8, 9, 10, 11}) {
        CSkinDefinition def(SKIN_CONTROL_BAR);
        def.designRect = {5, 5, 6, 6};
        ReadAt(def, minor, SkinBytes().Node("D", minor).Definition(minor, RedFont(), 42));
        // The rectangle of 1.4 ... 1.7 is read and reset; the node's own comes in 1.8.
        const RECT& r = def.designRect;
        EXPECT_EQ(r.left, minor >= 8 ? 1 : minor >= 4 ? 0 : 5) << int(minor);
        EXPECT_EQ(r.right, minor >= 8 ? 3 : minor >= 4 ? 60 : 6) << int(minor);
        EXPECT_EQ(def.controlId, minor >= 7 ? 42 : 0) << int(minor); // 1.6 has it, but it means nothing yet
        EXPECT_EQ(def.reserved, minor >= 8 ? 0xABCDu : 0u) << int(minor);
        EXPECT_EQ(def.autoSkinFont, minor >= 10 ? 1 : 0) << int(minor);
        EXPECT_STREQ(def.font.logFont.lfFaceName, "Verdana");
    }
}

TEST(SkinVersions, InfoBeforeFourHasNoAddresses)
{
    CSkinInfo info;
    ReadAt(info, 3, SkinBytes().Node("Application", 3).Text("me", 51).Text("desc", 51).Text("app", 51).U32(1));
    EXPECT_STREQ(info.author, "me");
    EXPECT_EQ(info.useTransparentColour, 1);
    EXPECT_STREQ(info.email, CSkinInfo().email);

    CSkinInfo info4;
    SkinBytes later = SkinBytes().Node("Application", 4).Text("me", 51).Text("", 51).Text("", 51).U32(0);
    ReadAt(info4, 4, later.Text("a@b", 51).Text("http://x", 51));
    EXPECT_STREQ(info4.email, "a@b");
    EXPECT_STREQ(info4.homePage, "http://x");
}

TEST(SkinVersions, ImageOfSizeZeroReadsOnlyItsFormat)
{
    CSkinImage image;
    ReadAt(image, 11, SkinBytes().Node("empty.bmp", 11).U32(0).U32(FORMAT_PNG));
    EXPECT_FALSE(image.image.IsValid());
    EXPECT_EQ(image.format, uint32_t(FORMAT_PNG));
}

// ---- version variants of the classes ----

SkinBytes PartBase(uint8_t minor, const std::string& name)
{
    SkinBytes b;
    b.Node(name, minor).Raw(test::Slice("w.bmp", {1, 2, 3, 4}, 0));
    if (minor < 8)
        b.Rect(10, 11, 12, 13);
    b.U32(4).U32(5000);
    if (minor >= 11)
        b.U32(3).Text("tip", 51);
    return b;
}

TEST(SkinVersions, PartBaseBeforeEightKeepsItsRectangleAndBeforeElevenHasNoVisibility)
{
    SkinBytes bytes = PartBase(7, "Close");
    bytes.Fill(3 * sizeof(SkinImageRef)).U32(CAPTION_CLOSE).U32(1);
    CCaptionButton button;
    ReadAt(button, 7, bytes);
    EXPECT_EQ(button.designRect.left, 10);
    EXPECT_EQ(button.designRect.bottom, 13);
    EXPECT_EQ(button.anchor, 4u);
    EXPECT_EQ(button.commandId, 5000u);
    EXPECT_EQ(button.visibility, 0u);
    EXPECT_EQ(button.kind, uint32_t(CAPTION_CLOSE));
    EXPECT_EQ(button.sticky, 1);

    SkinBytes current = PartBase(11, "Max");
    current.Fill(3 * sizeof(SkinImageRef)).U32(CAPTION_MAXIMISE).U32(0);
    CCaptionButton max;
    ReadAt(max, 11, current);
    EXPECT_EQ(max.visibility, 3u);
    EXPECT_STREQ(max.text, "tip");
    EXPECT_EQ(max.designRect.right, 3) << "from the node part";
}

SkinBytes FrameBase(uint8_t minor)
{
    SkinBytes b;
    b.Node("Frame", minor);
    for (int i = 0; i < 18; ++i)
        b.Raw(test::Slice("w.bmp", {i, 0, i + 1, 1}, 0));
    for (int i = 0; i < 9; ++i)
        b.Rect(0, 0, 10 * i, 5 * i);
    b.Raw(RedFont()).U32(7).U32(8).U32(0x0000AA).U32(0x0000BB).U32(0x0000CC);
    if (minor >= 3)
        b.Raw(Effect(RGB(1, 2, 3), 1));
    return b;
}

SkinBytes MenuBar(uint8_t minor)
{
    SkinBytes b = PartBase(minor, "Bar");
    b.Raw(RedFont());
    for (int i = 0; i < 3; ++i)
        b.Raw(Effect(RGB(9, 9, 9), 1));
    b.U32(0x111111).Fill(sizeof(SkinGridRef)).Raw(Effect(RGB(9, 9, 9), 1)).U32(0x222222).Fill(sizeof(SkinGridRef));
    if (minor >= 2)
        for (int i = 0; i < 12; ++i)
            b.Raw(test::Slice("mdi.bmp", {0, 0, i + 1, 1}, 0));
    if (minor >= 3)
        b.Raw(test::Grid("bar.bmp", {0, 0, 5, 5}, {1, 1, 1, 1}, 2));
    return b;
}

TEST(SkinVersions, FrameAcrossItsVersions)
{
    for (uint8_t minor : {1, 2, 3, 5, 6, 8, 9, 11}) {
        SkinBytes bytes = FrameBase(minor);
        bytes.U32(SKIN_MENU_BAR).Append(MenuBar(minor));
        if (minor >= 6)
            bytes.U32(1).Raw(test::Slice("w.bmp", {0, 0, 16, 16}, 2));
        CFrameDefinition frame;
        ReadAt(frame, minor, bytes);
        EXPECT_EQ(frame.slices[17].source.left, 17) << int(minor);
        EXPECT_EQ(frame.partRects[8].right, 80);
        EXPECT_EQ(frame.values[1], 8);
        EXPECT_EQ(frame.clientColour, 0x0000CCu);
        // The effect arrives in 1.3 and is reset to the default before 1.9.
        EXPECT_EQ(frame.frameEffect.flags, minor >= 9 ? 1u : 0x8004u) << int(minor);
        EXPECT_EQ(frame.menuBar.highlightedColour, 0x111111u) << int(minor);
        EXPECT_EQ(frame.menuBar.mdiButtons[11].source.right, minor >= 2 ? 12 : 0) << int(minor);
        EXPECT_EQ(frame.menuBar.background.mode, minor >= 3 ? 2 : 0) << int(minor);
        EXPECT_EQ(frame.skinClient, minor >= 6 ? 1 : 0) << int(minor);
        EXPECT_EQ(frame.mdiClient.source.right, minor >= 6 ? 16 : 0) << int(minor);
    }
}

TEST(SkinVersions, MenuCheckImageArrivesInThree)
{
    for (uint8_t minor : {2, 3}) {
        SkinBytes bytes = FrameBase(minor);
        for (int i = 0; i < 3; ++i)
            bytes.Raw(Effect(RGB(5, 5, 5), 0));
        bytes.U32(0x010203).U32(0x040506).Fill(2 * sizeof(SkinGridRef)).Raw(test::Slice("m.bmp", {0, 0, 4, 4}, 0));
        if (minor >= 3)
            bytes.Raw(test::Slice("m.bmp", {4, 4, 8, 8}, 0));
        CMenuDefinition menu;
        ReadAt(menu, minor, bytes);
        EXPECT_EQ(menu.separatorColour, 0x040506u);
        EXPECT_EQ(menu.subMenuImage.source.right, 4);
        EXPECT_EQ(menu.checkImage.source.right, minor >= 3 ? 8 : 0);
        EXPECT_EQ(menu.GetProperty("ITEM.FONT")->data, reinterpret_cast<uint8_t*>(&menu.frameFont));
    }
}

SkinBytes PushStates()
{
    SkinBytes b;
    for (int i = 0; i < 6; ++i)
        b.Raw(test::Grid("b.bmp", {0, 0, 10, 10 + i}, {2, 2, 2, 2}, 1)).Raw(Effect(RGB(0, 0, 200), 1)).Fill(16);
    return b.Text("Push", 50);
}

TEST(SkinVersions, PushButtonFromOneSixHasItsFontAfterTheText)
{
    CPushButtonDefinition button;
    ReadAt(button, 6, SkinBytes().Node("Button", 6).Append(PushStates()).U32(11).Raw(RedFont()).U32(22).U32(33));
    EXPECT_STREQ(button.font.logFont.lfFaceName, "Verdana");
    EXPECT_EQ(button.values[0], 11u);
    EXPECT_EQ(button.values[1], 22u);
    EXPECT_EQ(button.states[PUSH_DISABLED].image.source.bottom, 15);
    // Upgraded: default effects, text colour taken from the font.
    EXPECT_EQ(button.states[PUSH_NORMAL].effect.TextColour(), RGB(200, 0, 0));
    EXPECT_EQ(button.states[PUSH_NORMAL].effect.flags, 0x8004u);
}

TEST(SkinVersions, PushButtonFromOneNineKeepsItsEffects)
{
    CPushButtonDefinition button;
    ReadAt(button, 9, SkinBytes().Node("Button", 9).Definition(9, RedFont()).Append(PushStates()).U32(11).U32(22));
    EXPECT_EQ(button.states[PUSH_PRESSED].effect.TextColour(), RGB(0, 0, 200));
    EXPECT_EQ(button.states[PUSH_PRESSED].effect.flags, 1u);
    EXPECT_EQ(button.values[1], 22u);
}

TEST(SkinVersions, CheckBoxStatesAre192BytesEvenWhenEmpty)
{
    SkinBytes bytes;
    bytes.Node("CheckBox", 11).Definition(11, RedFont());
    for (int i = 0; i < 7; ++i) {
        bytes.Raw(test::Slice("bg.bmp", {0, 0, i, 1}, 0)).Fill(16);
        bytes.Fill(sizeof(SkinImageRef)); // empty box slice
        bytes.Raw(Effect(RGB(i, 0, 0), 1)).Fill(16);
    }
    bytes.Text("text", 50).U32(1);
    CCheckBoxDefinition box(SKIN_CHECK_BOX);
    ReadAt(box, 11, bytes);
    EXPECT_TRUE(box.states[CHECK_NORMAL].box.IsEmpty());
    EXPECT_EQ(box.states[CHECK_HIGHLIGHTED_SELECTED].background.source.right, 6);
    EXPECT_EQ(box.states[CHECK_HIGHLIGHTED_SELECTED].effect.red, 6);
    EXPECT_EQ(box.transparent, 1);
    static_assert(sizeof(CheckBoxState) == 192);
}

TEST(SkinVersions, ComboBoxColoursMoveInOldFiles)
{
    auto combo = [](uint8_t minor) {
        SkinBytes bytes = SkinBytes().Node("Combo", minor, 0x0A0A0A, 0x0B0B0B).Definition(minor, RedFont());
        bytes.Fill(4 * sizeof(SkinGridRef)).U32(0x0C0C0C);
        if (minor >= 11)
            bytes.U32(0x0D0D0D).U32(0x0E0E0E).U32(0x0F0F0F);
        auto def = std::make_unique<CComboBoxDefinition>();
        ReadAt(*def, minor, bytes);
        return def;
    };
    auto current = combo(11);
    EXPECT_EQ(current->backColour, 0x0A0A0Au);
    EXPECT_EQ(current->disabledBackground, 0x0D0D0Du);
    EXPECT_EQ(current->focusTextColour, 0x0F0F0Fu);

    auto ten = combo(10);
    EXPECT_EQ(ten->focusColour, 0x0C0C0Cu);
    EXPECT_EQ(ten->disabledBackground, 0x0A0A0Au);
    EXPECT_EQ(ten->disabledText, 0x0B0B0Bu);
    EXPECT_EQ(ten->backColour, SysColor(COLOR_WINDOW));
    EXPECT_EQ(ten->textColour, SysColor(COLOR_WINDOWTEXT));

    auto eight = combo(8);
    EXPECT_EQ(eight->disabledBackground, SysColor(COLOR_BTNFACE));
    EXPECT_EQ(eight->disabledText, SysColor(COLOR_BTNTEXT));
    EXPECT_EQ(eight->backColour, SysColor(COLOR_WINDOW));
}

TEST(SkinVersions, EditColoursAreResetBeforeEleven)
{
    for (uint8_t minor : {10, 11}) {
        CEditDefinition edit(SKIN_RICH_EDIT);
        ReadAt(edit, minor, SkinBytes().Node("Edit", minor, 0x0A0A0A, 0x0B0B0B, 0xEBEBEB).Definition(minor, RedFont())
                                .Raw(test::Slice("e.bmp", {0, 0, 3, 3}, 1)));
        EXPECT_EQ(edit.backColour, minor >= 11 ? 0x0A0A0Au : SysColor(COLOR_WINDOW));
        EXPECT_EQ(edit.keyColour, minor >= 11 ? 0xEBEBEBu : SysColor(COLOR_BTNFACE));
        EXPECT_EQ(*reinterpret_cast<COLORREF*>(edit.GetProperty("DISABLEDCOLOR")->data), edit.keyColour);
        EXPECT_EQ(edit.background.mode, 1);
    }
}

TEST(SkinVersions, GroupBoxUpgradeClearsTransparent)
{
    for (uint8_t minor : {8, 9}) {
        CGroupBoxDefinition group;
        ReadAt(group, minor, SkinBytes().Node("Group", minor).Definition(minor, RedFont()).Fill(sizeof(SkinGridRef))
                                 .U32(0x123456).Raw(Effect(RGB(7, 7, 7), 1)).U32(1));
        EXPECT_EQ(group.captionColour, 0x123456u);
        EXPECT_EQ(group.transparent, minor >= 9 ? 1 : 0);
        EXPECT_EQ(group.textEffect.flags, minor >= 9 ? 1u : 0x8004u);
    }
}

TEST(SkinVersions, StaticUpgradeTakesTheFontColour)
{
    CStaticDefinition def;
    ReadAt(def, 8, SkinBytes().Node("Static", 8).Definition(8, RedFont()).U32(1).Raw(Effect(RGB(7, 7, 7), 1))
                       .Text("label", 51));
    EXPECT_EQ(def.textEffect.TextColour(), RGB(200, 0, 0));
    EXPECT_EQ(def.textEffect.flags, 0x8004u);
    EXPECT_STREQ(def.text, "label");
}

TEST(SkinVersions, ScrollBarEndsWithItsFiveIntegers)
{
    SkinBytes bytes = SkinBytes().Node("Scroll", 11).Definition(11, RedFont()).Fill(4 * 320);
    bytes.Raw(test::Slice("g.bmp", {0, 0, 2, 2}, 0));
    for (int v : {-5, 200, 30, 4, 50})
        bytes.U32(uint32_t(v));
    CScrollBarDefinition bar;
    EXPECT_EQ(bar.values[1], 100);
    ReadAt(bar, 11, bytes);
    EXPECT_EQ(bar.values[0], -5);
    EXPECT_EQ(bar.values[4], 50);
    EXPECT_EQ(bar.gripper.source.right, 2);
    static_assert(sizeof(ScrollBarState) == 320);
}

TEST(SkinVersions, TrackbarAndTabGainFieldsInNine)
{
    for (uint8_t minor : {8, 9}) {
        SkinBytes bytes = SkinBytes().Node("Track", minor).Definition(minor, RedFont()).Fill(sizeof(SkinGridRef));
        bytes.Fill(20, 1).Fill(sizeof(SkinGridRef));
        if (minor >= 9)
            bytes.U32(1).Raw(test::Grid("t.bmp", {0, 0, 9, 9}, {0, 0, 0, 0}, 0));
        CTrackbarDefinition track;
        ReadAt(track, minor, bytes);
        EXPECT_EQ(track.values[4], 0x01010101);
        EXPECT_EQ(track.transparent, minor >= 9 ? 1 : 0);
        EXPECT_EQ(track.thumbVertical.source.right, minor >= 9 ? 9 : 0);

        SkinBytes tab = SkinBytes().Node("Tab", minor).Definition(minor, RedFont()).Fill(4 * 120 + sizeof(SkinGridRef));
        if (minor >= 9)
            tab.U32(1);
        CTabDefinition tabs;
        ReadAt(tabs, minor, tab);
        EXPECT_EQ(tabs.transparent, minor >= 9 ? 1 : 0);
    }
}

TEST(SkinVersions, CustomPropertyListRoundTrips)
{
    CCustomDefinition def;
    def.SetName("Custom");
    def.block[0] = 0x42;
    auto p = std::make_unique<CSkinProperty>();
    p->kind = SKIN_PROP_INT;
    p->SetName("Depth");
    p->SetDescription("how deep");
    const uint8_t data[] = {1, 2, 3, 4};
    p->SetData(data, 3);
    p->SetData(data, 4); // replaces the first copy
    p->SetText("hello!", 6); // the last byte is forced to zero
    def.list.push_back(std::move(p));
    def.list.push_back(std::make_unique<CSkinProperty>()); // no data, no text

    CSkinStream stream;
    ASSERT_TRUE(def.Write(stream));
    stream.Seek(0, CSkinStream::FROM_START);
    ASSERT_EQ(stream.ReadU32(), uint32_t(SKIN_CUSTOM));
    CCustomDefinition back;
    back.Read(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    ASSERT_EQ(back.list.size(), 2u);
    EXPECT_EQ(back.block[0], 0x42);
    // A custom definition searches its own list, without case, and not the built-in table.
    EXPECT_EQ(back.GetProperty("FONT"), nullptr);
    EXPECT_EQ(back.GetProperty("dept"), nullptr);
    CSkinProperty* depth = back.GetProperty("dEPTH");
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(depth->size, 4u);
    EXPECT_EQ(depth->data[3], 4);
    EXPECT_STREQ(depth->text, "hello");
    EXPECT_STREQ(depth->description, "how deep");
    EXPECT_EQ(back.list[1]->text, nullptr);
}

// Every class writes what it reads: write, read back, write again, same bytes.
TEST(SkinRoundTrip, EveryClassRereadsItsOwnRecord)
{
    for (uint32_t code = 1; code <= 100; ++code) {
        auto node = CreateTopLevelObject(code);
        if (!node)
            node = CreateChildObject(code);
        if (!node)
            continue;
        if (code != SKIN_CUSTOM) { // which answers from its own list only
            ASSERT_NE(node->GetProperty("NAME"), nullptr) << "every node publishes its name, code " << code;
            EXPECT_EQ(node->GetProperty("NAME")->size, 51u);
            EXPECT_EQ(node->GetProperty("autoplace")->kind, SKIN_PROP_BOOL);
        }
        node->SetName(std::string("Object").append(std::to_string(code)));
        node->backColour = 0x102030 + code;
        auto child = std::make_unique<CCaptionButton>();
        child->SetName("Kid");
        child->kind = CAPTION_SYSTEM_MENU;
        node->AddChild(std::move(child));

        CSkinStream first;
        ASSERT_TRUE(node->Write(first)) << code;
        first.Seek(0, CSkinStream::FROM_START);
        ASSERT_EQ(first.ReadU32(), code);
        auto back = CreateTopLevelObject(code) ? CreateTopLevelObject(code) : CreateChildObject(code);
        back->Read(first);
        EXPECT_EQ(first.Position(), first.Size()) << "code " << code;
        EXPECT_EQ(back->Name(), node->Name());
        ASSERT_EQ(back->children.count("Kid"), 1u) << code;
        EXPECT_EQ(static_cast<CCaptionButton&>(*back->children.at("Kid")).kind, uint32_t(CAPTION_SYSTEM_MENU));

        CSkinStream second;
        ASSERT_TRUE(back->Write(second));
        ASSERT_EQ(first.Size(), second.Size()) << code;
        EXPECT_EQ(std::memcmp(first.Data(), second.Data(), first.Size()), 0) << "code " << code;
    }
}

TEST(SkinRoundTrip, RecordSizesOfTheFixedClasses)
{
    // A record's size is the node part plus its class layout, as the file format fixes it.
    auto size = [](CSkinNode&& node) {
        CSkinStream s;
        node.Write(s);
        return s.Size();
    };
    const uint32_t nodePart = 4 + 51 + 12 + 51 + 4 + 16 + 4 + 4;
    EXPECT_EQ(size(CSkinNode(SKIN_OBJECT)), nodePart);
    const uint32_t definitionPart = nodePart + 64 + 88 + 4 + 4 + 4;
    EXPECT_EQ(size(CSkinDefinition(SKIN_CONTROL_BAR)), definitionPart);
    EXPECT_EQ(size(CScrollBarDefinition()), definitionPart + 4 * 320 + 72 + 20);
    EXPECT_EQ(size(CCheckBoxDefinition(SKIN_RADIO_BUTTON)), definitionPart + 7 * 192 + 50 + 4);
    EXPECT_EQ(size(CPushButtonDefinition()), definitionPart + 6 * 120 + 50 + 8);
    EXPECT_EQ(size(CUpDownDefinition()), definitionPart + 4 * 144);
    EXPECT_EQ(size(CSliceNode()), nodePart + 72 + 32 + 1 + 8);
    EXPECT_EQ(size(CFourValueNode()), nodePart + 16 + 72);
}

} // namespace
