#include "pixel/lmryubuffer.h"

#include "pixel/lmrnotice.h"

CLmrYUStep::~CLmrYUStep() = default;

CLmrYUBuffer::CLmrYUBuffer() = default;

CLmrYUBuffer::~CLmrYUBuffer() { RemoveAll(); }

void CLmrYUBuffer::GJPEAAdd(std::unique_ptr<CLmrYUStep> step) {
    while (GetYUStepCount() > m_nPosition + 1) m_arSteps.pop_back();
    m_arSteps.push_back(std::move(step));
    m_nPosition = GetYUStepCount() - 1;
}

CLmrYUStep* CLmrYUBuffer::GetCurrentYUStep() const {
    if (m_nPosition < 0 || m_nPosition >= GetYUStepCount()) return nullptr;
    return m_arSteps[static_cast<size_t>(m_nPosition)].get();
}

void CLmrYUBuffer::YUndo(int apply, int redraw, int refresh) {
    YUEndSelection();
    if (IsYUndoable()) {
        if (apply) YUApply(*GetCurrentYUStep(), 1, redraw, 1);
        --m_nPosition;
    }
    if (refresh) YURefreshEBState();
}

void CLmrYUBuffer::YRedo(int apply, int redraw, int refresh) {
    YUEndSelection();
    if (IsYRedoable()) {
        ++m_nPosition;
        if (apply) YUApply(*GetCurrentYUStep(), 0, redraw, 1);
    }
    if (refresh) YURefreshEBState();
}

void CLmrYUBuffer::AGJPEADelete() {
    RemoveAll();
    m_nPosition = -1;
}

void CLmrYUBuffer::RemoveAll() {
    while (!m_arSteps.empty()) m_arSteps.pop_back();
}

std::string CLmrYUBuffer::GetYUBufferExp() const {
    std::string text;
    for (int i = 0; i < GetYUStepCount(); ++i) {
        if (i > 0) text += "\r\n";
        text += GetGJPEAKindName(m_arSteps[static_cast<size_t>(i)]->GetKind());
        if (i == m_nPosition) text += " *";
    }
    return text;
}

const char* CLmrYUBuffer::GetGJPEAKindName(int kind) {
    switch (kind) {
        case GJPEA_SETUJPIXEL:
            return "SetUJPixel";
        case GJPEA_XFLIP:
            return "KGJPMXFlip";
        case GJPEA_YFLIP:
            return "KGJPMYFlip";
        case GJPEA_LCRAWL:
            return "KGJPMLCrawl";
        case GJPEA_RCRAWL:
            return "KGJPMRCrawl";
        case GJPEA_UCRAWL:
            return "KGJPMUCrawl";
        case GJPEA_DCRAWL:
            return "KGJPMDCrawl";
        case GJPEA_ROTATE:
            return "KGJPMRotate";
        case GJPEA_WALK:
            return "GJPCGZWalk";
        case GJPEA_CLEAR:
            return "GJPCGZClear";
        case GJPEA_DSHIFT:
            return "DShift";
        default:
            return "Unknown";
    }
}

void CLmrYUBuffer::YURefreshEBState() { LmrViewNotice().RefreshEBState(); }
