// The device font under Windows: the outlines of the system's sans-serif
// TrueType font, as GDI gives them.
#include "flash/text/Font.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace glint::flash {

namespace {

double Fixed(FIXED f) { return f.value + f.fract / 65536.0; }

class GdiFont final : public DeviceFont {
public:
    static constexpr size_t kMaxCached = 8192;

    ~GdiFont() override
    {
        if (dc_ && old_)
            SelectObject(dc_, old_);
        if (font_)
            DeleteObject(font_);
        if (dc_)
            DeleteDC(dc_);
    }

    bool Open()
    {
        dc_ = CreateCompatibleDC(nullptr);
        if (!dc_)
            return false;
        // An em of 1024 pixels gives the outlines in the units the player wants.
        font_ = CreateFontW(-int(kUnitsPerEm), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS,
                            L"Arial");
        if (!font_)
            return false;
        old_ = SelectObject(dc_, font_);
        TEXTMETRICW tm{};
        if (!GetTextMetricsW(dc_, &tm))
            return false;
        ascent_ = tm.tmAscent;
        descent_ = tm.tmDescent;
        return true;
    }

    const Glyph* Find(uint32_t code) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = glyphs_.find(code);
        if (it != glyphs_.end())
            return it->second.get();
        if (glyphs_.size() >= kMaxCached || code > 0xFFFF)
            return nullptr; // UTF-16 pairs are not drawn; a text of many characters shows the first ones
        return (glyphs_[code] = Load(code)).get();
    }

    int32_t Ascent() const override { return ascent_; }
    int32_t Descent() const override { return descent_; }

private:
    std::unique_ptr<Glyph> Load(uint32_t code)
    {
        const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        GLYPHMETRICS gm{};
        const UINT format = GGO_NATIVE | GGO_UNHINTED;
        DWORD size = GetGlyphOutlineW(dc_, code, format, &gm, 0, nullptr, &identity);
        if (size == GDI_ERROR)
            return nullptr;
        std::vector<uint8_t> buffer(size);
        if (size > 0 && GetGlyphOutlineW(dc_, code, format, &gm, size, buffer.data(), &identity) == GDI_ERROR)
            return nullptr;
        GlyphPath path(1);
        const uint8_t* p = buffer.data();
        const uint8_t* const end = p + buffer.size();
        while (end - p >= ptrdiff_t(sizeof(TTPOLYGONHEADER))) {
            const auto* header = reinterpret_cast<const TTPOLYGONHEADER*>(p);
            if (header->cb < sizeof(TTPOLYGONHEADER) || header->cb > size_t(end - p))
                break;
            const uint8_t* contourEnd = p + header->cb;
            double x = Fixed(header->pfxStart.x), y = Fixed(header->pfxStart.y);
            path.MoveTo(x, y);
            const uint8_t* q = p + sizeof(TTPOLYGONHEADER);
            while (contourEnd - q >= ptrdiff_t(sizeof(TTPOLYCURVE))) {
                const auto* curve = reinterpret_cast<const TTPOLYCURVE*>(q);
                const size_t bytes = sizeof(TTPOLYCURVE) + (curve->cpfx > 0 ? curve->cpfx - 1u : 0u) * sizeof(POINTFX);
                if (bytes > size_t(contourEnd - q))
                    break;
                const POINTFX* pts = curve->apfx;
                const int n = curve->cpfx;
                if (curve->wType == TT_PRIM_LINE) {
                    for (int i = 0; i < n; ++i)
                        path.LineTo(Fixed(pts[i].x), Fixed(pts[i].y));
                } else if (curve->wType == TT_PRIM_QSPLINE) {
                    // Between two control points lies an implied on-curve point half way.
                    for (int i = 0; i + 1 < n; ++i) {
                        double cx = Fixed(pts[i].x), cy = Fixed(pts[i].y);
                        double ex = Fixed(pts[i + 1].x), ey = Fixed(pts[i + 1].y);
                        if (i + 2 < n) {
                            ex = (cx + ex) / 2;
                            ey = (cy + ey) / 2;
                        }
                        path.QuadTo(cx, cy, ex, ey);
                    }
                } else if (curve->wType == TT_PRIM_CSPLINE) {
                    for (int i = 0; i + 2 < n; i += 3)
                        path.CubicTo(Fixed(pts[i].x), Fixed(pts[i].y), Fixed(pts[i + 1].x), Fixed(pts[i + 1].y),
                                     Fixed(pts[i + 2].x), Fixed(pts[i + 2].y));
                }
                q += bytes;
            }
            path.Close();
            p = contourEnd;
        }
        auto glyph = std::make_unique<Glyph>(std::move(path.Result()));
        glyph->advance = gm.gmCellIncX;
        return glyph;
    }

    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int32_t ascent_ = 0, descent_ = 0;
    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<Glyph>> glyphs_;
};

} // namespace

DeviceFont* DeviceFont::System()
{
    static std::unique_ptr<GdiFont> font = [] {
        auto f = std::make_unique<GdiFont>();
        return f->Open() ? std::move(f) : nullptr;
    }();
    return font.get();
}

} // namespace glint::flash
