// The device font natively: a sans-serif TrueType font of the system read by FreeType.
#include "flash/text/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <map>
#include <memory>
#include <mutex>

namespace glint::flash {

namespace {

// Where Debian and most other systems keep a sans-serif font; the first that opens is used.
const char* const kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
};

class FreeTypeFont final : public DeviceFont {
public:
    static constexpr size_t kMaxCached = 8192;

    ~FreeTypeFont() override
    {
        if (face_)
            FT_Done_Face(face_);
        if (library_)
            FT_Done_FreeType(library_);
    }

    bool Open()
    {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return false;
        }
        for (const char* file : kFontFiles)
            if (FT_New_Face(library_, file, 0, &face_) == 0) {
                if (face_->units_per_EM > 0 && FT_IS_SCALABLE(face_)) {
                    scale_ = kUnitsPerEm / face_->units_per_EM;
                    return true;
                }
                FT_Done_Face(face_);
                face_ = nullptr;
            }
        face_ = nullptr;
        return false;
    }

    const Glyph* Find(uint32_t code) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = glyphs_.find(code);
        if (it != glyphs_.end())
            return it->second.get();
        if (glyphs_.size() >= kMaxCached)
            return nullptr; // a text of many thousand different characters shows the first ones
        std::unique_ptr<Glyph> glyph;
        FT_UInt index = FT_Get_Char_Index(face_, code);
        if (index != 0 && FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0 &&
            face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            GlyphPath path(scale_);
            FT_Outline_Funcs funcs{};
            funcs.move_to = [](const FT_Vector* to, void* user) {
                static_cast<GlyphPath*>(user)->MoveTo(double(to->x), double(to->y));
                return 0;
            };
            funcs.line_to = [](const FT_Vector* to, void* user) {
                static_cast<GlyphPath*>(user)->LineTo(double(to->x), double(to->y));
                return 0;
            };
            funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) {
                static_cast<GlyphPath*>(user)->QuadTo(double(c->x), double(c->y), double(to->x), double(to->y));
                return 0;
            };
            funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
                static_cast<GlyphPath*>(user)->CubicTo(double(c1->x), double(c1->y), double(c2->x), double(c2->y),
                                                       double(to->x), double(to->y));
                return 0;
            };
            if (FT_Outline_Decompose(&face_->glyph->outline, &funcs, &path) == 0) {
                path.Close();
                glyph = std::make_unique<Glyph>(std::move(path.Result()));
                glyph->advance = int32_t(face_->glyph->advance.x * scale_ + 0.5);
            }
        }
        // Missing glyphs are remembered too, so that they are looked up once.
        return (glyphs_[code] = std::move(glyph)).get();
    }

    int32_t Ascent() const override { return int32_t(face_->ascender * scale_ + 0.5); }
    int32_t Descent() const override { return int32_t(-face_->descender * scale_ + 0.5); }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    double scale_ = 1;
    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<Glyph>> glyphs_;
};

} // namespace

DeviceFont* DeviceFont::System()
{
    static std::unique_ptr<FreeTypeFont> font = [] {
        auto f = std::make_unique<FreeTypeFont>();
        return f->Open() ? std::move(f) : nullptr;
    }();
    return font.get();
}

} // namespace glint::flash
