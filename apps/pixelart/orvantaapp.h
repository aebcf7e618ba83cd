#pragma once

// The pixel-art program's application object: shared values, the document,
// the main window with the engine, then the command line (a file opens; a
// file that cannot be loaded leaves a new document).

#include "apps/pixelart/mainframe.h"
#include "apps/pixelart/orvantadoc.h"
#include "foundation/fxdocprogram.h"

class COrvantaApp : public CFxDocAppOf<COrvantaDoc, CMainFrame> {
public:
    BOOL InitInstance(const std::vector<std::string>& arguments) override;
};
