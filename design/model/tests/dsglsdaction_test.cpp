// Working slots: the choice of a slot among live and dead owners (real
// processes), reset and recovery, and the per-form working files.

#include "design/model/dsglsdaction.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "design/model/tests/lsdtesting.h"
#include "foundation/fxsharedvalues.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"
#include "platform/textcodec.h"

namespace {

using lsdtesting::CacheForm;
using lsdtesting::Host;
using lsdtesting::OtherInstance;

std::string Ini(const std::string& slot, const std::string& key, const std::string& def = "?") {
    return GetPrivateProfileString(LSD_INI_SECTION, key, def, slot + "/" + LSD_INI_FILE);
}

void SetIni(const std::string& slot, const std::string& key, const std::string& value) {
    ASSERT_TRUE(WritePrivateProfileString(LSD_INI_SECTION, key, value, slot + "/" + LSD_INI_FILE));
}

std::string SlotOf(const std::string& base, int i) { return base + "/prj" + std::to_string(i); }

// A designer in another process that claims a slot with a window of its own,
// resets it and adds forms; it then keeps running until it ends normally,
// or dies without ending.
std::unique_ptr<OtherInstance> Owner(const std::string& slot, bool dies, int forms = 0) {
    auto lsd = std::make_shared<CDsgLSDAction>();
    std::shared_ptr<Host> host;
    std::shared_ptr<QWidget> window;
    return std::make_unique<OtherInstance>(
        [=, &host, &window]() -> int {
            MakeFolderPath(slot);
            host = std::make_shared<Host>(slot);
            window = std::make_shared<QWidget>();
            if (!lsd->LSMSSet(HandleToText(GetWindowHandle(window.get())))) return 2;
            if (!lsd->LSDReset(TRUE, TRUE, FALSE, TRUE)) return 3;
            for (int i = 1; i < forms; ++i) {
                host->page.ResetEActions();
                if (!lsd->AddELSFile(host->page, "Page" + std::to_string(i))) return 4;
            }
            for (int i = 0; i < forms; ++i) CacheForm(*host, i, i + 1);
            return dies ? -1 : 1;
        },
        [lsd] { lsd->UCSet(); });
}

class LSDSlotTest : public ::testing::Test {
protected:
    std::string base = testsupport::MakeTempFolder("slots");
    testsupport::ScriptedUi ui;
};

TEST_F(LSDSlotTest, FindChoosesTheSlotToRecoverBeforeTheFirstFreeOne) {
    // Nothing there yet: the first slot.
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 0);

    auto first = Owner(SlotOf(base, 0), false);
    auto second = Owner(SlotOf(base, 1), false);
    auto crashed = Owner(SlotOf(base, 2), true, 2);
    ASSERT_EQ(crashed->Result(), -SIGKILL);
    ASSERT_EQ(first->Result(), 1);
    ASSERT_EQ(second->Result(), 1);
    EXPECT_EQ(Ini(SlotOf(base, 2), "UComplete"), "0");
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 2) << "slot 3 is unused, slot 2 to recover";

    // A dead owner that did not end is preferred even behind a free slot.
    SetIni(SlotOf(base, 2), "UComplete", "1");
    MakeFolderPath(SlotOf(base, 3));
    SetIni(SlotOf(base, 3), "UComplete", "0");
    SetIni(SlotOf(base, 3), "lsmseed", Ini(SlotOf(base, 2), "lsmseed"));
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 3);

    // Completed and dead: the first free slot.
    SetIni(SlotOf(base, 3), "UComplete", "1");
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 2);

    // An owner that ends normally frees its slot without asking for recovery.
    EXPECT_EQ(first->End(), 0);
    EXPECT_EQ(Ini(SlotOf(base, 0), "UComplete"), "1");
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 0);
}

TEST_F(LSDSlotTest, FiveLiveOwnersLeaveNoSlot) {
    std::vector<std::unique_ptr<OtherInstance>> owners;
    for (int i = 0; i < 5; ++i) {
        owners.push_back(Owner(SlotOf(base, i), false));
        ASSERT_EQ(owners.back()->Result(), 1);
    }
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), -1);
    // A window of this process counts as live too.
    QWidget own;
    SetIni(SlotOf(base, 3), "lsmseed", HandleToText(GetWindowHandle(&own)));
    owners[3]->End();
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), -1);
    owners[4]->End();
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 4);
    // Seeds that name no window at all count as free.
    SetIni(SlotOf(base, 4), "lsmseed", "not a handle");
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 5), 4);
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 4), -1) << "the count limits the search";
}

