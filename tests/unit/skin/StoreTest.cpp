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

CSkinStream Container(const std::vector<uint8_t>& file)
{
    std::vector<uint8_t> container;
    EXPECT_TRUE(CompressContainer(file.data(), uint32_t(file.size()), container));
    return CSkinStream(container.data(), uint32_t(container.size()), SKIN_STREAM_GROW_STEP);
}

std::vector<uint8_t> Saved(CSkinStore& store)
{
    CSkinStream out;
    EXPECT_TRUE(store.Save(out));
    return std::vector<uint8_t>(out.Data(), out.Data() + out.Size());
}

// A small skin: definitions out of key order, a frame with nested children, an image.
std::vector<uint8_t> SampleFile()
{
    CSkinStore store;
    auto main = Named(std::make_unique<CFrameDefinition>(), "Main");
    auto close = Named(std::make_unique<CCaptionButton>(), "Close");
    auto element = Named(std::make_unique<CImageElement>(), "Deep");
    element->AddChild(Named(std::make_unique<CCaptionButton>(), "Grandchild"));
    main->AddChild(std::move(close));
    main->AddChild(std::move(element));
    store.AddDefinition(std::move(main));
    store.AddDefinition(Named(std::make_unique<CFrameDefinition>(), "Alpha"));
    store.AddDefinition(Named(std::make_unique<CToolbarDefinition>(), "Tools"));
    store.AddDefinition(Named(std::make_unique<CSkinDefinition>(SKIN_CONTROL_BAR), "Bar"));
    store.AddDefinition(Named(std::make_unique<CSkinInfo>(), "Application"));
    store.AddImage(Image("pic.bmp", 4, 3, RGB(10, 20, 30)));
    store.AddObject(Named(std::make_unique<CSkinNode>(SKIN_OBJECT), "Plain"));
    return Saved(store);
}

TEST(SkinStore, LoadsWhatWasSavedAndConsumesItExactly)
{
    const std::vector<uint8_t> file = SampleFile();
    CSkinStream container = Container(file);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    EXPECT_EQ(store.LastError(), 0u);
    EXPECT_EQ(store.Definitions().size(), 5u);
    EXPECT_EQ(store.Images().size(), 1u);
    EXPECT_EQ(store.Objects().size(), 1u);
    EXPECT_EQ(store.FileSize(), file.size());
    EXPECT_EQ(store.ConsumedSize(), file.size());
    EXPECT_EQ(Saved(store), file) << "a loaded skin saves to the same bytes";
}

TEST(SkinStore, FindByNameSearchesDefinitionsThenChildrenThenImagesThenObjects)
{
    CSkinStream container = Container(SampleFile());
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    ASSERT_NE(store.FindByName("Main"), nullptr);
    EXPECT_EQ(store.FindByName("Main")->TypeCode(), SKIN_FRAME);
    CSkinNode* close = store.FindByName("Close");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->TypeCode(), SKIN_CAPTION_BUTTON);
    CSkinNode* grandchild = store.FindByName("Grandchild");
    ASSERT_NE(grandchild, nullptr);
    EXPECT_EQ(grandchild, store.FindByName("Deep")->children.at("Grandchild").get());
    ASSERT_NE(store.FindByName("pic.bmp"), nullptr);
    EXPECT_EQ(store.FindByName("pic.bmp")->TypeCode(), SKIN_IMAGE);
    ASSERT_NE(store.FindByName("Plain"), nullptr);
    EXPECT_EQ(store.FindByName("Plain")->TypeCode(), SKIN_OBJECT);
    EXPECT_EQ(store.FindByName("close"), nullptr) << "names are case-sensitive";
    EXPECT_EQ(store.FindByName("Nothing"), nullptr);
}

TEST(SkinStore, ADefinitionNameWinsOverAChildOfTheSameName)
{
    CSkinStore store;
    auto frame = Named(std::make_unique<CFrameDefinition>(), "A");
    frame->AddChild(Named(std::make_unique<CCaptionButton>(), "Twin"));
    store.AddDefinition(std::move(frame));
    store.AddDefinition(Named(std::make_unique<CEditDefinition>(SKIN_EDIT), "Twin"));
    ASSERT_NE(store.FindByName("Twin"), nullptr);
    EXPECT_EQ(store.FindByName("Twin")->TypeCode(), SKIN_EDIT);
}

TEST(SkinStore, FindByTypeWalksKeyOrderAndAnswers24As23)
{
    CSkinStream container = Container(SampleFile());
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    ASSERT_NE(store.FindByType(SKIN_FRAME), nullptr);
    EXPECT_EQ(store.FindByType(SKIN_FRAME)->Name(), "Alpha"); // "Alpha" < "Main", whatever the file order
    ASSERT_NE(store.FindByType(SKIN_CONTROL_BAR), nullptr);
    EXPECT_EQ(store.FindByType(SKIN_CONTROL_BAR)->Name(), "Tools");
    EXPECT_EQ(store.FindByType(SKIN_CAPTION_BUTTON), nullptr) << "children are not searched";
    EXPECT_EQ(store.FindByType(SKIN_EDIT), nullptr);
}

