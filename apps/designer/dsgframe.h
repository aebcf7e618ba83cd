#pragma once

// The design library's main frame, as the program holds it: the library's
// own when the build has it, else the program's interim frame.

#if __has_include("design/frames/dsgmainframe.h")
#include "design/frames/dsgmainframe.h"
#define DRAVIK_LIBRARY_FRAME 1
#else
#include "apps/designer/interim/dsgmainframe.h"
#define DRAVIK_LIBRARY_FRAME 0
#endif