TEST_F(LSDSlotTest, KilledSessionIsRecoveredWithItsForms) {
    {
        auto crashed = Owner(SlotOf(base, 1), true, 3);
        ASSERT_EQ(crashed->Result(), -SIGKILL);
    }
    const int slot = CDsgLSDAction::LSFind(base, "prj", 5);
    ASSERT_EQ(slot, 1);

    Host host(SlotOf(base, slot));
    QWidget hostWindow;
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSMSSet(HandleToText(GetWindowHandle(&hostWindow))));
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The last unsaved data will be restored.");
    EXPECT_EQ(ui.messages[0].caption, "Data Recovery");
    EXPECT_EQ(host.TabNames(), (std::vector<std::string>{"Form1", "Page1", "Page2"}));
    EXPECT_EQ(host.page.GetWObjCount(), 1) << "form 0 was rebuilt from its working file";
    for (const char* request : {"refresh:1", "palette", "thumbnails"})
        EXPECT_TRUE(host.Asked(request)) << request;
    EXPECT_EQ(Ini(host.workDir, "UComplete"), "0") << "still not ended";
    // The other forms are intact in their files.
    for (int i = 1; i < 3; ++i) {
        CDsgEActions form;
        int level = 0;
        ASSERT_TRUE(
            form.EActionsFromFile(CDsgLSDAction::GetSPFilePath("Page" + std::to_string(i)), level));
        EXPECT_EQ(form.GetEACount(), 2 * (i + 1));
    }
    // This instance now owns the slot.
    EXPECT_EQ(CDsgLSDAction::LSFind(base, "prj", 2), 0);
}

TEST_F(LSDSlotTest, RecoveryStopsAtTheEndOfTheFormList) {
    const std::string slot = SlotOf(base, 0);
    MakeFolderPath(slot);
    SetIni(slot, "UComplete", "0");
    SetIni(slot, "SPCount", "2000000000");
    SetIni(slot, "Form0Name", "Only");
    Host host(slot);
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));
    EXPECT_EQ(host.TabNames(), std::vector<std::string>{"Only"});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text,
              "The form list of the working folder is damaged. 1 of 2000000000 forms were "
              "restored.");
    std::set<std::string> names;
    lsd.GetXTingLoSPNames(names);
    EXPECT_EQ(names, std::set<std::string>{"only"});
}

TEST_F(LSDSlotTest, ResetStartsOneEmptyFormAndDropsWorkingFiles) {
    const std::string slot = SlotOf(base, 0);
    MakeFolderPath(slot);
    testsupport::WriteFileBytes(slot + "/old.frm", "x");
    testsupport::WriteFileBytes(slot + "/OLD2.FRM", "x");
    testsupport::WriteFileBytes(slot + "/keep.txt", "x");
    testsupport::WriteFileBytes(slot + "/frm", "x");
    Host host(slot);
    auto character = std::make_unique<CDtrGJPixel>();
    character->nccode = 0xDB31;
    host.characters.AddGJPixel(std::move(character));
    host.tabs.push_back({"stale", "", 0});
    eatesting::CreateDragged(host.page, nDSG_WOKIND__WOBOX, CRect(0, 0, 10000, 10000));

    // No CurrentProj.ini: UComplete reads -1, so recovery is never offered.
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Ini(slot, "UComplete") + Ini(slot, "SPCount") + Ini(slot, "Form0Name"), "01Form1");
    EXPECT_EQ(host.TabNames(), std::vector<std::string>{"Form1"});
    EXPECT_EQ(host.page.GetEACount(), 0);
    std::vector<std::string> files;
    ListFolder(slot, files, FALSE, FALSE);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{LSD_INI_FILE, "Form1.frm", "frm", LSD_GGJP_FILE,
                                               "keep.txt"}));
    EXPECT_TRUE(host.Asked("editbuttons"));
    EXPECT_EQ(host.characters.GetGJPCount(), 0);
    CDtrGGJPixel saved;
    EXPECT_TRUE(saved.GGJPixelFromFile(slot + "/" + LSD_GGJP_FILE));
    EXPECT_EQ(saved.GetGJPCount(), 0);

    // UComplete 0 but recovery not allowed (a later new document): reset,
    // here without a form and without the bar.
    host.log.clear();
    ASSERT_TRUE(lsd.LSDReset(FALSE, TRUE, FALSE, FALSE));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Ini(slot, "SPCount"), "0");
    EXPECT_TRUE(host.tabs.empty());
    EXPECT_FALSE(IsPathExisting(slot + "/Form1.frm"));
    EXPECT_FALSE(host.Asked("editbuttons") || host.Asked("clear"));
}

