// A project open draws each tab's thumbnail from the form it has just read
// rather than from its working file: what it leaves (thumbnails, working
// files) must be what reading every working file back and drawing it gives.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "design/frames/dsgtspframe.h"
#include "design/frames/tests/framestesting.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdaction.h"
#include "design/model/testing/creationdrag.h"
#include "design/surface/dsgdspframe.h"
#include "design/surface/dsgimagescaler.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/tests/storetesting.h"
#include "platform/testing/testsupport.h"

using framestesting::Slot;

namespace {

// Scales smoothly and keeps every picture it was given, in order.
class RecordingScaler {
public:
    RecordingScaler() {
        SetDsgImageScaler([this](const QImage& source, int width, int height, QImage& result) {
            sources.push_back(source.copy());
            result = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            return !result.isNull();
        });
    }
    ~RecordingScaler() { SetDsgImageScaler({}); }
    RecordingScaler(const RecordingScaler&) = delete;
    RecordingScaler& operator=(const RecordingScaler&) = delete;

    std::vector<QImage> sources;
};

class ProjectOpen : public Slot {
protected:
    // Puts a random form on the visible page as form <index>: figures and
    // texts drawn, some moved or amended, and part of the history undone.
    void RandomForm(std::mt19937& random, int index) {
        CDsgDSPFrame& page = *host->page;
        page.SPClear(0, 0);
        page.SetSPIndex(index);
        const int kinds[] = {nDSG_WOKIND__WOBOX,     nDSG_WOKIND__WOLINE,     nDSG_WOKIND__WOFBOX,
                             nDSG_WOKIND__WOELLIPSE, nDSG_WOKIND__WOFELLIPSE, nDSG_WOKIND__WOTEXT};
        const auto coordinate = [&random](int most) {
            return static_cast<int>(random() % static_cast<unsigned>(most)) * 10000;
        };
        const int objects = static_cast<int>(random() % 6);
        for (int i = 0; i < objects; ++i) {
            const int x = coordinate(280), y = coordinate(200);
            dsgtesting::AppendCreationDrag(
                page, kinds[random() % 6],
                CRect(x, y, x + coordinate(40) + 10000, y + coordinate(40) + 10000));
        }
        for (int i = 0; objects > 0 && i < static_cast<int>(random() % 3); ++i) {
            const int id = static_cast<int>(random() % static_cast<unsigned>(objects));
            auto action = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            if (random() % 2) {
                const int x = coordinate(280), y = coordinate(200);
                action->InitWOCERDRMoving(id, CRect(x, y, x + 50000, y + 30000));
            } else {
                CDsgWOAmending amending;
                amending.SetStringAmending("UTP.dtsize", std::to_string(random() % 3));
                action->InitWOAmending(id, FALSE, amending);
            }
            page.EAAdd(std::move(action));
        }
        for (int i = static_cast<int>(random() % 3); i > 0; --i) page.UndoEAction();
        page.RebuildWObjs();
    }

