#include "design/model/dsgrecordkeys.h"

#include "foundation/fxsharedvalues.h"

void RecordKeysToStyle(CFxPropStore& store, CDsgRecordKeys keys, int keyStyle) {
    if (keyStyle != KEYSTYLE_SHORT) return;
    for (const CDsgRecordKey& key : keys) store.RenameKey(key.pszLong, key.pszShort);
}

void RecordKeysFromStyle(CFxPropStore& store, CDsgRecordKeys keys, int keyStyle) {
    if (keyStyle != KEYSTYLE_SHORT) return;
    for (const CDsgRecordKey& key : keys) store.RenameKey(key.pszShort, key.pszLong);
}

std::vector<std::string> SplitKeyList(const std::string& text, char delim) {
    std::vector<std::string> pieces;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(delim, begin);
        if (end == std::string::npos) end = text.size();
        if (end > begin) pieces.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return pieces;
}

void LogRecordFailure(const std::string& text) { LogWrite(text); }
