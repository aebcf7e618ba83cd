// Project and single-form files: their keys in both styles, loading into a
// slot, the version gate, and files that must be refused without touching
// the open project.

#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "design/model/dsgdpsettings.h"
#include "design/model/dsglsdaction.h"
#include "design/model/tests/lsdtesting.h"
#include "foundation/fxfieldbinder.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

namespace {

using eatesting::BlockOf;
using eatesting::DumpOf;
using eatesting::Edited;
using eatesting::kBlock;
using eatesting::KeyStyleScope;
using eatesting::KeyTypesOf;
using eatesting::kInt;
using eatesting::kText;
using lsdtesting::Host;

std::string Ini(const std::string& slot, const std::string& key) {
    return GetPrivateProfileString(LSD_INI_SECTION, key, "?", slot + "/" + LSD_INI_FILE);
}

CRevolver FileRecord(const std::string& path) {
    CRevolver buffer;
    buffer.FromFile(path);
    return buffer;
}

void WriteRecord(const std::string& path, const CRevolver& buffer) {
    ASSERT_TRUE(buffer.ToFile(path));
}

// The store without one key.
void RemoveKey(CFxRevPropStore& store, const std::string& key) {
    const CFxRevPropStore copy(store);
    const CFxKeySet exclude{key};
    store.CopyFrom(copy, nullptr, &exclude);
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::vector<std::string> files;
    ListFolder(folder, files, FALSE, FALSE);
    std::map<std::string, std::string> out;
    for (const std::string& file : files)
        out[file] = testsupport::ReadFileBytes(folder + "/" + file);
    return out;
}

// A designer with a slot of its own, its page and its forms.
class Designer {
public:
    explicit Designer(const std::string& hint) : host(testsupport::MakeTempFolder(hint)) {
        EXPECT_TRUE(lsd.LSDReset(TRUE, TRUE, FALSE, FALSE));
        host.TSPRemoveAllPages();
        host.TSPAddPage("Form1");
        host.log.clear();
    }
    // Adds a form with that many boxes (form 0 exists already as "Form1").
    void Form(int index, const std::string& name, int boxes) {
        if (index > 0) {
            CDsgEActions empty;
            ASSERT_TRUE(lsd.AddELSFile(empty, name));
            host.TSPAddPage(name);
        }
        lsdtesting::CacheForm(host, index, boxes);
    }
    void Character(int code, int inkCell) {
        auto character = std::make_unique<CDtrGJPixel>();
        character->nccode = code;
        character->SetJPixel(inkCell, CDtrGJPixel::GJP_INK);
        host.characters.AddGJPixel(std::move(character));
        ASSERT_TRUE(host.characters.GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath()));
    }
    int FormActions(const std::string& name) {
        CDsgEActions form;
        int level = 0;
        if (!form.EActionsFromFile(CDsgLSDAction::GetSPFilePath(name), level)) return -1;
        return form.GetEACount();
    }

    Host host;
    CDsgLSDAction lsd;
};

class ProjFileTest : public ::testing::Test {
protected:
    // Saves a project of two forms and two characters from a designer of
    // its own; returns its path.
    std::string SaveProject(const std::string& second = "Menu") {
        Designer source("src");
        source.Form(0, "Form1", 2);
        source.Form(1, second, 3);
        source.Character(0xDB30, 0);
        source.Character(0xDB31, 255);
        CDsgDPSettings settings;
        settings.SetString(DPS_TGCMFLPATH, "c:\\out\\code.bas");
        settings.SetInt(DPS_TGCMWHETHER, 1);
        const std::string path = folder + "/project.dvk";
        EXPECT_TRUE(source.lsd.LSSave(path, settings));
        return path;
    }
    // A designer with an open project that a refused load must not touch;
    // `text` is the one message shown, none when it is empty.
    void ExpectRefusedLeavesAlone(const std::string& path, const std::string& text = "",
                                  const std::string& caption = "") {
        Designer target("open");
        target.Form(0, "Form1", 1);
        target.Form(1, "Kept", 2);
        CDsgDPSettings settings;
        settings.SetString("DPS.extra", "kept");
        const auto before = Snapshot(target.host.workDir);
        const auto tabs = target.host.TabNames();
        ui.messages.clear();

        EXPECT_FALSE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings)) << path;
        ASSERT_EQ(ui.messages.size(), text.empty() ? 0u : 1u) << path;
        if (!text.empty()) {
            EXPECT_EQ(ui.messages[0].text, text);
            EXPECT_EQ(ui.messages[0].caption, caption);
        }
        EXPECT_EQ(target.host.TabNames(), tabs);
        EXPECT_FALSE(target.host.Asked("removeall"));
        EXPECT_EQ(Snapshot(target.host.workDir), before) << "working files changed";
        EXPECT_EQ(settings.GetString("DPS.extra"), "kept");
        EXPECT_EQ(settings.GetString(DPS_TGCMFLPATH), "");
        EXPECT_EQ(target.host.regenerations, 0);
    }

    std::string folder = testsupport::MakeTempFolder("proj");
    testsupport::ScriptedUi ui;
};

