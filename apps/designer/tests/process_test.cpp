// The built program as a process: a sixth instance, and a crash recovered by
// the next start.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <thread>

#include "apps/designer/tests/shelltesting.h"
#include "foundation/fxrevpropstore.h"

using namespace shelltesting;
using testsupport::ReadFileBytes;

namespace {

// The program started with its folders in `folders`; questions go to a log.
class Program {
public:
    Program(const Folders& folders, const std::vector<std::string>& arguments)
        : log(folders.data + "/ui.log") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DRAVIK_PROGRAM_DIR", QString::fromStdString(folders.program));
        env.insert("DRAVIK_DATA_DIR", QString::fromStdString(folders.data));
        env.insert("DRAVIK_UI_LOG", QString::fromStdString(log));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        QStringList args;
        for (const std::string& a : arguments) args << QString::fromStdString(a);
        process.start(DRAVIK_PROGRAM, args);
        EXPECT_TRUE(process.waitForStarted(10000));
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    std::string Log() const { return ReadFileBytes(log); }

    std::string log;
    QProcess process;
};

// Waits until the condition holds, at most ten seconds.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(ProcessTest, SixthInstanceSaysSoAndEndsWithTheSlotsUntouched) {
    Folders folders;
    // Five live owners: processes of their own, each named by a window
    // handle that carries its process id.
    std::vector<pid_t> owners;
    std::vector<std::string> before;
    // The folders' listings as set up (the INI writer's lock file included).
    std::vector<std::vector<std::string>> listings;
    for (int i = 0; i < CDravik2View::kSlotCount; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            pause();
            _exit(0);
        }
        owners.push_back(pid);
        const std::string folder = folders.program + "/prj" + std::to_string(i);
        SetIniString(folder + "/CurrentProj.ini", "lsmseed",
                     std::to_string((static_cast<unsigned long long>(pid) << 32) | 1), "Project");
        SetIniString(folder + "/CurrentProj.ini", "UComplete", i == 2 ? "0" : "1", "Project");
        testsupport::WriteFileBytes(folder + "/Form1.frm", "form " + std::to_string(i));
        before.push_back(ReadFileBytes(folder + "/CurrentProj.ini") +
                         ReadFileBytes(folder + "/Form1.frm"));
        ListFolder(folder, listings.emplace_back());
    }
    {
        Program sixth(folders, {});
        EXPECT_TRUE(sixth.process.waitForFinished(15000));
        EXPECT_EQ(sixth.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sixth.Log(), "Error|Cannot start application. Too many program instance?\n");
    }
    for (int i = 0; i < CDravik2View::kSlotCount; ++i) {
        const std::string folder = folders.program + "/prj" + std::to_string(i);
        EXPECT_EQ(ReadFileBytes(folder + "/CurrentProj.ini") + ReadFileBytes(folder + "/Form1.frm"),
                  before[static_cast<size_t>(i)]);
        std::vector<std::string> files;
        ListFolder(folder, files);
        EXPECT_EQ(files, listings[static_cast<size_t>(i)]);
    }
    for (pid_t pid : owners) {
        kill(pid, SIGKILL);
        testsupport::WaitChild(pid);
    }
}

TEST(ProcessTest, KilledInstanceIsRecoveredByTheNextStartAndCanBeSaved) {
    // A project of two forms, opened by a designer that is then killed.
    std::string project;
    const std::string autoSave = testsupport::MakeTempFolder("kill") + "/auto.inc";
    {
        Folders source;
        Designer d;
        d.AddObject(nDSG_WOKIND__WOBOX, CRect(10000, 10000, 60000, 60000));
        d.AddForm("Form2");
        d.AddObject(nDSG_WOKIND__WOLINE, CRect(0, 0, 90000, 40000));
        // Its automatic save is the open's last step: the killer waits for it.
        d.Doc().SetInt(DPS_TGCMWHETHER, 1);
        d.Doc().SetString(DPS_TGCMFLPATH, autoSave);
        project = testsupport::MakeTempFolder("kill") + "/two.dvk";
        ASSERT_TRUE(d.Doc().OnSaveDocument(project));
    }
    Folders folders;
    std::remove(autoSave.c_str());
    {
        Program killed(folders, {project});
        const std::string ini = folders.program + "/prj0/CurrentProj.ini";
        // Killed once the open has ended: a kill in the middle of an INI
        // rewrite would cut the file (the INI writer does not replace it
        // atomically).
        ASSERT_TRUE(WaitFor([&]() { return IsPathExisting(autoSave); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(static_cast<pid_t>(killed.process.processId()), SIGKILL);
        killed.process.waitForFinished(5000);
        ClearIniCache();
        EXPECT_EQ(GetIniString(ini, "UComplete", "Project"), "0") << ReadFileBytes(ini);
    }
    Designer next;
    EXPECT_TRUE(next.Said("The last unsaved data will be restored."));
    EXPECT_EQ(g_pDsgMainFrame->TSPGetPageCount(), 2);
    EXPECT_TRUE(next.Frame().IsCommandEnabled(ID_FILE_SAVE));
    const std::string saved = testsupport::MakeTempFolder("kill") + "/saved.dvk";
    next.ui.fileAnswers.push_back(saved);
    next.Frame().OnCommand(ID_FILE_SAVE);
    CFxRevPropStore store;
    ASSERT_TRUE(store.FromFile(saved));
    EXPECT_EQ(store.GetInt("lfcount", 0), 2);
    EXPECT_FALSE(next.Doc().IsModified());
}
