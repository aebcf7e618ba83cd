#include "foundation/fxrevpropstore.h"

#include <gtest/gtest.h>

#include "foundation/tests/storetesting.h"
#include "platform/testing/testsupport.h"

namespace {

std::string Encode(const CFxRevPropStore& store) {
    CRevolver buffer;
    EXPECT_TRUE(store.ToRevolver(buffer));
    EXPECT_EQ(buffer.GetLength(), store.GetEncodedSize());
    return ContentOf(buffer);
}

// Decodes bytes into a fresh store; the decoder's result goes to `result`.
CFxRevPropStore Decode(const std::string& bytes, BOOL* result = nullptr) {
    CFxRevPropStore store;
    const BOOL ok = store.FromRevolver(RevolverOf(bytes));
    if (result) *result = ok;
    return store;
}

// The decoder's answer, the number of entries it kept and their text, as
// "ok 1 a=5" or "failed 0" (the text leaves byte blocks out, the count not).
std::string Outcome(const std::string& bytes) {
    CFxRevPropStore store;
    const BOOL ok = store.FromRevolver(RevolverOf(bytes));
    const std::string text = store.GetText();
    return (ok ? "ok " : "failed ") + std::to_string(store.GetCount()) +
           (text.empty() ? "" : " " + text);
}

const std::string kWidthItem = Bytes({0x23, 0x0C, 'G', 'O', 'P', 'T', '.', 'l', 'm', 'w', 'i', 'd',
                                      't', 'h', 0x40, 0x01, 0x00, 0x00});
const std::string kNameItem = Bytes({0x08, 0x0D, 'S', 'P', 'U',  'S', 'F', 'D', '.', 's', 'p',
                                     'n',  'a',  'm', 'e', 0x05, 'F', 'o', 'r', 'm', '1'});
const std::string kNestedItem =
    Bytes({0x23, 0x08, 'N', 'T', 'P', '.', 'w', 'o', 'i', 'd', 0x07, 0x00, 0x00, 0x00});
const std::string kPropsItem =
    Bytes({0x00, 0x0A, 'T', 'P', '.', 'n', 't', 'p', 'r', 'o', 'p', 's', 0x0E}) + kNestedItem;

}  // namespace

TEST(FxRevPropStoreTest, WorkedExampleBytes) {
    CFxRevPropStore inner;
    inner.SetInt("NTP.woid", 7);
    EXPECT_EQ(Encode(inner), kNestedItem);
    CRevolver nested;
    ASSERT_TRUE(inner.ToRevolver(nested));
    CFxRevPropStore store;
    store.SetInt("GOPT.lmwidth", 320);
    store.SetString("SPUSFD.spname", "Form1");
    store.SetRevolver("TP.ntprops", nested);
    EXPECT_EQ(store.GetEncodedSize(), 18 + 21 + 27);
    // Items come out in the store's iteration order (here: the key order).
    EXPECT_EQ(Encode(store), kWidthItem + kNameItem + kPropsItem);

    // Item order carries no meaning for the reader.
    EXPECT_EQ(Outcome(kPropsItem + kNameItem + kWidthItem),
              "ok 3 GOPT.lmwidth=320,SPUSFD.spname=Form1");
    CRevolver props;
    ASSERT_TRUE(Decode(kPropsItem + kNameItem).LookupRevolver("TP.ntprops", props));
    EXPECT_EQ(Outcome(ContentOf(props)), "ok 1 NTP.woid=7");
}

TEST(FxRevPropStoreTest, OneEntryEncodesAlone) {
    CFxRevPropStore store;
    store.SetString("SPUSFD.spname", "Form1");
    const CFxPropEntry* entry = store.FindEntry("SPUSFD.spname");
    EXPECT_EQ(entry->GetRevolverSize(), 21);
    CRevolver buffer = RevolverOf("previous content");
    ASSERT_TRUE(entry->ToRevolver(buffer));
    EXPECT_EQ(ContentOf(buffer), kNameItem);

    EXPECT_FALSE(CFxPropEntry("", CFxPropItem::VT_INT).ToRevolver(buffer));
    EXPECT_EQ(ContentOf(buffer), kNameItem);
}

TEST(FxRevPropStoreTest, EmptyStoreAndEmptyKey) {
    CFxRevPropStore empty;
    CRevolver buffer = RevolverOf("old");
    ASSERT_TRUE(empty.ToRevolver(buffer));
    EXPECT_EQ(buffer.GetLength(), 0);
    EXPECT_EQ(empty.GetEncodedSize(), 0);

    EXPECT_EQ(Outcome(""), "ok 0");

    CFxRevPropStore bad;
    bad.SetInt("fine", 1);
    bad.SetString("", "x");
    EXPECT_EQ(bad.GetEncodedSize(), -1);
    buffer = RevolverOf("earlier");
    EXPECT_FALSE(bad.ToRevolver(buffer));
    EXPECT_EQ(ContentOf(buffer), "earlier");
}

