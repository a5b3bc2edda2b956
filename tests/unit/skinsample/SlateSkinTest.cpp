// The skins the build compiles. Both read to their last byte, save back to
// the same bytes and name only pictures they have, inside them. The Slate
// skin is the example for skin authors, so it must also hold a definition of
// every kind and cut its rounded corners with the transparent colour.
#include "skin/file/SkinArchive.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"

#include "base/File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace glint;

namespace {

bool LoadSkin(const char* path, std::string& bytes, CSkinStore& store)
{
    if (!ReadWholeFile(path, bytes))
        return false;
    CSkinStream container(bytes.data(), uint32_t(bytes.size()), SKIN_STREAM_GROW_STEP);
    return store.Load(container);
}

// Every image slice and grid of an object, its children and embedded records,
// with the path of the field that holds it. (A writer into a scratch stream,
// so that only the fields of interest need handling.)
struct ScratchStream {
    CSkinStream scratch;
};
class SliceCollector : private ScratchStream, public CSkinStreamWriter {
public:
    struct Found {
        std::string where;
        std::string image;
        RECT source;
        RECT margins; // zero for a slice
    };
    std::vector<Found> found;

    SliceCollector() : CSkinStreamWriter(scratch) {}
    void Walk(CSkinNode& node, const std::string& where)
    {
        path_ = where;
        node.Serialize(*this);
    }

    void BeginGroup(const char* key) override { groups_.push_back(key ? key : "?"); }
    void EndGroup() override { groups_.pop_back(); }
    void Slice(const char* key, SkinImageRef& s) override
    {
        Add(key, s.image, RECT(s.source), RECT{0, 0, 0, 0});
    }
    void Grid(const char* key, SkinGridRef& g) override
    {
        Add(key, g.image, RECT(g.source), RECT(g.margins));
    }
    void Children(CSkinNode& owner) override
    {
        const std::string parent = path_;
        const std::vector<std::string> groups = groups_;
        for (auto& [name, child] : owner.children) {
            path_ = parent + "/" + name;
            groups_.clear();
            child->Serialize(*this);
        }
        path_ = parent;
        groups_ = groups;
    }

private:
    void Add(const char* key, const char (&image)[51], RECT source, RECT margins)
    {
        std::string where = path_;
        for (const std::string& g : groups_)
            where += "." + g;
        where += std::string(".") + (key ? key : "?");
        found.push_back({where, std::string(image, strnlen(image, sizeof image)), source, margins});
    }
    std::string path_;
    std::vector<std::string> groups_;
};

// The pixel at column x, row y counted from the top (the image's rows run bottom-up).
COLORREF Pixel(const CDibImage& image, int x, int y)
{
    const RGBQUAD q = image.PixelColor(x, image.Height() - 1 - y, false);
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

int ColourDistance(COLORREF a, COLORREF b)
{
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) + std::abs(int(GetGValue(a)) - int(GetGValue(b))) +
           std::abs(int(GetBValue(a)) - int(GetBValue(b)));
}

class Skin : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(LoadSkin(GetParam(), bytes_, store_)) << GetParam() << ": " << store_.LastError(); }
    std::string bytes_;
    CSkinStore store_;
};
class SlateSkin : public Skin {};

INSTANTIATE_TEST_SUITE_P(Built, Skin, ::testing::Values(GLINT_DEFAULT_SKIN, GLINT_SLATE_SKIN));
INSTANTIATE_TEST_SUITE_P(Slate, SlateSkin, ::testing::Values(GLINT_SLATE_SKIN));

TEST_P(Skin, ReadsToItsLastByteAndSavesBackToTheSameFile)
{
    EXPECT_EQ(store_.ConsumedSize(), store_.FileSize());
    CSkinStream expanded;
    ASSERT_TRUE(ExpandContainer(reinterpret_cast<const uint8_t*>(bytes_.data()), uint32_t(bytes_.size()), expanded));
    CSkinStream saved;
    ASSERT_TRUE(store_.Save(saved));
    ASSERT_EQ(saved.Size(), expanded.Size());
    EXPECT_EQ(std::memcmp(saved.Data(), expanded.Data(), saved.Size()), 0);
}

