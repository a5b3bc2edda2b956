#pragma once
// The user's three stored choices, under the application's registry key,
// section "Settings". An exit rule of -1 (or none) means "not stored".
#include "saver/core/RunSettings.h"

namespace glint {

// The stored value of "Exit Mouse" / "Exit KeyPress", or kNotStored.
int StoredExitMouse();
int StoredExitKey();
int StoredSoundMute();

void ReadStoredExitRules(RunSettings& settings);
void ReadSoundMute(RunSettings& settings);
void WriteStoredSettings(int soundMute, int exitMouse, int exitKey);

} // namespace glint