TEST(FxRevPropStoreTest, LengthWidthBoundaryAt256) {
    struct Case {
        int valueType;
        int length;
        int header;
        std::string lengthField;
    };
    const Case cases[] = {
        {CFxPropItem::VT_STRING, 0, 0x08, Bytes({0})},
        {CFxPropItem::VT_STRING, 255, 0x08, Bytes({0xFF})},
        {CFxPropItem::VT_STRING, 256, 0x0C, Bytes({0x00, 0x01, 0x00, 0x00})},
        {CFxPropItem::VT_STRING, 70000, 0x0C, Bytes({0x70, 0x11, 0x01, 0x00})},
        {CFxPropItem::VT_REVOLVER, 0, 0x00, Bytes({0})},
        {CFxPropItem::VT_REVOLVER, 255, 0x00, Bytes({0xFF})},
        {CFxPropItem::VT_REVOLVER, 256, 0x04, Bytes({0x00, 0x01, 0x00, 0x00})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.valueType << " length " << c.length);
        std::string value(static_cast<size_t>(c.length), 'v');
        for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>('a' + i % 26);
        CFxRevPropStore store;
        if (c.valueType == CFxPropItem::VT_STRING)
            store.SetString("k", value);
        else
            store.SetRevolver("k", RevolverOf(value));
        const std::string expected = Bytes({c.header, 1, 'k'}) + c.lengthField + value;
        EXPECT_EQ(Encode(store), expected);
        // Read back, the same item again.
        BOOL ok = FALSE;
        EXPECT_EQ(Encode(Decode(expected, &ok)), expected);
        EXPECT_TRUE(ok);
    }
}

TEST(FxRevPropStoreTest, IntegersAreLittleEndianAndSigned) {
    CFxRevPropStore store;
    store.SetInt("n", -2);
    store.SetInt("m", 0x12345678);
    EXPECT_EQ(Encode(store), Bytes({0x23, 1, 'm', 0x78, 0x56, 0x34, 0x12}) +
                                 Bytes({0x23, 1, 'n', 0xFE, 0xFF, 0xFF, 0xFF}));
    // An item keeps its first kind in the bytes too.
    store.SetString("n", "text");
    EXPECT_EQ(Encode(store).substr(7), Bytes({0x23, 1, 'n', 0xFE, 0xFF, 0xFF, 0xFF}));

    EXPECT_EQ(Outcome(Bytes({0x23, 1, 'x', 0x00, 0x00, 0x00, 0x80})), "ok 1 x=-2147483648");
}

TEST(FxRevPropStoreTest, LongKeysAreCutTo255Bytes) {
    std::string key(300, 'k');
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<char>('A' + i % 26);
    CFxRevPropStore store;
    store.SetInt(key, 1);
    EXPECT_EQ(Encode(store), Bytes({0x23, 0xFF}) + key.substr(0, 255) + Bytes({1, 0, 0, 0}));
    EXPECT_EQ(Decode(Encode(store)).GetInt(key.substr(0, 255), 0), 1);
}

TEST(FxRevPropStoreTest, RecordCutShortKeepsTheItemsBefore) {
    const std::string first = Bytes({0x23, 1, 'a', 5, 0, 0, 0});
    // Cut inside the last item's header, key, length or text: TRUE; inside an
    // integer's or a byte block's bytes: FALSE. Earlier items are kept.
    const struct {
        std::string last;
        size_t failsFrom;  // the first cut that fails
    } cases[] = {
        {Bytes({0x08, 3, 'k', 'e', 'y', 4, 'w', 'x', 'y', 'z'}), 99},
        {Bytes({0x0C, 1, 'k', 4, 0, 0, 0, 'w', 'x', 'y', 'z'}), 99},
        {Bytes({0x23, 1, 'k', 1, 2, 3, 4}), 3},
        {Bytes({0x00, 1, 'k', 3, 'x', 'y', 'z'}), 4},
        {Bytes({0x04, 1, 'k', 3, 0, 0, 0, 'x', 'y', 'z'}), 7},
    };
    for (const auto& c : cases)
        for (size_t cut = 1; cut < c.last.size(); ++cut)
            EXPECT_EQ(Outcome(first + c.last.substr(0, cut)),
                      cut < c.failsFrom ? "ok 1 a=5" : "failed 1 a=5")
                << "header " << int(BYTE(c.last[0])) << " cut " << cut;
}

