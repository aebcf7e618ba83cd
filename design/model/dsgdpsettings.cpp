#include "design/model/dsgdpsettings.h"

CDsgDPSettings::CDsgDPSettings() { SetDefaultDPSettings(); }
CDsgDPSettings::~CDsgDPSettings() = default;

void CDsgDPSettings::SetDefaultDPSettings() {
    SetInt(DPS_TGCMWHETHER, 0);
    SetString(DPS_TGCMFLPATH, "");
    SetInt(DPS_IRNCGCISOLATE, 0);
    SetString(DPS_IRNCGCSCNAME, "DEFINECHRS");
}
