#include "saver/core/RunSettings.h"

#include <gtest/gtest.h>

#include <utility>

using namespace glint;
using namespace glint::datafile;

TEST(RunSettings, PathsComeFromTheWorkFolder)
{
    Contents c;
    c.mainMovie = "main.swf";
    c.previewKind = 1;
    c.previewName = "prev.bmp";
    c.pictureKind = 0;
    c.pictureName = "ignored.bmp";
    c.exitOnMouse = 1;
    c.exitOnKey = 0;
    c.scaleToFit = 7;
    RunSettings s;
    ApplyContents(c, "C:\\x\\_swf_demo_work", '\\', s);
    EXPECT_EQ(s.moviePath, "C:\\x\\_swf_demo_work\\main.swf");
    EXPECT_EQ(s.previewPath, "C:\\x\\_swf_demo_work\\prev.bmp");
    EXPECT_EQ(s.picturePath, "");
    EXPECT_EQ(s.scaleToFit, 1);

    c.payloads.push_back({PayloadKind::Movie, "late.swf", 0, 0});
    ApplyContents(c, "w", '/', s);
    EXPECT_EQ(s.moviePath, "w/late.swf");
}

TEST(RunSettings, StoredExitRulesOverrideUnlessNotStored)
{
    // Stored mouse and key rules, and what the data file's 1 and 1 become;
    // any stored value but kNotStored is used unchanged.
    const int cases[][4] = {{kNotStored, kNotStored, 1, 1}, {kNotStored, 0, 1, 0}, {5, kNotStored, 5, 1}};
    for (const auto& c : cases) {
        RunSettings s;
        s.exitOnMouse = s.exitOnKey = 1;
        ApplyStoredExitRules(c[0], c[1], s);
        EXPECT_EQ(std::pair(s.exitOnMouse, s.exitOnKey), std::pair(c[2], c[3])) << c[0] << " " << c[1];
    }
}

TEST(RunSettings, SiteButtonOnlyForWebAddresses)
{
    for (const char* good : {"http://example.com/", "https://example.com/a?b", "HTTP://X", "HtTpS:x", "http:"})
        EXPECT_TRUE(glint::IsWebAddress(good)) << good;
    // What the shell would run or open: a program extracted into the work
    // folder, a UNC path, other schemes, a scheme not at the start.
    for (const char* bad : {"", "C:\\Program Files\\x\\_swf_demo_work\\run.exe", "\\\\server\\share\\x.exe",
                            "file:///c:/windows/notepad.exe", "ftp://example.com/", "javascript:alert(1)",
                            " http://example.com/", "run.exe", "httpx://example.com", "x:http://example.com",
                            "mailto:a@b"})
        EXPECT_FALSE(glint::IsWebAddress(bad)) << bad;

    glint::RunSettings s;
    s.showSiteButton = 1;
    s.siteAddress = "https://example.com/";
    EXPECT_TRUE(glint::SiteButtonShown(s));
    s.siteAddress = "calc.exe";
    EXPECT_FALSE(glint::SiteButtonShown(s));
    s.siteAddress = "http://example.com/";
    s.showSiteButton = 0;
    EXPECT_FALSE(glint::SiteButtonShown(s));
}
