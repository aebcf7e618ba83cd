#include "foundation/fxsharedvalues.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "foundation/fxutils.h"
#include "foundation/tests/markertesting.h"
#include "foundation/tests/storetesting.h"
#include "platform/paths.h"
#include "platform/sharedmemory.h"
#include "platform/testing/scriptedui.h"
#include "platform/testing/testsupport.h"

using testsupport::Channel;
using testsupport::ForkChild;
using testsupport::ReadFileBytes;
using testsupport::WaitChild;

namespace {

std::string BlockBytes(const std::string& name) {
    auto block = SharedMemoryBlock::Open(name);
    if (!block) return "<absent>";
    return std::string(reinterpret_cast<const char*>(block->Data()), block->Size());
}

class SharedValuesTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetDeveloperMarker(false);
        SetLocalTimeSource({});
        FxSharedValues().CloseAllHandles();
    }
};

}  // namespace

TEST_F(SharedValuesTest, TextBlockHoldsTheTextAndANul) {
    CFxSharedValues values;
    ASSERT_TRUE(values.PutShared("one\\two", "abc"));
    // "\" and "/" name the same block.
    EXPECT_EQ(BlockBytes("one/two"), std::string("abc\0", 4));
    BOOL found = FALSE;
    EXPECT_EQ(values.GetSharedText("one/two", &found), "abc");
    EXPECT_TRUE(found);

    // Replacing the value (this process is the only holder) makes a new block
    // of the new size.
    ASSERT_TRUE(values.PutShared("one/two", "longer text"));
    EXPECT_EQ(BlockBytes("one/two"), std::string("longer text\0", 12));

    values.ReleaseShared("one\\two");
    EXPECT_FALSE(values.IsHeld("one/two"));
    EXPECT_EQ(values.GetSharedText("one/two", &found), "");
    EXPECT_FALSE(found);
}

TEST_F(SharedValuesTest, ALongerTextStaysInsideABlockAnotherProcessHolds) {
    Channel published, done;
    const pid_t child = ForkChild([&] {
        CFxSharedValues mine;
        if (!mine.PutShared("kept", "abc")) return 1;
        published.Send();
        done.Receive();
        return 0;
    });
    ASSERT_EQ(published.Receive(), 'x');
    CFxSharedValues values;
    ASSERT_TRUE(values.PutShared("kept", "a much longer text"));
    EXPECT_EQ(BlockBytes("kept"), std::string("a m\0", 4));
    EXPECT_EQ(values.GetSharedText("kept"), "a m");
    done.Send();
    EXPECT_EQ(WaitChild(child), 0);
    // Still held here after the child let go.
    EXPECT_EQ(values.GetSharedText("kept"), "a m");
}

TEST_F(SharedValuesTest, ByteBlockCarriesCountAndBytes) {
    CFxSharedValues values;
    const std::string bytes = Bytes({0x01, 0x00, 0xFF, 'z'});
    ASSERT_TRUE(values.PutSharedBuffer("hdata", RevolverOf(bytes)));
    EXPECT_EQ(BlockBytes("hdata"), Bytes({4, 0, 0, 0}) + bytes);
    CRevolver out = RevolverOf("old");
    ASSERT_TRUE(values.GetSharedBuffer("hdata", out));
    EXPECT_EQ(ContentOf(out), bytes);

    // An empty buffer travels as a bare count.
    ASSERT_TRUE(values.PutSharedBuffer("hdata", CRevolver()));
    EXPECT_EQ(BlockBytes("hdata"), std::string(4, '\0'));
    ASSERT_TRUE(values.GetSharedBuffer("hdata", out));
    EXPECT_EQ(out.GetLength(), 0);

    // A missing block fails and leaves the buffer empty.
    ASSERT_TRUE(out.Append("old", 3));
    EXPECT_FALSE(values.GetSharedBuffer("nothing here", out));
    EXPECT_EQ(out.GetLength(), 0);
}

