#include "saver/core/RunSettings.h"

#include <gtest/gtest.h>

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
    RunSettings s;
    s.exitOnMouse = 1;
    s.exitOnKey = 1;
    ApplyStoredExitRules(kNotStored, kNotStored, s);
    EXPECT_EQ(s.exitOnMouse, 1);
    EXPECT_EQ(s.exitOnKey, 1);
    ApplyStoredExitRules(kNotStored, 0, s);
    EXPECT_EQ(s.exitOnMouse, 1);
    EXPECT_EQ(s.exitOnKey, 0);
    // Any stored value other than -1 is used unchanged.
    ApplyStoredExitRules(5, kNotStored, s);
    EXPECT_EQ(s.exitOnMouse, 5);
}
