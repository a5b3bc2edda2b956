// Natively sounds are decoded and counted only: there is no device.
#include "flash/sound/SoundOutput.h"

namespace glint::flash::sound {

std::unique_ptr<SoundOutput> OpenSoundOutput() { return nullptr; }

} // namespace glint::flash::sound
