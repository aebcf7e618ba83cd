#pragma once

// The two key styles of the form records. In memory a record always holds its
// long keys (such as "NTP.wokind"); under the short style a writer renames
// them to their short forms (such as "obj_kind") in a copy just before
// encoding, and a reader renames short keys back right after decoding.
// Because a rename does nothing when its source is missing or its target is
// present, a short-style reader also takes long-style records, while a
// long-style reader takes keys as they stand.

#include <span>
#include <string>
#include <vector>

#include "foundation/fxpropstore.h"

// One key of a record in both styles.
struct CDsgRecordKey {
    const char* pszLong;
    const char* pszShort;
};

using CDsgRecordKeys = std::span<const CDsgRecordKey>;

// Long keys to short ones, when `keyStyle` is the short style.
void RecordKeysToStyle(CFxPropStore& store, CDsgRecordKeys keys, int keyStyle);
// Short keys back to long ones, when `keyStyle` is the short style.
void RecordKeysFromStyle(CFxPropStore& store, CDsgRecordKeys keys, int keyStyle);