TEST(SkinStore, FindImageReturnsTheDecodedPicture)
{
    CSkinStream container = Container(SampleFile());
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    CDibImage* image = store.FindImage("pic.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 4);
    EXPECT_EQ(image->Height(), 3);
    const RGBQUAD p = image->PixelColor(1, 1, false);
    EXPECT_EQ(RGB(p.rgbRed, p.rgbGreen, p.rgbBlue), RGB(10, 20, 30));
    EXPECT_EQ(store.FindImage("Main"), nullptr);
}

TEST(SkinStore, TheThreeLoadErrors)
{
    CSkinStore store;
    CSkinStream garbage(reinterpret_cast<const uint8_t*>("not a container"), 15, 10);
    EXPECT_FALSE(store.Load(garbage));
    EXPECT_EQ(store.LastError(), SKIN_ERROR_CONTAINER);

    std::vector<uint8_t> shortFile = Header(1, 11, 0).bytes;
    shortFile.resize(187);
    CSkinStream shortContainer = Container(shortFile);
    EXPECT_FALSE(store.Load(shortContainer));
    EXPECT_EQ(store.LastError(), SKIN_ERROR_HEADER);

    for (uint8_t major : {0, 2}) {
        CSkinStream wrongMajor = Container(Header(major, 11, 0).U32(0).U32(0).bytes);
        EXPECT_FALSE(store.Load(wrongMajor));
        EXPECT_EQ(store.LastError(), SKIN_ERROR_MAGIC) << int(major);
    }
    std::vector<uint8_t> badMagic = Header(1, 11, 0).U32(0).U32(0).bytes;
    badMagic[18] = 'e';
    CSkinStream badMagicContainer = Container(badMagic);
    EXPECT_FALSE(store.Load(badMagicContainer));
    EXPECT_EQ(store.LastError(), SKIN_ERROR_MAGIC);
    EXPECT_TRUE(store.Definitions().empty());
}

TEST(SkinStore, LastErrorSurvivesALaterSuccessfulLoad)
{
    CSkinStore store;
    CSkinStream garbage(reinterpret_cast<const uint8_t*>("xxxx"), 4, 10);
    EXPECT_FALSE(store.Load(garbage));
    CSkinStream good = Container(SampleFile());
    EXPECT_TRUE(store.Load(good));
    EXPECT_EQ(store.LastError(), SKIN_ERROR_CONTAINER);
}

TEST(SkinStore, FailedLoadLeavesTheStoreEmpty)
{
    CSkinStore store;
    CSkinStream good = Container(SampleFile());
    ASSERT_TRUE(store.Load(good));
    CSkinStream bad = Container(Header(2, 11, 0).bytes);
    EXPECT_FALSE(store.Load(bad));
    EXPECT_TRUE(store.Definitions().empty());
    EXPECT_TRUE(store.Images().empty());
    EXPECT_EQ(store.FindByName("Main"), nullptr);
}

TEST(SkinStore, VersionFollowsTheHeaderUntilUnload)
{
    SkinBytes file = Header(1, 12, 0);
    file.U32(0).U32(0);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container)) << "a newer minor version is accepted";
    EXPECT_EQ(CurrentSkinFileVersion().minor, 12);
    store.Unload();
    EXPECT_EQ(CurrentSkinFileVersion().major, 1);
    EXPECT_EQ(CurrentSkinFileVersion().minor, 11);
}

