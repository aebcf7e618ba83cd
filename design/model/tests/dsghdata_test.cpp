// The copy buffer: its record and block bytes, copy in one process and paste
// in another (objects with new ids, characters), and the answers when the
// block is missing, damaged, of another kind or too small.

#include "design/model/dsghdata.h"

#include <memory>
#include <string>

#include "design/model/tests/lsdtesting.h"
#include "foundation/fxsharedvalues.h"
#include "platform/sharedmemory.h"
#include "platform/testing/testsupport.h"

namespace {

using eatesting::DumpOf;
using eatesting::Form;
using eatesting::kBlock;
using eatesting::KeyTypesOf;
using eatesting::kInt;
using lsdtesting::OtherInstance;

// The block's bytes as every instance sees them; empty when there is none.
std::string BlockBytes() {
    auto block = SharedMemoryBlock::Open(HD_BLOCK_NAME);
    if (!block) return std::string();
    return std::string(reinterpret_cast<const char*>(block->Data()), block->Size());
}

// A form of three objects: two boxes and a line.
void FillForm(Form& form) {
    eatesting::CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(30000, 40000, 90000, 80000));
    eatesting::CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(0, 0, 50000, 50000));
    eatesting::CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(120000, 20000, 60000, 110000));
}

class HDataTest : public ::testing::Test {
protected:
    void SetUp() override { FxSharedValues().ReleaseShared(HD_BLOCK_NAME); }
    void TearDown() override { FxSharedValues().ReleaseShared(HD_BLOCK_NAME); }
};

TEST_F(HDataTest, ObjectRecordAndBlockBytes) {
    lsdtesting::Host host(testsupport::MakeTempFolder("hd"));
    host.page.SetSPIndex(3);
    Form form;
    FillForm(form);
    CDsgHDAction hd;
    const CDsgWOIdSet chosen{0, 2};
    int keepIds = -1;
    hd.HDSetWObjs(9, form, TRUE, keepIds, &chosen);
    EXPECT_EQ(hd.m_nHDKind, nDSG_HDKIND__WOBJS);
    EXPECT_EQ(hd.m_nSPIndex, 3);
    EXPECT_EQ(hd.m_ptTopLeft, CPoint(30000, 20000)) << "smallest corner of the chosen objects";
    EXPECT_EQ(hd.GetWObjCount(), 2);
    EXPECT_NE(hd.GetWObjById(2), nullptr) << "the copies keep their ids";
    ASSERT_TRUE(hd.HDWrite());

    const std::string bytes = BlockBytes();
    ASSERT_GE(bytes.size(), 4u);
    const std::size_t length =
        static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8 |
        static_cast<unsigned char>(bytes[2]) << 16 | static_cast<unsigned char>(bytes[3]) << 24;
    ASSERT_EQ(bytes.size(), length + 4);
    const CRevolver record = RevolverOf(bytes.substr(4));
    EXPECT_EQ(KeyTypesOf(record), (std::map<std::string, int>{{"HD.hdkind", kInt},
                                                              {"HD.hdspindex", kInt},
                                                              {"HD.hdtlpoint.x", kInt},
                                                              {"HD.hdtlpoint.y", kInt},
                                                              {"HD.hdlsindex", kInt},
                                                              {"HD.wobjs", kBlock}}));
    const auto dump = DumpOf(record);
    EXPECT_EQ(dump.at("HD.hdkind").second, "1");
    EXPECT_EQ(dump.at("HD.hdspindex").second, "3");
    EXPECT_EQ(dump.at("HD.hdtlpoint.x").second, "30000");
    EXPECT_EQ(dump.at("HD.hdtlpoint.y").second, "20000");
    EXPECT_EQ(dump.at("HD.hdlsindex").second, "9");
    CRevolver objects;
    ASSERT_TRUE(hd.WObjsToRevolver(objects));
    EXPECT_EQ(dump.at("HD.wobjs").second, ContentOf(objects));

    // A character replaces the objects in the block.
    CRevolver character = RevolverOf("character record");
    hd.HDSetGJPixel(character);
    ASSERT_TRUE(hd.HDWrite());
    const CRevolver second = RevolverOf(BlockBytes().substr(4));
    EXPECT_EQ(KeyTypesOf(second),
              (std::map<std::string, int>{{"HD.hdkind", kInt}, {"HD.gjpfruit", kBlock}}));
    EXPECT_EQ(DumpOf(second).at("HD.gjpfruit").second, "character record");
}

