#pragma once
// Bounds-checked reading of the SWF primitive types. A read past the end
// yields zeros and sets a sticky error flag, so callers can parse a record
// straight through and check once.
#include "flash/SwfTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace glint::flash {

class SwfReader {
public:
    SwfReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Failed() const { return failed_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
    // Bits still unread, counting the partial byte in hand.
    uint64_t RemainingBits() const { return uint64_t(Remaining()) * 8 + bitCount_; }
    bool AtEnd() const { return Remaining() == 0 && bitCount_ == 0; }
    const uint8_t* Current() const { return data_ + pos_; }

    void Align() { bitCount_ = 0; }
    void Skip(size_t n);

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int16_t S16() { return int16_t(U16()); }
    // Null-terminated text; stops at the end of the data when the terminator is missing.
    std::string String();

    uint32_t UB(unsigned bits);
    int32_t SB(unsigned bits);
    // 16.16 fixed point with the given bit count.
    double FB(unsigned bits) { return SB(bits) / 65536.0; }

    Rgba Rgb();
    Rgba RgbaColor();
    TwipsRect Rect();
    Matrix MatrixRecord();
    ColorTransform CxForm(bool withAlpha);

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    bool failed_ = false;
};

} // namespace glint::flash
