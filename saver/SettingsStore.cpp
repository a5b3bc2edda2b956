#include "saver/SettingsStore.h"

#include "framework/App.h"

namespace glint {

namespace {
const char kSection[] = "Settings";
const char kSoundMute[] = "SoundMute";
const char kExitMouse[] = "Exit Mouse";
const char kExitKey[] = "Exit KeyPress";
} // namespace

int StoredExitMouse() { return fw::GetApp()->GetProfileInt(kSection, kExitMouse, kNotStored); }
int StoredExitKey() { return fw::GetApp()->GetProfileInt(kSection, kExitKey, kNotStored); }
int StoredSoundMute() { return fw::GetApp()->GetProfileInt(kSection, kSoundMute, 0); }

void ReadStoredExitRules(RunSettings& settings) { ApplyStoredExitRules(StoredExitMouse(), StoredExitKey(), settings); }

void ReadSoundMute(RunSettings& settings) { settings.soundMute = StoredSoundMute(); }

void WriteStoredSettings(int soundMute, int exitMouse, int exitKey)
{
    // Failed writes are not reported: the defaults stay in force.
    fw::CWinApp* app = fw::GetApp();
    app->WriteProfileInt(kSection, kSoundMute, soundMute);
    app->WriteProfileInt(kSection, kExitMouse, exitMouse);
    app->WriteProfileInt(kSection, kExitKey, exitKey);
}

} // namespace glint
