#include "design/surface/dsgwodraw.h"

CDsgWODrawPage::CDsgWODrawPage(const CDsgCDinateEVMent* coordinates) : coords(coordinates) {}
void DrawWObj(const CDsgWObj&, CDC*, const CDsgWODrawPage&) {}
void DrawDotLine(CDC*, const CPoint&, const CPoint&, int, COLORREF, int, int) {}
std::pair<int, int> GetWORectCorner(int) { return {-1, -1}; }
CDsgWOPictureRenderer::~CDsgWOPictureRenderer() = default;
void CDsgWOPictureRenderer::DrawWOPicture(CDC& dc, const QImage& picture, const CRect& target) {
    dc.StretchImage(target, picture);
}
void SetDsgWOPictureRenderer(CDsgWOPictureRenderer*) {}
CDsgWOPictureRenderer* GetDsgWOPictureRenderer() { return nullptr; }
void ClearWOPictureCache() {}
