#pragma once

// The pixel-art program's about box: the product and its version, and a
// link to the maker's site (the Korean one for a Korean desktop).

#include <string>

#include "foundation/fxaboutbox.h"

class CDlgOrvantaAbout : public CFxAboutBox {
public:
    enum { IDD = 100, IDC_VERSION = 1000, IDC_WEBLINK = 1002 };
    explicit CDlgOrvantaAbout(QWidget* parent = nullptr);
    // The maker's address for the user's language.
    static std::string GetWebAddress(BOOL korean);
};