// A larger content grows the block another process holds (never cut, never
// refused), and both holders read it; a count past the block's end reads as
// nothing.
TEST_F(SharedValuesTest, ByteBlockGrowsForEveryHolderAndIsNeverReadPastItsEnd) {
    Channel published, done;
    const pid_t child = ForkChild([&] {
        CFxSharedValues mine;
        if (!mine.PutSharedBuffer("small", RevolverOf("ab"))) return 1;
        // A count that claims more than the block holds.
        auto made = SharedMemoryBlock::Create("claims", 6);
        const unsigned char claim[6] = {200, 0, 0, 0, 'x', 'y'};
        if (!made || !made->Write(0, claim, 6)) return 2;
        published.Send();
        done.Receive();
        CRevolver back;
        return mine.GetSharedBuffer("small", back) && ContentOf(back) == "0123456789" ? 0 : 3;
    });
    ASSERT_EQ(published.Receive(), 'x');
    CFxSharedValues values;
    EXPECT_TRUE(values.PutSharedBuffer("small", RevolverOf("0123456789")));
    EXPECT_TRUE(values.IsHeld("small"));
    CRevolver out;
    ASSERT_TRUE(values.GetSharedBuffer("small", out));
    EXPECT_EQ(ContentOf(out), "0123456789");

    EXPECT_FALSE(values.GetSharedBuffer("claims", out));
    EXPECT_EQ(out.GetLength(), 0);
    done.Send();
    EXPECT_EQ(WaitChild(child), 0);
}

TEST_F(SharedValuesTest, KeyedNamesIgnoreCaseAndSeparators) {
    EXPECT_EQ(CFxSharedValues::MakeSharedName("RealRelease", "C:\\Program Files\\Dravik.EXE"),
              "@realrelease_c:/program files/dravik.exe");
    EXPECT_EQ(CFxSharedValues::MakeSharedName("pvlanguage", "c:/program files/DRAVIK.exe"),
              CFxSharedValues::MakeSharedName("pvlanguage", "C:\\Program Files\\dravik.exe"));
    // Double-byte characters keep their second byte even when it looks like
    // an upper-case letter.
    const std::string korean = "\xB0\x41";
    EXPECT_EQ(CFxSharedValues::MakeSharedName("k", "/A/" + korean), "@k_/a/" + korean);

    std::string program = GetProgramFilePath();
    for (char& c : program) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(CFxSharedValues::MakeSharedName("hcpmode"), "@hcpmode_" + program);
    EXPECT_NE(CFxSharedValues::MakeSharedName("hcpmode"),
              CFxSharedValues::MakeSharedName("hcpmode", "/other/program"));
}

TEST_F(SharedValuesTest, ReleaseFlagAndLanguageDefaults) {
    CFxSharedValues values;
    EXPECT_EQ(values.GetRealReleaseFlag(), 0);
    EXPECT_EQ(values.GetPVLanguage(), "");
    ASSERT_TRUE(values.PutSharedByKey(SHARED_KEY_REALRELEASE, "0"));
    values.InitRealRelease(1);  // 0 counts as unset
    EXPECT_EQ(values.GetRealReleaseFlag(), 1);
    EXPECT_EQ(values.GetSharedText(CFxSharedValues::MakeSharedName("realrelease")), "1");
    values.InitRealRelease(7);
    EXPECT_EQ(values.GetRealReleaseFlag(), 1);

    values.InitLanguage("eng");
    values.InitLanguage("kor");
    EXPECT_EQ(values.GetPVLanguage(), "eng");
    values.CloseAllHandles();
    EXPECT_EQ(values.GetRealReleaseFlag(), 0);
    EXPECT_EQ(values.GetPVLanguage(), "");
}

