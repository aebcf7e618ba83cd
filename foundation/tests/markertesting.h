#pragma once

// Diagnostics mode for tests: the developer switch file made or removed, and
// the kept answer forgotten so that the next query sees it.

#include <cstdio>
#include <string>

#include "foundation/fxsharedvalues.h"
#include "platform/paths.h"
#include "platform/testing/testsupport.h"

inline void SetDeveloperMarker(bool present) {
    const std::string path = GetDeveloperMarkerPath();
    if (present) {
        MakeFolderPath(path.substr(0, path.rfind('/')));
        testsupport::WriteFileBytes(path, "");
    } else {
        std::remove(path.c_str());
    }
    ForgetDeveloperMarker();
}
