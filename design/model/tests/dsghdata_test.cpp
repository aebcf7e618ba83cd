// The copy buffer: its record and block bytes, copy in one process and paste
// in another, and the answers when the block is missing, damaged, of another
// kind or too small.

#include "design/model/dsghdata.h"

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "design/model/tests/lsdtesting.h"
#include "foundation/fxsharedvalues.h"
#include "platform/sharedmemory.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace {

using namespace eatesting;
using lsdtesting::OtherInstance;

// The block's bytes as every instance sees them; empty when there is none.
std::string BlockBytes() {
    auto block = SharedMemoryBlock::Open(HD_BLOCK_NAME);
    if (!block) return std::string();
    return std::string(reinterpret_cast<const char*>(block->Data()), block->Size());
}

// A form of three objects: two boxes and a line.
void FillForm(Form& form) {
    CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(30000, 40000, 90000, 80000));
    CreateDragged(form, nDSG_WOKIND__WOLINE, CRect(0, 0, 50000, 50000));
    CreateDragged(form, nDSG_WOKIND__WOBOX, CRect(120000, 20000, 60000, 110000));
}

// Puts a record into the block as another instance's copy would.
void Put(const std::function<void(CFxRevPropStore&)>& fill) {
    CFxRevPropStore store;
    fill(store);
    CRevolver record;
    ASSERT_TRUE(store.ToRevolver(record));
    ASSERT_TRUE(FxSharedValues().PutSharedBuffer(HD_BLOCK_NAME, record));
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
    EXPECT_NE(hd.GetWObjById(2), nullptr) << "the copies keep their ids";
    ASSERT_TRUE(hd.HDWrite());

    // The record's length (four bytes, little-endian), then the record; the
    // top left is the smallest corner of the chosen objects.
    const std::string bytes = BlockBytes();
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), IntItem("", static_cast<int>(bytes.size() - 4)).substr(2));
    CRevolver objects;
    ASSERT_TRUE(hd.WObjsToRevolver(objects));
    EXPECT_EQ(DumpOf(RevolverOf(bytes.substr(4))),
              (Dump{{"HD.hdkind", {kInt, "1"}},
                    {"HD.hdspindex", {kInt, "3"}},
                    {"HD.hdtlpoint.x", {kInt, "30000"}},
                    {"HD.hdtlpoint.y", {kInt, "20000"}},
                    {"HD.hdlsindex", {kInt, "9"}},
                    {"HD.wobjs", {kBlock, ContentOf(objects)}}}));

    // A character replaces the objects in the block.
    hd.HDSetGJPixel(RevolverOf("character record"));
    ASSERT_TRUE(hd.HDWrite());
    EXPECT_EQ(DumpOf(RevolverOf(BlockBytes().substr(4))),
              (Dump{{"HD.hdkind", {kInt, "2"}}, {"HD.gjpfruit", {kBlock, "character record"}}}));
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
    ASSERT_TRUE(hd.HDRead());
    EXPECT_EQ(hd.m_nSPIndex * 10 + hd.m_nLSIndex, 14);
    EXPECT_EQ(hd.m_ptTopLeft, CPoint(0, 0));

    // Pasted into a form with objects of its own: new ids from its counter,
    // the same rectangles and attributes.
    Form target;
    FillForm(target);
    target.CopyWObjsFrom(hd, FALSE, target.WOIdCounter());
    EXPECT_EQ(target.GetWOIdCounter(), 5);
    EXPECT_EQ(target.Rects().substr(target.Rects().find(" 3:")),
              " 3:30000,40000,90000,80000 4:0,0,50000,50000");
    for (int id : {3, 4}) {
        EXPECT_EQ(target.GetWObjById(id)->GetNTProps().GetWOId(), id);
        EXPECT_EQ(static_cast<const CDsgUTProps&>(*target.GetWObjById(id)).GetText(),
                  static_cast<const CDsgUTProps&>(*source.GetWObjById(id - 3)).GetText());
    }

    // Once the copier has ended, nothing is left to paste.
    EXPECT_EQ(copier.End(), 0);
    CDsgHDAction after;
    EXPECT_FALSE(after.CanPasteWObjs() || after.CanPasteGJPixel() || after.HDRead());
}

