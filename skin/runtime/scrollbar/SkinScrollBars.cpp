#include "skin/runtime/scrollbar/SkinScrollBars.h"

namespace glint {

// UNFINISHED: nothing is redirected yet.
int InstallScrollBarRedirection() { return 0; }
int RemoveScrollBarRedirection() { return 0; }

} // namespace glint