TEST_F(LSDSlotTest, FailuresAreRefusedAndLogged) {
    eatesting::ReasonLog log;
    CDsgLSDAction lsd;
    {
        Host host("");
        EXPECT_FALSE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));
        EXPECT_FALSE(lsd.LSMSSet("1"));
        EXPECT_FALSE(lsd.UCSet());
        EXPECT_TRUE(host.log.empty());
    }

    // The INI file cannot be written (a folder stands in its place).
    const std::string slot = SlotOf(base, 0);
    MakeFolderPath(slot + "/" + LSD_INI_FILE);
    {
        Host host(slot);
        EXPECT_FALSE(lsd.LSDReset(TRUE, TRUE, FALSE, TRUE));
        EXPECT_FALSE(host.Asked("removeall")) << "nothing touched after the failed write";
        EXPECT_FALSE(lsd.LSMSSet("12"));
    }

    // A recovery whose thumbnails cannot be drawn says so and goes on.
    const std::string other = SlotOf(base, 1);
    MakeFolderPath(other);
    SetIni(other, "UComplete", "0");
    Host host(other);
    host.thumbnailsResult = false;
    EXPECT_TRUE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));
    const std::string text = log.Text();
    for (const std::string& entry : {std::string("] LSDReset Fail Reason 1.0\r\n"),
                                     std::string("] LSDReset Fail Reason 2.0\r\n"),
                                     std::string("] LSMSSet Fail Reason 2.0\r\n"),
                                     "] " + A("◀◀◀◀◀◀◀") + "AllSPagesFBTSPIUpdate Failed\r\n"})
        EXPECT_NE(text.find(entry), std::string::npos) << entry;
}

TEST_F(LSDSlotTest, FormsAreAddedCachedLaunchedAndNamed) {
    const std::string slot = SlotOf(base, 0);
    Host host(slot);
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
    CacheForm(host, 0, 2);
    CDsgEActions empty;
    ASSERT_TRUE(lsd.AddELSFile(empty, "Menu Page"));
    EXPECT_EQ(Ini(slot, "Form1Name"), "Menu Page");
    EXPECT_FALSE(lsd.AddELSFile(empty, "../escape")) << "a name must stay in the slot";
    EXPECT_FALSE(lsd.AddELSFile(empty, ""));
    EXPECT_EQ(Ini(slot, "SPCount"), "2");

    // Launching reads the working file into the page.
    ASSERT_TRUE(lsd.SLSLaunch(1, TRUE));
    ASSERT_TRUE(lsd.SLSLaunch(0, FALSE));
    EXPECT_EQ(host.page.GetEACount(), 4);
    EXPECT_EQ(host.page.GetSPIndex(), 1) << "not made current";

    // A negative index caches nothing; a form without a name fails.
    const std::string before = testsupport::ReadFileBytes(slot + "/Form1.frm");
    EXPECT_TRUE(lsd.SLSCache(-1, TRUE));
    EXPECT_FALSE(lsd.SLSCache(7, TRUE));
    EXPECT_FALSE(IsPathExisting(slot + "/.frm"));
    EXPECT_EQ(testsupport::ReadFileBytes(slot + "/Form1.frm"), before);

    std::set<std::string> names{"left over"};
    lsd.GetXTingLoSPNames(names);
    EXPECT_EQ(names, (std::set<std::string>{"form1", "menu page"}));

    // A slot without a form count starts at form 0.
    const std::string other = SlotOf(base, 1);
    Host second(other);
    ASSERT_TRUE(lsd.AddELSFile(empty, "First"));
    EXPECT_EQ(Ini(other, "Form0Name") + Ini(other, "SPCount") + Ini(other, "Form-1Name"),
              "First1?");
}

