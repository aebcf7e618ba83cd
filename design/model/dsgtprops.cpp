#include "design/model/dsgtprops.h"

#include "foundation/fxsharedvalues.h"

namespace {

const CDsgRecordKey kTPKeys[] = {
    {szTP_NTPROPS, "ca"},
    {szTP_UTPROPS, "ua"},
};

}  // namespace

CDsgRecordKeys CDsgTProps::GetRecordKeys() { return kTPKeys; }

BOOL CDsgTProps::TPropsToRevolver(CRevolver& buffer, int keyStyle) const {
    CRevolver ntBuffer;
    CRevolver utBuffer;
    if (!NTPropsToRevolver(ntBuffer, keyStyle)) return FALSE;
    if (!GetUTProps().ToRevolver(utBuffer, keyStyle)) return FALSE;
    CFxRevPropStore store;
    store.SetRevolver(szTP_NTPROPS, ntBuffer);
    store.SetRevolver(szTP_UTPROPS, utBuffer);
    RecordKeysToStyle(store, kTPKeys, keyStyle);
    return store.ToRevolver(buffer);
}

BOOL CDsgTProps::TPropsFromRevolver(const CRevolver& buffer, int keyStyle) {
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) {
        LogWrite("CDsgTProps::TPropsFromRevolver Fail Reason 1.0");
        return FALSE;
    }
    RecordKeysFromStyle(store, kTPKeys, keyStyle);
    CRevolver ntBuffer;
    CRevolver utBuffer;
    if (!store.LookupRevolver(szTP_NTPROPS, ntBuffer)) {
        LogWrite("CDsgTProps::TPropsFromRevolver Fail Reason 2.0");
        return FALSE;
    }
    if (!store.LookupRevolver(szTP_UTPROPS, utBuffer)) {
        LogWrite("CDsgTProps::TPropsFromRevolver Fail Reason 3.0");
        return FALSE;
    }
    // A broken identity leaves the pair as it was (its reader changes nothing
    // then). Damaged attributes cannot fail the read: they keep what can be
    // read of them (their reader logs the damage) and the object still loads.
    if (!GetNTProps().NTPropsFromRevolver(ntBuffer, keyStyle)) {
        LogWrite("CDsgTProps::TPropsFromRevolver Fail Reason 4.0");
        return FALSE;
    }
    GetUTProps().FromRevolver(utBuffer, keyStyle);
    return TRUE;
}
