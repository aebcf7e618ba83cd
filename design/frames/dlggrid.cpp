#include "design/frames/dlggrid.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <cerrno>
#include <cstdlib>

#include "design/model/dsggoption.h"
#include "design/model/dsglsdhost.h"
#include "platform/window.h"

namespace {

CDlgGrid* g_pGrid = nullptr;

void RepaintPage() {
    if (CDsgLSDHost* host = GetDsgLSDHost()) host->MFRefresh(2);
}

}  // namespace

CDlgGrid* GetDlgGrid() { return g_pGrid; }

CDlgGrid::CDlgGrid(QWidget* parent) : QDialog(parent) {
    g_pGrid = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Grid Setting [Ctrl+G]"));
    setFixedSize(220, 90);
    m_check = new QCheckBox(QStringLiteral("Use Grid"), this);
    m_check->setGeometry(10, 8, 200, 20);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setGeometry(10, 32, 120, 22);
    auto* label = new QLabel(QStringLiteral("Size"), this);
    label->setGeometry(138, 34, 30, 18);
    m_edit = new QLineEdit(this);
    m_edit->setGeometry(170, 32, 40, 22);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(135, 60, 75, 24);
    SetDlgCtrlID(m_check, IDC_GRID_USE);
    SetDlgCtrlID(m_slider, IDC_GRID_SLIDER);
    SetDlgCtrlID(m_edit, IDC_GRID_GAP);
    SetDlgCtrlID(ok, IDC_GRID_OK);

    const CDsgGOption& options = GetDsgGOption();
    m_check->setChecked(options.GetInt(GOPT_USE_UGRID, 0) != 0);
    m_slider->setRange(nDSG_UGGAP_MIN, nDSG_UGGAP_MAX);
    const int gap = options.GetInt(GOPT_LMTIGHT_UGGAP, 5);
    m_slider->setValue(gap);
    m_edit->setMaxLength(5);
    m_edit->setText(QString::number(gap));

    connect(m_check, &QCheckBox::clicked, this, [this] { OnUseGridClicked(); });
    connect(m_edit, &QLineEdit::textChanged, this, [this] { OnGapEdited(); });
    connect(m_slider, &QSlider::sliderMoved, this, [this](int pos) { OnSliderTracked(pos); });
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
}

CDlgGrid::~CDlgGrid() {
    if (g_pGrid == this) g_pGrid = nullptr;
}

int CDlgGrid::ParseGap(const std::string& text) {
    if (text.empty() || text.size() > 5) return -1;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') return -1;
    if (value < nDSG_UGGAP_MIN || value > nDSG_UGGAP_MAX) return -1;
    return static_cast<int>(value);
}

void CDlgGrid::OnUseGridClicked() {
    GetDsgGOption().SetInt(GOPT_USE_UGRID, m_check->isChecked() ? 1 : 0);
    RepaintPage();
}

void CDlgGrid::OnGapEdited() {
    // Only a gap the slider can show is taken; anything else waits for more
    // typing.
    const int gap = ParseGap(m_edit->text().toStdString());
    if (gap < 0) return;
    GetDsgGOption().SetInt(GOPT_LMTIGHT_UGGAP, gap);
    m_slider->setValue(gap);
    RepaintPage();
}

void CDlgGrid::OnSliderTracked(int position) { m_edit->setText(QString::number(position)); }

void CDlgGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}