TEST_F(HDataTest, ObjectsCopiedInOneProcessArePastedInAnotherWithNewIds) {
    Form source;
    FillForm(source);
    OtherInstance copier([&] {
        lsdtesting::Host host(testsupport::MakeTempFolder("copier"));
        host.page.SetSPIndex(1);
        CDsgHDAction hd;
        const CDsgWOIdSet chosen{0, 1};
        int keepIds = -1;
        hd.HDSetWObjs(4, source, TRUE, keepIds, &chosen);
        return hd.HDWrite() ? 1 : 0;
    });
    ASSERT_EQ(copier.Result(), 1);
    EXPECT_FALSE(FxSharedValues().IsHeld(HD_BLOCK_NAME)) << "the block is the other process's";

    CDsgHDAction hd;
    EXPECT_TRUE(hd.CanPasteWObjs());
    EXPECT_FALSE(hd.CanPasteGJPixel());
    EXPECT_EQ(hd.m_nHDKind, nDSG_HDKIND__WOBJS);
    ASSERT_TRUE(hd.HDRead());
    EXPECT_EQ(hd.m_nSPIndex, 1);
    EXPECT_EQ(hd.m_nLSIndex, 4);
    EXPECT_EQ(hd.m_ptTopLeft, CPoint(0, 0));
    ASSERT_EQ(hd.GetWObjCount(), 2);

    // Pasting into a form that has objects of its own: new ids from its
    // counter, the same rectangles and attributes.
    Form target;
    FillForm(target);
    const int counter = target.GetWOIdCounter();
    target.CopyWObjsFrom(hd, FALSE, target.WOIdCounter());
    EXPECT_EQ(target.GetWObjCount(), 5);
    EXPECT_EQ(target.GetWOIdCounter(), counter + 2);
    EXPECT_EQ(target.GetWObjRect(counter), source.GetWObjRect(0));
    EXPECT_EQ(target.GetWObjRect(counter + 1), source.GetWObjRect(1));
    const auto attributes = [](const CDsgWObj* obj) {
        return obj ? static_cast<const CDsgUTProps&>(*obj).GetText() : std::string("<none>");
    };
    EXPECT_EQ(attributes(target.GetWObjById(counter)), attributes(source.GetWObjById(0)));
    EXPECT_EQ(attributes(target.GetWObjById(counter + 1)), attributes(source.GetWObjById(1)));
    EXPECT_EQ(target.GetWObjById(counter)->GetNTProps().GetWOId(), counter);

    // Once the copier has ended, nothing is left to paste.
    EXPECT_EQ(copier.End(), 0);
    CDsgHDAction after;
    EXPECT_FALSE(after.CanPasteWObjs());
    EXPECT_FALSE(after.CanPasteGJPixel());
    EXPECT_FALSE(after.HDRead());
}

TEST_F(HDataTest, CharacterCopiedInOneProcessIsPastedInAnother) {
    CDtrGJPixel original;
    original.nccode = 0xDB30;
    for (int cell : {0, 17, 34, 255}) original.SetJPixel(cell, CDtrGJPixel::GJP_INK);
    OtherInstance copier([&] {
        CRevolver record;
        if (!original.GJPixelToRevolver(record)) return 0;
        CDsgHDAction hd;
        hd.HDSetGJPixel(record);
        return hd.HDWrite() ? 1 : 0;
    });
    ASSERT_EQ(copier.Result(), 1);

    CDsgHDAction hd;
    EXPECT_FALSE(hd.CanPasteWObjs());
    EXPECT_TRUE(hd.CanPasteGJPixel());
    ASSERT_TRUE(hd.HDRead());
    EXPECT_EQ(hd.m_nHDKind, nDSG_HDKIND__GJPIXEL);

    // The pasted character takes the set's first free code.
    CDtrGGJPixel set;
    auto taken = std::make_unique<CDtrGJPixel>();
    taken->nccode = 0xDB30;
    set.AddGJPixel(std::move(taken));
    auto pasted = std::make_unique<CDtrGJPixel>();
    ASSERT_TRUE(pasted->GJPixelFromRevolver(hd.m_revGJPixel));
    EXPECT_EQ(pasted->nccode, 0xDB30);
    pasted->nccode = set.GetFVacantNCCode();
    CDtrGJPixel* added = set.AddGJPixel(std::move(pasted));
    EXPECT_EQ(added->nccode, 0xDB31);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(added->GetJPixel(x, y), original.GetJPixel(x, y)) << x << "," << y;
}

