#include "design/model/dsgtprops.h"

#include <gtest/gtest.h>

#include "design/model/tests/eactionstesting.h"

using namespace eatesting;

namespace {

// The bytes of an attribute record holding one script text.
std::string ScriptRecord(const std::string& text) {
    CDsgUTProps props;
    props.RemoveAll();
    props.SetString(szUTP_LSCRIPT, text);
    CRevolver buffer;
    props.ToRevolver(buffer, KEYSTYLE_LONG);
    return ContentOf(buffer);
}

CDsgTProps MakeLine() {
    CDsgTProps tp;
    tp.SetNTProps(7, 3, CRect(250000, 120000, -5, 90000));
    tp.GetUTProps().SetString(szUTP_DTSIZE, "2");
    return tp;
}

}  // namespace

TEST(DsgNTPropsTest, MissingKeysAndDotRectangle) {
    CDsgNTProps nt;
    EXPECT_EQ(nt.GetWOId() * 10 + nt.GetWOKind(), -10);
    EXPECT_EQ(nt.GetLMHugeRect(), CRect(0, 0, 0, 0));

    // A line drawn from lower right to upper left keeps its direction; each
    // edge is truncated toward zero on its own.
    nt.SetNTProps(0, 3, CRect(250000, 129999, -5, -15000));
    EXPECT_EQ(nt.GetLMHugeRect(), CRect(250000, 129999, -5, -15000));
    EXPECT_EQ(nt.GetLMRect(), CRect(25, 12, 0, -1));
}

TEST(DsgNTPropsTest, ExactRecordInEachStyle) {
    CDsgNTProps nt;
    nt.SetNTProps(7, 3, CRect(1, 2, 3, -4));

    CRevolver buffer;
    ASSERT_TRUE(nt.NTPropsToRevolver(buffer, KEYSTYLE_LONG));
    EXPECT_EQ(DumpOf(buffer), (Dump{{"NTP.wokind", {kInt, "3"}},
                                    {"NTP.woid", {kInt, "7"}},
                                    {"NTP.lmhuge_left", {kInt, "1"}},
                                    {"NTP.lmhuge_top", {kInt, "2"}},
                                    {"NTP.lmhuge_right", {kInt, "3"}},
                                    {"NTP.lmhuge_bottom", {kInt, "-4"}}}));

    ASSERT_TRUE(nt.NTPropsToRevolver(buffer, KEYSTYLE_SHORT));
    // Items in the store's (sorted) order, each an integer.
    EXPECT_EQ(ContentOf(buffer), IntItem("obj_bottom", -4) + IntItem("obj_kind", 3) +
                                     IntItem("obj_left", 1) + IntItem("obj_right", 3) +
                                     IntItem("obj_top", 2) + IntItem("obj_uid", 7));
    // Writing in the short style leaves the record in memory in long keys.
    EXPECT_TRUE(nt.HasKey("NTP.woid"));
    EXPECT_FALSE(nt.HasKey("obj_uid"));
}

TEST(DsgNTPropsTest, BrokenRecordLeavesTheRecord) {
    CDsgNTProps nt;
    nt.SetNTProps(4, 5, CRect(1, 2, 3, 4));
    // A good item, then an integer cut short.
    const std::string bytes = IntItem("NTP.woid", 99) + IntItem("NTP.wokind", 2).substr(0, 14);
    EXPECT_FALSE(nt.NTPropsFromRevolver(RevolverOf(bytes), KEYSTYLE_LONG));
    EXPECT_EQ(nt.GetWOId() * 10 + nt.GetWOKind(), 45);
    EXPECT_EQ(nt.GetLMHugeRect(), CRect(1, 2, 3, 4));
}

TEST(DsgUTPropsTest, DefaultsAsTheyAreWritten) {
    CDsgUTProps ut;
    ut.SetString(szUTP_PTITALIC, "1");
    ut.ResetUTProps();  // also drops keys that have no default
    CRevolver buffer;
    ASSERT_TRUE(ut.ToRevolver(buffer, KEYSTYLE_SHORT));
    EXPECT_EQ(DumpOf(buffer),
              (Dump{{"UTP.*dummy", {kText, "0"}},           {"UTP.dtsize", {kText, "0"}},
                    {"UTP.dtspace", {kText, "0"}},          {"UTP.cswitch", {kText, "1"}},
                    {"UTP.keep_xyratio", {kText, "1"}},     {"UTP.krnfindex", {kText, "0"}},
                    {"UTP.alnfindex", {kText, "0"}},        {"UTP.bstate", {kText, "0"}},
                    {"UTP.is_underlined", {kText, "0"}},    {"UTP.wonstyle", {kText, "2"}},
                    {"UTP.ptcontent", {kText, ""}},         {"UTP.ptface", {kText, "Arial"}},
                    {"UTP.ptsize", {kText, "16"}},          {"UTP.ptthickness", {kText, "Normal"}},
                    {"UTP.pttransparent", {kText, "1"}},    {"UTP.ptantialias", {kText, "0"}},
                    {"UTP.ptbkcolor", {kText, "16777215"}}, {"UTP.ptwordbreak", {kText, "1"}},
                    {"UTP.pthcenter", {kText, "0"}},        {"UTP.ptstruckout", {kText, "0"}},
                    {"UTP.is_inversed", {kText, "0"}},      {"UTP.lscript", {kText, ""}},
                    {"UTP.obwbmp", {kBlock, ""}},           {"UTP.dirncachar", {kText, ""}}}));
}

