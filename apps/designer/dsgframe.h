#pragma once

// The design library's main frame, as the program holds it: the library's
// own when the build has a complete one (DRAVIK_LIBRARY_FRAME, set by the
// build), else the program's interim frame. The few things the program asks
// of the frame's children go through the functions below, so the view and
// the main window read the same either way.

#include <string>

#include "platform/wintypes.h"

// The project's BASIC source from the frame (1 when it was made).
template <typename Frame>
int DvkGetPJGCommands(Frame& frame, std::string& out, int isolate, const std::string& name) {
    if constexpr (requires { frame.GetPJGCommands(out, 1, isolate, name); }) {
        return frame.GetPJGCommands(out, 1, isolate, name);
    } else {
        // A frame without the project's generation yet: no source.
        out.clear();
        return 0;
    }
}

#if DRAVIK_LIBRARY_FRAME
#include "design/frames/dlgubar.h"
#include "design/frames/dsgmainframe.h"
#include "design/frames/dsgtspframe.h"
#include "design/surface/dsgdspframe.h"

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
#else
#include "apps/designer/interim/dsgmainframe.h"

using CDsgMainFrame = CDvkInterimFrame;
using CDsgDSPFrame = CDvkInterimPage;

inline BOOL DvkGetFormName(CDsgMainFrame& frame, int index, std::string& name) {
    return frame.GetTSPageName(index, name);
}
inline void DvkMarkFormChanged(CDsgMainFrame& frame, int index) { frame.MarkTSPageChanged(index); }
inline void DvkAddForm(CDsgMainFrame& frame) { frame.OnAddSPage(); }
inline void DvkLoadForm(CDsgMainFrame& frame) { frame.OnEUSFLoad(); }
#endif
