#include "design/model/dsglsdhost.h"

namespace {
CDsgLSDHost* g_pDsgLSDHost = nullptr;
}

CDsgLSDHost::CDsgLSDHost() { g_pDsgLSDHost = this; }

CDsgLSDHost::~CDsgLSDHost() {
    if (g_pDsgLSDHost == this) g_pDsgLSDHost = nullptr;
}

CDsgLSDHost* GetDsgLSDHost() { return g_pDsgLSDHost; }