TEST(DsgUTPropsTest, ReaderReplacesOrKeeps) {
    CDsgUTProps source;
    source.RemoveAll();
    source.SetString(szUTP_LSCRIPT, "HELLO");
    CRevolver buffer;
    ASSERT_TRUE(source.ToRevolver(buffer, KEYSTYLE_LONG));

    // The record is replaced, not merged into the defaults.
    CDsgUTProps read;
    ASSERT_TRUE(read.FromRevolver(buffer, KEYSTYLE_SHORT));
    EXPECT_EQ(read.GetText(), "UTP.lscript=HELLO");
    // A damaged record keeps the attributes before the damage.
    const std::string broken = Bytes({0x00, 0x01, 'k', 0x05, 'a'});
    EXPECT_FALSE(read.FromRevolver(RevolverOf(ScriptRecord("AB") + broken), KEYSTYLE_LONG));
    EXPECT_EQ(read.GetText(), "UTP.lscript=AB");
}

TEST(DsgUTPropsTest, FontOfAPCText) {
    auto font = [](const CDsgUTProps& ut, double zoom) {
        FontSpec f;
        ut.CreateFontA(f, zoom);
        return std::to_string(f.height) + "," + std::to_string(f.width) + "," +
               std::to_string(f.weight) + (f.italic ? ",i" : "") + (f.underline ? ",u" : "") +
               (f.strikeOut ? ",s" : "") + "," + f.face;
    };
    CDsgUTProps ut;
    EXPECT_EQ(font(ut, 1.5), "24,0,400,Arial");
    for (const char* key : {szUTP_PTITALIC, szUTP_PTUNDERLINED, szUTP_PTSTRUCKOUT})
        ut.SetString(key, "1");
    ut.SetString(szUTP_PTSIZE, "15");
    ut.SetString(szUTP_PTFACE, "Courier New");
    // 14.85 truncated; only the exact thickness texts count.
    const std::pair<const char*, std::string> weights[] = {{"Thin", "14,0,100,i,u,s,Courier New"},
                                                           {"Bold", "14,0,700,i,u,s,Courier New"},
                                                           {"bold", "14,0,400,i,u,s,Courier New"}};
    for (const auto& [thickness, expected] : weights) {
        ut.SetString(szUTP_PTTHICKNESS, thickness);
        EXPECT_EQ(font(ut, 0.99), expected);
    }
}

TEST(DsgTPropsTest, PairRecordInEachStyle) {
    const CDsgTProps tp = MakeLine();
    CRevolver ntLong, ntShort, ut;
    ASSERT_TRUE(tp.NTPropsToRevolver(ntLong, KEYSTYLE_LONG));
    ASSERT_TRUE(tp.NTPropsToRevolver(ntShort, KEYSTYLE_SHORT));
    ASSERT_TRUE(tp.GetUTProps().ToRevolver(ut, KEYSTYLE_LONG));

    CRevolver buffer;
    ASSERT_TRUE(tp.TPropsToRevolver(buffer, KEYSTYLE_SHORT));
    EXPECT_EQ(DumpOf(buffer),
              (Dump{{"ca", {kBlock, ContentOf(ntShort)}}, {"ua", {kBlock, ContentOf(ut)}}}));

    ASSERT_TRUE(tp.TPropsToRevolver(buffer, KEYSTYLE_LONG));
    EXPECT_EQ(DumpOf(buffer), (Dump{{"TP.ntprops", {kBlock, ContentOf(ntLong)}},
                                    {"TP.utprops", {kBlock, ContentOf(ut)}}}));
}

