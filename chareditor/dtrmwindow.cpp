#include "chareditor/dtrmwindow.h"

#include "chareditor/dlggjpedit.h"
#include "chareditor/dlggjplist.h"

namespace {

CDtrMWindow* g_currentMWindow = nullptr;

}  // namespace

CDtrMWindow::CDtrMWindow(QWidget* parent) : QWidget(parent) {
    eirncachar = -1;
    g_currentMWindow = this;
    m_list = std::make_unique<CDlgGJPList>(*this);
    m_list->setGeometry(rect());
    m_list->show();
}

CDtrMWindow::~CDtrMWindow() {
    if (CDlgGJPEdit* edit = CDlgGJPEdit::GetOpen(); edit && &edit->GetList() == m_list.get())
        delete edit;
    m_list.reset();
    if (g_currentMWindow == this) g_currentMWindow = nullptr;
}

void CDtrMWindow::InitMWindow(QWidget* host) {
    m_host = host;
    m_initialised = true;
}

CDtrGJPListCtrl& CDtrMWindow::GetGJPListCtrl() { return m_list->GetListCtrl(); }

void CDtrMWindow::RefillGJPListView() {
    GGJPixelToListCtrl(m_list->GetListCtrl());
    m_list->SetButtonStates();
    m_list->update();
}

CDtrJPWindow* CDtrMWindow::GetJPWindow() const {
    CDlgGJPEdit* edit = CDlgGJPEdit::GetOpen();
    return edit && &edit->GetList() == m_list.get() ? edit->GetJPWindow() : nullptr;
}

LRESULT CDtrMWindow::SendToHost(UINT message, WPARAM wParam) const {
    return m_host ? SendMessage(m_host.data(), message, wParam, 0) : 0;
}

CDtrMWindow* CDtrMWindow::GetCurrent() { return g_currentMWindow; }

void CDtrMWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_list) m_list->setGeometry(rect());
}

void CDtrMWindow::paintEvent(QPaintEvent*) {}