TEST(SkinStore, MinorTwelveIsReadWithTheLayoutsOfEleven)
{
    CSkinStore source;
    auto edit = Named(std::make_unique<CEditDefinition>(SKIN_EDIT), "Edit");
    edit->keyColour = 0xEBEBEB;
    edit->controlId = 7;
    source.AddDefinition(std::move(edit));
    std::vector<uint8_t> file = Saved(source);
    file[21] = 12;
    CSkinStream container = Container(file);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    auto* loaded = dynamic_cast<CEditDefinition*>(store.FindByName("Edit"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->keyColour, 0xEBEBEBu);
    EXPECT_EQ(loaded->controlId, 7);
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
}

TEST(SkinStore, CaptionButtonCodeAtTopLevelLosesSynchronisation)
{
    // Code 3 creates nothing: the next u32 (the first bytes of its name) is read as a code.
    SkinBytes file = Header(1, 11, 2);
    file.U32(SKIN_CAPTION_BUTTON).Node("Oops", 11);
    file.U32(0).U32(0);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    EXPECT_TRUE(store.Definitions().empty());
    EXPECT_EQ(store.FindByName("Oops"), nullptr);
}

TEST(SkinStore, UnknownCodesAreSkippedOneWordAtATime)
{
    SkinBytes edit;
    edit.Node("E", 11).Definition(11, DefaultSkinFont("Arial")).Fill(sizeof(SkinImageRef));
    SkinBytes file = Header(1, 11, 3);
    file.U32(0).U32(101).U32(SKIN_EDIT).Append(edit).U32(0).U32(0);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    EXPECT_NE(store.FindByName("E"), nullptr);
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
}

TEST(SkinStore, LaterRecordOfTheSameNameTakesTheEntryOver)
{
    SkinBytes first, second;
    first.Node("Same", 11, 0x010101).Definition(11, DefaultSkinFont("Arial")).Fill(sizeof(SkinImageRef));
    second.Node("Same", 11, 0x020202).Definition(11, DefaultSkinFont("Arial")).Fill(sizeof(SkinImageRef));
    SkinBytes file = Header(1, 11, 2);
    file.U32(SKIN_EDIT).Append(first).U32(SKIN_RICH_EDIT).Append(second).U32(0).U32(0);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    ASSERT_EQ(store.Definitions().size(), 1u);
    EXPECT_EQ(store.FindByName("Same")->TypeCode(), SKIN_RICH_EDIT);
    EXPECT_EQ(store.FindByName("Same")->backColour, 0x020202u);
}

TEST(SkinStore, TruncationAfterTheHeaderLeavesDefaults)
{
    SkinBytes file = Header(1, 11, 1);
    file.U32(SKIN_EDIT).Text("Cut", 51).U32(0x123456); // the record stops after its back colour
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
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
    SkinBytes file = Header(1, 11, 0xFFFFFFFF);
    file.U32(SKIN_FRAME).Text("F", 51).U32(0).U32(0).U32(0).Text("", 51).U32(0).Rect(0, 0, 1, 1).U32(0);
    file.U32(0x7FFFFFFF); // child count
    file.U32(SKIN_CUSTOM).Node("C", 11).Definition(11, DefaultSkinFont("Arial")).Fill(51).U32(0xFFFFFFF0);
    file.U32(SKIN_PROP_STRING).Text("P", 31).Text("", 51).U32(0x7FFFFFF0); // property data size
    const auto start = std::chrono::steady_clock::now();
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
    auto* frame = store.FindByName("F");
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->children.count("C"), 1u);
    auto* custom = dynamic_cast<CCustomDefinition*>(frame->children.at("C").get());
    ASSERT_NE(custom, nullptr);
    ASSERT_EQ(custom->list.size(), 1u);
    EXPECT_EQ(custom->list[0]->size, 0u) << "a data block longer than the file is not allocated";
}

TEST(SkinStore, HostileImageSizeIsNotAllocated)
{
    SkinBytes file = Header(1, 11, 0);
    file.U32(1).U32(SKIN_IMAGE).Node("big.bmp", 11).U32(0xFFFFFF00).U32(FORMAT_BMP).Fill(16, 'B');
    file.U32(0);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
    ASSERT_NE(store.FindImage("big.bmp"), nullptr);
    EXPECT_FALSE(store.FindImage("big.bmp")->IsValid());
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
}

TEST(SkinStore, NestingDeeperThanTheLimitEndsTheFile)
{
    // Each level: an image element (code 38) whose only child is the next level.
    const int levels = 200;
    SkinBytes file = Header(1, 11, 1);
    file.U32(SKIN_FRAME).Text("Root", 51).U32(0).U32(0).U32(0).Text("", 51).U32(0).Rect(0, 0, 1, 1).U32(0);
    for (int i = 0; i < levels; ++i)
        file.U32(1).U32(SKIN_IMAGE_ELEMENT).Text(std::string("L").append(std::to_string(i)), 51).U32(0).U32(0).U32(0).Text("", 51).U32(0)
            .Rect(0, 0, 1, 1).U32(0);
    file.U32(0);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
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
    SkinBytes file = Header(1, 11, 1);
    file.U32(SKIN_FRAME).Text("F", 51).U32(0).U32(0).U32(0).Text("", 51).U32(0).Rect(0, 0, 1, 1).U32(0);
    file.U32(2);
    SkinBytes button;
    button.Fill(sizeof(SkinImageRef)).U32(4).U32(5000).U32(0).Text("", 51).Fill(3 * sizeof(SkinImageRef)).U32(1).U32(0);
    file.U32(SKIN_CAPTION_BUTTON).Node("B", 11).Append(button);
    file.U32(SKIN_CAPTION_BUTTON).Node("B", 11).Append(button);
    CSkinStream container = Container(file.bytes);
    CSkinStore store;
    ASSERT_TRUE(store.Load(container));
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
