// Loading, the load errors, the lookups and the bounds on hostile files.
#include "skin/file/SkinStore.h"

#include "SkinBytes.h"
#include "skin/file/SkinArchive.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinTypes.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace glint;
using glint::test::Header;
using glint::test::SkinBytes;

namespace {

template <class T>
std::unique_ptr<T> Named(std::unique_ptr<T> node, const char* name)
{
    node->SetName(name);
    return node;
}

std::unique_ptr<CSkinImage> Image(const char* name, int w, int h, COLORREF colour)
{
    auto image = std::make_unique<CSkinImage>();
    image->SetName(name);
    image->image.Create(w, h, 24, FORMAT_BMP);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->image.SetPixelColor(x, y, colour);
    return image;
}

// Loads a file, as it comes out of a container, into the store.
bool Load(CSkinStore& store, const std::vector<uint8_t>& file)
{
    std::vector<uint8_t> container;
    EXPECT_TRUE(CompressContainer(file.data(), uint32_t(file.size()), container));
    CSkinStream stream(container.data(), uint32_t(container.size()), SKIN_STREAM_GROW_STEP);
    return store.Load(stream);
}

std::vector<uint8_t> Saved(CSkinStore& store)
{
    CSkinStream out;
    EXPECT_TRUE(store.Save(out));
    return std::vector<uint8_t>(out.Data(), out.Data() + out.Size());
}

// A small skin: definitions out of key order, a frame with nested children (one
// named as a definition), an image.
std::vector<uint8_t> SampleFile()
{
    CSkinStore store;
    auto main = Named(std::make_unique<CFrameDefinition>(), "Main");
    auto element = Named(std::make_unique<CImageElement>(), "Deep");
    element->AddChild(Named(std::make_unique<CCaptionButton>(), "Grandchild"));
    main->AddChild(Named(std::make_unique<CCaptionButton>(), "Close"));
    main->AddChild(Named(std::make_unique<CCaptionButton>(), "Twin"));
    main->AddChild(std::move(element));
    store.AddDefinition(std::move(main));
    store.AddDefinition(Named(std::make_unique<CFrameDefinition>(), "Alpha"));
    store.AddDefinition(Named(std::make_unique<CToolbarDefinition>(), "Tools"));
    store.AddDefinition(Named(std::make_unique<CSkinDefinition>(SKIN_CONTROL_BAR), "Bar"));
    store.AddDefinition(Named(std::make_unique<CSkinInfo>(), "Application"));
    store.AddDefinition(Named(std::make_unique<CEditDefinition>(SKIN_EDIT), "Twin"));
    store.AddImage(Image("pic.bmp", 4, 3, RGB(10, 20, 30)));
    store.AddObject(Named(std::make_unique<CSkinNode>(SKIN_OBJECT), "Plain"));
    return Saved(store);
}

// (That a skin saves back to the bytes it was read from, to its last byte, is
// checked on the skins the build compiles, which hold every kind of record.)
TEST(SkinStore, FindByNameSearchesDefinitionsThenChildrenThenImagesThenObjects)
{
    CSkinStore store;
    ASSERT_TRUE(Load(store, SampleFile()));
    const struct {
        const char* name;
        uint32_t type;
    } cases[] = {{"Main", SKIN_FRAME}, {"Close", SKIN_CAPTION_BUTTON}, {"Grandchild", SKIN_CAPTION_BUTTON},
                 {"pic.bmp", SKIN_IMAGE}, {"Plain", SKIN_OBJECT},
                 {"Twin", SKIN_EDIT}}; // a definition's name wins over a child's
    for (const auto& c : cases) {
        ASSERT_NE(store.FindByName(c.name), nullptr) << c.name;
        EXPECT_EQ(store.FindByName(c.name)->TypeCode(), c.type) << c.name;
    }
    EXPECT_EQ(store.FindByName("Grandchild"), store.FindByName("Deep")->children.at("Grandchild").get());
    EXPECT_EQ(store.FindByName("close"), nullptr) << "names are case-sensitive";
    EXPECT_EQ(store.FindByName("Nothing"), nullptr);

    CDibImage* image = store.FindImage("pic.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 4);
    EXPECT_EQ(image->Height(), 3);
    const RGBQUAD p = image->PixelColor(1, 1, false);
    EXPECT_EQ(RGB(p.rgbRed, p.rgbGreen, p.rgbBlue), RGB(10, 20, 30));
    EXPECT_EQ(store.FindImage("Main"), nullptr);

    // FindByType walks the definitions in key order and answers 24 as 23.
    EXPECT_EQ(store.FindByType(SKIN_FRAME)->Name(), "Alpha"); // "Alpha" < "Main", whatever the file order
    EXPECT_EQ(store.FindByType(SKIN_CONTROL_BAR)->Name(), "Tools");
    EXPECT_EQ(store.FindByType(SKIN_CAPTION_BUTTON), nullptr) << "children are not searched";
    EXPECT_EQ(store.FindByType(SKIN_LIST_BOX), nullptr);
}

TEST(SkinStore, TheThreeLoadErrorsEmptyTheStoreAndOutliveALaterLoad)
{
    CSkinStore store;
    ASSERT_TRUE(Load(store, SampleFile()));
    std::vector<uint8_t> shortFile = Header(1, 11, 0).bytes;
    shortFile.resize(187);
    std::vector<uint8_t> badMagic = Header(1, 11, 0).U32(0).U32(0).bytes;
    badMagic[18] = 'e';
    const struct {
        std::vector<uint8_t> file;
        uint32_t error;
    } cases[] = {{shortFile, SKIN_ERROR_HEADER},
                 {Header(0, 11, 0).U32(0).U32(0).bytes, SKIN_ERROR_MAGIC},
                 {Header(2, 11, 0).U32(0).U32(0).bytes, SKIN_ERROR_MAGIC},
                 {badMagic, SKIN_ERROR_MAGIC}};
    for (const auto& c : cases) {
        EXPECT_FALSE(Load(store, c.file));
        EXPECT_EQ(store.LastError(), c.error);
        EXPECT_TRUE(store.Definitions().empty());
        EXPECT_TRUE(store.Images().empty());
        EXPECT_EQ(store.FindByName("Main"), nullptr);
        ASSERT_TRUE(Load(store, SampleFile()));
    }
    CSkinStream garbage(reinterpret_cast<const uint8_t*>("not a container"), 15, 10);
    EXPECT_FALSE(store.Load(garbage));
    EXPECT_EQ(store.LastError(), SKIN_ERROR_CONTAINER);
    EXPECT_TRUE(Load(store, SampleFile()));
    EXPECT_EQ(store.LastError(), SKIN_ERROR_CONTAINER) << "a later success keeps the last error";
}

TEST(SkinStore, MinorTwelveIsAcceptedAndReadWithTheLayoutsOfEleven)
{
    CSkinStore source;
    auto edit = Named(std::make_unique<CEditDefinition>(SKIN_EDIT), "Edit");
    edit->keyColour = 0xEBEBEB;
    edit->controlId = 7;
    source.AddDefinition(std::move(edit));
    std::vector<uint8_t> file = Saved(source);
    file[21] = 12;
    CSkinStore store;
    ASSERT_TRUE(Load(store, file));
    EXPECT_EQ(CurrentSkinFileVersion().minor, 12);
    auto* loaded = dynamic_cast<CEditDefinition*>(store.FindByName("Edit"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->keyColour, 0xEBEBEBu);
    EXPECT_EQ(loaded->controlId, 7);
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
    store.Unload();
    EXPECT_EQ(CurrentSkinFileVersion().major, 1);
    EXPECT_EQ(CurrentSkinFileVersion().minor, 11);
}

SkinBytes EditRecord(const char* name, uint32_t back = 0x111111)
{
    SkinBytes edit;
    edit.Node(name, 11, back).Definition(11, DefaultSkinFont("Arial")).Fill(sizeof(SkinImageRef));
    return edit;
}

TEST(SkinStore, TopLevelCodesThatMakeNothing)
{
    // Code 3 creates nothing: the next u32 (the first bytes of its name) is read as a code.
    const SkinBytes lost = Header(1, 11, 2).U32(SKIN_CAPTION_BUTTON).Node("Oops", 11).U32(0).U32(0);
    CSkinStore store;
    ASSERT_TRUE(Load(store, lost.bytes));
    EXPECT_TRUE(store.Definitions().empty());
    EXPECT_EQ(store.FindByName("Oops"), nullptr);

    // Unknown codes are skipped one word at a time.
    const SkinBytes skipped = Header(1, 11, 3).U32(0).U32(101).U32(SKIN_EDIT).Append(EditRecord("E")).U32(0).U32(0);
    ASSERT_TRUE(Load(store, skipped.bytes));
    EXPECT_NE(store.FindByName("E"), nullptr);
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
}

TEST(SkinStore, LaterRecordOfTheSameNameTakesTheEntryOver)
{
    SkinBytes file = Header(1, 11, 2).U32(SKIN_EDIT).Append(EditRecord("Same", 0x010101));
    file.U32(SKIN_RICH_EDIT).Append(EditRecord("Same", 0x020202)).U32(0).U32(0);
    CSkinStore store;
    ASSERT_TRUE(Load(store, file.bytes));
    ASSERT_EQ(store.Definitions().size(), 1u);
    EXPECT_EQ(store.FindByName("Same")->TypeCode(), SKIN_RICH_EDIT);
    EXPECT_EQ(store.FindByName("Same")->backColour, 0x020202u);
}

TEST(SkinStore, TruncationAfterTheHeaderLeavesDefaults)
{
    // The record stops after its back colour.
    const SkinBytes file = Header(1, 11, 1).U32(SKIN_EDIT).Text("Cut", 51).U32(0x123456);
    CSkinStore store;
    ASSERT_TRUE(Load(store, file.bytes));
    auto* edit = dynamic_cast<CEditDefinition*>(store.FindByName("Cut"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->backColour, 0x123456u);
    EXPECT_EQ(edit->keyColour, CEditDefinition(SKIN_EDIT).keyColour);
    EXPECT_EQ(edit->font.logFont.lfHeight, -12);
    EXPECT_TRUE(store.Images().empty());
}

TEST(SkinStore, HostileCountsCostNoMoreThanTheFileHolds)
{
    // Every count says four billion; the file holds a few bytes.
    SkinBytes file = Header(1, 11, 0xFFFFFFFF).Parent(SKIN_FRAME, "F", 0x7FFFFFFF);
    file.U32(SKIN_CUSTOM).Node("C", 11).Definition(11, DefaultSkinFont("Arial")).Fill(51).U32(0xFFFFFFF0);
    file.U32(SKIN_PROP_STRING).Text("P", 31).Text("", 51).U32(0x7FFFFFF0); // property data size
    const auto start = std::chrono::steady_clock::now();
    CSkinStore store;
    ASSERT_TRUE(Load(store, file.bytes));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
    auto* frame = store.FindByName("F");
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->children.count("C"), 1u);
    auto* custom = dynamic_cast<CCustomDefinition*>(frame->children.at("C").get());
    ASSERT_NE(custom, nullptr);
    ASSERT_EQ(custom->list.size(), 1u);
    EXPECT_EQ(custom->list[0]->size, 0u) << "a data block longer than the file is not allocated";

    SkinBytes image = Header(1, 11, 0).U32(1).U32(SKIN_IMAGE).Node("big.bmp", 11).U32(0xFFFFFF00).U32(FORMAT_BMP);
    image.Fill(16, 'B').U32(0);
    ASSERT_TRUE(Load(store, image.bytes));
    ASSERT_NE(store.FindImage("big.bmp"), nullptr);
    EXPECT_FALSE(store.FindImage("big.bmp")->IsValid()) << "an image larger than the file is not allocated";
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
}

TEST(SkinStore, NestingDeeperThanTheLimitEndsTheFile)
{
    // Each level: an image element whose only child is the next level.
    SkinBytes file = Header(1, 11, 1).Parent(SKIN_FRAME, "Root", 1);
    for (int i = 0; i < 200; ++i)
        file.Parent(SKIN_IMAGE_ELEMENT, std::string("L").append(std::to_string(i)), i < 199 ? 1 : 0);
    CSkinStore store;
    ASSERT_TRUE(Load(store, file.bytes));
    int depth = 0;
    for (CSkinNode* node = store.FindByName("Root"); node && !node->children.empty();
         node = node->children.begin()->second.get())
        ++depth;
    EXPECT_EQ(depth, SKIN_MAX_DEPTH);
    EXPECT_EQ(store.FindByName(std::string("L").append(std::to_string(SKIN_MAX_DEPTH))), nullptr);
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
}

TEST(SkinStore, ChildWithATakenNameIsDiscarded)
{
    SkinBytes file = Header(1, 11, 1).Parent(SKIN_FRAME, "F", 2);
    SkinBytes button;
    button.Fill(sizeof(SkinImageRef)).U32(4).U32(5000).U32(0).Text("", 51).Fill(3 * sizeof(SkinImageRef)).U32(1).U32(0);
    for (int i = 0; i < 2; ++i)
        file.U32(SKIN_CAPTION_BUTTON).Node("B", 11).Append(button);
    CSkinStore store;
    ASSERT_TRUE(Load(store, file.bytes));
    ASSERT_NE(store.FindByName("F"), nullptr);
    EXPECT_EQ(store.FindByName("F")->children.size(), 1u);
}

TEST(SkinStore, FramePrepareCutsSlicesFromTheStoreImages)
{
    CSkinStore store;
    auto frame = Named(std::make_unique<CFrameDefinition>(), "F");
    frame->slices[FRAME_TOP] = test::Slice("pic.bmp", {1, 0, 3, 2}, 0);
    frame->slices[FRAME_CLIENT] = test::Slice("missing.bmp", {0, 0, 2, 2}, 0);
    frame->slices[9 + FRAME_LEFT] = test::Slice("pic.bmp", {2, 2, 2, 3}, 0); // empty rectangle
    CFrameDefinition* raw = frame.get();
    store.AddDefinition(std::move(frame));
    store.AddImage(Image("pic.bmp", 4, 3, RGB(1, 2, 3)));
    store.Prepare();
    ASSERT_NE(raw->cache[FRAME_TOP].section, nullptr);
    EXPECT_EQ(raw->cache[FRAME_TOP].width, 2);
    EXPECT_EQ(raw->cache[FRAME_TOP].height, 2);
    EXPECT_EQ(raw->cache[FRAME_CLIENT].section, nullptr);
    EXPECT_EQ(raw->cache[9 + FRAME_LEFT].section, nullptr);
    EXPECT_EQ(raw->cache[9 + FRAME_LEFT].width, 0);
    raw->Release();
    EXPECT_EQ(raw->cache[FRAME_TOP].section, nullptr);
    EXPECT_EQ(raw->cache[FRAME_TOP].width, 0);
}

} // namespace
