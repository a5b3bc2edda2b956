#pragma once
// The image object and the information block of a skin.
#include "image/DibImage.h"
#include "skin/file/SkinNode.h"

namespace glint {

// Type 18: one decoded picture, stored in the file encoded in its format.
class CSkinImage : public CSkinNode {
public:
    CSkinImage();
    ~CSkinImage() override;

    void Serialize(CSkinArchive& archive) override;

    CDibImage image;
    uint32_t format = FORMAT_BMP;       // how Write encodes it
    SkinBitmapHandle bitmap = nullptr;  // made by the runtime on demand, deleted with the object
};

// Type 25: who made the skin, and whether frames leave out the key colour.
class CSkinInfo : public CSkinNode {
public:
    CSkinInfo();

    void Serialize(CSkinArchive& archive) override;

    char author[51] = {};
    char description[51] = {};
    char application[51] = {};
    char email[51] = {};
    char homePage[51] = {};
    int32_t useTransparentColour = 0;
};

} // namespace glint
