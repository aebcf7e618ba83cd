#pragma once

// The designer's application object: start-up in the order of a document
// program (shared values, document, main frame and view, the first new
// document, the command line) and the objects it owns until the end.

#include "apps/designer/dravikdoc.h"
#include "apps/designer/mainframe.h"
#include "foundation/fxdocprogram.h"

class CDravik2App : public CFxDocAppOf<CDravik2Doc, CMainFrame> {
public:
    BOOL InitInstance(const std::vector<std::string>& arguments) override;
};