TEST_F(HDataTest, CharacterCopiedInOneProcessIsPastedInAnother) {
    CDtrGJPixel original;
    original.nccode = 0xDB30;
    for (int cell : {0, 17, 34, 255}) original.SetJPixel(cell, CDtrGJPixel::GJP_INK);
    CRevolver record;
    ASSERT_TRUE(original.GJPixelToRevolver(record));
    OtherInstance copier([&] {
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
    CDtrGJPixel pasted;
    ASSERT_TRUE(pasted.GJPixelFromRevolver(hd.m_revGJPixel));
    CRevolver again;
    ASSERT_TRUE(pasted.GJPixelToRevolver(again));
    EXPECT_EQ(ContentOf(again), ContentOf(record));
}

TEST_F(HDataTest, MissingDamagedAndForeignRecordsGiveNothingToPaste) {
    CDsgHDAction hd;
    hd.m_nHDKind = nDSG_HDKIND__WOBJS;
    EXPECT_FALSE(hd.CanPasteWObjs() || hd.HDRead()) << "no block";
    EXPECT_EQ(hd.m_nHDKind, nDSG_HDKIND__WOBJS) << "kind kept without a block";

    ASSERT_TRUE(FxSharedValues().PutSharedBuffer(HD_BLOCK_NAME, RevolverOf("\x61\x01")));
    EXPECT_FALSE(hd.CanPasteWObjs() || hd.HDRead()) << "bytes that do not decode";

    // Another kind, no kind at all, objects but an empty set.
    const struct {
        int kind;  // -1: no kind
        const char* objects;
    } foreign[] = {{3, "x"}, {-1, nullptr}, {1, ""}};
    for (const auto& f : foreign) {
        Put([&](CFxRevPropStore& s) {
            if (f.kind >= 0) s.SetInt("HD.hdkind", f.kind);
            if (f.objects) s.SetRevolver("HD.wobjs", RevolverOf(f.objects));
        });
        EXPECT_FALSE(hd.CanPasteWObjs() || hd.CanPasteGJPixel()) << f.kind;
        EXPECT_EQ(hd.m_nHDKind, f.kind);
        if (f.kind == 3) {
            EXPECT_FALSE(hd.HDRead());
        }
    }

    // A character kind reads even without its record.
    Put([](CFxRevPropStore& s) { s.SetInt("HD.hdkind", 2); });
    EXPECT_FALSE(hd.CanPasteGJPixel());
    EXPECT_TRUE(hd.HDRead());
    EXPECT_EQ(hd.m_revGJPixel.GetLength(), 0);

    // Objects whose data is missing: each reads back as -1.
    CRevolver objects;
    ASSERT_TRUE(CDsgHDAction().WObjsToRevolver(objects));
    Put([&](CFxRevPropStore& s) {
        s.SetInt("HD.hdkind", 1);
        s.SetRevolver("HD.wobjs", objects);
    });
    hd.m_nSPIndex = hd.m_nLSIndex = 5;
    EXPECT_TRUE(hd.HDRead());
    EXPECT_EQ(hd.m_nSPIndex + hd.m_nLSIndex, -2);
    EXPECT_EQ(hd.m_ptTopLeft, CPoint(-1, -1));
}

// A record larger than the block another instance holds grows the block:
// the copy succeeds and every instance pastes it.
TEST_F(HDataTest, LargerCopyGrowsTheBlockAnotherInstanceHolds) {
    OtherInstance copier([] {
        CDsgHDAction hd;
        hd.HDSetGJPixel(RevolverOf("small"));
        return hd.HDWrite() ? 1 : 0;
    });
    ASSERT_EQ(copier.Result(), 1);

    Form form;
    FillForm(form);
    CDsgHDAction hd;
    int keepIds = -1;
    hd.HDSetWObjs(0, form, TRUE, keepIds);
    ASSERT_TRUE(hd.HDWrite());
    OtherInstance reader([] {
        CDsgHDAction pasted;
        return pasted.HDRead() && pasted.m_nHDKind == nDSG_HDKIND__WOBJS ? pasted.GetWObjCount()
                                                                         : 0;
    });
    EXPECT_EQ(reader.Result(), 3);
}

// A copy that cannot be kept says so, and Paste goes on giving the last
// copy that succeeded.
TEST_F(HDataTest, FailedCopyIsReportedAndPasteKeepsTheLastGoodCopy) {
    OtherInstance good([] {
        CDsgHDAction hd;
        hd.HDSetGJPixel(RevolverOf("good"));
        return hd.HDWrite() ? 1 : 0;
    });
    ASSERT_EQ(good.Result(), 1);
    OtherInstance copier([] {
        // A file-size limit below the record keeps the block from growing.
        testsupport::ScriptedUi ui;
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        CDsgHDAction big;
        big.HDSetGJPixel(RevolverOf(std::string(100000, 'b')));
        const BOOL written = big.HDWrite();
        return !written && ui.messages.size() == 1 &&
                       ui.messages[0].text == "Cannot copy pixel data to clipboard." &&
                       ui.messages[0].caption == "Copy Failure"
                   ? 1
                   : 0;
    });
    EXPECT_EQ(copier.Result(), 1);
    CDsgHDAction pasted;
    ASSERT_TRUE(pasted.HDRead());
    EXPECT_EQ(ContentOf(pasted.m_revGJPixel), "good");
}

// The record of copy round r: its size swings between a few bytes and about
// a hundred kilobytes, and its bytes tell the round.
std::string RoundRecord(int r) {
    const unsigned mix = static_cast<unsigned>(r) * 2654435761u;
    const size_t size = 8 + (r % 3 == 0 ? mix % 120000 : mix % 2000);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((mix >> (i % 24)) + i);
    std::memcpy(bytes.data(), &r, sizeof(r));
    return bytes;
}

// Two designers copy by turns, each pasting what the other just copied:
// every paste equals the last copy, whichever instance's block was smaller.
TEST_F(HDataTest, CopiesByTurnsBetweenTwoProcessesArePastedExactly) {
#if defined(__SANITIZE_ADDRESS__)
    const int rounds = 400;  // the checked build is several times slower
#else
    const int rounds = 1000;
#endif
    testsupport::Channel toChild, toParent;
    // Copies round r when it is this side's turn, else pastes and checks it.
    const auto play = [&](int side, testsupport::Channel& in, testsupport::Channel& out) {
        int wrong = 0;
        for (int r = 0; r < rounds; ++r) {
            if (r % 2 == side) {
                CDsgHDAction hd;
                hd.HDSetGJPixel(RevolverOf(RoundRecord(r)));
                if (!hd.HDWrite()) ++wrong;
                out.Send();
            } else {
                if (in.Receive() == 0) return wrong + 1000;
                CDsgHDAction hd;
                if (!hd.HDRead() || ContentOf(hd.m_revGJPixel) != RoundRecord(r)) ++wrong;
            }
        }
        return wrong;
    };
    const pid_t child =
        testsupport::ForkChild([&] { return std::min(play(1, toChild, toParent), 255); });
    EXPECT_EQ(play(0, toParent, toChild), 0);
    EXPECT_EQ(testsupport::WaitChild(child), 0);
}

// While one designer copies again and again, another pastes at the same
// time: each paste is one whole record, never a mix of two.
TEST_F(HDataTest, PasteDuringCopiesGetsAWholeRecordOrNone) {
    testsupport::Channel done;
    const pid_t child = testsupport::ForkChild([&] {
        int failed = 0;
        for (int r = 1; r <= 300; ++r) {
            CDsgHDAction hd;
            hd.HDSetGJPixel(RevolverOf(RoundRecord(r)));
            failed += hd.HDWrite() ? 0 : 1;
        }
        done.Send();
        return std::min(failed, 255);
    });
    int torn = 0, whole = 0;
    for (bool last = false; !last;) {
        last = done.Poll();
        CDsgHDAction hd;
        if (!hd.HDRead()) continue;
        const std::string got = ContentOf(hd.m_revGJPixel);
        int r = 0;
        if (got.size() >= sizeof(r)) std::memcpy(&r, got.data(), sizeof(r));
        if (got == RoundRecord(r))
            ++whole;
        else
            ++torn;
    }
    EXPECT_EQ(testsupport::WaitChild(child), 0);
    EXPECT_EQ(torn, 0);
    EXPECT_GT(whole, 0);
}

}  // namespace
