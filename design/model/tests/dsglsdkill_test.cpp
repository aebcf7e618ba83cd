// Nothing of a designer's work is lost to a kill or to another designer:
// writers killed at random moments, designers started together, an open cut
// short. Real processes; the slots lie on a memory file system so that the
// many rounds are not paced by the disk (a kill loses nothing the kernel
// holds, synced or not: these tests are about whole files and locks).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QWidget>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "design/model/dsgdpsettings.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "design/model/tests/lsdtesting.h"
#include "platform/atomicfile.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace {

using lsdtesting::Host;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kKills = 15;  // every process start is slow there
#else
constexpr int kKills = 200;
#endif

// Reports from a child: a tag byte and a number, in one pipe write.
struct Report {
    char tag = 0;
    int value = 0;
};

class Pipe {
public:
    Pipe() { EXPECT_EQ(pipe(m_fds), 0); }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void Send(char tag, int value) {
        char bytes[5] = {tag};
        std::memcpy(bytes + 1, &value, 4);
        (void)!write(m_fds[1], bytes, 5);
    }
    // The next report; tag 0 at the end (every writer gone) or after ten
    // seconds without one.
    Report Receive() {
        Report r;
        pollfd p{m_fds[0], POLLIN, 0};
        char bytes[5];
        if (poll(&p, 1, 10000) != 1 || read(m_fds[0], bytes, 5) != 5) return r;
        r.tag = bytes[0];
        std::memcpy(&r.value, bytes + 1, 4);
        return r;
    }
    void CloseRead() {
        if (m_fds[0] >= 0) close(m_fds[0]);
        m_fds[0] = -1;
    }
    void CloseWrite() {
        if (m_fds[1] >= 0) close(m_fds[1]);
        m_fds[1] = -1;
    }

private:
    int m_fds[2] = {-1, -1};
};

// A box drawn on the form as the page records it (a joined creation and its
// geometry), appended to the history only: the objects are not rebuilt.
void AppendBox(CDsgEActions& form, int i) {
    dsgtesting::AppendCreationDrag(form, nDSG_WOKIND__WOBOX, CRect(i, 0, i + 50000, 40000));
}

// A host whose main frame does not rebuild the page's objects on refresh:
// what is recovered is checked on the history itself.
class HistoryHost : public Host {
public:
    using Host::Host;
    void MFRefresh(int) override {}
};

int Temporaries(const std::string& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += IsTemporaryFileName(entry.path().filename().string());
    return count;
}

class LSDKillTest : public ::testing::Test {
protected:
    // Kills a child at a random moment within `window` after its first report.
    void KillSoon(pid_t child, std::chrono::microseconds window) {
        std::uniform_int_distribution<long> delay(0, window.count());
        std::this_thread::sleep_for(std::chrono::microseconds(delay(m_random)));
        kill(child, SIGKILL);
        EXPECT_EQ(testsupport::WaitChild(child), -SIGKILL);
    }

    std::string base = testsupport::MakeMemoryTempFolder("slots");
    testsupport::ScriptedUi ui;
    std::mt19937 m_random{20261209};
};