TEST_F(HDataTest, MissingDamagedAndForeignRecordsGiveNothingToPaste) {
    CDsgHDAction hd;
    hd.m_nHDKind = nDSG_HDKIND__WOBJS;
    EXPECT_FALSE(hd.CanPasteWObjs()) << "no block";
    EXPECT_FALSE(hd.HDRead());
    EXPECT_EQ(hd.m_nHDKind, nDSG_HDKIND__WOBJS) << "kind kept without a block";

    const auto put = [](const CFxRevPropStore& store) {
        CRevolver record;
        ASSERT_TRUE(store.ToRevolver(record));
        ASSERT_TRUE(FxSharedValues().PutSharedBuffer(HD_BLOCK_NAME, record));
    };
    // Bytes that do not decode.
    ASSERT_TRUE(FxSharedValues().PutSharedBuffer(HD_BLOCK_NAME, RevolverOf("\x61\x01")));
    EXPECT_FALSE(hd.CanPasteWObjs());
    EXPECT_FALSE(hd.HDRead());

    // Another kind.
    CFxRevPropStore store;
    store.SetInt("HD.hdkind", 3);
    store.SetRevolver("HD.wobjs", RevolverOf("x"));
    put(store);
    EXPECT_FALSE(hd.CanPasteWObjs());
    EXPECT_EQ(hd.m_nHDKind, 3);
    EXPECT_FALSE(hd.HDRead());

    // No kind at all.
    store.RemoveAll();
    store.SetInt("other", 1);
    put(store);
    EXPECT_FALSE(hd.CanPasteGJPixel());
    EXPECT_EQ(hd.m_nHDKind, -1);

    // Objects, but an empty set; a character kind without its record.
    store.RemoveAll();
    store.SetInt("HD.hdkind", 1);
    store.SetRevolver("HD.wobjs", CRevolver());
    put(store);
    EXPECT_FALSE(hd.CanPasteWObjs());
    EXPECT_EQ(hd.m_nHDKind, 1);
    store.RemoveAll();
    store.SetInt("HD.hdkind", 2);
    put(store);
    EXPECT_FALSE(hd.CanPasteGJPixel());
    EXPECT_TRUE(hd.HDRead()) << "a character kind reads even without its record";
    EXPECT_EQ(hd.m_revGJPixel.GetLength(), 0);

    // Objects whose data is missing: each reads back as -1.
    store.RemoveAll();
    store.SetInt("HD.hdkind", 1);
    CDsgHDAction empty;
    CRevolver objects;
    ASSERT_TRUE(empty.WObjsToRevolver(objects));
    store.SetRevolver("HD.wobjs", objects);
    put(store);
    hd.m_nSPIndex = hd.m_nLSIndex = 5;
    EXPECT_TRUE(hd.HDRead());
    EXPECT_EQ(hd.m_nSPIndex, -1);
    EXPECT_EQ(hd.m_nLSIndex, -1);
    EXPECT_EQ(hd.m_ptTopLeft, CPoint(-1, -1));
}

TEST_F(HDataTest, RecordTooLargeForAnotherInstancesBlockFailsAndKeepsIt) {
    OtherInstance copier([] {
        CDsgHDAction hd;
        hd.HDSetGJPixel(RevolverOf("small"));
        return hd.HDWrite() ? 1 : 0;
    });
    ASSERT_EQ(copier.Result(), 1);
    const std::string before = BlockBytes();

    Form form;
    FillForm(form);
    CDsgHDAction hd;
    int keepIds = -1;
    hd.HDSetWObjs(0, form, TRUE, keepIds);
    EXPECT_FALSE(hd.HDWrite());
    EXPECT_EQ(BlockBytes(), before);
    CDsgHDAction reader;
    EXPECT_TRUE(reader.CanPasteGJPixel());
    ASSERT_TRUE(reader.HDRead());
    EXPECT_EQ(ContentOf(reader.m_revGJPixel), "small");
}

}  // namespace
