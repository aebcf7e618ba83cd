#pragma once

// The image library's resampling as the design frames use it: a form's
// bitmap scaled to a tab thumbnail with the generalised cubic filter, edges
// repeated. The image library registers it; until it does, nothing is scaled
// and the tabs show their plain fill.

#include <QImage>
#include <functional>

#include "design/frames/veldrane_export.h"

// Scales `source` to width x height into `result`; false when it cannot.
using DsgImageScaler =
    std::function<bool(const QImage& source, int width, int height, QImage& result)>;

VELDRANE_API void SetDsgImageScaler(DsgImageScaler scaler);
VELDRANE_API const DsgImageScaler& GetDsgImageScaler();
