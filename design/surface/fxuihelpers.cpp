#include "design/surface/fxuihelpers.h"

#include <QPlainTextEdit>

void SortStringArray(std::vector<std::string>&, BOOL) {}
int EnumDisplayFontFaces(std::vector<std::string>& faces, BOOL, BOOL, BOOL) {
    faces.clear();
    return 0;
}
CFxTextWnd::CFxTextWnd(QWidget* parent) : QWidget(parent), m_pEdit(new QPlainTextEdit(this)) {}
CFxTextWnd::~CFxTextWnd() = default;
void CFxTextWnd::resizeEvent(QResizeEvent*) {}
void CFxTextWnd::OnTimer(UINT_PTR) {}
void CFxTextWnd::LayoutEdit() {}
UINT TrackResourceMenu(QMenu&, const CPoint*, const std::map<UINT, UINT>&) { return 0; }
int ComboFindText(const QComboBox*, const std::string&) { return -1; }
int ComboSelectText(QComboBox*, const std::string&) { return -1; }
void ComboFillStrings(QComboBox*, const std::vector<std::string>&) {}
void UncheckButtonsExcept(const std::vector<QAbstractButton*>&, const QWidget*) {}
