// The pixel-art program's view.

#include "apps/pixelart/orvantaview.h"

#include <QFrame>
#include <QResizeEvent>

#include "apps/pixelart/orvantadoc.h"
#include "pixel/lmrmwindow.h"
#include "pixel/lmrnotice.h"
#include "platform/window.h"

COrvantaView::COrvantaView(QWidget* parent) : QWidget(parent) {
    SetMessageHandler(this, WM_LMR_MODIFIED, [](WPARAM, LPARAM) {
        if (COrvantaDoc* doc = OrvantaDoc()) doc->SetModifiedFlag(TRUE);
        return 0;
    });
}

COrvantaView::~COrvantaView() {
    // The host window saves the engine's options and layout and stops its
    // jobs as it goes.
    m_pMWindow.reset();
}

BOOL COrvantaView::OnCreate() {
    m_pMWindow = std::make_unique<CLmrMWindow>(this);
    if (!m_pMWindow) return FALSE;
    m_pMWindow->setObjectName("MWindow");
    m_pMWindow->setGeometry(rect());
    m_pMWindow->InitMWindow(this);
    m_pMWindow->show();
    return TRUE;
}

void COrvantaView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pMWindow && width() > 0 && height() > 0) m_pMWindow->setGeometry(rect());
}
