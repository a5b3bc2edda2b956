// Per-user profile integers in the real registry: what is not an integer of
// ours reads as the default. That the saver's choices are stored as DWORDs and
// read back (-1 too) is checked end to end (test_settings.py, test_startup.py).
#include "framework/App.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

using glint::fw::CWinApp;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        profile_ = "profile-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        app_.SetRegistryKey("Glintbox Tests", profile_);
    }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Glintbox Tests\\" + profile_).c_str()); }

    std::string SectionKey() const { return "Software\\Glintbox Tests\\" + profile_ + "\\Settings"; }

    CWinApp app_{"profiletest"};
    std::string profile_;
};

} // namespace

TEST_F(ProfileTest, ValueOfAnotherTypeReadsAsTheDefault)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SectionKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "SoundMute", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
    EXPECT_EQ(app_.GetProfileInt("Settings", "SoundMute", 0), 0);
}

TEST(Profile, WithoutRegistryKeyNothingIsWritten)
{
    CWinApp app("nokey");
    EXPECT_FALSE(app.WriteProfileInt("Settings", "SoundMute", 1));
    EXPECT_EQ(app.GetProfileInt("Settings", "SoundMute", 3), 3);
}
