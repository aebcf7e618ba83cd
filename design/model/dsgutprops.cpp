#include "design/model/dsgutprops.h"

#include <algorithm>

#include "design/model/dsgrecordkeys.h"
#include "design/model/dsgwobjkeysets.h"
#include "foundation/fxsharedvalues.h"

namespace {

// The attributes of a new object. Every object and every edit action starts
// from them, so they are made once (per thread, so that no two threads ever
// read one store) and copied.
CFxRevPropStore MakeDefaultUTProps() {
    CFxRevPropStore store;
    store.SetString(szUTP_DUMMY, "0");
    store.SetString(szUTP_DTSIZE, "0");
    store.SetString(szUTP_DTSPACE, "0");
    store.SetString(szUTP_CSWITCH, "1");
    store.SetString(szUTP_KEEP_XYRATIO, "1");
    store.SetString(szUTP_KRNFINDEX, "0");
    store.SetString(szUTP_ALNFINDEX, "0");
    store.SetString(szUTP_BSTATE, "0");
    store.SetString(szUTP_IS_UNDERLINED, "0");
    store.SetString(szUTP_WONSTYLE, "2");
    store.SetString(szUTP_PTCONTENT, "");
    store.SetString(szUTP_PTFACE, "Arial");
    store.SetString(szUTP_PTSIZE, "16");
    store.SetString(szUTP_PTTHICKNESS, "Normal");
    store.SetString(szUTP_PTTRANSPARENT, "1");
    store.SetString(szUTP_PTANTIALIAS, "0");
    store.SetString(szUTP_PTBKCOLOR, std::to_string(0xFFFFFF));
    store.SetString(szUTP_PTWORDBREAK, "1");
    store.SetString(szUTP_PTHCENTER, "0");
    store.SetString(szUTP_PTSTRUCKOUT, "0");
    store.SetString(szUTP_IS_INVERSED, "0");
    store.SetString(szUTP_LSCRIPT, "");
    store.SetRevolver(szUTP_OBWBMP, CRevolver());
    store.SetString(szUTP_DIRNCACHAR, "");
    return store;
}

}  // namespace

CDsgUTProps::CDsgUTProps() { ResetUTProps(); }

void CDsgUTProps::ResetUTProps() {
    static thread_local const CFxRevPropStore defaults = MakeDefaultUTProps();
    CopyFrom(defaults);
}

BOOL CDsgUTProps::ToRevolver(CRevolver& buffer, int keyStyle) const {
    // The attribute keys keep their names in both styles.
    (void)keyStyle;
    return CFxRevPropStore::ToRevolver(buffer);
}

BOOL CDsgUTProps::FromRevolver(const CRevolver& buffer, int keyStyle) {
    (void)keyStyle;
    // The record is replaced by what the bytes hold; a damaged record keeps
    // the attributes before the damage, so that an object still loads with
    // what can be read of it.
    const BOOL decoded = CFxRevPropStore::FromRevolver(buffer);
    if (!decoded) LogWrite("CDsgUTProps::FromRevolver Fail Reason 1.0");
    return decoded;
}

void CDsgUTProps::CopyWOKindUTProps(const CDsgUTProps& from, int kind) {
    static const CFxKeySet kNoKeys;
    const CFxKeySet* keys = GetUTPKeySet().GetWOKindKeySet(kind);
    CopyFrom(from, keys ? keys : &kNoKeys);
}

void CDsgUTProps::CreateFontA(FontSpec& font, double zoom) const {
    const std::string thickness = GetString(szUTP_PTTHICKNESS);
    font = FontSpec();
    // Held inside the range of a font height, so that a wild size in a record
    // cannot overflow the conversion.
    const double height = std::clamp(GetInt(szUTP_PTSIZE, 0) * zoom, -1e9, 1e9);
    font.height = static_cast<LONG>(height);
    font.width = 0;
    font.weight = thickness == "Thin" ? FW_THIN : thickness == "Bold" ? FW_BOLD : FW_NORMAL;
    font.italic = GetInt(szUTP_PTITALIC, 0) != 0;
    font.underline = GetInt(szUTP_PTUNDERLINED, 0) != 0;
    font.strikeOut = GetInt(szUTP_PTSTRUCKOUT, 0) != 0;
    font.face = GetString(szUTP_PTFACE);
}
