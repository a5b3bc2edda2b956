#pragma once
// Gives the registry's factory the object of every control kind. Each family
// of controls lives in its own folder and registers its kinds itself.
namespace glint {

class CSkinRegistry;

void InstallSkinControlKinds(CSkinRegistry& registry);

// One per folder: buttons/, scrollable/, controls/.
void RegisterButtonSkins(CSkinRegistry& registry);
void RegisterScrollableSkins(CSkinRegistry& registry);
void RegisterCommonControlSkins(CSkinRegistry& registry);

} // namespace glint
