#include "design/model/dsghdata.h"

#include "design/model/dsgeactions.h"
#include "design/model/dsglsdhost.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "platform/uiservices.h"

namespace {

const char kKindKey[] = "HD.hdkind";
const char kSPIndexKey[] = "HD.hdspindex";
const char kTopLeftXKey[] = "HD.hdtlpoint.x";
const char kTopLeftYKey[] = "HD.hdtlpoint.y";
const char kLSIndexKey[] = "HD.hdlsindex";
const char kWObjsKey[] = "HD.wobjs";
const char kGJPixelKey[] = "HD.gjpfruit";

// The current form index of the visible design page, -1 without one.
int CurrentSPIndex() {
    CDsgLSDHost* host = GetDsgLSDHost();
    const CDsgEActions* actions = host ? host->GetDSPEActions() : nullptr;
    return actions ? actions->GetSPIndex() : -1;
}

// Whether the store holds a non-empty byte block under the key.
bool HasFilledBlock(const CFxRevPropStore& store, const char* key) {
    CRevolver block;
    return store.LookupRevolver(key, block) && block.GetLength() > 0;
}

}  // namespace

CDsgHData::CDsgHData() = default;
CDsgHData::~CDsgHData() = default;

CDsgHDAction::CDsgHDAction() = default;
CDsgHDAction::~CDsgHDAction() = default;

void CDsgHDAction::HDSetWObjs(int lsIndex, const CDsgWObjs& source, BOOL clear, int& counter,
                              const CDsgWOIdSet* filter) {
    m_nHDKind = nDSG_HDKIND__WOBJS;
    m_ptTopLeft = CopyWObjsFrom(source, clear, counter, filter);
    m_nLSIndex = lsIndex;
    m_nSPIndex = CurrentSPIndex();
}

void CDsgHDAction::HDSetGJPixel(const CRevolver& gjpixel) {
    m_nHDKind = nDSG_HDKIND__GJPIXEL;
    m_revGJPixel.Assign(gjpixel);
}

BOOL CDsgHDAction::HDWrite() {
    CFxRevPropStore store;
    store.SetInt(kKindKey, m_nHDKind);
    if (m_nHDKind == nDSG_HDKIND__WOBJS) {
        store.SetInt(kSPIndexKey, m_nSPIndex);
        store.SetInt(kTopLeftXKey, m_ptTopLeft.x);
        store.SetInt(kTopLeftYKey, m_ptTopLeft.y);
        store.SetInt(kLSIndexKey, m_nLSIndex);
        CRevolver objects;
        if (!WObjsToRevolver(objects)) {
            AppMessageBox(nullptr, "Cannot copy objects to clipboard.", "Copy Failure", MB_OK);
            return FALSE;
        }
        store.SetRevolver(kWObjsKey, objects);
    } else if (m_nHDKind == nDSG_HDKIND__GJPIXEL) {
        store.SetRevolver(kGJPixelKey, m_revGJPixel);
    }
    CRevolver record;
    // A copy that cannot be kept is said at once: Paste would otherwise give
    // what was copied before.
    if (!store.ToRevolver(record) || !FxSharedValues().PutSharedBuffer(HD_BLOCK_NAME, record)) {
        AppMessageBox(nullptr,
                      m_nHDKind == nDSG_HDKIND__GJPIXEL ? "Cannot copy pixel data to clipboard."
                                                        : "Cannot copy objects to clipboard.",
                      "Copy Failure", MB_OK);
        return FALSE;
    }
    return TRUE;
}

BOOL CDsgHDAction::ReadBlock(CFxRevPropStore& store) {
    // The bytes are a private copy, taken before decoding.
    CRevolver record;
    if (!FxSharedValues().GetSharedBuffer(HD_BLOCK_NAME, record)) return FALSE;
    return store.FromRevolver(record);
}

BOOL CDsgHDAction::HDRead() {
    CFxRevPropStore store;
    if (!ReadBlock(store)) return FALSE;
    const int kind = store.GetInt(kKindKey, -1);
    if (kind == nDSG_HDKIND__WOBJS) {
        m_nHDKind = kind;
        m_nSPIndex = store.GetInt(kSPIndexKey, -1);
        m_ptTopLeft = CPoint(store.GetInt(kTopLeftXKey, -1), store.GetInt(kTopLeftYKey, -1));
        m_nLSIndex = store.GetInt(kLSIndexKey, -1);
        CRevolver objects;
        store.LookupRevolver(kWObjsKey, objects);
        return WObjsFromRevolver(objects);
    }
    if (kind == nDSG_HDKIND__GJPIXEL) {
        m_nHDKind = kind;
        m_revGJPixel.Free();
        store.LookupRevolver(kGJPixelKey, m_revGJPixel);
        return TRUE;
    }
    return FALSE;
}

BOOL CDsgHDAction::CanPasteWObjs() {
    CFxRevPropStore store;
    if (!ReadBlock(store)) return FALSE;
    m_nHDKind = store.GetInt(kKindKey, -1);
    return m_nHDKind == nDSG_HDKIND__WOBJS && HasFilledBlock(store, kWObjsKey);
}

BOOL CDsgHDAction::CanPasteGJPixel() {
    CFxRevPropStore store;
    if (!ReadBlock(store)) return FALSE;
    m_nHDKind = store.GetInt(kKindKey, -1);
    return m_nHDKind == nDSG_HDKIND__GJPIXEL && HasFilledBlock(store, kGJPixelKey);
}
