// The document: new, open, save, the save question, recovery, recent files,
// the command line and drops, on real files in the slot.

#include <gtest/gtest.h>

#include "apps/designer/tests/shelltesting.h"
#include "chareditor/dtrggjpixel.h"
#include "chareditor/dtrgjpixel.h"
#include "foundation/fxrevpropstore.h"

using namespace shelltesting;
using testsupport::ReadFileBytes;

namespace {

// Opens a project as the Open command does, answering the file dialog.
BOOL OpenByCommand(Designer& d, const std::string& path) {
    d.ui.fileAnswers.push_back(path);
    d.Frame().OnCommand(ID_FILE_OPEN);
    return d.Doc().GetPathName() == path;
}

std::string Temp(const std::string& name) { return testsupport::MakeTempFolder("f") + "/" + name; }

// A saved project with `boxes` boxes on its one form.
std::string SavedProject(int boxes) {
    Folders folders;
    Designer d;
    for (int i = 0; i < boxes; ++i) d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 50000 + i, 50000));
    const std::string path = Temp("p.dvk");
    EXPECT_TRUE(d.Doc().OnSaveDocument(path));
    return path;
}

}  // namespace

TEST(DocumentTest, SaveWritesTheVisibleFormAndCharactersThatTheWorkingFilesDoNotHoldYet) {
    Folders folders;
    const std::string path = Temp("quick.dvk");
    {
        Designer d;
        // Edits within the page's 1300 ms: the working file still lags.
        d.AddObject(nDSG_WOKIND__WOBOX, CRect(10000, 10000, 90000, 50000));
        d.AddObject(nDSG_WOKIND__WOFELLIPSE, CRect(100000, 10000, 190000, 50000));
        auto character = std::make_unique<CDtrGJPixel>();
        character->nccode = 0xDB30;
        g_pDsgMainFrame->GetGGJPixel()->AddGJPixel(std::move(character));
        ASSERT_TRUE(d.Doc().IsModified());
        d.Frame().OnCommand(ID_FILE_SAVE);  // no path yet: Save As
        d.ui.fileAnswers.push_back(path);
        ASSERT_TRUE(d.Doc().OnFileSave());
        EXPECT_FALSE(d.Doc().IsModified());
    }
    Ticks ticks;
    Designer again({path});
    EXPECT_EQ(again.Doc().GetPathName(), path);
    ticks.now += 2700;
    FireTimerForTest(&again.View(), CDravik2View::TIMER_REGENERATE);
    again.Page().WObjsFromEActions(again.Page(), TRUE);
    EXPECT_EQ(again.Page().GetWObjCount(), 2);
    EXPECT_EQ(g_pDsgMainFrame->GetGGJPixel()->GetGJPCount(), 1);
    EXPECT_NE(again.View().GetPJGCommands().find("\tELFILL 14,3,4,2\r\n"), std::string::npos)
        << again.View().GetPJGCommands();
}

TEST(DocumentTest, RecoveredProjectCountsAsModifiedAndCanBeSaved) {
    Folders folders;
    WriteUnfinishedSlot(folders.program, 0, {{"Alpha", 2}, {"Beta", 1}});
    Designer d;
    EXPECT_TRUE(d.Said("The last unsaved data will be restored."));
    EXPECT_TRUE(d.Doc().IsModified());
    EXPECT_TRUE(d.Frame().IsCommandEnabled(ID_FILE_SAVE));
    const std::string path = Temp("recovered.dvk");
    d.ui.fileAnswers.push_back(path);
    ASSERT_TRUE(d.Doc().OnFileSave());
    CFxRevPropStore store;
    ASSERT_TRUE(store.FromFile(path));
    EXPECT_EQ(store.GetInt("lfcount", 0), 2);
}

TEST(DocumentTest, CommandLineAfterACrashOffersRecoveryThenAsksBeforeOpening) {
    const std::string project = SavedProject(1);
    struct Case {
        int answer;
        bool opened;
    };
    for (const Case c : {Case{IDCANCEL, false}, Case{IDNO, true}}) {
        SCOPED_TRACE(c.answer);
        Folders folders;
        WriteUnfinishedSlot(folders.program, 0, {{"Unsaved", 3}});
        const std::string slotFile = folders.program + "/prj0/Unsaved.frm";
        const std::string before = ReadFileBytes(slotFile);
        Designer d({project}, [&](Designer& self) { self.ui.messageAnswers = {IDOK, c.answer}; });
        const auto messages = d.Messages();
        ASSERT_GE(messages.size(), 2u);
        EXPECT_EQ(messages[0], "Data Recovery|The last unsaved data will be restored.");
        EXPECT_EQ(messages[1].substr(messages[1].find('|') + 1), "Save changes to Untitled?");
        EXPECT_EQ(d.Doc().GetPathName() == project, c.opened);
        if (!c.opened) {
            EXPECT_EQ(ReadFileBytes(slotFile), before);
            EXPECT_EQ(g_pDsgMainFrame->TSPGetPageCount(), 1);
        }
    }
}