TEST_P(SlateSkin, HoldsEveryKindOfDefinition)
{
    std::set<uint32_t> kinds;
    for (auto& [name, node] : store_.Definitions())
        kinds.insert(node->TypeCode());
    const std::set<uint32_t> every = {1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                      23, 24, 25, 26, 27, 28, 29, 30, 36, 37, 38, 39, 40, 100};
    EXPECT_EQ(kinds, every);
    EXPECT_EQ(store_.Images().size(), 2u);
    EXPECT_EQ(store_.Objects().size(), 1u);
}

TEST_P(Skin, EverySliceNamesOneOfItsPicturesAndLiesInsideIt)
{
    SliceCollector collector;
    for (auto& [name, node] : store_.Definitions())
        collector.Walk(*node, name);
    int used = 0;
    for (const SliceCollector::Found& f : collector.found) {
        const RECT& r = f.source;
        if (f.image.empty()) {
            EXPECT_TRUE(r.right <= r.left || r.bottom <= r.top) << f.where << ": a rectangle without a picture";
            continue;
        }
        ++used;
        const CDibImage* image = store_.FindImage(f.image);
        ASSERT_NE(image, nullptr) << f.where << " names '" << f.image << "'";
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= image->Width() &&
                    r.bottom <= image->Height())
            << f.where << ": [" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "] in "
            << image->Width() << " x " << image->Height();
        const RECT& m = f.margins;
        EXPECT_TRUE(m.left >= 0 && m.top >= 0 && m.right >= 0 && m.bottom >= 0 &&
                    m.left + m.right <= r.right - r.left && m.top + m.bottom <= r.bottom - r.top)
            << f.where << ": margins wider than the picture";
    }
    EXPECT_GT(used, 90) << "the walk missed fields";
}

TEST_P(SlateSkin, LookupsFindTheDefinitionsTheRuntimeAsksFor)
{
    EXPECT_EQ(store_.FindByType(SKIN_FRAME), store_.FindByName("Dialog"));
    EXPECT_EQ(store_.FindByType(SKIN_STATIC), store_.FindByName("Static")) << "the link style must sort after it";
    EXPECT_EQ(store_.FindByType(SKIN_CONTROL_BAR), store_.FindByName("Toolbar"));
    EXPECT_EQ(store_.FindByName("AnimateCtrl32")->TypeCode(), uint32_t(SKIN_ANIMATION));
    auto* info = dynamic_cast<CSkinInfo*>(store_.FindByType(SKIN_INFO));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->useTransparentColour, 1);
    EXPECT_EQ(info->keyColour, COLORREF(0xFF00FF));
    auto* custom = store_.FindByName("Accent");
    ASSERT_NE(custom, nullptr);
    CSkinProperty* accent = custom->GetProperty("accentcolor");
    ASSERT_NE(accent, nullptr);
    ASSERT_EQ(accent->size, 4u);
    EXPECT_EQ(accent->data[0], 0x19);
}

