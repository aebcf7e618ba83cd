// What the pixel programs ask of the store beyond the designer's records:
// integer arrays, the write-once flag and the filtered encoder.

#include <gtest/gtest.h>

#include <vector>

#include "foundation/fxrevpropstore.h"
#include "foundation/tests/storetesting.h"

namespace {

TEST(FxPropStoreDWordArrayTest, ArraysTravelAsATypeAndADataItem) {
    const std::pair<std::vector<DWORD>, std::string> cases[] = {
        {{3, 10, 250}, "3|10|250"},
        {{}, ""},
        {{0xFFFFFF, 0, 4294967295u}, "16777215|0|4294967295"}};
    for (const auto& [values, data] : cases) {
        CFxRevPropStore store;
        store.PutDWordArray("N", values);
        EXPECT_EQ(store.GetValueType("%DA:type:N"), CFxPropItem::VT_INT);
        EXPECT_EQ(store.GetInt("%DA:type:N", 0), 1);
        EXPECT_EQ(store.GetValueType("%DA:data:N"), CFxPropItem::VT_STRING);
        EXPECT_EQ(store.GetString("%DA:data:N"), data);
        CRevolver bytes;  // through bytes and back
        ASSERT_TRUE(store.ToRevolver(bytes));
        CFxRevPropStore read;
        ASSERT_TRUE(read.FromRevolver(bytes));
        std::vector<DWORD> back{99};
        EXPECT_EQ(read.GetDWordArray("N", back), 1);
        EXPECT_EQ(back, values);
    }
    // Both items are needed, the data as text; the type's value is not checked.
    std::vector<DWORD> values{7};
    CFxRevPropStore store;
    store.SetString("%DA:data:N", "1|2");
    EXPECT_EQ(store.GetDWordArray("N", values), 0);
    store.SetString("%DA:type:N", "whatever");
    EXPECT_EQ(store.GetDWordArray("N", values), 1);
    EXPECT_EQ(values, (std::vector<DWORD>{1, 2}));
    store.SetInt("%DA:type:M", 1);
    store.SetInt("%DA:data:M", 5);
    EXPECT_EQ(store.GetDWordArray("M", values), 0);
}

TEST(FxPropStoreWriteOnceTest, ExistingKeysKeepTheirValuesNewKeysAreAdded) {
    CFxRevPropStore store, other;
    EXPECT_FALSE(store.IsWriteOnce());
    store.SetInt("i", 1);
    store.SetString("s", "old");
    store.SetRevolver("b", RevolverOf("ab"));
    store.SetWriteOnce(TRUE);
    store.SetInt("i", 2);
    store.SetString("s", "new");
    store.SetRevolver("b", RevolverOf("xyz"));
    store.SetInt("added", 5);
    // Decoding over present entries is setting too.
    other.SetInt("i", 9);
    other.SetRevolver("b", RevolverOf("zz"));
    other.SetString("t", "t");
    CRevolver bytes, block;
    other.ToRevolver(bytes);
    EXPECT_TRUE(store.FromRevolver(bytes, TRUE));
    EXPECT_EQ(store.GetText(), "added=5,i=1,s=old,t=t");
    store.LookupRevolver("b", block);
    EXPECT_EQ(ContentOf(block), "ab");
    store.SetWriteOnce(FALSE);
    store.SetInt("i", 3);
    EXPECT_EQ(store.GetInt("i", 0), 3);
}

TEST(FxPropStoreFilterTest, FiltersLeaveItemsOutOfTheBytes) {
    CFxRevPropStore store;
    store.SetInt("b", 2);
    store.SetString("a", "x");
    store.SetRevolver("c", RevolverOf("\x01"));
    store.SetRevolver("d", RevolverOf("\x02"));
    const std::string a = Bytes({0x08, 1, 'a', 1, 'x'}), b = Bytes({0x23, 1, 'b', 2, 0, 0, 0});
    const std::string c = Bytes({0x00, 1, 'c', 1, 1}), d = Bytes({0x00, 1, 'd', 1, 2});
    const CFxKeySet ab{"a", "b"}, onlyD{"d"}, onlyA{"a"}, none;
    struct Case {
        const CFxKeySet *include, *exclude;
        BOOL skipBinary;
        const CFxKeySet* exceptions;
        std::string bytes;
    };
    const Case cases[] = {
        {nullptr, nullptr, FALSE, nullptr, a + b + c + d}, {&ab, nullptr, FALSE, nullptr, a + b},
        {nullptr, &onlyA, FALSE, nullptr, b + c + d},      {nullptr, nullptr, TRUE, &none, a + b},
        {nullptr, nullptr, TRUE, &onlyD, a + b + d},       {nullptr, &onlyD, TRUE, &onlyD, a + b},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& k = cases[i];
        for (BOOL sorted : {FALSE, TRUE}) {
            CRevolver out = RevolverOf("old");
            ASSERT_TRUE(
                store.ToRevolver(out, k.include, sorted, k.exclude, k.skipBinary, k.exceptions));
            EXPECT_EQ(ContentOf(out), k.bytes) << "case " << i;
        }
    }
    // An empty key fails the call only when it would be written.
    store.SetInt("", 1);
    const CFxKeySet empty{""};
    CRevolver out = RevolverOf("old");
    EXPECT_FALSE(store.ToRevolver(out, nullptr, TRUE, nullptr, FALSE, nullptr));
    EXPECT_EQ(ContentOf(out), "old");
    EXPECT_TRUE(store.ToRevolver(out, nullptr, TRUE, &empty, FALSE, nullptr));
    EXPECT_EQ(ContentOf(out), a + b + c + d);
}

}  // namespace
