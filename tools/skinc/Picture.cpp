// Pictures for skin sources: BMP through the image library, PNG through
// libpng (the image library has no PNG decoder yet; only this tool needs one).
#include "SourceForm.h"

#include "base/File.h"
#include "image/DibImage.h"

#include <png.h>

#include <cstring>

namespace skinc {

namespace {

bool DecodePng(const std::string& bytes, glint::CDibImage& image, std::string& error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        error = png.message;
        return false;
    }
    // Skins key transparency by colour, not alpha: alpha is composited onto black.
    png.format = PNG_FORMAT_BGR;
    if (png.width > 30000 || png.height > 30000 ||
        !image.Create(int32_t(png.width), int32_t(png.height), 24, glint::FORMAT_BMP)) {
        png_image_free(&png);
        error = "picture too large";
        return false;
    }
    // A negative stride: the rows of a DIB run from the bottom up.
    if (!png_image_finish_read(&png, nullptr, image.Bits(), -png_int_32(image.EffWidth()), nullptr)) {
        error = png.message;
        image.Destroy();
        return false;
    }
    return true;
}

} // namespace

bool LoadPicture(const std::string& path, glint::CDibImage& image, std::string& error)
{
    std::string bytes;
    if (!glint::ReadWholeFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    static const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.compare(0, 8, kPngSignature, 8) == 0) {
        std::string why;
        if (DecodePng(bytes, image, why))
            return true;
        error = path + ": not a readable PNG picture (" + why + ")";
        return false;
    }
    if (image.DecodeBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), glint::FORMAT_BMP))
        return true;
    error = path + ": not a BMP or PNG picture (" + image.LastError() + ")";
    return false;
}

} // namespace skinc
