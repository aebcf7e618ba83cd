#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QWidget>
#include <fstream>
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
#include "platform/textcodec.h"

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
    return RevolverOf(testsupport::ReadFileBytes(path));
}

// The store without one key.
void RemoveKey(CFxRevPropStore& store, const std::string& key) {
    const CFxRevPropStore copy(store);
    const CFxKeySet exclude{key};
    store.CopyFrom(copy, nullptr, &exclude);
}

// A 4-byte little-endian length field.
std::string LengthBytes(size_t n) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
    return bytes;
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
        for (int code : {0xDB30, 0xDB31}) {
            auto character = std::make_unique<CDtrGJPixel>();
            character->nccode = code;
            source.host.characters.AddGJPixel(std::move(character));
        }
        EXPECT_TRUE(source.host.characters.GGJPixelToFile(CDsgLSDAction::GetGGJPixelPath()));
        CDsgDPSettings settings;
        settings.SetString(DPS_TGCMFLPATH, "c:\\out\\code.bas");
        settings.SetInt(DPS_TGCMWHETHER, 1);
        const std::string path = folder + "/project.dvk";
        EXPECT_TRUE(source.lsd.LSSave(path, settings));
        return path;
    }
    // A designer with an open project that a refused load must not touch.
    void ExpectRefusedLeavesAlone(const std::string& path, const std::string& text,
                                  const std::string& caption) {
        Designer target("open");
        target.Form(0, "Form1", 1);
        target.Form(1, "Kept", 2);
        CDsgDPSettings settings;
        settings.SetString("DPS.extra", "kept");
        const auto before = Snapshot(target.host.workDir);
        const std::string kept = settings.GetText();
        ui.messages.clear();

        EXPECT_FALSE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings)) << path;
        ASSERT_EQ(ui.messages.size(), 1u) << path;
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_EQ(ui.messages[0].caption, caption);
        EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Kept"}));
        EXPECT_FALSE(target.host.Asked("removeall"));
        EXPECT_EQ(Snapshot(target.host.workDir), before) << "working files changed";
        EXPECT_EQ(settings.GetText(), kept);
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
    EXPECT_EQ(DumpOf(project).at("PUSF.spname1").second, "Menu");
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
    EXPECT_EQ(target.FormActions("Form1") * 10 + target.FormActions("Menu"), 46);
    EXPECT_EQ(Ini(target.host.workDir, "SPCount") + Ini(target.host.workDir, "Form1Name"), "2Menu");
    EXPECT_EQ(target.host.current + target.host.page.GetSPIndex(), 0);
    EXPECT_EQ(target.host.page.GetEACount(), 4) << "form 0 launched";
    EXPECT_EQ(settings.GetString(DPS_TGCMFLPATH), "c:\\out\\code.bas");
    EXPECT_FALSE(settings.HasKey("DPS.extra"));
    EXPECT_EQ(target.host.listCodes, (std::vector<int>{0xDB30, 0xDB31}));
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
    EXPECT_EQ(plate.at("%SA:data:glance_names").second + plate.at("%SA:delm:glance_names").second,
              "Form1|Menu124");

    Designer target("dst");
    // Settings bound to dialog fields are read through the binder.
    CFxFieldBinder settings;
    settings.SetString("DPS.extra", "gone");
    ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, FALSE, FALSE, FALSE, FALSE, settings));
    EXPECT_FALSE(settings.HasKey("DPS.extra"));
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Menu"}));
    EXPECT_EQ(target.FormActions("Menu"), 6);
    EXPECT_EQ(settings.GetInt(DPS_TGCMWHETHER, -1), 1);
    EXPECT_FALSE(target.host.Asked("refresh:1") || target.host.Asked("bar"));
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
        ExpectRefusedLeavesAlone(longPath, "Cannot load project from " + longPath, "Load Error");
    }
    KeyStyleScope style(KEYSTYLE_LONG);
    // A short-style project read in long style loads no form.
    Designer target("longreader");
    target.Form(1, "Kept", 2);
    const auto before = Snapshot(target.host.workDir);
    CDsgDPSettings settings;
    ASSERT_TRUE(target.lsd.LSLoad(shortPath, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Kept"}));
    EXPECT_FALSE(target.host.Asked("removeall") || target.host.Asked("select:0"));
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
        EXPECT_TRUE(Edited(project, [&](CFxRevPropStore& store) {
                        store.SetRevolver("PUSF.bspage0", form);
                    }).ToFile(out));
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
    add("cut-last-byte.dvk", bytes.substr(0, bytes.size() - 1));
    add("noise.dvk", std::string(4000, '\x61'));
    const auto edited = [&](const std::string& name, auto change) {
        bad.push_back(folder + "/" + name);
        EXPECT_TRUE(Edited(project, change).ToFile(bad.back()));
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
    edited("twin-names.dvk", [](CFxRevPropStore& s) { s.SetString("PUSF.spname1", "FORM1"); });
    edited("more-forms.dvk", [](CFxRevPropStore& s) { s.SetInt("PUSF.spcount", 0x7FFFFFFF); });
    // A single-form file opened as a project.
    {
        Designer source("dkf");
        source.Form(0, "Form1", 2);
        bad.push_back(folder + "/form.dkf");
        source.lsd.EUSFSave(bad.back(), 0);
    }
    for (const std::string& file : bad)
        ExpectRefusedLeavesAlone(file, "Cannot load project from " + file, "Load Error");
    const std::string missing = folder + "/none.dvk";
    ExpectRefusedLeavesAlone(missing, "Cannot load project from " + missing, "Load Error");
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
    EXPECT_EQ(target.host.current * 10 + target.host.page.GetSPIndex(), 11);
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

        Designer target("eusfin");
        target.lsd.EUSFLoad(path);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(target.host.dialogName, "Panel");
        CRevolver stored;
        target.host.dialogStore.ToRevolver(stored);
        EXPECT_EQ(DumpOf(stored), DumpOf(form));
    }
}

TEST_F(ProjFileTest, SingleFormFailuresAreReported) {
    KeyStyleScope style(KEYSTYLE_LONG);
    Designer source("eusffail");
    source.lsd.EUSFSave(folder + "/x.dkf", -1);
    EXPECT_FALSE(IsPathExisting(folder + "/x.dkf"));
    source.lsd.EUSFSave(folder, 0);  // a folder: the file cannot be written
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text + ";" + ui.messages[1].text, "Error 7281;Error 6281");
    EXPECT_EQ(ui.messages[1].caption, "Error");

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
        EXPECT_TRUE(target.host.dialogName.empty());
    }
}

