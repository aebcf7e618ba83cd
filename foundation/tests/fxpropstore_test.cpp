#include "foundation/fxpropstore.h"

#include <gtest/gtest.h>

#include <climits>

#include "foundation/tests/storetesting.h"

TEST(FxPropStoreTest, GettersConvertBetweenTextAndInteger) {
    CFxPropStore store;
    store.SetString("t", "12abc");
    store.SetInt("n", -7);
    store.SetRevolver("b", RevolverOf("xyz"));
    store.SetString("none", "abc");
    store.SetString("neg", "  -42x");

    int value = 99;
    ASSERT_TRUE(store.LookupInt("t", value));
    EXPECT_EQ(value, 12);
    ASSERT_TRUE(store.LookupInt("none", value));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(store.GetInt("neg", 0), -42);
    EXPECT_FALSE(store.LookupInt("b", value));
    EXPECT_FALSE(store.LookupInt("missing", value));
    EXPECT_EQ(store.GetInt("b", 5), 5);

    std::string text = "preset";
    ASSERT_TRUE(store.LookupString("n", text));
    EXPECT_EQ(text, "-7");
    for (const char* key : {"b", "missing"}) {  // a byte block has no text
        text = "preset";
        EXPECT_FALSE(store.LookupString(key, text));
        EXPECT_EQ(text, "") << key;
    }
    EXPECT_EQ(store.GetString("t"), "12abc");

    CRevolver out;
    EXPECT_FALSE(store.LookupRevolver("t", out));
    ASSERT_TRUE(store.LookupRevolver("b", out));
    EXPECT_EQ(ContentOf(out), "xyz");

    EXPECT_EQ(store.GetValueType("b"), CFxPropItem::VT_REVOLVER);
    EXPECT_EQ(store.GetValueType("missing"), 0);
    EXPECT_FALSE(store.HasKey("N"));  // keys are case-sensitive

    store.SetIntFromText("fromtext", "2147483648");
    EXPECT_EQ(store.GetInt("fromtext", 0), INT_MAX);
    store.SetIntFromText("fromtext", "-31 px");
    EXPECT_EQ(store.GetInt("fromtext", 0), -31);
}

TEST(FxPropStoreTest, DelimitedAlternativesTriedInOrder) {
    CFxPropStore store;
    EXPECT_EQ(store.GetInt("obj_uid|NTP.woid", 5, '|'), 5);
    store.SetInt("NTP.woid", 42);
    EXPECT_EQ(store.GetInt("obj_uid|NTP.woid", 5, '|'), 42);
    EXPECT_EQ(store.GetInt("obj_uid|NTP.woid", 5), 5);  // no delimiter: one whole key
    store.SetInt("obj_uid", 7);
    EXPECT_EQ(store.GetInt("obj_uid|NTP.woid", 5, '|'), 7);
    store.SetString("name", "x");
    EXPECT_EQ(store.GetString("||name", '|'), "x");  // empty pieces are tried, not found
    store.SetRevolver("blk", RevolverOf("b"));
    CRevolver out;
    ASSERT_TRUE(store.LookupRevolver("nope;blk", out, ';'));
    EXPECT_EQ(ContentOf(out), "b");
}

TEST(FxPropStoreTest, ValueTypeStaysWithTheFirstKind) {
    CFxPropStore store;
    store.SetInt("k", 5);
    store.SetString("k", "abc");
    EXPECT_EQ(store.GetValueType("k"), CFxPropItem::VT_INT);
    EXPECT_EQ(store.GetInt("k", 0), 5);
    EXPECT_EQ(store.GetString("k"), "5");
    EXPECT_EQ(store.FindEntry("k")->GetItem().GetString(), "abc");  // the text slot was written

    store.SetString("s", "first");
    store.SetInt("s", 9);
    EXPECT_EQ(store.GetString("s"), "first");
    store.SetString("s", "second");
    EXPECT_EQ(store.GetString("s"), "second");
}

TEST(FxPropStoreTest, StringArrays) {
    CFxPropStore store;
    store.SetStringArray("names", {"a", "", "b"}, '|');
    EXPECT_EQ(store.GetInt("%SA:type:names", 0), 1);
    EXPECT_EQ(store.GetInt("%SA:delm:names", 0), '|');
    EXPECT_EQ(store.GetString("%SA:data:names"), "a||b");
    std::vector<std::string> items = {"stale"};
    ASSERT_TRUE(store.GetStringArray("names", items));
    EXPECT_EQ(items, (std::vector<std::string>{"a", "", "b"}));

    store.SetStringArray("one", {""}, ',');
    ASSERT_TRUE(store.GetStringArray("one", items));
    EXPECT_TRUE(items.empty());

    store.SetStringArray("trail", {"x", ""}, ';');
    ASSERT_TRUE(store.GetStringArray("trail", items));
    EXPECT_EQ(items, (std::vector<std::string>{"x", ""}));

    // Each of the three keys is needed.
    for (const char* part : {"%SA:type:", "%SA:delm:", "%SA:data:"}) {
        CFxPropStore copy(store);
        ASSERT_TRUE(copy.RenameKey(std::string(part) + "names", "gone"));
        EXPECT_FALSE(copy.GetStringArray("names", items)) << part;
    }
    EXPECT_FALSE(store.GetStringArray("missing", items));
}