TEST(DsgTPropsTest, LongRecordsReadInBothStylesShortOnlyInShort) {
    const CDsgTProps tp = MakeLine();
    CRevolver longRecord, shortRecord, ntShort;
    ASSERT_TRUE(tp.TPropsToRevolver(longRecord, KEYSTYLE_LONG));
    ASSERT_TRUE(tp.TPropsToRevolver(shortRecord, KEYSTYLE_SHORT));
    ASSERT_TRUE(tp.NTPropsToRevolver(ntShort, KEYSTYLE_SHORT));

    const std::pair<const CRevolver*, int> readable[] = {{&longRecord, KEYSTYLE_LONG},
                                                         {&longRecord, KEYSTYLE_SHORT},
                                                         {&shortRecord, KEYSTYLE_SHORT}};
    for (const auto& [record, style] : readable) {
        CDsgTProps read;
        ASSERT_TRUE(read.TPropsFromRevolver(*record, style));
        EXPECT_EQ(read.GetWOId() * 10 + read.GetWOKind(), 73);
        EXPECT_EQ(read.GetLMHugeRect(), CRect(250000, 120000, -5, 90000));
        EXPECT_FALSE(static_cast<const CDsgNTProps&>(read).HasKey("obj_uid"));
        EXPECT_EQ(read.GetUTProps().GetText(), tp.GetUTProps().GetText());
    }

    // A long-style reader takes short keys as they stand: the pair has no
    // "TP." records, and a bare NT record has no id and no kind.
    CDsgTProps untouched;
    untouched.SetNTProps(1, 2, CRect(3, 4, 5, 6));
    EXPECT_FALSE(untouched.TPropsFromRevolver(shortRecord, KEYSTYLE_LONG));
    EXPECT_EQ(untouched.GetLMHugeRect(), CRect(3, 4, 5, 6));
    CDsgNTProps longRead;
    ASSERT_TRUE(longRead.NTPropsFromRevolver(ntShort, KEYSTYLE_LONG));
    EXPECT_EQ(longRead.GetWOId() * 10 + longRead.GetWOKind(), -10);
}

TEST(DsgTPropsTest, FailedReadLeavesThePair) {
    CRevolver good;
    ASSERT_TRUE(MakeLine().TPropsToRevolver(good, KEYSTYLE_LONG));
    // A byte block cut inside its bytes, and an integer cut short.
    const std::string broken = Bytes({0x00, 0x01, 'k', 0x05, 'a'});
    const CRevolver bad[] = {Edited(good, Renamed(szTP_NTPROPS)),
                             Edited(good, Renamed(szTP_UTPROPS)),
                             Edited(good, WithBlock(szTP_NTPROPS, broken)),
                             RevolverOf(ContentOf(good) + Bytes({0x23, 0x01, 'x', 0x01}))};
    for (size_t i = 0; i < std::size(bad); ++i) {
        CDsgTProps tp;
        tp.SetNTProps(1, 2, CRect(3, 4, 5, 6));
        tp.GetUTProps().SetString(szUTP_LSCRIPT, "KEEP");
        const std::string kept = tp.GetUTProps().GetText();
        EXPECT_FALSE(tp.TPropsFromRevolver(bad[i], KEYSTYLE_SHORT)) << i;
        EXPECT_EQ(tp.GetWOId(), 1) << i;
        EXPECT_EQ(tp.GetLMHugeRect(), CRect(3, 4, 5, 6)) << i;
        EXPECT_EQ(tp.GetUTProps().GetText(), kept) << i;
    }
}

TEST(DsgTPropsTest, DamagedAttributesStillLoadTheObject) {
    CRevolver good;
    ASSERT_TRUE(MakeLine().TPropsToRevolver(good, KEYSTYLE_LONG));
    const std::string broken = Bytes({0x00, 0x01, 'k', 0x05, 'a'});
    CDsgTProps tp;
    ASSERT_TRUE(tp.TPropsFromRevolver(
        Edited(good, WithBlock(szTP_UTPROPS, ScriptRecord("AB") + broken)), KEYSTYLE_LONG));
    EXPECT_EQ(tp.GetWOId(), MakeLine().GetWOId());
    EXPECT_EQ(tp.GetLMHugeRect(), MakeLine().GetLMHugeRect());
    EXPECT_EQ(tp.GetUTProps().GetText(), "UTP.lscript=AB");
}

TEST(DsgTPropsTest, EmptyKeyFailsTheWriterAndKeepsTheBuffer) {
    CDsgTProps tp = MakeLine();
    tp.GetUTProps().SetString("", "x");
    CRevolver buffer = RevolverOf("old");
    EXPECT_FALSE(tp.TPropsToRevolver(buffer, KEYSTYLE_LONG));
    EXPECT_EQ(ContentOf(buffer), "old");
}

TEST(DsgTPropsTest, ReadFailuresReachTheDeveloperLog) {
    ReasonLog log;
    CDsgTProps tp;
    EXPECT_FALSE(
        tp.TPropsFromRevolver(Edited(CRevolver(), WithBlock(szTP_NTPROPS, "")), KEYSTYLE_LONG));
    EXPECT_FALSE(tp.TPropsFromRevolver(RevolverOf(Bytes({0x22, 0x01, 'k'})), KEYSTYLE_LONG));

    const std::string text = log.Text();
    EXPECT_NE(text.find("] CDsgTProps::TPropsFromRevolver Fail Reason 3.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("] CDsgTProps::TPropsFromRevolver Fail Reason 1.0\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Reason 2.0"), std::string::npos);
}