TEST_F(ProjFileTest, LongStyleProjectHasItsKeysAndLoadsIntoAnotherSlot) {
    KeyStyleScope style(KEYSTYLE_LONG);
    const std::string path = SaveProject();
    const CRevolver project = FileRecord(path);
    EXPECT_EQ(KeyTypesOf(project), (std::map<std::string, int>{{"PUSF.dpsettings", kBlock},
                                                               {"PUSF.bspage0", kBlock},
                                                               {"PUSF.bspage1", kBlock},
                                                               {"PUSF.spname0", kText},
                                                               {"PUSF.spname1", kText},
                                                               {"PUSF.spcount", kInt},
                                                               {"PUSF.irggjpixel", kBlock}}));
    const auto dump = DumpOf(project);
    EXPECT_EQ(dump.at("PUSF.spname1").second, "Menu");
    EXPECT_EQ(dump.at("PUSF.spcount").second, "2");
    // The settings travel with their long keys.
    EXPECT_EQ(DumpOf(BlockOf(project, "PUSF.dpsettings")).at(DPS_TGCMFLPATH).second,
              "c:\\out\\code.bas");

    Designer target("dst");
    target.Form(0, "Form1", 5);
    CDsgDPSettings settings;
    settings.SetString("DPS.extra", "gone after the load");
    ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Menu"}));
    EXPECT_EQ(target.FormActions("Form1"), 4);
    EXPECT_EQ(target.FormActions("Menu"), 6);
    EXPECT_EQ(Ini(target.host.workDir, "SPCount"), "2");
    EXPECT_EQ(Ini(target.host.workDir, "Form1Name"), "Menu");
    EXPECT_EQ(target.host.current, 0);
    EXPECT_EQ(target.host.page.GetSPIndex(), 0);
    EXPECT_EQ(target.host.page.GetEACount(), 4) << "form 0 launched";
    EXPECT_EQ(settings.GetString(DPS_TGCMFLPATH), "c:\\out\\code.bas");
    EXPECT_FALSE(settings.HasKey("DPS.extra"));
    EXPECT_EQ(target.host.characters.GetGJPCount(), 2);
    EXPECT_EQ(target.host.listCodes, (std::vector<int>{0xDB30, 0xDB31}));
    EXPECT_EQ(target.host.characters.GetGJPixelAt(1)->GetJPixel(15, 15), CDtrGJPixel::GJP_INK);
    EXPECT_EQ(target.host.regenerations, 1);
    for (const char* request : {"palette", "refresh:1", "thumbnails", "bar", "scroll"})
        EXPECT_TRUE(target.host.Asked(request)) << request;
}