TEST_F(SharedValuesTest, SecondRunningCopySeesTheValuesAndDoesNotPublishAgain) {
    testsupport::ScriptedUi ui;
    FxSharedValues().InitRealRelease(1);
    FxSharedValues().InitLanguage("eng");
    EXPECT_TRUE(FxSharedValues().IsHeld(CFxSharedValues::MakeSharedName("realrelease")));

    Channel published, done;
    const pid_t child = ForkChild([&] {
        testsupport::ScriptedUi childUi;
        CFxSharedValues second;
        // Quiet outside diagnostics mode, a message in it.
        SetDeveloperMarker(false);
        second.InitRealRelease(1);
        if (!childUi.messages.empty()) return 7;
        SetDeveloperMarker(true);
        second.InitRealRelease(1);
        second.InitLanguage("kor");
        if (second.GetRealReleaseFlag() != 1) return 1;
        if (second.GetPVLanguage() != "eng") return 2;
        if (second.IsHeld(CFxSharedValues::MakeSharedName("realrelease"))) return 3;
        if (second.IsHeld(CFxSharedValues::MakeSharedName("pvlanguage"))) return 4;
        if (childUi.messages.size() != 1 ||
            childUi.messages[0].text !=
                CFxSharedValues::MakeSharedName("realrelease") + " Already Set")
            return 5;
        // A value the second copy publishes reaches the first one.
        if (!second.PutSharedByKey(SHARED_KEY_HCPMODE, "3")) return 6;
        published.Send();
        done.Receive();
        return 0;
    });
    ASSERT_EQ(published.Receive(), 'x');
    EXPECT_EQ(FxSharedValues().GetSharedByKey(SHARED_KEY_HCPMODE), "3");
    done.Send();
    EXPECT_EQ(WaitChild(child), 0);
    // Its block went with the process that held it.
    EXPECT_EQ(FxSharedValues().GetSharedByKey(SHARED_KEY_HCPMODE), "");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SharedValuesTest, PaddedNumbers) {
    EXPECT_EQ(IntToPaddedText(5, 10, 2), "05");
    EXPECT_EQ(IntToPaddedText(123, 10, 2), "23");
    EXPECT_EQ(IntToPaddedText(-5, 10, -1), "-5");
    EXPECT_EQ(IntToPaddedText(7, 10, 12), "00000000007");  // only ten zeros go in front
    EXPECT_EQ(IntToPaddedText(10, 16, 2), "0A");
    EXPECT_EQ(IntToPaddedText(-1, 16, -1), "FFFFFFFF");
    EXPECT_EQ(IntToPaddedText(5, 1, -1), "");
    EXPECT_EQ(IntToPaddedText(5, 10, 0), "");
    // The pixel build's form: the magnitude, a width of 0 is no width.
    struct Text {
        int value, radix, width;
        const char* text;
    };
    const Text texts[] = {{-5, 10, 0, "-5"},          {-5, 10, 3, "005"},
                          {-255, 16, 0, "FF"},        {123456, 10, 2, "56"},
                          {5, 2, 0, "101"},           {7, 99, 0, "7"},
                          {12, 10, 15, "0000000012"}, {INT_MIN, 10, 0, "-2147483648"}};
    for (const Text& t : texts)
        EXPECT_EQ(IntToPaddedText(t.value, t.radix, t.width, PaddedForm::Magnitude), t.text)
            << t.value;
}

TEST_F(SharedValuesTest, AppendedLinesKeepWhatIsThere) {
    const std::string folder = testsupport::MakeTempFolder("append");
    const std::string path = folder + "/a.txt";
    ASSERT_TRUE(AppendTextLineToFile(path, "one"));
    ASSERT_TRUE(AppendTextLineToFile(path, ""));
    ASSERT_TRUE(AppendTextLineToFile(path, "two"));
    EXPECT_EQ(ReadFileBytes(path), "one\r\n\r\ntwo\r\n");
    EXPECT_FALSE(AppendTextLineToFile(folder, "x"));
    EXPECT_FALSE(AppendTextLineToFile(folder + "/missing/b.txt", "x"));
}

