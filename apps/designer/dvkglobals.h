#pragma once

// The program's process-wide pointers: the view and the design library's
// main frame, design page and option record it holds (set by the view's
// constructor), the document (set by its constructor) and the code window
// while it exists. Everything else is owned by one object and passed.

class CDravik2Doc;
class CDravik2View;
class CDsgDSPFrame;
class CDsgGOption;
class CDsgMainFrame;
class CDvkCodeWnd;

extern CDravik2View* g_pDravik2View;
extern CDsgMainFrame* g_pDsgMainFrame;
extern CDsgDSPFrame* g_pDsgDSPFrame;
extern CDsgGOption* g_pDsgGOption;
extern CDravik2Doc* g_pDravik2Doc;
extern CDvkCodeWnd* g_pDvkCodeWnd;
