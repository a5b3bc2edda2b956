// The one application object of Glintbox.scr; the framework's WinMain runs it.
#include "saver/SaverApp.h"

static glint::CSaverApp theSaverApp;
