// The pixel-art program's about box.

#include "apps/pixelart/orvantadialogs.h"

#include "foundation/fxutils.h"
#include "foundation/pixel/fxhyperlink.h"
#include "platform/window.h"

std::string CDlgOrvantaAbout::GetWebAddress(BOOL korean) {
    return korean ? ORVANTA_WEB_KOREAN : ORVANTA_WEB_ENGLISH;
}

CDlgOrvantaAbout::CDlgOrvantaAbout(QWidget* parent)
    : CFxAboutBox("About Orvanta", IDC_VERSION, "Orvanta", parent) {
    auto* link = new CFxHyperLink(this);
    const std::string address = GetWebAddress(FxIsKoreanUILanguage());
    link->SetLinkText(address);
    link->SetLinkTarget(address);
    link->setGeometry(15, 35, 230, 18);
    SetDlgCtrlID(link, IDC_WEBLINK);
}
