#include "design/surface/dsgimagescaler.h"

#include <utility>

namespace {

DsgImageScaler& Scaler() {
    static DsgImageScaler scaler;
    return scaler;
}

}  // namespace

void SetDsgImageScaler(DsgImageScaler scaler) { Scaler() = std::move(scaler); }

const DsgImageScaler& GetDsgImageScaler() { return Scaler(); }