TEST(DocumentTest, DropOpensTheFirstFileAsTheOpenCommandDoes) {
    const std::string first = SavedProject(1);
    const std::string second = SavedProject(2);
    Folders folders;
    Designer d;
    const std::string previous = Temp("previous.dvk");
    ASSERT_TRUE(d.Doc().OnSaveDocument(previous));
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 30000, 30000));
    // Cancelled save question: nothing opens.
    d.ui.messageAnswers = {IDCANCEL};
    d.Frame().OnDropFiles({first, second});
    EXPECT_EQ(d.Doc().GetPathName(), previous);
    // Answered No: the first file opens with its own path and title.
    d.ui.messageAnswers = {IDNO};
    d.Frame().OnDropFiles({first, second});
    EXPECT_EQ(d.Doc().GetPathName(), first);
    EXPECT_EQ(d.Doc().GetTitle(), "p.dvk");
    EXPECT_EQ(d.Frame().windowTitle().toStdString(), "p.dvk - Dravik");
    // Save now writes the dropped project, never the previous one.
    const std::string previousBytes = ReadFileBytes(previous);
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 30000, 30000));
    d.Frame().OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(ReadFileBytes(previous), previousBytes);
    EXPECT_FALSE(d.Doc().IsModified());
}

TEST(DocumentTest, SaveQuestionAnswersDecideWhetherNewGoesOn) {
    Folders folders;
    Designer d;
    const std::string path = Temp("q.dvk");
    ASSERT_TRUE(d.Doc().OnSaveDocument(path));
    struct Case {
        int answer;
        bool reset;  // the new project replaced the old one
        bool saved;
    };
    for (const Case c :
         {Case{IDCANCEL, false, false}, Case{IDNO, true, false}, Case{IDYES, true, true}}) {
        SCOPED_TRACE(c.answer);
        if (d.Doc().GetPathName().empty()) {
            ASSERT_TRUE(d.Doc().OnSaveDocument(path));
        }
        d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 30000, 30000));
        const std::string bytes = ReadFileBytes(path);
        d.ui.messageAnswers = {c.answer};
        d.Frame().OnCommand(ID_FILE_NEW);
        EXPECT_EQ(d.Doc().GetPathName().empty(), c.reset);
        EXPECT_EQ(ReadFileBytes(path) != bytes, c.saved);
    }
}

TEST(DocumentTest, SaveFailureSaysSoAndKeepsTheProjectModified) {
    Folders folders;
    Designer d;
    d.AddObject(nDSG_WOKIND__WOBOX, CRect(0, 0, 30000, 30000));
    const std::string blocker = Temp("file");
    testsupport::WriteFileBytes(blocker, "x");
    EXPECT_FALSE(d.Doc().OnSaveDocument(blocker + "/p.dvk"));
    EXPECT_TRUE(d.Said("Failed to save to disk."));
    EXPECT_TRUE(d.Doc().IsModified());
}

TEST(DocumentTest, BadProjectsLeaveTheOpenProjectAndItsWorkingFiles) {
    const std::string good = SavedProject(2);
    const std::string goodBytes = ReadFileBytes(good);
    const std::string folder = testsupport::MakeTempFolder("bad");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"damaged.dvk", goodBytes.substr(0, 7) + std::string(40, '\xFF')},
        {"truncated.dvk", goodBytes.substr(0, goodBytes.size() / 2)},
        {"wrongtype.dvk", "[Project]\r\nSPCount=1\r\n"},
        {"empty.dvk", ""},
    };
    enum Way { Open, CommandLine, Drop };
    for (const auto& [name, bytes] : files) {
        const std::string path = folder + "/" + name;
        testsupport::WriteFileBytes(path, bytes);
        for (Way way : {Open, CommandLine, Drop}) {
            SCOPED_TRACE(name + " way " + std::to_string(way));
            Folders folders;
            Designer d(way == CommandLine ? std::vector<std::string>{path}
                                          : std::vector<std::string>{});
            if (way != CommandLine) {
                ASSERT_TRUE(d.Doc().OpenDocumentFile(good));
            }
            const std::string slotForm = ReadFileBytes(d.Slot() + "/Form1.frm");
            const std::string before = d.Doc().GetPathName();
            if (way == Open) OpenByCommand(d, path);
            if (way == Drop) d.Frame().OnDropFiles({path});
            EXPECT_TRUE(d.Said("Cannot load project from " + path));
            EXPECT_EQ(d.Doc().GetPathName(), before);
            EXPECT_EQ(ReadFileBytes(d.Slot() + "/Form1.frm"), slotForm);
            EXPECT_EQ(g_pDsgMainFrame->TSPGetPageCount(), 1);
        }
    }
}

