#pragma once

// Settings of one project: automatic saving of the generated code and the
// routine of its own for definable characters. Travels inside the project
// file; the designer's document derives from it.

#include "design/frames/veldrane_export.h"
#include "foundation/fxfieldbinder.h"

inline constexpr const char* DPS_TGCMWHETHER = "DPS.tgcmwhether";      // save code automatically
inline constexpr const char* DPS_TGCMFLPATH = "DPS.tgcmflpath";        // path of that file
inline constexpr const char* DPS_IRNCGCISOLATE = "DPS.irncgcisolate";  // characters apart
inline constexpr const char* DPS_IRNCGCSCNAME = "DPS.irncgcscname";    // name of that routine

class VELDRANE_API CDsgDPSettings : public CFxFieldBinder {
public:
    CDsgDPSettings();  // with the defaults
    ~CDsgDPSettings() override;

    // Sets the four keys to their defaults.
    void SetDefaultDPSettings();
};
