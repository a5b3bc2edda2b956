// CropTo and RotateBy: portable geometric operations on a CDibImage.
#include "image/DibImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace glint {

bool CDibImage::CropTo(int32_t left, int32_t top, int32_t right, int32_t bottom, CDibImage* destination)
{
    if (!dib_)
        return false;
    const int32_t w = Width(), h = Height();
    int32_t startX = std::clamp(left, 0, w), endX = std::clamp(right, 0, w);
    // top and bottom count from the top of the picture; rows from the bottom.
    int32_t startY = h - std::clamp(top, 0, h), endY = h - std::clamp(bottom, 0, h);
    if (startX == endX || startY == endY)
        return false;
    if (startX > endX)
        std::swap(startX, endX);
    if (startY > endY)
        std::swap(startY, endY);

    CDibImage cut(info_.type);
    if (!cut.Create(endX - startX, endY - startY, BitCount(), info_.type)) {
        SetLastError(cut.LastError());
        return false;
    }
    cut.SetPalette(Palette(), ColorsUsed() > 256 ? 256 : ColorsUsed());
    cut.info_.transIndex = info_.transIndex;
    cut.info_.transColor = info_.transColor;

    const uint32_t bpp = BitCount();
    for (int32_t y = startY; y < endY; ++y) {
        if (bpp >= 8) {
            const size_t bytesPerPixel = bpp / 8;
            std::memcpy(cut.RowPointer(y - startY), RowPointer(y) + size_t(startX) * bytesPerPixel,
                        size_t(endX - startX) * bytesPerPixel);
        } else {
            for (int32_t x = startX; x < endX; ++x)
                cut.SetPixelIndex(x - startX, y - startY, PixelIndex(x, y));
        }
        info_.progress = int32_t(int64_t(100) * y / endY);
    }
    if (alpha_) {
        if (!cut.AlphaCreate()) {
            SetLastError("CDibImage::Create can't allocate memory");
            return false;
        }
        const size_t cutW = size_t(endX - startX);
        for (int32_t y = startY; y < endY; ++y)
            std::memcpy(cut.alpha_ + size_t(y - startY) * cutW, alpha_ + size_t(y) * size_t(w) + size_t(startX), cutW);
    }
    return (destination ? destination : this)->TakeFrom(cut);
}

bool CDibImage::RotateBy(float angle, CDibImage* destination)
{
    if (!dib_)
        return false;
    const double halfPi = std::acos(0.0);
    const double theta = -double(angle) * halfPi / 90.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const int32_t w = Width(), h = Height();

    // The fourth corner is (w - 1, h), not (w, h): the new size follows that.
    const double cornerX[4] = {0, double(w), 0, double(w - 1)};
    const double cornerY[4] = {0, 0, double(h), double(h)};
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        double x = std::floor(cornerX[i] * c - cornerY[i] * s);
        double y = std::floor(cornerX[i] * s + cornerY[i] * c);
        if (i == 0 || x < minX) minX = x;
        if (i == 0 || x > maxX) maxX = x;
        if (i == 0 || y < minY) minY = y;
        if (i == 0 || y > maxY) maxY = y;
    }
    const int32_t newW = int32_t(maxX + 2 - minX), newH = int32_t(maxY + 2 - minY);

    CDibImage turned(info_.type);
    turned.CopyInfoFrom(*this);
    if (!turned.Create(newW, newH, BitCount(), info_.type)) {
        SetLastError(turned.LastError());
        return false;
    }
    turned.SetPalette(Palette(), 256);
    if (alpha_) {
        if (!turned.AlphaCreate()) {
            SetLastError("CDibImage::Create can't allocate memory");
            return false;
        }
        std::memset(turned.alpha_, 0, size_t(newW) * size_t(newH));
    }

    // What a point outside the picture reads as (Part of PixelIndex/PixelColor).
    const bool indexed = IsIndexed();
    const uint8_t outsideIndex = PixelIndex(-1, -1);
    const RGBQUAD outsideColor = PixelColor(-1, -1, true);
    const bool fast24 = !indexed && BitCount() == 24;

    // The products of each column with cos and sin, worked out once: the
    // same operations as per pixel, so the same pixels land in the same place.
    const int32_t firstX = int32_t(minX);
    std::vector<double> xCos(static_cast<size_t>(newW)), xSin(static_cast<size_t>(newW));
    for (int32_t u = 0; u < newW; ++u) {
        xCos[size_t(u)] = double(firstX + u) * c;
        xSin[size_t(u)] = double(firstX + u) * s;
    }
    const size_t stride = EffWidth();
    const uint8_t* const bits = info_.bits;

    int32_t v = 0;
    for (int32_t y = int32_t(minY); y <= int32_t(maxY) + 2; ++y, ++v) {
        info_.progress = int32_t(int64_t(100) * v / newH);
        if (info_.escape)
            break;
        if (v >= newH)
            break; // the loop's last row lands outside the new picture
        const double yCos = y * c, ySin = y * s;
        uint8_t* dstRow = turned.RowPointer(v);
        uint8_t* alphaRow = turned.alpha_ ? turned.alpha_ + size_t(v) * size_t(newW) : nullptr;
        // The loop's last column, like its last row, lands outside.
        for (int32_t u = 0; u < newW; ++u) {
            const int32_t sx = int32_t(xCos[size_t(u)] + ySin - 0.5);
            const int32_t sy = int32_t(yCos - xSin[size_t(u)] - 0.5);
            const bool inside = sx >= 0 && sy >= 0 && sx < w && sy < h;
            if (fast24) {
                uint8_t* d = dstRow + size_t(u) * 3;
                if (inside) {
                    const uint8_t* p = bits + size_t(sy) * stride + size_t(sx) * 3;
                    d[0] = p[0];
                    d[1] = p[1];
                    d[2] = p[2];
                } else {
                    d[0] = outsideColor.rgbBlue;
                    d[1] = outsideColor.rgbGreen;
                    d[2] = outsideColor.rgbRed;
                }
            } else if (indexed) {
                turned.SetPixelIndex(u, v, inside ? PixelIndex(sx, sy) : outsideIndex);
            } else {
                turned.SetPixelColor(u, v, inside ? PixelColor(sx, sy, true) : outsideColor, false);
            }
            if (alphaRow)
                alphaRow[u] = inside ? alpha_[size_t(sy) * size_t(w) + size_t(sx)] : 0;
        }
    }
    return (destination ? destination : this)->TakeFrom(turned);
}

} // namespace glint
