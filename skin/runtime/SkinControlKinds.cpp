#include "skin/runtime/SkinControlKinds.h"

namespace glint {

void InstallSkinControlKinds(CSkinRegistry& registry)
{
    RegisterButtonSkins(registry);
    RegisterScrollableSkins(registry);
    RegisterCommonControlSkins(registry);
}

} // namespace glint
