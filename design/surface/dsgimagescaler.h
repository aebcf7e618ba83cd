#pragma once

// The image library's resampling, registered beside the picture renderer
// (dsgwodraw.h): a form's LCD bitmap scaled to a tab thumbnail with the
// generalised cubic filter, edges repeated. Until the image library
// registers it nothing is scaled and the form tabs show their plain fill.

#include <QImage>
#include <functional>

// Scales `source` to width x height into `result`; false when it cannot.
using DsgImageScaler =
    std::function<bool(const QImage& source, int width, int height, QImage& result)>;

void SetDsgImageScaler(DsgImageScaler scaler);
const DsgImageScaler& GetDsgImageScaler();
