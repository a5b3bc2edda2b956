#pragma once
// JPEG pictures (baseline, progressive, arithmetic-coded) through libjpeg:
// scaling, greyscale output, colour quantisation, CMYK to 24 bits. The
// resolution comes from the Exif record when there is one, else from the
// JFIF density. No encoder.
#include "image/DibImage.h"

#include <cstdint>

namespace glint {

// The fields of an Exif record that a viewer of photos shows; the decoder
// itself uses only the resolution.
struct ExifRecord {
    float xResolution, yResolution;
    float resolutionUnit;                 // inches per unit, 0 when unknown
    float focalPlaneXResolution, focalPlaneYResolution;
    float focalPlaneUnit;                 // inches per unit, 0 when unknown
    int32_t orientation;                  // 1..8 as the camera wrote it, 0 when absent
    char cameraMake[32];
    char cameraModel[40];
    char dateTime[20];                    // "YYYY:MM:DD HH:MM:SS"
    float exposureTime;                   // seconds
    float apertureFNumber;
    float focalLength;                    // millimetres
    int32_t isoEquivalent;
    int32_t flashUsed;                    // -1 when absent
    // From the start-of-frame and comment sections.
    int32_t width, height;
    bool isColor;
    char comment[256];
};

// Walks the sections of a JPEG file up to the start of scan and reads the
// Exif record from the APP1 section. Its messages stay in Error(): a broken
// Exif record never fails a decode.
class ExifReader {
public:
    explicit ExifReader(ExifRecord* record) : record_(record) {}
    // False when the file is not a JPEG, its sections are damaged, or it has
    // no Exif record.
    bool Scan(ImageStream* stream, bool exifOnly = true);
    // Parses one APP1 section (starting with "Exif"); public for tests.
    bool ParseExif(const uint8_t* data, uint32_t length);
    const char* Error() const { return error_; }

private:
    bool Fail(const char* message);
    bool ProcessDirectory(const uint8_t* dir, const uint8_t* start, uint32_t length, int depth);

    ExifRecord* record_;
    bool motorola_ = false;
    bool sawExif_ = false;
    char error_[128] = {};
};

class CDibImageJPG : public CDibImage {
public:
    explicit CDibImageJPG(uint32_t format = FORMAT_JPG);

    // Option bits of CodecOption(FORMAT_JPG).
    static constexpr uint32_t kGrayscale = 0x80;
    static constexpr uint32_t kQuantize = 0x100;  // colours = quality
    static constexpr uint32_t kDither = 0x200;    // dither mode = Dither()
    static constexpr uint32_t kOnePass = 0x400;
    static constexpr uint32_t kNoFancyUpsampling = 0x800;

    // escape = -1 asks only for the size (after scaling), which lands in the
    // header's width and height.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_JPG);

    const ExifRecord& Exif() const { return exif_; }
    int Dither() const { return dither_; }
    void SetDither(int mode) { dither_ = mode; }

private:
    ExifRecord exif_;
    int dither_ = 0; // the library's J_DITHER_MODE values
};

} // namespace glint