TEST(FxRevPropStoreTest, HugeLengthFieldsNeverReadOutside) {
    const std::string first = Bytes({0x23, 1, 'a', 5, 0, 0, 0});
    // A text whose 4-byte length is 0xFFFFFFFF ends the read; a byte block fails.
    EXPECT_EQ(Outcome(first + Bytes({0x0C, 1, 't', 0xFF, 0xFF, 0xFF, 0xFF, 'x'})), "ok 1 a=5");
    EXPECT_EQ(Outcome(first + Bytes({0x04, 1, 'b', 0xFF, 0xFF, 0xFF, 0x7F, 'x'})), "failed 1 a=5");
    EXPECT_EQ(Outcome(first + Bytes({0x04, 1, 'b', 0xFF, 0xFF, 0xFF, 0xFF, 'x'})), "failed 1 a=5");
}

TEST(FxRevPropStoreTest, ValuesWithoutLengthField) {
    const std::string last = Bytes({0x08, 1, 'z', 1, 'Z'});
    for (int header : {0x20, 0x21, 0x28, 0x2D})  // low bits 0 or 1: no value bytes
        EXPECT_EQ(Outcome(Bytes({header, 2, 's', 'k'}) + last), "ok 1 z=Z") << header;
    EXPECT_EQ(Outcome(last + Bytes({0x22, 1, 'q', 1, 0, 0, 0}) + last), "failed 1 z=Z");
}

TEST(FxRevPropStoreTest, ExtensionBytesAreSkipped) {
    EXPECT_EQ(Outcome(Bytes({0x88, 1, 't', 0x01, 2, 'h', 'i'})), "ok 1 t=hi");
    EXPECT_EQ(Decode(Bytes({0x88, 1, 't', 0x01, 2, 'h', 'i'})).GetValueType("t"),
              CFxPropItem::VT_STRING);
    EXPECT_EQ(Outcome(Bytes({0xA3, 1, 'n', 0x81, 0xFF, 0x00, 9, 0, 0, 0})), "ok 1 n=9");
    // 255 extension bytes are allowed, a 256th is not.
    const std::string chain(254, static_cast<char>(0x80));
    EXPECT_EQ(Outcome(Bytes({0x88, 1, 't'}) + chain + Bytes({0x00, 1, 'x'})), "ok 1 t=x");
    EXPECT_EQ(Outcome(Bytes({0x88, 1, 't'}) + chain + Bytes({0x80, 0x00, 1, 'x'})), "failed 0");
    // Running out inside the extension bytes fails.
    EXPECT_EQ(Outcome(Bytes({0x23, 1, 'a', 1, 0, 0, 0, 0x88, 1, 't', 0x80})), "failed 1 a=1");
    EXPECT_EQ(Outcome(Bytes({0x88, 1, 't'})), "failed 0");
}

TEST(FxRevPropStoreTest, RejectedKeys) {
    const std::string first = Bytes({0x08, 1, 'a', 1, 'A'});
    // A key number instead of a key text, even where the bytes after the
    // header would also read as a key text; an empty key; one that begins
    // with a zero byte.
    EXPECT_EQ(Outcome(first + Bytes({0x63, 0x01, 'k', 1, 0, 0, 0})), "failed 1 a=A");
    EXPECT_EQ(Outcome(first + Bytes({0x08, 0, 1, 'x'})), "failed 1 a=A");
    EXPECT_EQ(Outcome(first + Bytes({0x08, 2, 0, 'b', 1, 'x'})), "failed 1 a=A");
    // Keys and texts end at their first zero byte.
    EXPECT_EQ(Outcome(Bytes({0x08, 4, 'a', 'b', 0, 'c', 4, 'x', 'y', 0, 'z'})), "ok 1 ab=xy");
}

TEST(FxRevPropStoreTest, DecodingOverPresentEntries) {
    CFxRevPropStore store;
    store.SetString("n", "text first");
    store.SetInt("kept", 1);
    // keep: entries stay, a decoded integer on a text key fills the
    // integer slot only.
    ASSERT_TRUE(store.FromRevolver(RevolverOf(Bytes({0x23, 1, 'n', 3, 0, 0, 0})), TRUE));
    EXPECT_EQ(store.GetText(), "kept=1,n=text first");
    EXPECT_EQ(store.GetValueType("n"), CFxPropItem::VT_STRING);
    EXPECT_EQ(store.FindEntry("n")->GetItem().GetInt(), 3);
    // Without keep the store is emptied first.
    ASSERT_TRUE(store.FromRevolver(RevolverOf(Bytes({0x23, 1, 'n', 3, 0, 0, 0}))));
    EXPECT_EQ(store.GetText(), "n=3");
    // Within one record the later item of a key is set over the earlier.
    EXPECT_EQ(Outcome(Bytes({0x08, 1, 'k', 1, 'A', 0x08, 1, 'k', 2, 'B', 'C'})), "ok 1 k=BC");
}