TEST_F(LSDKillTest, KilledWriterLosesNoAcknowledgedWork) {
    const std::string slot = base + "/prj0";
    MakeFolderPath(slot);
    int formAcked = 0, charactersAcked = 0, lost = 0;
    for (int round = 0; round < kKills; ++round) {
        if (round % 25 == 0) {
            // Now and then a new project, so that the form stays of a size.
            HistoryHost host(slot);
            CDsgLSDAction lsd;
            ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
            for (int i = 0; i < 20; ++i) AppendBox(host.page, i * 1000);
            ASSERT_TRUE(lsd.SLSCache(0, TRUE));
            charactersAcked = 0;
        }
        Pipe reports;
        // The designer goes on from what the last one left: each edit is
        // written to its file and then acknowledged.
        const pid_t child = testsupport::ForkChild([&] {
            reports.CloseRead();
            HistoryHost host(slot);
            CDsgLSDAction lsd;
            lsd.SLSLaunch(0, TRUE);
            host.characters.GGJPixelFromFile(CDsgLSDAction::GetGGJPixelPath());
            for (int i = 0;; ++i) {
                AppendBox(host.page, i * 1000);
                if (!lsd.SLSCache(0, TRUE)) return 3;
                reports.Send('F', host.page.GetEACount());
                auto character = std::make_unique<CDtrGJPixel>();
                character->GJPClear();
                character->nccode = 0xDB30 + host.characters.GetGJPCount() % 208;
                host.characters.AddGJPixel(std::move(character));
                if (!host.characters.GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath())) return 4;
                reports.Send('C', host.characters.GetGJPCount());
            }
        });
        reports.CloseWrite();
        Report first = reports.Receive();
        ASSERT_EQ(first.tag, 'F') << "round " << round;
        formAcked = first.value;
        KillSoon(child, std::chrono::microseconds(3000));
        for (Report r = reports.Receive(); r.tag != 0; r = reports.Receive())
            (r.tag == 'F' ? formAcked : charactersAcked) = r.value;

        // The next designer recovers the slot.
        ui.messages.clear();
        HistoryHost host(slot);
        CDsgLSDAction lsd;
        ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, TRUE, TRUE));
        ASSERT_EQ(ui.messages.size(), 1u) << "recovery offered";
        if (host.TabNames() != std::vector<std::string>{"Form1"} ||
            host.page.GetEACount() < formAcked || host.characters.GetGJPCount() < charactersAcked) {
            ++lost;
            ADD_FAILURE() << "round " << round << ": form " << host.page.GetEACount() << " of "
                          << formAcked << ", characters " << host.characters.GetGJPCount() << " of "
                          << charactersAcked;
        }
    }
    EXPECT_EQ(lost, 0);

    // The next designer to claim the slot clears the killed writers' leftovers.
    QWidget view;
    EXPECT_EQ(CDsgLSDAction::LSFindClaim(base, "prj", 5, HandleToText(GetWindowHandle(&view))), 0);
    EXPECT_EQ(Temporaries(slot), 0);
}

TEST_F(LSDKillTest, OpenCutShortLeavesEveryWorkingFileWhole) {
    constexpr int kForms = 20;
    // Two projects with the same form names: A with 1 box per form and one
    // character, B with 3 boxes per form and two characters.
    const std::string projects[2] = {base + "/a.dvk", base + "/b.dvk"};
    {
        Host source(testsupport::MakeMemoryTempFolder("source"));
        CDsgLSDAction lsd;
        ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
        for (int i = 1; i < kForms; ++i) {
            CDsgEActions empty;
            ASSERT_TRUE(lsd.AddELSFile(empty, "Form" + std::to_string(i + 1)));
        }
        for (int p = 0; p < 2; ++p) {
            for (int i = 0; i < kForms; ++i) lsdtesting::CacheForm(source, i, 1 + 2 * p);
            auto character = std::make_unique<CDtrGJPixel>();
            character->GJPClear();
            character->nccode = 0xDB30 + p;
            source.characters.AddGJPixel(std::move(character));
            ASSERT_TRUE(source.characters.GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath()));
            CDsgDPSettings settings;
            ASSERT_TRUE(lsd.LSSave(projects[p], settings));
        }
    }
    const std::string slot = base + "/prj0";
    MakeFolderPath(slot);
    std::chrono::microseconds loadTime{};
    {
        Host host(slot);
        CDsgLSDAction lsd;
        ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
        CDsgDPSettings settings;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(lsd.LSLoad(projects[0], TRUE, TRUE, TRUE, TRUE, TRUE, settings));
        loadTime = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
    }

    const std::set<int> wholeForm = {2, 6};  // the actions of A's and of B's forms
    int lost = 0, interrupted = 0;
    for (int round = 0; round < kKills; ++round) {
        Pipe reports;
        const pid_t child = testsupport::ForkChild([&] {
            reports.CloseRead();
            Host host(slot);
            CDsgLSDAction lsd;
            CDsgDPSettings settings;
            reports.Send('S', 0);
            const BOOL loaded =
                lsd.LSLoad(projects[(round + 1) % 2], TRUE, TRUE, TRUE, TRUE, TRUE, settings);
            reports.Send('E', loaded);
            for (;;) pause();  // stays until killed
            return 0;
        });
        reports.CloseWrite();
        ASSERT_EQ(reports.Receive().tag, 'S');
        KillSoon(child, loadTime);
        interrupted += reports.Receive().tag != 'E';

        for (int i = 0; i < kForms; ++i) {
            CDsgEActions form;
            int level = 0;
            const std::string file = slot + "/Form" + std::to_string(i + 1) + ".frm";
            if (!form.EActionsFromFile(file, level) || wholeForm.count(form.GetEACount()) == 0) {
                ++lost;
                ADD_FAILURE() << "round " << round << ": " << file << " cut";
            }
        }
        CDtrGGJPixel characters;
        EXPECT_TRUE(characters.GGJPixelFromFile(slot + "/" + LSD_GGJP_FILE));
        EXPECT_TRUE(characters.GetGJPCount() == 1 || characters.GetGJPCount() == 2);
        EXPECT_EQ(
            GetPrivateProfileString(LSD_INI_SECTION, "SPCount", "", slot + "/" + LSD_INI_FILE),
            std::to_string(kForms));
    }
    EXPECT_EQ(lost, 0);
    EXPECT_GT(interrupted, kKills / 10) << "most kills should land inside the open";
}