// Files that are no project at all: a FIFO (or a link to one) must not hang
// the load, a huge file is refused before it is read, and one that cannot be
// opened is refused too. Each is refused with a message that says why,
// whether opened as a project or as a form.
TEST_F(ProjFileTest, HostileFilesAreRefusedBeforeTheyAreRead) {
    KeyStyleScope style(KEYSTYLE_LONG);
    const std::string fifo = folder + "/fifo.dvk";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = folder + "/link.dvk";
    ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
    const std::string sparse = folder + "/sparse.dvk";
    testsupport::WriteFileBytes(sparse, "");
    ASSERT_EQ(truncate(sparse.c_str(), off_t{600} << 20), 0);
    // A link to itself cannot be opened, whoever runs the test.
    const std::string loop = folder + "/loop.dvk";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);

    const struct {
        std::string path;
        const char* reason;
    } hostile[] = {{fifo, "It is not a regular file."},
                   {link, "It is not a regular file."},
                   {folder, "It is not a regular file."},
                   {sparse, "The file is larger than 512 MiB."},
                   {loop, "The file cannot be read."}};
    for (const auto& h : hostile) {
        ExpectRefusedLeavesAlone(h.path, "Cannot load project from " + h.path + "\n" + h.reason,
                                 "Load Error");
        Designer target("hostileform");
        ui.messages.clear();
        target.lsd.EUSFLoad(h.path);
        ASSERT_EQ(ui.messages.size(), 1u) << h.path;
        EXPECT_EQ(ui.messages[0].text, "Cannot load form from " + h.path + "\n" + h.reason);
        EXPECT_TRUE(target.host.dialogName.empty());
    }
}

