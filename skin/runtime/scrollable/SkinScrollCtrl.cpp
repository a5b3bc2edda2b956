#include "skin/runtime/SkinControlKinds.h"
#include "skin/runtime/SkinRegistry.h"

namespace glint {

// UNFINISHED: no kinds of this family yet.
void RegisterScrollableSkins(CSkinRegistry&) {}

} // namespace glint
