#include "design/model/dsgntprops.h"

#include "foundation/fxsharedvalues.h"

namespace {

const CDsgRecordKey kNTKeys[] = {
    {szNTP_WOKIND, "obj_kind"},        {szNTP_WOID, "obj_uid"},
    {szNTP_LMHUGE_LEFT, "obj_left"},   {szNTP_LMHUGE_TOP, "obj_top"},
    {szNTP_LMHUGE_RIGHT, "obj_right"}, {szNTP_LMHUGE_BOTTOM, "obj_bottom"},
};

}  // namespace

CDsgRecordKeys CDsgNTProps::GetRecordKeys() { return kNTKeys; }

int CDsgNTProps::GetWOId() const { return GetInt(szNTP_WOID, -1); }

int CDsgNTProps::GetWOKind() const { return GetInt(szNTP_WOKIND, 0); }

void CDsgNTProps::SetWOId(int id) { SetInt(szNTP_WOID, id); }

void CDsgNTProps::SetWOKind(int kind) { SetInt(szNTP_WOKIND, kind); }

CRect CDsgNTProps::GetLMHugeRect() const {
    return CRect(GetInt(szNTP_LMHUGE_LEFT, 0), GetInt(szNTP_LMHUGE_TOP, 0),
                 GetInt(szNTP_LMHUGE_RIGHT, 0), GetInt(szNTP_LMHUGE_BOTTOM, 0));
}

CRect CDsgNTProps::GetLMRect() const {
    const CRect huge = GetLMHugeRect();
    return CRect(huge.left / nDSG_LMHUGE_PER_DOT, huge.top / nDSG_LMHUGE_PER_DOT,
                 huge.right / nDSG_LMHUGE_PER_DOT, huge.bottom / nDSG_LMHUGE_PER_DOT);
}

void CDsgNTProps::SetLMHugeRect(int left, int top, int right, int bottom) {
    SetInt(szNTP_LMHUGE_LEFT, left);
    SetInt(szNTP_LMHUGE_TOP, top);
    SetInt(szNTP_LMHUGE_RIGHT, right);
    SetInt(szNTP_LMHUGE_BOTTOM, bottom);
}

void CDsgNTProps::SetLMHugeRect(const CRect& rect) {
    SetLMHugeRect(rect.left, rect.top, rect.right, rect.bottom);
}

void CDsgNTProps::SetNTProps(int id, int kind, const CRect& rect) {
    SetWOId(id);
    SetWOKind(kind);
    SetLMHugeRect(rect);
}

BOOL CDsgNTProps::NTPropsToRevolver(CRevolver& buffer, int keyStyle) const {
    CFxRevPropStore store;
    store.CopyFrom(*this);
    RecordKeysToStyle(store, kNTKeys, keyStyle);
    return store.ToRevolver(buffer);
}

BOOL CDsgNTProps::NTPropsFromRevolver(const CRevolver& buffer, int keyStyle) {
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) {
        LogWrite("CDsgNTProps::NTPropsFromRevolver Fail Reason 1.0");
        return FALSE;
    }
    RecordKeysFromStyle(store, kNTKeys, keyStyle);
    CopyFrom(store);
    return TRUE;
}