TEST_P(SlateSkin, DialogFrameCarriesEveryCaptionButtonKindAndAnImageElement)
{
    auto* dialog = dynamic_cast<CFrameDefinition*>(store_.FindByName("Dialog"));
    ASSERT_NE(dialog, nullptr);
    std::set<uint32_t> kinds;
    int elements = 0;
    for (auto& [name, child] : dialog->children) {
        if (auto* button = dynamic_cast<CCaptionButton*>(child.get()))
            kinds.insert(button->kind);
        else if (dynamic_cast<CImageElement*>(child.get()))
            ++elements;
    }
    EXPECT_EQ(kinds, (std::set<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(elements, 1);

    // The parts tile the reference frame without gaps, and each active and
    // inactive slice has the size of its part.
    const auto& p = dialog->partRects;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const RECT& r = p[size_t(row * 3 + column)];
            // The part on its right begins where it ends, and the part below it.
            EXPECT_TRUE(column == 2 || r.right == p[size_t(row * 3 + column + 1)].left) << row << "," << column;
            EXPECT_TRUE(row == 2 || r.bottom == p[size_t(row * 3 + column + 3)].top) << row << "," << column;
        }
    EXPECT_EQ(p[FRAME_TOP_RIGHT].right, p[FRAME_BOTTOM_RIGHT].right);
    for (int part = 0; part < 18; ++part) {
        const RECT& r = p[size_t(part % FRAME_PART_COUNT)];
        EXPECT_EQ(dialog->slices[size_t(part)].Width(), r.right - r.left) << part;
        EXPECT_EQ(dialog->slices[size_t(part)].Height(), r.bottom - r.top) << part;
    }
}

TEST_P(SlateSkin, FrameCornersAreCutWithTheTransparentColour)
{
    auto* dialog = dynamic_cast<CFrameDefinition*>(store_.FindByName("Dialog"));
    ASSERT_NE(dialog, nullptr);
    for (int inactive = 0; inactive < 2; ++inactive) {
        const int base = inactive * FRAME_PART_COUNT;
        struct Corner {
            int part;
            bool right, bottom;
        };
        for (const Corner c : {Corner{FRAME_TOP_LEFT, false, false}, Corner{FRAME_TOP_RIGHT, true, false},
                               Corner{FRAME_BOTTOM_LEFT, false, true}, Corner{FRAME_BOTTOM_RIGHT, true, true}}) {
            const CDibImage* section = dialog->cache[size_t(base + c.part)].section.get();
            ASSERT_NE(section, nullptr) << c.part;
            const int x = c.right ? section->Width() - 1 : 0;
            const int y = c.bottom ? section->Height() - 1 : 0;
            EXPECT_EQ(Pixel(*section, x, y), RGB(255, 0, 255)) << "corner of part " << base + c.part;
            // Three pixels in along the diagonal the frame itself begins.
            const int inX = c.right ? x - 3 : x + 3, inY = c.bottom ? y - 3 : y + 3;
            EXPECT_NE(Pixel(*section, inX, inY), RGB(255, 0, 255)) << "inside part " << base + c.part;
        }
        // Straight edges are not cut: the caption band runs to the border.
        const CDibImage* top = dialog->cache[size_t(base + FRAME_TOP)].section.get();
        ASSERT_NE(top, nullptr);
        for (int y = 0; y < top->Height(); ++y)
            EXPECT_NE(Pixel(*top, 0, y), RGB(255, 0, 255)) << "row " << y;
    }
}

TEST_P(SlateSkin, LooksUnlikeTheDefaultSkin)
{
    std::string defaultBytes;
    CSkinStore defaults;
    ASSERT_TRUE(LoadSkin(GLINT_DEFAULT_SKIN, defaultBytes, defaults));
    auto* slate = dynamic_cast<CFrameDefinition*>(store_.FindByName("Dialog"));
    auto* plain = dynamic_cast<CFrameDefinition*>(defaults.FindByName("Dialog"));
    ASSERT_TRUE(slate && plain);
    for (int part : {int(FRAME_TOP), int(FRAME_CLIENT)}) {
        const CDibImage& a = *slate->cache[size_t(part)].section;
        const CDibImage& b = *plain->cache[size_t(part)].section;
        const COLORREF ca = Pixel(a, a.Width() / 2, a.Height() / 2), cb = Pixel(b, b.Width() / 2, b.Height() / 2);
        EXPECT_GT(ColourDistance(ca, cb), part == FRAME_TOP ? 300 : 30) << "part " << part;
    }
}

} // namespace