TEST(FxRevPropStoreTest, DecodesContentThatWrapsInItsStorage) {
    const std::string bytes = kWidthItem + kNameItem;
    RingRevolver ring(64, 50);
    ASSERT_TRUE(ring.Append(bytes.data(), static_cast<int>(bytes.size())));
    ASSERT_EQ(ring.GetStart(), 50);
    CFxRevPropStore back;
    ASSERT_TRUE(back.FromRevolver(ring));
    EXPECT_EQ(back.GetInt("GOPT.lmwidth", 0), 320);
    EXPECT_EQ(back.GetString("SPUSFD.spname"), "Form1");
}

// A byte-block value whose content wraps in its storage is written whole and
// in order.
TEST(FxRevPropStoreTest, EncodesBlockValuesThatWrapInTheirStorage) {
    const std::string value = kNameItem + kWidthItem;  // 39 bytes
    RingRevolver ring(48, 30);
    ASSERT_TRUE(ring.Append(value.data(), static_cast<int>(value.size())));
    CFxRevPropStore store;
    store.SetRevolver("b", CRevolver());
    store.FindEntry("b")->GetItem().GetRevolver() = std::move(ring);
    ASSERT_EQ(store.FindEntry("b")->GetItem().GetRevolver().GetStart(), 30);
    EXPECT_EQ(Encode(store), Bytes({0x00, 1, 'b', 39}) + value);
}

// The output is reserved to the exact size once, with a quarter of it as the
// growth step; the buffer may be one of the store's own values.
TEST(FxRevPropStoreTest, EncodesIntoAnExactBufferEvenOneOfItsOwnValues) {
    CFxRevPropStore store;
    store.SetRevolver("TP.ntprops", RevolverOf(kNestedItem));
    store.SetString("SPUSFD.spname", "Form1");
    const std::string expected = kNameItem + kPropsItem;
    CRevolver out = RevolverOf(std::string(1000, 'o'));
    ASSERT_TRUE(store.ToRevolver(out));
    EXPECT_EQ(ContentOf(out), expected);
    EXPECT_EQ(out.GetCapacity(), 48);
    EXPECT_EQ(out.GetGrowthStep(), 12);

    CRevolver& own = store.FindEntry("TP.ntprops")->GetItem().GetRevolver();
    ASSERT_TRUE(store.ToRevolver(own));
    EXPECT_EQ(ContentOf(own), expected);
}

TEST(FxRevPropStoreTest, Files) {
    const std::string folder = testsupport::MakeTempFolder("store");
    const std::string path = folder + "/sub/record.dat";
    CFxRevPropStore store;
    store.SetInt("GOPT.lmwidth", 320);
    ASSERT_TRUE(store.ToFile(path));
    EXPECT_EQ(testsupport::ReadFileBytes(path), kWidthItem);

    testsupport::WriteFileBytes(path, kNameItem + kWidthItem);
    CFxRevPropStore back;
    back.SetInt("other", 1);
    ASSERT_TRUE(back.FromFile(path, TRUE));
    EXPECT_EQ(back.GetText(), "GOPT.lmwidth=320,SPUSFD.spname=Form1,other=1");
    ASSERT_TRUE(back.FromFile(path));
    EXPECT_EQ(back.GetText(), "GOPT.lmwidth=320,SPUSFD.spname=Form1");
    EXPECT_FALSE(back.FromFile(folder + "/none.dat"));

    CFxRevPropStore bad;
    bad.SetInt("", 1);
    EXPECT_FALSE(bad.ToFile(folder + "/bad.dat"));
}

// A store may be refilled from one of its own byte-block values (a nested
// record unpacked in place): emptying the store must not free the bytes
// still being read.
TEST(FxRevPropStoreTest, DecodesFromItsOwnValue) {
    CFxRevPropStore inner;
    inner.SetInt("NTP.woid", 7);
    inner.SetString("name", std::string(300, 'x'));
    CRevolver bytes;
    ASSERT_TRUE(inner.ToRevolver(bytes));

    CFxRevPropStore outer;
    outer.SetRevolver("TP.ntprops", bytes);
    outer.SetInt("other", 1);
    const CRevolver& own = outer.FindEntry("TP.ntprops")->GetItem().GetRevolver();
    ASSERT_TRUE(outer.FromRevolver(own));
    EXPECT_EQ(outer.GetCount(), 2);
    EXPECT_EQ(outer.GetInt("NTP.woid", -1), 7);
    EXPECT_EQ(outer.GetString("name"), std::string(300, 'x'));
}
