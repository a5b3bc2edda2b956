// The default skin that Glintbox carries, as the build compiled it.
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"

#include "base/File.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace glint;

namespace {

class DefaultSkin : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ReadWholeFile(GLINT_DEFAULT_SKIN, bytes_)) << GLINT_DEFAULT_SKIN;
        CSkinStream container(bytes_.data(), uint32_t(bytes_.size()), SKIN_STREAM_GROW_STEP);
        ASSERT_TRUE(store_.Load(container)) << "last error " << store_.LastError();
    }

    template <class T>
    T* Definition(const char* name)
    {
        return dynamic_cast<T*>(store_.FindByName(name));
    }

    std::string bytes_;
    CSkinStore store_;
};

TEST_F(DefaultSkin, HoldsTenDefinitionsTwoImagesNoObjectsAndNothingMore)
{
    EXPECT_EQ(store_.Definitions().size(), 10u);
    EXPECT_EQ(store_.Images().size(), 2u);
    EXPECT_EQ(store_.Objects().size(), 0u);
    EXPECT_EQ(store_.ConsumedSize(), store_.FileSize());
    EXPECT_EQ(std::memcmp(store_.Header().data(), "GLAZEWORK_SKIN_FILE", 19), 0);
    EXPECT_EQ(store_.Header()[21], 11);
    const char* names[] = {"Application", "CheckBox", "Dialog",      "Edit",     "GroupBox",
                           "MainFrame",   "PopupMenu", "ProgressBar", "RichEdit", "Static"};
    auto it = store_.Definitions().begin();
    for (const char* name : names)
        EXPECT_EQ((it++)->first, name);
    EXPECT_NE(store_.FindImage("button.bmp"), nullptr);
    EXPECT_NE(store_.FindImage("windows.bmp"), nullptr);
}

TEST_F(DefaultSkin, ExpandsToTheFileItSavesTo)
{
    CSkinStream expanded;
    ASSERT_TRUE(ExpandContainer(reinterpret_cast<const uint8_t*>(bytes_.data()), uint32_t(bytes_.size()), expanded));
    EXPECT_EQ(std::memcmp(expanded.Data(), "GLAZEWORK_SKIN_FILE", 19), 0);
    CSkinStream saved;
    ASSERT_TRUE(store_.Save(saved));
    ASSERT_EQ(saved.Size(), expanded.Size());
    EXPECT_EQ(std::memcmp(saved.Data(), expanded.Data(), saved.Size()), 0);
}

TEST_F(DefaultSkin, CaptionButtonsAreFoundByName)
{
    CSkinNode* close = store_.FindByName("Close");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close, store_.FindByName("MainFrame")->children.at("Close").get());
    CSkinNode* dlgClose = store_.FindByName("DlgClose");
    ASSERT_NE(dlgClose, nullptr);
    EXPECT_EQ(dlgClose, store_.FindByName("Dialog")->children.at("DlgClose").get());
    EXPECT_EQ(static_cast<CCaptionButton*>(dlgClose)->kind, uint32_t(CAPTION_CLOSE));
    EXPECT_EQ(static_cast<CCaptionButton*>(store_.FindByName("DlgSyS"))->kind, uint32_t(CAPTION_CUSTOM));
}

TEST_F(DefaultSkin, FramesAndTheirButtons)
{
    auto* main = Definition<CFrameDefinition>("MainFrame");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->children.size(), 6u);
    EXPECT_EQ(main->skinClient, 1);
    EXPECT_STREQ(main->mdiClient.image, "windows.bmp");
    EXPECT_FALSE(main->mdiClient.IsEmpty());
    struct Expect {
        const char* name;
        uint32_t kind, visibility;
    };
    for (const Expect& e : {Expect{"Close", 1, 0}, Expect{"Max", 3, 4}, Expect{"MaxRestore", 3, 3},
                            Expect{"Min", 4, 2}, Expect{"MinRestore", 4, 1}, Expect{"Sys", 5, 0}}) {
        auto* button = dynamic_cast<CCaptionButton*>(main->children.at(e.name).get());
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_EQ(button->kind, e.kind) << e.name;
        EXPECT_EQ(button->visibility, e.visibility) << e.name;
        EXPECT_EQ(button->commandId, 5000u) << e.name;
    }
    auto* dialog = Definition<CFrameDefinition>("Dialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->children.size(), 2u);
    EXPECT_EQ(dialog->skinClient, 0);
    EXPECT_EQ(store_.FindByType(SKIN_FRAME), dialog) << "key order: Dialog before MainFrame";
}

TEST_F(DefaultSkin, FrameSlicesArePreparedFromWindowsBmp)
{
    auto* dialog = Definition<CFrameDefinition>("Dialog");
    ASSERT_NE(dialog, nullptr);
    for (int part = 0; part < 18; ++part) {
        const FrameSliceCache& entry = dialog->cache[size_t(part)];
        ASSERT_NE(entry.section, nullptr) << part;
        EXPECT_EQ(entry.width, dialog->slices[size_t(part)].Width()) << part;
        EXPECT_EQ(entry.height, dialog->slices[size_t(part)].Height()) << part;
    }
    // The rounded top-left corner is cut with the transparent colour, the caption is not.
    const CDibImage& corner = *dialog->cache[FRAME_TOP_LEFT].section;
    const RGBQUAD outside = corner.PixelColor(0, corner.Height() - 1, false);
    EXPECT_EQ(RGB(outside.rgbRed, outside.rgbGreen, outside.rgbBlue), RGB(255, 0, 255));
    const RGBQUAD inside = corner.PixelColor(corner.Width() - 1, corner.Height() / 2, false);
    EXPECT_NE(RGB(inside.rgbRed, inside.rgbGreen, inside.rgbBlue), RGB(255, 0, 255));
}

TEST_F(DefaultSkin, InformationBlockAndControls)
{
    auto* info = Definition<CSkinInfo>("Application");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->useTransparentColour, 1);
    EXPECT_EQ(info->keyColour, 0xFF00FFu);
    EXPECT_EQ(store_.FindByType(SKIN_INFO), info);

    auto* edit = Definition<CEditDefinition>("Edit");
    ASSERT_NE(edit, nullptr);
    CSkinProperty* disabled = edit->GetProperty("DISABLEDCOLOR");
    ASSERT_NE(disabled, nullptr);
    COLORREF colour;
    std::memcpy(&colour, disabled->data, 4);
    EXPECT_EQ(colour, 0xEBEBEBu);
    EXPECT_EQ(store_.FindByName("RichEdit")->TypeCode(), SKIN_RICH_EDIT);

    auto* progress = Definition<CProgressDefinition>("ProgressBar");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->progressImage.mode, 8);
    EXPECT_EQ(store_.FindByName("PopupMenu")->TypeCode(), SKIN_MENU);
    EXPECT_EQ(store_.FindByName("GroupBox")->TypeCode(), SKIN_GROUP_BOX);
    EXPECT_EQ(store_.FindByName("Static")->TypeCode(), SKIN_STATIC);
    auto* check = Definition<CCheckBoxDefinition>("CheckBox");
    ASSERT_NE(check, nullptr);
    for (const CheckBoxState& state : check->states)
        EXPECT_FALSE(state.box.IsEmpty());
}

} // namespace
