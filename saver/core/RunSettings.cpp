#include "saver/core/RunSettings.h"

#include "base/Text.h"

namespace glint {

void ApplyContents(const datafile::Contents& c, const std::string& workFolder, char separator, RunSettings& s)
{
    auto inWork = [&](const std::string& name) { return workFolder + separator + name; };
    s.workFolder = workFolder;
    s.moviePath = inWork(c.PlayedMovieName());
    s.scaleToFit = c.scaleToFit != 0;
    s.exitOnMouse = int(c.exitOnMouse);
    s.exitOnKey = int(c.exitOnKey);
    s.previewKind = c.previewKind;
    s.previewPath = c.previewKind == 1 ? inWork(c.previewName) : std::string();
    s.pictureKind = c.pictureKind;
    s.picturePath = c.pictureKind == 1 ? inWork(c.pictureName) : std::string();
    s.allowExitOptions = int(c.allowExitOptions);
    s.allowMute = int(c.allowMute);
    s.showSiteButton = int(c.showSiteButton);
    s.siteCaption = c.siteCaption;
    s.siteAddress = c.siteAddress;
}

bool IsWebAddress(const std::string& address)
{
    const std::string scheme = ToLowerAscii(address.substr(0, address.find(':') + 1));
    return scheme == "http:" || scheme == "https:";
}

bool SiteButtonShown(const RunSettings& s) { return s.showSiteButton && IsWebAddress(s.siteAddress); }

void ApplyStoredExitRules(int storedExitMouse, int storedExitKey, RunSettings& s)
{
    if (storedExitMouse != kNotStored)
        s.exitOnMouse = storedExitMouse;
    if (storedExitKey != kNotStored)
        s.exitOnKey = storedExitKey;
}

} // namespace glint