TEST(LSDClaimTest, DesignersStartedTogetherTakeDifferentSlots) {
    const std::string base = testsupport::MakeMemoryTempFolder("claims");
    constexpr int kDesigners = 5, kRounds = 50;
    // Five designers, each with a live window, claim a slot at the same
    // moment in every round; between rounds the slots are given up.
    Pipe go[kDesigners], reports;
    std::vector<pid_t> designers;
    for (int d = 0; d < kDesigners; ++d) {
        designers.push_back(testsupport::ForkChild([&, d] {
            go[d].CloseWrite();
            reports.CloseRead();
            QWidget view;
            const std::string seed = HandleToText(GetWindowHandle(&view));
            for (int round = 0; round < kRounds; ++round) {
                if (go[d].Receive().tag != 'G') return 2;
                reports.Send('S', CDsgLSDAction::LSFindClaim(base, "prj", 5, seed));
            }
            // The owner lives on until the last round has been checked.
            return go[d].Receive().tag == 'E' ? 0 : 3;
        }));
    }
    reports.CloseWrite();
    int doubles = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (Pipe& p : go) p.Send('G', round);
        std::multiset<int> taken;
        for (int d = 0; d < kDesigners; ++d) taken.insert(reports.Receive().value);
        EXPECT_EQ(taken.count(-1), 0u) << "round " << round;
        for (int s = 0; s < 5; ++s) doubles += taken.count(s) > 1 ? 1 : 0;

        // A sixth finds every slot owned by a live window.
        QWidget sixth;
        EXPECT_EQ(CDsgLSDAction::LSFindClaim(base, "prj", 5, HandleToText(GetWindowHandle(&sixth))),
                  -1);
        for (int s = 0; s < 5; ++s) {
            ASSERT_TRUE(
                WritePrivateProfileString(LSD_INI_SECTION, "lsmseed", "",
                                          base + "/prj" + std::to_string(s) + "/" + LSD_INI_FILE));
        }
    }
    for (Pipe& p : go) p.Send('E', 0);
    for (pid_t d : designers) EXPECT_EQ(testsupport::WaitChild(d), 0);
    EXPECT_EQ(doubles, 0);
}

TEST(LSDClaimTest, PlantedSavingLinkIsNeverWrittenThrough) {
    testsupport::ScriptedUi ui;
    const std::string folder = testsupport::MakeTempFolder("planted");
    const std::string victim = folder + "/victim.txt";
    testsupport::WriteFileBytes(victim, "not yours");
    const std::string project = folder + "/project.dvk";
    ASSERT_EQ(symlink(victim.c_str(), (project + ".saving").c_str()), 0);
    Host host(testsupport::MakeTempFolder("slot"));
    CDsgLSDAction lsd;
    ASSERT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
    CDsgDPSettings settings;
    ASSERT_TRUE(lsd.LSSave(project, settings));
    lsd.EUSFSave(folder + "/form.dkf", 0);
    EXPECT_EQ(testsupport::ReadFileBytes(victim), "not yours");
    CFxRevPropStore saved;
    EXPECT_TRUE(saved.FromFile(project));
    EXPECT_TRUE(saved.FromFile(folder + "/form.dkf"));
    EXPECT_EQ(Temporaries(folder), 0);
}

}  // namespace
