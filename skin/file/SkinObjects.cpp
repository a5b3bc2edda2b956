#include "skin/file/SkinObjects.h"

#include "skin/file/SkinArchive.h"
#include "skin/file/SkinTypes.h"

#include <cstring>

namespace glint {

CSkinImage::CSkinImage() : CSkinNode(SKIN_IMAGE) {}

CSkinImage::~CSkinImage() { DeleteSkinBitmap(bitmap); }

void CSkinImage::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.Picture(*this);
}

CSkinInfo::CSkinInfo() : CSkinNode(SKIN_INFO)
{
    std::strcpy(author, "Glazework Builder");
    std::strcpy(description, "Glazework Skin File");
    std::strcpy(email, "glazework@glintbox.example");
    std::strcpy(homePage, "http://glintbox.example/glazework");
    AddProperty(SKIN_PROP_STRING, "AUTHOR", {}, author, sizeof author);
    AddProperty(SKIN_PROP_STRING, "DESCRIPTION", {}, description, sizeof description);
    AddProperty(SKIN_PROP_STRING, "APPLICATION", {}, application, sizeof application);
    AddProperty(SKIN_PROP_STRING, "EMAIL", {}, email, sizeof email);
    AddProperty(SKIN_PROP_STRING, "HOMEPAGE", {}, homePage, sizeof homePage);
    AddProperty(SKIN_PROP_BOOL, "USETRANSPARENTCOLOR", {}, &useTransparentColour, sizeof useTransparentColour);
}

void CSkinInfo::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.Text("author", author, sizeof author);
    ar.Text("description", description, sizeof description);
    ar.Text("application", application, sizeof application);
    ar.Bool("useTransparentColour", useTransparentColour);
    if (ar.Version().SinceNonZero(4)) {
        ar.Text("email", email, sizeof email);
        ar.Text("homePage", homePage, sizeof homePage);
    }
}

} // namespace glint
