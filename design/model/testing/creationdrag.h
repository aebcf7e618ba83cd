#pragma once

// Test and benchmark support: an object appended to a form's history as the
// design page records a creation drag. Header-only, so that the tests and
// the benchmarks of every design target (and of the designer) can include it
// without a library of their own.

#include <memory>

#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgutprops.h"
#include "platform/geometry.h"

namespace dsgtesting {

// Appends the two actions of a creation drag: the creation at the drag's
// start point (joined, so that undo takes both) and the geometry of the
// drawn rectangle. The objects are not rebuilt; a page calls RebuildWObjs
// afterwards. Returns the new object's id.
inline int AppendCreationDrag(CDsgEActions& form, int kind, const CRect& rect,
                              const CDsgUTProps& attributes = CDsgUTProps()) {
    const int id = form.GetWOIdCounter();
    auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    create->InitWOCreation(form.WOIdCounter(), kind, CRect(rect.TopLeft(), rect.TopLeft()),
                           attributes, TRUE);
    form.EAAdd(std::move(create));
    auto geometry = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
    geometry->InitWOCERDRMoving(id, rect);
    form.EAAdd(std::move(geometry));
    return id;
}

}  // namespace dsgtesting