TEST_F(ProjFileTest, ShortStyleNamesItsFormsOnlyInThePlate) {
    KeyStyleScope style(KEYSTYLE_SHORT);
    const std::string path = SaveProject();
    const CRevolver project = FileRecord(path);
    EXPECT_EQ(KeyTypesOf(project), (std::map<std::string, int>{{"PUSF.dpsettings", kBlock},
                                                               {"*lfrev0", kBlock},
                                                               {"*lfrev1", kBlock},
                                                               {"lfcount", kInt},
                                                               {"sestem", kInt},
                                                               {"plate", kBlock},
                                                               {"PUSF.irggjpixel", kBlock}}));
    EXPECT_EQ(DumpOf(project).at("sestem").second, "1");
    const auto plate = DumpOf(BlockOf(project, "plate"));
    EXPECT_EQ(plate.size(), 3u);
    EXPECT_EQ(plate.at("%SA:data:glance_names").second, "Form1|Menu");
    EXPECT_EQ(plate.at("%SA:delm:glance_names").second, "124");
    EXPECT_EQ(DumpOf(BlockOf(project, "PUSF.dpsettings")).count(DPS_TGCMWHETHER), 1u);

    Designer target("dst");
    // Settings bound to dialog fields are read through the binder.
    CFxFieldBinder settings;
    settings.SetString("DPS.extra", "gone");
    ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, FALSE, FALSE, FALSE, FALSE, settings));
    EXPECT_FALSE(settings.HasKey("DPS.extra"));
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Menu"}));
    EXPECT_EQ(target.FormActions("Menu"), 6);
    EXPECT_EQ(settings.GetInt(DPS_TGCMWHETHER, -1), 1);
    EXPECT_FALSE(target.host.Asked("refresh:1"));
    EXPECT_FALSE(target.host.Asked("bar"));
    EXPECT_EQ(target.host.regenerations, 0);

    // A name with the delimiter comes back as two names.
    const std::string split = SaveProject("a|b");
    Designer other("split");
    ASSERT_TRUE(other.lsd.LSLoad(split, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    EXPECT_EQ(other.host.TabNames(), (std::vector<std::string>{"Form1", "a"}));
    EXPECT_EQ(other.FormActions("a"), 6) << "form 1's record under the first half of its name";
}

TEST_F(ProjFileTest, EachStyleReadsOnlyItsOwnProjects) {
    std::string longPath, shortPath;
    {
        KeyStyleScope style(KEYSTYLE_LONG);
        longPath = SaveProject();
    }
    {
        KeyStyleScope style(KEYSTYLE_SHORT);
        shortPath = folder + "/short.dvk";
        Designer source("short");
        source.Form(0, "Form1", 1);
        CDsgDPSettings settings;
        ASSERT_TRUE(source.lsd.LSSave(shortPath, settings));
        // A long-style project has no plate: refused at once.
        ExpectRefusedLeavesAlone(longPath);
    }
    KeyStyleScope style(KEYSTYLE_LONG);
    // A short-style project read in long style loads no form.
    Designer target("longreader");
    target.Form(1, "Kept", 2);
    const auto before = Snapshot(target.host.workDir);
    CDsgDPSettings settings;
    ASSERT_TRUE(target.lsd.LSLoad(shortPath, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Kept"}));
    EXPECT_FALSE(target.host.Asked("removeall"));
    EXPECT_FALSE(target.host.Asked("select:0"));
    EXPECT_TRUE(target.host.Asked("formlist"));
    EXPECT_EQ(Ini(target.host.workDir, "Form1Name"), "Kept");
    EXPECT_EQ(target.host.page.GetEACount(), 4) << "nothing launched";
    // Only the character file follows the project.
    auto after = Snapshot(target.host.workDir);
    after.erase(LSD_GGJP_FILE);
    auto kept = before;
    kept.erase(LSD_GGJP_FILE);
    EXPECT_EQ(after, kept);
}

TEST_F(ProjFileTest, VersionGateJudgesTheFirstForm) {
    KeyStyleScope style(KEYSTYLE_LONG);
    const std::string path = SaveProject();
    const CRevolver project = FileRecord(path);
    const auto withFirstForm = [&](const std::string& key, int version) {
        const CRevolver form = Edited(BlockOf(project, "PUSF.bspage0"),
                                      [&](CFxRevPropStore& store) { store.SetInt(key, version); });
        const std::string out = folder + "/" + key + ".dvk";
        WriteRecord(out, Edited(project, [&](CFxRevPropStore& store) {
                        store.SetRevolver("PUSF.bspage0", form);
                    }));
        return out;
    };

    ExpectRefusedLeavesAlone(withFirstForm("EAS.grqversion", 999),
                             "Loading canceled for version problem. Please upgrade Dravik.",
                             "Load error");

    const struct {
        const char* key;
        const char* text;
    } accepted[] = {
        {"EAS.frqversion",
         "Dravik version is old. Data may appear mixed-up. Please upgrade your Dravik."},
        {"EAS.erqversion",
         "Dravik version is old. Some elements could be omitted. Please upgrade your Dravik."},
    };
    for (const auto& verdict : accepted) {
        Designer target(verdict.key);
        CDsgDPSettings settings;
        ui.messages.clear();
        ASSERT_TRUE(target.lsd.LSLoad(withFirstForm(verdict.key, 999), TRUE, TRUE, TRUE, TRUE, TRUE,
                                      settings));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, verdict.text);
        EXPECT_EQ(ui.messages[0].caption, "Unsuitable Program Version");
        EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Menu"}));
    }
}

TEST_F(ProjFileTest, DamagedAndMismatchedFilesAreRefused) {
    KeyStyleScope style(KEYSTYLE_LONG);
    const std::string path = SaveProject();
    const std::string bytes = testsupport::ReadFileBytes(path);
    const CRevolver project = FileRecord(path);
    std::vector<std::string> bad;
    const auto add = [&](const std::string& name, const std::string& content) {
        bad.push_back(folder + "/" + name);
        testsupport::WriteFileBytes(bad.back(), content);
    };
    add("empty.dvk", "");
    add("truncated.dvk", bytes.substr(0, bytes.size() / 2));
    add("cut-last-byte.dvk", bytes.substr(0, bytes.size() - 1));
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise += static_cast<char>((i * 7919 + 13) % 251);
    add("random.dvk", noise);
    const auto edited = [&](const std::string& name, auto change) {
        bad.push_back(folder + "/" + name);
        WriteRecord(bad.back(), Edited(project, change));
    };
    edited("missing-form.dvk", [](CFxRevPropStore& s) { RemoveKey(s, "PUSF.bspage1"); });
    edited("missing-name.dvk", [](CFxRevPropStore& s) { RemoveKey(s, "PUSF.spname0"); });
    edited("bad-form.dvk",
           [](CFxRevPropStore& s) { s.SetRevolver("PUSF.bspage1", RevolverOf("not a form")); });
    edited("bad-settings.dvk", [](CFxRevPropStore& s) {
        s.SetRevolver("PUSF.dpsettings", RevolverOf(std::string("\x01\x00", 2)));
    });
    edited("bad-characters.dvk",
           [](CFxRevPropStore& s) { s.SetRevolver("PUSF.irggjpixel", RevolverOf("\x21\x02xx")); });
    edited("escaping-name.dvk", [](CFxRevPropStore& s) { s.SetString("PUSF.spname1", "../x"); });
    edited("twin-names.dvk", [](CFxRevPropStore& s) { s.SetString("PUSF.spname1", "FORM1"); });
    edited("more-forms.dvk", [](CFxRevPropStore& s) { s.SetInt("PUSF.spcount", 0x7FFFFFFF); });
    // A single-form file opened as a project.
    {
        Designer source("dkf");
        source.Form(0, "Form1", 2);
        bad.push_back(folder + "/form.dkf");
        source.lsd.EUSFSave(bad.back(), 0);
    }
    for (const std::string& file : bad) ExpectRefusedLeavesAlone(file);
    const std::string missing = folder + "/none.dvk";
    ExpectRefusedLeavesAlone(missing);
}

TEST_F(ProjFileTest, ProjectWithoutFormsKeepsTheTabs) {
    KeyStyleScope style(KEYSTYLE_LONG);
    CFxRevPropStore empty;
    CDsgDPSettings saved;
    CRevolver buffer;
    ASSERT_TRUE(saved.ToRevolver(buffer));
    empty.SetRevolver("PUSF.dpsettings", buffer);
    empty.SetInt("PUSF.spcount", 0);
    const std::string path = folder + "/noforms.dvk";
    ASSERT_TRUE(empty.ToFile(path));

    Designer target("noforms");
    target.Form(1, "Kept", 1);
    target.host.TSPSelectPage(1);
    target.host.page.SetSPIndex(1);
    CDsgDPSettings settings;
    ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Kept"}));
    EXPECT_EQ(target.host.current, 1);
    EXPECT_EQ(target.host.page.GetSPIndex(), 1);
    EXPECT_TRUE(target.host.Asked("formlist"));
    EXPECT_EQ(Ini(target.host.workDir, "SPCount"), "2");

    // A failing form-list write is reported, the load still succeeds.
    target.host.failFormList = true;
    ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 1211!");
    EXPECT_EQ(ui.messages[0].caption, "Error");
}

TEST_F(ProjFileTest, SaveFailsWithoutTouchingTheTarget) {
    KeyStyleScope style(KEYSTYLE_LONG);
    Designer source("unreadable");
    source.Form(1, "Lost", 1);
    testsupport::WriteFileBytes(CDsgLSDAction::GetSPFilePath("Lost"), "damaged");
    const std::string path = folder + "/never.dvk";
    CDsgDPSettings settings;
    EXPECT_FALSE(source.lsd.LSSave(path, settings));
    EXPECT_FALSE(IsPathExisting(path));

    // A file that cannot be put in place leaves nothing behind.
    lsdtesting::CacheForm(source.host, 1, 1);
    MakeFolderPath(folder + "/taken.dvk/inside");
    EXPECT_FALSE(source.lsd.LSSave(folder + "/taken.dvk", settings));
    EXPECT_FALSE(IsPathExisting(folder + "/taken.dvk.saving"));
    // Saving over an older project replaces it whole.
    testsupport::WriteFileBytes(path, "older project");
    ASSERT_TRUE(source.lsd.LSSave(path, settings));
    EXPECT_EQ(KeyTypesOf(FileRecord(path)).count("PUSF.bspage1"), 1u);
    EXPECT_FALSE(IsPathExisting(path + ".saving"));
}

TEST_F(ProjFileTest, SingleFormFilesCarryTheWorkingFile) {
    for (int keyStyle : {KEYSTYLE_LONG, KEYSTYLE_SHORT}) {
        KeyStyleScope style(keyStyle);
        Designer source("eusf");
        source.Form(0, "Form1", 1);
        source.Form(1, "Panel", 2);
        // The page holds unsaved edits of form 1: they go out too.
        eatesting::CreateDragged(source.host.page, nDSG_WOKIND__WOLINE, CRect(0, 0, 1, 1));
        const std::string path = folder + "/panel.dkf";
        ui.messages.clear();
        source.lsd.EUSFSave(path, 1);
        EXPECT_TRUE(ui.messages.empty());
        const CRevolver form = FileRecord(path);
        EXPECT_EQ(KeyTypesOf(form), (std::map<std::string, int>{{"SPUSFD.spname", kText},
                                                                {"SPUSFD.eactions", kBlock}}));
        EXPECT_EQ(DumpOf(form).at("SPUSFD.spname").second, "Panel");
        EXPECT_EQ(ContentOf(BlockOf(form, "SPUSFD.eactions")),
                  testsupport::ReadFileBytes(CDsgLSDAction::GetSPFilePath("Panel")));
        EXPECT_EQ(source.FormActions("Panel"), 6);

        Designer target("eusfin");
        target.lsd.EUSFLoad(path);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(target.host.dialogName, "Panel");
        EXPECT_EQ(target.host.dialogStore.GetString("SPUSFD.spname"), "Panel");
        EXPECT_TRUE(target.host.dialogStore.HasKey("SPUSFD.eactions"));
    }
}

TEST_F(ProjFileTest, SingleFormFailuresAreReported) {
    KeyStyleScope style(KEYSTYLE_LONG);
    Designer source("eusffail");
    source.lsd.EUSFSave(folder + "/x.dkf", -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 7281");
    EXPECT_FALSE(IsPathExisting(folder + "/x.dkf"));

    // The target is a folder: the file cannot be written.
    ui.messages.clear();
    source.lsd.EUSFSave(folder, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 6281");
    EXPECT_EQ(ui.messages[0].caption, "Error");

    const std::string project = SaveProject();
    const std::string missing = folder + "/missing.dkf";
    const std::string noise = folder + "/noise.dkf";
    testsupport::WriteFileBytes(noise, "\x29\x05hello");
    for (const std::string& path : {project, missing, noise}) {
        Designer target("eusfbad");
        ui.messages.clear();
        target.lsd.EUSFLoad(path);
        ASSERT_EQ(ui.messages.size(), 1u) << path;
        EXPECT_EQ(ui.messages[0].text, "Cannot load form from " + path);
        EXPECT_EQ(ui.messages[0].caption, "Load Error");
        EXPECT_FALSE(target.host.Asked("formnamedialog:"));
        EXPECT_TRUE(target.host.dialogName.empty());
    }
}

}  // namespace
