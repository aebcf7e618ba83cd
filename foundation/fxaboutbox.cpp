// The about box of a program.

#include "foundation/fxaboutbox.h"

#include <QLabel>
#include <QPushButton>
#include <cstdio>

#include "foundation/fxutils.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

std::string CFxAboutBox::GetProductText(const std::string& product) {
    char text[128];
    std::snprintf(text, sizeof text, "%s %s", product.c_str(), GetVersionText().c_str());
    return text;
}

CFxAboutBox::CFxAboutBox(const std::string& title, int textId, const std::string& product,
                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(AnsiToQString(title));
    setFixedSize(260, 90);
    auto* text = new QLabel(AnsiToQString(GetProductText(product)), this);
    text->setGeometry(15, 15, 230, 20);
    SetDlgCtrlID(text, textId);
    auto* ok = new QPushButton("OK", this);
    ok->setGeometry(170, 55, 75, 24);
    SetDlgCtrlID(ok, IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