TEST(FxPropStoreTest, RectanglesAsText) {
    CFxPropStore store;
    store.SetRectText("r", CRect(1, -2, 30, 400));
    EXPECT_EQ(store.GetString("r"), "1,-2,30,400");
    EXPECT_EQ(store.GetRectText("r"), CRect(1, -2, 30, 400));
    store.SetString("short", "5,6");
    EXPECT_EQ(store.GetRectText("short"), CRect(5, 6, 0, 0));
    store.SetString("long", "1,2,3,4,5");
    EXPECT_EQ(store.GetRectText("long"), CRect(1, 2, 3, 4));
    EXPECT_EQ(store.GetRectText("missing"), CRect(0, 0, 0, 0));
}

TEST(FxPropStoreTest, KeysAndTextForm) {
    CFxPropStore store;
    store.SetInt("b", -3);
    store.SetString("a", "x y");
    store.SetRevolver("c", RevolverOf("blk"));
    store.SetString("d", "");
    std::vector<std::string> keys = {"stale"};
    store.GetKeys(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "c", "d"}));
    // The text form follows the key order and leaves byte blocks out.
    EXPECT_EQ(store.GetText(), "a=x y,b=-3,d=");
    EXPECT_EQ(CFxPropStore().GetText(), "");
}

TEST(FxPropStoreTest, RenameKey) {
    CFxPropStore store;
    store.SetInt("NTP.woid", 3);
    store.SetInt("obj_uid", 4);
    EXPECT_FALSE(store.RenameKey("NTP.woid", "obj_uid"));
    EXPECT_EQ(store.GetInt("NTP.woid", 0), 3);
    EXPECT_EQ(store.GetInt("obj_uid", 0), 4);
    EXPECT_FALSE(store.RenameKey("missing", "other"));
    EXPECT_FALSE(store.HasKey("other"));

    ASSERT_TRUE(store.RenameKey("NTP.woid", "id"));
    EXPECT_FALSE(store.HasKey("NTP.woid"));
    EXPECT_EQ(store.GetInt("id", 0), 3);
    EXPECT_EQ(store.FindEntry("id")->GetKey(), "id");
    EXPECT_EQ(store.GetCount(), 2);
}

TEST(FxPropStoreTest, MergeAndCopyWithKeySets) {
    CFxPropStore source;
    source.SetInt("a", 1);
    source.SetString("b", "two");
    source.SetRevolver("c", RevolverOf("three"));

    CFxPropStore target;
    target.SetString("a", "old text");  // replaced with the whole entry, type too
    target.SetInt("z", 26);
    target.MergeFrom(source);
    EXPECT_EQ(target.GetValueType("a"), CFxPropItem::VT_INT);
    EXPECT_EQ(target.GetText(), "a=1,b=two,z=26");
    EXPECT_EQ(target.GetCount(), 4);

    // Deep copies: changing the source afterwards leaves the target alone.
    source.SetInt("a", 100);
    source.FindEntry("c")->GetItem().GetRevolver().Append("!", 1);
    CRevolver out;
    target.LookupRevolver("c", out);
    EXPECT_EQ(ContentOf(out), "three");
    EXPECT_EQ(target.GetInt("a", 0), 1);

    const CFxKeySet include = {"a", "c"};
    const CFxKeySet exclude = {"c"};
    CFxPropStore only;
    only.SetInt("z", 1);
    // Texts leave the byte block c out; the counts take it in.
    only.MergeFrom(source, &include);
    EXPECT_EQ(only.GetText() + " " + std::to_string(only.GetCount()), "a=100,z=1 3");
    only.CopyFrom(source, &include, &exclude);
    EXPECT_EQ(only.GetText() + " " + std::to_string(only.GetCount()), "a=100 1");
    only.CopyFrom(source, nullptr, &exclude);
    EXPECT_EQ(only.GetText() + " " + std::to_string(only.GetCount()), "a=100,b=two 2");
}

TEST(FxPropStoreTest, CopyFromItselfKeepsTheEntries) {
    CFxPropStore store;
    store.SetInt("a", 1);
    store.SetString("b", "x");
    store.CopyFrom(store);
    EXPECT_EQ(store.GetCount(), 2);
    EXPECT_EQ(store.GetString("b"), "x");
    const CFxKeySet include = {"b"};
    store.CopyFrom(store, &include);
    EXPECT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.GetString("b"), "x");
    store.MergeFrom(store);
    EXPECT_EQ(store.GetCount(), 1);
    const CFxPropStore& same = store;
    store = same;
    EXPECT_EQ(store.GetString("b"), "x");
}