TEST(DocumentTest, RecentFilesKeepFourNewestFirstAndSurviveDamage) {
    Folders folders;
    CDvkRecentFiles recent;
    for (const char* path : {"/a.dvk", "/b.dvk", "/c.dvk", "/d.dvk", "/e.dvk", "/c.dvk"})
        recent.Add(path);
    ASSERT_TRUE(recent.Save());
    CDvkRecentFiles read;
    read.Load();
    EXPECT_EQ(read.GetPaths(), (std::vector<std::string>{"/c.dvk", "/e.dvk", "/d.dvk", "/b.dvk"}));

    struct Case {
        const char* bytes;
        std::vector<std::string> paths;
    };
    for (const Case& c :
         {Case{"\xFF\xFE garbage\r\n[Recent File List\r\nFile1", {}},
          Case{"[Recent File List]\r\nFile3=/x.dvk\r\nFile9=/y.dvk\r\n", {"/x.dvk"}},
          Case{"", {}}}) {
        testsupport::WriteFileBytes(CDvkRecentFiles::GetIniPath(), c.bytes);
        CDvkRecentFiles damaged;
        damaged.Load();
        EXPECT_EQ(damaged.GetPaths(), c.paths);
    }
}

TEST(DocumentTest, AutoSavePathOfAnOpenedProjectIsConfirmedFirst) {
    const std::string target = testsupport::MakeTempFolder("auto") + "/out/code.inc";
    std::string project;
    {
        Folders folders;
        Designer d;
        d.Doc().SetInt(DPS_TGCMWHETHER, 1);
        d.Doc().SetString(DPS_TGCMFLPATH, target);
        project = Temp("auto.dvk");
        ASSERT_TRUE(d.Doc().OnSaveDocument(project));
        std::remove(target.c_str());
    }
    struct Case {
        int answer;
        bool written;
    };
    for (const Case c : {Case{IDNO, false}, Case{IDYES, true}}) {
        SCOPED_TRACE(c.answer);
        std::remove(target.c_str());
        Folders folders;
        Designer d({project}, [&](Designer& self) { self.ui.messageAnswers = {c.answer}; });
        ASSERT_EQ(d.ui.messages.size(), 1u);
        EXPECT_EQ(d.ui.messages[0].caption, "WARNING !!");
        EXPECT_NE(d.ui.messages[0].text.find(target), std::string::npos);
        EXPECT_EQ(IsPathExisting(target), c.written);
        EXPECT_EQ(d.Doc().GetInt(DPS_TGCMWHETHER, 0), c.written ? 1 : 0);
        EXPECT_EQ(d.Doc().IsModified(), !c.written);
        if (c.written) {
            EXPECT_EQ(ReadFileBytes(target), d.View().GetPJGCommands());
        }
    }
}

TEST(DocumentTest, FailingAutoSaveIsReportedOncePerPath) {
    Folders folders;
    Designer d;
    Ticks ticks;
    const std::string blocker = Temp("plain");
    testsupport::WriteFileBytes(blocker, "x");
    d.Doc().SetInt(DPS_TGCMWHETHER, 1);
    for (const std::string& path : {blocker + "/a.inc", blocker + "/a.inc", blocker + "/b.inc"}) {
        d.Doc().SetString(DPS_TGCMFLPATH, path);
        d.View().Regenerate();
    }
    int reports = 0;
    for (const auto& m : d.ui.messages)
        if (m.text.find("Cannot save the BASIC code automatically") != std::string::npos) ++reports;
    EXPECT_EQ(reports, 2);
}

TEST(DocumentTest, AutoSaveGoesThroughThePathTranslation) {
    Folders folders;
    Designer d;
    d.Doc().SetInt(DPS_TGCMWHETHER, 1);
    d.Doc().SetString(DPS_TGCMFLPATH, "c:\\korvel\\code.inc");
    d.View().Regenerate();
    const std::string file = TranslateWindowsPath("c:\\korvel\\code.inc");
    EXPECT_EQ(file.rfind(folders.data, 0), 0u) << file;
    EXPECT_EQ(ReadFileBytes(file), d.View().GetPJGCommands());
}