// Form names that the slot's INI file or the file system would not give
// back unchanged are refused, naming the form, before anything changes; a
// name at the length limit still works.
TEST_F(ProjFileTest, FormNamesThatCannotComeBackAreRefused) {
    const std::string longest(251, 'n');
    const struct {
        std::string name;
        const char* shown;  // as the message names it
        const char* reason;
    } names[] = {
        {" x", "\" x\"", "it begins or ends with a blank"},
        {"x ", "\"x \"", "it begins or ends with a blank"},
        {"\"q\"", "\"\"q\"\"", "it is enclosed in quotes"},
        {"'q'", "\"'q'\"", "it is enclosed in quotes"},
        {"a\rb", "\"a\\rb\"", "it holds a control character"},
        {"a\nb", "\"a\\nb\"", "it holds a control character"},
        {"a\x01", "\"a\\x01\"", "it holds a control character"},
        {longest + "n", nullptr, "it is longer than 251 bytes"},
        {std::string(300, 'n'), nullptr, "it is longer than 251 bytes"},
        {"../x", "\"../x\"", "it cannot be a file name"},
        {"..", "\"..\"", "it cannot be a file name"},
    };
    const std::string cut = "\"" + std::string(60, 'n') + "...\"";
    for (int isShort = 0; isShort < 2; ++isShort) {
        KeyStyleScope style(isShort ? KEYSTYLE_SHORT : KEYSTYLE_LONG);
        const CRevolver project = FileRecord(SaveProject());
        for (const auto& n : names) {
            const std::string refusal = "The form name " + std::string(n.shown ? n.shown : cut) +
                                        " cannot be used: " + n.reason + ".";
            EXPECT_EQ(CDsgLSDAction::GetSPNameRefusal(n.name), refusal);
            const std::string path = folder + "/named.dvk";
            ASSERT_TRUE(Edited(project, [&](CFxRevPropStore& s) {
                            if (isShort) {
                                CFxRevPropStore plate;
                                plate.SetStringArray("glance_names", {"Form1", n.name}, '|');
                                CRevolver bytes;
                                plate.ToRevolver(bytes);
                                s.SetRevolver("plate", bytes);
                            } else {
                                s.SetString("PUSF.spname1", n.name);
                            }
                        }).ToFile(path));
            ExpectRefusedLeavesAlone(path, "Cannot load project from " + path + "\n" + refusal,
                                     "Load Error");
        }
    }

    KeyStyleScope style(KEYSTYLE_LONG);
    Designer source("names");
    source.Form(0, "Form1", 2);
    const std::string form = folder + "/form.dkf";
    source.lsd.EUSFSave(form, 0);
    for (const auto& n : names) {
        CFxRevPropStore store;
        ASSERT_TRUE(store.FromFile(form));
        store.SetString("SPUSFD.spname", n.name);
        ASSERT_TRUE(store.ToFile(form));
        Designer target("nameform");
        const auto before = Snapshot(target.host.workDir);
        ui.messages.clear();
        target.lsd.EUSFLoad(form);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "Cannot load form from " + form + "\n" + CDsgLSDAction::GetSPNameRefusal(n.name));
        EXPECT_TRUE(target.host.dialogName.empty());
        EXPECT_EQ(Snapshot(target.host.workDir), before);
    }

    // Names that come back unchanged keep working: the longest one the
    // working file can carry, blanks and a quote inside, double-byte text.
    for (const std::string& kept : {longest, A("내 'form"), std::string("'q\"")}) {
        const std::string path = SaveProject(kept);
        Designer target("kept");
        CDsgDPSettings settings;
        ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings)) << kept;
        EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", kept}));
        EXPECT_EQ(target.FormActions(kept), 6);
        EXPECT_EQ(Ini(target.host.workDir, "Form1Name"), kept);
    }
}

// A names text of 100 MB of delimiters: only the names the forms use are
// split off, so the load costs a small multiple of the file, not the
// gigabytes of a hundred million empty names.
TEST_F(ProjFileTest, HugeNamesArrayCostsASmallMultipleOfTheFile) {
    KeyStyleScope style(KEYSTYLE_SHORT);
    const CRevolver project = FileRecord(SaveProject());
    const std::string path = folder + "/names.dvk";
    constexpr long kBytes = 100L << 20;
    // The project with a names text of "Form1|Menu" and 100 MB of '|',
    // written piece by piece so that making it costs no memory.
    {
        CFxRevPropStore plate;
        plate.SetInt("%SA:type:glance_names", 1);
        plate.SetInt("%SA:delm:glance_names", '|');
        CRevolver head;
        ASSERT_TRUE(plate.ToRevolver(head));
        const std::string text = "Form1|Menu";
        const std::string textItem =
            std::string("\x0C\x15%SA:data:glance_names") + LengthBytes(text.size() + kBytes) + text;
        const std::string plateItem = std::string("\x04\x05plate") +
                                      LengthBytes(head.GetLength() + textItem.size() + kBytes) +
                                      ContentOf(head) + textItem;
        std::ofstream out(path, std::ios::binary);
        out << ContentOf(Edited(project, [](CFxRevPropStore& s) { RemoveKey(s, "plate"); }))
            << plateItem;
        const std::string bars(1 << 20, '|');
        for (long i = 0; i < kBytes; i += static_cast<long>(bars.size())) out << bars;
        ASSERT_TRUE(out.good());
    }

    struct rusage before {};
    getrusage(RUSAGE_SELF, &before);
    Designer target("names");
    CDsgDPSettings settings;
    ASSERT_TRUE(target.lsd.LSLoad(path, TRUE, TRUE, TRUE, TRUE, TRUE, settings));
    EXPECT_EQ(target.host.TabNames(), (std::vector<std::string>{"Form1", "Menu"}));
    struct rusage after {};
    getrusage(RUSAGE_SELF, &after);
    const long grewKiB = after.ru_maxrss - before.ru_maxrss;
    EXPECT_LT(grewKiB, 8 * (kBytes >> 10)) << "peak memory grew by " << grewKiB << " KiB";

    // The same with the names cut to one empty name: refused, naming it.
    const std::string one = folder + "/one.dvk";
    ASSERT_TRUE(Edited(project, [](CFxRevPropStore& s) {
                    CFxRevPropStore plate;
                    plate.SetStringArray("glance_names", {"", ""}, '|');
                    CRevolver bytes;
                    plate.ToRevolver(bytes);
                    s.SetRevolver("plate", bytes);
                }).ToFile(one));
    ExpectRefusedLeavesAlone(one,
                             "Cannot load project from " + one +
                                 "\nThe form name \"\" cannot be used: a form needs a name.",
                             "Load Error");
}

}  // namespace
