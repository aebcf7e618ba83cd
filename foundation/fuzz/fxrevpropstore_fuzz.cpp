// Feeds arbitrary bytes to the store decoder. The decoder must never read
// outside the data, crash or hang; whatever it keeps must encode again, and
// those bytes must decode to the same store.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/fxrevpropstore.h"

namespace {

std::string ContentOf(const CRevolver& buffer) {
    std::string out(static_cast<size_t>(buffer.GetLength()), '\0');
    if (!out.empty() && !buffer.ReadAt(out.data(), buffer.GetLength(), 0)) std::abort();
    return out;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    CRevolver input;
    Check(input.Append(data, static_cast<int>(size)));

    CFxRevPropStore store;
    store.SetString("present", "value");
    store.FromRevolver(input, FALSE);

    // Every decoded key is non-empty, so the store encodes.
    CRevolver encoded;
    Check(store.ToRevolver(encoded));
    Check(encoded.GetLength() == store.GetEncodedSize());
    Check(encoded.GetLength() <= static_cast<int>(size));

    // A store's own bytes decode cleanly to the same keys and values.
    CFxRevPropStore again;
    Check(again.FromRevolver(encoded, FALSE) == TRUE);
    CRevolver encodedAgain;
    Check(again.ToRevolver(encodedAgain));
    Check(ContentOf(encoded) == ContentOf(encodedAgain));

    // Decoding over present entries keeps them and never fails differently.
    CFxRevPropStore kept;
    kept.SetInt("present", 1);
    const BOOL keptResult = kept.FromRevolver(input, TRUE);
    CFxRevPropStore fresh;
    Check(fresh.FromRevolver(input, FALSE) == keptResult);
    Check(kept.HasKey("present"));

    // Nested byte blocks are records too; decode them one level down.
    std::vector<std::string> keys;
    store.GetKeys(keys);
    for (const std::string& key : keys) {
        CRevolver nested;
        if (store.LookupRevolver(key, nested)) {
            CFxRevPropStore inner;
            inner.FromRevolver(nested, FALSE);
        }
    }
    return 0;
}