TEST_F(SharedValuesTest, LogEntriesNeedTheSwitchAndAPublishedPath) {
    const std::string folder = testsupport::MakeTempFolder("log");
    const std::string log = folder + "/dsg.log";
    LocalTime at;
    at.hour = 9;
    at.minute = 5;
    at.second = 3;
    SetLocalTimeSource([&at] { return at; });
    const std::string pathName = GetSharedLogPathName(static_cast<unsigned long>(::getpid()));
    EXPECT_EQ(pathName, "lgwpath_" + std::to_string(::getpid()));

    // No switch: nothing, even with a published path.
    SetDeveloperMarker(false);
    ASSERT_TRUE(FxSharedValues().PutShared(pathName, log));
    EXPECT_TRUE(LogWrite("quiet"));
    EXPECT_FALSE(IsPathExisting(log));

    // The answer is kept: the switch file appearing later changes nothing.
    SetDeveloperMarker(true);
    SetDeveloperMarker(false);
    EXPECT_FALSE(IsDeveloperMarkerPresent());
    const std::string marker = GetDeveloperMarkerPath();
    testsupport::WriteFileBytes(marker, "");
    EXPECT_FALSE(IsDeveloperMarkerPresent());
    EXPECT_TRUE(LogWrite("still quiet"));
    EXPECT_FALSE(IsPathExisting(log));

    // Switch on, no path: nothing and no file.
    ForgetDeveloperMarker();
    EXPECT_TRUE(IsDeveloperMarkerPresent());
    FxSharedValues().ReleaseShared(pathName);
    EXPECT_EQ(GetSharedLogPath(), "");
    EXPECT_TRUE(LogWrite("no path"));
    EXPECT_FALSE(IsPathExisting(log));

    // Both: each entry is followed by an empty line.
    ASSERT_TRUE(FxSharedValues().PutShared(pathName, log));
    EXPECT_EQ(GetSharedLogPath(), log);
    EXPECT_TRUE(LogWrite("WOSEActionFromRevolver Fail Reason 2.0"));
    at.hour = 23;
    at.minute = 59;
    at.second = 0;
    EXPECT_TRUE(LogWrite("next"));
    EXPECT_EQ(ReadFileBytes(log),
              "[09:05:03] WOSEActionFromRevolver Fail Reason 2.0\r\n\r\n"
              "[23:59:00] next\r\n\r\n");

    // A log that cannot be opened drops the entry and says so.
    ASSERT_TRUE(FxSharedValues().PutShared(pathName, folder));
    EXPECT_FALSE(LogWrite("dropped"));
}

TEST_F(SharedValuesTest, MarkerFolderCountsAsTheSwitch) {
    const std::string path = GetDeveloperMarkerPath();
    EXPECT_EQ(path, TranslateWindowsPath("c:\\4_t_r_m_k.txt"));
    ASSERT_TRUE(MakeFolderPath(path));
    ForgetDeveloperMarker();
    EXPECT_TRUE(IsDeveloperMarkerPresent());
    ::rmdir(path.c_str());
}

TEST_F(SharedValuesTest, MessageBoxCaptionFallsBackToThePublishedName) {
    testsupport::ScriptedUi ui;
    ui.messageAnswers = {IDNO};
    EXPECT_EQ(AppMessageBox(nullptr, "Sure?", "WARNING !!", MB_YESNO), IDNO);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "WARNING !!");
    EXPECT_EQ(ui.messages[0].type, MB_YESNO);

    AppMessageBox(nullptr, "text");
    EXPECT_EQ(ui.messages[1].caption, "");

    EXPECT_EQ(GetAppNameSharedName(), "wapp_name_" + std::to_string(GetModuleInstanceHandle()));
    EXPECT_NE(GetModuleInstanceHandle(), 0u);
    ASSERT_TRUE(FxSharedValues().PutShared(GetAppNameSharedName(), "Dravik"));
    AppMessageBox(nullptr, "text");
    EXPECT_EQ(ui.messages[2].caption, "Dravik");
    EXPECT_EQ(ui.messages[2].text, "text");
}
