#pragma once
// GIF pictures (87a and 89a): global and local colour tables, interlacing,
// the graphic control extension (transparency, disposal, delay), several
// frames composed on the logical screen, comments and the loop count. No
// encoder.
#include "image/DibImage.h"

#include <memory>
#include <vector>

namespace glint {

class CodecReader;

class CDibImageGIF : public CDibImage {
public:
    explicit CDibImageGIF(uint32_t format = FORMAT_GIF) : CDibImage(format) {}

    // Delivers info.frame (composed with the frames before it) and sets
    // frameCount, frameDelay and transIndex. escape = -1 asks only for the
    // screen size, which lands in the header's width and height.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_GIF);

    const char* Comment() const { return comment_; }
    int32_t Loops() const { return loops_; }
    uint32_t Disposal() const { return disposal_; }

    // Outcomes of the LZW decoder besides success (0).
    static constexpr int kLzwNoMemory = -10;
    static constexpr int kLzwBadCodeSize = -20;

private:
    struct ControlBlock {
        uint8_t flags = 0;
        uint16_t delay = 0;
        uint8_t transIndex = 0;
    };
    struct Screen {
        uint16_t width = 0, height = 0;
        uint8_t background = 0;
        bool hasGlobal = false;
        uint32_t globalCount = 0;
        RgbTriple global[256] = {};
    };
    struct Descriptor {
        uint16_t left = 0, top = 0, width = 0, height = 0;
        uint8_t flags = 0;
    };
    // What the delivering pass carries from one image to the next.
    struct Composition {
        int32_t delivered = 0;   // images laid so far
        bool trueColor = false;  // frames without a global table on a larger screen
        std::unique_ptr<CDibImage> screen24;
        int background = 0;      // index that fills the screen and disposal 2 restores
        uint32_t previousDisposal = 0;
        RgbTriple lastTable[256] = {};
    };

    enum class Walk { Count, Deliver };
    // Reads blocks until the trailer, the end of the data or, when
    // delivering, the wanted frame. False on escape or a broken extension.
    bool WalkBlocks(CodecReader& in, const Screen& screen, Walk walk, int32_t& images, Composition* composition);
    bool ReadExtension(CodecReader& in);
    bool DeliverImage(CodecReader& in, const Screen& screen, const Descriptor& d, Composition& c);
    void LayOnCanvas(CDibImage& canvas, const CDibImage& picture, const Descriptor& d,
                     const std::vector<uint8_t>& rowsDone) const;
    // Decodes one image's LZW data into picture, top row first; marks the
    // rows it filled. Leaves the reader just behind the image's data.
    int DecodeLzw(CodecReader& in, CDibImage& picture, bool interlaced, std::vector<uint8_t>& rowsDone);

    std::vector<uint64_t> dataBytes_; // LZW data bytes of each counted image
    ControlBlock control_;
    char comment_[256] = {};
    int32_t loops_ = 0;
    uint32_t disposal_ = 0;
    // LZW tables: codes are at most 12 bits.
    uint16_t prefix_[4096] = {};
    uint8_t suffix_[4096] = {};
    uint8_t stack_[4097] = {};
};

} // namespace glint
