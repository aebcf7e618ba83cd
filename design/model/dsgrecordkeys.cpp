#include "design/model/dsgrecordkeys.h"

void RecordKeysToStyle(CFxPropStore& store, CDsgRecordKeys keys, int keyStyle) {
    if (keyStyle != KEYSTYLE_SHORT) return;
    for (const CDsgRecordKey& key : keys) store.RenameKey(key.pszLong, key.pszShort);
}

void RecordKeysFromStyle(CFxPropStore& store, CDsgRecordKeys keys, int keyStyle) {
    if (keyStyle != KEYSTYLE_SHORT) return;
    for (const CDsgRecordKey& key : keys) store.RenameKey(key.pszShort, key.pszLong);
}
