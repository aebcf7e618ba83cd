#pragma once

// The few things the program asks of the design main frame's children, in one
// place, so that the view and the main window read the same.

#include <string>

#include "design/frames/dlgubar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtspframe.h"
#include "design/surface/dsgdspframe.h"
#include "platform/wintypes.h"

// The project's BASIC source from the frame (1 when it was made).
inline int DvkGetPJGCommands(CDsgMainFrame& frame, std::string& out, int isolate,
                             const std::string& name) {
    return frame.GetPJGCommands(out, 1, isolate, name);
}

// The name of the tab of a form index; FALSE when there is no such tab.
inline BOOL DvkGetFormName(CDsgMainFrame& frame, int index, std::string& name) {
    CDsgTSPage* page =
        frame.GetTSPFrame() ? frame.GetTSPFrame()->GetTSPageBySPIndex(index) : nullptr;
    if (!page) return FALSE;
    name = page->GetSPName();
    return TRUE;
}
// Marks the tab of a form index as changed (its thumbnail is stale).
inline void DvkMarkFormChanged(CDsgMainFrame& frame, int index) {
    if (CDsgTSPage* page =
            frame.GetTSPFrame() ? frame.GetTSPFrame()->GetTSPageBySPIndex(index) : nullptr)
        page->m_nStale = 1;
}
// The form bar's Add Form and the tab strip's Load Form.
inline void DvkAddForm(CDsgMainFrame& frame) {
    if (frame.GetUBar()) frame.GetUBar()->OnAddSPage();
}
inline void DvkLoadForm(CDsgMainFrame& frame) {
    if (frame.GetTSPFrame()) frame.GetTSPFrame()->OnEUSFLoad();
}
