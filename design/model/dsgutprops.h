#pragma once

// The record of the user-set attributes of a window object. Every attribute
// is a text (numbers and flags in decimal) except the picture of an image
// object, a byte block. The keys are the same in both key styles.

#include <string>

#include "design/frames/veldrane_export.h"
#include "foundation/fxrevpropstore.h"
#include "platform/dc.h"

inline constexpr char szUTP_DUMMY[] = "UTP.*dummy";
inline constexpr char szUTP_DTSIZE[] = "UTP.dtsize";
inline constexpr char szUTP_DTSPACE[] = "UTP.dtspace";
inline constexpr char szUTP_CSWITCH[] = "UTP.cswitch";
inline constexpr char szUTP_KEEP_XYRATIO[] = "UTP.keep_xyratio";
inline constexpr char szUTP_KRNFINDEX[] = "UTP.krnfindex";
inline constexpr char szUTP_ALNFINDEX[] = "UTP.alnfindex";
inline constexpr char szUTP_BSTATE[] = "UTP.bstate";
inline constexpr char szUTP_IS_UNDERLINED[] = "UTP.is_underlined";
inline constexpr char szUTP_WONSTYLE[] = "UTP.wonstyle";
inline constexpr char szUTP_WONORDER[] = "UTP.wonorder";
inline constexpr char szUTP_PTCONTENT[] = "UTP.ptcontent";
inline constexpr char szUTP_PTFACE[] = "UTP.ptface";
inline constexpr char szUTP_PTSIZE[] = "UTP.ptsize";
inline constexpr char szUTP_PTTHICKNESS[] = "UTP.ptthickness";
inline constexpr char szUTP_PTTRANSPARENT[] = "UTP.pttransparent";
inline constexpr char szUTP_PTANTIALIAS[] = "UTP.ptantialias";
inline constexpr char szUTP_PTBKCOLOR[] = "UTP.ptbkcolor";
inline constexpr char szUTP_PTWORDBREAK[] = "UTP.ptwordbreak";
inline constexpr char szUTP_PTHCENTER[] = "UTP.pthcenter";
inline constexpr char szUTP_PTSTRUCKOUT[] = "UTP.ptstruckout";
inline constexpr char szUTP_PTITALIC[] = "UTP.ptitalic";
inline constexpr char szUTP_PTUNDERLINED[] = "UTP.ptunderlined";
inline constexpr char szUTP_IS_INVERSED[] = "UTP.is_inversed";
inline constexpr char szUTP_LSCRIPT[] = "UTP.lscript";
inline constexpr char szUTP_OBWBMP[] = "UTP.obwbmp";
inline constexpr char szUTP_DIRNCACHAR[] = "UTP.dirncachar";

class VELDRANE_API CDsgUTProps : public CFxRevPropStore {
public:
    // The defaults of ResetUTProps.
    CDsgUTProps();
    // An empty record, for one that a read fills at once.
    struct NoDefaults {};
    explicit CDsgUTProps(NoDefaults) {}

    // Replaces the record by the defaults of a new object.
    void ResetUTProps();

    // Encodes the record under the key style. FALSE when it cannot be encoded.
    BOOL ToRevolver(CRevolver& buffer, int keyStyle) const;
    // Replaces the record by the one in the buffer. FALSE when the bytes hold
    // a damaged item; the record then holds the attributes before it.
    BOOL FromRevolver(const CRevolver& buffer, int keyStyle);

    // Replaces the record by those keys of `from` that objects of `kind`
    // carry (the record of a newly created object).
    void CopyWOKindUTProps(const CDsgUTProps& from, int kind);

    // The font of a PC-font text on the page. `zoom` is the page's client
    // units per LCD dot; the drawing layer passes its current zoom.
    void CreateFontA(FontSpec& font, double zoom) const;
};
