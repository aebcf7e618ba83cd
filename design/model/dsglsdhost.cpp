#include "design/model/dsglsdhost.h"

#include <QImage>

namespace {
CDsgLSDHost* g_pDsgLSDHost = nullptr;
}

CDsgLSDHost::CDsgLSDHost() { g_pDsgLSDHost = this; }

CDsgLSDHost::~CDsgLSDHost() {
    if (g_pDsgLSDHost == this) g_pDsgLSDHost = nullptr;
}

QImage CDsgLSDHost::TSPDrawFormThumbnail(CDsgEActions&) { return QImage(); }

BOOL CDsgLSDHost::TSPUpdateAllThumbnailsFrom(const std::vector<QImage>&) {
    return TSPUpdateAllThumbnails();
}

CDsgLSDHost* GetDsgLSDHost() { return g_pDsgLSDHost; }
