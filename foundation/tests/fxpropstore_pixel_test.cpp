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
    CFxRevPropStore store;
    EXPECT_FALSE(store.IsWriteOnce());
    store.SetInt("i", 1);
    store.SetString("s", "old");
    CRevolver oldBlock = RevolverOf("ab");
    store.SetRevolver("b", oldBlock);
    store.SetWriteOnce(TRUE);
    store.SetInt("i", 2);
    store.SetString("s", "new");
    store.SetRevolver("b", RevolverOf("xyz"));
    store.SetInt("added", 5);
    EXPECT_EQ(store.GetInt("i", 0), 1);
    EXPECT_EQ(store.GetString("s"), "old");
    CRevolver block;
    store.LookupRevolver("b", block);
    EXPECT_EQ(ContentOf(block), "ab");
    EXPECT_EQ(store.GetInt("added", 0), 5);

    // Decoding over present entries is setting too.
    CFxRevPropStore other;
    other.SetInt("i", 9);
    other.SetRevolver("b", RevolverOf("zz"));
    other.SetString("t", "t");
    CRevolver bytes;
    other.ToRevolver(bytes);
    EXPECT_TRUE(store.FromRevolver(bytes, TRUE));
    EXPECT_EQ(store.GetInt("i", 0), 1);
    store.LookupRevolver("b", block);
    EXPECT_EQ(ContentOf(block), "ab");
    EXPECT_EQ(store.GetString("t"), "t");

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
    const std::string a = Bytes({0x08, 1, 'a', 1, 'x'});
    const std::string b = Bytes({0x23, 1, 'b', 2, 0, 0, 0});
    const std::string c = Bytes({0x00, 1, 'c', 1, 1});
    const std::string d = Bytes({0x00, 1, 'd', 1, 2});
    const CFxKeySet ab{"a", "b"}, onlyD{"d"}, onlyA{"a"};
    struct Case {
        const char* name;
        const CFxKeySet* include;
        const CFxKeySet* exclude;
        BOOL skipBinary;
        const CFxKeySet* exceptions;
        std::string bytes;
    };
    const Case cases[] = {
        {"none", nullptr, nullptr, FALSE, nullptr, a + b + c + d},
        {"include", &ab, nullptr, FALSE, nullptr, a + b},
        {"exclude", nullptr, &onlyA, FALSE, nullptr, b + c + d},
        {"skip binary", nullptr, nullptr, TRUE, nullptr, a + b},
        {"skip binary, empty exceptions", nullptr, nullptr, TRUE, &ab, a + b},
        {"skip binary but d", nullptr, nullptr, TRUE, &onlyD, a + b + d},
        {"exclude wins over exception", nullptr, &onlyD, TRUE, &onlyD, a + b},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        for (BOOL sorted : {FALSE, TRUE}) {
            CRevolver out = RevolverOf("old");
            ASSERT_TRUE(
                store.ToRevolver(out, k.include, sorted, k.exclude, k.skipBinary, k.exceptions));
            EXPECT_EQ(ContentOf(out), k.bytes);
        }
    }
    // No filter: the same bytes as the plain encoder.
    CRevolver plain, filtered;
    store.ToRevolver(plain);
    store.ToRevolver(filtered, nullptr, TRUE, nullptr, FALSE, nullptr);
    EXPECT_EQ(ContentOf(plain), ContentOf(filtered));
}

TEST(FxPropStoreFilterTest, AnEmptyKeyFailsOnlyWhenItWouldBeWritten) {
    CFxRevPropStore store;
    store.SetInt("", 1);
    store.SetInt("k", 2);
    const CFxKeySet empty{""}, k{"k"};
    CRevolver out = RevolverOf("old");
    EXPECT_FALSE(store.ToRevolver(out, nullptr, TRUE, nullptr, FALSE, nullptr));
    EXPECT_EQ(ContentOf(out), "old");
    EXPECT_TRUE(store.ToRevolver(out, nullptr, TRUE, &empty, FALSE, nullptr));
    EXPECT_EQ(ContentOf(out), Bytes({0x23, 1, 'k', 2, 0, 0, 0}));
    EXPECT_TRUE(store.ToRevolver(out, &k, FALSE, nullptr, FALSE, nullptr));
}

}  // namespace