TEST_F(LSDSlotTest, ExchangeSwapsNamesAndTabsButNotFiles) {
    const std::string slot = SlotOf(base, 0);
    Host host(slot);
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
    CDsgEActions empty;
    ASSERT_TRUE(lsd.AddELSFile(empty, "Second"));
    ASSERT_TRUE(lsd.AddELSFile(empty, "Third"));
    host.TSPAddPage("Second");
    host.TSPAddPage("Third");
    host.tabs[0].flag = 7;
    CacheForm(host, 0, 3);
    const std::string first = testsupport::ReadFileBytes(slot + "/Form1.frm");
    const std::string third = testsupport::ReadFileBytes(slot + "/Third.frm");

    ASSERT_TRUE(lsd.SPIExchange(0, 2));
    EXPECT_EQ(Ini(slot, "Form0Name") + "," + Ini(slot, "Form2Name"), "Third,Form1");
    EXPECT_EQ(host.TabNames(), (std::vector<std::string>{"Third", "Second", "Form1"}));
    EXPECT_EQ(host.tabs[2].flag, 7);
    EXPECT_EQ(host.tabs[2].path, host.PathOf(2));
    EXPECT_EQ(host.current * 10 + host.page.GetSPIndex(), 22);
    EXPECT_TRUE(host.Asked("repaint") && host.Asked("editbuttons"));
    EXPECT_EQ(testsupport::ReadFileBytes(slot + "/Form1.frm"), first);
    EXPECT_EQ(testsupport::ReadFileBytes(slot + "/Third.frm"), third);
    // The form now at index 2 launches with its own content.
    ASSERT_TRUE(lsd.SLSLaunch(2, TRUE));
    EXPECT_EQ(host.page.GetEACount(), 6);

    // A missing tab refuses the exchange and leaves the names alone.
    host.log.clear();
    EXPECT_FALSE(lsd.SPIExchange(1, 3));
    EXPECT_EQ(Ini(slot, "Form1Name") + Ini(slot, "Form3Name"), "Second?");
    EXPECT_FALSE(host.Asked("exchange:1,3"));
}

// A claim without a slot is the same failed claim as one whose INI file
// cannot be written, and is logged as such.
TEST_F(LSDSlotTest, ClaimWithoutASlotLogsTheFailedClaim) {
    eatesting::ReasonLog diagnostics;
    Host host("");
    CDsgLSDAction lsd;
    EXPECT_FALSE(lsd.LSMSSet("5"));
    EXPECT_EQ(diagnostics.Text().substr(9), "] LSMSSet Fail Reason 2.0\r\n\r\n");
}

// The recovered session gets its characters back from the slot's character
// file, so that the next change of the set does not write over them.
TEST_F(LSDSlotTest, RecoveryRestoresTheCharacterSet) {
    const std::string slot = SlotOf(base, 0);
    Host host(slot);
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
    CDtrGGJPixel saved;
    for (int code : {0xDB30, 0xDB35}) {
        auto character = std::make_unique<CDtrGJPixel>();
        character->nccode = code;
        character->SetJPixel(17, CDtrGJPixel::GJP_INK);
        saved.AddGJPixel(std::move(character));
    }
    ASSERT_TRUE(saved.GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath()));
    const std::string file = testsupport::ReadFileBytes(CDsgLSDAction::GetGGJPixelPath());

    // The next designer on this slot starts with an empty set and recovers.
    Host next(slot);
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));
    ASSERT_EQ(next.characters.GetGJPCount(), 2);
    EXPECT_EQ(next.listCodes, (std::vector<int>{0xDB30, 0xDB35}));
    EXPECT_EQ(next.characters.GetGJPixelAt(1)->GetJPixel(1, 1), CDtrGJPixel::GJP_INK);
    EXPECT_EQ(testsupport::ReadFileBytes(CDsgLSDAction::GetGGJPixelPath()), file);
}

}  // namespace