    std::vector<QImage> Thumbnails() {
        std::vector<QImage> thumbnails;
        for (int i = 0; i < strip().GetTSPageCount(); ++i)
            thumbnails.push_back(strip().GetTSPageBySPIndex(i)->m_thumbnail.copy());
        return thumbnails;
    }
};

// Seeded projects of random forms, opened over working files that hold
// other content: every tab shows what its working file draws, fresh, and
// every working file holds its form as the project has it.
TEST_F(ProjectOpen, ThumbnailsAndWorkingFilesAreThoseTheFilesGiveBack) {
    RecordingScaler scaler;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        KeyStyleScope style(seed % 2 ? KEYSTYLE_SHORT : KEYSTYLE_LONG);
        std::mt19937 random(seed);
        strip().RemoveAllTSPages();
        ASSERT_TRUE(SetIniString(Ini(), "SPCount", "0", LSD_INI_SECTION));
        const int count = 1 + static_cast<int>(random() % 4);
        std::vector<std::string> names, saved;
        for (int i = 0; i < count; ++i) {
            names.push_back("Form" + std::to_string(i + 1));
            RandomForm(random, i);
            ASSERT_TRUE(CDsgLSDAction().AddELSFile(*host->page, names.back()));
            ASSERT_TRUE(strip().AddTSPage(names.back(), 1, 1, 1, 1, 1));
            saved.push_back(Frm(names.back()));
        }
        const std::string project = dir + "/project" + std::to_string(seed) + ".dvk";
        ASSERT_TRUE(CDsgLSDAction().LSSave(project, CFxRevPropStore()));

        // The working files move on after the save; their thumbnails with
        // them.
        for (int i = 0; i < count; ++i) {
            RandomForm(random, i);
            ASSERT_TRUE(CDsgLSDAction().SLSCache(i, TRUE));
        }
        ASSERT_EQ(strip().AFBTSPIUpdate(1), 1);

        scaler.sources.clear();
        CFxRevPropStore settings;
        ASSERT_TRUE(CDsgLSDAction().LSLoad(project, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
        ASSERT_EQ(strip().GetTSPageCount(), count);
        const std::vector<QImage> opened = Thumbnails();
        const std::vector<QImage> openedSources = scaler.sources;
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(names[static_cast<size_t>(i)]);
            EXPECT_EQ(Frm(names[static_cast<size_t>(i)]), saved[static_cast<size_t>(i)]);
            EXPECT_EQ(strip().GetTSPageBySPIndex(i)->m_nStale, 0);
            EXPECT_FALSE(opened[static_cast<size_t>(i)].isNull());
        }

        // The plain path: every working file read back and drawn.
        scaler.sources.clear();
        ASSERT_EQ(strip().AFBTSPIUpdate(1), 1);
        EXPECT_EQ(openedSources, scaler.sources);
        EXPECT_EQ(opened, Thumbnails());
    }
}

// A thumbnail handed to the rebuild is taken only when it is there and fits
// its tab; every other tab is drawn from its working file, and a tab whose
// file cannot be read then stops the rebuild.
TEST_F(ProjectOpen, HandedThumbnailsAreTakenOnlyWhenTheyFit) {
    RecordingScaler scaler;
    MakeForms({"Form1", "Form2", "Form3"});
    ASSERT_EQ(strip().AFBTSPIUpdate(1), 1);
    const std::vector<QImage> plain = Thumbnails();
    const QSize tab = strip().GetTSPageBySPIndex(0)->size();
    const auto filled = [](QSize size, Qt::GlobalColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    };
    const QImage red = filled(tab, Qt::red);
    const QImage wide = filled(tab + QSize(1, 0), Qt::blue);
    struct Case {
        const char* name;
        std::vector<QImage> handed;
        std::string unreadable;  // a working file spoiled first
        int result;
        std::vector<QImage> expected;
    };
    const Case cases[] = {
        {"none handed", {}, "", 1, plain},
        {"fitting, too wide, null", {red, wide, QImage()}, "", 1, {red, plain[1], plain[2]}},
        {"fewer than tabs", {plain[0], red}, "", 1, {plain[0], red, plain[2]}},
        {"a handed one needs no file",
         {plain[0], red, plain[2]},
         "Form2",
         1,
         {plain[0], red, plain[2]}},
        {"a tab drawn from a spoiled file stops", {red}, "Form2", 0, {red, red, red}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string kept = Frm("Form2");
        for (int i = 0; i < 3; ++i) {
            strip().GetTSPageBySPIndex(i)->m_thumbnail = red;
            strip().GetTSPageBySPIndex(i)->m_nStale = 1;
        }
        if (!c.unreadable.empty())
            testsupport::WriteFileBytes(dir + "/" + c.unreadable + ".frm", std::string(64, '\xee'));
        EXPECT_EQ(strip().AFBTSPIUpdate(1, c.handed), c.result);
        EXPECT_EQ(Thumbnails(), c.expected);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(strip().GetTSPageBySPIndex(i)->m_nStale, c.result || i == 0 ? 0 : 1) << i;
        testsupport::WriteFileBytes(dir + "/Form2.frm", kept);
    }
}

// Opening a project again over its own working files leaves those files as
// they are; every file that differs from its form in the project, even by one
// byte, or that is a link in place of a file, is written.
TEST_F(ProjectOpen, OnlyWorkingFilesThatDifferAreWritten) {
    MakeForms({"Form1", "Form2", "Form3"});
    const std::string project = dir + "/again.dvk";
    ASSERT_TRUE(CDsgLSDAction().LSSave(project, CFxRevPropStore()));
    CFxRevPropStore settings;
    ASSERT_TRUE(CDsgLSDAction().LSLoad(project, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    const std::vector<std::string> names = {"Form1", "Form2", "Form3"};
    std::vector<std::string> saved;
    for (const std::string& name : names) saved.push_back(Frm(name));
    const auto inode = [this](const std::string& name) {
        struct stat status {};
        // A link of our own is written through: the file it names is new.
        return stat((dir + "/" + name + ".frm").c_str(), &status) == 0 ? status.st_ino : 0;
    };
    const std::string form2 = dir + "/Form2.frm";
    struct Case {
        const char* name;
        std::function<void()> spoil;  // done to Form2's working file
        bool rewritten;
    };
    const Case cases[] = {
        {"as the project has it", [] {}, false},
        {"one byte other",
         [&] {
             std::string bytes = saved[1];
             bytes[bytes.size() / 2] ^= 1;
             testsupport::WriteFileBytes(form2, bytes);
         },
         true},
        {"cut short", [&] { testsupport::WriteFileBytes(form2, saved[1].substr(1)); }, true},
        {"missing", [&] { std::remove(form2.c_str()); }, true},
        {"a link to the same bytes",
         [&] {
             testsupport::WriteFileBytes(dir + "/elsewhere.bin", saved[1]);
             std::remove(form2.c_str());
             ASSERT_EQ(symlink((dir + "/elsewhere.bin").c_str(), form2.c_str()), 0);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil();
        const auto before = std::vector<ino_t>{inode("Form1"), inode("Form2"), inode("Form3")};
        ASSERT_TRUE(CDsgLSDAction().LSLoad(project, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
        for (size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i]);
            EXPECT_EQ(Frm(names[i]), saved[i]);
            EXPECT_EQ(inode(names[i]) != before[i], i == 1 && c.rewritten);
        }
    }
}

}  // namespace
