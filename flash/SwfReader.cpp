#include "flash/SwfReader.h"

namespace glint::flash {

void SwfReader::Skip(size_t n)
{
    Align();
    if (n > Remaining()) {
        failed_ = true;
        pos_ = size_;
        return;
    }
    pos_ += n;
}

uint8_t SwfReader::U8()
{
    Align();
    if (pos_ >= size_) {
        failed_ = true;
        return 0;
    }
    return data_[pos_++];
}

uint16_t SwfReader::U16()
{
    uint16_t lo = U8();
    uint16_t hi = U8();
    return uint16_t(lo | (hi << 8));
}

uint32_t SwfReader::U32()
{
    uint32_t lo = U16();
    uint32_t hi = U16();
    return lo | (hi << 16);
}

std::string SwfReader::String()
{
    Align();
    std::string s;
    while (pos_ < size_) {
        char c = char(data_[pos_++]);
        if (c == 0)
            return s;
        s.push_back(c);
    }
    failed_ = true;
    return s;
}

uint32_t SwfReader::UB(unsigned bits)
{
    if (bits > 32) {
        failed_ = true;
        bits = 32;
    }
    uint32_t v = 0;
    while (bits > 0) {
        if (bitCount_ == 0) {
            if (pos_ >= size_) {
                failed_ = true;
                return 0;
            }
            bitBuffer_ = data_[pos_++];
            bitCount_ = 8;
        }
        unsigned take = bits < bitCount_ ? bits : bitCount_;
        uint32_t part = (bitBuffer_ >> (bitCount_ - take)) & ((1u << take) - 1);
        v = take == 32 ? part : (v << take) | part;
        bitCount_ -= take;
        bits -= take;
    }
    return v;
}

int32_t SwfReader::SB(unsigned bits)
{
    if (bits == 0)
        return 0;
    uint32_t v = UB(bits);
    if (bits < 32 && (v & (1u << (bits - 1))))
        v |= ~((1u << bits) - 1);
    return int32_t(v);
}

Rgba SwfReader::Rgb()
{
    Rgba c;
    c.r = U8();
    c.g = U8();
    c.b = U8();
    c.a = 255;
    return c;
}

Rgba SwfReader::RgbaColor()
{
    Rgba c;
    c.r = U8();
    c.g = U8();
    c.b = U8();
    c.a = U8();
    return c;
}

TwipsRect SwfReader::Rect()
{
    Align();
    unsigned n = UB(5);
    TwipsRect r;
    r.xMin = SB(n);
    r.xMax = SB(n);
    r.yMin = SB(n);
    r.yMax = SB(n);
    Align();
    return r;
}

Matrix SwfReader::MatrixRecord()
{
    Align();
    Matrix m;
    if (UB(1)) {
        unsigned n = UB(5);
        m.a = FB(n);
        m.d = FB(n);
    }
    if (UB(1)) {
        unsigned n = UB(5);
        m.b = FB(n); // RotateSkew0
        m.c = FB(n); // RotateSkew1
    }
    unsigned n = UB(5);
    m.tx = SB(n);
    m.ty = SB(n);
    Align();
    return m;
}

ColorTransform SwfReader::CxForm(bool withAlpha)
{
    Align();
    ColorTransform t;
    bool hasAdd = UB(1) != 0;
    bool hasMul = UB(1) != 0;
    unsigned n = UB(4);
    if (hasMul) {
        t.mulR = SB(n);
        t.mulG = SB(n);
        t.mulB = SB(n);
        if (withAlpha)
            t.mulA = SB(n);
    }
    if (hasAdd) {
        t.addR = SB(n);
        t.addG = SB(n);
        t.addB = SB(n);
        if (withAlpha)
            t.addA = SB(n);
    }
    Align();
    return t;
}

} // namespace glint::flash
